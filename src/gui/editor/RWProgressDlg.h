#pragma once

#include "paramdb/DriveTransfer.h"

#include <QDialog>
#include <QTimer>
#include <memory>

class QLabel;
class QListWidget;

namespace dr420 {

class CMyProgressCtrl;

// Runs a read or write over the ticked parameters: a line per parameter, a
// progress bar, the failure count. The run goes on the user-interface
// thread as one piece once the dialog is up; the bar and list repaint while
// it goes, and the dialog closes only when it is over.
class CTransferProgressDlg : public QDialog
{
    Q_OBJECT
public:
    bool isRunning() const { return m_running; }
    bool isFinished() const { return m_finished; }
    const TransferRun &run() const { return *m_run; }
    CMyProgressCtrl *bar() const { return m_bar; }
    QListWidget *lines() const { return m_lines; }
    QLabel *summary() const { return m_summary; }
    // How often the run let the window repaint.
    int repaints() const { return m_repaints; }
    // How long the run took, in seconds.
    double runSeconds() const { return m_runNs / 1e9; }

protected:
    CTransferProgressDlg(TransferRun::Kind kind, const QStringList &numbers, const QString &title, QWidget *parent);
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void runAll();

    std::unique_ptr<TransferRun> m_run;
    CMyProgressCtrl *m_bar = nullptr;
    QListWidget *m_lines = nullptr;
    QLabel *m_summary = nullptr;
    QTimer m_start;
    bool m_running = false;
    bool m_finished = false;
    int m_repaints = 0;
    qint64 m_runNs = 0;
};

// "Read Function Code From DR420".
class CRWProgressDlg : public CTransferProgressDlg
{
    Q_OBJECT
public:
    explicit CRWProgressDlg(const QStringList &numbers, QWidget *parent = nullptr);
};

// "Write Function Code In DR420".
class CWProgressDlg : public CTransferProgressDlg
{
    Q_OBJECT
public:
    explicit CWProgressDlg(const QStringList &numbers, QWidget *parent = nullptr);
};

} // namespace dr420
