#include "DriveSimulator.h"
#include "TestSupport.h"
#include "link/ComPortMap.h"
#include "link/Connection.h"
#include "link/SerialDeviceInfo.h"
#include "link/SerialLinkDriver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace dr420;
using dr420::sim::DriveSimulator;
using dr420::sim::SimOptions;

Q_DECLARE_METATYPE(dr420::ConnectOutcome)

namespace {
// The simulator as COM1 of a scratch program directory, with the serial driver installed.
struct Bench {
    explicit Bench(SimOptions options)
        : drive(options)
    {
        drive.start();
        ComPortMap::setEntry(ComPortMap::defaultPath(), 1, drive.slavePath());
        setLinkDriver(&link);
    }
    ~Bench()
    {
        setLinkDriver(nullptr);
        LinkSettings() = LinkSettingsData{};
    }
    test::ScratchProgramDir dir;
    test::RecordingDialogs dialogs;
    DriveSimulator drive;
    SerialLinkDriver link;
};

ConnectRequest request(int baud, bool rs485 = false, int stationIndex = 0, int portIndex = 0)
{
    ConnectRequest r;
    r.portIndex = portIndex;
    r.baudText = QString::number(baud);
    r.stationIndex = stationIndex;
    r.interfaceText = rs485 ? kRs485Interface : QStringLiteral("RS232-Interface");
    return r;
}

QList<int> baudCodesSent(const DriveSimulator &drive)
{
    QList<int> codes;
    for (const auto &r : drive.requests())
        if (r.code == 50 && r.data[0] != 0)
            codes << r.data[0];
    return codes;
}
} // namespace

class TestConnection : public QObject
{
    Q_OBJECT
private slots:
    void usbAdapterIsDescribedFromSysfs()
    {
        // A USB adapter as the kernel shows it, in a folder of our own.
        QTemporaryDir root;
        const QString r = root.path();
        const QString usb = r + QStringLiteral("/sys/devices/pci0000:00/usb1/1-1");
        const QString port = usb + QStringLiteral("/1-1:1.0/ttyUSB7");
        QVERIFY(QDir().mkpath(port));
        QVERIFY(QDir().mkpath(r + QStringLiteral("/sys/bus/usb-serial/drivers/ftdi_sio")));
        QVERIFY(QDir().mkpath(r + QStringLiteral("/sys/class/tty/ttyUSB7")));
        QVERIFY(QDir().mkpath(r + QStringLiteral("/dev/serial/by-id")));
        QVERIFY(QFile::link(port, r + QStringLiteral("/sys/class/tty/ttyUSB7/device")));
        QVERIFY(QFile::link(r + QStringLiteral("/sys/bus/usb-serial/drivers/ftdi_sio"), port + QStringLiteral("/driver")));
        const auto write = [](const QString &path, const QByteArray &text) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        QVERIFY(write(usb + QStringLiteral("/idVendor"), "0403\n"));
        QVERIFY(write(usb + QStringLiteral("/idProduct"), "6001\n"));
        QVERIFY(write(usb + QStringLiteral("/manufacturer"), "FTDI\n"));
        QVERIFY(write(usb + QStringLiteral("/product"), "FT232R USB UART\n"));
        QVERIFY(write(usb + QStringLiteral("/serial"), "A10K\n"));
        const QString device = r + QStringLiteral("/dev/ttyUSB7");
        QVERIFY(write(device, ""));
        const QString stable = r + QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
        QVERIFY(QFile::link(device, stable));

        const SerialDeviceInfo info =
            describeSerialDevice(stable, r + QStringLiteral("/sys"), r + QStringLiteral("/dev/serial/by-id"));
        QVERIFY(info.present);
        QCOMPARE(info.realDevice, QFileInfo(device).canonicalFilePath());
        QCOMPARE(info.describe(), QStringLiteral("USB adapter FTDI FT232R USB UART (0403:6001), serial A10K, driver ftdi_sio"));
        QCOMPARE(info.stableName, stable);
        // The same through its kernel name; a missing device; a pseudo-terminal.
        QCOMPARE(describeSerialDevice(device, r + QStringLiteral("/sys"), r + QStringLiteral("/dev/serial/by-id")).stableName,
                 stable);
        QCOMPARE(describeSerialDevice(r + QStringLiteral("/dev/ttyUSB9")).describe(), QStringLiteral("not present"));
        sim::DriveSimulator drive;
        QVERIFY(drive.start());
        QCOMPARE(describeSerialDevice(drive.slavePath()).describe(), QStringLiteral("pseudo-terminal"));
    }

