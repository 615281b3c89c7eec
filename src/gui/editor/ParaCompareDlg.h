#pragma once

#include "paramdb/ParameterCompare.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace dr420 {

// "Compare Parameters": the values in ParameterTable against a reference
// (the default database, a parameter file, or the drive read now), compared
// as the drive sees them. Ticked rows take the reference's value into the
// table; writing them stays the editor's Write command.
class CParaCompareDlg : public QDialog
{
    Q_OBJECT
public:
    enum Reference { DefaultDatabase = 0, ParameterFile = 1, Drive = 2 };
    explicit CParaCompareDlg(std::function<bool()> connected, QWidget *parent = nullptr);

    // Loads the reference (the file through a file dialog, the drive with a
    // progress dialog); false, with the reference unchanged, when it could not.
    bool chooseReference(Reference reference);
    // Compares with a list the caller has.
    void setReferenceList(ParameterList list, const QString &label);
    // Compares again with the table as it is now.
    void refresh();

    const Comparison &comparison() const { return m_comparison; }
    QTableWidget *table() const { return m_table; }
    QLabel *countLabel() const { return m_count; }
    QCheckBox *differencesOnly() const { return m_differencesOnly; }
    QComboBox *groupFilter() const { return m_group; }
    QComboBox *referenceChoice() const { return m_reference; }
    // The comparison row shown in a table row.
    const CompareRow *rowAt(int tableRow) const;

    // The reference values of the ticked rows go into ParameterTable.
    int takeTickedReferenceValues();
    bool exportCsv();

signals:
    // ParameterTable's values changed: the editor's list shows them again.
    void tableChanged();

private:
    void fill();
    void fillGroups();

    std::function<bool()> m_connected;
    ParameterList m_referenceList;
    QString m_referenceLabel;
    Comparison m_comparison;
    QList<int> m_shown; // table row -> comparison row
    QComboBox *m_reference = nullptr;
    QComboBox *m_group = nullptr;
    QCheckBox *m_differencesOnly = nullptr;
    QLabel *m_count = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_take = nullptr;
    QPushButton *m_export = nullptr;
    int m_currentReference = DefaultDatabase;
};

} // namespace dr420
