#include "ParaView.h"

#include "EditDialogs.h"
#include "DriveJobs.h"
#include "ParaCompareDlg.h"
#include "ParaSearchDlg.h"
#include "RWProgressDlg.h"
#include "common/Messages.h"
#include "controls/ComboListCtrl.h"
#include "controls/SplitterControl.h"
#include "paramdb/EditorRules.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"
#include "scope/SamplingState.h"
#include "common/Artwork.h"
#include "common/DialogService.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace dr420 {
namespace {
const QString kMdbFilter = QStringLiteral("MDB Files(*.mdb)|*.mdb|All Files(*.*)|*.*||");
constexpr int kBand = 65;
} // namespace

CParaView::CParaView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("paraView"));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("groupTree"));
    m_tree->setHeaderHidden(true);
    m_list = new CComboListCtrl(this);
    m_list->setObjectName(QStringLiteral("parameterList"));
    m_splitter = new CSplitterControl(QRect(200, 0, 3, 200), this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_selectAll = new QCheckBox(QStringLiteral("Select All"), this);
    m_selectAll->setObjectName(QStringLiteral("selectAll"));
    m_read = new QPushButton(QStringLiteral("Read Parameter"), this);
    m_read->setObjectName(QStringLiteral("readButton"));
    m_read->setToolTip(QStringLiteral("Read Function Code"));
    m_write = new QPushButton(QStringLiteral("Write Parameter"), this);
    m_write->setObjectName(QStringLiteral("writeButton"));
    m_write->setToolTip(QStringLiteral("Write-in Function Code"));
    const char *legend[3] = {"R/W", "ReadOnlyRuning", "Read-Only"};
    const int legendRw[3] = {2, 1, 0};
    for (int i = 0; i < 3; ++i) {
        m_legendIcons[i] = new QLabel(this);
        m_legendIcons[i]->setPixmap(artwork::attributeIcon(legendRw[i]).pixmap(16, 16));
        m_legendTexts[i] = new QLabel(QLatin1String(legend[i]), this);
    }

    const char *headings[kListColumns] = {"Parameter Number", "Parameter Name", "Parameter Value", "Unit",
                                          "Min Value", "Max Value", "", "", ""};
    for (const char *h : headings)
        m_list->insertColumn(QLatin1String(h), 80);
    for (int c = 0; c < m_list->insertedColumnCount(); ++c)
        m_list->setReadOnlyColumn(c);
    m_list->enableVScroll(true);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CParaView::treeSelectionChanged);
    connect(m_selectAll, &QCheckBox::toggled, this, [this](bool on) {
        for (int r = 0; r < m_list->rowCount(); ++r)
            m_list->setChecked(r, on);
    });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { editRow(row); });
    connect(m_list, &CComboListCtrl::rowActivated, this, &CParaView::editRow);
    connect(m_read, &QPushButton::clicked, this, &CParaView::readParameters);
    connect(m_write, &QPushButton::clicked, this, &CParaView::writeParameters);
    connect(m_splitter, &CSplitterControl::moved, this, &CParaView::splitterMoved);

    // The table was loaded by the main frame; the editor shows it sorted.
    SortParameterTable();
    SortOptionLists();
    buildGroupTree(defaultDatabasePath());
    // Columns follow the list's visible width, whenever it is known.
    m_list->viewport()->installEventFilter(this);
    resize(1000, 600);
    layoutControls();
    // Show every parameter from the start rather than an empty list.
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
}

bool CParaView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::Resize)
        adjustColumnWidths();
    return QWidget::eventFilter(watched, event);
}

CParaView::~CParaView()
{
    if (m_search)
        delete m_search;
}

void CParaView::resizeEvent(QResizeEvent *)
{
    layoutControls();
}

