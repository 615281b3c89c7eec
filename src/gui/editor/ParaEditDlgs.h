#pragma once

#include "paramdb/ParameterRecord.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dr420 {

class CXTipComboBox;

// What the three "Parameter Editing" dialogs share: the record they edit,
// the read-only number, name and description (whole text as tooltip), and
// Confirm/Cancel.
class CParaDlgBase : public QDialog
{
    Q_OBJECT
public:
    // False when the number is not in the table (the dialog must not open).
    bool isValid() const { return m_index >= 0; }
    const ParameterRecord &record() const { return m_record; }

protected:
    CParaDlgBase(const QString &pno, QWidget *parent);
    // Lays out the shared fields around the dialog's own value row.
    void build(QLayout *valueRow);
    virtual void confirm() = 0;
    void storeRecord();

    ParameterRecord m_record;
    int m_index = -1;
    QPushButton *m_confirm = nullptr;
    QPushButton *m_cancel = nullptr;
};

// Numeric parameters: the value as typed, within its limits.
class CParaEditDlg : public CParaDlgBase
{
    Q_OBJECT
public:
    explicit CParaEditDlg(const QString &pno, QWidget *parent = nullptr);
    QLineEdit *valueEdit() const { return m_value; }
    QString rangeText() const;
    void confirm() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void restoreValue();
    QLineEdit *m_value = nullptr;
    QLabel *m_range = nullptr;
    QString m_lower;
    QString m_upper;
};

// Selection parameters: one option list.
class CParaComboxDlg : public CParaDlgBase
{
    Q_OBJECT
public:
    explicit CParaComboxDlg(const QString &pno, QWidget *parent = nullptr);
    CXTipComboBox *options() const { return m_options; }
    void confirm() override;

private:
    CXTipComboBox *m_options = nullptr;
};

// Multi-digit parameters: one list per digit, most significant left.
class CParaMultiComboxDlg : public CParaDlgBase
{
    Q_OBJECT
public:
    explicit CParaMultiComboxDlg(const QString &pno, QWidget *parent = nullptr);
    int digits() const { return m_digits; }
    // The list of digit k (1 = least significant).
    CXTipComboBox *digitList(int k) const { return m_lists[k - 1]; }
    void confirm() override;

private:
    int m_digits = 0;
    CXTipComboBox *m_lists[5] = {};
};

} // namespace dr420
