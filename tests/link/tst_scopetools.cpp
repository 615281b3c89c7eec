#include "DriveSimulator.h"
#include "TestSupport.h"
#include "link/SerialLinkDriver.h"
#include "scope/SamplingState.h"
#include "scope/ScopeTools.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace dr420;

namespace {
// The simulator's waveforms as decoded sets: 1 sine 1000±1000 (1 s), 2 ramp
// 0..2000 (4 s), 3 square 500/1500 (1 s), 4 signed sine ∓1000 (2 s).
std::vector<SampleSet> waveforms(int from, int count, int intervalMs = 2)
{
    std::vector<SampleSet> sets;
    for (int i = from; i < from + count; ++i) {
        SampleSet s;
        s.time = float(i * intervalMs);
        for (int v = 1; v <= 4; ++v)
            s.value[size_t(v - 1)] = v == 4 ? float(int16_t(sim::sampleValue(v, i, intervalMs)))
                                            : float(sim::sampleValue(v, i, intervalMs));
        sets.push_back(s);
    }
    return sets;
}

TriggerSettings settings(TriggerSettings::Mode mode, int channel, bool rising, double level, int pre = 20,
                         int window = 2000)
{
    TriggerSettings t;
    t.mode = mode;
    t.channel = channel;
    t.rising = rising;
    t.level = level;
    t.pretrigger = pre;
    t.window = window;
    return t;
}
} // namespace

