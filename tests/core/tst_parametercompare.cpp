#include "TestSupport.h"
#include "paramdb/ParameterCompare.h"
#include "paramdb/ParameterRules.h"

#include <QTest>

using namespace dr420;

namespace {
ParameterRecord record(const QString &pno, const QString &value, int zpoint = 0, int inputType = 0)
{
    ParameterRecord r;
    r.PNO = pno;
    r.Name = QStringLiteral("Name of ") + pno;
    r.Value = value;
    r.ZPoint = uint8_t(zpoint);
    r.InputType = inputType;
    r.RW = kReadWrite;
    return r;
}
} // namespace

class TestParameterCompare : public QObject
{
    Q_OBJECT
private slots:
    void valuesCompareAsTheDriveSeesThem_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("zpoint");
        QTest::addColumn<bool>("same");
        QTest::newRow("selection 00 and 0") << "00" << "0" << 0 << true;
        QTest::newRow("50.0 and 50.00 with 2 decimals") << "50.0" << "50.00" << 2 << true;
        QTest::newRow("blanks around") << " 5 " << "5" << 0 << true;
        QTest::newRow("digits beyond the decimals are dropped") << "1.239" << "1.23" << 2 << true;
        QTest::newRow("a different register value") << "50.01" << "50.00" << 2 << false;
        QTest::newRow("multi-digit 0012 and 12") << "0012" << "12" << 0 << true;
        QTest::newRow("text is not zero") << "abc" << "0" << 0 << false;
        QTest::newRow("empty is not zero") << "" << "0" << 0 << false;
        QTest::newRow("the same text") << "abc" << "abc" << 0 << true;
    }
    void valuesCompareAsTheDriveSeesThem()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, zpoint);
        QFETCH(bool, same);
        const ParameterRecord r = record(QStringLiteral("F0-01"), a, zpoint);
        QCOMPARE(sameDriveValue(r, a, b), same);
        QCOMPARE(sameDriveValue(r, b, a), same);
    }

    void comparisonListsDifferencesAndOneSidedParametersOnce()
    {
        const ParameterList first = {record("F0-00", "1"), record("F0-01", "00"), record("F0-02", "50.00", 2),
                                     record("F0-03", "7"), record("F0-03", "8") /* a number twice: the first counts */};
        const ParameterList second = {record("F0-04", "3"), record("F0-02", "45.00", 2), record("F0-01", "0"),
                                      record("F0-00", "1")};
        const Comparison c = CompareParameterLists(first, second);
        QCOMPARE(c.total(), 5);
        QCOMPARE(c.differences(), 3);
        QCOMPARE(c.summary(), QStringLiteral("3 of 5 parameters differ"));
        QStringList differing;
        for (const CompareRow &row : c.rows)
            if (row.differs)
                differing << row.pno + QLatin1Char('=') + row.first + QLatin1Char('|') + row.second;
        QCOMPARE(differing, (QStringList{"F0-02=50.00|45.00", "F0-03=7|", "F0-04=|3"}));
        QCOMPARE(c.rows[3].side, CompareRow::OnlyFirst);
        QCOMPARE(c.rows[4].side, CompareRow::OnlySecond);
    }

    void csvQuotesWhatNeedsIt()
    {
        ParameterRecord a = record("F0-01", "1");
        a.Name = QStringLiteral("Start, \"quick\"");
        a.Unit = QStringLiteral("Hz");
        ParameterRecord b = a;
        b.Value = QStringLiteral("2");
        const Comparison c = CompareParameterLists({a, record("F0-02", "5")}, {b, record("F0-02", "5")});
        QCOMPARE(comparisonCsv(c, QStringLiteral("Table"), QStringLiteral("line 3.mdb"), true),
                 QByteArray("PNO,Name,Table,line 3.mdb,Unit\nF0-01,\"Start, \"\"quick\"\"\",1,2,Hz\n"));
        QCOMPARE(comparisonCsv(c, QStringLiteral("A"), QStringLiteral("B"), false).count('\n'), 3);
    }
};

QTEST_GUILESS_MAIN(TestParameterCompare)
#include "tst_parametercompare.moc"
