#include "DriveSimulator.h"
#include "TestSupport.h"
#include "controls/ComboListCtrl.h"
#include "controls/MyProgressCtrl.h"
#include "editor/ParaView.h"
#include "editor/RWProgressDlg.h"
#include "link/SerialLinkDriver.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"
#include "scope/SamplingState.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

using namespace dr420;

namespace {
QString sampleDatabase()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
}

// Closes the transfer dialog once its run is over, remembering what it showed.
struct DialogWatcher {
    QStringList lines;
    QStringList tips;
    QString summary;
    QString title;
    int progress = -1;
    void arm()
    {
        QTimer::singleShot(0, [this] { poll(); });
    }
    void poll()
    {
        auto *dialog = qobject_cast<CTransferProgressDlg *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isFinished()) {
            QTimer::singleShot(20, [this] { poll(); });
            return;
        }
        title = dialog->windowTitle();
        for (int i = 0; i < dialog->lines()->count(); ++i) {
            lines << dialog->lines()->item(i)->text();
            tips << dialog->lines()->item(i)->toolTip();
        }
        summary = dialog->summary()->text();
        progress = dialog->bar()->value();
        dialog->close();
    }
};

// Our serial driver with a hook that runs in the middle of a transfer, on
// the dialog's own thread, after `after` commands.
class HookedLink final : public LinkDriver
{
public:
    HookedLink(SerialLinkDriver &inner, int after, std::function<void()> hook)
        : m_inner(inner), m_after(after), m_hook(std::move(hook))
    {
    }
    int open(int p, int b, int pa, int d, int s) override { return m_inner.open(p, b, pa, d, s); }
    void close() override { m_inner.close(); }
    int readRegister(uint8_t st, uint16_t a, uint32_t *v) override { return m_inner.readRegister(st, a, v); }
    int writeRegister(uint8_t st, uint16_t a, uint16_t v) override { return m_inner.writeRegister(st, a, v); }
    int bytesAvailable() override { return m_inner.bytesAvailable(); }
    int receive(uint8_t *d, uint32_t *u, int r) override { return m_inner.receive(d, u, r); }
    int command(uint8_t code, const uint8_t *data, uint8_t *response) override
    {
        if (++m_commands == m_after && m_hook)
            m_hook();
        return m_inner.command(code, data, response);
    }

private:
    SerialLinkDriver &m_inner;
    int m_after;
    int m_commands = 0;
    std::function<void()> m_hook;
};

int rowOf(CComboListCtrl *list, const QString &pno)
{
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->item(r, 0)->text() == pno)
            return r;
    return -1;
}
} // namespace

class TestTransferDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ParameterTable().clear();
        LoadParameterTable(sampleDatabase());
        LinkSettings() = LinkSettingsData{};
    }

    void refusalsBeforeAnyDialog_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("icon");
        QTest::newRow("read, not connected") << false << false << "Serial port not connected!" << "Parameter read" << int(MessageIcon::None);
        QTest::newRow("read, nothing ticked") << false << true << "Please select the parameter to be read!" << "Parameter read" << int(MessageIcon::Information);
        QTest::newRow("write, not connected") << true << false << "Serial port not connected!" << "Parameter writing" << int(MessageIcon::None);
        QTest::newRow("write, nothing ticked") << true << true << "Please select the parameter to be written!" << "Parameter write" << int(MessageIcon::Information);
    }
    void refusalsBeforeAnyDialog()
    {
        QFETCH(bool, write);
        QFETCH(bool, connected);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(int, icon);
        test::RecordingDialogs dialogs;
        test::ScriptedLink link;
        CParaView view;
        view.setConnectionProbe([connected] { return connected; });
        write ? view.writeParameters() : view.readParameters();
        QCOMPARE(dialogs.texts(), QStringList{text});
        QCOMPARE(dialogs.messages.first().caption, caption);
        QCOMPARE(int(dialogs.messages.first().icon), icon);
        QVERIFY(link.calls().isEmpty());
        // While sampling: nothing at all.
        samplingActive() = true;
        write ? view.writeParameters() : view.readParameters();
        samplingActive() = false;
        QCOMPARE(dialogs.messages.size(), 1);
    }

    void readDialogShowsSortedLinesAndRefreshesTheList()
    {
        test::ScriptedLink link;
        // U0-06 "Output torque": signed, ZPoint 1.
        link.registers.insert(PnoToAddress(QStringLiteral("U0-06")), 0xFFF6);
        link.failingAddresses.insert(PnoToAddress(QStringLiteral("U0-01")));
        CParaView view;
        view.setConnectionProbe([] { return true; });
        view.tree()->setCurrentItem(view.tree()->topLevelItem(0)->child(15)); // U0
        for (int r : {6, 1, 0})
            view.list()->setChecked(r, true);
        DialogWatcher watcher;
        watcher.arm();
        view.readParameters();
        QCOMPARE(watcher.title, QStringLiteral("Read Function Code From DR420"));
        QCOMPARE(watcher.lines, (QStringList{"Function Code U0-00 Read successful!", "Function Code U0-01 Read Failure!",
                                             "Function Code U0-06 Read successful!"}));
        QCOMPARE(watcher.summary, QStringLiteral("1 function code read failed!"));
        QCOMPARE(watcher.tips, (QStringList{QString(), QStringLiteral("no answer"), QString()})); // why, beside the line
        QCOMPARE(watcher.progress, 100);
        QCOMPARE(view.list()->item(6, 2)->text(), QStringLiteral("-1.0"));

        // Read in an order that is not the sorted one: the lines still sort.
        CRWProgressDlg dialog({QStringLiteral("U0-06"), QStringLiteral("U0-01"), QStringLiteral("U0-00")});
        link.failingAddresses.clear();
        const int before = link.calls().size();
        dialog.show();
        QTRY_VERIFY(dialog.isFinished());
        QStringList order;
        for (const auto &c : link.calls().mid(before))
            order << QString::number(c.b, 16);
        QCOMPARE(order, (QStringList{QString::number(PnoToAddress(QStringLiteral("U0-06")), 16),
                                     QString::number(PnoToAddress(QStringLiteral("U0-01")), 16),
                                     QString::number(PnoToAddress(QStringLiteral("U0-00")), 16)}));
        QStringList lines;
        for (int i = 0; i < dialog.lines()->count(); ++i)
            lines << dialog.lines()->item(i)->text();
        QCOMPARE(lines, (QStringList{"Function Code U0-00 Read successful!", "Function Code U0-01 Read successful!",
                                     "Function Code U0-06 Read successful!"}));
    }

    void progressBarPaintsItsShare()
    {
        CMyProgressCtrl bar;
        bar.resize(200, 20);
        bar.setValue(25);
        QCOMPARE(bar.doneWidth(200), 50);
        QCOMPARE(bar.percentText(), QStringLiteral("25%"));
        const QImage img = bar.grab().toImage();
        QCOMPARE(img.pixelColor(10, 10), QColor(128, 128, 255));
        QCOMPARE(img.pixelColor(48, 2), QColor(128, 128, 255));
        QCOMPARE(img.pixelColor(52, 2), bar.palette().color(QPalette::Button));
        QCOMPARE(img.pixelColor(150, 2), bar.palette().color(QPalette::Button));
        QCOMPARE(img.pixelColor(0, 0), QColor(128, 128, 255)); // no frame around it
        bar.setValue(100);
        QCOMPARE(bar.percentText(), QStringLiteral("100%"));
        QCOMPARE(bar.grab().toImage().pixelColor(199, 19), QColor(128, 128, 255));
    }

    void dialogCannotCloseWhileRunningAndRepaints()
    {
        sim::SimOptions o;
        o.wireTime = true;
        o.baud = 19200; // slow enough that the run takes a while
        sim::DriveSimulator drive(o);
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 19200, 0));
        QStringList numbers;
        for (const ParameterRecord &r : ParameterTable())
            if (numbers.size() < 60)
                numbers << r.PNO;
        CRWProgressDlg dialog(numbers);
        // In the middle of the run, the close box, Escape and reject all try to end it.
        bool triedWhileRunning = false;
        bool stayedOpen = false;
        HookedLink hooked(link, 20, [&] {
            triedWhileRunning = dialog.isRunning();
            dialog.close();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            static_cast<QDialog &>(dialog).reject();
            stayedOpen = dialog.isVisible();
        });
        setLinkDriver(&hooked);
        dialog.show();
        QElapsedTimer t;
        t.start();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isFinished(), 20000);
        QVERIFY(triedWhileRunning);
        QVERIFY(stayedOpen);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.run().done(), 60);
        // 60 reads of 16 bytes at 19200 take about half a second: several repaints.
        QVERIFY2(dialog.repaints() >= t.elapsed() / 1000.0 * 20 * 0.5, qPrintable(QString::number(dialog.repaints())));
        QCOMPARE(dialog.run().failures(), 0);
        setLinkDriver(nullptr);
    }

    void readAndWriteAgainstTheSimulator_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::newRow("RS232") << false;
        QTest::newRow("RS485") << true;
    }
    void readAndWriteAgainstTheSimulator()
    {
        QFETCH(bool, rs485);
        sim::SimOptions o;
        o.rs485 = rs485;
        o.station = 3;
        o.database = sampleDatabase();
        sim::DriveSimulator drive(o);
        QVERIFY(drive.start());
        const uint16_t f011 = PnoToAddress(QStringLiteral("F0-11"));
        drive.defineRegister(f011, 4321); // the drive holds 43.21 s
        SerialLinkDriver link;
        setLinkDriver(&link);
        LinkSettings().rs485 = rs485;
        LinkSettings().station = 3;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0));

        CParaView view;
        view.setConnectionProbe([] { return true; });
        view.tree()->setCurrentItem(view.tree()->topLevelItem(0)->child(1)); // F0
        view.selectAll()->setChecked(true);
        DialogWatcher reading;
        reading.arm();
        view.readParameters();
        QCOMPARE(reading.summary, QStringLiteral("0 function code read failed!"));
        QCOMPARE(view.list()->item(rowOf(view.list(), QStringLiteral("F0-11")), 2)->text(), QStringLiteral("43.21"));

        // Edit a value in the table and write the group back.
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-13")))].Value = QStringLiteral("12.50");
        DialogWatcher writing;
        writing.arm();
        view.writeParameters();
        QCOMPARE(writing.title, QStringLiteral("Write Function Code In DR420"));
        QCOMPARE(writing.summary, QStringLiteral("0Function code write failed!"));
        QCOMPARE(drive.registerValue(PnoToAddress(QStringLiteral("F0-13"))), uint16_t(1250));
        QCOMPARE(drive.registerValue(f011), uint16_t(4321));
        setLinkDriver(nullptr);
    }

    void deadDriveEndsTheReadSoon_data()
    {
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("boundMs");
        QTest::newRow("silent drive, 30 parameters") << false << 30 << 30 * 150;
        QTest::newRow("unplugged, 100 parameters") << true << 100 << 1000;
    }
    void deadDriveEndsTheReadSoon()
    {
        QFETCH(bool, unplug);
        QFETCH(int, count);
        QFETCH(int, boundMs);
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        unplug ? drive.unplug() : drive.setSilent(true);
        QStringList numbers;
        for (const ParameterRecord &r : ParameterTable())
            if (numbers.size() < count)
                numbers << r.PNO;
        TransferRun run(TransferRun::Read, numbers);
        QElapsedTimer t;
        t.start();
        while (!run.finished())
            run.step();
        QCOMPARE(run.failures(), count);
        QVERIFY2(t.elapsed() < boundMs, qPrintable(QString::number(t.elapsed())));
        setLinkDriver(nullptr);
    }
};

QTEST_MAIN(TestTransferDialogs)
#include "tst_transferdialogs.moc"
