#include "RWProgressDlg.h"

#include "controls/MyProgressCtrl.h"
#include "link/Link.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace dr420 {

namespace {
constexpr int kRepaintEveryMs = 45; // 22 times a second
}

CTransferProgressDlg::CTransferProgressDlg(TransferRun::Kind kind, const QStringList &numbers, const QString &title,
                                           QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_run(std::make_unique<TransferRun>(kind, numbers))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("transferProgressDlg"));
    m_bar = new CMyProgressCtrl;
    m_bar->setObjectName(QStringLiteral("progress"));
    m_bar->setValue(0);
    m_bar->setFixedHeight(26);
    m_lines = new QListWidget;
    m_lines->setObjectName(QStringLiteral("resultLines"));
    m_lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_lines->setUniformItemSizes(true); // one line each: no per-item layout on every insert
    m_lines->setTextElideMode(Qt::ElideNone);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("summary"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_lines);
    layout->addWidget(m_summary);
    setFixedSize(520, 380);
    m_start.setSingleShot(true);
    m_start.setInterval(100);
    connect(&m_start, &QTimer::timeout, this, &CTransferProgressDlg::runAll);
    m_start.start();
}

void CTransferProgressDlg::runAll()
{
    m_running = true;
    QElapsedTimer runTime;
    runTime.start();
    QElapsedTimer sincePaint;
    sincePaint.start();
    // The lines are kept in alphabetical order (as a sorted list box keeps
    // them, ignoring case). The widgets take the lines, the selected line and
    // the bar's position only when they are about to be painted: showing each
    // of a thousand lines at once costs more than reading the parameters.
    QList<QPair<QString, QString>> pending; // result line, and why it failed (a tooltip)
    int selected = 0;
    const auto before = [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; };
    // Showing progress is done in two halves: the lines and the bar while
    // one request travels, the list's repaint while the next one does, so
    // that each half fits into the time the wire takes anyway.
    const auto showLinesAndBar = [&] {
        m_bar->setValue(m_run->progress());
        for (const auto &[line, why] : pending) {
            int lo = 0;
            int hi = m_lines->count();
            while (lo < hi) {
                const int mid = (lo + hi) / 2;
                if (before(line, m_lines->item(mid)->text()))
                    hi = mid;
                else
                    lo = mid + 1;
            }
            m_lines->insertItem(lo, line);
            if (!why.isEmpty())
                m_lines->item(lo)->setToolTip(why);
        }
        pending.clear();
        m_lines->setCurrentRow(std::min(selected, int(m_lines->count()) - 1));
        m_bar->repaint();
    };
    const auto showList = [&] {
        m_lines->repaint();
        ++m_repaints;
        sincePaint.restart();
    };
    bool listDue = false;
    setLinkWaitHook([&] {
        if (listDue) {
            showList();
            listDue = false;
        } else if (sincePaint.elapsed() >= kRepaintEveryMs) {
            showLinesAndBar();
            listDue = true;
        }
    });
    while (!m_run->finished()) {
        selected = m_run->done();
        const QString line = m_run->step();
        pending.append({line, m_run->lastReason()});
        // Parameters that cause no traffic give no chance above.
        if (sincePaint.elapsed() >= 2 * kRepaintEveryMs) {
            showLinesAndBar();
            showList();
            listDue = false;
        }
    }
    setLinkWaitHook(nullptr);
    showLinesAndBar();
    showList();
    m_summary->setText(m_run->summary());
    m_runNs = runTime.nsecsElapsed();
    m_running = false;
    m_finished = true;
}

void CTransferProgressDlg::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    m_start.stop();
    QDialog::closeEvent(event);
}

void CTransferProgressDlg::reject()
{
    if (!m_running)
        QDialog::reject();
}

CRWProgressDlg::CRWProgressDlg(const QStringList &numbers, QWidget *parent)
    : CTransferProgressDlg(TransferRun::Read, numbers, QStringLiteral("Read Function Code From DR420"), parent)
{
}

CWProgressDlg::CWProgressDlg(const QStringList &numbers, QWidget *parent)
    : CTransferProgressDlg(TransferRun::Write, numbers, QStringLiteral("Write Function Code In DR420"), parent)
{
}

} // namespace dr420
