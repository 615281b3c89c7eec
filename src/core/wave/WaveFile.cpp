#include "WaveFile.h"

#include "common/TextCodec.h"

#include "WaveModel.h"
#include "common/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <cstdlib>
#include <locale.h>
#include <deque>

namespace dr420 {

namespace {
locale_t cNumericLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
}
} // namespace

QByteArray waveFileBytes(const WaveModel &model)
{
    QByteArray out;
    const int n = model.sampleCount();
    out.reserve(120 + n * 80);
    for (int c = 1; c <= 4; ++c)
        out += "Channel" + QByteArray::number(c) + '=' + model.channelName(c).toUtf8() + "\r\n";
    out += "Count=" + QByteArray::number(n) + "\r\n";
    const auto cell = [&out](const QByteArray &text, bool last) {
        out += text.rightJustified(12, ' ');
        out += last ? "\t\r\n" : "\t  ";
    };
    const char *headings[] = {"Time", "Channel1", "Channel2", "Channel3", "Channel4"};
    for (int k = 0; k < 5; ++k)
        cell(headings[k], k == 4);
    // printf's "%12.4f" (exact binary value, ties to even, "-0.0000"), in the
    // C locale whatever the user's: a German one would write "0,0000".
    const locale_t previous = uselocale(cNumericLocale());
    char text[64];
    const auto number = [&](float v, bool last) {
        const int len = std::snprintf(text, sizeof text, "%12.4f", double(v));
        cell(QByteArray(text, std::clamp(len, 0, int(sizeof text) - 1)), last);
    };
    for (int i = 0; i < n; ++i) {
        number(model.times()[size_t(i)], false);
        for (int c = 1; c <= 4; ++c)
            number(model.values(c)[size_t(i)], c == 4);
    }
    uselocale(previous);
    return out;
}

QString waveNameRefusal(const QString &name)
{
    if (name.size() > kMaxWaveNameChars)
        return QStringLiteral("The channel name \"%1\" is longer than %2 characters.").arg(name).arg(kMaxWaveNameChars);
    for (QChar c : name)
        if (c.isSpace())
            return QStringLiteral("The channel name \"%1\" holds a blank; names in wave files cannot.").arg(name);
    return QString();
}

