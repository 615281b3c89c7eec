#include "paramdb/EditDialogRules.h"

#include <QTest>

using namespace dr420;

Q_DECLARE_METATYPE(dr420::NumericVerdict)

namespace {
ParameterRecord multi(int mode, const QString &value, const QList<QStringList> &digits)
{
    ParameterRecord r;
    r.PNO = QStringLiteral("F7-02");
    r.InputType = -1;
    r.MultiLmt = uint8_t(mode);
    r.Value = value;
    for (int k = 0; k < digits.size(); ++k)
        r.Options[size_t(k + 1)] = digits[k];
    return r;
}

const QStringList kDecimal{"0:zero", "1:one", "2:two", "3:three"};
const QStringList kHex{"0:h0", "1:h1", "2:h2", "A:hA", "F:hF"};
} // namespace

class TestEditDialogRules : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ParameterTable().clear(); }

    void numericEdit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<NumericVerdict>("verdict");
        const auto A = NumericVerdict::Accept, I = NumericVerdict::Illegal, R = NumericVerdict::OutOfRange;
        QTest::newRow("12.5 in 0~100") << "12.5" << "0" << "100" << A;
        QTest::newRow("leading blank kept, still legal") << " 7" << "0" << "100" << A;
        QTest::newRow("lone minus reads 0") << "-" << "0" << "100" << A;
        QTest::newRow("lone plus") << "+" << "-5" << "5" << A;
        QTest::newRow("lone minus out of range") << "-" << "1" << "100" << R;
        QTest::newRow("equal to the upper limit") << "100.00" << "0" << "100" << A;
        QTest::newRow("above the upper limit") << "100.01" << "0" << "100" << R;
        QTest::newRow("below the lower limit") << "-0.5" << "0" << "100" << R;
        QTest::newRow("1.2.3") << "1.2.3" << "0" << "100" << I;
        QTest::newRow("5. is legal") << "5." << "0" << "100" << A;
        QTest::newRow("-.5 is legal") << "-.5" << "-1" << "100" << A;
        QTest::newRow(".5 is not") << ".5" << "0" << "100" << I;
        QTest::newRow("exponent is not") << "1e3" << "0" << "10000" << I;
        QTest::newRow("sign inside") << "1-2" << "0" << "100" << I;
        QTest::newRow("empty") << "  " << "0" << "100" << I;
        QTest::newRow("letters") << "12a" << "0" << "100" << I;
        QTest::newRow("missing referenced limit reads 0") << "5" << "0" << "" << R;
    }
    void numericEdit()
    {
        QFETCH(QString, typed);
        QFETCH(QString, lower);
        QFETCH(QString, upper);
        QFETCH(NumericVerdict, verdict);
        QCOMPARE(checkNumericEdit(typed, lower, upper), verdict);
    }

    void limitTextsResolveReferencesExactly()
    {
        ParameterRecord max;
        max.PNO = QStringLiteral("F0-07");
        max.Value = QStringLiteral("60.00");
        ParameterRecord r;
        r.PNO = QStringLiteral("F0-12");
        r.MinVal = QStringLiteral("0.00");
        r.MaxLmt = -1;
        r.MaxVal = QStringLiteral("F0-07");
        ParameterTable() = {max, r};
        QCOMPARE(rangeText(lowerLimitText(r), upperLimitText(r)), QStringLiteral("0.00~60.00"));
        r.MaxVal = QStringLiteral(" F0-07"); // no trimming here
        QCOMPARE(upperLimitText(r), QString());
        QCOMPARE(findExactParameter(QStringLiteral("F0-07")), 0);
        QCOMPARE(findExactParameter(QStringLiteral("f0-07")), -1);
    }

    void selection_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("preselected");
        QTest::newRow("0:Stop 1:Run with 1") << QStringList{"0:Stop", "1:Run"} << "1" << 1;
        QTest::newRow("05 does not equal 5") << QStringList{"00:a", "05:b"} << "5" << -1;
        QTest::newRow("05 equals 05") << QStringList{"00:a", "05:b"} << "05" << 1;
        QTest::newRow("no match") << QStringList{"0:Stop", "1:Run"} << "7" << -1;
        QTest::newRow("last of equal keys") << QStringList{"1:x", "1:y"} << "1" << 1;
        QTest::newRow("no colon has an empty key") << QStringList{"plain"} << "" << 0;
    }
    void selection()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, value);
        QFETCH(int, preselected);
        QCOMPARE(preselectedOption(options, value), preselected);
    }

    void selectionStoresTheKey_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("stored"); // "<unchanged>" when nothing is stored
        QTest::newRow("0:Stop") << "0:Stop" << "0";
        QTest::newRow("leading zero") << "05:five" << "5";
        QTest::newRow("letter key") << "A:ten" << "0";
        QTest::newRow("no colon") << "Stop" << "<unchanged>";
        QTest::newRow("colon first") << ":Stop" << "<unchanged>";
    }
    void selectionStoresTheKey()
    {
        QFETCH(QString, option);
        QFETCH(QString, stored);
        const auto value = selectionValue(option);
        QCOMPARE(value.value_or(QStringLiteral("<unchanged>")), stored);
    }

    void multiDigitPreselection_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QList<int>>("selected"); // digit 1 first
        QTest::newRow("d=3 with 12") << 1 << "12" << 3 << QList<int>{2, 1, 0};
        QTest::newRow("d=2 with 123: nothing") << 1 << "123" << 2 << QList<int>{-1, -1};
        QTest::newRow("MultiLmt 2 with 26 is A1") << 2 << "26" << 2 << QList<int>{3, 1};
        QTest::newRow("MultiLmt 2 with 0") << 2 << "0" << 2 << QList<int>{0, 0};
        QTest::newRow("sign: nothing") << 1 << "-1" << 2 << QList<int>{-1, -1};
        QTest::newRow("dot: nothing") << 1 << "1.0" << 3 << QList<int>{-1, -1, -1};
        QTest::newRow("blanks trimmed") << 1 << " 3 " << 2 << QList<int>{3, 0};
        QTest::newRow("digit without entry") << 1 << "9" << 1 << QList<int>{-1};
    }
    void multiDigitPreselection()
    {
        QFETCH(int, mode);
        QFETCH(QString, value);
        QFETCH(int, digits);
        QFETCH(QList<int>, selected);
        const QStringList &entries = mode == 2 ? kHex : kDecimal;
        QList<QStringList> lists;
        for (int k = 0; k < digits; ++k)
            lists << entries;
        const ParameterRecord r = multi(mode, value, lists);
        QCOMPARE(digitCount(r), digits);
        QCOMPARE(preselectedDigits(r), selected);
    }

    void multiDigitEntriesAndDigitCount()
    {
        ParameterRecord r = multi(1, "0", {{"0:a", "", "1:b"}, {"0:c", "", "1:d"}, {}, {"0:e"}});
        QCOMPARE(digitCount(r), 4); // list 3 empty, list 4 not
        QCOMPARE(digitEntries(r, 1), (QStringList{"0:a", "", "1:b"})); // digit 1 keeps everything
        QCOMPARE(digitEntries(r, 2), QStringList{"0:c"});               // the others stop at an empty text
        QCOMPARE(digitCount(multi(1, "0", {})), 0);
    }

    void multiDigitComposition_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("chosen"); // most significant first
        QTest::addColumn<QString>("value");
        QTest::newRow("007 is 7") << 1 << QStringList{"0:x", "0:y", "7:z"} << "7";
        QTest::newRow("000 is 0") << 1 << QStringList{"0:x", "0:y", "0:z"} << "0";
        QTest::newRow("hex 1A is 26") << 2 << QStringList{"1:x", "A:y"} << "26";
        QTest::newRow("hex FF") << 2 << QStringList{"F:x", "F:y"} << "255";
        QTest::newRow("first non-blank character") << 1 << QStringList{" 3:x", "2:y"} << "32";
        QTest::newRow("other characters count 0 in hex") << 2 << QStringList{"G:x", "1:y"} << "1";
    }
    void multiDigitComposition()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, chosen);
        QFETCH(QString, value);
        QCOMPARE(composeDigits(multi(mode, "0", {}), chosen).value_or(QString()), value);
        QVERIFY(!composeDigits(multi(3, "0", {}), chosen).has_value());
    }

    void valuesForTheDrive_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal"); // start of the reason; empty: accepted
        QTest::addColumn<QString>("stored");
        QTest::newRow("number in range") << "numeric" << "20.50" << "" << "20.50";
        QTest::newRow("upper limit") << "numeric" << "60.00" << "" << "60.00";
        QTest::newRow("letters") << "numeric" << "abc" << "Entered numbers are not legal!" << "";
        QTest::newRow("empty") << "numeric" << "" << "Entered numbers are not legal!" << "";
        QTest::newRow("decimal comma") << "numeric" << "1,5" << "Entered numbers are not legal!" << "";
        QTest::newRow("exponent") << "numeric" << "1e3" << "Entered numbers are not legal!" << "";
        QTest::newRow("two signs") << "numeric" << "1-2" << "Entered numbers are not legal!" << "";
        QTest::newRow("leading dot") << "numeric" << ".5" << "Entered numbers are not legal!" << "";
        QTest::newRow("above the range") << "numeric" << "60.01" << "Parameter value is out of range! (0.00~60.00)" << "";
        QTest::newRow("below a referenced limit") << "referenced" << "4" << "Parameter value is out of range! (5.00~60.00)" << "";
        QTest::newRow("missing limit parameter") << "dangling" << "10" << "its limit parameter F9-99 is missing" << "";
        QTest::newRow("option key") << "selection" << "1" << "" << "1";
        QTest::newRow("key with leading zero stores the number") << "selection" << "05" << "" << "5";
        QTest::newRow("no such option") << "selection" << "7" << "Your input is incorrect, please re-select! (options: 0, 1, 05)" << "";
        QTest::newRow("every digit an option") << "digits" << "12" << "" << "12";
        QTest::newRow("a digit without option") << "digits" << "14" << "Please select parameter value! (digit 1" << "";
        QTest::newRow("too many digits") << "digits" << "1021" << "Please select parameter value! (digit" << "";
        QTest::newRow("not digits") << "digits" << "1.2" << "Please select parameter value! (a value of decimal" << "";
    }
    void valuesForTheDrive()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        ParameterRecord low;
        low.PNO = QStringLiteral("F0-10");
        low.Value = QStringLiteral("5.00");
        ParameterTable() = {low};
        ParameterRecord r;
        r.PNO = QStringLiteral("F0-13");
        r.MinVal = QStringLiteral("0.00");
        r.MaxVal = QStringLiteral("60.00");
        if (kind == QLatin1String("referenced") || kind == QLatin1String("dangling")) {
            r.MinLmt = -1;
            r.MinVal = kind == QLatin1String("referenced") ? QStringLiteral("F0-10") : QStringLiteral("F9-99");
        } else if (kind == QLatin1String("selection")) {
            r.InputType = -1;
            r.Options[0] = QStringList{"0:Keypad", "1:Terminal", "05:Bus"};
        } else if (kind == QLatin1String("digits")) {
            r = multi(1, QString(), {kDecimal, kDecimal, kDecimal});
        }
        QString out;
        const QString reason = refusalForValue(r, text, &out);
        if (refusal.isEmpty()) {
            QCOMPARE(reason, QString());
            QCOMPARE(out, stored);
        } else {
            QVERIFY2(reason.startsWith(refusal), qPrintable(reason));
        }
    }

    void hexRoundTrip()
    {
        // MultiLmt 2 with 26: preselect A and 1, confirm unchanged stores 26 again.
        const ParameterRecord r = multi(2, "26", {kHex, kHex});
        const QList<int> pre = preselectedDigits(r);
        QCOMPARE(composeDigits(r, {kHex[pre[1]], kHex[pre[0]]}).value(), QStringLiteral("26"));
    }
};

QTEST_GUILESS_MAIN(TestEditDialogRules)
#include "tst_editdialogrules.moc"
