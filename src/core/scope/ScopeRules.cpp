#include "ScopeRules.h"

#include "common/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace dr420 {

const std::array<double, 39> &perDivisionTable()
{
    static const std::array<double, 39> table = [] {
        std::array<double, 39> t{};
        int i = 0;
        for (double decade : {1.0, 10.0, 100.0, 1000.0})
            for (int d = 1; d <= 9; ++d)
                t[size_t(i++)] = d * decade;
        t[size_t(i++)] = 10000;
        t[size_t(i++)] = 20000;
        t[size_t(i++)] = 30000;
        return t;
    }();
    return table;
}

const std::array<int, 30> &pointsPerDivisionTable()
{
    static const std::array<int, 30> table{5,   10,  20,   30,   40,   50,   60,   70,   80,   90,
                                           100, 200, 300,  400,  500,  600,  700,  800,  900,  1000,
                                           1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000};
    return table;
}

int nearestIndex(double v)
{
    const auto &t = perDivisionTable();
    int i = 0;
    while (i < int(t.size()) && !(v < t[size_t(i)]))
        ++i;
    if (i == int(t.size()))
        return int(t.size()) - 1;
    if (i == 0)
        return 0;
    const double mid = (t[size_t(i - 1)] + t[size_t(i)]) / 2;
    return v < mid ? i - 1 : i;
}

double perDivisionPlus(double current)
{
    int i = nearestIndex(current);
    if (i + 1 < int(perDivisionTable().size()))
        ++i;
    return perDivisionTable()[size_t(i)];
}

std::optional<double> perDivisionMinus(double current)
{
    const int i = nearestIndex(current);
    if (i < 1)
        return std::nullopt;
    return perDivisionTable()[size_t(i - 1)];
}

std::optional<int> pointsPlus(int value)
{
    const auto &p = pointsPerDivisionTable();
    for (size_t i = 1; i < p.size(); ++i)
        if (p[i - 1] < value && value <= p[i])
            return p[i - 1];
    return std::nullopt;
}

std::optional<int> pointsMinus(int value)
{
    for (int p : pointsPerDivisionTable())
        if (value < p)
            return p;
    return std::nullopt;
}

double zeroLineRatio(double bottom, double top)
{
    if (std::fabs(bottom) < 0.000001)
        return -3;
    const double r = top / bottom;
    if (r == 0)
        return 0.0; // zero line on the top edge: never -0.0, which a file keeps as "-0.000000"
    return r > 0 ? -7 : r;
}

void rangeFromRatio(double perDiv, double ratio, double *bottom, double *top)
{
    *bottom = -8 * perDiv / (1 - ratio);
    *top = 8 * perDiv / (1 - 1 / ratio);
}

std::optional<IntervalSetting> roundInterval(float interval)
{
    const int code = int(interval / 2);
    if (code > 255)
        return std::nullopt;
    return IntervalSetting{float(code * 2), code};
}

unsigned channelMask(const std::array<int, 4> &choices)
{
    unsigned mask = 0;
    for (int k = 0; k < 4; ++k)
        if (choices[size_t(k)] > 0)
            mask |= 1u << k;
    return mask;
}

int channelCount(unsigned mask)
{
    int n = 0;
    for (int k = 0; k < 4; ++k)
        n += (mask >> k) & 1;
    return n;
}

Bandwidth checkBandwidth(int baud, float interval, int channels)
{
    const double bytes = double(baud) * interval / 10 / 1000;
    const int needed = channels * 2 * 68 / 64;
    return {!(bytes < needed), int(bytes / 2 / 68 * 64)};
}

QString bandwidthMessage(int baud, float interval, int maxChannels)
{
    return QString::asprintf(
        "On baud rate is %dbps, sampling interval is %.0f milliseconds, you can only select %d channels at most!",
        baud, double(interval), maxChannels);
}

bool loadChannelList(const QString &path, std::vector<ChannelEntry> *list, QStringList *notes)
{
    list->clear();
    QFile file(path);
    // Only a regular file: a FIFO or a device would block or never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = decodeText(file.read(kMaxChannelFileBytes)).split(QLatin1Char('\n')); // UTF-8, or GBK of old installations
    // A channel's variable is its position in the list: a line with tokens
    // is never dropped, or every later channel would sample another variable.
    for (int i = 1; i < lines.size(); ++i) { // the first line is a header
        const QStringList tokens = lines[i].simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (tokens.isEmpty())
            continue; // blank lines hold no entry
        ChannelEntry e;
        bool numbered = false;
        e.number = tokens[0].toInt(&numbered);
        e.name = tokens.size() > 1 ? tokens[1].left(99) : QStringLiteral("line%1").arg(i + 1);
        e.isSigned = tokens.size() > 2 && tokens[2].toInt() > 0;
        if (notes && (tokens.size() < 3 || !numbered))
            *notes << QStringLiteral("channel.set line %1: \"%2\" is not \"number name sign\"; read as %3 %4 %5")
                          .arg(i + 1)
                          .arg(lines[i].simplified().left(60))
                          .arg(e.number)
                          .arg(e.name)
                          .arg(e.isSigned ? 1 : 0);
        list->push_back(e);
    }
    return true;
}

QStringList channelChoices(const std::vector<ChannelEntry> &list)
{
    QStringList choices;
    for (const ChannelEntry &e : list)
        choices << QStringLiteral("%1: %2").arg(e.number).arg(e.name);
    return choices;
}

QString choiceName(const QString &choice)
{
    const int colon = choice.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : choice.mid(colon + 2);
}

bool isSignedChoice(const std::vector<ChannelEntry> &list, int index)
{
    return index >= 0 && size_t(index) < list.size() && list[size_t(index)].isSigned;
}

int channelIndexOfName(const std::vector<ChannelEntry> &list, const QString &name)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].name == name)
            return int(i);
    return -1;
}

} // namespace dr420
