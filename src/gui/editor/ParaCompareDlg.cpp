#include "ParaCompareDlg.h"

#include "DriveJobs.h"
#include "paramdb/ParameterRules.h"
#include "common/DialogService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dr420 {

namespace {
enum Column { ColPno, ColName, ColValue, ColReference, ColUnit, ColCount };
const QColor kDiffers(255, 228, 225);
} // namespace

CParaCompareDlg::CParaCompareDlg(std::function<bool()> connected, QWidget *parent)
    : QDialog(parent, Qt::Window)
    , m_connected(std::move(connected))
{
    setWindowTitle(QStringLiteral("Compare Parameters"));
    setObjectName(QStringLiteral("paraCompareDlg"));
    m_reference = new QComboBox;
    m_reference->setObjectName(QStringLiteral("referenceChoice"));
    m_reference->addItems({QStringLiteral("Default database"), QStringLiteral("Parameter file..."),
                           QStringLiteral("Drive (read now)")});
    m_group = new QComboBox;
    m_group->setObjectName(QStringLiteral("groupFilter"));
    m_differencesOnly = new QCheckBox(QStringLiteral("Differences only"));
    m_differencesOnly->setObjectName(QStringLiteral("differencesOnly"));
    m_differencesOnly->setChecked(true);
    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("differenceCount"));
    m_table = new QTableWidget(0, ColCount);
    m_table->setObjectName(QStringLiteral("comparison"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_take = new QPushButton(QStringLiteral("Take Reference Values"));
    m_take->setObjectName(QStringLiteral("takeButton"));
    m_take->setToolTip(QStringLiteral("Put the reference values of the ticked rows into the parameter list"));
    m_export = new QPushButton(QStringLiteral("Export CSV..."));
    m_export->setObjectName(QStringLiteral("exportButton"));
    auto *close = new QPushButton(QStringLiteral("Close"));

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Compare with:")));
    top->addWidget(m_reference);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Group:")));
    top->addWidget(m_group, 1);
    top->addSpacing(12);
    top->addWidget(m_differencesOnly);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_take);
    bottom->addWidget(m_export);
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(860, 560);

    connect(m_reference, &QComboBox::activated, this, [this](int index) {
        if (!chooseReference(Reference(index)))
            m_reference->setCurrentIndex(m_currentReference);
    });
    connect(m_group, &QComboBox::currentIndexChanged, this, &CParaCompareDlg::fill);
    connect(m_differencesOnly, &QCheckBox::toggled, this, &CParaCompareDlg::fill);
    connect(m_take, &QPushButton::clicked, this, &CParaCompareDlg::takeTickedReferenceValues);
    connect(m_export, &QPushButton::clicked, this, &CParaCompareDlg::exportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    fillGroups();
    chooseReference(DefaultDatabase);
}

bool CParaCompareDlg::chooseReference(Reference reference)
{
    ParameterList list;
    QString label;
    switch (reference) {
    case DefaultDatabase: {
        const LoadResult r = LoadParameterList(defaultDatabasePath(), &list);
        if (!r.opened)
            return false;
        label = QStringLiteral("Default database");
        break;
    }
    case ParameterFile: {
        DialogService::FileRequest request;
        request.title = QStringLiteral("Compare with Parameter File");
        request.filter = QStringLiteral("DR420 Parameter File(*.mdb)|*.mdb||");
        const QString path = dialogs().chooseFile(this, request);
        if (path.isEmpty())
            return false;
        const LoadResult r = LoadParameterList(path, &list);
        if (!r.opened)
            return false;
        label = QFileInfo(path).fileName();
        break;
    }
    case Drive: {
        if (m_connected && !m_connected()) {
            showMessage(QStringLiteral("Please Open COM Port First!"));
            return false;
        }
        QStringList failures;
        if (!readDriveWithProgress(this, ParameterTable(), &list, &failures))
            return false;
        if (!failures.isEmpty())
            showMessage(QStringLiteral("%1 parameter(s) could not be read from the drive; they show as missing "
                                       "there:\n%2")
                            .arg(failures.size())
                            .arg(failures.mid(0, 40).join(QLatin1Char('\n'))));
        label = QStringLiteral("Drive");
        break;
    }
    }
    m_currentReference = reference;
    m_reference->setCurrentIndex(reference);
    setReferenceList(std::move(list), label);
    return true;
}

void CParaCompareDlg::setReferenceList(ParameterList list, const QString &label)
{
    m_referenceList = std::move(list);
    m_referenceLabel = label;
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("PNO"), QStringLiteral("Name"), QStringLiteral("Value"), label, QStringLiteral("Unit")});
    refresh();
}