void CParaView::layoutControls()
{
    const int W = width() - 2;
    const int H = std::max(height() - kBand, 40);
    const int sx = int((W - 2) / (m_ratio + 1));
    m_tree->setGeometry(1, 0, sx, H);
    m_splitter->place(QRect(1 + sx, 0, 2, H));
    m_list->setGeometry(1 + sx + 2, 0, std::max(W - sx - 2, 40), H);
    // The owner decides how far the bar may go: keep both sides usable.
    const int centre = m_splitter->geometry().center().x();
    m_splitter->setRange(std::max(0, centre - 120), std::max(0, (W - 300) - centre), centre);
    const QPoint tree(1, H);
    const int legendWidths[3] = {80, 120, 80};
    for (int i = 0; i < 3; ++i) {
        m_legendIcons[i]->setGeometry(tree.x() + 2, tree.y() + 5 + 20 * i, 16, 16);
        m_legendTexts[i]->setGeometry(tree.x() + 25, tree.y() + 5 + 20 * i, legendWidths[i], 16);
    }
    const QPoint list(1 + sx + 2, H);
    m_selectAll->setGeometry(list.x() + 2, list.y() + 10, 100, 25);
    m_read->setGeometry(list.x() + 140, list.y() + 10, 130, 25);
    m_write->setGeometry(list.x() + 310, list.y() + 10, 130, 25);
    adjustColumnWidths();
}

void CParaView::splitterMoved(int delta)
{
    const int W = width() - 2;
    const int tree = std::max(1, m_tree->width() + delta);
    m_ratio = double(std::max(1, W - 2 - tree)) / tree;
    layoutControls();
}

void CParaView::adjustColumnWidths()
{
    const auto widths = columnWidths(m_list->viewport()->width());
    for (int c = 0; c < kListColumns; ++c)
        m_list->setColumnWidth(c, std::max(widths[size_t(c)], 0));
}

void CParaView::buildGroupTree(const QString &rootLabel)
{
    QSignalBlocker quiet(m_tree);
    m_tree->clear();
    auto *root = new QTreeWidgetItem(m_tree, {rootLabel});
    for (const QString &node : groupNodeTexts(ParameterTable()))
        new QTreeWidgetItem(root, {node});
    root->setExpanded(true);
}

void CParaView::treeSelectionChanged()
{
    const QList<QTreeWidgetItem *> selected = m_tree->selectedItems();
    if (selected.isEmpty())
        return;
    QString group;
    if (groupOfNode(selected.first()->text(0), &group))
        fillListGroup(group);
    else
        fillListAll();
    adjustColumnWidths();
    m_selectAll->setChecked(false);
}

void CParaView::addRow(int row, int tableIndex, const QString &tip)
{
    const ParameterRecord &r = ParameterTable()[size_t(tableIndex)];
    static const QIcon icons[3] = {artwork::attributeIcon(0), artwork::attributeIcon(1), artwork::attributeIcon(2)};
    const QString texts[6] = {r.PNO, r.Name, r.Value, r.Unit, r.MinVal, r.MaxVal};
    for (int c = 0; c < kListColumns; ++c) {
        auto *item = new QTableWidgetItem(c < 6 ? texts[c] : QString());
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | (c == 0 ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
        if (c == 0)
            item->setCheckState(Qt::Unchecked);
        m_list->setItem(row, c, item);
    }
    const int iconColumn = attributeColumn(r.RW);
    m_list->item(row, iconColumn)->setIcon(icons[std::clamp(r.RW, 0, 2)]);
    m_list->setCellTooltip(row, 2, tip);
}

void CParaView::fillListGroup(const QString &group)
{
    m_list->deleteAllItems();
    m_rowToTable.clear();
    const auto &table = ParameterTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].GroupNO == group)
            m_rowToTable << int(i);
    m_list->setRowCount(int(m_rowToTable.size()));
    for (int row = 0; row < m_rowToTable.size(); ++row)
        addRow(row, m_rowToTable[row], QStringLiteral("Double click to edit parameter"));
}