bool SaveWaveFile(const WaveModel &model, const QString &path, QString *error)
{
    // The reader takes back exactly what is written.
    for (int c = 1; c <= 4; ++c) {
        const QString refusal = waveNameRefusal(model.channelName(c));
        if (!refusal.isEmpty()) {
            if (error)
                *error = refusal;
            return false;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(waveFileBytes(model)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

namespace {
// Whitespace-separated tokens of at most 99 characters, as the reader takes them.
class Tokens
{
public:
    explicit Tokens(const QByteArray &data)
        : m_data(data)
    {
    }
    // A whole line from here (leading blank lines and blanks skipped,
    // trailing blanks dropped), at most `limit` characters of it.
    bool nextLine(QByteArray *line, qsizetype limit)
    {
        while (m_at < m_data.size() && isSpace(m_data[m_at]))
            ++m_at;
        if (m_at >= m_data.size())
            return false;
        const qsizetype begin = m_at;
        while (m_at < m_data.size() && m_data[m_at] != '\n')
            ++m_at;
        qsizetype end = m_at;
        while (end > begin && isSpace(m_data[end - 1]))
            --end;
        *line = m_data.mid(begin, std::min(end - begin, limit));
        return true;
    }
    bool next(QByteArray *token)
    {
        while (m_at < m_data.size() && isSpace(m_data[m_at]))
            ++m_at;
        if (m_at >= m_data.size())
            return false;
        const qsizetype begin = m_at;
        while (m_at < m_data.size() && !isSpace(m_data[m_at]))
            ++m_at;
        *token = m_data.mid(begin, std::min<qsizetype>(m_at - begin, 99));
        return true;
    }
    // The last token ran into the end of the data: a file cut inside it
    // (every row the writer makes ends with a line break).
    bool cutAtEnd() const { return m_at >= m_data.size() && !m_data.isEmpty() && !isSpace(m_data.back()); }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
    const QByteArray &m_data;
    qsizetype m_at = 0;
};

enum class Number { Ok, NotANumber, BeyondFloat };

Number toFloat(const QByteArray &token, float *out)
{
    // strtod in the C locale whatever the user's: "1.5" is one and a half.
    char *end = nullptr;
    const double v = strtod_l(token.constData(), &end, cNumericLocale());
    if (end == token.constData() || *end != '\0')
        return Number::NotANumber;
    // Beyond the float range the conversion is undefined: say so instead.
    if (!std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max()))
        return Number::BeyondFloat;
    *out = float(v);
    return Number::Ok;
}

// "ChannelN=" and a name of up to kMaxWaveNameChars.
constexpr qsizetype kChannelLineLimit = 9 + 4 * kMaxWaveNameChars; // bytes: a character may take four

constexpr qint64 kMaxWaveBytes = 256 * 1024 * 1024; // far above 60000 rows
} // namespace

WaveLoadResult LoadWaveFile(WaveModel &model, const QString &path)
{
    WaveLoadResult result;
    QFile file(path);
    // Only a regular file: a FIFO blocks, /dev/zero never ends.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        result.message = QStringLiteral("The file could not be opened: it is not a regular file.");
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.message = QStringLiteral("The file could not be opened: %1").arg(file.errorString());
        return result;
    }
    if (file.size() > kMaxWaveBytes) {
        result.message = QStringLiteral("The file is too large to be a wave file.");
        return result;
    }
    QByteArray data = file.readAll();
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3); // a UTF-8 byte order mark, as editors write it
    Tokens tokens(data);
    QByteArray channelLines[4];
    QByteArray countLine;
    bool header = true;
    for (auto &line : channelLines)
        header = header && tokens.nextLine(&line, kChannelLineLimit);
    header = header && tokens.next(&countLine) && countLine.startsWith("Count=");
    for (int c = 0; c < 4 && header; ++c)
        header = channelLines[c].startsWith("Channel" + QByteArray::number(c + 1) + '=');
    for (int c = 0; c < 4 && header; ++c) {
        const QByteArray name = channelLines[c].mid(9);
        if (name.contains(' ') || name.contains('\t')) {
            result.message = QStringLiteral("The name of channel %1, \"%2\", holds a blank; names in wave files cannot. "
                                            "The file was not loaded.")
                                 .arg(c + 1)
                                 .arg(decodeText(name));
            return result;
        }
    }
    QByteArray heading;
    for (int i = 0; i < 5 && header; ++i)
        header = tokens.next(&heading);
    bool countOk = false;
    const long long announced = header ? countLine.mid(6).toLongLong(&countOk) : 0;
    if (!header || !countOk || announced < 0) {
        result.message = QStringLiteral("This is not a wave file: its header is missing or damaged.");
        return result;
    }

    // Only the last rows fit; keep a window of them as they come.
    std::deque<std::array<float, 5>> rows;
    QByteArray token;
    bool damaged = false;
    while (qint64(rows.size()) < announced || (announced > kWaveCapacity && result.rows < announced)) {
        std::array<float, 5> row{};
        int got = 0;
        Number number = Number::Ok;
        while (got < 5 && tokens.next(&token) && (number = toFloat(token, &row[size_t(got)])) == Number::Ok)
            ++got;
        if (number == Number::BeyondFloat) {
            result.message = QStringLiteral("Row %1 holds %2, beyond what a wave file can hold (about ±3.4e38). "
                                            "The file was not loaded.")
                                 .arg(result.rows + 1)
                                 .arg(QString::fromLatin1(token.left(40)));
            result.rows = 0;
            return result;
        }
        if (got < 5 || tokens.cutAtEnd()) {
            // A row short of a value, or cut inside its last one (-1000 cut
            // to -1), is not taken.
            damaged = got > 0 || tokens.next(&token);
            break;
        }
        rows.push_back(row);
        ++result.rows;
        if (rows.size() > size_t(kWaveCapacity))
            rows.pop_front();
        if (result.rows >= announced)
            break;
    }

    model.clearAll();
    const int n = int(rows.size());
    std::vector<float> column(size_t(std::max(n, 1)));
    for (int c = 1; c <= 4; ++c) {
        const QByteArray &line = channelLines[c - 1];
        if (line.size() <= 9) // "ChannelN=" and nothing more: not in use
            continue;
        for (int i = 0; i < n; ++i)
            column[size_t(i)] = rows[size_t(i)][size_t(c)];
        // Names from old installations are GBK; ours UTF-8.
        model.setChannelData(column.data(), unsigned(n), c, decodeText(line.mid(9)));
    }
    if (n >= 1) {
        for (int i = 0; i < n; ++i)
            column[size_t(i)] = rows[size_t(i)][0];
        model.setTimeData(column.data(), unsigned(n));
        model.setPointsPerDiv(n / 10);
        model.followLatest();
    }
    result.ok = true;
    if (result.rows < announced || damaged)
        result.message = QStringLiteral("The file announces %1 rows but only %2 are whole; those were loaded.")
                             .arg(announced)
                             .arg(result.rows);
    return result;
}

QByteArray bitmapBytes(const PixelRows &picture)
{
    const quint32 width = quint32(picture.width);
    const quint32 height = quint32(picture.height);
    const quint32 rowBytes = ((width * 32 + 31) & ~31u) / 8;
    const quint32 imageSize = rowBytes * height;
    QByteArray out(int(14 + 40 + imageSize), '\0');
    uchar *p = reinterpret_cast<uchar *>(out.data());
    qToLittleEndian<quint16>(0x4D42, p);
    qToLittleEndian<quint32>(14 + 40 + imageSize, p + 2);
    qToLittleEndian<quint32>(14 + 40, p + 10);
    uchar *info = p + 14;
    qToLittleEndian<quint32>(40, info);
    qToLittleEndian<qint32>(qint32(width), info + 4);
    qToLittleEndian<qint32>(qint32(height), info + 8); // positive: rows bottom-up
    qToLittleEndian<quint16>(1, info + 12);
    qToLittleEndian<quint16>(32, info + 14);
    qToLittleEndian<quint32>(0, info + 16); // uncompressed
    qToLittleEndian<quint32>(imageSize, info + 20);
    uchar *pixels = info + 40;
    for (quint32 y = 0; y < height; ++y) {
        const uint32_t *line = picture.pixels + size_t(height - 1 - y) * size_t(picture.stride);
        uchar *row = pixels + y * rowBytes;
        for (quint32 x = 0; x < width; ++x) {
            row[4 * x + 0] = uchar(line[x] & 0xFF);         // blue
            row[4 * x + 1] = uchar((line[x] >> 8) & 0xFF);  // green
            row[4 * x + 2] = uchar((line[x] >> 16) & 0xFF); // red
            row[4 * x + 3] = 0;
        }
    }
    return out;
}

bool SaveBitmap(const PixelRows &picture, const QString &path)
{
    const auto fail = [](const char *text) {
        // A blank caption: these boxes carry no title, not even the program's.
        showMessage(QLatin1String(text), QStringLiteral(" "), MessageIcon::Error);
        return false;
    };
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0 || picture.stride < picture.width)
        return fail("Unable to retrieve colour format, width and height of bitmap");
    const QByteArray bytes = bitmapBytes(picture);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail("Unable to open the file when saving bitmap");
    if (file.write(bytes.constData(), 14) != 14)
        return fail("Unable to write file header when saving bitmap");
    if (file.write(bytes.constData() + 14, 40) != 40)
        return fail("Unable to write bitmap info");
    if (file.write(bytes.constData() + 54, bytes.size() - 54) != bytes.size() - 54)
        return fail("Unable to write colour indices when saving bitmap");
    if (!file.commit())
        return fail("Unable to close file handle when saving bitmap");
    return true;
}

} // namespace dr420
