#include "TestSupport.h"
#include "shell/HelpWindow.h"
#include <QMenu>
#include <QTextBrowser>
#include "editor/ParaView.h"
#include "editor/ParaFrame.h"
#include "common/ShellRules.h"
#include "paramdb/ParameterRecord.h"
#include "scope/SamplingState.h"
#include "shell/ChildFrame.h"
#include "shell/MainFrame.h"
#include "shell/MdiClient.h"
#include "shell/Splash.h"
#include "shell/SingleInstance.h"
#include "shell/TolvaApp.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

using namespace dr420;

class TestMainFrame : public QObject
{
    Q_OBJECT

    static int countTitled(CMainFrame &frame, const QString &title)
    {
        int n = 0;
        for (QMdiSubWindow *w : frame.mdiClient()->subWindowList())
            n += w->windowTitle() == title;
        return n;
    }

private slots:
    void initTestCase()
    {
        test::isolateUserFolders();
        CSplash::allow(false);
    }

    void startUpShowsMaximisedWindowNotConnected()
    {
        test::ScriptedLink link;
        {
            CTolvaApp app;
            QVERIFY(app.initInstance({QStringLiteral("dr420-monitor"), QStringLiteral("--no-splash")}));
            CMainFrame *frame = app.mainFrame();
            QCOMPARE(frame->windowTitle(), kTitleNotConnected);
            QVERIFY(frame->windowState() & Qt::WindowMaximized);
            QVERIFY(!frame->isConnected());
            QCOMPARE(link.count(QStringLiteral("close")), 0);
        }
        // The link is closed at exit although it was never opened.
        QCOMPARE(link.count(QStringLiteral("close")), 1);
    }