void CParaView::fillListAll()
{
    m_list->setUpdatesEnabled(false);
    m_list->deleteAllItems();
    const int n = int(ParameterTable().size());
    m_rowToTable.clear();
    m_rowToTable.reserve(n);
    m_list->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        m_rowToTable << i;
        addRow(i, i, QStringLiteral("Double Click to Edit Parameters"));
    }
    m_list->setUpdatesEnabled(true);
    adjustColumnWidths();
    m_list->viewport()->repaint();
}

QList<int> CParaView::tickedParameters() const
{
    QList<int> indexes;
    for (int row : m_list->checkedRows())
        if (row < m_rowToTable.size())
            indexes << m_rowToTable[row];
    return indexes;
}

void CParaView::editRow(int row)
{
    if (samplingActive() || row < 0 || row >= m_list->rowCount())
        return;
    const int index = FindParameterIndex(m_list->item(row, 0)->text());
    const ParameterRecord *record = index < 0 ? nullptr : &ParameterTable()[size_t(index)];
    const EditDialogKind kind = editDialogFor(record, false, [] { return IsDriveRunning(); });
    if (kind == EditDialogKind::None)
        return;
    const QString pno = record->PNO;
    if (!runEditDialog(kind, pno, nullptr))
        return;
    ParameterRecord updated;
    if (FindParameter(pno, updated))
        m_list->item(row, 2)->setText(updated.Value);
}

void CParaView::openParameterFile()
{
    DialogService::FileRequest request;
    request.title = QStringLiteral("Open The Parameter File");
    request.filter = kMdbFilter;
    const QString path = dialogs().chooseFile(this, request);
    if (path.isEmpty())
        return;
    if (isParameterFilePath(path)) {
        // Values read from the drive and not saved yet must survive a file
        // that cannot be opened: the table changes only when the new one loads.
        std::vector<ParameterRecord> before;
        before.swap(ParameterTable());
        const LoadResult loaded = LoadParameterTable(path);
        if (!loaded.opened || loaded.loaded == 0) {
            ParameterTable().swap(before);
            if (loaded.opened)
                showMessage(QStringLiteral("\"%1\" holds no parameter that can be loaded; the list is unchanged.")
                                .arg(QFileInfo(path).fileName()),
                            QString(), MessageIcon::Warning);
            return;
        }
    }
    SortParameterTable();
    SortOptionLists();
    buildGroupTree(path);
    fillListAll();
}

void CParaView::saveParameterFile()
{
    DialogService::FileRequest request;
    request.save = true;
    request.title = QStringLiteral("Save Parameter File");
    request.defaultExtension = QStringLiteral("MDB");
    request.filter = kMdbFilter;
    const QString path = dialogs().chooseFile(this, request);
    if (!path.isEmpty())
        SaveParameterFile(path);
}

void CParaView::openSearch()
{
    // A dialog that is closing is finished at once, so Ctrl+F works again
    // straight after Close instead of waiting out the mark's moment.
    if (m_search && m_searchClosing)
        finishSearchClose();
    if (m_search) {
        m_search->raise();
        m_search->activateWindow();
        return;
    }
    const QList<QTableWidgetSelectionRange> ranges = m_list->selectedRanges();
    const int first = ranges.isEmpty() ? 0 : ranges.first().topRow();
    const auto &table = ParameterTable();
    const int index = first < m_rowToTable.size() ? m_rowToTable[first] : first;
    const QString number = table.empty() ? QString() : table[size_t(std::clamp<int>(index, 0, int(table.size()) - 1))].PNO;
    m_searchClosing = false;
    m_search = new CParaSearchDlg(number, this);
    connect(m_search, &CParaSearchDlg::found, this, &CParaView::showSearchResult);
    connect(m_search, &CParaSearchDlg::closing, this, &CParaView::searchClosing);
    m_search->show();
    m_search->raise();
}

