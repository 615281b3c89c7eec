#include "EditDialogRules.h"

#include "ParameterRules.h"
#include "common/TextNumbers.h"

namespace dr420 {

int findExactParameter(const QString &pno)
{
    const auto &table = ParameterTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].PNO == pno)
            return int(i);
    return -1;
}

bool isLegalNumberText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int dots = 0;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
            if (i > 0)
                return false;
        } else if (c == QLatin1Char('.')) {
            if (i == 0 || ++dots > 1)
                return false;
        } else if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            return false;
        }
    }
    return true;
}

namespace {
QString limitText(int isReference, const QString &limit)
{
    if (!isReference)
        return limit;
    const int at = findExactParameter(limit);
    return at < 0 ? QString() : ParameterTable()[size_t(at)].Value;
}
} // namespace

QString lowerLimitText(const ParameterRecord &r)
{
    return limitText(r.MinLmt, r.MinVal);
}

QString upperLimitText(const ParameterRecord &r)
{
    return limitText(r.MaxLmt, r.MaxVal);
}

NumericVerdict checkNumericEdit(const QString &typed, const QString &lower, const QString &upper)
{
    if (!isLegalNumberText(typed))
        return NumericVerdict::Illegal;
    const double v = leadingNumber(typed);
    if (v < leadingNumber(lower) || v > leadingNumber(upper))
        return NumericVerdict::OutOfRange;
    return NumericVerdict::Accept;
}

QString optionKeyText(const QString &option)
{
    const int colon = option.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : option.left(colon);
}

int preselectedOption(const QStringList &options, const QString &value)
{
    int chosen = -1;
    for (int i = 0; i < options.size(); ++i)
        if (optionKeyText(options[i]) == value)
            chosen = i;
    return chosen;
}

std::optional<QString> selectionValue(const QString &option)
{
    const int colon = option.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    return QString::number(leadingInteger(option.left(colon)));
}

int digitCount(const ParameterRecord &r)
{
    int d = 0;
    for (int k = 1; k <= 5; ++k)
        if (!r.Options[size_t(k)].isEmpty())
            d = k;
    return d;
}

QStringList digitEntries(const ParameterRecord &r, int k)
{
    const QStringList &list = r.Options[size_t(k)];
    if (k == 1)
        return list;
    QStringList entries;
    for (const QString &text : list) {
        if (text.isEmpty())
            break;
        entries << text;
    }
    return entries;
}

QList<int> preselectedDigits(const ParameterRecord &r)
{
    const int d = digitCount(r);
    QList<int> chosen(d, -1);
    const QString value = r.Value.trimmed();
    for (QChar c : value)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return chosen;
    QString digits = r.Value.trimmed();
    if (r.MultiLmt == 2) {
        const long long n = leadingInteger(digits);
        digits = n == 0 ? QString() : QString::number(n, 16).toUpper();
    }
    std::reverse(digits.begin(), digits.end());
    if (d < digits.size())
        return chosen;
    for (int k = 1; k <= d; ++k) {
        const QChar want = k <= digits.size() ? digits[k - 1] : QLatin1Char('0');
        const QStringList entries = digitEntries(r, k);
        const auto begins = [&](int i) {
            return !entries[i].isEmpty() && entries[i][0].toUpper() == want.toUpper();
        };
        // From the second entry to the last, then the first.
        for (int i = 1; i < entries.size() && chosen[k - 1] < 0; ++i)
            if (begins(i))
                chosen[k - 1] = i;
        if (chosen[k - 1] < 0 && !entries.isEmpty() && begins(0))
            chosen[k - 1] = 0;
    }
    return chosen;
}

std::optional<QString> composeDigits(const ParameterRecord &r, const QStringList &chosen)
{
    QString digits;
    for (const QString &text : chosen) {
        const QString t = text.trimmed();
        digits += t.isEmpty() ? QChar() : t[0];
    }
    if (r.MultiLmt == 1)
        return QString::number(leadingInteger(digits));
    if (r.MultiLmt == 2) {
        long long value = 0;
        for (QChar c : digits) {
            int v = 0;
            if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
                v = c.unicode() - '0';
            else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
                v = c.unicode() - 'A' + 10;
            value = value * 16 + v;
        }
        return QString::number(value);
    }
    return std::nullopt;
}

namespace {
QString numericRefusal(const ParameterRecord &r, const QString &text)
{
    if (!isLegalNumberText(text))
        return QStringLiteral("Entered numbers are not legal!");
    for (const auto &[isReference, limit] : {std::pair{r.MinLmt, r.MinVal}, std::pair{r.MaxLmt, r.MaxVal}})
        if (isReference && findExactParameter(limit) < 0)
            return QStringLiteral("its limit parameter %1 is missing").arg(limit);
    const QString lower = lowerLimitText(r);
    const QString upper = upperLimitText(r);
    if (checkNumericEdit(text, lower, upper) != NumericVerdict::Accept)
        return QStringLiteral("Parameter value is out of range! (%1)").arg(rangeText(lower, upper));
    return QString();
}

QString selectionRefusal(const ParameterRecord &r, const QString &text, QString *stored)
{
    const QString t = text.trimmed();
    QStringList keys;
    for (const QString &option : r.Options[0]) {
        const std::optional<QString> value = selectionValue(option);
        if (!value)
            continue;
        keys << optionKeyText(option);
        if (t == optionKeyText(option) || t == *value) {
            *stored = *value;
            return QString();
        }
    }
    return QStringLiteral("Your input is incorrect, please re-select! (options: %1)").arg(keys.join(QStringLiteral(", ")));
}

QString digitsRefusal(const ParameterRecord &r, const QString &text, QString *stored)
{
    if (r.MultiLmt != 1 && r.MultiLmt != 2)
        return QStringLiteral("the parameter has no digit rule the dialog knows (MultiLmt %1)").arg(r.MultiLmt);
    const QString t = text.trimmed();
    bool digitsOnly = !t.isEmpty();
    for (QChar c : t)
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digitsOnly)
        return QStringLiteral("Please select parameter value! (a value of decimal digits is needed)");
    ParameterRecord probe = r;
    probe.Value = t;
    const int d = digitCount(r);
    const QList<int> chosen = preselectedDigits(probe);
    QStringList entries; // most significant first, as the dialog composes
    for (int k = d; k >= 1; --k) {
        const int at = chosen.value(k - 1, -1);
        if (at < 0)
            return QStringLiteral("Please select parameter value! (digit %1 has no such option, or too many digits)").arg(k);
        entries << digitEntries(r, k)[at];
    }
    const std::optional<QString> value = composeDigits(r, entries);
    if (!value)
        return QStringLiteral("Please select parameter value!");
    *stored = *value;
    return QString();
}
} // namespace

QString refusalForValue(const ParameterRecord &record, const QString &text, QString *stored)
{
    QString dummy;
    QString &out = stored ? *stored : dummy;
    out = text;
    if (!record.InputType)
        return numericRefusal(record, text);
    if (record.MultiLmt == 0)
        return selectionRefusal(record, text, &out);
    return digitsRefusal(record, text, &out);
}

} // namespace dr420
