// A drive that answers late now and then must never shift a value onto the
// wrong register, at any delay; a late answer costs a second try, not the
// parameter.
#include "DriveSimulator.h"
#include "link/SerialLinkDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

using namespace dr420;
using dr420::sim::DriveSimulator;
using dr420::sim::SimOptions;

namespace {
constexpr uint16_t kFirst = 0xF000;
constexpr int kRegisters = 20;

uint16_t expected(int i)
{
    return uint16_t(0x1100 + 7 * i);
}

// One read through the interface in use; 0 is success as for LinkReadRegister.
int readOne(SerialLinkDriver &link, bool rs485, uint16_t address, uint16_t *value)
{
    if (rs485) {
        uint32_t slot = 0xDEAD;
        const int status = link.readRegister(1, address, &slot);
        *value = uint16_t(slot);
        return status;
    }
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), 0, 0};
    uint8_t response[4] = {0xAD, 0xDE, 0, 0};
    const int ok = link.command(65, data, response);
    *value = uint16_t(response[0] | (response[1] << 8));
    return ok ? 0 : 1;
}

struct Tally {
    int ok = 0;
    int failed = 0;
    QStringList wrong;
};

Tally readAll(SerialLinkDriver &link, bool rs485, int rounds)
{
    Tally t;
    for (int r = 0; r < rounds; ++r)
        for (int i = 0; i < kRegisters; ++i) {
            uint16_t v = 0;
            if (readOne(link, rs485, uint16_t(kFirst + i), &v) != 0) {
                ++t.failed;
            } else if (v != expected(i)) {
                t.wrong << QStringLiteral("register %1 read %2").arg(i).arg(v, 0, 16);
            } else {
                ++t.ok;
            }
        }
    return t;
}

void defineRegisters(DriveSimulator &drive)
{
    for (int i = 0; i < kRegisters; ++i)
        drive.defineRegister(uint16_t(kFirst + i), expected(i));
}
} // namespace

class TestLateAnswers : public QObject
{
    Q_OBJECT
private slots:
    void lateAnswersNeverShiftValues_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("lateMs");
        for (bool rs485 : {false, true}) {
            const char *side = rs485 ? "RS485" : "RS232";
            for (int ms : {250, 650, 1200})
                QTest::addRow("%s every 5th %d ms late", side, ms) << rs485 << 5 << ms;
            // Later than the link waits: the parameter fails, nothing shifts.
            QTest::addRow("%s every 7th 2500 ms late", side) << rs485 << 7 << 2500;
            QTest::addRow("%s every answer 250 ms late", side) << rs485 << 1 << 250;
        }
    }
    void lateAnswersNeverShiftValues()
    {
        QFETCH(bool, rs485);
        QFETCH(int, every);
        QFETCH(int, lateMs);
        SimOptions o;
        o.rs485 = rs485;
        o.lateEvery = every;
        o.lateMs = lateMs;
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        defineRegisters(drive);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0));
        const int rounds = every == 1 || lateMs > 2000 ? 1 : 2;
        const Tally t = readAll(link, rs485, rounds);
        QVERIFY2(t.wrong.isEmpty(), qPrintable(t.wrong.join(QStringLiteral(", "))));
        QCOMPARE(t.ok + t.failed, rounds * kRegisters);
        if (every > 1 && lateMs <= SerialLinkDriver::kLateAnswerWaitMs)
            QCOMPARE(t.failed, 0); // each late answer cost a second try only
        else
            QVERIFY(t.failed >= 1);
        // And the link is well again once the drive is. A drive that answered
        // everything late still owes answers to the requests it queued: let it
        // finish the one it is busy with.
        drive.setLateAnswers(0, 0);
        QTest::qWait(lateMs + 150);
        const Tally after = readAll(link, rs485, 1);
        QVERIFY2(after.wrong.isEmpty(), qPrintable(after.wrong.join(QStringLiteral(", "))));
        QVERIFY2(after.failed <= 1, qPrintable(QString::number(after.failed)));
    }

    void lateAnswerThenSilence_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::newRow("RS232") << false;
        QTest::newRow("RS485") << true;
    }
    void lateAnswerThenSilence()
    {
        QFETCH(bool, rs485);
        SimOptions o;
        o.rs485 = rs485;
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        defineRegisters(drive);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0));
        drive.setLateAnswers(1, 300);
        uint16_t v = 0;
        QCOMPARE(readOne(link, rs485, kFirst, &v), 1);
        drive.setSilent(true); // the late answer is still on its way
        QElapsedTimer t;
        t.start();
        for (int i = 1; i < 30; ++i)
            QCOMPARE(readOne(link, rs485, uint16_t(kFirst + i % kRegisters), &v), 1);
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
        // The drive comes back answering at once: the first answer may be
        // taken only after the guard, and must be its own.
        drive.setLateAnswers(0, 0);
        drive.setSilent(false);
        const Tally after = readAll(link, rs485, 1);
        QVERIFY2(after.wrong.isEmpty(), qPrintable(after.wrong.join(QStringLiteral(", "))));
        QVERIFY(after.ok >= kRegisters - 1);
    }

    void silentDriveFailsFast_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<int>("baud");
        QTest::newRow("RS232 115200") << false << 115200;
        QTest::newRow("RS485 115200") << true << 115200;
        QTest::newRow("RS485 9600") << true << 9600;
    }
    void silentDriveFailsFast()
    {
        QFETCH(bool, rs485);
        QFETCH(int, baud);
        SimOptions o;
        o.rs485 = rs485;
        o.baud = baud;
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        drive.setSilent(true);
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), baud, rs485 ? 2 : 0));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 30; ++i) {
            uint16_t v = 0;
            QCOMPARE(readOne(link, rs485, uint16_t(kFirst + i), &v), 1);
        }
        QVERIFY2(t.elapsed() < 5000, qPrintable(QStringLiteral("30 reads took %1 ms").arg(t.elapsed())));
    }

    void refusalsFailAtOnce_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::newRow("RS232") << false;
        QTest::newRow("RS485") << true;
    }
    void refusalsFailAtOnce()
    {
        QFETCH(bool, rs485);
        SimOptions o;
        o.rs485 = rs485;
        o.database = QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
        DriveSimulator drive(o);
        QVERIFY(drive.start());
        SerialLinkDriver link;
        QVERIFY(link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0));
        uint16_t v = 0;
        QElapsedTimer t;
        t.start();
        // A register the drive with a database does not have is refused.
        const int status = readOne(link, rs485, 0xE777, &v);
        QVERIFY(status != 0);
        if (rs485)
            QCOMPARE(status, int(SerialLinkDriver::Refused));
        // Before the time-out: it was an answer, not silence.
        QVERIFY2(t.elapsed() < SerialLinkDriver::kAnswerTimeoutMs, qPrintable(QString::number(t.elapsed())));
        // A refusal is an answer: no guard (which would take 500 ms), the next read goes through.
        t.restart();
        QCOMPARE(readOne(link, rs485, 0x3000, &v), 0);
        QCOMPARE(v, uint16_t(3));
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestLateAnswers)
#include "tst_lateanswers.moc"
