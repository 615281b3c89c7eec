#include "ScopeRun.h"

#include "common/Wait.h"

namespace dr420 {

QString ScopeRun::rs485Message()
{
    return QStringLiteral("RS485 interface does not support oscilloscope function!");
}

QString ScopeRun::lostMessage(const QString &reason)
{
    return QStringLiteral("The drive link was lost while sampling: %1").arg(reason);
}

ScopeRun::Outcome ScopeRun::check(const ScopeRunSettings &settings, QString *message, IntervalSetting *rounded)
{
    const auto refuse = [&](Outcome outcome, const QString &text) {
        if (message)
            *message = text;
        return outcome;
    };
    if (settings.rs485)
        return refuse(Outcome::Rs485, rs485Message());
    const std::optional<IntervalSetting> r = roundInterval(settings.interval);
    if (!r) {
        // The drive's interval code is one byte: 2 ms steps up to 510 ms.
        return refuse(Outcome::IntervalTooLong,
                      QStringLiteral("The drive cannot sample slower than every %1 ms: choose an interval of "
                                     "%1 ms or less.")
                          .arg(kMaxIntervalMs));
    }
    if (rounded)
        *rounded = *r;
    const Bandwidth bw = checkBandwidth(settings.baud, r->interval, channelCount(channelMask(settings.choices)));
    if (!bw.fits)
        return refuse(Outcome::Bandwidth, bandwidthMessage(settings.baud, r->interval, bw.maxChannels));
    return Outcome::Started;
}

ScopeRun::Outcome ScopeRun::startDrive(const ScopeRunSettings &settings, QString *message, IntervalSetting *rounded,
                                       const std::function<void(int)> &sleep)
{
    IntervalSetting r{};
    const Outcome checked = check(settings, message, &r);
    if (rounded && checked != Outcome::IntervalTooLong)
        *rounded = r;
    if (checked != Outcome::Started)
        return checked;
    if (!startDriveSampling(r.code, settings.choices, sleep))
        return Outcome::DriveRefused;
    m_setup = SamplingSetup{};
    m_setup.channelMask = channelMask(settings.choices);
    m_setup.interval = r.interval;
    m_setup.isSigned = settings.isSigned;
    return Outcome::Started;
}

void ScopeRun::startEngine(SamplingEngine::Handover handover, SamplingEngine::LinkLost lost)
{
    m_engine.start(m_setup, std::move(handover), std::move(lost));
}

ScopeRun::Outcome ScopeRun::start(const ScopeRunSettings &settings, SamplingEngine::Handover handover,
                                  SamplingEngine::LinkLost lost, QString *message)
{
    const Outcome outcome = startDrive(settings, message);
    if (outcome == Outcome::Started)
        startEngine(std::move(handover), std::move(lost));
    return outcome;
}

void ScopeRun::stop(const std::function<void(int)> &sleep)
{
    if (m_engine.lostReason().isEmpty())
        stopDriveSampling();
    waitMs(sleep, 10); // the drive's last frames arrive meanwhile
    m_engine.stopThreads();
}

} // namespace dr420
