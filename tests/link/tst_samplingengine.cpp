#include "DriveSimulator.h"
#include "TestSupport.h"
#include "link/SerialLinkDriver.h"
#include "scope/SamplingEngine.h"
#include "scope/ScopeRun.h"
#include "scope/SamplingState.h"

#include <QTest>
#include <mutex>

using namespace dr420;

class TestSamplingEngine : public QObject
{
    Q_OBJECT
private slots:
    void samplesArriveWithTheirWaveformsThenStop()
    {
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        test::RecordingDialogs dialogs;
        QVERIFY(startDriveSampling(1, {1, 0, 4, 0}, [](int) {}));
        SamplingEngine engine;
        std::atomic<int> handovers{0};
        SamplingSetup setup;
        setup.channelMask = 0b101;
        setup.interval = 2;
        setup.isSigned = {false, false, true, false};
        engine.start(setup, [&](const AcquisitionBuffers &) { ++handovers; });
        QVERIFY(acquiring());
        QTRY_VERIFY_WITH_TIMEOUT(engine.buffers().counts[0] > 200, 5000);
        stopDriveSampling();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        engine.stopThreads();
        QVERIFY(!acquiring());
        QVERIFY(handovers > 0);
        QCOMPARE(engine.takeFailures(), 0);
        const AcquisitionBuffers &b = engine.buffers();
        for (unsigned i = 0; i < b.counts[0]; ++i) {
            QCOMPARE(b.time[i], float(2 * i));
            QCOMPARE(b.channel[0][i], float(sim::sampleValue(1, i, 2)));
            QCOMPARE(b.channel[2][i], float(int16_t(sim::sampleValue(4, i, 2))));
        }
        QVERIFY(dialogs.messages.isEmpty());
        setLinkDriver(nullptr);
    }

