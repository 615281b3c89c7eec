#include "TestSupport.h"
#include "controls/ComboListCtrl.h"
#include "controls/SplitterControl.h"
#include "editor/EditDialogs.h"
#include "editor/ParaSearchDlg.h"
#include "editor/ParaView.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"
#include "scope/SamplingState.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QHelpEvent>
#include <QTest>
#include <QTreeWidget>

using namespace dr420;

Q_DECLARE_METATYPE(dr420::EditDialogKind)

namespace {
QString sampleDatabase()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
}

int groupSize(const QString &group)
{
    int n = 0;
    for (const ParameterRecord &r : ParameterTable())
        n += r.GroupNO == group;
    return n;
}

int rowOf(CComboListCtrl *list, const QString &pno)
{
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->item(r, 0)->text() == pno)
            return r;
    return -1;
}

// Records which dialog a double-click opened and answers it.
struct DialogRecorder {
    DialogRecorder()
    {
        setEditDialogRunner([this](EditDialogKind kind, const QString &pno, QWidget *) {
            opened << qMakePair(kind, pno);
            if (!confirmWith.isNull())
                ParameterTable()[size_t(FindParameterIndex(pno))].Value = confirmWith;
            return !confirmWith.isNull();
        });
    }
    ~DialogRecorder() { setEditDialogRunner(nullptr); }
    QList<QPair<EditDialogKind, QString>> opened;
    QString confirmWith;
};
} // namespace

