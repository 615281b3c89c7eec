#include "common/ShellRules.h"

#include <QTest>

class TestShellRules : public QObject
{
    Q_OBJECT
private slots:
    void clockFormat_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero padded") << QDateTime(QDate(2019, 10, 23), QTime(8, 5, 9)) << "2019/10/23 08:05:09";
        QTest::newRow("afternoon is 24 h") << QDateTime(QDate(2026, 1, 2), QTime(23, 59, 59)) << "2026/01/02 23:59:59";
    }
    void clockFormat()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QCOMPARE(dr420::formatClock(when), text);
    }

    void splashDotsBuildUpAndCounterSurvives()
    {
        int counter = 6;
        const QStringList drawn = dr420::splashDrawSequence(counter);
        QCOMPARE(drawn.size(), 21); // 1 + 2 + ... + 6
        QCOMPARE(counter, 6);
        QCOMPARE(drawn.first(), QStringLiteral("Read program parameter file."));
        QCOMPARE(drawn[1], QStringLiteral("Read program parameter file."));
        QCOMPARE(drawn[2], QStringLiteral("Read program parameter file.."));
        QCOMPARE(drawn.last(), QStringLiteral("Read program parameter file......"));
        counter = 2;
        QCOMPARE(dr420::splashDrawSequence(counter).first(), QStringLiteral("Read program parameter file."));
        QCOMPARE(counter, 2);
    }

    void colourValuesKeepRedInTheLowByte()
    {
        const unsigned c = dr420::colorRef(0x12, 0x34, 0x56);
        QCOMPARE(c, 0x00563412u);
        QCOMPARE(dr420::colorRefRed(c), 0x12);
        QCOMPARE(dr420::colorRefGreen(c), 0x34);
        QCOMPARE(dr420::colorRefBlue(c), 0x56);
    }
};

QTEST_GUILESS_MAIN(TestShellRules)
#include "tst_shellrules.moc"
