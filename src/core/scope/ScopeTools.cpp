#include "ScopeTools.h"

#include "wave/WaveModel.h"

#include "common/Messages.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <cmath>
#include <pthread.h>
#include <unistd.h>

namespace dr420 {

void takeAcquisition(WaveModel &m, const AcquisitionBuffers &b, unsigned mask, const std::array<QString, 4> &names)
{
    const unsigned count = b.counts[0];
    m.setTimeData(b.time.data(), count);
    m.followLatest();
    for (int k = 1; k <= 4; ++k)
        if ((mask >> (k - 1)) & 1u && names[size_t(k - 1)] != kNullChannel)
            m.setChannelData(b.channel[size_t(k - 1)].data(), count, k, names[size_t(k - 1)]);
    for (int k = 1; k <= 4; ++k)
        m.saveOriginalScale(k);
}

void takeCapture(WaveModel &m, const TriggerCapture &capture, unsigned mask, const std::array<QString, 4> &names)
{
    AcquisitionBuffers b;
    b.reset();
    const unsigned count = unsigned(std::min<size_t>(capture.sets.size(), b.time.size()));
    for (unsigned i = 0; i < count; ++i) {
        b.time[i] = capture.sets[i].time;
        for (int k = 0; k < 4; ++k)
            b.channel[size_t(k)][i] = capture.sets[i].value[size_t(k)];
    }
    b.counts.fill(count);
    takeAcquisition(m, b, mask, names);
}

// --- trigger -----------------------------------------------------------------

int TriggerSettings::preSamples() const
{
    const int pct = std::clamp(pretrigger, 0, 90);
    return std::clamp(int(std::lround(pct / 100.0 * window)), 0, std::max(window - 1, 0));
}

Trigger::Trigger(const TriggerSettings &settings)
    : m_settings(settings)
{
    m_settings.channel = std::clamp(m_settings.channel, 1, 4);
    m_settings.window = std::max(m_settings.window, 2);
}

void Trigger::feed(const std::vector<SampleSet> &sets)
{
    std::lock_guard<std::mutex> g(m_lock);
    for (const SampleSet &s : sets)
        feedOne(s);
}

void Trigger::feedOne(const SampleSet &s)
{
    const float v = s.value[size_t(m_settings.channel - 1)];
    const float level = float(m_settings.level);
    const bool edge = m_havePrevious && (m_settings.rising ? (m_previous < level && v >= level)
                                                           : (m_previous > level && v <= level));
    m_previous = v;
    m_havePrevious = true;
    const size_t pre = size_t(m_settings.preSamples());
    if (m_collectingActive) {
        m_collecting.push_back(s);
        if (int(m_collecting.size()) >= m_settings.window) {
            m_ready = TriggerCapture{m_collecting, m_triggerAt};
            ++m_captures;
            m_collectingActive = false;
            // A next trigger may follow at once: its pre-trigger part is the end of this one.
            m_history.assign(m_collecting.end() - qsizetype(std::min(pre, m_collecting.size())), m_collecting.end());
            m_collecting.clear();
        }
        return;
    }
    if (m_armed && m_settings.mode != TriggerSettings::Off && edge && m_history.size() >= pre) {
        m_collecting.assign(m_history.end() - qsizetype(pre), m_history.end());
        m_triggerAt = int(pre);
        m_collecting.push_back(s);
        m_collectingActive = true;
        if (m_settings.mode == TriggerSettings::Single)
            m_armed = false;
        if (int(m_collecting.size()) >= m_settings.window) {
            m_ready = TriggerCapture{m_collecting, m_triggerAt};
            ++m_captures;
            m_collectingActive = false;
            m_collecting.clear();
        }
        return;
    }
    m_history.push_back(s);
    while (m_history.size() > pre)
        m_history.pop_front();
}

std::optional<TriggerCapture> Trigger::take()
{
    std::lock_guard<std::mutex> g(m_lock);
    std::optional<TriggerCapture> c = std::move(m_ready);
    m_ready.reset();
    return c;
}

int Trigger::captures() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_captures;
}

bool Trigger::armed() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_armed || m_collectingActive;
}

// --- measurements ------------------------------------------------------------

ChannelMeasurement measure(const float *times, const float *values, int first, int last)
{
    ChannelMeasurement m;
    if (!times || !values || first < 0 || last < first)
        return m;
    m.samples = last - first + 1;
    double sum = 0, squares = 0;
    m.min = m.max = values[first];
    for (int i = first; i <= last; ++i) {
        const double v = values[i];
        m.min = std::min(m.min, v);
        m.max = std::max(m.max, v);
        sum += v;
        squares += v * v;
    }
    m.mean = sum / m.samples;
    m.rms = std::sqrt(squares / m.samples);
    m.peakToPeak = m.max - m.min;
    const double hysteresis = m.peakToPeak / 10;
    if (hysteresis <= 0)
        return m;
    // Rising crossings of the mean: low (below mean - h) then high (above mean + h);
    // the crossing lies between the last sample under the mean and the next.
    enum { Unknown, Low, High } state = Unknown;
    int lastUnder = -1;
    int crossings = 0;
    double firstAt = 0, lastAt = 0;
    for (int i = first; i <= last; ++i) {
        const double v = values[i];
        if (v < m.mean)
            lastUnder = i;
        if (v < m.mean - hysteresis) {
            state = Low;
        } else if (v > m.mean + hysteresis) {
            if (state == Low && lastUnder >= first && lastUnder < last) {
                const double a = values[lastUnder], b = values[lastUnder + 1];
                const double f = b != a ? (m.mean - a) / (b - a) : 0.0;
                const double t = times[lastUnder] + f * (double(times[lastUnder + 1]) - times[lastUnder]);
                if (crossings == 0)
                    firstAt = t;
                lastAt = t;
                ++crossings;
            }
            state = High;
        }
    }
    if (crossings >= 2 && lastAt > firstAt)
        m.frequencyHz = (crossings - 1) / (lastAt - firstAt) * 1000.0;
    return m;
}