class TestParaView : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ParameterTable().clear();
        setDefaultDatabasePath(sampleDatabase());
        LoadParameterTable(sampleDatabase());
    }

    void treeShowsGroupsAndFilters()
    {
        CParaView view;
        QTreeWidgetItem *root = view.tree()->topLevelItem(0);
        QCOMPARE(root->text(0), sampleDatabase());
        QCOMPARE(root->childCount(), 16);
        QCOMPARE(root->child(1)->text(0), QStringLiteral("F0-Groups Basic Functions"));
        // The view starts on the root: every parameter.
        QCOMPARE(view.list()->rowCount(), int(ParameterTable().size()));
        view.tree()->setCurrentItem(root->child(2));
        QCOMPARE(view.list()->rowCount(), groupSize(QStringLiteral("F1")));
        QCOMPARE(view.list()->item(0, 0)->text(), QStringLiteral("F1-00"));
        QCOMPARE(view.list()->cellTooltip(0, 2), QStringLiteral("Double click to edit parameter"));
        view.tree()->setCurrentItem(root);
        QCOMPARE(view.list()->rowCount(), int(ParameterTable().size()));
        QCOMPARE(view.list()->cellTooltip(5, 2), QStringLiteral("Double Click to Edit Parameters"));
        // A limit naming another parameter shows that number.
        QCOMPARE(view.list()->item(rowOf(view.list(), QStringLiteral("F0-12")), 5)->text(), QStringLiteral("F0-07"));
    }

    void attributeIconInItsColumn_data()
    {
        QTest::addColumn<QString>("pno");
        QTest::addColumn<int>("column");
        QTest::newRow("read-only") << "U0-00" << 6;
        QTest::newRow("read-only while running") << "F0-00" << 7;
        QTest::newRow("read/write") << "F0-01" << 8;
    }
    void attributeIconInItsColumn()
    {
        QFETCH(QString, pno);
        QFETCH(int, column);
        CParaView view;
        const int row = rowOf(view.list(), pno);
        QVERIFY(row >= 0);
        for (int c = 6; c <= 8; ++c)
            QCOMPARE(!view.list()->item(row, c)->icon().isNull(), c == column);
    }

    void selectAllTicksAndUnticksEverything()
    {
        CParaView view;
        CComboListCtrl *list = view.list();
        list->setChecked(3, true);
        view.selectAll()->setChecked(true);
        QCOMPARE(list->checkedRows().size(), list->rowCount());
        view.selectAll()->setChecked(false);
        QVERIFY(list->checkedRows().isEmpty());
        list->setChecked(7, true);
        list->setChecked(9, true);
        view.selectAll()->setChecked(true);
        view.selectAll()->setChecked(false);
        QVERIFY(list->checkedRows().isEmpty());
        // Ticks map to table positions, also in a group view.
        view.tree()->setCurrentItem(view.tree()->topLevelItem(0)->child(2));
        list->setChecked(1, true);
        QCOMPARE(view.tickedParameters(), QList<int>{FindParameterIndex(QStringLiteral("F1-01"))});
    }

    void doubleClickGating_data()
    {
        QTest::addColumn<QString>("pno");
        QTest::addColumn<int>("drive"); // 0 stopped, 1 running, 2 unreadable
        QTest::addColumn<bool>("opens");
        QTest::newRow("read-only never") << "U0-00" << 0 << false;
        QTest::newRow("RW1 stopped") << "F0-00" << 0 << true;
        QTest::newRow("RW1 running") << "F0-00" << 1 << false;
        QTest::newRow("RW1 unreadable") << "F0-00" << 2 << true;
        QTest::newRow("RW2 running") << "F0-11" << 1 << true;
    }
    void doubleClickGating()
    {
        QFETCH(QString, pno);
        QFETCH(int, drive);
        QFETCH(bool, opens);
        test::ScriptedLink link;
        link.answers = drive != 2;
        link.registerValue = drive == 1 ? 1 : 3;
        DialogRecorder dialogs;
        dialogs.confirmWith = QStringLiteral("12.34");
        CParaView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int row = rowOf(view.list(), pno);
        view.list()->scrollToItem(view.list()->item(row, 1));
        const QPoint at = view.list()->visualItemRect(view.list()->item(row, 1)).center();
        // A real double click: a click, then the second press.
        QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view.list()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dialogs.opened.size(), opens ? 1 : 0);
        if (opens) {
            QCOMPARE(dialogs.opened.first().second, pno);
            QCOMPARE(view.list()->item(row, 2)->text(), QStringLiteral("12.34"));
        }
    }

    void dispatchByInputTypeAndKeyboard()
    {
        test::ScriptedLink link;
        DialogRecorder dialogs;
        CParaView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (const char *pno : {"F0-11", "F0-01", "F4-22"}) {
            view.list()->setCurrentCell(rowOf(view.list(), QLatin1String(pno)), 1);
            QTest::keyClick(view.list(), Qt::Key_Return);
        }
        QCOMPARE(dialogs.opened.size(), 3);
        QCOMPARE(dialogs.opened[0].first, EditDialogKind::Numeric);
        QCOMPARE(dialogs.opened[1].first, EditDialogKind::Selection);
        QCOMPARE(dialogs.opened[2].first, EditDialogKind::MultiDigit);
        // Space ticks the current row; while sampling nothing opens.
        const int row = view.list()->currentRow();
        QTest::keyClick(view.list(), Qt::Key_Space);
        QVERIFY(view.list()->isChecked(row));
        samplingActive() = true;
        QTest::keyClick(view.list(), Qt::Key_Return);
        samplingActive() = false;
        QCOMPARE(dialogs.opened.size(), 3);
        QVERIFY(link.calls().size() == 3); // one run-state read per dialog, none while sampling
    }

    void searchMarksTheHitAndClosesOnce()
    {
        CParaView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.tree()->setCurrentItem(view.tree()->topLevelItem(0)->child(3)); // a group
        view.openSearch();
        CParaSearchDlg *dialog = view.searchDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Search Parameter "));
        QCOMPARE(dialog->currentNumber(), QStringLiteral("F2-00")); // first row of the shown group
        dialog->findChild<QLineEdit *>(QStringLiteral("searchText"))->setText(QStringLiteral("F3-0"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("nextButton")), Qt::LeftButton);
        const int hit = FindParameterIndex(QStringLiteral("F3-00"));
        QCOMPARE(view.list()->rowCount(), int(ParameterTable().size())); // all parameters again
        QCOMPARE(view.list()->currentRow(), hit);
        QVERIFY(view.list()->item(hit, 0)->isSelected());
        QCOMPARE(dialog->currentNumber(), QStringLiteral("F3-01"));
        // Nothing found, shown while a group is listed: all parameters again, no mark.
        view.tree()->setCurrentItem(view.tree()->topLevelItem(0)->child(4));
        QVERIFY(view.list()->rowCount() < int(ParameterTable().size()));
        view.showSearchResult(-1);
        QCOMPARE(view.list()->rowCount(), int(ParameterTable().size()));
        QVERIFY(view.list()->selectedItems().isEmpty());

        view.showSearchResult(hit);
        QPointer<CParaSearchDlg> watched = dialog;
        dialog->close();
        view.searchClosing(); // a second notice does nothing
        QVERIFY(watched);      // the mark stays a moment, the window stays live
        QTRY_VERIFY_WITH_TIMEOUT(watched.isNull(), 3000);
        QVERIFY(view.list()->selectedItems().isEmpty());
        view.searchClosing(); // no dialog: nothing

        // Ctrl+F straight after Close opens a new dialog at once; the old one's
        // pending close does not take the new one (or its mark) with it.
        view.openSearch();
        QPointer<CParaSearchDlg> first = view.searchDialog();
        first->close();
        view.searchClosing();
        view.openSearch();
        QPointer<CParaSearchDlg> second = view.searchDialog();
        QVERIFY(second && second != first);
        QVERIFY(second->isVisible());
        view.showSearchResult(hit);
        QTest::qWait(1700);
        QVERIFY(second);
        QCOMPARE(view.searchDialog(), second.data());
        QVERIFY(view.list()->item(hit, 0)->isSelected());
        QVERIFY(first.isNull());
    }

    void listTooltipsAreKeyedAndCut()
    {
        CComboListCtrl list;
        list.insertColumn(QStringLiteral("a"), 100);
        list.insertColumn(QStringLiteral("b"), 100);
        list.insertColumn(QStringLiteral("c"), 100);
        list.setRowCount(5);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                list.setItem(r, c, new QTableWidgetItem(QStringLiteral("x")));
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(CComboListCtrl::tooltipKey(3, 2), QStringLiteral("302"));
        list.setCellTooltip(3, 2, QString(100, QLatin1Char('y')));
        QCOMPARE(list.tooltipAt(list.visualItemRect(list.item(3, 2)).center()), QString(79, QLatin1Char('y')));
        QCOMPARE(list.tooltipAt(list.visualItemRect(list.item(3, 1)).center()), QString());
        QCOMPARE(list.cellTooltip(3, 2), QString(100, QLatin1Char('y')));
        // What the user sees: the tip that a resting pointer asks for.
        const auto askTip = [&](int row, int column) {
            const QPoint at = list.visualItemRect(list.item(row, column)).center();
            QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
            QApplication::sendEvent(list.viewport(), &help);
        };
        askTip(3, 2);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString(79, QLatin1Char('y')));
        askTip(3, 1); // no text there: the tip goes
        QTRY_VERIFY(!QToolTip::isVisible());
        list.setCellTooltip(3, 2, QStringLiteral("replaced"));
        askTip(3, 2);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("replaced"));
        list.clearCellTooltips();
        askTip(3, 2);
        QTRY_VERIFY(!QToolTip::isVisible());
        list.setCellTooltip(3, 2, QStringLiteral("again"));
        list.deleteAllItems();
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(list.cellTooltip(3, 2), QString());
    }

    void splitterRangeAndDistance()
    {
        QWidget parent;
        parent.resize(600, 300);
        CSplitterControl bar(QRect(200, 0, 2, 300), &parent);
        QWidget other(&parent);
        other.setGeometry(0, 0, 10, 10);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QVERIFY(bar.isVertical());
        QCOMPARE(bar.width(), 3);
        QCOMPARE(bar.cursor().shape(), Qt::SizeHorCursor);
        QList<int> reported;
        connect(&bar, &CSplitterControl::moved, this, [&](int d) { reported << d; });
        const auto drag = [&](int toX) {
            QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(1, 50));
            QVERIFY(bar.dragLineVisible());
            QMouseEvent move(QEvent::MouseMove, QPointF(toX - bar.x(), 50), bar.mapToGlobal(QPointF(toX - bar.x(), 50)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&bar, &move);
            QVERIFY(bar.dragLineVisible()); // erased and drawn again at the new place
            // A right click during the drag does not end it.
            QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(toX - bar.x(), 50));
            QTest::mouseRelease(&bar, Qt::RightButton, {}, QPoint(toX - bar.x(), 50));
            QVERIFY(bar.isPressed());
            QVERIFY(bar.dragLineVisible());
            QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(toX - bar.x(), 50));
            QVERIFY(!bar.isPressed());
            QVERIFY(!bar.dragLineVisible());
        };
        drag(300); // no range yet: it cannot move
        QCOMPARE(reported, QList<int>{0});
        bar.setRange(50, 40);
        drag(400); // beyond the maximum: stops there
        QCOMPARE(reported.last(), 40);
        QCOMPARE(bar.geometry().center().x(), 241);
        QWidget neighbour(&parent);
        neighbour.setGeometry(10, 10, 100, 50);
        CSplitterControl::changeWidth(&neighbour, 20, 1);
        QCOMPARE(neighbour.geometry(), QRect(10, 10, 120, 50));
        CSplitterControl::changeWidth(&neighbour, 5, 2);
        QCOMPARE(neighbour.geometry(), QRect(5, 10, 125, 50));
    }

    void splitterDragChangesTheRatio()
    {
        CParaView view;
        view.resize(1002, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.tree()->width(), (1000 - 2) / 4);
        emit view.splitter()->moved(100);
        QCOMPARE(view.tree()->width(), 249 + 100);
        QVERIFY(qAbs(view.splitterRatio() - (998.0 - 349) / 349) < 1e-9);
    }

    void openFailureKeepsTheTableAndTheView_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("messages");
        QTest::newRow("not a database") << QByteArray("plain text") << 1;
        QTest::newRow("truncated SQLite") << QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\0') << 1;
    }
    void openFailureKeepsTheTableAndTheView()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, messages);
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("notes.mdb"));
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        test::RecordingDialogs dialogs;
        dialogs.fileAnswers.push_back(bad);
        CParaView view;
        // A value read from the drive and not saved yet.
        const int at = FindParameterIndex(QStringLiteral("F0-11"));
        ParameterTable()[size_t(at)].Value = QStringLiteral("42.00");
        const int rows = view.list()->rowCount();
        const QString root = view.tree()->topLevelItem(0)->text(0);
        view.openParameterFile();
        QCOMPARE(dialogs.fileRequests.first().title, QStringLiteral("Open The Parameter File"));
        QCOMPARE(dialogs.fileRequests.first().filter, QStringLiteral("MDB Files(*.mdb)|*.mdb|All Files(*.*)|*.*||"));
        QVERIFY(dialogs.messages.size() >= messages);
        QCOMPARE(ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-11")))].Value, QStringLiteral("42.00"));
        QCOMPARE(view.list()->rowCount(), rows);
        QCOMPARE(view.tree()->topLevelItem(0)->text(0), root);
    }

    void saveThenReopenGivesTheSameValues()
    {
        QTemporaryDir dir;
        const QString def = dir.filePath(QStringLiteral("DR420.mdb"));
        QVERIFY(QFile::copy(sampleDatabase(), def));
        setDefaultDatabasePath(def);
        CParaView view;
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-11")))].Value = QStringLiteral("33.30");
        const QString saved = dir.filePath(QStringLiteral("line 4.mdb"));
        test::RecordingDialogs dialogs;
        dialogs.fileAnswers = {saved, saved};
        view.saveParameterFile();
        QCOMPARE(dialogs.fileRequests.first().title, QStringLiteral("Save Parameter File"));
        QCOMPARE(dialogs.fileRequests.first().defaultExtension, QStringLiteral("MDB"));
        QVERIFY(dialogs.messages.isEmpty());
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-11")))].Value = QStringLiteral("1.00");
        view.openParameterFile();
        QCOMPARE(view.list()->item(rowOf(view.list(), QStringLiteral("F0-11")), 2)->text(), QStringLiteral("33.30"));
        QCOMPARE(view.tree()->topLevelItem(0)->childCount(), 16);
    }
};

QTEST_MAIN(TestParaView)
#include "tst_paraview.moc"
