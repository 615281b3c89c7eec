#include "ParaEditDlgs.h"

#include "EditDialogs.h"
#include "common/Messages.h"
#include "controls/XTipComboBox.h"
#include "paramdb/EditDialogRules.h"
#include "common/Artwork.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace dr420 {
namespace {
const QString kEditCaption = QStringLiteral("Parameter Edit");

QLineEdit *readOnlyField(const QString &text, const char *name)
{
    auto *field = new QLineEdit(text);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    field->setToolTip(text); // the field may cut it off
    field->setCursorPosition(0);
    return field;
}
} // namespace

CParaDlgBase::CParaDlgBase(const QString &pno, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Parameter Editing"));
    m_index = findExactParameter(pno);
    if (m_index >= 0)
        m_record = ParameterTable()[size_t(m_index)];
}

void CParaDlgBase::build(QLayout *valueRow)
{
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Parameter Number:"), readOnlyField(m_record.PNO, "numberField"));
    form->addRow(QStringLiteral("Parameter Name:"), readOnlyField(m_record.Name, "nameField"));
    form->addRow(QStringLiteral("Parameter Describe:"), readOnlyField(m_record.Description, "describeField"));
    form->addRow(QStringLiteral("Parameter Value:"), valueRow);
    m_confirm = new QPushButton(artwork::confirmIcon(), QStringLiteral("Confirm"));
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    m_confirm->setDefault(true);
    m_cancel = new QPushButton(artwork::cancelIcon(), QStringLiteral("Cancel"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CParaDlgBase::storeRecord()
{
    ParameterTable()[size_t(m_index)] = m_record;
}

// --- numeric -----------------------------------------------------------------

CParaEditDlg::CParaEditDlg(const QString &pno, QWidget *parent)
    : CParaDlgBase(pno, parent)
{
    m_lower = lowerLimitText(m_record);
    m_upper = upperLimitText(m_record);
    m_value = new QLineEdit(m_record.Value);
    m_value->setObjectName(QStringLiteral("valueField"));
    m_value->setMinimumWidth(160);
    m_range = new QLabel(dr420::rangeText(m_lower, m_upper));
    m_range->setObjectName(QStringLiteral("rangeLabel"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_value);
    row->addWidget(m_range);
    build(row);
}

QString CParaEditDlg::rangeText() const
{
    return m_range->text();
}

void CParaEditDlg::showEvent(QShowEvent *event)
{
    CParaDlgBase::showEvent(event);
    m_value->setFocus();
    m_value->selectAll();
}

void CParaEditDlg::restoreValue()
{
    m_value->setText(m_record.Value);
    m_value->setFocus();
    m_value->selectAll();
}

void CParaEditDlg::confirm()
{
    const QString typed = m_value->text();
    switch (checkNumericEdit(typed, m_lower, m_upper)) {
    case NumericVerdict::Illegal:
        showMessage(QStringLiteral("Entered numbers are not legal!"), kEditCaption);
        restoreValue();
        return;
    case NumericVerdict::OutOfRange:
        showMessage(QStringLiteral("Parameter value is out of range!"), kEditCaption);
        restoreValue();
        return;
    case NumericVerdict::Accept:
        break;
    }
    // Stored exactly as typed.
    m_record = ParameterTable()[size_t(m_index)];
    m_record.Value = typed;
    storeRecord();
    accept();
}

// --- selection ---------------------------------------------------------------

CParaComboxDlg::CParaComboxDlg(const QString &pno, QWidget *parent)
    : CParaDlgBase(pno, parent)
{
    m_options = new CXTipComboBox;
    m_options->setObjectName(QStringLiteral("optionList"));
    m_options->setMinimumWidth(220);
    m_options->setMaximumWidth(320);
    m_options->addItems(m_record.Options[0]);
    m_options->setCurrentIndex(preselectedOption(m_record.Options[0], m_record.Value));
    auto *row = new QHBoxLayout;
    row->addWidget(m_options);
    build(row);
}

void CParaComboxDlg::confirm()
{
    const int chosen = m_options->currentIndex();
    if (chosen < 0) {
        showMessage(QStringLiteral("Your input is incorrect, please re-select!"), kEditCaption);
        return;
    }
    if (const auto value = selectionValue(m_record.Options[0].value(chosen))) {
        m_record.Value = *value;
        storeRecord();
    }
    accept();
}

// --- multi-digit -------------------------------------------------------------

CParaMultiComboxDlg::CParaMultiComboxDlg(const QString &pno, QWidget *parent)
    : CParaDlgBase(pno, parent)
{
    m_digits = digitCount(m_record);
    const QList<int> preselect = preselectedDigits(m_record);
    auto *row = new QHBoxLayout;
    // Most significant digit first; the lists of missing digits are not shown.
    for (int k = 5; k >= 1; --k) {
        auto *list = new CXTipComboBox;
        list->setObjectName(QStringLiteral("digit%1").arg(k));
        list->setMinimumWidth(120);
        list->setMaximumWidth(200);
        m_lists[k - 1] = list;
        if (k > m_digits) {
            list->setEnabled(false);
            list->hide();
            continue;
        }
        list->addItems(digitEntries(m_record, k));
        list->setCurrentIndex(preselect.value(k - 1, -1));
        row->addWidget(list);
    }
    auto *range = new QLabel(dr420::rangeText(m_record.MinVal, m_record.MaxVal));
    range->setObjectName(QStringLiteral("rangeLabel"));
    row->addWidget(range);
    build(row);
}

void CParaMultiComboxDlg::confirm()
{
    QStringList chosen;
    for (int k = m_digits; k >= 1; --k) {
        CXTipComboBox *list = m_lists[k - 1];
        if (list->currentIndex() < 0) {
            showMessage(QStringLiteral("Please select parameter value!"), kEditCaption);
            return;
        }
        chosen << list->currentText();
    }
    if (const auto value = composeDigits(m_record, chosen)) {
        m_record.Value = *value;
        storeRecord();
    }
    accept();
}

} // namespace dr420
