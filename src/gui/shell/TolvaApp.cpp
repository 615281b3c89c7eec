#include "TolvaApp.h"

#include "common/DialogService.h"
#include "MainFrame.h"
#include "SingleInstance.h"
#include "Splash.h"
#include "link/Link.h"
#include "link/SerialLinkDriver.h"

#include <QApplication>

namespace dr420 {

CTolvaApp::CTolvaApp() = default;

CTolvaApp::~CTolvaApp()
{
    exitInstance();
}

bool CTolvaApp::initInstance(const QStringList &arguments)
{
    CSplash::allow(!arguments.contains(QStringLiteral("--no-splash")));
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("DR420 Monitor"));
    dialogs(); // messages from the core go to message boxes from now on

    m_instance = std::make_unique<SingleInstance>();
    if (!m_instance->claim())
        return false;
    connect(m_instance.get(), &SingleInstance::activationRequested, this, &CTolvaApp::activateMainWindow);

    if (!hasLinkDriver()) { // tests bring their own
        m_link = std::make_unique<SerialLinkDriver>();
        setLinkDriver(m_link.get());
    }
    m_frame = std::make_unique<CMainFrame>();
    m_frame->showMaximized();
    m_frame->repaint();
    return true;
}

void CTolvaApp::activateMainWindow()
{
    if (!m_frame)
        return;
    if (m_frame->isMinimized())
        m_frame->setWindowState((m_frame->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_frame->show();
    m_frame->raise();
    m_frame->activateWindow();
    // A dialog that was open in front of it comes along.
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void CTolvaApp::exitInstance()
{
    if (m_exited)
        return;
    m_exited = true;
    m_frame.reset();
    LinkClose();
    if (m_link) {
        setLinkDriver(nullptr);
        m_link.reset();
    }
}

} // namespace dr420
