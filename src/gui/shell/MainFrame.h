#pragma once

#include <QByteArray>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <QMdiSubWindow>
class QToolBar;

namespace dr420 {

class CMDIClient;

// The main window: menu, "Main Bar", status bar with clock, the MDI area with
// its background, the two working windows (at most one of each), the 60 s
// link watch and the full-screen layout the oscilloscope asks for.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(QWidget *parent = nullptr);
    ~CMainFrame() override;

    // The connection indicator is the window title.
    bool isConnected() const;
    void setConnected(bool connected);

    CMDIClient *mdiClient() const { return m_mdi; }
    QMdiSubWindow *parameterEditor() const { return m_paraFrame; }
    QMdiSubWindow *oscilloscope() const { return m_waveFrame; }
    bool isFullScreenMode() const { return m_fullScreen; }
    QString clockText() const { return m_clock->text(); }

public slots:
    void openParameterEditor();
    void openOscilloscope();
    QMdiSubWindow *openBlankChild();
    void openHelp();
    void openComPort();
    void closeComPort();
    void showAbout();
    void linkWatch();
    void updateClock();
    void updateKeyLocks();
    void enterFullScreen();
    void leaveFullScreen();

signals:
    // Ctrl+F: the parameter editor searches.
    void searchRequested();
    // A command of the parameter editor's tool bar, by its action's name.
    void editorCommandRequested(const QString &actionName);

protected:
    // Frame keys win over text fields: Ctrl+C closes the port, it is no copy key here.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createToolBar();
    void createStatusBar();
    void loadParameterTable();
    // The MDI child's own system menu binds Ctrl+W (and Ctrl+F4) to Close:
    // the frame's keys must stay the only ones.
    static void dropSystemMenuKeys(QMdiSubWindow *sub);
    QMdiSubWindow *openWorkingWindow(QPointer<QMdiSubWindow> &slot, QWidget *view, const QString &title,
                                     const QIcon &icon, bool maximised);

    CMDIClient *m_mdi = nullptr;
    QToolBar *m_toolBar = nullptr;
    QLabel *m_ready = nullptr;
    QLabel *m_clock = nullptr;
    QLabel *m_lockPanes[3] = {}; // Caps, Num, Scroll Lock
    QPointer<QMdiSubWindow> m_paraFrame;
    QPointer<QWidget> m_help; // the manual's window, while open
    QPointer<QMdiSubWindow> m_waveFrame;
    QTimer m_clockTimer;
    QTimer m_watchTimer;
    int m_blankCount = 0;
    bool m_connected = false;
    QList<QAction *> m_frameKeys;

    bool m_fullScreen = false;
    QByteArray m_savedGeometry;
    bool m_toolBarWasVisible = true;
    bool m_statusBarWasVisible = true;
};

} // namespace dr420
