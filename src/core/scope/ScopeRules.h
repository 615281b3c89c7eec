#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

// The oscilloscope's rules that need no window: scale tables and stepping,
// zero-line ratios, interval and bandwidth checks, the channel list file.
namespace dr420 {

// --- scale tables -----------------------------------------------------------
const std::array<double, 39> &perDivisionTable(); // 1..9, 10..90, ..., 10000, 20000, 30000
const std::array<int, 30> &pointsPerDivisionTable(); // 5, 10, 20, ..., 6000
// Index of the table value nearest to v (a value on a midpoint goes up).
int nearestIndex(double v);
// "+" and "-" of a channel's per-division value: the next table value up or
// down from the nearest one; nothing at the ends ("-" at the first).
double perDivisionPlus(double current);
std::optional<double> perDivisionMinus(double current);
// "+" (fewer points per division, a closer look) and "-" of the time base.
std::optional<int> pointsPlus(int current);
std::optional<int> pointsMinus(int current);

// --- zero line --------------------------------------------------------------
// top / bottom of a range: -3 when the bottom is (about) 0, -7 when the ratio is positive.
double zeroLineRatio(double bottom, double top);
// The range of A per division with zero-line ratio R over 8 divisions.
void rangeFromRatio(double perDiv, double ratio, double *bottom, double *top);

// --- sampling set-up ----------------------------------------------------------
struct IntervalSetting {
    float interval; // even number of ms
    int code;       // one byte for command 50: interval / 2
};
// Rounds down to an even number of ms; intervals whose code would not fit
// the byte (above 510 ms) are refused rather than sent wrong.
std::optional<IntervalSetting> roundInterval(float interval);
constexpr int kMaxIntervalMs = 510;

// The channels' bit mask (bit k-1 when channel k's choice is not "off") and count.
unsigned channelMask(const std::array<int, 4> &choices);
int channelCount(unsigned mask);

struct Bandwidth {
    bool fits;
    int maxChannels; // for the message: trunc(B / 2 / 68 * 64)
};
Bandwidth checkBandwidth(int baud, float interval, int channels);
QString bandwidthMessage(int baud, float interval, int maxChannels);

// --- channel list -------------------------------------------------------------
struct ChannelEntry {
    int number = 0;
    bool isSigned = false;
    QString name;
};
// "channel.set": a header line, then "number name sign" per line. False
// when the file cannot be read or is not a regular file (the list stays
// empty). Every non-blank line after the header is an entry, so that no channel's
// position (the variable the drive samples) shifts: a missing sign reads as
// unsigned, a missing name as "lineN"; `notes` gets a line for each.
constexpr qint64 kMaxChannelFileBytes = 1 << 20;
bool loadChannelList(const QString &path, std::vector<ChannelEntry> *list, QStringList *notes = nullptr);
// "%d: %s" of every entry, as the channel choices show them.
QStringList channelChoices(const std::vector<ChannelEntry> &list);
// The name of a choice text: after the first ':' and the blank after it.
QString choiceName(const QString &choice);
// The sign of the entry a choice index selects (false beyond the list).
bool isSignedChoice(const std::vector<ChannelEntry> &list, int index);
// The first entry of that name, or -1: a name given twice is that entry.
int channelIndexOfName(const std::vector<ChannelEntry> &list, const QString &name);

} // namespace dr420
