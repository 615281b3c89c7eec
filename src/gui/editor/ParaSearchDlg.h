#pragma once

#include "paramdb/EditorRules.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace dr420 {

// "Search Parameter ": modeless and top-most; each "Next" reports the table
// index of the hit (or -1), closing reports that the dialog goes.
class CParaSearchDlg : public QDialog
{
    Q_OBJECT
public:
    CParaSearchDlg(const QString &currentNumber, QWidget *parent = nullptr);

    QString currentNumber() const { return m_current; }
    SearchOptions options() const;

public slots:
    void next();

signals:
    void found(int index);
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QString m_current;
    QLineEdit *m_text = nullptr;
    QButtonGroup *m_field = nullptr;
    QButtonGroup *m_direction = nullptr;
    QCheckBox *m_whole = nullptr;
    QCheckBox *m_case = nullptr;
    bool m_closingSent = false;
};

} // namespace dr420
