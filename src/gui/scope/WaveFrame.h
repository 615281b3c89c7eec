#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QDockWidget;
class QMdiSubWindow;
class QShortcut;
class QToolBar;

namespace dr420 {

class CMeasurementsPane;
class CTriggerPane;
class CWaveView;

// The oscilloscope's frame: the "Wave Bar" over the view. Its buttons show
// the view's modes pressed; it also carries out full screen, in which the
// sub-window around it loses its caption and fills the main window's MDI
// area until Escape.
class CWaveFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CWaveFrame(QWidget *parent = nullptr);
    CWaveView *view() const { return m_view; }
    QToolBar *toolBar() const { return m_bar; }
    QAction *action(const QString &name) const { return m_actions.value(name); }
    CTriggerPane *triggerPane() const { return m_triggerPane; }
    CMeasurementsPane *measurementsPane() const { return m_measurementsPane; }

    // What the main window does on entering and leaving full screen.
    void setMainFullScreen(std::function<void()> enter, std::function<void()> leave);
    bool isFullScreen() const { return m_fullScreen; }

public slots:
    void enterFullScreen();
    void leaveFullScreen();
    void syncButtons();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMdiSubWindow *subWindow() const;
    void fitToArea();
    void addScopeTools();

    CWaveView *m_view = nullptr;
    QToolBar *m_bar = nullptr;
    QHash<QString, QAction *> m_actions;
    QShortcut *m_escape = nullptr;
    std::function<void()> m_mainEnter;
    std::function<void()> m_mainLeave;
    bool m_fullScreen = false;
    QRect m_savedGeometry;
    Qt::WindowFlags m_savedFlags;
    Qt::WindowStates m_savedState;
    QPointer<QWidget> m_area;
    CTriggerPane *m_triggerPane = nullptr;
    QList<QPointer<QDockWidget>> m_shownDocks;
    CMeasurementsPane *m_measurementsPane = nullptr;
};

} // namespace dr420
