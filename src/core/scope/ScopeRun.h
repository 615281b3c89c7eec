#pragma once

#include "SamplingEngine.h"
#include "ScopeRules.h"

#include <QString>
#include <array>

namespace dr420 {

// What a run samples: the channel list entry of each channel (0: off), their
// signs, the interval as asked for, and the link it runs on.
struct ScopeRunSettings {
    std::array<int, 4> choices{};
    std::array<bool, 4> isSigned{};
    float interval = 2;
    int baud = 115200;
    bool rs485 = false;
};

// One oscilloscope run, as the window's Run and `dr420-cli scope` both make
// it: the checks and their messages (RS485, the interval the drive can take,
// the bandwidth), the drive's set-up commands (50 interval, 49 channels,
// 51 start), the sampling engine, and the stop (52, then the threads).
class ScopeRun
{
public:
    enum class Outcome { Started, Rs485, IntervalTooLong, Bandwidth, DriveRefused };

    // What start() would refuse before any traffic, with the words for the
    // engineer; Started when nothing is refused. `rounded` gets the interval
    // the drive would sample at, once the interval itself is fine.
    static Outcome check(const ScopeRunSettings &settings, QString *message, IntervalSetting *rounded = nullptr);
    static QString rs485Message();
    static QString lostMessage(const QString &reason);

    // The checks (as check()) and the drive's commands. The drive's own
    // refusals say so themselves (through the message service).
    Outcome startDrive(const ScopeRunSettings &settings, QString *message = nullptr, IntervalSetting *rounded = nullptr,
                       const std::function<void(int)> &sleep = nullptr);
    // Then the engine, for what startDrive set up.
    void startEngine(SamplingEngine::Handover handover, SamplingEngine::LinkLost lost = nullptr);
    // Both.
    Outcome start(const ScopeRunSettings &settings, SamplingEngine::Handover handover,
                  SamplingEngine::LinkLost lost = nullptr, QString *message = nullptr);
    // Ends the run: command 52 unless the link was lost, then the threads.
    void stop(const std::function<void(int)> &sleep = nullptr);

    SamplingEngine &engine() { return m_engine; }
    const SamplingSetup &setup() const { return m_setup; }

private:
    SamplingEngine m_engine;
    SamplingSetup m_setup;
};

} // namespace dr420
