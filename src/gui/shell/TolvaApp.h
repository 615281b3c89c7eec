#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

namespace dr420 {

class CMainFrame;
class SerialLinkDriver;
class SingleInstance;

// The application object: single instance, main window, closing the link at exit.
class CTolvaApp : public QObject
{
    Q_OBJECT
public:
    CTolvaApp();
    ~CTolvaApp() override;

    // Returns false when this process must end without a window.
    bool initInstance(const QStringList &arguments);
    void exitInstance();

    CMainFrame *mainFrame() const { return m_frame.get(); }

private:
    void activateMainWindow();

    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<SerialLinkDriver> m_link;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_exited = false;
};

} // namespace dr420
