#include "DriveSimulator.h"
#include "TestSupport.h"
#include "common/PositionalIni.h"
#include "controls/ColourPicker.h"
#include "controls/SpinButtons.h"
#include "controls/XTipComboBox.h"
#include "link/SerialLinkDriver.h"
#include "scope/SamplingState.h"
#include "scope/WaveFrame.h"
#include "scope/ScopeTools.h"
#include "scope/ScopeToolsPane.h"
#include "scope/WaveView.h"
#include "shell/MainFrame.h"
#include "shell/MdiClient.h"
#include "shell/Splash.h"
#include "wave/WaveWnd.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QImage>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>

using namespace dr420;

namespace {
const char *kChannelSet = "No Name Sign\n"
                          "0 (Null) 0\n"
                          "1 Sine 0\n"
                          "2 Ramp 0\n"
                          "3 Square 0\n"
                          "4 Signed 1\n";

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The oscilloscope's files in a scratch program directory.
struct ScopeFiles {
    test::ScratchProgramDir dir;
    explicit ScopeFiles(const QByteArray &channels = kChannelSet, const QByteArray &settings = QByteArray())
    {
        if (!channels.isNull())
            writeFile(dir.file(QStringLiteral("channel.set")), channels);
        if (!settings.isNull())
            writeFile(dir.file(QStringLiteral("wavesettings.ini")), settings);
    }
    QString settingsPath() const { return dir.file(QStringLiteral("wavesettings.ini")); }
};

// A simulated drive on a pseudo-terminal with our link open on it at 115200.
struct LiveDrive {
    sim::DriveSimulator drive;
    SerialLinkDriver link;
    explicit LiveDrive(sim::SimOptions o = {})
        : drive(o)
    {
    }
    bool open()
    {
        if (!drive.start())
            return false;
        setLinkDriver(&link);
        LinkSettings().baudRate = 115200;
        LinkSettings().rs485 = false;
        return link.openDevice(drive.slavePath(), 115200, 0);
    }
    ~LiveDrive()
    {
        setLinkDriver(nullptr);
    }
};

void choose(CWaveView &view, const std::array<int, 4> &choices)
{
    for (int k = 1; k <= 4; ++k)
        view.channel(k).curve->setCurrentIndex(choices[size_t(k - 1)]);
}

QStringList commandCodes(const test::ScriptedLink &link)
{
    QStringList codes;
    for (const auto &c : link.calls())
        if (c.op == QLatin1String("command"))
            codes << QString::number(c.a);
    return codes;
}
} // namespace