void CParaView::showSearchResult(int index)
{
    // Any result refills the list with all parameters; "nothing found" marks no row.
    fillListAll();
    if (index < 0) {
        m_list->clearSelection();
        return;
    }
    m_list->selectRow(index);
    m_list->scrollToItem(m_list->item(index, 0), QAbstractItemView::PositionAtCenter);
}

void CParaView::searchClosing()
{
    // A second close notice, or one with no dialog left, does nothing.
    if (!m_search || m_searchClosing)
        return;
    m_searchClosing = true;
    // The mark stays a moment after the dialog goes; the window stays live meanwhile.
    QTimer::singleShot(1500, this, [this, closing = m_search] {
        if (closing && closing == m_search && m_searchClosing)
            finishSearchClose();
    });
}

void CParaView::finishSearchClose()
{
    m_list->clearSelection();
    if (m_search)
        m_search->deleteLater();
    m_search = nullptr;
    m_searchClosing = false;
}

} // namespace dr420

namespace dr420 {

QStringList CParaView::tickedNumbers() const
{
    QStringList numbers;
    for (int row : m_list->checkedRows())
        numbers << m_list->item(row, 0)->text();
    return numbers;
}

void CParaView::refreshValues()
{
    for (int row = 0; row < m_list->rowCount(); ++row) {
        ParameterRecord record;
        if (m_list->item(row, 0) && FindParameter(m_list->item(row, 0)->text(), record))
            m_list->item(row, 2)->setText(record.Value);
    }
}

bool CParaView::connectedForDriveJob() const
{
    if (samplingActive())
        return false;
    if (!m_connected || !m_connected()) {
        showMessage(QStringLiteral("Serial port not connected!"), QString(), MessageIcon::None);
        return false;
    }
    return true;
}

void CParaView::compareParameters()
{
    if (m_compare) {
        m_compare->refresh();
        m_compare->raise();
        m_compare->activateWindow();
        return;
    }
    m_compare = new CParaCompareDlg([this] { return !samplingActive() && m_connected && m_connected(); }, this);
    m_compare->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_compare, &CParaCompareDlg::tableChanged, this, &CParaView::refreshValues);
    m_compare->show();
}

void CParaView::backupDriveToFile()
{
    if (connectedForDriveJob())
        dr420::backupDriveToFile(this, ParameterTable());
}

void CParaView::restoreFileToDrive()
{
    if (connectedForDriveJob())
        dr420::restoreFileToDrive(this);
}

void CParaView::refreshTickedValues()
{
    for (int row : m_list->checkedRows()) {
        ParameterRecord record;
        if (FindParameter(m_list->item(row, 0)->text(), record))
            m_list->item(row, 2)->setText(record.Value);
    }
}

QStringList CParaView::numbersToTransfer(const QString &notConnectedCaption, const QString &noneTicked,
                                         const QString &noneTickedCaption) const
{
    if (samplingActive())
        return {};
    if (!m_connected || !m_connected()) {
        showMessage(QStringLiteral("Serial port not connected!"), notConnectedCaption, MessageIcon::None);
        return {};
    }
    const QStringList numbers = tickedNumbers();
    if (numbers.isEmpty())
        showMessage(noneTicked, noneTickedCaption, MessageIcon::Information);
    return numbers;
}

void CParaView::readParameters()
{
    const QStringList numbers = numbersToTransfer(QStringLiteral("Parameter read"),
                                                  QStringLiteral("Please select the parameter to be read!"),
                                                  QStringLiteral("Parameter read"));
    if (numbers.isEmpty())
        return;
    CRWProgressDlg dialog(numbers, this);
    dialog.exec();
    refreshTickedValues();
}

void CParaView::writeParameters()
{
    const QStringList numbers = numbersToTransfer(QStringLiteral("Parameter writing"),
                                                  QStringLiteral("Please select the parameter to be written!"),
                                                  QStringLiteral("Parameter write"));
    if (numbers.isEmpty())
        return;
    CWProgressDlg dialog(numbers, this);
    dialog.exec();
}

} // namespace dr420
