#include "StepProgressDlg.h"

#include "controls/MyProgressCtrl.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dr420 {

namespace {
// Steps are taken for this long before the window gets its events again.
constexpr int kSliceMs = 40;
} // namespace

CStepProgressDlg::CStepProgressDlg(const QString &title, Job job, bool stoppable, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_job(std::move(job))
    , m_stoppable(stoppable)
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("stepProgressDlg"));
    m_bar = new CMyProgressCtrl;
    m_bar->setObjectName(QStringLiteral("progress"));
    m_bar->setFixedHeight(26);
    m_bar->setValue(0);
    m_lines = new QListWidget;
    m_lines->setObjectName(QStringLiteral("resultLines"));
    m_lines->setUniformItemSizes(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_lines);
    if (m_stoppable) {
        m_stop = new QPushButton(QStringLiteral("Stop"));
        m_stop->setObjectName(QStringLiteral("stopButton"));
        connect(m_stop, &QPushButton::clicked, this, &CStepProgressDlg::requestStop);
        layout->addWidget(m_stop, 0, Qt::AlignRight);
    }
    resize(520, 380);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CStepProgressDlg::runSome);
    m_timer.start();
}

void CStepProgressDlg::runSome()
{
    QElapsedTimer slice;
    slice.start();
    QStringList added;
    while (!m_job.finished() && !m_stopRequested && slice.elapsed() < kSliceMs)
        added << m_job.step();
    m_lines->addItems(added);
    if (!added.isEmpty())
        m_lines->scrollToBottom();
    m_bar->setValue(m_job.progress());
    if (m_job.finished() || m_stopRequested) {
        m_stopped = !m_job.finished();
        m_done = true;
        m_timer.stop();
        accept();
    }
}

void CStepProgressDlg::closeEvent(QCloseEvent *event)
{
    if (m_done) {
        QDialog::closeEvent(event);
        return;
    }
    // The window's close box is Stop for a job that may stop; otherwise the job runs on.
    if (m_stoppable)
        m_stopRequested = true;
    event->ignore();
}

void CStepProgressDlg::reject()
{
    if (m_done)
        QDialog::reject();
    else if (m_stoppable)
        m_stopRequested = true; // Escape
}

} // namespace dr420
