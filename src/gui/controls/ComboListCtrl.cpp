#include "ComboListCtrl.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

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

void CComboListCtrl::setCellTooltip(int row, int column, const QString &text)
{
    m_tips.insert(tooltipKey(row, column), text);
}

QString CComboListCtrl::cellTooltip(int row, int column) const
{
    return m_tips.value(tooltipKey(row, column));
}

QString CComboListCtrl::tooltipAt(const QPoint &viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid())
        return QString();
    return cellTooltip(index.row(), index.column()).left(79);
}

void CComboListCtrl::deleteAllItems()
{
    setRowCount(0);
    clearCellTooltips();
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

bool CComboListCtrl::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = tooltipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(indexAt(help->pos())));
        return true;
    }
    return QTableWidget::viewportEvent(event);
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
