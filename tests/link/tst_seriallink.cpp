#include "DriveSimulator.h"
#include "link/Protocol.h"
#include "link/SerialLinkDriver.h"

#include <QElapsedTimer>
#include <QTest>
#include <thread>

using namespace dr420;
using dr420::sim::DriveSimulator;
using dr420::sim::SimOptions;

namespace {
// Milliseconds a call takes.
template <typename F>
qint64 timed(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed();
}

uint16_t read65(SerialLinkDriver &link, uint16_t address, int *ok)
{
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), 0, 0};
    uint8_t response[4] = {0, 0, 0, 0};
    *ok = link.command(65, data, response);
    return uint16_t(response[0] | (response[1] << 8));
}

int sendCommand(SerialLinkDriver &link, uint8_t code, std::array<uint8_t, 4> data)
{
    uint8_t response[4];
    return link.command(code, data.data(), response);
}
} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT
private slots:
    void commandsReadWriteAndRefusals()
    {
        DriveSimulator drive;
        QVERIFY(drive.start());
        drive.defineRegister(0xF00B, 1000);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        int ok = 0;
        QCOMPARE(read65(link, 0x3000, &ok), uint16_t(3));
        QVERIFY(ok);
        QVERIFY(sendCommand(link, 66, {0x0B, 0xF0, 0x34, 0x12}));
        QCOMPARE(drive.registerValue(0xF00B), uint16_t(0x1234));
        QCOMPARE(read65(link, 0xF00B, &ok), uint16_t(0x1234));
        // A register the drive does not have: reads 0, writing it is refused.
        QCOMPARE(read65(link, 0xE123, &ok), uint16_t(0));
        QVERIFY(ok);
        QCOMPARE(sendCommand(link, 66, {0x23, 0xE1, 1, 0}), 0);
        QCOMPARE(sendCommand(link, 99, {0, 0, 0, 0}), 0); // unknown command
    }

    void registersOverModbus()
    {
        SimOptions o;
        o.rs485 = true;
        o.station = 5;
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        drive.defineRegister(0xF00B, 1);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 2));
        uint32_t value = 0;
        QCOMPARE(link.readRegister(5, 0x3000, &value), 0);
        QCOMPARE(value, 3u);
        QCOMPARE(link.writeRegister(5, 0xF00B, 500), 0);
        QCOMPARE(drive.registerValue(0xF00B), uint16_t(500));
        QCOMPARE(link.writeRegister(5, 0xE000, 1), int(SerialLinkDriver::Refused));
        QCOMPARE(link.readRegister(6, 0x3000, &value), int(SerialLinkDriver::NoAnswer)); // other station
    }

    void silentDriveFailsWithinBound_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("frameBytes");
        QTest::newRow("RS232 command at 115200") << false << 115200 << "command" << 16;
        QTest::newRow("RS232 command at 4800") << false << 4800 << "command" << 16;
        QTest::newRow("RS485 read at 9600") << true << 9600 << "read" << 15;
        QTest::newRow("RS485 write at 115200") << true << 115200 << "write" << 16;
    }
    void silentDriveFailsWithinBound()
    {
        QFETCH(bool, rs485);
        QFETCH(int, baud);
        QFETCH(QString, op);
        QFETCH(int, frameBytes);
        SimOptions o;
        o.rs485 = rs485;
        o.baud = baud;
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        drive.setSilent(true);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), baud, rs485 ? 2 : 0));
        bool failed = false;
        const qint64 ms = timed([&] {
            uint32_t v = 0;
            int ok = 0;
            if (op == QLatin1String("command"))
                failed = (read65(link, 0x3000, &ok), ok == 0);
            else if (op == QLatin1String("read"))
                failed = link.readRegister(1, 0x3000, &v) == SerialLinkDriver::NoAnswer;
            else
                failed = link.writeRegister(1, 0x3000, 3) == SerialLinkDriver::NoAnswer;
        });
        QVERIFY(failed);
        const double bound = 100 + 1000.0 * protocol::wireSeconds(frameBytes, baud, rs485 ? 2 : 1);
        QVERIFY2(ms >= 100 && ms <= bound + 80, // scheduling slack on a loaded machine
                 qPrintable(QStringLiteral("%1 ms, bound %2 ms").arg(ms).arg(bound)));
    }

    void unpluggedDeviceFailsAtOnce_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::newRow("RS232") << false;
        QTest::newRow("RS485") << true;
    }
    void unpluggedDeviceFailsAtOnce()
    {
        QFETCH(bool, rs485);
        SimOptions o;
        o.rs485 = rs485;
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0));
        drive.unplug();
        for (int attempt = 0; attempt < 3; ++attempt) {
            const qint64 ms = timed([&] {
                uint32_t v = 0;
                int ok = 1;
                if (rs485)
                    QVERIFY(link.readRegister(1, 0x3000, &v) != 0);
                else
                    QVERIFY((read65(link, 0x3000, &ok), ok == 0));
                QCOMPARE(link.bytesAvailable(), 0);
            });
            QVERIFY2(ms < 50, qPrintable(QString::number(ms)));
        }
        link.close(); // harmless on a vanished device
    }

    void portsOpenExclusively()
    {
        DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver first;
        SerialLinkDriver second;
        QVERIFY(first.openDevice(drive.slavePath(), 115200, 0));
        QCOMPARE(second.openDevice(drive.slavePath(), 115200, 0), 0);
        QVERIFY(second.lastOpenError().contains(QLatin1String("in use")));
        first.close();
        first.close(); // closing twice is harmless
        QVERIFY(second.openDevice(drive.slavePath(), 115200, 0));
    }

    void missingDeviceSaysWhy()
    {
        SerialLinkDriver link;
        QCOMPARE(link.openDevice(QStringLiteral("/dev/ttyNOPE42"), 115200, 0), 0);
        QVERIFY(link.lastOpenError().contains(QLatin1String("no such device")));
        QCOMPARE(link.openDevice(QString(), 115200, 0), 0);
        QVERIFY(!link.lastOpenError().isEmpty());
        int ok = 1;
        read65(link, 0x3000, &ok);
        QCOMPARE(ok, 0);
    }

    void sampleStreamDecodesAndResynchronises()
    {
        DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        QVERIFY(sendCommand(link, 50, {0, 1, 0, 0}));  // 2 ms
        QVERIFY(sendCommand(link, 49, {1, 4, 0, 0}));  // sine and signed
        QVERIFY(sendCommand(link, 51, {0, 0, 0, 0}));

        int good = 0;
        int bad = 0;
        qint64 sample = 0;
        bool injected = false;
        QElapsedTimer t;
        t.start();
        while (good < 30 && t.elapsed() < 3000) {
            if (good == 10 && !injected) {
                drive.injectNoise(QByteArray("\xA5\x00\x5A\x11", 4));
                injected = true;
            }
            if (link.bytesAvailable() >= 68) {
                uint8_t block[64];
                uint32_t unread = 0;
                if (link.receive(block, &unread, 0)) {
                    for (int set = 0; set < 16; ++set, ++sample) {
                        const uint16_t a = uint16_t(block[set * 4] | (block[set * 4 + 1] << 8));
                        const uint16_t b = uint16_t(block[set * 4 + 2] | (block[set * 4 + 3] << 8));
                        QCOMPARE(a, sim::sampleValue(1, sample, 2));
                        QCOMPARE(b, sim::sampleValue(4, sample, 2));
                    }
                    ++good;
                } else {
                    ++bad;
                }
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        QCOMPARE(good, 30);
        QVERIFY(bad >= 1 && bad <= 2); // the noise cost one frame, then the stream was found again

        // Stop while streaming: sent at once; its answer never counts as a bad frame.
        QCOMPARE(sendCommand(link, 52, {0, 0, 0, 0}), 1);
        QTRY_VERIFY(!drive.streaming());
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        while (link.bytesAvailable() >= 68) {
            uint8_t block[64];
            QVERIFY(link.receive(block, nullptr, 0));
        }
        int ok = 0;
        read65(link, 0x3000, &ok);
        QVERIFY(ok); // the link is clean for commands again
    }

    void stopFromAnotherThreadWhileReceiving()
    {
        DriveSimulator drive;
        QVERIFY(drive.start());
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, 0));
        for (int round = 0; round < 5; ++round) {
            QVERIFY(sendCommand(link, 50, {0, 1, 0, 0}));
            QVERIFY(sendCommand(link, 49, {1, 2, 3, 4}));
            QVERIFY(sendCommand(link, 51, {0, 0, 0, 0}));
            std::atomic<bool> run{true};
            std::atomic<int> frames{0};
            std::thread receiver([&] {
                while (run) {
                    if (link.bytesAvailable() >= 68) {
                        uint8_t block[64];
                        uint32_t unread;
                        frames += link.receive(block, &unread, 0);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            });
            QTRY_VERIFY(frames > 3);
            sendCommand(link, 52, {0, 0, 0, 0});
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            run = false;
            receiver.join();
            QTRY_VERIFY(!drive.streaming());
        }
    }

    // A failed register access says why, on either interface, in words the
    // engineer can act on.
    void registerRepliesSayWhy_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("words");
        for (bool rs485 : {false, true}) {
            const char *side = rs485 ? "RS485" : "RS232";
            QTest::addRow("%s unknown register", side)
                << rs485 << "unknown" << int(LinkStatus::Refused)
                << (rs485 ? "refused by the drive (illegal data address)" : "refused by the drive (unknown register)");
            QTest::addRow("%s value outside the limits", side)
                << rs485 << "range" << int(LinkStatus::Refused)
                << (rs485 ? "refused by the drive (illegal data value)" : "refused by the drive (value refused)");
            QTest::addRow("%s silent", side) << rs485 << "silent" << int(LinkStatus::NoAnswer) << "no answer";
            QTest::addRow("%s unplugged", side) << rs485 << "unplug" << int(LinkStatus::DeviceGone)
                                                << "the serial device is gone (adapter unplugged?)";
            QTest::addRow("%s closed", side) << rs485 << "closed" << int(LinkStatus::NotOpen) << "the port is not open";
        }
    }
    void registerRepliesSayWhy()
    {
        QFETCH(bool, rs485);
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QString, words);
        sim::SimOptions o;
        o.rs485 = rs485;
        o.database = QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
        sim::DriveSimulator drive(o);
        QVERIFY(drive.start());
        SerialLinkDriver link;
        setLinkDriver(&link);
        LinkSettings().rs485 = rs485;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0));
        QVERIFY(readDriveRegister(kRunStateRegister).ok());
        if (fault == QLatin1String("silent"))
            drive.setSilent(true);
        else if (fault == QLatin1String("unplug"))
            drive.unplug();
        else if (fault == QLatin1String("closed"))
            link.close();
        // F0-13 takes 0.00..650.00 (raw 65000 at most); 0xF0FF is no register of this drive.
        const RegisterReply r = fault == QLatin1String("range") ? writeDriveRegister(0xF00D, 65535)
                                : fault == QLatin1String("unknown") ? readDriveRegister(0xF0FF)
                                                                    : readDriveRegister(0xF00D);
        QCOMPARE(int(r.status), status);
        QCOMPARE(describeReply(r), words);
        setLinkDriver(nullptr);
        LinkSettings() = LinkSettingsData{};
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
