#include "HelpWindow.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace dr420 {

CHelpWindow::CHelpWindow(QWidget *parent)
    : QDialog(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("DR420 Monitor Help"));
    setObjectName(QStringLiteral("helpWindow"));
    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("manual"));
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(760, 680);
}

bool CHelpWindow::load(const QString &markdownPath)
{
    QFile file(markdownPath);
    // A manual is a few pages; a huge file is not ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024)
        return false;
    m_browser->setMarkdown(QString::fromUtf8(file.readAll()));
    return true;
}

} // namespace dr420