    void startUpLoadsTheDefaultDatabase()
    {
        {
            test::ScratchProgramDir dir;
            QVERIFY(dir.copyFromBuild(QStringLiteral("DR420.mdb")));
            test::RecordingDialogs dialogs;
            CMainFrame frame;
            QVERIFY(ParameterTable().size() > 200);
            QVERIFY(dialogs.messages.isEmpty());
        }
        // Without a database: the message, an empty table, and the window all the same.
        test::ScratchProgramDir empty;
        test::RecordingDialogs dialogs;
        CMainFrame frame;
        QVERIFY(ParameterTable().empty());
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.contains(QLatin1String("DR420.mdb")));
        QCOMPARE(frame.windowTitle(), kTitleNotConnected);
    }

    void compareBackupAndRestoreBesideTheEditorsOwnCommands()
    {
        test::RecordingDialogs dialogs;
        test::ScriptedLink link;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        // The Function Code menu: its own command first, then the editor's three after a separator.
        QMenu *code = frame.menuBar()->actions().at(1)->menu();
        QStringList texts;
        for (QAction *a : code->actions())
            texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
        QCOMPARE(texts, (QStringList{"W/R-Function Code\tCtrl+E", "|", "Compare Parameters...",
                                     "Backup Drive to File...", "Restore File to Drive..."}));
        // From the menu: the editor opens and its command runs (here: the compare window).
        code->actions().at(2)->trigger();
        QVERIFY(frame.parameterEditor());
        auto *editor = qobject_cast<CParaFrame *>(frame.parameterEditor()->widget());
        QVERIFY(editor);
        QTRY_VERIFY(editor->view()->compareDialog());
        QVERIFY(editor->view()->compareDialog()->isVisible());
        editor->view()->compareDialog()->close();
        // The editor's tool bar keeps its three in their order; the new ones come after a separator.
        texts.clear();
        for (QAction *a : editor->findChild<QToolBar *>(QStringLiteral("parameterBar"))->actions())
            texts << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        QCOMPARE(texts, (QStringList{"actionOpenParameterFile", "actionSaveParameterFile", "actionSearchParameters", "|",
                                     "actionCompareParameters", "actionBackupDrive", "actionRestoreDrive"}));
        // Not connected: backup asks nothing and reads nothing.
        code->actions().at(3)->trigger();
        QVERIFY(dialogs.fileRequests.isEmpty());
        QCOMPARE(dialogs.texts().last(), QStringLiteral("Serial port not connected!"));
    }

    void f1ShowsTheManualWhenThereIsNoVendorHelpFile()
    {
        test::RecordingDialogs dialogs;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTest::keyClick(&frame, Qt::Key_F1);
        auto *help = frame.findChild<CHelpWindow *>();
        QVERIFY(help);
        QTRY_VERIFY(help->isVisible());
        QVERIFY(help->browser()->toPlainText().contains(QLatin1String("Connecting to the drive")));
        QTest::keyClick(&frame, Qt::Key_F1); // the same window again
        QCOMPARE(frame.findChildren<CHelpWindow *>().size(), 1);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void menusToolBarAndStatusBar()
    {
        CMainFrame frame;
        QStringList menus;
        for (QAction *a : frame.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"Start(&S)", "Function Code(&P)", "Wave Display(&W)", "Monitor panel(&I)",
                                     "Check(&V)", "Help(&H)"}));
        auto *open = frame.findChild<QAction *>(QStringLiteral("actionOpenComPort"));
        QCOMPARE(open->text(), QStringLiteral("Open  COM Port(&O)\tCtrl+O"));
        QCOMPARE(open->statusTip(), QStringLiteral("Set the serial port parameters and open the serial port "));
        QCOMPARE(open->toolTip(), QStringLiteral("Open  COM Port"));
        QCOMPARE(frame.findChild<QAction *>(QStringLiteral("actionCloseComPort"))->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+C")));

        auto *bar = frame.findChild<QToolBar *>(QStringLiteral("mainBar"));
        QCOMPARE(bar->windowTitle(), QStringLiteral("Main Bar"));
        QStringList texts;
        for (QAction *a : bar->actions()) {
            auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(a));
            QVERIFY(b);
            texts << b->text();
            QCOMPARE(b->size(), QSize(88, 44));
        }
        QCOMPARE(texts, (QStringList{"Function Code", "Oscilloscope"}));
        QCOMPARE(frame.findChild<QLabel *>(QStringLiteral("companyPane"))->text(), QStringLiteral("Velcor Electric"));
    }

    void clockShowsAndAdvances()
    {
        CMainFrame frame;
        static const QRegularExpression format(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
        const QString first = frame.clockText();
        QVERIFY2(format.match(first).hasMatch(), qPrintable(first));
        QTRY_VERIFY_WITH_TIMEOUT(frame.clockText() != first, 2500);
    }

    void workingWindowsOpenOnceAndReopen_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("Ctrl+E") << int(Qt::Key_E) << "Parameter Editing" << false;
        QTest::newRow("Ctrl+W") << int(Qt::Key_W) << "Oscilloscope" << true;
    }
    void workingWindowsOpenOnceAndReopen()
    {
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(bool, maximised);
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTest::keyClick(&frame, Qt::Key(key), Qt::ControlModifier);
        QTest::keyClick(&frame, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(countTitled(frame, title), 1);
        QMdiSubWindow *first = frame.mdiClient()->subWindowList().constFirst();
        // Both are created maximised; the parameter editor is shown in normal state as well.
        QCOMPARE(first->isMaximized(), maximised);
        if (maximised)
            first->showNormal();
        QCOMPARE(first->pos(), QPoint(0, 0));
        QCOMPARE(first->width(), frame.mdiClient()->viewport()->width() - 4);
        QCOMPARE(first->height(), frame.mdiClient()->viewport()->height() - 70);

        QPointer<QMdiSubWindow> closed = first;
        first->close();
        QTRY_VERIFY(closed.isNull());
        QCOMPARE(countTitled(frame, title), 0);
        QTest::keyClick(&frame, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(countTitled(frame, title), 1);
    }

    void frameKeysWorkWhateverChildIsActive_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<bool>("maximised");
        for (const char *child : {"parameter editor", "oscilloscope", "blank"})
            for (bool maximised : {false, true})
                QTest::addRow("%s, %s", child, maximised ? "maximised" : "normal") << QString::fromLatin1(child) << maximised;
    }
    void frameKeysWorkWhateverChildIsActive()
    {
        QFETCH(QString, child);
        QFETCH(bool, maximised);
        test::ScriptedLink link;
        test::LogWatch ambiguous(QStringLiteral("Ambiguous shortcut"));
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QMdiSubWindow *sub = child == QLatin1String("parameter editor") ? (frame.openParameterEditor(), frame.parameterEditor())
                             : child == QLatin1String("oscilloscope") ? (frame.openOscilloscope(), frame.oscilloscope())
                                                                       : frame.openBlankChild();
        QVERIFY(sub);
        maximised ? sub->showMaximized() : sub->showNormal();
        frame.mdiClient()->setActiveSubWindow(sub);
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
            QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : sub->widget();
            QTest::keyClick(target, key, mods);
        };
        frame.setConnected(true);
        press(Qt::Key_C);
        QVERIFY(!frame.isConnected());
        QSignalSpy search(&frame, &CMainFrame::searchRequested);
        press(Qt::Key_F);
        QCOMPARE(search.size(), 1);
        const int before = frame.mdiClient()->subWindowList().size();
        press(Qt::Key_N);
        QCOMPARE(frame.mdiClient()->subWindowList().size(), before + 1);
        frame.mdiClient()->setActiveSubWindow(sub);
        press(Qt::Key_W);
        QVERIFY(frame.oscilloscope());
        QCOMPARE(frame.mdiClient()->activeSubWindow(), frame.oscilloscope());
        press(Qt::Key_E);
        QVERIFY(frame.parameterEditor());
        QCOMPARE(frame.mdiClient()->activeSubWindow(), frame.parameterEditor());
        press(Qt::Key_F1, Qt::NoModifier);
        QVERIFY2(ambiguous.lines().isEmpty(), qPrintable(ambiguous.lines().join(QLatin1Char('\n'))));
    }

    void ctrlCInATextFieldClosesThePort()
    {
        test::ScriptedLink link;
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.openOscilloscope();
        auto *field = frame.oscilloscope()->findChild<QLineEdit *>();
        QVERIFY(field);
        field->setFocus();
        field->selectAll();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        frame.setConnected(true);
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(!frame.isConnected());
        QCOMPARE(link.count(QStringLiteral("close")), 1);
    }

    void checkMarksFollowTheBars()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QMenu *check = frame.findChild<QMenu *>(QStringLiteral("menuCheck"));
        QAction *tools = frame.findChild<QAction *>(QStringLiteral("actionToggleToolBar"));
        QAction *status = frame.findChild<QAction *>(QStringLiteral("actionToggleStatusBar"));
        QVERIFY(check && tools && status);
        frame.findChild<QToolBar *>()->hide(); // as its own context menu would
        frame.statusBar()->hide();
        emit check->aboutToShow();
        QVERIFY(!tools->isChecked());
        QVERIFY(!status->isChecked());
        frame.findChild<QToolBar *>()->show();
        emit check->aboutToShow();
        QVERIFY(tools->isChecked());
        QVERIFY(frame.statusBar()->isHidden()); // reading the marks changes no bar
    }

    void maximisedChildDoesNotFakeAConnection()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.openParameterEditor();
        frame.parameterEditor()->showMaximized();
        QVERIFY(!frame.isConnected());
        frame.setConnected(true);
        QVERIFY(frame.isConnected());
        QVERIFY(frame.windowTitle().startsWith(kTitleConnected));
    }

    void secondStartRestoresAMinimisedWindow()
    {
        CTolvaApp app;
        QVERIFY(app.initInstance({QStringLiteral("dr420-monitor"), QStringLiteral("--no-splash")}));
        app.mainFrame()->showMinimized();
        QTRY_VERIFY(app.mainFrame()->isMinimized());
        SingleInstance second;
        QVERIFY(!second.claim());
        QTRY_VERIFY(!app.mainFrame()->isMinimized());
    }

    void ctrlNOpensABlankWindowEachTime()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.openParameterEditor();
        QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
        int blank = 0;
        for (QMdiSubWindow *w : frame.mdiClient()->subWindowList())
            blank += qobject_cast<CChildFrame *>(w) != nullptr;
        QCOMPARE(blank, 2);
        QCOMPARE(frame.mdiClient()->subWindowList().size(), 3);
    }

    void linkWatch_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("sampling");
        QTest::addColumn<bool>("stillConnected");
        QTest::addColumn<QString>("probe");

        QTest::newRow("RS232 drive answers") << false << true << false << true << "command";
        QTest::newRow("RS232 drive gone") << false << false << false << false << "command";
        QTest::newRow("RS485 drive answers") << true << true << false << true << "read";
        QTest::newRow("RS485 drive gone") << true << false << false << false << "read";
        QTest::newRow("sampling: nothing sent") << false << false << true << true << "";
    }
    void linkWatch()
    {
        QFETCH(bool, rs485);
        QFETCH(bool, answers);
        QFETCH(bool, sampling);
        QFETCH(bool, stillConnected);
        QFETCH(QString, probe);

        test::ScriptedLink link;
        link.answers = answers;
        LinkSettings() = LinkSettingsData{};
        LinkSettings().rs485 = rs485;
        LinkSettings().station = 7;
        samplingActive() = sampling;
        CMainFrame frame;
        frame.setConnected(true);
        frame.linkWatch();
        samplingActive() = false;
        LinkSettings() = LinkSettingsData{};

        QCOMPARE(frame.isConnected(), stillConnected);
        QCOMPARE(frame.windowTitle(), stillConnected ? kTitleConnected : kTitleNotConnected);
        QCOMPARE(link.count(QStringLiteral("close")), stillConnected ? 0 : 1);
        const auto calls = link.calls();
        if (probe.isEmpty()) {
            QVERIFY(calls.isEmpty());
            return;
        }
        QCOMPARE(calls.first().op, probe);
        if (probe == QLatin1String("command")) {
            QCOMPARE(calls.first().a, 65);
            QCOMPARE(calls.first().data, (std::vector<uint8_t>{0x00, 0x30, 0, 0}));
        } else {
            QCOMPARE(calls.first().a, 7);
            QCOMPARE(calls.first().b, 0x3000);
        }
    }

    void closeComPortDisconnectsWhateverTheState()
    {
        test::ScriptedLink link;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setConnected(true);
        samplingActive() = true;
        QTest::keyClick(&frame, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(frame.windowTitle(), kTitleNotConnected);
        QVERIFY(!samplingActive());
        QCOMPARE(link.count(QStringLiteral("close")), 1);
    }

    void openComPortWhileSamplingDoesNothing()
    {
        test::ScriptedLink link;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setConnected(true);
        samplingActive() = true;
        // A dialog that opened anyway is closed again and remembered.
        QString opened;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                opened = w->windowTitle();
                w->close();
            }
        });
        guard.start(50);
        QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
        frame.openComPort();
        QTest::qWait(150);
        samplingActive() = false;
        QCOMPARE(opened, QString());
        QVERIFY(link.calls().isEmpty());
        QVERIFY(frame.isConnected());
    }

    void fullScreenRoundTripRestoresLayout()
    {
        CMainFrame frame;
        frame.setGeometry(120, 90, 800, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QRect before = frame.geometry();
        auto *bar = frame.findChild<QToolBar *>(QStringLiteral("mainBar"));

        frame.leaveFullScreen(); // not in full screen: nothing happens
        QCOMPARE(frame.geometry(), before);

        frame.enterFullScreen();
        QVERIFY(frame.isFullScreenMode());
        QTRY_VERIFY(frame.isFullScreen());
        QVERIFY(!bar->isVisible());
        QVERIFY(!frame.statusBar()->isVisible());
        QVERIFY(!frame.menuBar()->isVisible());

        frame.leaveFullScreen();
        QVERIFY(!frame.isFullScreenMode());
        QTRY_COMPARE(frame.geometry(), before);
        QVERIFY(bar->isVisible());
        QVERIFY(frame.statusBar()->isVisible());
        QVERIFY(frame.menuBar()->isVisible());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
