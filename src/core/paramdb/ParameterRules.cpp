#include "ParameterRules.h"

#include "link/Link.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dr420 {

std::vector<ParameterRecord> &ParameterTable()
{
    static std::vector<ParameterRecord> table;
    return table;
}

QString FormatRawValue(uint16_t raw, int sign, int zpoint)
{
    if (zpoint < 0 || zpoint > 4)
        return QString();
    const double value = sign ? double(int16_t(raw)) : double(raw);
    return QString::asprintf("%.*f", zpoint, value / std::pow(10.0, zpoint));
}

namespace {
// The leading number of a text, as its digits and a decimal exponent, so that
// scaling stays exact.
struct DecimalNumber {
    bool found = false;
    bool negative = false;
    QString digits; // integer and fraction digits together
    long exponent = 0;
};

DecimalNumber scanNumber(const QString &input)
{
    const QString t = input.trimmed();
    DecimalNumber n;
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        n.negative = t[i++] == QLatin1Char('-');
    int intDigits = 0;
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128) {
        n.digits += t[i++];
        ++intDigits;
    }
    int fracDigits = 0;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        int j = i + 1;
        while (j < t.size() && t[j].isDigit() && t[j].unicode() < 128) {
            n.digits += t[j++];
            ++fracDigits;
        }
        if (intDigits + fracDigits > 0)
            i = j;
    }
    if (intDigits + fracDigits == 0)
        return DecimalNumber{};
    n.found = true;
    n.exponent = -fracDigits;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        int j = i + 1;
        bool expNegative = false;
        if (j < t.size() && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            expNegative = t[j++] == QLatin1Char('-');
        long e = 0;
        bool any = false;
        while (j < t.size() && t[j].isDigit() && t[j].unicode() < 128) {
            e = std::min<long>(e * 10 + t[j++].digitValue(), 100000);
            any = true;
        }
        if (any)
            n.exponent += expNegative ? -e : e;
    }
    return n;
}
} // namespace

double leadingNumber(const QString &text)
{
    const DecimalNumber n = scanNumber(text);
    if (!n.found)
        return 0;
    // Let the C library round the decimal text once, correctly.
    const QByteArray s = (n.negative ? "-" : "") + n.digits.toLatin1() + "e" + QByteArray::number(qlonglong(n.exponent));
    return std::strtod(s.constData(), nullptr);
}

uint16_t ParseValueText(const QString &text, int /*sign*/, int zpoint)
{
    DecimalNumber n = scanNumber(text);
    if (!n.found)
        return 0;
    const long shift = n.exponent + ((zpoint >= 1 && zpoint <= 4) ? zpoint : 0);
    QString digits = n.digits;
    if (shift < 0) {
        digits.chop(int(std::min<long>(-shift, digits.size())));
    } else {
        // Only the low 16 bits are kept, so beyond 30 digits nothing changes them.
        digits += QString(int(std::min<long>(shift, 30)), QLatin1Char('0'));
    }
    // value mod 2^16 over the decimal digits: no overflow whatever their number.
    uint32_t low = 0;
    for (QChar c : digits)
        low = (low * 10 + uint32_t(c.digitValue())) & 0xFFFF;
    if (n.negative)
        low = (0x10000 - low) & 0xFFFF;
    return uint16_t(low);
}

namespace {
// The number as the address rule reads it: no dashes, no blanks around, upper case.
QString addressForm(const QString &pno)
{
    QString t = pno;
    t.remove(QLatin1Char('-'));
    return t.trimmed().toUpper();
}

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}
} // namespace

uint16_t PnoToAddress(const QString &pno)
{
    const QString t = addressForm(pno);
    const QChar c0 = t.size() > 0 ? t[0] : QChar();
    const QChar c1 = t.size() > 1 ? t[1] : QChar();
    int high = 0;
    if (c0 == QLatin1Char('U'))
        high = 0x1000;
    else if (c0 == QLatin1Char('P'))
        high = 0xA000;
    else if (c0 >= QLatin1Char('A') && c0 <= QLatin1Char('F'))
        high = hexDigit(c0) * 0x1000;
    int middle = hexDigit(c1) >= 0 ? hexDigit(c1) * 0x100 : 0;
    if (c0 == QLatin1Char('F') && c1 == QLatin1Char('H')) {
        high = 0x1000;
        middle = 0x0F00;
    }
    // The rest counts as a plain decimal number (not BCD): A215 ends in fifteen.
    int low = 0;
    for (int i = 2; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i)
        low = (low * 10 + t[i].digitValue()) & 0xFFFF;
    return uint16_t(high + middle + low);
}

