#include "paramdb/EditorRules.h"

#include <QTest>

using namespace dr420;

Q_DECLARE_METATYPE(dr420::EditDialogKind)
Q_DECLARE_METATYPE(dr420::SearchField)
Q_DECLARE_METATYPE(dr420::SearchDirection)

namespace {
ParameterRecord rec(const QString &pno, const QString &group, const QString &name = QString(),
                    const QString &value = QString())
{
    ParameterRecord r;
    r.PNO = pno;
    r.GroupNO = group;
    r.GroupName = QStringLiteral("Group ") + group;
    r.Name = name;
    r.Value = value;
    return r;
}

// Five records the search walks over.
std::vector<ParameterRecord> searchTable()
{
    return {rec("F0-00", "F0", "Control mode", "2"), rec("F0-01", "F0", "Max Frequency", "50.00"),
            rec("F0-02", "F0", "frequency source", "50"), rec("F1-00", "F1", "Motor type", "0"),
            rec("F1-01", "F1", "Rated power", "7.5")};
}
} // namespace

class TestEditorRules : public QObject
{
    Q_OBJECT
private slots:
    void groupNodesFollowRuns()
    {
        const std::vector<ParameterRecord> table{rec("F0-00", "F0"), rec("F0-01", "F0"), rec("F1-00", "F1"),
                                                 rec("F0-09", "F0")};
        QCOMPARE(groupNodeTexts(table), (QStringList{"F0-Groups Group F0", "F1-Groups Group F1", "F0-Groups Group F0"}));
        QCOMPARE(groupNodeTexts({}), QStringList{});
        QString group;
        QVERIFY(groupOfNode(QStringLiteral("F1-Groups Motor"), &group));
        QCOMPARE(group, QStringLiteral("F1"));
        QVERIFY(!groupOfNode(QStringLiteral("/data/DR420.mdb"), &group));
    }

