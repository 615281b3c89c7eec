#include "TestSupport.h"
#include "paramdb/DriveTransfer.h"
#include "paramdb/ParameterRules.h"

#include <QTest>

using namespace dr420;

namespace {
ParameterRecord numeric(const QString &pno, const QString &value, int rw = 2, int sign = 0, int zpoint = 0,
                        const QString &lo = QStringLiteral("-1000"), const QString &hi = QStringLiteral("1000"))
{
    ParameterRecord r;
    r.PNO = pno;
    r.Value = value;
    r.RW = rw;
    r.Sign = sign;
    r.ZPoint = uint8_t(zpoint);
    r.MinVal = lo;
    r.MaxVal = hi;
    return r;
}

QStringList runAll(TransferRun &run)
{
    QStringList lines;
    while (!run.finished())
        lines << run.step();
    return lines;
}
} // namespace

class TestDriveTransfer : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        ParameterTable().clear();
        LinkSettings() = LinkSettingsData{};
    }

    void readThreeOfTenFail()
    {
        test::ScriptedLink link;
        QStringList numbers;
        for (int i = 0; i < 10; ++i) {
            const QString pno = QStringLiteral("F0-%1").arg(i, 2, 10, QLatin1Char('0'));
            ParameterTable().push_back(numeric(pno, QStringLiteral("0")));
            numbers << pno;
            link.registers.insert(PnoToAddress(pno), uint16_t(100 + i));
        }
        for (int i : {2, 5, 9})
            link.failingAddresses.insert(PnoToAddress(numbers[i]));
        TransferRun run(TransferRun::Read, numbers);
        const QStringList lines = runAll(run);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines[0], QStringLiteral("Function Code F0-00 Read successful!"));
        QCOMPARE(lines[2], QStringLiteral("Function Code F0-02 Read Failure!"));
        QCOMPARE(run.failures(), 3);
        QCOMPARE(run.progress(), 100);
        QCOMPARE(run.summary(), QStringLiteral("3 function code read failed!"));
        QCOMPARE(ParameterTable()[1].Value, QStringLiteral("101"));
        QCOMPARE(ParameterTable()[2].Value, QStringLiteral("0")); // a failed read keeps the old value
        // Each read went out as command 65 of its own address.
        QCOMPARE(link.calls()[3].a, 65);
        QCOMPARE(link.calls()[3].b, int(PnoToAddress(QStringLiteral("F0-03"))));
    }

    void readConvertsTheRawValue_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("sign");
        QTest::addColumn<int>("zpoint");
        QTest::addColumn<QString>("shown");
        QTest::newRow("RS232 signed ZPoint 1, -10") << false << 0xFFF6 << 1 << 1 << "-1.0";
        QTest::newRow("RS485 signed ZPoint 1, -10") << true << 0xFFF6 << 1 << 1 << "-1.0";
        QTest::newRow("unsigned ZPoint 2") << false << 5000 << 0 << 2 << "50.00";
    }
    void readConvertsTheRawValue()
    {
        QFETCH(bool, rs485);
        QFETCH(int, raw);
        QFETCH(int, sign);
        QFETCH(int, zpoint);
        QFETCH(QString, shown);
        test::ScriptedLink link;
        LinkSettings().rs485 = rs485;
        LinkSettings().station = 9;
        ParameterTable() = {numeric(QStringLiteral("A2-03"), QStringLiteral("0"), 2, sign, zpoint)};
        link.registers.insert(PnoToAddress(QStringLiteral("A2-03")), uint16_t(raw));
        QVERIFY(ReadParameter(QStringLiteral("A2-03")));
        QCOMPARE(ParameterTable()[0].Value, shown);
        QCOMPARE(link.calls().first().op, rs485 ? QStringLiteral("read") : QStringLiteral("command"));
        if (rs485)
            QCOMPARE(link.calls().first().a, 9);
        QVERIFY(!ReadParameter(QStringLiteral("X9-99")));
    }

    void writeCases_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("rw");
        QTest::addColumn<int>("inputType");
        QTest::addColumn<int>("zpoint");
        QTest::addColumn<uint16_t>("runState");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("counted");
        QTest::addColumn<int>("sent"); // raw value written, -1 for no write
        const QString ok = QStringLiteral("The function code P0-05 was written successfully!");
        const QString range = QStringLiteral("Function code P0-05 failed to write! Because the written value is out of range!");
        QTest::newRow("equal to the upper limit is sent") << "100" << 2 << 0 << 0 << uint16_t(3) << ok << false << 100;
        QTest::newRow("above it: refused, no traffic") << "100.5" << 2 << 0 << 0 << uint16_t(3) << range << true << -1;
        QTest::newRow("0.29 with ZPoint 2 sends 29") << "0.29" << 2 << 0 << 2 << uint16_t(3) << ok << false << 29;
        QTest::newRow("selection: an option key, no range check") << "500" << 2 << -1 << 0 << uint16_t(3) << ok << false << 500;
        // As the write run always did: the drive judges a number that is no option.
        QTest::newRow("selection: no such option, sent for the drive to judge") << "7" << 2 << -1 << 0 << uint16_t(3) << ok << false << 7;
        QTest::newRow("selection: not a number, no traffic") << "five" << 2 << -1 << 0 << uint16_t(3) << range << true << -1;
        QTest::newRow("selection: a sign alone, no traffic") << "-" << 2 << -1 << 0 << uint16_t(3) << range << true << -1;
        QTest::newRow("not a number: refused, not sent as 0") << "abc" << 2 << 0 << 0 << uint16_t(3) << range << true << -1;
        QTest::newRow("read-only: success line, no traffic") << "5" << 0 << 0 << 0 << uint16_t(3) << ok << false << -1;
        QTest::newRow("RW1 while running: refused, not counted")
            << "5" << 1 << 0 << 0 << uint16_t(1)
            << QStringLiteral("Function code P0-05 cannot be modified during operation!") << false << -1;
        QTest::newRow("RW1 stopped: sent") << "5" << 1 << 0 << 0 << uint16_t(3) << ok << false << 5;
    }
    void writeCases()
    {
        QFETCH(QString, value);
        QFETCH(int, rw);
        QFETCH(int, inputType);
        QFETCH(int, zpoint);
        QFETCH(uint16_t, runState);
        QFETCH(QString, line);
        QFETCH(bool, counted);
        QFETCH(int, sent);
        test::ScriptedLink link;
        link.registerValue = runState;
        ParameterRecord r = numeric(QStringLiteral("P0-05"), value, rw, 0, zpoint, QStringLiteral("0"), QStringLiteral("100"));
        r.InputType = inputType;
        if (inputType)
            r.Options[0] = QStringList{QStringLiteral("500:Five hundred")};
        ParameterTable() = {r};
        TransferRun run(TransferRun::Write, {QStringLiteral("P0-05")});
        QCOMPARE(run.step(), line);
        QCOMPARE(run.failures(), counted ? 1 : 0);
        QList<test::ScriptedLink::Call> writes;
        for (const auto &c : link.calls())
            if (c.a == 66)
                writes << c;
        if (sent < 0) {
            QVERIFY(writes.isEmpty());
        } else {
            QCOMPARE(writes.size(), 1);
            QCOMPARE(writes[0].b, int(PnoToAddress(QStringLiteral("P0-05"))));
            QCOMPARE(int(writes[0].data[2] | (writes[0].data[3] << 8)), sent);
        }
    }

    void writeLimitFromAnotherParameterAndFailures()
    {
        test::ScriptedLink link;
        ParameterTable() = {numeric(QStringLiteral("F0-07"), QStringLiteral("60.00")),
                            numeric(QStringLiteral("F0-12"), QStringLiteral("61.00"), 2, 0, 2, QStringLiteral("0"), QStringLiteral("F0-07")),
                            numeric(QStringLiteral("F0-13"), QStringLiteral("1"), 2, 0, 0, QStringLiteral("0"), QStringLiteral("NOPE")),
                            numeric(QStringLiteral("F0-14"), QStringLiteral("1"))};
        ParameterTable()[1].MaxLmt = -1;
        ParameterTable()[2].MaxLmt = -1;
        link.failingAddresses.insert(PnoToAddress(QStringLiteral("F0-14")));
        TransferRun run(TransferRun::Write, {QStringLiteral("F0-12"), QStringLiteral("F0-13"), QStringLiteral("F0-14"), QStringLiteral("F0-07")});
        const QStringList lines = runAll(run);
        QVERIFY(lines[0].endsWith(QLatin1String("Because the written value is out of range!")));
        QVERIFY(lines[1].endsWith(QLatin1String("Because the written value is out of range!")));
        QCOMPARE(lines[2], QStringLiteral("Function code F0-14 failed to write!"));
        QCOMPARE(run.summary(), QStringLiteral("3Function code write failed!"));
        ParameterTable()[0].Value = QStringLiteral("61.00");
        TransferRun again(TransferRun::Write, {QStringLiteral("F0-12")});
        QCOMPARE(again.step(), QStringLiteral("The function code F0-12 was written successfully!"));
    }
};

QTEST_GUILESS_MAIN(TestDriveTransfer)
#include "tst_drivetransfer.moc"
