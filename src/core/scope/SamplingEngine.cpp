#include "SamplingEngine.h"

#include "SamplingState.h"
#include "common/Messages.h"
#include "common/Wait.h"
#include "link/Link.h"

#include <algorithm>
#include <chrono>
#include <pthread.h>

namespace dr420 {

AcquisitionBuffers::AcquisitionBuffers()
    : time(kAcquisitionCapacity, 0.0f)
{
    for (auto &c : channel)
        c.assign(kAcquisitionCapacity, 0.0f);
}

void AcquisitionBuffers::reset()
{
    std::fill(time.begin(), time.end(), 0.0f);
    for (auto &c : channel)
        std::fill(c.begin(), c.end(), 0.0f);
    counts = {};
    sampleIndex = 0;
}

void AcquisitionBuffers::append(std::vector<float> &array, unsigned &count, float value)
{
    array[count++] = value;
    if (count >= unsigned(kAcquisitionCapacity)) {
        std::move(array.begin() + kAcquisitionShift, array.end(), array.begin());
        count -= kAcquisitionShift;
    }
}

void AcquisitionBuffers::decode(const uint8_t *block, unsigned mask, const std::array<bool, 4> &isSigned,
                                float interval, std::vector<SampleSet> *sets)
{
    int n = 0;
    for (int k = 0; k < 4; ++k)
        n += (mask >> k) & 1;
    if (n == 0)
        return;
    const int used = n == 3 ? 60 : 64;
    for (int at = 0; at + 2 * n <= used;) {
        SampleSet set;
        for (int k = 0; k < 4; ++k) {
            if (!((mask >> k) & 1))
                continue;
            const uint16_t raw = uint16_t(block[at] | (block[at + 1] << 8));
            at += 2;
            const float value = isSigned[size_t(k)] ? float(int16_t(raw)) : float(raw);
            append(channel[size_t(k)], counts[size_t(k + 1)], value);
            set.value[size_t(k)] = value;
        }
        set.time = interval * float(sampleIndex);
        append(time, counts[0], set.time);
        ++sampleIndex;
        if (sets)
            sets->push_back(set);
    }
}

namespace {
// Engines acquiring now; acquiring() mirrors "any" (under the lock, so that
// two engines ending at once leave it true to the count).
std::mutex g_acquiringLock;
int g_acquiringEngines = 0;

void countAcquiring(int step)
{
    std::lock_guard<std::mutex> g(g_acquiringLock);
    g_acquiringEngines += step;
    acquiring() = g_acquiringEngines > 0;
}
} // namespace

SamplingEngine::SamplingEngine() = default;

SamplingEngine::~SamplingEngine()
{
    stopThreads();
}

void SamplingEngine::start(const SamplingSetup &setup, Handover handover, LinkLost lost)
{
    stopThreads();
    m_setup = setup;
    m_handover = std::move(handover);
    m_lost = std::move(lost);
    {
        std::lock_guard<std::mutex> g(m_lostLock);
        m_lostReason.clear();
    }
    {
        std::lock_guard<std::mutex> g(m_sampleLock);
        m_buffers.reset();
    }
    m_failures = 0;
    m_acquiring = true;
    countAcquiring(+1);
    m_receive = std::thread([this] { receiveLoop(); });
    m_display = std::thread([this] { displayLoop(); });
    m_threadsRunning = true;
}

void SamplingEngine::endAcquiring()
{
    if (m_acquiring.exchange(false))
        countAcquiring(-1);
}

void SamplingEngine::stopThreads()
{
    endAcquiring();
    if (m_receive.joinable())
        m_receive.join();
    if (m_display.joinable())
        m_display.join();
    m_threadsRunning = false;
}

QString SamplingEngine::lostReason() const
{
    std::lock_guard<std::mutex> g(m_lostLock);
    return m_lostReason;
}

int SamplingEngine::streamTimeoutMs(const SamplingSetup &setup)
{
    int n = 0;
    for (int k = 0; k < 4; ++k)
        n += (setup.channelMask >> k) & 1;
    const int sets = n ? 64 / (2 * n) : 32;
    return 1000 + int(2 * sets * std::max(setup.interval, 2.0f));
}

void SamplingEngine::linkLost(const QString &reason)
{
    {
        std::lock_guard<std::mutex> g(m_lostLock);
        m_lostReason = reason;
    }
    endAcquiring(); // the display thread ends too
    if (m_lost)
        m_lost(reason);
}

void SamplingEngine::receiveLoop()
{
    pthread_setname_np(pthread_self(), kReceiveThreadName); // for top -H and the soak benchmark
    using Clock = std::chrono::steady_clock;
    const auto streamTimeout = std::chrono::milliseconds(streamTimeoutMs(m_setup));
    auto lastFrame = Clock::now();
    uint8_t block[64];
    std::vector<SampleSet> sets;
    sets.reserve(32);
    while (m_acquiring) {
        std::fill(std::begin(block), std::end(block), uint8_t(0));
        // A pulled cable leaves an empty port behind, a dead drive a quiet
        // one: neither may look like a frozen picture.
        if (LinkDeviceGone()) {
            linkLost(QStringLiteral("the serial device is gone (adapter unplugged or cable fault)."));
            return;
        }
        // With no channel on the drive sends nothing: silence is no loss then.
        if (m_setup.channelMask != 0 && Clock::now() - lastFrame > streamTimeout) {
            linkLost(QStringLiteral("no sample frame arrived for %1 s; the drive stopped streaming.")
                         .arg(QString::number(streamTimeout.count() / 1000.0, 'f', 1)));
            return;
        }
        if (LinkBytesAvailable() >= kSampleFrameBytes) {
            uint32_t unread = 0;
            if (LinkReceive(block, &unread, 0)) {
                lastFrame = Clock::now();
                sets.clear();
                {
                    std::lock_guard<std::mutex> g(m_sampleLock);
                    m_buffers.decode(block, m_setup.channelMask, m_setup.isSigned, m_setup.interval,
                                     m_sink ? &sets : nullptr);
                }
                if (m_sink && !sets.empty())
                    m_sink(sets, m_failures.load());
            } else {
                ++m_failures;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void SamplingEngine::displayLoop()
{
    pthread_setname_np(pthread_self(), kDisplayThreadName);
    while (m_acquiring) {
        {
            std::lock_guard<std::mutex> g(m_sampleLock);
            if (m_handover)
                m_handover(m_buffers);
        }
        // Sleep in short steps so that a stop is not kept waiting.
        for (int i = 0; i < 10 && m_acquiring; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool startDriveSampling(int intervalCode, const std::array<int, 4> &choices, const std::function<void(int)> &sleepFor)
{
    const auto sleep = [&](int ms) { waitMs(sleepFor, ms); };
    uint8_t response[4] = {0, 0, 0, 0};
    const uint8_t rate[4] = {0, uint8_t(intervalCode), 0, 0};
    if (!LinkCommand(kCmdSetRate, rate, response)) {
        showMessage(QStringLiteral("Serial port is not open!"), QString(), MessageIcon::Question);
        return false;
    }
    sleep(100);
    const uint8_t channels[4] = {uint8_t(choices[0]), uint8_t(choices[1]), uint8_t(choices[2]), uint8_t(choices[3])};
    if (!LinkCommand(kCmdSetChannels, channels, response)) {
        showMessage(QStringLiteral("Failed to set channe!"), QString(), MessageIcon::Question);
        return false;
    }
    sleep(100);
    const uint8_t none[4] = {0, 0, 0, 0};
    if (!LinkCommand(kCmdStartSampling, none, response)) {
        showMessage(QStringLiteral("Sampling failure!"), QString(), MessageIcon::Question);
        return false;
    }
    return true;
}

void stopDriveSampling()
{
    const uint8_t none[4] = {0, 0, 0, 0};
    uint8_t response[4] = {0, 0, 0, 0};
    LinkCommand(kCmdStopSampling, none, response);
}

} // namespace dr420
