#include "DriveSimulator.h"
#include "TestSupport.h"
#include "common/PositionalIni.h"
#include "common/ShellRules.h"
#include "controls/BtnST.h"
#include "link/ComPortMap.h"
#include "link/Connection.h"
#include "link/OpenCommDlg.h"
#include "link/SerialLinkDriver.h"
#include "shell/MainFrame.h"
#include "shell/Splash.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QTest>
#include <QTimer>

using namespace dr420;

namespace {
const QByteArray kSettings = "[PortList]\r\n"
                             "port=COM1,COM2,\r\n"
                             "baudrate=4800,9600,19200,38400,57600,115200\r\n"
                             "station=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\r\n"
                             "interface=RS232-Interface,RS485-Interface\r\n"
                             "protocol=8-N-1,8-N-2(RTU)\r\n"
                             "[Current]\r\n"
                             "port=COM1\r\nbaudrate=115200\r\nstation=1\r\ninterface=RS232-Interface\r\nprotocol=8-N-1\r\n";

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
}

// Runs `work` on the modal dialog once it shows.
void whenDialogShows(const std::function<void(COpenCommDlg *)> &work)
{
    QTimer::singleShot(0, [work] {
        auto *dialog = qobject_cast<COpenCommDlg *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, [work] { whenDialogShows(work); });
            return;
        }
        // Should a check fail inside `work`, the dialog must not hang the test.
        QTimer::singleShot(10000, dialog, &QDialog::reject);
        work(dialog);
    });
}

struct InstalledSerialLink {
    InstalledSerialLink() { setLinkDriver(&link); }
    ~InstalledSerialLink() { setLinkDriver(nullptr); }
    SerialLinkDriver link;
};
} // namespace

class TestOpenCommDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test::isolateUserFolders();
        CSplash::allow(false);
    }
    void cleanup() { LinkSettings() = LinkSettingsData{}; }

    void listsFollowTheSettingsFile()
    {
        test::ScratchProgramDir dir;
        writeFile(dir.file(QStringLiteral("settings.ini")), kSettings);
        COpenCommDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial Port Setup"));
        QComboBox *port = dialog.list(PortSettings::Port);
        QCOMPARE(port->count(), 2); // "COM1,COM2," gives exactly two
        QCOMPARE(port->currentText(), QStringLiteral("COM1"));
        QCOMPARE(dialog.list(PortSettings::Baud)->currentText(), QStringLiteral("115200"));
        QCOMPARE(dialog.list(PortSettings::Station)->count(), 16);
        QVERIFY(!port->isEditable());
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("cancelButton"))->text(), QStringLiteral("Cancle"));
    }

    void dialogTellsWhichDeviceThePortIs()
    {
        test::ScratchProgramDir dir;
        writeFile(dir.file(QStringLiteral("settings.ini")), kSettings);
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        QVERIFY(ComPortMap::setEntry(ComPortMap::defaultPath(), 1, drive.slavePath()));
        QVERIFY(ComPortMap::setEntry(ComPortMap::defaultPath(), 2, dir.file(QStringLiteral("gone"))));
        COpenCommDlg dialog;
        QCOMPARE(dialog.portInfo()->text(), QStringLiteral("COM1 = %1: pseudo-terminal").arg(drive.slavePath()));
        dialog.list(PortSettings::Port)->setCurrentIndex(1);
        QCOMPARE(dialog.portInfo()->text(), QStringLiteral("COM2 = %1: not present").arg(dir.file(QStringLiteral("gone"))));
        if (ComPortMap::presentDevices().size() < 3)
            QCOMPARE(COpenCommDlg::portDeviceText(3), QStringLiteral("COM3: no device (not present)"));
    }

    void missingSettingsGiveEmptyLists()
    {
        test::ScratchProgramDir dir;
        COpenCommDlg dialog;
        QCOMPARE(dialog.list(PortSettings::Port)->count(), 0);
        QCOMPARE(dialog.list(PortSettings::Port)->currentIndex(), -1);
    }

    void secondInterfaceForcesSecondLineFormat()
    {
        test::ScratchProgramDir dir;
        writeFile(dir.file(QStringLiteral("settings.ini")), kSettings);
        COpenCommDlg dialog;
        QComboBox *line = dialog.list(PortSettings::Protocol);
        dialog.list(PortSettings::Interface)->setCurrentIndex(1);
        QCOMPARE(line->currentIndex(), 1);
        line->setCurrentIndex(0);
        QCOMPARE(line->currentIndex(), 1); // changing it back is undone at once
        dialog.list(PortSettings::Interface)->setCurrentIndex(0);
        line->setCurrentIndex(0);
        QCOMPARE(line->currentIndex(), 0);
    }

    void confirmSavesTheChoiceEvenWhenTheDriveIsAway()
    {
        test::ScratchProgramDir dir;
        test::RecordingDialogs dialogs;
        writeFile(dir.file(QStringLiteral("settings.ini")), kSettings);
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        drive.setSilent(true);
        ComPortMap::setEntry(ComPortMap::defaultPath(), 1, drive.slavePath());
        InstalledSerialLink installed;
        COpenCommDlg dialog;
        dialog.list(PortSettings::Station)->setCurrentIndex(15);
        dialog.list(PortSettings::Baud)->setCurrentIndex(4);
        dialog.confirm();
        QVERIFY(!dialog.connected());
        QCOMPARE(dialogs.texts(), QStringList{"RS232 interface connection failed!"});
        QCOMPARE(LinkSettings().station, 16);
        QCOMPARE(LinkSettings().baudRate, 57600);
        PositionalIni saved(dir.file(QStringLiteral("settings.ini")));
        QCOMPARE(saved.value(1, QStringLiteral("station")), QStringLiteral("16"));
        QCOMPARE(saved.value(1, QStringLiteral("baudrate")), QStringLiteral("57600"));
        QCOMPARE(saved.value(0, QStringLiteral("port")), QStringLiteral("COM1,COM2,")); // the lists are never written
    }

    void connectFromTheMenuThenLoseTheDrive()
    {
        test::ScratchProgramDir dir;
        test::RecordingDialogs dialogs;
        writeFile(dir.file(QStringLiteral("settings.ini")), kSettings);
        QVERIFY(dir.copyFromBuild(QStringLiteral("DR420.mdb")));
        sim::SimOptions options;
        options.baud = 57600;
        sim::DriveSimulator drive(options);
        QVERIFY(drive.start());
        ComPortMap::setEntry(ComPortMap::defaultPath(), 1, drive.slavePath());
        InstalledSerialLink installed;
        SerialLinkDriver &link = installed.link;

        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        bool sawDialog = false;
        whenDialogShows([&](COpenCommDlg *dialog) {
            sawDialog = true;
            auto *confirm = dialog->findChild<CButtonST *>(QStringLiteral("confirmButton"));
            QTest::mouseMove(confirm);
            QTest::mouseClick(confirm, Qt::LeftButton);
        });
        QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(sawDialog);
        QCOMPARE(frame.windowTitle(), kTitleConnected);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(';')));
        QCOMPARE(drive.driveBaud(), 115200);

        frame.linkWatch();
        QCOMPARE(frame.windowTitle(), kTitleConnected);
        drive.unplug();
        frame.linkWatch();
        QCOMPARE(frame.windowTitle(), kTitleNotConnected);
        QVERIFY(link.device().isEmpty()); // the watch closed the link
    }

    void cancelChangesNothing()
    {
        test::ScratchProgramDir dir;
        test::RecordingDialogs dialogs;
        writeFile(dir.file(QStringLiteral("settings.ini")), kSettings);
        test::ScriptedLink link;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        whenDialogShows([](COpenCommDlg *dialog) {
            dialog->list(PortSettings::Station)->setCurrentIndex(3);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
        });
        frame.openComPort();
        QCOMPARE(frame.windowTitle(), kTitleNotConnected);
        QVERIFY(link.calls().isEmpty());
        QFile f(dir.file(QStringLiteral("settings.ini")));
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), kSettings);
    }

    void buttonTracksThePointer()
    {
        QWidget window;
        auto *button = new CButtonST(QStringLiteral("Confirm"), QIcon(), &window);
        auto *other = new QWidget(&window);
        other->setGeometry(0, 100, 50, 50);
        window.resize(200, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!button->isHovered());
        QVERIFY(button->isFlat());
        QTest::mouseMove(button);
        QTRY_VERIFY(button->isHovered());
        QVERIFY(!button->isFlat()); // raised under the pointer
        QTest::mouseMove(other);
        QTRY_VERIFY(!button->isHovered());
        QVERIFY(button->isFlat());
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    }
};

QTEST_MAIN(TestOpenCommDlg)
#include "tst_opencommdlg.moc"
