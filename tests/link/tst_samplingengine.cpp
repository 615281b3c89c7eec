#include "DriveSimulator.h"
#include "TestSupport.h"
#include "link/SerialLinkDriver.h"
#include "scope/SamplingEngine.h"
#include "scope/SamplingState.h"

#include <QTest>

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
