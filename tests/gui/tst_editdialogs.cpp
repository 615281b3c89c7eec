#include "TestSupport.h"
#include "controls/XTipComboBox.h"
#include "editor/EditDialogs.h"
#include "editor/ParaEditDlgs.h"
#include "editor/ParaView.h"
#include "controls/ComboListCtrl.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace dr420;

namespace {
QString sampleDatabase()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
}

QString valueOf(const QString &pno)
{
    ParameterRecord r;
    return FindParameter(pno, r) ? r.Value : QStringLiteral("<missing>");
}

void setValue(const QString &pno, const QString &value)
{
    ParameterTable()[size_t(FindParameterIndex(pno))].Value = value;
}
} // namespace

class TestEditDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ParameterTable().clear();
        LoadParameterTable(sampleDatabase());
        SortParameterTable();
        SortOptionLists();
    }

    void numericDialogChecksAndStoresAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        // F0-11: 0.00~650.00, value 10.00
        QTest::newRow("inside") << "12.5" << "" << "12.5";
        QTest::newRow("leading blank kept") << " 20" << "" << " 20";
        QTest::newRow("equal to the upper limit") << "650.00" << "" << "650.00";
        QTest::newRow("above") << "650.01" << "Parameter value is out of range!" << "10.00";
        QTest::newRow("1.2.3") << "1.2.3" << "Entered numbers are not legal!" << "10.00";
    }
    void numericDialogChecksAndStoresAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        test::RecordingDialogs dialogs;
        CParaEditDlg dialog(QStringLiteral("F0-11"));
        QVERIFY(dialog.isValid());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Parameter Editing"));
        QCOMPARE(dialog.rangeText(), QStringLiteral("0.00~650.00"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit *value = dialog.valueEdit();
        QVERIFY(value->hasFocus());
        QCOMPARE(value->selectedText(), QStringLiteral("10.00"));
        value->setText(typed);
        QTest::keyClick(value, Qt::Key_Return); // Enter confirms
        QCOMPARE(valueOf(QStringLiteral("F0-11")), stored);
        if (message.isEmpty()) {
            QVERIFY(dialogs.messages.isEmpty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        } else {
            QCOMPARE(dialogs.texts(), QStringList{message});
            QCOMPARE(dialogs.messages.first().caption, QStringLiteral("Parameter Edit"));
            QVERIFY(dialog.isVisible());
            QCOMPARE(value->text(), QStringLiteral("10.00"));
            QCOMPARE(value->selectedText(), QStringLiteral("10.00"));
        }
    }

    void numericRangeFollowsReferencedParameters()
    {
        setValue(QStringLiteral("F0-07"), QStringLiteral("80.00"));
        CParaEditDlg dialog(QStringLiteral("F0-12")); // F0-14 ~ F0-07
        QCOMPARE(dialog.rangeText(), QStringLiteral("0.00~80.00"));
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("nameField"))->toolTip(), QStringLiteral("Upper limit frequency"));
    }

    void escapeCancelsAndChangesNothing()
    {
        CParaEditDlg dialog(QStringLiteral("F0-11"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.valueEdit()->setText(QStringLiteral("3"));
        QTest::keyClick(dialog.valueEdit(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(valueOf(QStringLiteral("F0-11")), QStringLiteral("10.00"));
    }

    void selectionDialog()
    {
        test::RecordingDialogs dialogs;
        // F0-06: 0:Forward, 1:Reverse
        setValue(QStringLiteral("F0-06"), QStringLiteral("1"));
        CParaComboxDlg dialog(QStringLiteral("F0-06"));
        QCOMPARE(dialog.options()->currentIndex(), 1);
        dialog.options()->setCurrentIndex(0);
        dialog.confirm();
        QCOMPARE(valueOf(QStringLiteral("F0-06")), QStringLiteral("0"));

        // F0-02 has the key 00: stored as 0, and then no longer preselected.
        CParaComboxDlg zero(QStringLiteral("F0-02"));
        QCOMPARE(zero.options()->currentText(), QStringLiteral("00:Digital setting (not retained at power off)"));
        zero.confirm();
        QCOMPARE(valueOf(QStringLiteral("F0-02")), QStringLiteral("0"));
        CParaComboxDlg again(QStringLiteral("F0-02"));
        QCOMPARE(again.options()->currentIndex(), -1);
        again.confirm();
        QCOMPARE(dialogs.texts(), QStringList{"Your input is incorrect, please re-select!"});
        QCOMPARE(dialogs.messages.first().caption, QStringLiteral("Parameter Edit"));

        // A letter key stores 0.
        CParaComboxDlg letters(QStringLiteral("F3-00"));
        letters.options()->setCurrentIndex(letters.options()->findText(QStringLiteral("A:V/F complete separation")));
        letters.confirm();
        QCOMPARE(valueOf(QStringLiteral("F3-00")), QStringLiteral("0"));
    }

    void multiDigitDialogs_data()
    {
        QTest::addColumn<QString>("pno");
        QTest::addColumn<int>("digits");
        QTest::newRow("2 digits, hexadecimal") << "F7-03" << 2;
        QTest::newRow("3 digits, decimal") << "F4-22" << 3;
        QTest::newRow("5 digits") << "F4-23" << 5;
    }
    void multiDigitDialogs()
    {
        QFETCH(QString, pno);
        QFETCH(int, digits);
        CParaMultiComboxDlg dialog(pno);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.digits(), digits);
        int left = -1;
        for (int k = 5; k >= 1; --k) {
            QCOMPARE(dialog.digitList(k)->isVisible(), k <= digits);
            if (k <= digits) { // most significant digit left
                QVERIFY(dialog.digitList(k)->x() > left);
                left = dialog.digitList(k)->x();
            }
        }
        // Confirm without changes stores the same value.
        const QString before = valueOf(pno);
        dialog.confirm();
        QCOMPARE(valueOf(pno), before);
    }

    void multiDigitNarrowerAndAskForEveryDigit()
    {
        test::RecordingDialogs dialogs;
        CParaMultiComboxDlg two(QStringLiteral("F7-03"));
        CParaMultiComboxDlg five(QStringLiteral("F4-23"));
        two.show();
        five.show();
        QVERIFY(QTest::qWaitForWindowExposed(&five));
        QVERIFY(two.width() < five.width());
        QCOMPARE(valueOf(QStringLiteral("F7-03")), QStringLiteral("51")); // 0x33
        QCOMPARE(two.digitList(1)->currentText().left(1), QStringLiteral("3"));
        two.digitList(2)->setCurrentIndex(-1);
        two.confirm();
        QCOMPARE(dialogs.texts(), QStringList{"Please select parameter value!"});
        two.digitList(2)->setCurrentIndex(two.digitList(2)->findText(QStringLiteral("A:Second display A")));
        two.confirm();
        QCOMPARE(valueOf(QStringLiteral("F7-03")), QStringLiteral("163")); // 0xA3
    }

    void numberNotInTheTableOpensNothing()
    {
        QVERIFY(!runEditDialog(EditDialogKind::Numeric, QStringLiteral("Z9-99"), nullptr));
        QVERIFY(!CParaComboxDlg(QStringLiteral("Z9-99")).isValid());
    }

    void tooltipComboShowsCutTextAndHides()
    {
        QWidget window;
        auto *combo = new CXTipComboBox(&window);
        combo->addItems({QStringLiteral("short"),
                         QStringLiteral("a very long option text that cannot fit into the narrow box at all")});
        combo->setGeometry(10, 10, 120, 28);
        auto *away = new QWidget(&window);
        away->setGeometry(10, 80, 100, 40);
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint inText = combo->textArea().center();
        combo->setCurrentIndex(0);
        QTest::mouseMove(combo, inText);
        QVERIFY(!combo->tip()->isVisible());
        combo->setCurrentIndex(1);
        QTest::mouseMove(combo, inText + QPoint(1, 0));
        QTRY_VERIFY(combo->tip()->isVisible());
        QCOMPARE(combo->tip()->text(), combo->currentText());
        QCOMPARE(combo->tip()->pos(), combo->mapToGlobal(QPoint(combo->textArea().left() + 1, combo->textArea().top() + 3)));
        QTest::mouseMove(away);
        QTRY_VERIFY_WITH_TIMEOUT(!combo->tip()->isVisible(), 500);
    }

    void dropDownListShowsLongItemsWhole()
    {
        QWidget window;
        auto *combo = new CXTipComboBox(&window);
        combo->addItems({QStringLiteral("ok"), QStringLiteral("an option whose text is far wider than the list that shows it")});
        combo->setGeometry(10, 10, 120, 28);
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        combo->view()->setMinimumWidth(0);
        combo->view()->setFixedWidth(120);
        combo->showPopup();
        QAbstractItemView *list = combo->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        const QRect shortItem = list->visualRect(list->model()->index(0, 0));
        const QRect longItem = list->visualRect(list->model()->index(1, 0));
        QTest::mouseMove(list->viewport(), shortItem.center());
        QVERIFY(!combo->listBox()->tip()->isVisible());
        QTest::mouseMove(list->viewport(), longItem.center());
        QTRY_VERIFY(combo->listBox()->tip()->isVisible());
        QCOMPARE(combo->listBox()->tip()->text(), combo->itemText(1));
        QCOMPARE(combo->listBox()->tip()->pos(), list->viewport()->mapToGlobal(longItem.topLeft()));
        combo->hidePopup();
        QTRY_VERIFY_WITH_TIMEOUT(!combo->listBox()->tip()->isVisible(), 500);
    }

    void doubleClickOpensTheRealDialogAndShowsTheValue()
    {
        test::ScriptedLink link; // drive stopped
        CParaView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        int row = -1;
        for (int r = 0; r < view.list()->rowCount(); ++r)
            if (view.list()->item(r, 0)->text() == QLatin1String("F0-11"))
                row = r;
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<CParaEditDlg *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->valueEdit()->setText(QStringLiteral("25.50"));
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("confirmButton")), Qt::LeftButton);
        });
        view.editRow(row);
        QCOMPARE(view.list()->item(row, 2)->text(), QStringLiteral("25.50"));
        QCOMPARE(valueOf(QStringLiteral("F0-11")), QStringLiteral("25.50"));
    }
};

QTEST_MAIN(TestEditDialogs)
#include "tst_editdialogs.moc"
