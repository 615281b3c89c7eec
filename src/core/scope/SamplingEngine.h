#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The oscilloscope's acquisition: buffers, decoding of sample blocks, the
// receive and display threads, and the drive commands that start and stop
// the stream.
namespace dr420 {

constexpr int kAcquisitionCapacity = 60480;
constexpr int kAcquisitionShift = 500;
// Names of the worker threads as the system shows them (at most 15 characters).
constexpr const char *kReceiveThreadName = "dr420-receive";
constexpr const char *kDisplayThreadName = "dr420-display";

// One decoded sample of every channel at one time (channels not sampled are 0).
struct SampleSet {
    float time = 0;
    std::array<float, 4> value{};
};

// Time and four channels with one fill count each; when a count reaches the
// capacity the oldest 500 entries go, so the latest samples always fit.
struct AcquisitionBuffers {
    AcquisitionBuffers();
    void reset();
    std::vector<float> time;
    std::array<std::vector<float>, 4> channel;
    std::array<unsigned, 5> counts{}; // time, channel 1..4
    unsigned sampleIndex = 0;         // samples since Run, never reduced

    // Decodes one 64-byte block: sample sets of the masked channels in channel
    // order, 16 bits little-endian each (with three channels the last four
    // bytes are unused; 1, 2 and 4 fill it).
    void decode(const uint8_t *block, unsigned mask, const std::array<bool, 4> &isSigned, float interval,
                std::vector<SampleSet> *sets = nullptr);

private:
    static void append(std::vector<float> &array, unsigned &count, float value);
};

struct SamplingSetup {
    unsigned channelMask = 0;
    float interval = 2;
    std::array<bool, 4> isSigned{};
};

class SamplingEngine
{
public:
    // Called by the display thread ten times a second with the sample lock held.
    using Handover = std::function<void(const AcquisitionBuffers &)>;
    // Called once by the receive thread when the link is lost (`acquiring`
    // is already cleared then); the reason completes "The drive link was
    // lost while sampling: ".
    using LinkLost = std::function<void(const QString &reason)>;
    // Called by the receive thread with every frame's decoded sets, outside
    // the sample lock (trigger, recording, headless capture); `refused` counts
    // the frames the link refused so far.
    using SampleSink = std::function<void(const std::vector<SampleSet> &sets, int refused)>;

    SamplingEngine();
    ~SamplingEngine();

    // Zeroes the buffers, sets `acquiring` and starts both threads.
    void start(const SamplingSetup &setup, Handover handover, LinkLost lost = nullptr);
    // For the runs started after it; may be empty.
    void setSampleSink(SampleSink sink) { m_sink = std::move(sink); }
    // Clears `acquiring` and waits for both threads to end.
    void stopThreads();
    bool isRunning() const { return m_threadsRunning; }
    // This engine's threads loop while it is set; stopThreads() or a lost
    // link clears it. Another engine is not touched: acquiring() is set
    // while any engine acquires.
    bool isAcquiring() const { return m_acquiring.load(); }

    std::mutex &sampleLock() { return m_sampleLock; }
    AcquisitionBuffers &buffers() { return m_buffers; }
    int failures() const { return m_failures.load(); }
    int takeFailures() { return m_failures.exchange(0); }
    // Why the last run ended by itself; empty when it did not.
    QString lostReason() const;
    // How long the stream may stay without a good frame before it counts as
    // stopped: a second plus two frames' worth of sets.
    static int streamTimeoutMs(const SamplingSetup &setup);

private:
    void receiveLoop();
    void displayLoop();
    void linkLost(const QString &reason);
    void endAcquiring();

    SamplingSetup m_setup;
    Handover m_handover;
    LinkLost m_lost;
    SampleSink m_sink;
    mutable std::mutex m_lostLock;
    QString m_lostReason;
    AcquisitionBuffers m_buffers;
    std::mutex m_sampleLock;
    std::atomic<int> m_failures{0};
    std::atomic<bool> m_acquiring{false};
    std::thread m_receive;
    std::thread m_display;
    bool m_threadsRunning = false;
};

// Tells the drive to stream: command 50 (interval code), 49 (the four
// channel choices), 51; the 100 ms waits in between. Each refusal is shown
// with its own message; false then.
bool startDriveSampling(int intervalCode, const std::array<int, 4> &choices,
                        const std::function<void(int)> &sleep = nullptr);
// Command 52; its result does not matter.
void stopDriveSampling();

} // namespace dr420