class TestScopeTools : public QObject
{
    Q_OBJECT
private slots:
    void triggerCapturesTheWindowAroundTheEdge_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("rising");
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("pre");
        QTest::newRow("sine rising at its mean, 20 %") << 1 << true << 1000.0 << 20;
        QTest::newRow("sine falling at its mean, 20 %") << 1 << false << 1000.0 << 20;
        QTest::newRow("square rising, no pre-trigger") << 3 << true << 1000.0 << 0;
        QTest::newRow("signed sine falling below zero, 90 %") << 4 << false << -500.0 << 90;
    }
    void triggerCapturesTheWindowAroundTheEdge()
    {
        QFETCH(int, channel);
        QFETCH(bool, rising);
        QFETCH(double, level);
        QFETCH(int, pre);
        Trigger trigger(settings(TriggerSettings::Single, channel, rising, level, pre, 1000));
        // Fed in frames of 16 sets, as the receive thread hands them on.
        const std::vector<SampleSet> all = waveforms(0, 8000);
        for (size_t at = 0; at < all.size(); at += 16)
            trigger.feed(std::vector<SampleSet>(all.begin() + qsizetype(at), all.begin() + qsizetype(std::min(at + 16, all.size()))));
        const std::optional<TriggerCapture> c = trigger.take();
        QVERIFY(c);
        QCOMPARE(int(c->sets.size()), 1000);
        QCOMPARE(c->triggerAt, int(std::lround(pre / 100.0 * 1000)));
        const float before = c->triggerAt > 0 ? c->sets[size_t(c->triggerAt - 1)].value[size_t(channel - 1)]
                                              : all[size_t(c->sets[0].time / 2) - 1].value[size_t(channel - 1)];
        const float at = c->sets[size_t(c->triggerAt)].value[size_t(channel - 1)];
        if (rising)
            QVERIFY2(before < level && level <= at, qPrintable(QStringLiteral("%1 %2").arg(before).arg(at)));
        else
            QVERIFY2(before > level && level >= at, qPrintable(QStringLiteral("%1 %2").arg(before).arg(at)));
        // The window is contiguous: 2 ms steps throughout.
        for (size_t i = 1; i < c->sets.size(); ++i)
            QCOMPARE(c->sets[i].time - c->sets[i - 1].time, 2.0f);
        // Single: one capture and no more.
        QCOMPARE(trigger.captures(), 1);
        QVERIFY(!trigger.armed());
        QVERIFY(!trigger.take());
    }

    void normalRearmsAndANeverCrossedLevelCapturesNothing()
    {
        Trigger normal(settings(TriggerSettings::Normal, 1, true, 1000.0, 20, 200));
        normal.feed(waveforms(0, 5000)); // 10 s of a 1 s sine
        QVERIFY(normal.captures() >= 9);
        QVERIFY(normal.armed());
        const std::optional<TriggerCapture> last = normal.take();
        QVERIFY(last);
        // Each capture starts one period after the one before: the trigger sample is at a rising mean crossing.
        const float t = last->triggerTime();
        QCOMPARE(std::fmod(double(t), 1000.0) < 4 || std::fmod(double(t), 1000.0) > 996, true);

        Trigger never(settings(TriggerSettings::Normal, 1, true, 2500.0));
        never.feed(waveforms(0, 5000));
        QCOMPARE(never.captures(), 0);
        QVERIFY(!never.take());
        Trigger off(settings(TriggerSettings::Off, 1, true, 1000.0));
        off.feed(waveforms(0, 5000));
        QCOMPARE(off.captures(), 0);
    }

    void measurementsOfTheKnownWaveforms_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("rms");
        QTest::addColumn<double>("hz");
        // 8 s at 2 ms: whole periods of each.
        QTest::newRow("sine") << 1 << 0.0 << 2000.0 << 1000.0 << std::sqrt(1000.0 * 1000 + 1000.0 * 1000 / 2) << 1.0;
        QTest::newRow("ramp") << 2 << 0.0 << 1999.0 << 999.5 << 1999.0 / std::sqrt(3.0) << 0.25;
        QTest::newRow("square") << 3 << 500.0 << 1500.0 << 1000.0 << std::sqrt((500.0 * 500 + 1500.0 * 1500) / 2) << 1.0;
        QTest::newRow("signed sine") << 4 << -1000.0 << 1000.0 << 0.0 << 1000 / std::sqrt(2.0) << 0.5;
    }
    void measurementsOfTheKnownWaveforms()
    {
        QFETCH(int, channel);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, mean);
        QFETCH(double, rms);
        QFETCH(double, hz);
        const std::vector<SampleSet> sets = waveforms(0, 4000);
        std::vector<float> t, v;
        for (const SampleSet &s : sets) {
            t.push_back(s.time);
            v.push_back(s.value[size_t(channel - 1)]);
        }
        const ChannelMeasurement m = measure(t.data(), v.data(), 0, int(v.size()) - 1);
        const auto near = [](double a, double b, double scale) { return std::abs(a - b) <= 0.01 * scale; };
        const double span = max - min;
        QVERIFY2(near(m.min, min, span) && near(m.max, max, span), qPrintable(QStringLiteral("%1..%2").arg(m.min).arg(m.max)));
        QVERIFY2(near(m.mean, mean, span), qPrintable(QString::number(m.mean)));
        QVERIFY2(near(m.rms, rms, rms), qPrintable(QString::number(m.rms)));
        QVERIFY2(near(m.frequencyHz, hz, hz), qPrintable(QString::number(m.frequencyHz)));
        QCOMPARE(m.peakToPeak, m.max - m.min);
        // A flat line has no frequency.
        const std::vector<float> flat(100, 5.0f);
        QCOMPARE(measure(t.data(), flat.data(), 0, 99).frequencyHz, 0.0);
    }

    void recordingFromTheSimulatorKeepsEverySample()
    {
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        test::RecordingDialogs dialogs;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.csv"));
        Recorder recorder;
        QString error;
        QVERIFY(recorder.open(path, {3, 1}, {QStringLiteral("Square"), QStringLiteral("Sine")}, &error));
        Trigger trigger(settings(TriggerSettings::Single, 1, true, 1000.0, 20, 200));
        QVERIFY(startDriveSampling(1, {1, 0, 3, 0}, [](int) {}));
        SamplingEngine engine;
        engine.setSampleSink([&](const std::vector<SampleSet> &sets, int refused) {
            recorder.feed(sets, refused);
            trigger.feed(sets);
        });
        SamplingSetup setup;
        setup.channelMask = 0b101;
        setup.interval = 2;
        engine.start(setup, [](const AcquisitionBuffers &) {});
        QTRY_VERIFY_WITH_TIMEOUT(engine.buffers().counts[0] > 1500, 10000);
        stopDriveSampling();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        engine.stopThreads();
        recorder.close();
        const unsigned decoded = engine.buffers().sampleIndex;
        QCOMPARE(recorder.rows(), qint64(decoded));
        QVERIFY(trigger.captures() == 1);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("time_ms,Square,Sine"));
        QCOMPARE(lines.size(), int(decoded) + 2); // header, rows, the empty end
        for (unsigned i = 0; i < decoded; ++i)
            QCOMPARE(lines[int(i) + 1], QByteArray::number(2 * i) + ',' + QByteArray::number(sim::sampleValue(3, i, 2)) +
                                            ',' + QByteArray::number(sim::sampleValue(1, i, 2)));
        QCOMPARE(lines[int(decoded) + 1], QByteArray());
        QCOMPARE(QFileInfo(path).size(), recorder.bytes());
        setLinkDriver(nullptr);
    }

    // A disk that fills up mid-recording: the failure and its cause are
    // known, the file ends on its last whole line and holds the rows counted.
    void fullDiskStopsTheRecordingOnAWholeLine_data()
    {
        QTest::addColumn<bool>("device");
        QTest::newRow("small tmpfs") << false;
        QTest::newRow("/dev/full") << true;
    }
    void fullDiskStopsTheRecordingOnAWholeLine()
    {
        QFETCH(bool, device);
        test::SmallFileSystem disk(16);
        if (!device && !disk.ok())
            QSKIP("needs root to mount a small tmpfs");
        const QString path = device ? QStringLiteral("/dev/full") : disk.file(QStringLiteral("run.csv"));
        Recorder recorder;
        QString error;
        const bool opened = recorder.open(path, {1, 2}, {QStringLiteral("A"), QStringLiteral("B")}, &error);
        if (!opened) { // the header alone did not fit
            QCOMPARE(error, QStringLiteral("No space left on device"));
            QVERIFY(device);
            return;
        }
        std::vector<SampleSet> sets(200);
        for (int round = 0; round < 40 && !recorder.failed(); ++round) {
            for (size_t i = 0; i < sets.size(); ++i) {
                sets[i].time = float(round * 200 + int(i)) * 2;
                sets[i].value = {12345.f, -321.f, 0, 0};
            }
            recorder.feed(sets, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(220));
        }
        recorder.close();
        QCOMPARE(recorder.error(), QStringLiteral("No space left on device"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.endsWith('\n'));
        QCOMPARE(qint64(text.count('\n')) - 1, recorder.rows());
        QVERIFY(recorder.rows() > 0 && recorder.rows() < 8000);
    }
};

QTEST_GUILESS_MAIN(TestScopeTools)
#include "tst_scopetools.moc"