    void columnWidthsFillTheList_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("1200") << 1200;
        QTest::newRow("1123 (uneven)") << 1123;
        QTest::newRow("600") << 600;
    }
    void columnWidthsFillTheList()
    {
        QFETCH(int, width);
        const auto w = columnWidths(width);
        int sum = 0;
        for (int x : w)
            sum += x;
        QCOMPARE(sum, width);
        const double b = (width - 48) / 75.0;
        QCOMPARE(w[0], int(b * 10));
        QCOMPARE(w[5], int(b * 10));
        QCOMPARE(w[8], 16);
        QVERIFY(w[1] >= int(b * 25));
    }

    void doubleClickOpensTheRightDialog_data()
    {
        QTest::addColumn<int>("rw");
        QTest::addColumn<int>("inputType");
        QTest::addColumn<int>("multi");
        QTest::addColumn<int>("drive"); // 0 stopped, 1 running, 2 unreadable
        QTest::addColumn<bool>("sampling");
        QTest::addColumn<EditDialogKind>("kind");
        QTest::addColumn<bool>("asksDrive");
        const auto None = EditDialogKind::None;
        QTest::newRow("read-only, stopped") << 0 << 0 << 0 << 0 << false << None << false;
        QTest::newRow("read-only, running") << 0 << 0 << 0 << 1 << false << None << false;
        QTest::newRow("RW1 stopped: numeric") << 1 << 0 << 0 << 0 << false << EditDialogKind::Numeric << true;
        QTest::newRow("RW1 running: nothing") << 1 << 0 << 0 << 1 << false << None << true;
        QTest::newRow("RW1 unreadable state opens") << 1 << 0 << 0 << 2 << false << EditDialogKind::Numeric << true;
        QTest::newRow("RW2 running: selection") << 2 << -1 << 0 << 1 << false << EditDialogKind::Selection << true;
        QTest::newRow("RW2 multi-digit") << 2 << -1 << 2 << 0 << false << EditDialogKind::MultiDigit << true;
        QTest::newRow("MultiLmt without InputType is numeric") << 2 << 0 << 1 << 0 << false << EditDialogKind::Numeric << true;
        QTest::newRow("sampling: nothing, no link traffic") << 2 << 0 << 0 << 0 << true << None << false;
    }
    void doubleClickOpensTheRightDialog()
    {
        QFETCH(int, rw);
        QFETCH(int, inputType);
        QFETCH(int, multi);
        QFETCH(int, drive);
        QFETCH(bool, sampling);
        QFETCH(EditDialogKind, kind);
        QFETCH(bool, asksDrive);
        ParameterRecord r = rec("F0-00", "F0");
        r.RW = rw;
        r.InputType = inputType;
        r.MultiLmt = uint8_t(multi);
        bool asked = false;
        // A failed read counts as not running.
        const auto running = [&] {
            asked = true;
            return drive == 1;
        };
        QCOMPARE(editDialogFor(&r, sampling, running), kind);
        QCOMPARE(asked, asksDrive);
        QCOMPARE(editDialogFor(nullptr, false, running), EditDialogKind::None);
    }

    void search_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("text");
        QTest::addColumn<SearchField>("field");
        QTest::addColumn<SearchDirection>("direction");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("hit");
        const auto N = SearchField::Number, Na = SearchField::Name, V = SearchField::Value;
        const auto Fw = SearchDirection::Forward, Bw = SearchDirection::Backward;
        QTest::newRow("number, part, towards the end") << "F0-00" << "F1" << N << Bw << false << false << 3;
        QTest::newRow("start record itself counts") << "F0-01" << "F0" << N << Bw << false << false << 1;
        QTest::newRow("forward from the first finds nothing later") << "F0-00" << "F1" << N << Fw << false << false << -1;
        QTest::newRow("forward walks back") << "F1-01" << "F0-01" << N << Fw << false << false << 1;
        QTest::newRow("empty text matches the start") << "F0-02" << "" << Na << Bw << false << false << 2;
        QTest::newRow("freq without case finds Frequency") << "F0-00" << "freq" << Na << Bw << false << false << 1;
        QTest::newRow("freq with case skips Frequency") << "F0-00" << "freq" << Na << Bw << false << true << 2;
        QTest::newRow("whole field: 50 is not 50.00") << "F0-00" << "50" << V << Bw << true << false << 2;
        QTest::newRow("part: 50 is in 50.00") << "F0-00" << "50" << V << Bw << false << false << 1;
        QTest::newRow("whole ignores case without match case") << "F0-00" << "MOTOR TYPE" << Na << Bw << true << false << 3;
        QTest::newRow("whole with case") << "F0-00" << "MOTOR TYPE" << Na << Bw << true << true << -1;
        QTest::newRow("blanks trimmed") << "  F0-00 " << "  7.5 " << V << Bw << true << true << 4;
        QTest::newRow("unknown current number") << "X9-99" << "F" << N << Bw << false << false << -1;
        QTest::newRow("last record") << "F1-01" << "power" << Na << Bw << false << false << 4;
    }
    void search()
    {
        QFETCH(QString, current);
        QFETCH(QString, text);
        QFETCH(SearchField, field);
        QFETCH(SearchDirection, direction);
        QFETCH(bool, whole);
        QFETCH(bool, matchCase);
        QFETCH(int, hit);
        SearchOptions o;
        o.field = field;
        o.direction = direction;
        o.wholeField = whole;
        o.matchCase = matchCase;
        QCOMPARE(searchParameters(searchTable(), current, text, o), hit);
        QCOMPARE(searchParameters({}, current, text, o), -1);
    }

    void nextSearchStartsPastTheHitAndStaysAtTheEnds()
    {
        const auto table = searchTable();
        QCOMPARE(numberAfterHit(table, 1, SearchDirection::Backward), QStringLiteral("F0-02"));
        QCOMPARE(numberAfterHit(table, 4, SearchDirection::Backward), QStringLiteral("F1-01"));
        QCOMPARE(numberAfterHit(table, 1, SearchDirection::Forward), QStringLiteral("F0-00"));
        QCOMPARE(numberAfterHit(table, 0, SearchDirection::Forward), QStringLiteral("F0-00"));
    }
};

QTEST_GUILESS_MAIN(TestEditorRules)
#include "tst_editorrules.moc"