// --- recording ---------------------------------------------------------------

QByteArray csvNumber(double value)
{
    return QByteArray::number(value, 'g', 9);
}

Recorder::Recorder() = default;

Recorder::~Recorder()
{
    close();
}

bool Recorder::open(const QString &path, const QList<int> &columns, const QStringList &names, QString *error)
{
    close();
    m_file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!m_file) {
        if (error)
            *error = systemErrorText(errno);
        return false;
    }
    m_path = path;
    m_columns = columns;
    QByteArray header = "time_ms";
    for (const QString &n : names)
        header += ',' + n.toUtf8();
    header += '\n';
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_accepting = true;
        m_stop = false;
        m_rows = 0;
        m_bytes = 0;
        m_refused = 0;
        m_error.clear();
        m_pending.clear();
    }
    if (!writeWhole(header)) {
        if (error)
            *error = this->error();
        std::fclose(m_file);
        m_file = nullptr;
        std::lock_guard<std::mutex> g(m_lock);
        m_accepting = false;
        return false;
    }
    m_writer = std::thread([this] { writerLoop(); });
    return true;
}

bool Recorder::writeWhole(const QByteArray &text)
{
    errno = 0;
    const bool ok = std::fwrite(text.constData(), 1, size_t(text.size()), m_file) == size_t(text.size()) &&
                    std::fflush(m_file) == 0;
    if (ok) {
        std::lock_guard<std::mutex> g(m_lock);
        m_bytes += text.size();
        return true;
    }
    // Whatever part of the lines reached the file goes again: the file
    // ends on the last whole line.
    fail(errno ? errno : ENOSPC);
    std::clearerr(m_file);
    if (::ftruncate(fileno(m_file), off_t(bytes())) == 0)
        std::fseek(m_file, 0, SEEK_END);
    return false;
}

void Recorder::fail(int err)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_error.isEmpty())
        m_error = systemErrorText(err);
    m_accepting = false; // nothing more is taken: the rows so far stay whole
    m_pending.clear();
}

void Recorder::feed(const std::vector<SampleSet> &sets, int refused)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_accepting)
        return;
    m_pending.insert(m_pending.end(), sets.begin(), sets.end());
    m_refused = refused;
}

QByteArray Recorder::format(const std::vector<SampleSet> &sets) const
{
    QByteArray out;
    out.reserve(int(sets.size()) * (12 + 10 * int(m_columns.size())));
    for (const SampleSet &s : sets) {
        out += csvNumber(s.time);
        for (int c : m_columns)
            out += ',' + csvNumber(s.value[size_t(c - 1)]);
        out += '\n';
    }
    return out;
}

void Recorder::writerLoop()
{
    pthread_setname_np(pthread_self(), kRecordThreadName);
    using Clock = std::chrono::steady_clock;
    auto lastSync = Clock::now();
    std::vector<SampleSet> batch;
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock<std::mutex> g(m_lock);
            m_wake.wait_for(g, std::chrono::milliseconds(200), [this] { return m_stop; });
            batch.swap(m_pending);
            stopping = m_stop || !m_error.isEmpty();
        }
        if (!batch.empty()) {
            // Whole lines only reach the file: one write per batch, then flushed.
            if (writeWhole(format(batch))) {
                std::lock_guard<std::mutex> g(m_lock);
                m_rows += qint64(batch.size());
            }
            batch.clear();
        }
        if (Clock::now() - lastSync >= std::chrono::seconds(1)) {
            // A power loss costs at most the last second.
            if (::fdatasync(fileno(m_file)) != 0 && errno != EINVAL)
                fail(errno);
            lastSync = Clock::now();
        }
        if (stopping)
            return;
    }
}

void Recorder::close()
{
    if (!m_file)
        return;
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_accepting = false; // a receive thread still feeding is turned away from here on
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable())
        m_writer.join();
    // A file is a plain table: the count of refused frames is told elsewhere.
    if (::fsync(fileno(m_file)) != 0 && errno != EINVAL)
        fail(errno);
    if (std::fclose(m_file) != 0)
        fail(errno);
    m_file = nullptr;
}

QString Recorder::error() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_error;
}

qint64 Recorder::rows() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_rows;
}

qint64 Recorder::bytes() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_bytes;
}

int Recorder::refused() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_refused;
}

} // namespace dr420