    void refusedFramesAreCounted()
    {
        sim::SimOptions o;
        o.corruptEvery = 3;
        sim::DriveSimulator drive(o);
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        QVERIFY(startDriveSampling(1, {1, 2, 3, 4}, [](int) {}));
        SamplingEngine engine;
        engine.start({15u, 2, {}}, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(engine.failures() >= 3, 5000);
        stopDriveSampling();
        engine.stopThreads();
        QVERIFY(engine.takeFailures() >= 3);
        QCOMPARE(engine.failures(), 0);
        setLinkDriver(nullptr);
    }

    void refusalsHaveTheirMessages()
    {
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        link.answers = false;
        QVERIFY(!startDriveSampling(1, {1, 0, 0, 0}, [](int) {}));
        QCOMPARE(dialogs.texts(), QStringList{"Serial port is not open!"});
        QCOMPARE(dialogs.messages.first().icon, MessageIcon::Question);
    }

    void lostLinkEndsSamplingByItself_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("cable pulled") << "unplug" << "the serial device is gone";
        QTest::newRow("stream stops, port stays") << "stream stops" << "no sample frame arrived for 1.0 s";
    }
    void lostLinkEndsSamplingByItself()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        sim::SimOptions o;
        if (fault == QLatin1String("stream stops"))
            o.streamStopsAfterMs = 300;
        sim::DriveSimulator drive(o);
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        QVERIFY(startDriveSampling(1, {1, 2, 3, 4}, [](int) {}));
        SamplingEngine engine;
        std::atomic<int> lost{0};
        QString told;
        std::mutex toldLock;
        engine.start({15u, 2, {}}, nullptr, [&](const QString &why) {
            std::lock_guard<std::mutex> g(toldLock);
            told = why;
            ++lost;
        });
        QTRY_VERIFY_WITH_TIMEOUT(engine.buffers().counts[0] > 100, 5000);
        if (fault == QLatin1String("unplug"))
            drive.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(lost.load(), 1, 3000);
        QVERIFY(!acquiring());
        engine.stopThreads();
        QCOMPARE(lost.load(), 1);
        std::lock_guard<std::mutex> g(toldLock);
        QVERIFY2(told.startsWith(reason), qPrintable(told));
        QCOMPARE(engine.lostReason(), told);
        QVERIFY(engine.buffers().counts[0] > 100); // what came before stays
        setLinkDriver(nullptr);
    }

    void pausesShorterThanTheLimitAreNoLoss()
    {
        // One channel at 30 ms: a frame only every 960 ms, well inside the limit.
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        QVERIFY(startDriveSampling(15, {1, 0, 0, 0}, [](int) {}));
        SamplingEngine engine;
        std::atomic<int> lost{0};
        const SamplingSetup setup{1u, 30, {}};
        QCOMPARE(SamplingEngine::streamTimeoutMs(setup), 1000 + 2 * 32 * 30);
        engine.start(setup, nullptr, [&](const QString &) { ++lost; });
        drive.setSilent(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // a pause
        drive.setSilent(false);
        QTRY_VERIFY_WITH_TIMEOUT(engine.buffers().counts[0] >= 64, 5000);
        QCOMPARE(lost.load(), 0);
        QVERIFY(acquiring());
        stopDriveSampling();
        engine.stopThreads();
        setLinkDriver(nullptr);
    }

    // Run with no channel on: the drive sends nothing, and that is no lost
    // link; a pulled cable still is.
    void noChannelIsNoLostLink()
    {
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        QVERIFY(startDriveSampling(1, {0, 0, 0, 0}, [](int) {}));
        SamplingEngine engine;
        std::atomic<int> lost{0};
        engine.start({0u, 2, {}}, nullptr, [&](const QString &) { ++lost; });
        std::this_thread::sleep_for(std::chrono::milliseconds(1600));
        QCOMPARE(lost.load(), 0);
        QVERIFY(acquiring());
        drive.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(lost.load(), 1, 3000);
        engine.stopThreads();
        setLinkDriver(nullptr);
    }

    // Each engine owns its stop: stopping one leaves the other sampling.
    void twoEnginesStopApart()
    {
        SamplingEngine first;
        SamplingEngine second;
        std::atomic<int> handovers{0};
        first.start({0u, 2, {}}, nullptr);
        second.start({0u, 2, {}}, [&](const AcquisitionBuffers &) { ++handovers; });
        QVERIFY(first.isAcquiring() && second.isAcquiring() && acquiring());
        first.stopThreads();
        QVERIFY(!first.isAcquiring());
        QVERIFY(second.isAcquiring());
        QVERIFY(acquiring()); // one engine still acquires
        const int before = handovers.load();
        QTRY_VERIFY_WITH_TIMEOUT(handovers.load() >= before + 3, 2000); // its display thread goes on
        second.stopThreads();
        QVERIFY(!acquiring());
    }

    // One run as the window and the CLI make it, without a window: the
    // refusals before any traffic, then the drive's commands, samples, stop.
    void scopeRunChecksStartsAndStops_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<int>("baud");
        QTest::addColumn<float>("interval");
        QTest::addColumn<int>("outcome");
        QTest::newRow("four channels at 2 ms") << false << 115200 << 2.0f << int(ScopeRun::Outcome::Started);
        QTest::newRow("RS485") << true << 115200 << 2.0f << int(ScopeRun::Outcome::Rs485);
        QTest::newRow("interval beyond 510 ms") << false << 115200 << 600.0f << int(ScopeRun::Outcome::IntervalTooLong);
        QTest::newRow("bandwidth at 19200") << false << 19200 << 2.0f << int(ScopeRun::Outcome::Bandwidth);
    }
    void scopeRunChecksStartsAndStops()
    {
        QFETCH(bool, rs485);
        QFETCH(int, baud);
        QFETCH(float, interval);
        QFETCH(int, outcome);
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        drive.clearRequests();
        ScopeRunSettings settings;
        settings.choices = {1, 2, 3, 4};
        settings.isSigned = {false, false, false, true};
        settings.interval = interval;
        settings.baud = baud;
        settings.rs485 = rs485;
        ScopeRun run;
        QString message;
        QCOMPARE(int(run.start(settings, nullptr, nullptr, &message)), outcome);
        if (outcome != int(ScopeRun::Outcome::Started)) {
            QVERIFY(!message.isEmpty());
            QVERIFY(drive.requests().isEmpty()); // refused before any traffic
            QVERIFY(!run.engine().isAcquiring());
        } else {
            QVERIFY(message.isEmpty());
            QCOMPARE(drive.countRequests(50) + drive.countRequests(49) + drive.countRequests(51), 3);
            QTRY_VERIFY_WITH_TIMEOUT(run.engine().buffers().counts[4] > 100, 5000);
            run.stop();
            QVERIFY(!run.engine().isAcquiring());
            QCOMPARE(drive.countRequests(52), 1);
            QTRY_VERIFY(!drive.streaming());
        }
        setLinkDriver(nullptr);
    }

    void startAndStopRepeatedly()
    {
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        SamplingEngine engine;
        for (int round = 0; round < 5; ++round) {
            QVERIFY(startDriveSampling(1, {1, 2, 0, 0}, [](int) {}));
            engine.start({3u, 2, {}}, [](const AcquisitionBuffers &) {});
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            stopDriveSampling(); // from this thread while the receiver reads
            engine.stopThreads();
        }
        QVERIFY(engine.buffers().counts[0] > 0);
        setLinkDriver(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestSamplingEngine)
#include "tst_samplingengine.moc"
