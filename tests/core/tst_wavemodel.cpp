#include "TestSupport.h"
#include "wave/WaveFile.h"
#include "wave/WaveModel.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <sys/stat.h>
#include <QtEndian>

#include <clocale>
#include <string>

using namespace dr420;

namespace {
// n samples at `dt` ms, channel c holding c*1000 + i.
void fill(WaveModel &m, int n, float dt = 2.0f, int channels = 4)
{
    std::vector<float> t(static_cast<size_t>(n));
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        t[size_t(i)] = float(i) * dt;
    m.setTimeData(t.data(), unsigned(n));
    for (int c = 1; c <= channels; ++c) {
        for (int i = 0; i < n; ++i)
            v[size_t(i)] = float(c * 1000 + i % 1000);
        m.setChannelData(v.data(), unsigned(n), c, QStringLiteral("V%1").arg(c));
    }
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}
} // namespace

class TestWaveModel : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void moreThanCapacityKeepsTheLast()
    {
        WaveModel m;
        fill(m, 60010);
        QCOMPARE(m.sampleCount(), 60000);
        QCOMPARE(m.times()[0], 20.0f); // samples 10.. kept
        QCOMPARE(m.values(1)[0], float(1000 + 10));
        QCOMPARE(m.dataMask(), 15u);
    }

    void followLatest_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::newRow("count 0 leaves the window") << 0 << 7.0 << 9.0;
        QTest::newRow("count 1 leaves the window") << 1 << 7.0 << 9.0;
        QTest::newRow("ends at the last sample") << 3000 << 5998.0 - 2 * 200 * 10 << 5998.0;
    }
    void followLatest()
    {
        QFETCH(int, count);
        QFETCH(double, start);
        QFETCH(double, end);
        WaveModel m;
        m.setWindow(7, 9);
        fill(m, count);
        m.followLatest();
        QCOMPARE(m.window().start, start);
        QCOMPARE(m.window().end, end);
    }

    void curveStep_data()
    {
        QTest::addColumn<int>("pointsPerDiv");
        QTest::addColumn<int>("step");
        QTest::newRow("400: every second sample") << 400 << 2;
        QTest::newRow("150: every sample") << 150 << 1;
        QTest::newRow("200: every sample") << 200 << 1;
        QTest::newRow("6000") << 6000 << 30;
    }
    void curveStep()
    {
        QFETCH(int, pointsPerDiv);
        QFETCH(int, step);
        WaveModel m;
        m.setPointsPerDiv(pointsPerDiv);
        QCOMPARE(m.curveRange().step, step);
    }

    void scaleRules_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("argument");
        QTest::addColumn<double>("newBottom");
        QTest::addColumn<double>("newTop");
        QTest::newRow("range 10..110 -> 0..100") << "range" << 10.0 << 110.0 << 0.0 << 0.0 << 100.0;
        QTest::newRow("range -50..-10 -> -40..0") << "range" << -50.0 << -10.0 << 0.0 << -40.0 << 0.0;
        QTest::newRow("per division 100 -> 50 halves") << "perdiv" << -400.0 << 400.0 << 50.0 << -200.0 << 200.0;
        QTest::newRow("shift keeps zero inside") << "shift" << -400.0 << 400.0 << 500.0 << 0.0 << 800.0;
        QTest::newRow("shift down") << "shift" << -400.0 << 400.0 << -100.0 << -500.0 << 300.0;
    }
    void scaleRules()
    {
        QFETCH(QString, op);
        QFETCH(double, bottom);
        QFETCH(double, top);
        QFETCH(double, argument);
        QFETCH(double, newBottom);
        QFETCH(double, newTop);
        WaveModel m;
        m.setChannelRange(2, bottom, top);
        m.setChannelPerDiv(2, 100);
        if (op == QLatin1String("perdiv"))
            m.changeChannelPerDiv(argument, 2);
        else if (op == QLatin1String("shift"))
            m.shiftChannel(argument, 2);
        double b = 0, t = 0;
        QVERIFY(m.channelRange(2, &b, &t));
        QCOMPARE(b, newBottom);
        QCOMPARE(t, newTop);
        QVERIFY(!m.channelRange(5, &b, &t)); // channel 5 does not exist
        QCOMPARE(b, 0.0);
    }

    void timeBaseChange_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("newStart");
        QTest::addColumn<double>("newEnd");
        // 2 ms samples; window of 200 points per division = 4000 ms.
        QTest::newRow("narrower keeps the centre") << 5000 << 4000.0 << 8000.0 << 100 << 5000.0 << 7000.0;
        QTest::newRow("wider past the end moves back") << 5000 << 5998.0 << 9998.0 << 300 << 3998.0 << 9998.0;
        QTest::newRow("data shorter than the window") << 1000 << 0.0 << 1998.0 << 400 << 0.0 << 1998.0 + 4000;
    }
    void timeBaseChange()
    {
        QFETCH(int, count);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, points);
        QFETCH(double, newStart);
        QFETCH(double, newEnd);
        WaveModel m;
        fill(m, count);
        m.setWindow(start, end);
        m.changePointsPerDiv(points);
        QCOMPARE(m.pointsPerDiv(), points);
        QCOMPARE(m.window().start, newStart);
        QCOMPARE(m.window().end, newEnd);
    }

    void nearestIndex_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("index");
        QTest::newRow("before the first") << -5.0 << 0;
        QTest::newRow("nearer the lower") << 2.9 << 1;
        QTest::newRow("nearer the upper") << 3.1 << 2;
        QTest::newRow("tie keeps the upper") << 3.0 << 2;
        QTest::newRow("exact") << 4.0 << 2;
        QTest::newRow("after the last") << 1e9 << 9;
    }
    void nearestIndex()
    {
        QFETCH(double, time);
        QFETCH(int, index);
        WaveModel m;
        fill(m, 10);
        QCOMPARE(m.nearestIndex(time), index);
        QCOMPARE(WaveModel().nearestIndex(time), 0);
    }

    void pixelMapping()
    {
        WaveModel m;
        m.setClientSize(QSize(864, 458)); // plot 800 x 400
        fill(m, 2000);
        m.setPointsPerDiv(200);          // 4000 ms across 800 px: 5 ms a pixel
        m.setWindow(1000, 5000);
        m.setChannelRange(1, -100, 300); // 1 unit a pixel
        QCOMPARE(m.msPerPixel(), 5.0);
        QCOMPARE(m.toPixel(1000, 300, 1), QPoint(32, 33));
        QCOMPARE(m.toPixel(1012, 0, 1), QPoint(32 + 2, 33 + 300));
        QCOMPARE(m.toPixel(5000, -100, 1), QPoint(832, 433));
    }

    void cursors()
    {
        WaveModel m;
        m.setClientSize(QSize(864, 458));
        QCOMPARE(m.timeCursorOffset(1), 864 - 76);
        QCOMPARE(m.valueCursorOffset(1), 458 - 70);
        // The first time cursor's handle at offset 12: (32,33) (56,33) (44,53).
        QCOMPARE(m.handleAt(QPoint(44, 40)), 1);
        QCOMPARE(m.handleAt(QPoint(300, 300)), 0);
        QCOMPARE(m.handleAt(QPoint(864 - 40, 12 + 33)), 3);
        m.moveCursor(1, QPoint(-50, 0));
        QCOMPARE(m.timeCursorOffset(0), 0);
        m.moveCursor(1, QPoint(2000, 0));
        QCOMPARE(m.timeCursorOffset(0), 800);
        m.moveCursor(4, QPoint(0, 33));
        QCOMPARE(m.valueCursorOffset(1), 0);
        m.moveCursor(4, QPoint(0, 5000));
        QCOMPARE(m.valueCursorOffset(1), 400);
        m.parentResized(QSize(1000, 500));
        QCOMPARE(m.timeCursorOffset(1), 1000 - 64);
        QCOMPARE(m.valueCursorOffset(1), 500 - 58);
    }

    void zoomInNarrowAndOutAgain()
    {
        WaveModel m;
        m.setClientSize(QSize(864, 458));
        fill(m, 5000);
        m.setWindow(0, 4000);
        m.setChannelRange(1, -400, 400);
        m.setChannelPerDiv(1, 100);
        m.setChannelRange(3, -40, 40);
        m.setChannelPerDiv(3, 10);
        // 20 pixels at 5 ms a pixel: 50 samples of 2 ms would be 5 points a division; 20 px is 50 samples.
        m.zoomIn(QRect(QPoint(132, 133), QPoint(142, 233)));
        QCOMPARE(m.pointsPerDiv(), 5);
        QCOMPARE(m.window().start, 500.0);
        QCOMPARE(m.window().end, 500.0 + 2 * 5 * 10);
        const ChannelScale c1 = m.channelScale(1);
        QCOMPARE(c1.top, 400 - 800.0 * 100 / 400);
        QCOMPARE(c1.bottom, 400 - 800.0 * 200 / 400);
        QCOMPARE(c1.perDiv, 25.0);
        m.zoomIn(QRect(QPoint(32, 33), QPoint(432, 233)));
        m.zoomOut();
        m.zoomOut();
        QCOMPARE(m.window().start, 0.0);
        QCOMPARE(m.pointsPerDiv(), 200);
        // Every channel comes back alike, channel 3 included.
        QCOMPARE(m.channelScale(1).top, 400.0);
        QCOMPARE(m.channelScale(3).top, 40.0);
        QCOMPARE(m.channelScale(3).perDiv, 10.0);
        m.zoomOut(); // nothing left: nothing changes
        QCOMPARE(m.channelScale(1).top, 400.0);
    }

    void dragSteps()
    {
        WaveModel m;
        m.setClientSize(QSize(864, 458));
        fill(m, 5000, 2.0f, 2);
        m.setWindow(1000, 5000); // 5 ms a pixel
        m.dragStep(1, QPoint(100, 0), QPoint(99, 0)); // under one sample of 2 ms? 5 ms: two whole samples
        QCOMPARE(m.window().start, 1004.0);
        m.setPointsPerDiv(20); // 0.5 ms a pixel: one pixel is a quarter sample
        m.dragStep(1, QPoint(100, 0), QPoint(101, 0));
        QCOMPARE(m.window().start, 1002.0); // still exactly one sample
        m.setChannelRange(1, -100, 300);
        m.setChannelRange(2, -400, 400);
        const auto moved = m.dragStep(2, QPoint(0, 100), QPoint(0, 110));
        QCOMPARE(moved, (std::vector<int>{1, 2}));
        QCOMPARE(m.channelScale(1).top, 310.0);
    }

    void readoutNearTheEdges_data()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("box");
        // plot right 832, bottom 433; two channels, text of 17 characters
        QTest::newRow("inside") << QPoint(100, 100) << QRect(QPoint(100, 118), QPoint(230, 144)) << QRect(QPoint(100, 118), QPoint(100 + 119 + 5, 148));
        QTest::newRow("near the right edge opens left") << QPoint(800, 100) << QRect(QPoint(832, 118), QPoint(832, 144)) << QRect(QPoint(832 - 119, 118), QPoint(837, 148));
        QTest::newRow("near the bottom moves up") << QPoint(100, 420) << QRect(QPoint(100, 433 - 26), QPoint(230, 433)) << QRect(QPoint(100, 407), QPoint(224, 437));
    }
    void readoutNearTheEdges()
    {
        QFETCH(QPoint, pointer);
        QFETCH(QRect, rect);
        QFETCH(QRect, box);
        WaveModel m;
        m.setClientSize(QSize(864, 458));
        const QRect r = m.readoutRect(pointer, 2);
        QCOMPARE(r, rect);
        QCOMPARE(WaveModel::readoutBox(r, QStringLiteral("L1:(1234,5678901)\r\nL2:(1,2)\r\n")), box);
    }

    void readoutText()
    {
        WaveModel m;
        fill(m, 10, 2.0f, 2);
        m.setVisibleMask(0b10);
        QCOMPARE(m.readoutText(7.2), QStringLiteral("L2:(8,2004)\r\n"));
    }

    void waveFileBytesAreExact()
    {
        WaveModel m;
        const float t[] = {0, 2.5f};
        const float a[] = {1.25f, -3};
        const float b[] = {100000, 0.00007f};
        m.setTimeData(t, 2);
        m.setChannelData(a, 2, 1, QStringLiteral("Speed"));
        m.setChannelData(b, 2, 2, QStringLiteral("Torque"));
        const QByteArray expected =
            "Channel1=Speed\r\nChannel2=Torque\r\nChannel3=\r\nChannel4=\r\nCount=2\r\n"
            "        Time\t      Channel1\t      Channel2\t      Channel3\t      Channel4\t\r\n"
            "      0.0000\t        1.2500\t   100000.0000\t        0.0000\t        0.0000\t\r\n"
            "      2.5000\t       -3.0000\t        0.0001\t        0.0000\t        0.0000\t\r\n";
        QCOMPARE(waveFileBytes(m), expected);
        const QString one = m_dir.filePath(QStringLiteral("a.wave"));
        const QString two = m_dir.filePath(QStringLiteral("b.wave"));
        QVERIFY(SaveWaveFile(m, one));
        QVERIFY(SaveWaveFile(m, two));
        QCOMPARE(readAll(one), readAll(two));
        QCOMPARE(readAll(one), expected);
    }

    // Data cells are printf's "%12.4f" of the value: ties of the exact
    // binary value go to even, a small negative value keeps its sign.
    void waveCellsArePrintfs_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QByteArray>("cell");
        QTest::newRow("tie down to even") << 0.03125f << QByteArray("      0.0312");
        QTest::newRow("tie up to even") << 0.09375f << QByteArray("      0.0938");
        QTest::newRow("negative tie") << -0.03125f << QByteArray("     -0.0312");
        QTest::newRow("negative zero") << -0.00001f << QByteArray("     -0.0000");
        QTest::newRow("-0.0") << -0.0f << QByteArray("     -0.0000");
        QTest::newRow("float above its text") << 0.1f << QByteArray("      0.1000");
        QTest::newRow("wider than twelve") << 123456789.0f << QByteArray("123456792.0000");
    }
    void waveCellsArePrintfs()
    {
        QFETCH(float, value);
        QFETCH(QByteArray, cell);
        WaveModel m;
        const float t[] = {0};
        m.setTimeData(t, 1);
        m.setChannelData(&value, 1, 1, QStringLiteral("A"));
        const std::string before = setlocale(LC_ALL, nullptr);
        const bool german = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr; // and in a comma locale alike
        const QByteArray bytes = waveFileBytes(m);
        setlocale(LC_ALL, before.c_str());
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines[6], "      0.0000\t  " + cell + "\t        0.0000\t        0.0000\t        0.0000\t\r");
        if (!german)
            qInfo("de_DE.UTF-8 is not installed: checked in the C locale only");
    }

    // Only regular files are read: a FIFO would block, a device never end.
    void wavePipesAndDevicesAreRefused()
    {
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.wave"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &path : {fifo, QStringLiteral("/dev/zero")}) {
            WaveModel m;
            QElapsedTimer t;
            t.start();
            const WaveLoadResult r = LoadWaveFile(m, path);
            QVERIFY(!r.ok);
            QVERIFY2(r.message.contains(QLatin1String("not a regular file")), qPrintable(r.message));
            QVERIFY(t.elapsed() < 1000);
        }
    }

    void waveFilesDoNotDependOnTheLocale()
    {
        WaveModel m;
        const float t[] = {0, 2.5f};
        const float a[] = {1.25f, -3};
        m.setTimeData(t, 2);
        m.setChannelData(a, 2, 1, QStringLiteral("Speed"));
        const QByteArray inC = waveFileBytes(m);
        const QString path = m_dir.filePath(QStringLiteral("c.wave"));
        QVERIFY(SaveWaveFile(m, path));
        const std::string before = setlocale(LC_ALL, nullptr);
        if (!setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP("the de_DE.UTF-8 locale is not installed");
        const QByteArray inGerman = waveFileBytes(m);
        WaveModel back;
        const WaveLoadResult r = LoadWaveFile(back, path);
        setlocale(LC_ALL, before.c_str());
        QCOMPARE(inGerman, inC);
        QVERIFY(r.ok);
        QCOMPARE(back.sampleCount(), 2);
        QCOMPARE(back.values(1)[0], 1.25f);
        QCOMPARE(back.times()[1], 2.5f);
    }

    void waveFileRoundTrip()
    {
        WaveModel m;
        fill(m, 100, 2.0f, 2);
        const QString path = m_dir.filePath(QStringLiteral("round.wave"));
        QVERIFY(SaveWaveFile(m, path));
        WaveModel back;
        const WaveLoadResult r = LoadWaveFile(back, path);
        QVERIFY(r.ok);
        QVERIFY(r.message.isEmpty());
        QCOMPARE(back.sampleCount(), 100);
        QCOMPARE(back.channelName(1), QStringLiteral("V1"));
        QCOMPARE(back.channelName(3), QString()); // named nothing: left empty although its column has numbers
        QCOMPARE(back.dataMask(), 3u);
        QCOMPARE(back.pointsPerDiv(), 10);
        QCOMPARE(back.window().end, 198.0);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(back.values(2)[size_t(i)], m.values(2)[size_t(i)]);
        // LF line ends load alike.
        QByteArray lf = readAll(path);
        lf.replace("\r\n", "\n");
        writeFile(path, lf);
        WaveModel again;
        QCOMPARE(LoadWaveFile(again, path).rows, 100);
    }

    void malformedWaveFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("rows");
        const QByteArray head = "Channel1=A\r\nChannel2=\r\nChannel3=\r\nChannel4=\r\n";
        const QByteArray headings = "Time Channel1 Channel2 Channel3 Channel4\r\n";
        const QByteArray row = "1.0 2.0 3.0 4.0 5.0\r\n";
        QTest::newRow("count larger than the rows") << head + "Count=5\r\n" + headings + row + row << true << 2;
        QTest::newRow("huge count") << head + "Count=2000000000\r\n" + headings + row << true << 1;
        QTest::newRow("truncated row") << head + "Count=2\r\n" + headings + row + "2.0 3.0" << true << 1;
        QTest::newRow("cut inside the last number") << head + "Count=2\r\n" + headings + row + "3.0 1 1 1 -1" << true << 1;
        QTest::newRow("UTF-8 byte order mark") << "\xEF\xBB\xBF" + head + "Count=2\r\n" + headings + row + row << true << 2;
        QTest::newRow("non-numeric token") << head + "Count=3\r\n" + headings + row + "2.0 x 1 1 1\r\n" + row << true << 1;
        QTest::newRow("count 0") << head + "Count=0\r\n" + headings << true << 0;
        QTest::newRow("negative count") << head + "Count=-4\r\n" + headings << false << 0;
        QTest::newRow("no header") << QByteArray("1 2 3 4 5\n") << false << 0;
        static const char binary[] = "\x00\x01\xff\xfe garbage \x7f";
        QTest::newRow("binary") << QByteArray(binary, sizeof binary - 1) << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
    }

    void refusedWaveFilesSayWhy_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray tail = "Channel3=\r\nChannel4=\r\nCount=2\r\nTime Channel1 Channel2 Channel3 Channel4\r\n";
        const QByteArray row = "1.0 2.0 3.0 4.0 5.0\r\n";
        QTest::newRow("1e300") << "Channel1=A\r\nChannel2=\r\n" + tail + row + "2.0 1e300 1 1 1\r\n"
                               << "Row 2 holds 1e300, beyond what a wave file can hold";
        QTest::newRow("3.5e38") << "Channel1=A\r\nChannel2=\r\n" + tail + "1.0 2.0 -3.5e38 4.0 5.0\r\n" + row
                                << "Row 1 holds -3.5e38";
        QTest::newRow("a name with a blank") << "Channel1=A\r\nChannel2=Motor speed\r\n" + tail + row + row
                                             << "The name of channel 2, \"Motor speed\", holds a blank";
    }
    void refusedWaveFilesSayWhy()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(QStringLiteral("refused.wave"));
        writeFile(path, content);
        WaveModel m;
        const float t[] = {0, 2};
        m.setTimeData(t, 2);
        const WaveLoadResult r = LoadWaveFile(m, path);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.startsWith(message), qPrintable(r.message));
        QCOMPARE(m.sampleCount(), 2); // the display keeps what it had
    }

    void longNamesRoundTrip()
    {
        WaveModel m;
        const float t[] = {0, 2};
        const float v[] = {1, 2};
        m.setTimeData(t, 2);
        const QString longest = QString(99, QChar(0x8F6C)); // 99 CJK characters, 297 bytes
        m.setChannelData(v, 2, 1, longest);
        m.setChannelData(v, 2, 2, QString(99, QLatin1Char('x')));
        const QString path = m_dir.filePath(QStringLiteral("names.wave"));
        QVERIFY(SaveWaveFile(m, path));
        WaveModel back;
        QVERIFY(LoadWaveFile(back, path).ok);
        QCOMPARE(back.channelName(1), longest);
        QCOMPARE(back.channelName(2), QString(99, QLatin1Char('x')));
        // What the reader would refuse is not written either.
        m.setChannelData(v, 2, 3, QStringLiteral("two words"));
        QString error;
        QVERIFY(!SaveWaveFile(m, m_dir.filePath(QStringLiteral("blank.wave")), &error));
        QVERIFY(error.contains(QLatin1String("holds a blank")));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("blank.wave"))));
    }
    void malformedWaveFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, ok);
        QFETCH(int, rows);
        const QString path = m_dir.filePath(QStringLiteral("bad.wave"));
        writeFile(path, content);
        WaveModel m;
        m.setWindow(3, 4);
        const WaveLoadResult r = LoadWaveFile(m, path);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.rows, rows);
        QCOMPARE(m.sampleCount(), rows);
        if (!ok || rows < 2)
            QVERIFY(!r.message.isEmpty() || rows == 0);
        if (ok && rows > 0)
            QCOMPARE(m.values(1)[size_t(rows - 1)], 2.0f); // never a value cut short
        if (rows == 0)
            QCOMPARE(m.window().end, ok ? 0.0 : 4.0); // a count-0 file clears, a rejected one changes nothing
    }

    void bitmapLayout()
    {
        // 3 x 2 picture: rows padded to 4 bytes already at 32 bits.
        const uint32_t pixels[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, // top row: red green blue
                                   0xFF102030, 0xFF405060, 0xFF708090};
        const PixelRows picture{pixels, 3, 2, 3};
        const QByteArray bmp = bitmapBytes(picture);
        const auto *p = reinterpret_cast<const uchar *>(bmp.constData());
        QCOMPARE(bmp.size(), 54 + 3 * 4 * 2);
        QCOMPARE(qFromLittleEndian<quint16>(p), quint16(0x4D42));
        QCOMPARE(qFromLittleEndian<quint32>(p + 2), quint32(bmp.size()));
        QCOMPARE(qFromLittleEndian<quint32>(p + 10), 54u);
        QCOMPARE(qFromLittleEndian<quint32>(p + 14), 40u);
        QCOMPARE(qFromLittleEndian<qint32>(p + 18), 3);
        QCOMPARE(qFromLittleEndian<qint32>(p + 22), 2);
        QCOMPARE(qFromLittleEndian<quint16>(p + 28), quint16(32));
        QCOMPARE(qFromLittleEndian<quint32>(p + 30), 0u);
        QCOMPARE(qFromLittleEndian<quint32>(p + 34), 24u);
        // Bottom-up: the first stored row is the picture's bottom row, BGR0.
        QCOMPARE(QByteArray(bmp.constData() + 54, 4), QByteArray("\x30\x20\x10\x00", 4));
        QCOMPARE(QByteArray(bmp.constData() + 54 + 12, 4), QByteArray("\x00\x00\xFF\x00", 4));
        // Another decoder reads the same picture back.
        QImage decoded;
        QVERIFY(decoded.loadFromData(bmp, "BMP"));
        QCOMPARE(decoded.size(), QSize(3, 2));
        QCOMPARE(decoded.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(decoded.pixel(2, 1) & 0xFFFFFF, 0x708090u);
    }

    void bitmapFailuresAreShown()
    {
        test::RecordingDialogs dialogs;
        const uint32_t pixel = 0;
        QVERIFY(!SaveBitmap(PixelRows{&pixel, 1, 1, 1}, m_dir.filePath(QStringLiteral("no/such/dir/x.bmp"))));
        QVERIFY(!SaveBitmap(PixelRows{}, m_dir.filePath(QStringLiteral("x.bmp"))));
        QCOMPARE(dialogs.texts(), (QStringList{"Unable to open the file when saving bitmap",
                                               "Unable to retrieve colour format, width and height of bitmap"}));
        QCOMPARE(dialogs.messages.first().icon, MessageIcon::Error);
    }
};

QTEST_GUILESS_MAIN(TestWaveModel)
#include "tst_wavemodel.moc"
