#include "common/PositionalIni.h"
#include "scope/ColourPalette.h"
#include "scope/SamplingEngine.h"
#include "scope/ScopeRules.h"
#include "scope/WaveSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include <cmath>

using namespace dr420;

class TestScopeRules : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void nearestTableValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("nearest");
        QTest::newRow("14 -> 10 (midpoint 15)") << 14.0 << 10.0;
        QTest::newRow("15 -> 20 (midpoint goes up)") << 15.0 << 20.0;
        QTest::newRow("0.5 -> 1") << 0.5 << 1.0;
        QTest::newRow("above the table -> 30000") << 99999.0 << 30000.0;
        QTest::newRow("exact") << 700.0 << 700.0;
    }
    void nearestTableValue()
    {
        QFETCH(double, value);
        QFETCH(double, nearest);
        QCOMPARE(perDivisionTable()[size_t(nearestIndex(value))], nearest);
        QCOMPARE(perDivisionTable().size(), size_t(39));
    }

    void perDivisionAndTimeBaseSteps()
    {
        QCOMPARE(perDivisionPlus(30000), 30000.0);
        QCOMPARE(perDivisionPlus(14), 20.0);
        QVERIFY(!perDivisionMinus(1).has_value());
        QCOMPARE(perDivisionMinus(1000).value(), 900.0);
        QCOMPARE(pointsPlus(7).value(), 5);
        QCOMPARE(pointsPlus(200).value(), 100);
        QVERIFY(!pointsPlus(5).has_value());
        QVERIFY(!pointsMinus(6000).has_value());
        QCOMPARE(pointsMinus(6).value(), 10);
        QCOMPARE(pointsMinus(200).value(), 300);
    }

    void zeroLineRatios_data()
    {
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("ratio");
        QTest::newRow("-2..6") << -2.0 << 6.0 << -3.0;
        QTest::newRow("bottom 0") << 0.0 << 6.0 << -3.0;
        QTest::newRow("2..6 positive") << 2.0 << 6.0 << -7.0;
        QTest::newRow("-100..700") << -100.0 << 700.0 << -7.0;
        QTest::newRow("zero line on the top edge") << -8000.0 << -0.0 << 0.0;
    }
    void zeroLineRatios()
    {
        QFETCH(double, bottom);
        QFETCH(double, top);
        QFETCH(double, ratio);
        QCOMPARE(zeroLineRatio(bottom, top), ratio);
        QVERIFY(!std::signbit(zeroLineRatio(bottom, top)) || ratio != 0);
        if (ratio == 0) {
            // And the range comes back from it.
            double b = 0, t = 1;
            rangeFromRatio(1000, zeroLineRatio(bottom, top), &b, &t);
            QCOMPARE(b, -8000.0);
            QCOMPARE(t + 0.0, 0.0);
        }
    }

    void rangeFromTheDefaults()
    {
        double b = 0, t = 0;
        rangeFromRatio(1000, -7, &b, &t);
        QCOMPARE(b, -1000.0); // zero one division above the bottom
        QCOMPARE(t, 7000.0);
        rangeFromRatio(1000, -1, &b, &t);
        QCOMPARE(b, -4000.0);
        QCOMPARE(t, 4000.0);
    }

    void intervalRounding_data()
    {
        QTest::addColumn<float>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<float>("interval");
        QTest::addColumn<int>("code");
        QTest::newRow("5 -> 4, code 2") << 5.0f << true << 4.0f << 2;
        QTest::newRow("2") << 2.0f << true << 2.0f << 1;
        QTest::newRow("510 is the most a byte carries") << 510.9f << true << 510.0f << 255;
        QTest::newRow("512 cannot be told to the drive") << 512.0f << false << 0.0f << 0;
    }
    void intervalRounding()
    {
        QFETCH(float, typed);
        QFETCH(bool, accepted);
        QFETCH(float, interval);
        QFETCH(int, code);
        const auto r = roundInterval(typed);
        QCOMPARE(r.has_value(), accepted);
        if (r) {
            QCOMPARE(r->interval, interval);
            QCOMPARE(r->code, code);
        }
    }

    void bandwidthTable()
    {
        // Smallest accepted interval by baud rate and channel count.
        const int bauds[] = {4800, 9600, 19200, 38400, 57600, 115200};
        const int smallest[6][4] = {{6, 10, 14, 18}, {4, 6, 8, 10}, {2, 4, 4, 6}, {2, 2, 2, 4}, {2, 2, 2, 2}, {2, 2, 2, 2}};
        for (int b = 0; b < 6; ++b) {
            for (int n = 1; n <= 4; ++n) {
                const int limit = smallest[b][n - 1];
                QVERIFY2(checkBandwidth(bauds[b], float(limit), n).fits, qPrintable(QStringLiteral("%1 %2").arg(bauds[b]).arg(n)));
                if (limit > 2)
                    QVERIFY(!checkBandwidth(bauds[b], float(limit - 2), n).fits);
            }
        }
        QVERIFY(checkBandwidth(9600, 2, 0).fits); // no channel: passes
        const Bandwidth slow = checkBandwidth(19200, 2, 2);
        QVERIFY(!slow.fits);
        QCOMPARE(slow.maxChannels, 1);
        QCOMPARE(bandwidthMessage(19200, 2, slow.maxChannels),
                 QStringLiteral("On baud rate is 19200bps, sampling interval is 2 milliseconds, you can only select 1 channels at most!"));
        QCOMPARE(checkBandwidth(9600, 2, 1).maxChannels, 0);
        QCOMPARE(channelMask({0, 0, 3, 0}), 4u);
        QCOMPARE(channelCount(channelMask({1, 0, 3, 2})), 3);
    }

    void decoding_data()
    {
        QTest::addColumn<unsigned>("mask");
        QTest::addColumn<int>("sets");
        QTest::newRow("only channel 3: 32 sets") << 4u << 32;
        QTest::newRow("three channels: 10 sets, 4 bytes unused") << 7u << 10;
        QTest::newRow("four channels: 8 sets") << 15u << 8;
        QTest::newRow("none") << 0u << 0;
    }
    void decoding()
    {
        QFETCH(unsigned, mask);
        QFETCH(int, sets);
        AcquisitionBuffers b;
        uint8_t block[64];
        for (int i = 0; i < 64; ++i)
            block[i] = uint8_t(i);
        b.decode(block, mask, {false, false, false, false}, 2);
        QCOMPARE(int(b.counts[0]), sets);
        QCOMPARE(int(b.sampleIndex), sets);
        if (mask == 4u) {
            QCOMPARE(b.channel[2][1], float(2 | (3 << 8)));
            QCOMPARE(int(b.counts[1]), 0);
            QCOMPARE(b.time[31], 62.0f);
        }
        if (mask == 7u)
            QCOMPARE(b.channel[2][9], float(58 | (59 << 8))); // bytes 60..63 ignored
    }

    void signedAndUnsigned()
    {
        AcquisitionBuffers b;
        uint8_t block[64];
        std::fill(std::begin(block), std::end(block), uint8_t(0xFF));
        b.decode(block, 3u, {true, false, false, false}, 2);
        QCOMPARE(b.channel[0][0], -1.0f);
        QCOMPARE(b.channel[1][0], 65535.0f);
    }

    void shiftRuleKeepsTheLatest()
    {
        AcquisitionBuffers b;
        uint8_t block[64] = {};
        // One channel: 32 samples a block; 60480 samples need 1890 blocks.
        for (int i = 0; i < 1890; ++i)
            b.decode(block, 1u, {}, 2);
        QCOMPARE(int(b.sampleIndex), 60480);
        QCOMPARE(int(b.counts[0]), 59980);
        QCOMPARE(int(b.counts[1]), 59980);
        QCOMPARE(b.time[0], 500.0f * 2);
    }

    void channelListFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("channel.set"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("No Name Sign\r\n0 (Null) 0\r\n1 V1 0\r\n2\tV2\t1\r\n\r\n\r\n");
        f.close();
        std::vector<ChannelEntry> list;
        QVERIFY(loadChannelList(path, &list));
        QCOMPARE(channelChoices(list), (QStringList{"0: (Null)", "1: V1", "2: V2"}));
        QVERIFY(isSignedChoice(list, 2));
        QVERIFY(!isSignedChoice(list, 1));
        QVERIFY(!isSignedChoice(list, 3));
        QCOMPARE(channelIndexOfName(list, QStringLiteral("V2")), 2);
        QCOMPARE(channelIndexOfName(list, QStringLiteral("nope")), -1);
        QCOMPARE(choiceName(QStringLiteral("2: V2")), QStringLiteral("V2"));
        QVERIFY(!loadChannelList(m_dir.filePath(QStringLiteral("missing.set")), &list));
        QVERIFY(list.empty());

        // A list from an old installation in GBK: "转速" (speed).
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("No Name Sign\r\n0 (Null) 0\r\n1 \xD7\xAA\xCB\xD9 0\r\n");
        f.close();
        QVERIFY(loadChannelList(path, &list));
        QCOMPARE(channelChoices(list), (QStringList{"0: (Null)", QString::fromUtf8("1: 转速")}));

        // Lines short of a token keep their place (a channel is its position),
        // with the documented defaults and a note each; a name given twice is
        // its first entry, for the variable and the sign alike.
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("No Name Sign\n0 (Null) 0\n1 V1\n2 V2 1\n3\n\n4 V2 0\n5 V5 1\n");
        f.close();
        QStringList notes;
        QVERIFY(loadChannelList(path, &list, &notes));
        QCOMPARE(channelChoices(list), (QStringList{"0: (Null)", "1: V1", "2: V2", "3: line5", "4: V2", "5: V5"}));
        QCOMPARE(notes.size(), 2);
        QVERIFY2(notes[0].startsWith(QLatin1String("channel.set line 3:")), qPrintable(notes[0]));
        QVERIFY(notes[1].startsWith(QLatin1String("channel.set line 5:")));
        QVERIFY(!isSignedChoice(list, 1));
        QCOMPARE(channelIndexOfName(list, QStringLiteral("V2")), 2);
        QVERIFY(isSignedChoice(list, 2));
        QVERIFY(isSignedChoice(list, 5));

        // Only a regular file is read: a FIFO would block.
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.set"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!loadChannelList(fifo, &list));
        QVERIFY(list.empty());
    }

    void paletteKeys_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("toRow");
        QTest::addColumn<int>("toColumn");
        const int Up = int(PaletteKey::Up), Down = int(PaletteKey::Down), Left = int(PaletteKey::Left),
                  Right = int(PaletteKey::Right);
        QTest::newRow("down from none") << -1 << -1 << Down << 0 << 0;
        QTest::newRow("down a row") << 1 << 3 << Down << 2 << 3;
        QTest::newRow("down from the last row: custom") << 4 << 5 << Down << -2 << -2;
        QTest::newRow("up from none") << -1 << -1 << Up << 4 << 0;
        QTest::newRow("up from row 0: custom") << 0 << 6 << Up << -2 << -2;
        QTest::newRow("up a row") << 3 << 1 << Up << 2 << 1;
        QTest::newRow("right from none") << -1 << -1 << Right << 0 << 0;
        QTest::newRow("right wraps in the row") << 2 << 7 << Right << 2 << 0;
        QTest::newRow("left from none") << -1 << -1 << Left << 4 << 7;
        QTest::newRow("left on column 0 of row 2") << 2 << 0 << Left << 2 << 7;
        QTest::newRow("down from custom") << -2 << -2 << Down << 0 << 0;
    }
    void paletteKeys()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(int, toRow);
        QFETCH(int, toColumn);
        const PaletteCell to = movePaletteCell({row, column}, PaletteKey(key));
        QCOMPARE(to.row, toRow);
        QCOMPARE(to.column, toColumn);
    }

    void paletteTable()
    {
        const auto &p = colourPalette();
        QCOMPARE(p.size(), size_t(kPaletteRows * kPaletteColumns));
        QCOMPARE(QString::fromUtf8(p[0].name), QStringLiteral("黑色"));
        QCOMPARE(p[16].red, 255);
        QCOMPARE(QString::fromUtf8(p[39].name), QStringLiteral("白色"));
        QCOMPARE(PaletteCell({2, 3}).index(), 19);
    }

    void waveSettingsRoundTripAndDefaults()
    {
        const QString path = m_dir.filePath(QStringLiteral("wavesettings.ini"));
        WaveSettings fresh = WaveSettings::load(path); // missing: created with defaults
        QCOMPARE(PositionalIni(path).sectionCount(), 6);
        QCOMPARE(fresh.perDiv[0], 1000.0);
        QCOMPARE(fresh.ratio[3], -1.0);
        WaveSettings s;
        s.colours = {1, 2, 3, 4};
        s.back = 0x123456;
        s.choices = {1, 0, 5, 2};
        s.perDiv = {20, 500, 30000, 1};
        s.pointsPerDiv = 1500;
        s.ratio = {-7, -3, -1.5, -1};
        s.interval = 10;
        s.width = 3;
        QVERIFY(s.save(path));
        const WaveSettings back = WaveSettings::load(path);
        QCOMPARE(back.colours, s.colours);
        QCOMPARE(back.back, s.back);
        QCOMPARE(back.choices, s.choices);
        QCOMPARE(back.perDiv, s.perDiv);
        QCOMPARE(back.pointsPerDiv, 1500);
        QCOMPARE(back.ratio, s.ratio);
        QCOMPARE(back.interval, 10.0);
        QCOMPARE(back.width, 3);
        QVERIFY(QFile(path).open(QIODevice::ReadOnly));
        QFile saved(path);
        saved.open(QIODevice::ReadOnly);
        const QByteArray text = saved.readAll();
        QVERIFY(text.contains("channel1=20.000000"));
        QVERIFY(text.contains("interval=10"));
    }
};

QTEST_GUILESS_MAIN(TestScopeRules)
#include "tst_scoperules.moc"
