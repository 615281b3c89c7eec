#pragma once

#include <QSet>
#include <QTableWidget>

namespace dr420 {

// The report list of the parameter view: columns that can be marked
// read-only, check boxes in the first column, and a tooltip text per cell.
// The tips live on the cells' items (Qt shows them as item tooltips), cut to
// 79 characters; the whole text stays readable through cellTooltip().
class CComboListCtrl : public QTableWidget
{
    Q_OBJECT
public:
    explicit CComboListCtrl(QWidget *parent = nullptr);

    // Appends a column; returns its index.
    int insertColumn(const QString &heading, int width);
    int insertedColumnCount() const { return m_columns; }
    void setReadOnlyColumn(int column, bool readOnly = true);
    bool isReadOnlyColumn(int column) const { return m_readOnly.contains(column); }
    // The scroll bar of the drop-down editor cells would use (no column is editable here).
    void enableVScroll(bool on) { m_dropDownVScroll = on; }

    // The name a cell's tip is known by in the list's settings and messages.
    static QString tooltipKey(int row, int column) { return QString::number(row * 100 + column); }
    // Makes an empty item for a cell that has none, so that the tip has a place.
    void setCellTooltip(int row, int column, const QString &text);
    QString cellTooltip(int row, int column) const;
    void clearCellTooltips();
    // The text a tooltip shows over a viewport point: at most 79 characters.
    QString tooltipAt(const QPoint &viewportPos) const;

    // Removes every row and, with their items, every tooltip text.
    void deleteAllItems();

    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    QList<int> checkedRows() const;

signals:
    // Enter on a row: the same as a double-click.
    void rowActivated(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_columns = 0;
    QSet<int> m_readOnly;
    bool m_dropDownVScroll = false;
};

} // namespace dr420