class TestWaveView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        test::isolateUserFolders();
        CSplash::allow(false);
    }

    void init()
    {
        LinkSettings().baudRate = 115200;
        LinkSettings().rs485 = false;
        samplingActive() = false;
    }

    // --- the panel and its files ------------------------------------------------------

    void panelComesFromTheFiles()
    {
        ScopeFiles files(kChannelSet, "[A]\nchannel1=255\nchannel2=65280\nchannel3=16711680\nchannel4=0\nback=8421504\n"
                                      "[B]\nchannel1=4\nchannel2=0\nchannel3=9\nchannel4=2\n"
                                      "[C]\nchannel1=500.000000\nchannel2=20.000000\nchannel3=1.000000\n"
                                      "channel4=30000.000000\nx=300\n"
                                      "[D]\nchannel1=-1.000000\nchannel2=-3.000000\nchannel3=-7.000000\n"
                                      "channel4=-1.000000\n[E]\ninterval=6\n[F]\nwidth=3\n");
        CWaveView view;
        QCOMPARE(view.channel(1).curve->count(), 5);
        QCOMPARE(view.channel(1).curve->itemText(4), QStringLiteral("4: Signed"));
        QCOMPARE(view.channel(1).curve->currentIndex(), 4);
        QCOMPARE(view.channel(2).curve->currentIndex(), 0);
        QCOMPARE(view.channel(3).curve->currentIndex(), -1); // beyond the list: no selection, off at Run
        QCOMPARE(view.channel(4).curve->currentText(), QStringLiteral("2: Ramp"));
        QCOMPARE(view.channel(1).colour->colour(), QColor(255, 0, 0));
        QCOMPARE(view.channel(3).colour->colour(), QColor(0, 0, 255));
        QCOMPARE(view.wave()->channelColour(2), QColor(0, 255, 0));
        QCOMPARE(view.wave()->plotBackColour(), QColor(128, 128, 128));
        QCOMPARE(view.channel(1).perDiv->text(), QStringLiteral("500"));
        QCOMPARE(view.channel(1).shift->text(), QStringLiteral("100"));
        QCOMPARE(view.channel(4).shift->text(), QStringLiteral("6000"));
        QCOMPARE(view.sampling().points->text(), QStringLiteral("300"));
        QCOMPARE(view.sampling().interval->text(), QStringLiteral("6"));
        QCOMPARE(view.sampling().width->currentIndex(), 2);
        QCOMPARE(view.wave()->lineWidth(), 3);
        // The display takes the scale: 500 per division with the zero line in the middle.
        double bottom = 0, top = 0;
        view.wave()->model().channelRange(1, &bottom, &top);
        QCOMPARE(bottom, -2000.0);
        QCOMPARE(top, 2000.0);
    }

    void settingsAreCreatedWhenMissingAndSavedOnClose()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        {
            CWaveView view;
            QVERIFY(QFile::exists(files.settingsPath()));
            QCOMPARE(PositionalIni(files.settingsPath()).sectionCount(), 6);
            QCOMPARE(view.channel(1).perDiv->text(), QStringLiteral("1000"));
            choose(view, {2, 3, 0, 1});
            QTest::mouseClick(view.channel(2).plus, Qt::LeftButton);
            QTest::mouseClick(view.sampling().minus, Qt::LeftButton);
            view.sampling().width->setCurrentIndex(4);
            view.channel(3).colour->setColour(QColor(1, 2, 3));
        }
        const PositionalIni ini(files.settingsPath());
        QCOMPARE(ini.intValue(1, QStringLiteral("channel1"), -1), 2);
        QCOMPARE(ini.intValue(1, QStringLiteral("channel4"), -1), 1);
        QCOMPARE(ini.value(2, QStringLiteral("channel2")), QStringLiteral("2000.000000"));
        QCOMPARE(ini.intValue(2, QStringLiteral("x"), -1), 300);
        QCOMPARE(ini.value(3, QStringLiteral("channel1")), QStringLiteral("-7.000000"));
        QCOMPARE(ini.intValue(0, QStringLiteral("channel3"), -1), 0x030201);
        QCOMPARE(ini.intValue(5, QStringLiteral("width"), -1), 5);
        // And the next view starts where this one ended.
        CWaveView again;
        QCOMPARE(again.channel(1).curve->currentIndex(), 2);
        QCOMPARE(again.channel(2).perDiv->text(), QStringLiteral("2000"));
        QCOMPARE(again.sampling().points->text(), QStringLiteral("300"));
        QCOMPARE(again.channel(3).colour->colour(), QColor(1, 2, 3));
    }

    void missingChannelListLeavesEmptyChoices()
    {
        ScopeFiles files{QByteArray(), QByteArray()};
        CWaveView view;
        QCOMPARE(view.channel(1).curve->count(), 0);
        QVERIFY(view.channelList().empty());
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        view.run(); // every channel off: the drive is still told, nothing breaks
        QCOMPARE(commandCodes(link), (QStringList{"50", "49", "51"}));
        view.stop();
    }

    void stepButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("per division + from 14 (nearest 10)") << "perDivPlus1" << "perDiv1" << "14" << "20";
        QTest::newRow("per division + at the top") << "perDivPlus1" << "perDiv1" << "30000" << "30000";
        QTest::newRow("per division - at the bottom") << "perDivMinus1" << "perDiv1" << "1" << "1";
        QTest::newRow("per division -") << "perDivMinus1" << "perDiv1" << "1000" << "900";
        QTest::newRow("points + from 7") << "pointsPlus" << "points" << "7" << "5";
        QTest::newRow("points - at 6000") << "pointsMinus" << "points" << "6000" << "6000";
        QTest::newRow("points - from 6") << "pointsMinus" << "points" << "6" << "10";
    }

    void stepButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QByteArray value = before.toLatin1();
        ScopeFiles files(kChannelSet, "[1]\n[2]\n[3]\nchannel1=" + value + "\nchannel2=1000\nchannel3=1000\n"
                                      "channel4=1000\nx=" + value + "\n[4]\nchannel1=-7\n[5]\n[6]\n");
        CWaveView view;
        QTest::mouseClick(view.findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(view.findChild<QLineEdit *>(field)->text(), after);
        if (field == QLatin1String("perDiv1")) {
            QCOMPARE(view.channel(1).shift->text(), QString::asprintf("%.0f", after.toDouble() / 5));
            QCOMPARE(view.wave()->model().channelPerDiv(1), after.toDouble());
        }
    }

    void shiftSpinMovesTheCurveAndTheZeroLine()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        double bottom = 0, top = 0;
        view.wave()->model().channelRange(2, &bottom, &top);
        QCOMPARE(view.fields().ratio[1], -3.0);
        view.channel(2).shift->setText(QStringLiteral("1000"));
        // Up moves the curve up: the range moves down by one step.
        QTest::mouseClick(view.channel(2).shiftSpin->upButton(), Qt::LeftButton);
        double b2 = 0, t2 = 0;
        view.wave()->model().channelRange(2, &b2, &t2);
        QCOMPARE(b2, bottom - 1000);
        QCOMPARE(t2, top - 1000);
        QCOMPARE(view.fields().ratio[1], (top - 1000) / (bottom - 1000));
    }

    void intervalSpinStepsByTwo()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        view.sampling().interval->setText(QStringLiteral("3"));
        QTest::mouseClick(view.sampling().intervalSpin->upButton(), Qt::LeftButton);
        QCOMPARE(view.sampling().interval->text(), QStringLiteral("5"));
        view.sampling().interval->setText(QStringLiteral("1"));
        QTest::mouseClick(view.sampling().intervalSpin->downButton(), Qt::LeftButton);
        QCOMPARE(view.sampling().interval->text(), QStringLiteral("2")); // <= 0 becomes 2
    }

    void panelSpreadsWithTheWidth()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        view.resize(1300, 700); // wider than the panel is designed for
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto xs = [&view] {
            QList<int> x;
            for (int k = 1; k <= 4; ++k)
                x << view.channel(k).group->x();
            x << view.sampling().group->x();
            return x;
        };
        const QList<int> before = xs();
        const int panelTop = view.panel()->y();
        view.resize(1700, 800);
        QTRY_COMPARE(view.width(), 1700);
        const QList<int> after = xs();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(after[i] - before[i], i * 100); // quarters of the 400 pixels gained
        QCOMPARE(view.panel()->y(), panelTop + 100);        // the panel keeps its height at the bottom
        QCOMPARE(view.wave()->width(), 1700 - 8);
        QVERIFY(view.wave()->geometry().bottom() < view.panel()->y());
    }

    // --- Run's checks --------------------------------------------------------------------

    void runRefusals_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("RS485") << true << 115200 << "2" << "RS485 interface does not support oscilloscope function!"
                               << "";
        QTest::newRow("bandwidth, not even one channel")
            << false << 9600 << "2"
            << "On baud rate is 9600bps, sampling interval is 2 milliseconds, you can only select 0 channels at most!"
            << "";
        QTest::newRow("bandwidth at 19200")
            << false << 19200 << "4"
            << "On baud rate is 19200bps, sampling interval is 4 milliseconds, you can only select 3 channels at most!"
            << "";
        QTest::newRow("interval below range") << false << 115200 << "1" << "Please enter a number between 2 and 2000."
                                              << "interval";
        QTest::newRow("interval not a number") << false << 115200 << "x" << "Please enter a number." << "interval";
        QTest::newRow("interval beyond the code byte")
            << false << 115200 << "600"
            << "The drive cannot sample slower than every 510 ms: choose an interval of 510 ms or less." << "interval";
    }

    void runRefusals()
    {
        QFETCH(bool, rs485);
        QFETCH(int, baud);
        QFETCH(QString, interval);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        choose(view, {1, 2, 3, 4});
        view.sampling().interval->setText(interval);
        LinkSettings().rs485 = rs485;
        LinkSettings().baudRate = baud;
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        view.run();
        QCOMPARE(dialogs.texts(), QStringList{message});
        QCOMPARE(dialogs.messages.first().caption, QString());
        QVERIFY(commandCodes(link).isEmpty());
        QVERIFY(!view.isRunning());
        QVERIFY(!samplingActive());
        if (!focus.isEmpty())
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }

    void runRoundsTheIntervalAndSendsTheChoices()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        choose(view, {0, 3, 0, 4});
        view.sampling().interval->setText(QStringLiteral("5"));
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        QSignalSpy titles(&view, &CWaveView::titleChanged);
        view.run();
        QVERIFY(view.isRunning());
        QVERIFY(samplingActive());
        QCOMPARE(view.sampling().interval->text(), QStringLiteral("4"));
        QVERIFY(!view.sampling().interval->isEnabled());
        QVERIFY(!view.channel(2).curve->isEnabled());
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles.first().first().toString(), QStringLiteral("Oscilloscope"));
        const auto calls = link.calls();
        QCOMPARE(commandCodes(link), (QStringList{"50", "49", "51"}));
        QCOMPARE(calls[0].data, (std::vector<uint8_t>{0, 2, 0, 0}));
        QCOMPARE(calls[1].data, (std::vector<uint8_t>{0, 3, 0, 4}));
        view.run(); // already running: nothing more
        QCOMPARE(commandCodes(link).size(), 3);
        view.stop();
        QVERIFY(!view.isRunning());
        QVERIFY(!samplingActive());
        QVERIFY(view.sampling().interval->isEnabled());
        QCOMPARE(commandCodes(link).last(), QStringLiteral("52"));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void refusedCommandsStartNothing()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        choose(view, {1, 0, 0, 0});
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        link.answers = false;
        view.run();
        QCOMPARE(dialogs.texts(), QStringList{"Serial port is not open!"});
        QVERIFY(!view.isRunning());
        QVERIFY(!samplingActive());
        QVERIFY(view.channel(1).curve->isEnabled());
    }

    // --- with the simulated drive --------------------------------------------------------

    void liveCurvesThenStopWithTheFailureCount()
    {
        ScopeFiles files;
        sim::SimOptions o;
        o.corruptEvery = 7;
        LiveDrive live(o);
        QVERIFY(live.open());
        CWaveView view;
        choose(view, {1, 2, 3, 4});
        test::RecordingDialogs dialogs;
        view.run();
        QVERIFY(view.isRunning());
        QVERIFY(live.drive.streaming());
        QTRY_VERIFY_WITH_TIMEOUT(view.wave()->model().sampleCount() > 300, 5000);
        view.stop();
        QTRY_VERIFY(!live.drive.streaming());
        QVERIFY(!samplingActive());
        // The refused frames are counted and shown alone, then forgotten.
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.toInt() > 0);
        QCOMPARE(dialogs.messages.first().icon, MessageIcon::None);
        view.stop();
        QCOMPARE(dialogs.messages.size(), 1);

        // The display holds what the drive sent: each variable's waveform, with its sign.
        const WaveModel &m = view.wave()->model();
        QCOMPARE(m.dataMask(), 15u);
        QCOMPARE(m.channelName(4), QStringLiteral("Signed"));
        const int n = m.sampleCount();
        QVERIFY(n > 300);
        // Refused frames leave gaps in the drive's count but not in ours: match by
        // the value run rather than the index, one whole frame (8 sets) at a time.
        const float t0 = m.times()[0];
        QCOMPARE(t0, 0.0f);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(m.values(1)[size_t(i)], float(sim::sampleValue(1, i, 2)));
            QCOMPARE(m.values(2)[size_t(i)], float(sim::sampleValue(2, i, 2)));
            QCOMPARE(m.values(3)[size_t(i)], float(sim::sampleValue(3, i, 2)));
            QCOMPARE(m.values(4)[size_t(i)], float(int16_t(sim::sampleValue(4, i, 2))));
            QCOMPARE(m.times()[size_t(i)], float(2 * i));
        }
        bool negative = false;
        for (int i = 0; i < n; ++i)
            negative |= m.values(4)[size_t(i)] < 0;
        QVERIFY(negative);
        // The picture stays after Stop.
        QTest::qWait(250);
        QCOMPARE(view.wave()->model().sampleCount(), n);
    }

    void closeComPortWhileSampling()
    {
        ScopeFiles files;
        LiveDrive live;
        QVERIFY(live.open());
        CWaveView view;
        choose(view, {1, 0, 0, 0});
        test::RecordingDialogs dialogs;
        view.run();
        QTRY_VERIFY_WITH_TIMEOUT(view.wave()->model().sampleCount() > 0, 5000);
        // What Close COM Port does: the threads go on polling a closed link.
        LinkClose();
        samplingActive() = false;
        QTest::qWait(100);
        QVERIFY(view.isRunning());
        view.stop();
        QVERIFY(!view.isRunning());
        QVERIFY(dialogs.messages.isEmpty());
    }

    void lostLinkStopsSamplingAndSaysSo_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("cable pulled") << "unplug";
        QTest::newRow("stream stops") << "stream stops";
    }
    void lostLinkStopsSamplingAndSaysSo()
    {
        QFETCH(QString, fault);
        ScopeFiles files;
        sim::SimOptions o;
        if (fault == QLatin1String("stream stops"))
            o.streamStopsAfterMs = 400;
        LiveDrive live(o);
        QVERIFY(live.open());
        test::RecordingDialogs dialogs; // no parameter database here
        CMainFrame main;
        main.show();
        main.setConnected(true);
        main.openOscilloscope();
        auto *frame = qobject_cast<CWaveFrame *>(main.oscilloscope()->widget());
        QVERIFY(frame);
        CWaveView &view = *frame->view();
        choose(view, {1, 2, 3, 4});
        dialogs.messages.clear();
        view.run();
        QVERIFY(view.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(view.wave()->model().sampleCount() > 100, 5000);
        if (fault == QLatin1String("unplug"))
            live.drive.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!view.isRunning(), 4000);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.startsWith(QLatin1String("The drive link was lost while sampling: ")),
                 qPrintable(dialogs.messages.first().text));
        QVERIFY(!samplingActive());
        QVERIFY(!main.isConnected());
        QCOMPARE(main.windowTitle().left(28), QStringLiteral("DR420 Monitor(No Connection)"));
        QVERIFY(view.channel(1).curve->isEnabled());
        QVERIFY(view.sampling().interval->isEnabled());
        // The picture stays and can be saved.
        const int n = view.wave()->model().sampleCount();
        QVERIFY(n > 100);
        QTest::qWait(300);
        QCOMPARE(dialogs.messages.size(), 1); // once
        QCOMPARE(view.wave()->model().sampleCount(), n);
        const QString wave = files.dir.file(QStringLiteral("lost.wave"));
        dialogs.fileAnswers = {wave};
        view.saveTrace();
        QVERIFY(QFileInfo(wave).size() > 1000);
        // Run again finds the port closed and says so like any refused start.
        view.run();
        QVERIFY(!view.isRunning());
    }

    void closingTheViewWhileSampling()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        LiveDrive live;
        QVERIFY(live.open());
        for (int round = 0; round < 3; ++round) {
            auto view = std::make_unique<CWaveView>();
            choose(*view, {1, 2, 0, 4});
            test::RecordingDialogs dialogs;
            view->run();
            QVERIFY(view->isRunning());
            QTRY_VERIFY_WITH_TIMEOUT(view->wave()->model().sampleCount() > 0, 5000);
            live.drive.clearRequests();
            QFile::remove(files.settingsPath());
            view.reset();
            QVERIFY(!acquiring());
            QVERIFY(!samplingActive());
            QTRY_COMPARE(live.drive.countRequests(52), 1); // sent without waiting for the answer
            QTRY_VERIFY(!live.drive.streaming());
            QCOMPARE(PositionalIni(files.settingsPath()).intValue(1, QStringLiteral("channel4"), -1), 4);
            QCoreApplication::processEvents(); // a hand-over asked for before the end finds nobody
        }
    }

    // --- files -------------------------------------------------------------------------------

    void saveAndOpenTraces()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        const QString wave = files.dir.file(QStringLiteral("trace.wave"));
        const QString bitmap = files.dir.file(QStringLiteral("trace.bmp"));
        {
            CWaveView view;
            view.resize(1200, 700);
            {
                WaveModel &m = view.wave()->model();
                std::vector<float> t(100), v(100);
                for (int i = 0; i < 100; ++i) {
                    t[size_t(i)] = float(4 * i);
                    v[size_t(i)] = float(i * 10);
                }
                m.setTimeData(t.data(), 100);
                m.followLatest();
                m.setChannelData(v.data(), 100, 2, QStringLiteral("Ramp"));
                m.setChannelData(v.data(), 100, 3, QStringLiteral("NotInTheList"));
            }
            dialogs.fileAnswers = {wave, bitmap, files.dir.file(QStringLiteral("trace.txt"))};
            view.saveTrace();
            view.saveTrace();
            view.saveTrace();
            QCOMPARE(dialogs.fileRequests.first().title, QStringLiteral("Save"));
            QCOMPARE(dialogs.fileRequests.first().defaultExtension, QStringLiteral("wave"));
            QCOMPARE(dialogs.fileRequests.first().filter,
                     QStringLiteral("Wave Files(*.wave)|*.wave|Bitmap Files(*.bmp)|*.bmp|All Files(*.*)|*.*||"));
            QVERIFY(QFile::exists(wave));
            QVERIFY(QFile::exists(bitmap));
            QVERIFY(!QFile::exists(files.dir.file(QStringLiteral("trace.txt"))));
            QCOMPARE(dialogs.messages.size(), 1); // the third name: nothing saved, and said so
        }
        dialogs.messages.clear();
        dialogs.fileRequests.clear();
        CWaveView view;
        QSignalSpy titles(&view, &CWaveView::titleChanged);
        dialogs.fileAnswers = {files.dir.file(QStringLiteral("trace.WAVE")), wave};
        view.openTrace(); // the extension must be ".wave" exactly
        QCOMPARE(titles.size(), 0);
        QCOMPARE(dialogs.messages.size(), 1);
        view.openTrace();
        QCOMPARE(dialogs.fileRequests.first().title, QStringLiteral("Open File"));
        QCOMPARE(dialogs.fileRequests.first().filter, QStringLiteral("Wave Files(*.wave)|*.wave|All Files(*.*)|*.*||"));
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles.first().first().toString(), wave);
        const WaveModel &m = view.wave()->model();
        QCOMPARE(m.sampleCount(), 100);
        QCOMPARE(view.sampling().interval->text(), QStringLiteral("4"));
        QCOMPARE(view.channel(2).curve->currentText(), QStringLiteral("2: Ramp"));
        QCOMPARE(view.channel(3).curve->currentIndex(), 0); // not in the list: the off entry
        QCOMPARE(m.channelName(3), QStringLiteral("NotInTheList"));
        double bottom = 0, top = 0;
        m.channelRange(2, &bottom, &top); // the panel's scale applied to the loaded data
        QCOMPARE(bottom, -2000.0);
        QCOMPARE(top, 6000.0);
    }

    void shortTracesKeepThePanelInRange_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("interval");
        QTest::newRow("one row") << 1 << "5" << "2";
        QTest::newRow("three rows") << 3 << "5" << "4";
        QTest::newRow("49 rows") << 49 << "5" << "4";
        QTest::newRow("100 rows") << 100 << "10" << "4";
    }
    void shortTracesKeepThePanelInRange()
    {
        QFETCH(int, rows);
        QFETCH(QString, points);
        QFETCH(QString, interval);
        ScopeFiles files(kChannelSet, QByteArray());
        test::ScriptedLink link;
        test::RecordingDialogs dialogs;
        QByteArray wave = "Channel1=Ramp\r\nChannel2=\r\nChannel3=\r\nChannel4=\r\nCount=" + QByteArray::number(rows) +
                          "\r\nTime Channel1 Channel2 Channel3 Channel4\r\n";
        for (int i = 0; i < rows; ++i)
            wave += QByteArray::number(4 * i) + " 1 0 0 0\r\n";
        const QString path = files.dir.file(QStringLiteral("short.wave"));
        writeFile(path, wave);
        CWaveView view;
        dialogs.fileAnswers = {path};
        view.openTrace();
        QCOMPARE(view.sampling().points->text(), points);
        QCOMPARE(view.sampling().interval->text(), interval);
        // Nothing the panel holds is refused now.
        emit view.channel(1).shiftSpin->stepped(1);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('|'))));
    }

    // --- trigger, measurements, export, recording ------------------------------------------

    void singleTriggerHoldsItsCaptureAndStops()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        LiveDrive live;
        QVERIFY(live.open());
        CWaveFrame frame;
        CWaveView &view = *frame.view();
        choose(view, {1, 3, 0, 0}); // sine, square
        CTriggerPane *pane = frame.triggerPane();
        pane->mode()->setCurrentIndex(TriggerSettings::Single);
        pane->source()->setCurrentIndex(0);
        pane->level()->setValue(1000);
        pane->pretrigger()->setValue(20);
        QCOMPARE(view.triggerSettings().mode, TriggerSettings::Single);
        test::RecordingDialogs dialogs;
        view.run();
        QVERIFY(view.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!view.isRunning(), 10000); // Single ends the run after its capture
        QTRY_VERIFY(!live.drive.streaming());
        QCOMPARE(view.capturesShown(), 1);
        const WaveModel &m = view.wave()->model();
        QCOMPARE(m.sampleCount(), 2000); // 200 points a division, ten divisions
        QVERIFY(view.wave()->triggerMark());
        QCOMPARE(*view.wave()->triggerMark(), double(m.times()[400]));
        QVERIFY(m.values(1)[399] < 1000 && 1000 <= m.values(1)[400]);
        QVERIFY(pane->state()->text().startsWith(QLatin1String("Capture 1 shown, triggered at")));
        QVERIFY(dialogs.messages.isEmpty());

        // The capture is a trace like any other: measurements and CSV of it.
        view.updateMeasurements();
        const ChannelMeasurement sine = view.measurements()[0];
        QCOMPARE(sine.samples, 2000);
        QVERIFY2(qAbs(sine.mean - 1000) < 10 && qAbs(sine.frequencyHz - 1.0) < 0.01,
                 qPrintable(QStringLiteral("%1 %2").arg(sine.mean).arg(sine.frequencyHz)));
        QCOMPARE(view.measurements()[2].samples, 0); // channel 3 not drawn
        QTemporaryDir dir;
        QVERIFY(view.exportCsv(dir.filePath(QStringLiteral("capture.csv")), false));
        QFile f(dir.filePath(QStringLiteral("capture.csv")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("time_ms,Sine,Square"));
        QCOMPARE(lines.size(), 2002);
        QVERIFY(view.exportPng(dir.filePath(QStringLiteral("capture.png"))));
        QCOMPARE(QImage(dir.filePath(QStringLiteral("capture.png"))).size(), view.wave()->size());
    }

    void normalTriggerRearmsAndALevelNeverCrossedShowsNothing()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        LiveDrive live;
        QVERIFY(live.open());
        CWaveView view;
        choose(view, {1, 0, 0, 0});
        TriggerSettings t;
        t.mode = TriggerSettings::Normal;
        t.channel = 1;
        t.rising = false;
        t.level = 1000;
        t.pretrigger = 50;
        view.setTriggerSettings(t);
        view.sampling().points->setText(QStringLiteral("20")); // 200 samples a capture: several a second
        test::RecordingDialogs dialogs;
        view.run();
        QTRY_VERIFY_WITH_TIMEOUT(view.capturesShown() >= 2, 10000);
        QVERIFY(view.isRunning()); // Normal goes on
        const WaveModel &m = view.wave()->model();
        QCOMPARE(m.sampleCount(), 200);
        QVERIFY(m.values(1)[99] > 1000 && 1000 >= m.values(1)[100]);
        view.stop();

        t.level = 5000;
        view.setTriggerSettings(t);
        view.run();
        QTest::qWait(1500);
        QCOMPARE(view.capturesShown(), 0);
        QVERIFY(!view.wave()->triggerMark());
        view.stop();
    }

    void recordingKeepsEverySampleOfTheRun()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        LiveDrive live;
        QVERIFY(live.open());
        CWaveFrame frame;
        CWaveView &view = *frame.view();
        choose(view, {3, 0, 1, 0}); // square in 1, sine in 3
        test::RecordingDialogs dialogs;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long run.csv"));
        frame.action("actionRecord")->trigger(); // not running: refused with a word
        QVERIFY(!view.recorder().isOpen());
        QVERIFY(!frame.action("actionRecord")->isChecked());
        QCOMPARE(dialogs.messages.size(), 1);
        view.run();
        dialogs.fileAnswers = {path};
        frame.action("actionRecord")->trigger();
        QVERIFY(view.recorder().isOpen());
        QVERIFY(frame.action("actionRecord")->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(view.recorder().rows() > 600, 10000);
        QTRY_VERIFY(frame.triggerPane()->recording()->text().contains(QLatin1String("rows")));
        view.stop(); // the recording ends with the run
        QVERIFY(!view.recorder().isOpen());
        QVERIFY(!frame.action("actionRecord")->isChecked());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("time_ms,Square,Sine"));
        QCOMPARE(qint64(lines.size()) - 2, view.recorder().rows()); // header, rows, the empty end
        QVERIFY(!lines[lines.size() - 2].startsWith("#"));
        // Rows follow one another at the interval, from where the recording began.
        const double first = lines[1].split(',')[0].toDouble();
        for (int i = 1; i + 1 < lines.size(); ++i)
            QCOMPARE(lines[i].split(',')[0].toDouble(), first + 2 * (i - 1));
    }

    // A disk that fills up: Record stops with the cause, the run goes on.
    void recordingOntoAFullDiskStopsWithItsCause()
    {
        test::SmallFileSystem disk(16);
        if (!disk.ok())
            QSKIP("needs root to mount a small tmpfs");
        ScopeFiles files(kChannelSet, QByteArray());
        LiveDrive live;
        QVERIFY(live.open());
        CWaveFrame frame;
        CWaveView &view = *frame.view();
        choose(view, {1, 2, 3, 4});
        test::RecordingDialogs dialogs;
        view.run();
        dialogs.fileAnswers = {disk.file(QStringLiteral("run.csv"))};
        frame.action("actionRecord")->trigger();
        QVERIFY(view.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(!view.isRecording(), 20000);
        QVERIFY(!frame.action("actionRecord")->isChecked());
        QVERIFY(view.isRunning());
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.startsWith(QLatin1String("The recording is incomplete: No space left on device after ")),
                 qPrintable(dialogs.messages.first().text));
        QVERIFY(frame.triggerPane()->recording()->text().contains(QLatin1String("incomplete")));
        view.stop();
    }

    // --- frame: tool bar, menu, full screen ------------------------------------------------

    void toolBarButtonsAndTheirPressedStates()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveFrame frame;
        QToolBar *bar = frame.toolBar();
        QCOMPARE(bar->windowTitle(), QStringLiteral("Wave Bar"));
        QStringList order;
        for (QAction *a : bar->actions())
            order << (a->isSeparator() ? QStringLiteral("|") : a->objectName().mid(6));
        QCOMPARE(order, (QStringList{"OpenWave", "SaveWave", "|", "Run", "Stop", "|", "TimeCursors", "ValueCursor1",
                                     "ValueCursor2", "ValueCursor3", "ValueCursor4", "|", "OriginalSize", "Coordinates",
                                     "FullScreen", "VerticalDrag", "HorizontalDrag", "Prohibit", "ZoomIn", "ZoomOut",
                                     "Background", "|", "Trigger", "Measurements", "Export", "Record"}));
        QCOMPARE(frame.action("actionRun")->toolTip(), QStringLiteral("Run"));
        QCOMPARE(frame.action("actionRun")->statusTip(), QStringLiteral("Run the oscilloscope"));
        QCOMPARE(frame.action("actionStop")->toolTip(), QStringLiteral("Over"));
        for (QAction *a : bar->actions())
            if (!a->isSeparator())
                QCOMPARE(qobject_cast<QToolButton *>(bar->widgetForAction(a))->size(), QSize(25, 22));

        const auto pressed = [&frame] {
            QStringList on;
            for (const char *n : {"actionHorizontalDrag", "actionVerticalDrag", "actionProhibit", "actionZoomIn",
                                  "actionZoomOut", "actionValueCursor1", "actionValueCursor2", "actionTimeCursors"})
                if (frame.action(QLatin1String(n))->isChecked())
                    on << QLatin1String(n).mid(6);
            return on;
        };
        QCOMPARE(pressed(), QStringList{"Prohibit"});
        frame.action("actionZoomIn")->trigger();
        QCOMPARE(pressed(), QStringList{"ZoomIn"});
        QCOMPARE(frame.view()->wave()->zoomMode(), 2);
        frame.action("actionHorizontalDrag")->trigger(); // the zoom button stays as it is
        QCOMPARE(frame.view()->wave()->dragMode(), 1);
        QCOMPARE(frame.view()->wave()->zoomMode(), 2);
        QCOMPARE(pressed(), (QStringList{"HorizontalDrag", "ZoomIn"}));
        frame.action("actionVerticalDrag")->trigger();
        QCOMPARE(frame.view()->wave()->dragMode(), 2);
        QCOMPARE(pressed(), (QStringList{"VerticalDrag", "ZoomIn"}));
        frame.action("actionZoomOut")->trigger();
        QCOMPARE(pressed(), QStringList{"ZoomOut"});
        QCOMPARE(frame.view()->wave()->dragMode(), 0);
        frame.action("actionProhibit")->trigger();
        QCOMPARE(pressed(), QStringList{"Prohibit"});
        QCOMPARE(frame.view()->wave()->zoomMode(), 0);
        frame.action("actionValueCursor2")->trigger();
        frame.action("actionValueCursor1")->trigger();
        frame.action("actionTimeCursors")->trigger();
        QCOMPARE(pressed(), (QStringList{"Prohibit", "ValueCursor1", "TimeCursors"}));
        frame.action("actionValueCursor1")->trigger();
        QCOMPARE(frame.view()->wave()->model().valueCursorChannel(), 0);
        QVERIFY(frame.action("actionStop")->isChecked());
        QVERIFY(!frame.action("actionRun")->isChecked());

        test::RecordingDialogs dialogs;
        dialogs.colourAnswers = {QColor(10, 20, 30)};
        frame.action("actionBackground")->trigger();
        QCOMPARE(frame.view()->wave()->plotBackColour(), QColor(10, 20, 30));
        QCOMPARE(frame.view()->fields().back, 0x1E140Au);
    }

    void rightClickMenu()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.wave(), Qt::RightButton, {}, QPoint(300, 200));
        QMenu *menu = view.contextMenu();
        QVERIFY(menu);
        QStringList texts;
        for (QAction *a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
        QCOMPARE(texts, (QStringList{"打开文件(*.wave)", "保存文件(*.wave|*.bmp)", "启动(&Run)", "停止(&Stop)", "|",
                                     "显示/隐藏通道1", "显示/隐藏通道2", "显示/隐藏通道3", "显示/隐藏通道4"}));
        menu->actions().at(7)->trigger(); // channel 3
        QCOMPARE(view.wave()->model().visibleMask(), 0b1011u);
        menu->close();
    }

    void fullScreenAndEscapeBack()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        test::ScriptedLink link;
        test::RecordingDialogs dialogs; // no parameter database here
        CMainFrame main;
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.openOscilloscope();
        QMdiSubWindow *sub = main.oscilloscope();
        QVERIFY(sub);
        auto *frame = qobject_cast<CWaveFrame *>(sub->widget());
        QVERIFY(frame);
        main.openOscilloscope(); // once only
        QCOMPARE(main.mdiClient()->subWindowList().size(), 1);
        const QRect before = sub->geometry();
        frame->action("actionFullScreen")->trigger();
        QVERIFY(main.isFullScreenMode());
        QVERIFY(frame->isFullScreen());
        QVERIFY(!frame->toolBar()->isVisible());
        QVERIFY(!frame->view()->panel()->isVisible());
        QVERIFY(sub->windowFlags() & Qt::FramelessWindowHint);
        QTRY_COMPARE(sub->size(), main.mdiClient()->viewport()->size());
        QCOMPARE(frame->view()->wave()->size(), frame->view()->size());
        QTest::keyClick(frame->view()->wave(), Qt::Key_Escape);
        QVERIFY(!frame->isFullScreen());
        QVERIFY(!main.isFullScreenMode());
        QVERIFY(frame->toolBar()->isVisible());
        QVERIFY(frame->view()->panel()->isVisible());
        QVERIFY(!(sub->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(sub->geometry(), before);
        sub->close();
        QTRY_VERIFY(!main.oscilloscope());
    }

    // --- colour picker -------------------------------------------------------------------

    void colourPickerKeys_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("left wraps within row 2") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Left}
                                                 << 2 << 7;
        QTest::newRow("down from the last row to the custom button")
            << QList<int>{Qt::Key_Up, Qt::Key_Down} << -2 << -2;
        QTest::newRow("up from row 0 to the custom button") << QList<int>{Qt::Key_Right, Qt::Key_Up} << -2 << -2;
        QTest::newRow("right wraps to column 0")
            << QList<int>{Qt::Key_Left, Qt::Key_Right} << 4 << 0;
    }

    void colourPickerKeys()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, row);
        QFETCH(int, column);
        CColourPicker picker;
        picker.setColour(QColor(1, 2, 3)); // not in the palette: no cell to start from
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton);
        QPointer<CColourPopup> popup = picker.popup();
        QVERIFY(popup);
        QVERIFY(picker.isActive());
        for (int key : keys)
            QTest::keyClick(popup, Qt::Key(key));
        QCOMPARE(popup->currentCell(), (PaletteCell{row, column}));
        QTest::keyClick(popup, Qt::Key_Escape);
        QTRY_VERIFY(!popup);
    }

    void colourPickerOkCancelAndOtherColours()
    {
        CColourPicker picker;
        const QColor initial(1, 2, 3);
        picker.setColour(initial);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QSignalSpy chosen(&picker, &CColourPicker::colourChosen);
        test::RecordingDialogs dialogs;

        // Escape after moving over several cells: the colour is the initial one, nobody is told.
        QTest::mouseClick(&picker, Qt::LeftButton);
        for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
            QTest::keyClick(picker.popup(), Qt::Key(key));
        QCOMPARE(picker.popup()->currentCell(), (PaletteCell{1, 1}));
        QCOMPARE(picker.colour(), initial); // nothing is taken before OK
        QTest::keyClick(picker.popup(), Qt::Key_Escape);
        QCOMPARE(picker.colour(), initial);
        QCOMPARE(chosen.size(), 0);
        QVERIFY(!picker.isActive());

        // Enter on a cell: that colour, and the parent is told.
        QTest::mouseClick(&picker, Qt::LeftButton);
        QTest::keyClick(picker.popup(), Qt::Key_Right); // (0,0) black
        QTest::keyClick(picker.popup(), Qt::Key_Right); // (0,1) brown
        QTest::keyClick(picker.popup(), Qt::Key_Return);
        QCOMPARE(picker.colour(), QColor(165, 42, 0));
        QCOMPARE(chosen.size(), 1);

        // "Other colors…": the colour dialog, started from the initial colour.
        dialogs.colourAnswers = {QColor(7, 8, 9)};
        QTest::mouseClick(&picker, Qt::LeftButton);
        QVERIFY(picker.popup()->currentCell().isNone()); // not on its own cell: keys start from none
        QTest::keyClick(picker.popup(), Qt::Key_Right); // (0,0)
        QTest::keyClick(picker.popup(), Qt::Key_Up);
        QVERIFY(picker.popup()->currentCell().isCustom());
        QTest::keyClick(picker.popup(), Qt::Key_Return);
        QCOMPARE(dialogs.colourRequests, 1);
        QCOMPARE(picker.colour(), QColor(7, 8, 9));
        QCOMPARE(chosen.size(), 2);

        // ... and cancelled there: nothing changes.
        QTest::mouseClick(&picker, Qt::LeftButton);
        QTest::keyClick(picker.popup(), Qt::Key_Down);
        QTest::keyClick(picker.popup(), Qt::Key_Up); // row 0 -> custom
        QTest::keyClick(picker.popup(), Qt::Key_Return);
        QCOMPARE(dialogs.colourRequests, 2);
        QCOMPARE(picker.colour(), QColor(7, 8, 9));
        QCOMPARE(chosen.size(), 2);
    }

    void colourPickerWithTheMouse()
    {
        CColourPicker picker;
        picker.setColour(QColor(1, 2, 3));
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QSignalSpy chosen(&picker, &CColourPicker::colourChosen);
        test::RecordingDialogs dialogs;
        QTest::mouseClick(&picker, Qt::LeftButton);
        CColourPopup *popup = picker.popup();
        // The custom row sits at (margin, margin); the cells follow it directly.
        const QRect custom = popup->cellRect(kCustomCell);
        QCOMPARE(custom.topLeft(), QPoint(custom.left(), custom.left()));
        QCOMPARE(popup->cellRect({0, 0}).topLeft(), QPoint(custom.left(), custom.bottom() + 1));
        QCOMPARE(popup->cellRect({4, 7}).bottomRight(),
                 QPoint(popup->width() - 1 - custom.left(), popup->height() - 1 - 2 * custom.left()));
        const QPoint red = popup->cellRect({2, 0}).center(); // 16: red
        QTest::mouseMove(popup, red);
        QCOMPARE(popup->currentCell(), (PaletteCell{2, 0}));
        QCOMPARE(picker.colour(), QColor(1, 2, 3)); // hovering takes nothing
        QTest::mouseRelease(popup, Qt::LeftButton, {}, red);
        QCOMPARE(picker.colour(), QColor(255, 0, 0));
        QCOMPARE(chosen.size(), 1);
        // A release outside the palette cancels.
        QTest::mouseClick(&picker, Qt::LeftButton);
        popup = picker.popup();
        QTest::mouseMove(popup, popup->cellRect({0, 0}).center());
        QTest::mouseRelease(popup, Qt::LeftButton, {}, QPoint(-20, -20));
        QCOMPARE(picker.colour(), QColor(255, 0, 0));
        QCOMPARE(chosen.size(), 1);
        QVERIFY(!picker.isActive());
    }

    void colourChoiceReachesTheDisplay()
    {
        ScopeFiles files(kChannelSet, QByteArray());
        CWaveView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        CColourPicker *picker = view.channel(3).colour;
        QTest::mouseClick(picker, Qt::LeftButton);
        // The popup starts on no cell even though blue (1,5) is in the palette: Right goes to (0,0).
        QVERIFY(picker->popup()->currentCell().isNone());
        QTest::keyClick(picker->popup(), Qt::Key_Right);
        QTest::keyClick(picker->popup(), Qt::Key_Down); // (1,0): dark red
        QTest::keyClick(picker->popup(), Qt::Key_Return);
        QCOMPARE(picker->colour(), QColor(139, 0, 0));
        QCOMPARE(view.wave()->channelColour(3), QColor(139, 0, 0));
    }
};

QTEST_MAIN(TestWaveView)
#include "tst_waveview.moc"
