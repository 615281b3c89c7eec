#include "ComboListCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace dr420 {

CComboListCtrl::CComboListCtrl(QWidget *parent)
    : QTableWidget(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(16); // the icon columns are 16 wide
    setIconSize(QSize(16, 16));
}

int CComboListCtrl::insertColumn(const QString &heading, int width)
{
    const int column = m_columns++;
    setColumnCount(m_columns);
    setHorizontalHeaderItem(column, new QTableWidgetItem(heading));
    setColumnWidth(column, width);
    return column;
}

void CComboListCtrl::setReadOnlyColumn(int column, bool readOnly)
{
    if (readOnly)
        m_readOnly.insert(column);
    else
        m_readOnly.remove(column);
}

namespace {
constexpr int kFullTipRole = Qt::UserRole + 1;
constexpr int kTipChars = 79;
} // namespace

void CComboListCtrl::setCellTooltip(int row, int column, const QString &text)
{
    QTableWidgetItem *it = item(row, column);
    if (!it) {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return;
        it = new QTableWidgetItem;
        setItem(row, column, it);
    }
    it->setData(kFullTipRole, text);
    it->setToolTip(text.left(kTipChars));
}

QString CComboListCtrl::cellTooltip(int row, int column) const
{
    const QTableWidgetItem *it = item(row, column);
    return it ? it->data(kFullTipRole).toString() : QString();
}

void CComboListCtrl::clearCellTooltips()
{
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem *it = item(r, c)) {
                it->setData(kFullTipRole, QVariant());
                it->setToolTip(QString());
            }
}

QString CComboListCtrl::tooltipAt(const QPoint &viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? index.data(Qt::ToolTipRole).toString() : QString();
}

void CComboListCtrl::deleteAllItems()
{
    setRowCount(0);
}

bool CComboListCtrl::isChecked(int row) const
{
    const QTableWidgetItem *it = item(row, 0);
    return it && it->checkState() == Qt::Checked;
}

void CComboListCtrl::setChecked(int row, bool checked)
{
    if (QTableWidgetItem *it = item(row, 0))
        it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

QList<int> CComboListCtrl::checkedRows() const
{
    QList<int> rows;
    for (int r = 0; r < rowCount(); ++r)
        if (isChecked(r))
            rows << r;
    return rows;
}

void CComboListCtrl::keyPressEvent(QKeyEvent *event)
{
    const int row = currentRow();
    if (row >= 0 && event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        setChecked(row, !isChecked(row));
        return;
    }
    if (row >= 0 && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit rowActivated(row);
        return;
    }
    QTableWidget::keyPressEvent(event);
}

} // namespace dr420
