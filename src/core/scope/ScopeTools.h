#pragma once

#include "SamplingEngine.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// What the oscilloscope does beyond the strip chart: a trigger evaluated on
// every decoded sample, measurements of a stretch of samples, and recording
// every sample to a CSV file.
namespace dr420 {

class WaveModel;

// The name of the empty channel choice: its samples are not shown.
inline const QString kNullChannel = QStringLiteral("(Null)");

// The display's model takes the acquisition as it is now: the oscilloscope
// and the headless capture both make their pictures (and .wave files) so.
void takeAcquisition(WaveModel &model, const AcquisitionBuffers &buffers, unsigned mask,
                     const std::array<QString, 4> &names);
struct TriggerCapture;
// The same for a triggered capture: its window, whole.
void takeCapture(WaveModel &model, const TriggerCapture &capture, unsigned mask, const std::array<QString, 4> &names);

// --- trigger -----------------------------------------------------------------

struct TriggerSettings {
    enum Mode { Off, Normal, Single };
    Mode mode = Off;
    int channel = 1;       // 1..4
    bool rising = true;
    double level = 0;      // in the channel's values
    int pretrigger = 20;   // 0..90 % of the window
    int window = 2000;     // samples in a capture (points per division x 10)
    int preSamples() const;
};

// A captured window: `window` sample sets, the trigger sample at `triggerAt`.
struct TriggerCapture {
    std::vector<SampleSet> sets;
    int triggerAt = 0;
    float triggerTime() const { return sets.empty() ? 0.0f : sets[size_t(triggerAt)].time; }
};

// Fed with every sample set in order (from the receive thread); a capture is
// taken from any thread. An edge is the previous sample below the level and
// this one at or above it (rising), or above and at or below (falling).
class Trigger
{
public:
    explicit Trigger(const TriggerSettings &settings);

    void feed(const std::vector<SampleSet> &sets);
    // The newest finished capture, once.
    std::optional<TriggerCapture> take();
    int captures() const;
    // Single: false once its capture is done.
    bool armed() const;
    const TriggerSettings &settings() const { return m_settings; }

private:
    void feedOne(const SampleSet &s);

    TriggerSettings m_settings;
    mutable std::mutex m_lock;
    std::deque<SampleSet> m_history; // the pre-trigger part, as it passes
    std::vector<SampleSet> m_collecting;
    bool m_collectingActive = false;
    int m_triggerAt = 0;
    bool m_armed = true;
    bool m_havePrevious = false;
    float m_previous = 0;
    std::optional<TriggerCapture> m_ready;
    int m_captures = 0;
};

// --- measurements ------------------------------------------------------------

struct ChannelMeasurement {
    int samples = 0;
    double min = 0, max = 0, mean = 0, rms = 0, peakToPeak = 0;
    double frequencyHz = 0; // 0 when fewer than two rising crossings
};

// Over samples [first, last] of `values` (times in ms). The frequency counts
// rising crossings of the mean, with a hysteresis of a tenth of the peak to
// peak against noise: (crossings - 1) / (time from the first to the last).
ChannelMeasurement measure(const float *times, const float *values, int first, int last);

// --- recording ---------------------------------------------------------------

constexpr const char *kRecordThreadName = "dr420-record";

// Appends every sample set to a CSV file: "time_ms,<names>" then a row per
// set (C locale, whatever the user's), flushed to the disk at least once a
// second by a writer thread of its own, so the receive thread never waits
// on the disk. The file is a plain table (header and rows): the refused
// frames are counted here, for whoever shows them.
class Recorder
{
public:
    Recorder();
    ~Recorder();

    // `columns`: the channels (1..4) in the order of the file's columns.
    bool open(const QString &path, const QList<int> &columns, const QStringList &names, QString *error);
    void feed(const std::vector<SampleSet> &sets, int refused);
    // Writes what is left and closes the file. feed() may still be called
    // meanwhile (from the receive thread): it is ignored.
    void close();
    // Why the recording stopped short (a write, flush, sync or close the
    // system refused, e.g. a full disk); empty while every row reached the
    // file. After a failure nothing more is taken and the file ends on its
    // last whole line.
    QString error() const;
    bool failed() const { return !error().isEmpty(); }

    bool isOpen() const
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_accepting;
    }
    QString path() const { return m_path; }
    qint64 rows() const;
    qint64 bytes() const;
    int refused() const;

private:
    void writerLoop();
    QByteArray format(const std::vector<SampleSet> &sets) const;
    bool writeWhole(const QByteArray &text);
    void fail(int err);

    FILE *m_file = nullptr;
    QString m_path;
    QList<int> m_columns;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<SampleSet> m_pending;
    bool m_accepting = false;
    bool m_stop = false;
    qint64 m_rows = 0;
    qint64 m_bytes = 0;
    int m_refused = 0;
    QString m_error;
    std::thread m_writer;
};

// A CSV cell: the value in the C locale, as short as it stays exact.
QByteArray csvNumber(double value);

} // namespace dr420