    void rs232FindsTheDriveAndSwitchesItsRate_data()
    {
        QTest::addColumn<int>("driveBaud");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("driveAfter");
        QTest::newRow("drive at 57600, 115200 chosen") << 57600 << 115200 << 1 << 115200;
        QTest::newRow("drive at 19200, 57600 chosen") << 19200 << 57600 << 2 << 57600;
        QTest::newRow("drive at 115200, 19200 chosen") << 115200 << 19200 << 3 << 19200;
    }

    // Command 50 knows three rates: another would switch the drive to 19200
    // while the program talks at its own. Refused before anything is sent.
    void rs232RefusesRatesTheDriveLacks_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::newRow("9600") << 9600;
        QTest::newRow("38400") << 38400;
    }
    void rs232RefusesRatesTheDriveLacks()
    {
        QFETCH(int, chosen);
        Bench b(SimOptions{});
        QCOMPARE(connectDrive(request(chosen), [](int) {}), ConnectOutcome::RateUnsupported);
        QVERIFY(b.drive.requests().isEmpty());
        QCOMPARE(b.dialogs.messages.size(), 1);
        QVERIFY2(b.dialogs.messages.first().text.contains(QLatin1String("19200, 57600 or 115200")),
                 qPrintable(b.dialogs.messages.first().text));
        QCOMPARE(b.drive.driveBaud(), 115200);
    }
    void rs232FindsTheDriveAndSwitchesItsRate()
    {
        QFETCH(int, driveBaud);
        QFETCH(int, chosen);
        QFETCH(int, code);
        QFETCH(int, driveAfter);
        SimOptions o;
        o.baud = driveBaud;
        Bench b(o);
        QCOMPARE(connectDrive(request(chosen), [](int) {}), ConnectOutcome::Connected);
        QVERIFY(b.dialogs.messages.isEmpty());
        QCOMPARE(baudCodesSent(b.drive), QList<int>{code});
        QCOMPARE(b.drive.driveBaud(), driveAfter);
        QCOMPARE(LinkSettings().baudRate, chosen);
        QVERIFY(!LinkSettings().rs485);
        // Reopened at the chosen rate: the drive answers there when the rates agree.
        uint16_t state = 0;
        QCOMPARE(readRunState(&state), chosen == driveAfter);
        // Every candidate began with a stop of the sample stream.
        QVERIFY(b.drive.countRequests(52) >= 1);
    }

    void rs232Failures_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("refuseRate");
        QTest::addColumn<ConnectOutcome>("outcome");
        QTest::addColumn<QString>("message");
        QTest::newRow("no candidate answers") << true << false << ConnectOutcome::NoAnswerRs232 << "RS232 interface connection failed!";
        QTest::newRow("drive refuses the new rate") << false << true << ConnectOutcome::BaudRefused << "Set the baud rate of the RS232 interface failed!";
    }
    void rs232Failures()
    {
        QFETCH(bool, silent);
        QFETCH(bool, refuseRate);
        QFETCH(ConnectOutcome, outcome);
        QFETCH(QString, message);
        SimOptions o;
        o.refuseBaudChange = refuseRate;
        Bench b(o);
        b.drive.setSilent(silent);
        QCOMPARE(connectDrive(request(115200), [](int) {}), outcome);
        QCOMPARE(b.dialogs.texts(), QStringList{message});
        QCOMPARE(b.dialogs.messages.first().caption, QString()); // the application title
        QVERIFY(b.link.device().isEmpty());                      // link closed
    }

    void rs485ProbesTheStation()
    {
        SimOptions o;
        o.rs485 = true;
        o.station = 16;
        o.baud = 9600;
        Bench b(o);
        QCOMPARE(connectDrive(request(9600, true, 15), [](int) {}), ConnectOutcome::Connected);
        QCOMPARE(LinkSettings().station, 16);
        QVERIFY(LinkSettings().rs485);
        QCOMPARE(b.drive.countRequests(3), 1);
        QVERIFY(b.dialogs.messages.isEmpty());
        QVERIFY(!b.link.device().isEmpty());
    }

    void rs485WrongStationFailsAfterTenProbes()
    {
        SimOptions o;
        o.rs485 = true;
        o.station = 2;
        Bench b(o);
        int sleeps = 0;
        QCOMPARE(connectDrive(request(115200, true, 0), [&](int ms) { sleeps += ms == 10; }), ConnectOutcome::NoAnswerRs485);
        QCOMPARE(sleeps, 10);
        QCOMPARE(b.dialogs.messages.size(), 1);
        QCOMPARE(b.dialogs.messages.first().text,
                 QStringLiteral("Connection failed!\n1.Please confirm that the serial cable connection is normal. \n2. "
                                "Please confirm that the serial port settings of the connection device are consistent. \n"));
        QCOMPARE(b.dialogs.messages.first().caption, QStringLiteral("establish connection"));
        QVERIFY(b.link.device().isEmpty());
    }

    void rs232ScanSequence_data()
    {
        QTest::addColumn<QList<int>>("commandResults");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<ConnectOutcome>("outcome");
        const QStringList candidate19200{"close", "open 19200", "command 52", "sleep 50", "command 65 locked",
                                         "sleep 50 locked", "command 65 locked"};
        QTest::newRow("second 65 answers at 19200")
            << QList<int>{1, 0, 1, 1}
            << candidate19200 + QStringList{"sleep 50", "command 50", "close", "open 115200"}
            << ConnectOutcome::Connected;
        // The first answer may come from a drive still streaming: it never counts.
        QStringList none;
        for (const char *rate : {"19200", "57600", "115200"})
            none << "close" << QStringLiteral("open %1").arg(QLatin1String(rate)) << "command 52" << "sleep 50"
                 << "command 65 locked" << "sleep 50 locked" << "command 65 locked";
        QTest::newRow("only the first 65 answers")
            << QList<int>{1, 1, 0, 1, 1, 0, 1, 1, 0} << none + QStringList{"close"} << ConnectOutcome::NoAnswerRs232;
    }
    void rs232ScanSequence()
    {
        QFETCH(QList<int>, commandResults);
        QFETCH(QStringList, expected);
        QFETCH(ConnectOutcome, outcome);
        test::RecordingDialogs dialogs;
        test::ScriptedLink link;
        link.commandResults.assign(commandResults.begin(), commandResults.end());
        const ConnectOutcome got = connectDrive(request(115200), [&](int ms) {
            link.mark(QStringLiteral("sleep"), ms, test::linkLockHeld());
        });
        QCOMPARE(got, outcome);
        QStringList seen;
        for (const auto &c : link.calls()) {
            QString line = c.op;
            if (c.op == QLatin1String("open"))
                line += QLatin1Char(' ') + QString::number(c.b); // the rate
            else if (c.op == QLatin1String("command") || c.op == QLatin1String("sleep"))
                line += QLatin1Char(' ') + QString::number(c.a);
            if (c.linkLockHeld)
                line += QStringLiteral(" locked");
            seen << line;
        }
        QCOMPARE(seen, expected);
        LinkSettings() = LinkSettingsData{};
    }

    void reopenAtTheChosenRateFails()
    {
        test::RecordingDialogs dialogs;
        test::ScriptedLink link;
        link.openResults = {1, 0}; // the scan's open works, the one at the chosen rate not
        QCOMPARE(connectDrive(request(115200), [](int) {}), ConnectOutcome::OpenFailed);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().text.section(QLatin1Char('\n'), 0, 0), QStringLiteral("Serial port failed to open!"));
        QCOMPARE(dialogs.messages.first().caption, QStringLiteral("Establish connection"));
        QCOMPARE(link.count(QStringLiteral("open")), 2);
        QCOMPARE(link.calls().last().op, QStringLiteral("open")); // nothing after the failed open
        LinkSettings() = LinkSettingsData{};
    }

    void portThatCannotBeOpened()
    {
        Bench b(SimOptions{});
        ComPortMap::setEntry(ComPortMap::defaultPath(), 2, QStringLiteral("/dev/ttyNOPE7"));
        QCOMPARE(connectDrive(request(115200, false, 0, 1), [](int) {}), ConnectOutcome::OpenFailed);
        QCOMPARE(b.dialogs.messages.size(), 1);
        QCOMPARE(b.dialogs.messages.first().text.section(QLatin1Char('\n'), 0, 0), QStringLiteral("Serial port failed to open!"));
        QVERIFY(b.dialogs.messages.first().text.contains(QLatin1String("/dev/ttyNOPE7")));
        QCOMPARE(b.dialogs.messages.first().caption, QStringLiteral("Establish connection"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
