#include "TestSupport.h"
#include "paramdb/ParameterRules.h"

#include <QTest>

using namespace dr420;

namespace {
ParameterRecord numeric(const QString &pno, const QString &value, const QString &lo, const QString &hi,
                        int minRef = 0, int maxRef = 0)
{
    ParameterRecord r;
    r.PNO = pno;
    r.Value = value;
    r.MinVal = lo;
    r.MaxVal = hi;
    r.MinLmt = minRef;
    r.MaxLmt = maxRef;
    return r;
}
} // namespace

class TestParameterRules : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ParameterTable().clear(); }

    void formatRawValue_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("sign");
        QTest::addColumn<int>("zpoint");
        QTest::addColumn<QString>("text");
        QTest::newRow("FFFF signed ZPoint 2") << 0xFFFF << 1 << 2 << "-0.01";
        QTest::newRow("FFFF unsigned ZPoint 2") << 0xFFFF << 0 << 2 << "655.35";
        QTest::newRow("5 ZPoint 0") << 5 << 0 << 0 << "5";
        QTest::newRow("5 ZPoint 4") << 5 << 0 << 4 << "0.0005";
        QTest::newRow("5 ZPoint 5 is empty") << 5 << 0 << 5 << "";
        QTest::newRow("-10 signed ZPoint 1") << 0xFFF6 << 1 << 1 << "-1.0";
        QTest::newRow("most negative") << 0x8000 << 1 << 0 << "-32768";
        QTest::newRow("5000 ZPoint 2") << 5000 << 0 << 2 << "50.00";
        QTest::newRow("ZPoint 3") << 1234 << 0 << 3 << "1.234";
    }
    void formatRawValue()
    {
        QFETCH(int, raw);
        QFETCH(int, sign);
        QFETCH(int, zpoint);
        QFETCH(QString, text);
        QCOMPARE(FormatRawValue(uint16_t(raw), sign, zpoint), text);
    }

    void parseValueText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sign");
        QTest::addColumn<int>("zpoint");
        QTest::addColumn<int>("raw");
        QTest::newRow("12.345 ZPoint 2 truncates") << "12.345" << 0 << 2 << 1234;
        QTest::newRow("0.29 ZPoint 2 is exact") << "0.29" << 0 << 2 << 29;
        QTest::newRow("1.13 ZPoint 2 is exact") << "1.13" << 0 << 2 << 113;
        QTest::newRow("-1 signed") << "-1" << 1 << 0 << 0xFFFF;
        QTest::newRow("no number") << "abc" << 0 << 2 << 0;
        QTest::newRow("blanks trimmed") << "  50.00  " << 0 << 2 << 5000;
        QTest::newRow("trailing text ignored") << "7.5Hz" << 0 << 1 << 75;
        QTest::newRow("negative fraction toward zero") << "-0.019" << 1 << 2 << 0xFFFF;
        QTest::newRow("exponent") << "1.5e2" << 0 << 1 << 1500;
        QTest::newRow("ZPoint 5 not scaled") << "12.9" << 0 << 5 << 12;
        QTest::newRow("low 16 bits") << "65536" << 0 << 0 << 0;
        QTest::newRow("leading dot") << ".5" << 0 << 1 << 5;
        QTest::newRow("lone minus") << "-" << 1 << 0 << 0;
        QTest::newRow("huge exponent stays bounded") << "1e99999" << 0 << 0 << 0;
    }
    void parseValueText()
    {
        QFETCH(QString, text);
        QFETCH(int, sign);
        QFETCH(int, zpoint);
        QFETCH(int, raw);
        QCOMPARE(int(ParseValueText(text, sign, zpoint)), raw);
    }

    void formatThenParseRoundTrips()
    {
        for (int z = 0; z <= 4; ++z)
            for (int raw = 0; raw <= 0xFFFF; raw += 7)
                for (int sign = 0; sign <= 1; ++sign)
                    QCOMPARE(int(ParseValueText(FormatRawValue(uint16_t(raw), sign, z), sign, z)), raw);
    }

    void pnoToAddress_data()
    {
        QTest::addColumn<QString>("pno");
        QTest::addColumn<int>("address");
        QTest::newRow("F001") << "F001" << 0xF001;
        QTest::newRow("A215: decimal low part") << "A215" << (0xA000 + 0x200 + 15);
        QTest::newRow("P as A") << "P0-01" << 0xA001;
        QTest::newRow("U") << "U0-03" << 0x1003;
        QTest::newRow("FH override") << "FH-05" << (0x1000 + 0x0F00 + 5);
        QTest::newRow("low part reads the leading digits") << " f0-1a" << 0xF001;
        QTest::newRow("lower case dashed") << "f0-12" << 0xF012 - 0x12 + 12;
        QTest::newRow("hex middle") << "FA-07" << (0xF000 + 0xA00 + 7);
        QTest::newRow("unknown first char counts 0") << "Z1-02" << (0x100 + 2);
    }
    void pnoToAddress()
    {
        QFETCH(QString, pno);
        QFETCH(int, address);
        QCOMPARE(int(PnoToAddress(pno)), address);
    }

    void pnoHasRegister_data()
    {
        QTest::addColumn<QString>("pno");
        QTest::addColumn<bool>("has");
        QTest::newRow("F0-11") << "F0-11" << true;
        QTest::newRow("blanks and case") << " f0-11 " << true;
        QTest::newRow("FH-05") << "FH-05" << true;
        QTest::newRow("U0-03") << "U0-03" << true;
        QTest::newRow("P0-01") << "P0-01" << true;
        QTest::newRow("unknown letter second") << "FX-11" << false;
        QTest::newRow("unknown letter first") << "G0-11" << false;
        QTest::newRow("three digits") << "F0-123" << false;
        QTest::newRow("one digit") << "F0-1" << false;
        QTest::newRow("letter in the index") << "F0-1A" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("H without F") << "AH-01" << false;
    }
    void pnoHasRegister()
    {
        QFETCH(QString, pno);
        QFETCH(bool, has);
        QCOMPARE(PnoHasRegister(pno), has);
    }

    void optionKey_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("key");
        QTest::newRow("decimal") << "10:x" << 10;
        QTest::newRow("letter") << "A:z" << 10;
        QTest::newRow("F") << "F:z" << 15;
        QTest::newRow("leading zero") << "05:x" << 5;
        QTest::newRow("leading blanks") << "  7:x" << 7;
        QTest::newRow("no colon") << "12" << 12;
        QTest::newRow("starts with colon") << ":x" << 0;
        QTest::newRow("no number") << "x:y" << 0;
        QTest::newRow("negative") << "-3:y" << -3;
    }
    void optionKey()
    {
        QFETCH(QString, option);
        QFETCH(int, key);
        QCOMPARE(OptionKey(option), key);
    }

    void optionListsSortStablyPerList()
    {
        ParameterRecord sel;
        sel.PNO = QStringLiteral("F0-01");
        sel.InputType = -1;
        sel.Options[0] = QStringList{"10:x", "2:y", "A:z", "1:w"};
        ParameterRecord multi;
        multi.PNO = QStringLiteral("F0-02");
        multi.InputType = -1;
        multi.MultiLmt = 1;
        multi.Options[1] = QStringList{"1:b", "0:a"};
        multi.Options[3] = QStringList{"B:y", "3:x"};
        multi.Options[0] = QStringList{"9:untouched", "1:untouched"};
        ParameterTable() = {sel, multi};
        SortOptionLists();
        QCOMPARE(ParameterTable()[0].Options[0], (QStringList{"1:w", "2:y", "10:x", "A:z"}));
        QCOMPARE(ParameterTable()[1].Options[1], (QStringList{"0:a", "1:b"}));
        QCOMPARE(ParameterTable()[1].Options[3], (QStringList{"3:x", "B:y"}));
        QCOMPARE(ParameterTable()[1].Options[0], (QStringList{"9:untouched", "1:untouched"}));
    }

    void tableSortsByNumberAndFindTrims()
    {
        ParameterTable() = {numeric("F1-00", "1", "0", "9"), numeric(" F0-10 ", "2", "0", "9"), numeric("A2-00", "3", "0", "9")};
        SortParameterTable();
        QCOMPARE(ParameterTable()[0].PNO, QStringLiteral(" F0-10 "));
        QCOMPARE(ParameterTable()[1].PNO, QStringLiteral("A2-00"));
        ParameterRecord found;
        QVERIFY(FindParameter(QStringLiteral("F0-10  "), found));
        QCOMPARE(found.Value, QStringLiteral("2"));
        QVERIFY(!FindParameter(QStringLiteral("f0-10"), found));
    }

    void checkLimits_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("lo");
        QTest::addColumn<QString>("hi");
        QTest::addColumn<int>("minRef");
        QTest::addColumn<int>("maxRef");
        QTest::addColumn<bool>("passes");
        QTest::newRow("inside") << "12.5" << "0" << "100" << 0 << 0 << true;
        QTest::newRow("equal upper") << "100" << "0" << "100.00" << 0 << 0 << true;
        QTest::newRow("equal lower") << "0.00" << "0" << "100" << 0 << 0 << true;
        QTest::newRow("above") << "100.01" << "0" << "100" << 0 << 0 << false;
        QTest::newRow("below negative") << "-5" << "-4.5" << "100" << 0 << 0 << false;
        QTest::newRow("blanks") << " 50 " << " 0 " << " 60 " << 0 << 0 << true;
        QTest::newRow("upper from another parameter") << "45" << "0" << "REF-1" << 0 << -1 << true;
        QTest::newRow("above another parameter") << "45.01" << "0" << "REF-1" << 0 << -1 << false;
        QTest::newRow("lower from another parameter") << "5" << "REF-1" << "100" << -1 << 0 << false;
        QTest::newRow("reference missing fails") << "5" << "0" << "NOPE" << 0 << -1 << false;
    }
    void checkLimits()
    {
        QFETCH(QString, value);
        QFETCH(QString, lo);
        QFETCH(QString, hi);
        QFETCH(int, minRef);
        QFETCH(int, maxRef);
        QFETCH(bool, passes);
        ParameterTable() = {numeric(QStringLiteral("REF-1"), QStringLiteral("45.00"), QStringLiteral("0"), QStringLiteral("99"))};
        QCOMPARE(CheckLimits(numeric(QStringLiteral("X0-01"), value, lo, hi, minRef, maxRef)), passes);
    }

    void selectionsPassLimits()
    {
        ParameterRecord r = numeric(QStringLiteral("X"), QStringLiteral("99"), QStringLiteral("0"), QStringLiteral("1"));
        r.InputType = -1;
        QVERIFY(CheckLimits(r));
        r.InputType = 0;
        r.MultiLmt = 2;
        QVERIFY(CheckLimits(r));
    }

    void runState_data()
    {
        QTest::addColumn<bool>("rs485");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("RS232 stopped") << false << true << 3 << false << true;
        QTest::newRow("RS232 running") << false << true << 1 << true << false;
        QTest::newRow("RS232 no answer") << false << false << 3 << false << false;
        QTest::newRow("RS485 stopped") << true << true << 3 << false << true;
        QTest::newRow("RS485 running") << true << true << 0 << true << false;
        QTest::newRow("RS485 no answer") << true << false << 0 << false << false;
    }
    void runState()
    {
        QFETCH(bool, rs485);
        QFETCH(bool, answers);
        QFETCH(int, state);
        QFETCH(bool, running);
        QFETCH(bool, stopped);
        test::ScriptedLink link;
        link.answers = answers;
        link.registerValue = uint16_t(state);
        LinkSettings().rs485 = rs485;
        LinkSettings().station = 4;
        QCOMPARE(IsDriveRunning(), running);
        QCOMPARE(IsDriveStopped(), stopped);
        LinkSettings() = LinkSettingsData{};
        const auto calls = link.calls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].op, rs485 ? QStringLiteral("read") : QStringLiteral("command"));
        QCOMPARE(rs485 ? calls[0].b : int(calls[0].data[1]), rs485 ? 0x3000 : 0x30);
        // The link lock is free again afterwards.
        QVERIFY(linkLock().try_lock());
        linkLock().unlock();
    }
};

QTEST_GUILESS_MAIN(TestParameterRules)
#include "tst_parameterrules.moc"