bool PnoHasRegister(const QString &pno)
{
    const QString t = addressForm(pno);
    if (t.size() != 4)
        return false;
    const auto isDecimal = [](QChar c) { return hexDigit(c) >= 0 && hexDigit(c) <= 9; };
    const QChar c0 = t[0];
    const bool first = c0 == QLatin1Char('U') || c0 == QLatin1Char('P') || (c0 >= QLatin1Char('A') && c0 <= QLatin1Char('F'));
    const bool second = hexDigit(t[1]) >= 0 || (c0 == QLatin1Char('F') && t[1] == QLatin1Char('H'));
    return first && second && isDecimal(t[2]) && isDecimal(t[3]);
}

int OptionKey(const QString &option)
{
    int i = 0;
    while (i < option.size() && option[i] == QLatin1Char(' '))
        ++i;
    const QString rest = option.mid(i);
    const int colon = rest.indexOf(QLatin1Char(':'));
    const QString key = colon < 0 ? rest : rest.left(colon);
    if (!key.isEmpty() && key[0] >= QLatin1Char('A') && key[0] <= QLatin1Char('F'))
        return key[0].unicode() - 'A' + 10;
    int j = 0;
    bool negative = false;
    if (j < key.size() && (key[j] == QLatin1Char('+') || key[j] == QLatin1Char('-')))
        negative = key[j++] == QLatin1Char('-');
    long value = 0;
    while (j < key.size() && key[j].isDigit() && key[j].unicode() < 128)
        value = std::min<long>(value * 10 + key[j++].digitValue(), std::numeric_limits<int>::max());
    return int(negative ? -value : value);
}

int FindParameterIndex(const QString &pno)
{
    const QString wanted = pno.trimmed();
    const auto &table = ParameterTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].PNO.trimmed() == wanted)
            return int(i);
    return -1;
}

bool FindParameter(const QString &pno, ParameterRecord &out)
{
    const int i = FindParameterIndex(pno);
    if (i < 0)
        return false;
    out = ParameterTable()[size_t(i)];
    return true;
}

bool ResolveLimits(const ParameterRecord &r, QString *lower, QString *upper)
{
    ParameterRecord ref;
    if (r.MinLmt) {
        if (!FindParameter(r.MinVal, ref))
            return false;
        *lower = ref.Value;
    } else {
        *lower = r.MinVal;
    }
    if (r.MaxLmt) {
        if (!FindParameter(r.MaxVal, ref))
            return false;
        *upper = ref.Value;
    } else {
        *upper = r.MaxVal;
    }
    return true;
}

bool CheckLimits(const ParameterRecord &r)
{
    if (r.MultiLmt != 0 || r.InputType != 0)
        return true;
    QString lower;
    QString upper;
    if (!ResolveLimits(r, &lower, &upper))
        return false;
    const double value = leadingNumber(r.Value);
    return !(value > leadingNumber(upper) || value < leadingNumber(lower));
}

void SortParameterTable()
{
    auto &table = ParameterTable();
    // Character-code order of the numbers; a stable sort keeps duplicates in file order.
    std::stable_sort(table.begin(), table.end(), [](const ParameterRecord &a, const ParameterRecord &b) {
        return a.PNO < b.PNO;
    });
}

void SortOptionLists()
{
    const auto byKey = [](QStringList &list) {
        std::stable_sort(list.begin(), list.end(),
                         [](const QString &a, const QString &b) { return OptionKey(a) < OptionKey(b); });
    };
    for (ParameterRecord &r : ParameterTable()) {
        if (!r.InputType)
            continue;
        if (r.MultiLmt) {
            for (int k = 1; k <= 5; ++k)
                byKey(r.Options[size_t(k)]);
        } else {
            byKey(r.Options[0]);
        }
    }
}

bool IsDriveRunning()
{
    uint16_t state = 0;
    return readRunState(&state) && state != kRunStateStopped;
}

bool IsDriveStopped()
{
    uint16_t state = 0;
    return readRunState(&state) && state == kRunStateStopped;
}

} // namespace dr420
