// On a real X server with a window manager (scripts/test.sh starts Xvfb and
// openbox for the tests labelled "x11"): keys come from xdotool and the
// pointer is moved by the server, so focus, Enter/Leave and shortcuts take
// the paths a user's do.
#include "TestSupport.h"
#include "controls/ColourPicker.h"
#include "controls/XTipComboBox.h"
#include "scope/WaveFrame.h"
#include "scope/WaveView.h"
#include "wave/WaveWnd.h"
#include "shell/MainFrame.h"
#include "shell/MdiClient.h"
#include "shell/Splash.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiSubWindow>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QToolBar>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <memory>

using namespace dr420;

namespace {
bool xdotool(const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    const bool ok = p.waitForFinished(10000) && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return ok;
}

QString activeWindowName()
{
    QString name;
    xdotool({"getactivewindow", "getwindowname"}, &name);
    return name;
}

QWidget *visibleTip()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits("dr420::CXTipPopup") && w->isVisible())
            return w;
    return nullptr;
}
} // namespace

class TestRealDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the xcb platform on an X server (scripts/test.sh runs these under Xvfb)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed");
        test::isolateUserFolders();
        CSplash::allow(false);
    }

    void ctrlEThenCtrlWThroughTheServer()
    {
        test::LogWatch ambiguous(QStringLiteral("Ambiguous shortcut"));
        test::RecordingDialogs dialogs; // no parameter database here
        CMainFrame frame;
        frame.resize(1200, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        const QString window = QString::number(frame.winId());
        QVERIFY(xdotool({"key", "--window", window, "--clearmodifiers", "ctrl+e"}));
        QTRY_VERIFY_WITH_TIMEOUT(frame.parameterEditor(), 3000);
        QTRY_VERIFY(frame.mdiClient()->activeSubWindow() == frame.parameterEditor());
        QVERIFY(xdotool({"key", "--window", window, "--clearmodifiers", "ctrl+w"}));
        QTRY_VERIFY_WITH_TIMEOUT(frame.oscilloscope(), 3000);
        QVERIFY(frame.oscilloscope()->isMaximized());
        QVERIFY2(ambiguous.lines().isEmpty(), qPrintable(ambiguous.lines().join(QLatin1Char('\n'))));
    }

    void frameKeysWithEachChildWindow_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<bool>("maximised");
        for (const char *child : {"parameter editor", "oscilloscope", "blank"})
            for (bool maximised : {false, true})
                QTest::addRow("%s, %s", child, maximised ? "maximised" : "normal") << QString::fromLatin1(child) << maximised;
    }

    void frameKeysWithEachChildWindow()
    {
        QFETCH(QString, child);
        QFETCH(bool, maximised);
        test::LogWatch ambiguous(QStringLiteral("Ambiguous shortcut"));
        test::RecordingDialogs dialogs;
        test::ScriptedLink link;
        CMainFrame frame;
        frame.resize(1200, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QMdiSubWindow *sub = child == QLatin1String("parameter editor") ? (frame.openParameterEditor(), frame.parameterEditor())
                             : child == QLatin1String("oscilloscope") ? (frame.openOscilloscope(), frame.oscilloscope())
                                                                       : frame.openBlankChild();
        QVERIFY(sub);
        maximised ? sub->showMaximized() : sub->showNormal();
        frame.mdiClient()->setActiveSubWindow(sub);
        if (child == QLatin1String("oscilloscope")) // a text field has the focus: Ctrl+C is not its copy
            if (auto *field = sub->findChild<QLineEdit *>()) {
                field->setFocus();
                field->selectAll();
            }
        QTest::qWait(100);
        // Through the server to whatever has the focus, as a user's keys go.
        const auto press = [](const char *keys) { return xdotool({"key", "--clearmodifiers", QLatin1String(keys)}); };
        frame.setConnected(true);
        QVERIFY(press("ctrl+c"));
        QTRY_VERIFY_WITH_TIMEOUT(!frame.isConnected(), 2000);
        QSignalSpy search(&frame, &CMainFrame::searchRequested);
        QVERIFY(press("ctrl+f"));
        QTRY_COMPARE_WITH_TIMEOUT(search.size(), 1, 2000);
        const int before = frame.mdiClient()->subWindowList().size();
        QVERIFY(press("ctrl+n"));
        QTRY_COMPARE_WITH_TIMEOUT(frame.mdiClient()->subWindowList().size(), before + 1, 2000);
        frame.mdiClient()->setActiveSubWindow(sub);
        QVERIFY(press("ctrl+w"));
        QTRY_VERIFY_WITH_TIMEOUT(frame.oscilloscope() && frame.mdiClient()->activeSubWindow() == frame.oscilloscope(), 2000);
        QVERIFY(press("ctrl+e"));
        QTRY_VERIFY_WITH_TIMEOUT(frame.parameterEditor() && frame.mdiClient()->activeSubWindow() == frame.parameterEditor(),
                                 2000);
        QVERIFY2(ambiguous.lines().isEmpty(), qPrintable(ambiguous.lines().join(QLatin1Char('\n'))));
    }

    void comboTipStaysUnderARestingPointer()
    {
        QWidget top;
        top.resize(400, 200);
        auto *combo = new CXTipComboBox(&top);
        combo->addItem(QStringLiteral("1: A drive variable with a name far too long for this box"));
        combo->setGeometry(20, 20, 120, 26);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        QCursor::setPos(combo->mapToGlobal(QPoint(30, 13)));
        QTRY_VERIFY_WITH_TIMEOUT(visibleTip(), 2000);
        // The tip appears under the pointer: it must stay while the pointer rests.
        QTest::qWait(400);
        QVERIFY(visibleTip());
        QElapsedTimer t;
        t.start();
        QCursor::setPos(top.mapToGlobal(QPoint(300, 150)));
        QTRY_VERIFY_WITH_TIMEOUT(!visibleTip(), 1000);
        // The Leave hides it at once, the 80 ms check at the latest; slack for a loaded machine.
        QVERIFY2(t.elapsed() < 400, qPrintable(QString::number(t.elapsed())));
    }

    void listTipStaysUnderARestingPointer()
    {
        QWidget top;
        top.resize(400, 260);
        auto *list = new QListWidget(&top);
        list->addItem(QStringLiteral("short"));
        list->addItem(QStringLiteral("2: Another drive variable whose name is far too long for this list"));
        list->setGeometry(20, 20, 120, 120);
        CXTipListBox tips(list);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        const QRect row = list->visualItemRect(list->item(1));
        QCursor::setPos(list->viewport()->mapToGlobal(QPoint(40, row.center().y())));
        QTRY_VERIFY_WITH_TIMEOUT(visibleTip(), 2000);
        QTest::qWait(400);
        QVERIFY(visibleTip()); // the tip is under the pointer and must not hide itself
        QElapsedTimer t;
        t.start();
        QCursor::setPos(top.mapToGlobal(QPoint(300, 200)));
        QTRY_VERIFY_WITH_TIMEOUT(!visibleTip(), 1000);
        QVERIFY2(t.elapsed() < 400, qPrintable(QString::number(t.elapsed())));
    }

    void lockKeysShowInTheStatusBar()
    {
        test::RecordingDialogs dialogs;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto *caps = frame.findChild<QLabel *>(QStringLiteral("capsPane"));
        QVERIFY(caps);
        const QString before = caps->text();
        const QString window = QString::number(frame.winId());
        QVERIFY(xdotool({"key", "--window", window, "Caps_Lock"}));
        QTRY_VERIFY_WITH_TIMEOUT(caps->text() != before, 2000);
        QCOMPARE(caps->text(), before.isEmpty() ? QStringLiteral("CAP") : QString());
        QVERIFY(xdotool({"key", "--window", window, "Caps_Lock"}));
        QTRY_COMPARE_WITH_TIMEOUT(caps->text(), before, 2000);
    }

    void colourPopupOpensAboveTheButtonNearTheBottom()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget top(nullptr, Qt::FramelessWindowHint);
        auto *picker = new CColourPicker(&top);
        picker->setGeometry(0, 0, 60, 24);
        top.setGeometry(screen.left() + 200, screen.bottom() - 40, 60, 24);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        QTRY_VERIFY(picker->mapToGlobal(QPoint(0, 0)).y() > screen.bottom() - 100);
        QCursor::setPos(picker->mapToGlobal(QPoint(20, 12)));
        QVERIFY(xdotool({"click", "1"}));
        QTRY_VERIFY_WITH_TIMEOUT(picker->popup() && picker->popup()->isVisible(), 2000);
        const QRect popup = picker->popup()->frameGeometry();
        const QRect button(picker->mapToGlobal(QPoint(0, 0)), picker->size());
        QVERIFY2(popup.bottom() < button.top(), qPrintable(QStringLiteral("popup %1,%2 %3x%4 button top %5")
                                                              .arg(popup.x()).arg(popup.y()).arg(popup.width())
                                                              .arg(popup.height()).arg(button.top())));
        QVERIFY(screen.contains(popup));
        QVERIFY(xdotool({"key", "Escape"}));
        QTRY_VERIFY_WITH_TIMEOUT(!picker->popup(), 2000);
    }

    void fullScreenAndEscapeWithTheWindowManager()
    {
        test::RecordingDialogs dialogs;
        test::ScriptedLink link;
        CMainFrame main;
        main.setGeometry(100, 100, 1000, 700);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.openOscilloscope();
        auto *frame = qobject_cast<CWaveFrame *>(main.oscilloscope()->widget());
        QVERIFY(frame);
        QTest::qWait(200); // the window manager has placed the frame
        const QRect before = main.geometry();
        frame->action("actionFullScreen")->trigger();
        // The display alone covers the whole screen, above the window manager's panels and frame.
        const QRect screen = main.screen()->geometry();
        QWidget *wave = frame->view()->wave();
        QTRY_COMPARE_WITH_TIMEOUT(QRect(wave->mapToGlobal(QPoint(0, 0)), wave->size()), screen, 3000);
        QVERIFY(xdotool({"key", "--window", QString::number(main.winId()), "Escape"}));
        QTRY_VERIFY_WITH_TIMEOUT(!main.isFullScreenMode(), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(main.geometry(), before, 3000);
        QVERIFY(frame->toolBar()->isVisible());
    }

    void secondInstanceRaisesTheFirst()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/dr420-monitor");
        if (!QFile::exists(program))
            QSKIP("dr420-monitor is not built beside the tests");
        auto first = std::make_unique<QProcess>();
        first->setProcessChannelMode(QProcess::ForwardedChannels);
        first->start(program, {QStringLiteral("--no-splash")});
        QVERIFY(first->waitForStarted());
        const auto stopFirst = qScopeGuard([&] {
            first->terminate();
            if (!first->waitForFinished(3000)) {
                first->kill();
                first->waitForFinished();
            }
        });
        QString found;
        QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^DR420 Monitor"}, &found));
        // Another window takes the focus away from it.
        QWidget other;
        other.setWindowTitle(QStringLiteral("another program"));
        other.resize(300, 200);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("another program"), 3000);

        QProcess second;
        second.start(program, {QStringLiteral("--no-splash")});
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(activeWindowName().startsWith(QStringLiteral("DR420 Monitor")), 3000);
        QCOMPARE(first->state(), QProcess::Running);
    }
};

QTEST_MAIN(TestRealDesktop)
#include "tst_realdesktop.moc"
