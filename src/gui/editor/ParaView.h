#pragma once

#include "ParaCompareDlg.h"
#include "ParaSearchDlg.h"

#include <QPointer>
#include <functional>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace dr420 {

class CComboListCtrl;


class CSplitterControl;

// The parameter editor's view: group tree, parameter list, attribute legend,
// "Select All" and the read and write buttons. It shows ParameterTable and
// keeps no parameter data of its own.
class CParaView : public QWidget
{
    Q_OBJECT
public:
    explicit CParaView(QWidget *parent = nullptr);
    ~CParaView() override;

    void buildGroupTree(const QString &rootLabel);
    void fillListAll();
    void fillListGroup(const QString &group);
    void adjustColumnWidths();

    QTreeWidget *tree() const { return m_tree; }
    CComboListCtrl *list() const { return m_list; }
    CSplitterControl *splitter() const { return m_splitter; }
    QCheckBox *selectAll() const { return m_selectAll; }
    double splitterRatio() const { return m_ratio; }
    CParaSearchDlg *searchDialog() const { return m_search; }
    CParaCompareDlg *compareDialog() const { return m_compare; }
    // Table positions of the ticked rows (the list shows the table in order
    // or one group of it).
    QList<int> tickedParameters() const;

public slots:
    void openParameterFile();
    void saveParameterFile();
    void openSearch();
    // Edits the parameter of a list row as a double-click does.
    void editRow(int row);
    // A search result: a table index, -1 for no hit.
    void showSearchResult(int index);
    void searchClosing();
    // "Read Parameter" / "Write Parameter".
    void readParameters();
    void writeParameters();
    // Compare, back up and restore (beside the editor's own commands).
    void compareParameters();
    void backupDriveToFile();
    void restoreFileToDrive();
    // Every row's value text from the table again (ticks stay).
    void refreshValues();

public:
    // How the view learns whether the link is connected (the main window's title).
    void setConnectionProbe(std::function<bool()> probe) { m_connected = std::move(probe); }


protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finishSearchClose();
    bool connectedForDriveJob() const;
    void layoutControls();
    void addRow(int row, int tableIndex, const QString &tip);
    void treeSelectionChanged();
    QStringList tickedNumbers() const;
    // The ticked numbers when a transfer may start; otherwise none, and the
    // user has been told why (nothing while the oscilloscope samples).
    QStringList numbersToTransfer(const QString &notConnectedCaption, const QString &noneTicked,
                                  const QString &noneTickedCaption) const;
    void refreshTickedValues();
    void splitterMoved(int delta);

    QTreeWidget *m_tree = nullptr;
    CComboListCtrl *m_list = nullptr;
    CSplitterControl *m_splitter = nullptr;
    QCheckBox *m_selectAll = nullptr;
    QPushButton *m_read = nullptr;
    QPushButton *m_write = nullptr;
    QLabel *m_legendIcons[3] = {};
    QLabel *m_legendTexts[3] = {};
    QList<int> m_rowToTable; // list row -> ParameterTable index
    double m_ratio = 3.0;
    QPointer<CParaSearchDlg> m_search;
    QPointer<CParaCompareDlg> m_compare;
    bool m_searchClosing = false;
    std::function<bool()> m_connected;
};

} // namespace dr420
