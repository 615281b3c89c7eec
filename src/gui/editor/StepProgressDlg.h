#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

class QListWidget;
class QPushButton;

namespace dr420 {

class CMyProgressCtrl;

// Runs a long job a step at a time (a parameter per step) with a line per
// step and a progress bar; the window stays responsive between steps, and a
// stoppable job ends after the step at hand when Stop is pressed. It closes
// itself at the end, so exec() returns when the job is over.
class CStepProgressDlg : public QDialog
{
    Q_OBJECT
public:
    struct Job
    {
        std::function<bool()> finished;
        std::function<QString()> step;
        std::function<int()> progress; // 0..100
    };
    CStepProgressDlg(const QString &title, Job job, bool stoppable, QWidget *parent = nullptr);

    bool wasStopped() const { return m_stopped; }
    void requestStop() { m_stopRequested = true; }
    QListWidget *lines() const { return m_lines; }
    CMyProgressCtrl *bar() const { return m_bar; }
    QPushButton *stopButton() const { return m_stop; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void runSome();

    Job m_job;
    bool m_stoppable;
    bool m_stopRequested = false;
    bool m_stopped = false;
    bool m_done = false;
    CMyProgressCtrl *m_bar = nullptr;
    QListWidget *m_lines = nullptr;
    QPushButton *m_stop = nullptr;
    QTimer m_timer;
};

} // namespace dr420