void CParaCompareDlg::refresh()
{
    m_comparison = CompareParameterLists(ParameterTable(), m_referenceList);
    fill();
}

void CParaCompareDlg::fillGroups()
{
    m_group->blockSignals(true);
    m_group->clear();
    m_group->addItem(QStringLiteral("All groups"), QString());
    QStringList seen;
    for (const ParameterRecord &r : ParameterTable()) {
        if (seen.contains(r.GroupNO))
            continue;
        seen << r.GroupNO;
        m_group->addItem(r.GroupName.isEmpty() ? r.GroupNO : QStringLiteral("%1 %2").arg(r.GroupNO, r.GroupName),
                         r.GroupNO);
    }
    m_group->blockSignals(false);
}

void CParaCompareDlg::fill()
{
    const QString group = m_group->currentData().toString();
    const bool onlyDiffering = m_differencesOnly->isChecked();
    m_table->setRowCount(0);
    m_shown.clear();
    for (int i = 0; i < int(m_comparison.rows.size()); ++i) {
        const CompareRow &row = m_comparison.rows[size_t(i)];
        if ((onlyDiffering && !row.differs) || (!group.isEmpty() && row.groupNo != group))
            continue;
        m_shown << i;
    }
    m_table->setRowCount(int(m_shown.size()));
    for (int t = 0; t < m_shown.size(); ++t) {
        const CompareRow &row = m_comparison.rows[size_t(m_shown[t])];
        const QString missing = QStringLiteral("(missing)");
        const QString texts[ColCount] = {row.pno, row.name, row.side == CompareRow::OnlySecond ? missing : row.first,
                                         row.side == CompareRow::OnlyFirst ? missing : row.second, row.unit};
        for (int c = 0; c < ColCount; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (row.differs)
                item->setBackground(kDiffers);
            m_table->setItem(t, c, item);
        }
        // Only a value both sides have can be taken.
        if (row.side == CompareRow::Both && row.differs)
            m_table->item(t, ColPno)->setCheckState(Qt::Unchecked);
    }
    m_table->resizeColumnsToContents();
    m_count->setText(m_comparison.summary());
}

const CompareRow *CParaCompareDlg::rowAt(int tableRow) const
{
    if (tableRow < 0 || tableRow >= m_shown.size())
        return nullptr;
    return &m_comparison.rows[size_t(m_shown[tableRow])];
}

int CParaCompareDlg::takeTickedReferenceValues()
{
    int taken = 0;
    auto &table = ParameterTable();
    for (int t = 0; t < m_table->rowCount(); ++t) {
        const QTableWidgetItem *item = m_table->item(t, ColPno);
        const CompareRow *row = rowAt(t);
        if (!item || !row || item->checkState() != Qt::Checked || row->side != CompareRow::Both)
            continue;
        const int at = FindParameterIndex(row->pno);
        if (at < 0)
            continue;
        table[size_t(at)].Value = row->second;
        ++taken;
    }
    if (taken) {
        emit tableChanged();
        refresh();
    }
    return taken;
}

bool CParaCompareDlg::exportCsv()
{
    DialogService::FileRequest request;
    request.save = true;
    request.title = QStringLiteral("Export Comparison");
    request.defaultExtension = QStringLiteral("csv");
    request.filter = QStringLiteral("CSV File(*.csv)|*.csv||");
    const QString path = dialogs().chooseFile(this, request);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(comparisonCsv(m_comparison, QStringLiteral("Value"), m_referenceLabel, m_differencesOnly->isChecked())) <
            0 ||
        !file.commit()) {
        showMessage(QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace dr420
