#include "DriveSimulator.h"
#include "link/SerialLinkDriver.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

using namespace dr420;

namespace {
// A third-party Modbus RTU slave (libmodbus's own server) on a pseudo-terminal.
class LibmodbusSlave
{
public:
    // Every `lateEvery`-th reply goes out `lateMs` late (0: never).
    explicit LibmodbusSlave(int station, int lateEvery = 0, int lateMs = 0)
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(m_master);
        unlockpt(m_master);
        m_path = QString::fromLocal8Bit(ptsname(m_master));
        m_keepOpen = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
        m_ctx = modbus_new_rtu("/dev/null", 115200, 'N', 8, 2);
        modbus_set_slave(m_ctx, station);
        modbus_set_socket(m_ctx, m_master);
        m_map = modbus_mapping_new_start_address(0, 0, 0, 0, 0x3000, 16, 0, 0);
        m_map->tab_registers[0] = 3;
        for (int i = 1; i < 16; ++i)
            m_map->tab_registers[i] = uint16_t(0x2000 + 13 * i);
        m_thread = std::thread([this, lateEvery, lateMs] {
            uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!m_stop) {
                pollfd p{m_master, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const int n = modbus_receive(m_ctx, query);
                if (n <= 0)
                    continue;
                if (lateEvery > 0 && ++m_replies % lateEvery == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
                modbus_reply(m_ctx, query, n, m_map);
            }
        });
    }
    ~LibmodbusSlave()
    {
        m_stop = true;
        m_thread.join();
        modbus_mapping_free(m_map);
        modbus_free(m_ctx);
        ::close(m_master);
        ::close(m_keepOpen);
    }
    QString path() const { return m_path; }
    uint16_t reg(int offset) const { return m_map->tab_registers[offset]; }

private:
    int m_master = -1;
    int m_keepOpen = -1;
    QString m_path;
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
    std::atomic<bool> m_stop{false};
    int m_replies = 0; // server thread only
    std::thread m_thread;
};
} // namespace

class TestModbusInterop : public QObject
{
    Q_OBJECT
private slots:
    void ourMasterAgainstLibmodbusSlave()
    {
        LibmodbusSlave slave(7);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(slave.path(), 115200, 2));
        uint32_t value = 0;
        QCOMPARE(link.readRegister(7, 0x3000, &value), 0);
        QCOMPARE(value, 3u);
        QCOMPARE(link.writeRegister(7, 0x3005, 4321), 0);
        QCOMPARE(slave.reg(5), uint16_t(4321));
        QCOMPARE(link.readRegister(7, 0x3005, &value), 0);
        QCOMPARE(value, 4321u);
        // Outside the slave's table: an exception answer, reported as a refusal.
        QCOMPARE(link.readRegister(7, 0x4000, &value), int(SerialLinkDriver::Refused));
        QCOMPARE(link.readRegister(8, 0x3000, &value), int(SerialLinkDriver::NoAnswer));
    }

    // 40 reads of a slave that is not ours, every 5th answer late: each value
    // is its register's, and a late answer costs a second try only. Later
    // than the link waits, reads fail but nothing shifts.
    void lateAnswersFromLibmodbusSlave_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<bool>("allRead");
        QTest::newRow("every 5th 250 ms late") << 5 << 250 << true;
        QTest::newRow("every 5th 650 ms late") << 5 << 650 << true;
        QTest::newRow("every 5th 1200 ms late") << 5 << 1200 << true;
        QTest::newRow("every 3rd 450 ms late") << 3 << 450 << false;
        QTest::newRow("every 6th 2500 ms late") << 6 << 2500 << false;
    }
    void lateAnswersFromLibmodbusSlave()
    {
        QFETCH(int, every);
        QFETCH(int, lateMs);
        QFETCH(bool, allRead);
        LibmodbusSlave slave(7, every, lateMs);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(slave.path(), 115200, 2));
        int ok = 0;
        int failed = 0;
        const int reads = lateMs > 2000 ? 20 : 40;
        for (int k = 0; k < reads; ++k) {
            const int i = 1 + k % 15;
            uint32_t value = 0;
            const int status = link.readRegister(7, uint16_t(0x3000 + i), &value);
            if (status == 0) {
                QCOMPARE(value, uint32_t(0x2000 + 13 * i)); // never another register's value
                ++ok;
            } else {
                QCOMPARE(status, int(SerialLinkDriver::NoAnswer));
                ++failed;
            }
        }
        if (allRead)
            QCOMPARE(ok, reads);
        else // the link recovers between late answers
            QVERIFY2(ok >= 3, qPrintable(QStringLiteral("%1 ok, %2 failed").arg(ok).arg(failed)));
    }

    void simulatorAgainstMbpoll()
    {
        const QString mbpoll = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
        if (mbpoll.isEmpty())
            QSKIP("mbpoll is not installed");
        sim::SimOptions o;
        o.rs485 = true;
        o.station = 3;
        sim::DriveSimulator drive(o);
        QVERIFY(drive.start());
        drive.defineRegister(0xF001, 0);
        const QStringList common{"-m", "rtu", "-a", "3", "-b", "115200", "-P", "none", "-s", "2", "-t", "4", "-0"};
        QProcess p;
        p.start(mbpoll, common + QStringList{"-r", "61441", drive.slavePath(), "4711"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(drive.registerValue(0xF001), uint16_t(4711));
        p.start(mbpoll, common + QStringList{"-r", "12288", "-c", "1", "-1", drive.slavePath()});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(p.readAllStandardOutput().contains("[12288]: \t3"), "mbpoll did not read the run state");
        // A write the drive refuses comes back as a Modbus exception.
        p.start(mbpoll, common + QStringList{"-r", "57344", drive.slavePath(), "1"});
        QVERIFY(p.waitForFinished(10000));
        QVERIFY(p.exitCode() != 0 || p.readAllStandardError().contains("Illegal"));
    }
};

QTEST_GUILESS_MAIN(TestModbusInterop)
#include "tst_modbusinterop.moc"
