#include "WaveFrame.h"

#include "WaveView.h"
#include "shell/Artwork.h"
#include "shell/Commands.h"
#include "wave/WaveWnd.h"

#include <QAction>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QToolBar>

namespace dr420 {

using artwork::ScopeIcon;

CWaveFrame::CWaveFrame(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("waveFrame"));
    m_view = new CWaveView;
    setCentralWidget(m_view);

    m_bar = new QToolBar(QStringLiteral("Wave Bar"), this);
    m_bar->setObjectName(QStringLiteral("waveBar"));
    m_bar->setIconSize(QSize(16, 16));
    m_bar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    CWaveView *v = m_view;
    const struct {
        const char *name; // empty: a separator
        QIcon icon;
        const char *prompt;
        bool checkable;
        std::function<void()> run;
    } commands[] = {
        {"actionOpenWave", artwork::openFileIcon(), "Open a wave file\nOpen", false, [v] { v->openTrace(); }},
        {"actionSaveWave", artwork::saveFileIcon(), "Save the wave as a wave file or a picture\nSave", false,
         [v] { v->saveTrace(); }},
        {"", {}, "", false, {}},
        {"actionRun", artwork::scopeIcon(ScopeIcon::Run), "Run the oscilloscope\nRun", true, [v] { v->run(); }},
        {"actionStop", artwork::scopeIcon(ScopeIcon::Stop), "Close the oscilloscope\nOver", true, [v] { v->stop(); }},
        {"", {}, "", false, {}},
        {"actionTimeCursors", artwork::scopeIcon(ScopeIcon::TimeCursors), "Show or hide the X-axis cursors\nX-Axis Cursor",
         true, [v] { v->toggleTimeCursors(); }},
        {"actionValueCursor1", artwork::scopeIcon(ScopeIcon::ValueCursor1), "Value cursors of channel 1\nChannel 1 Cursor",
         true, [v] { v->toggleValueCursor(1); }},
        {"actionValueCursor2", artwork::scopeIcon(ScopeIcon::ValueCursor2), "Value cursors of channel 2\nChannel 2 Cursor",
         true, [v] { v->toggleValueCursor(2); }},
        {"actionValueCursor3", artwork::scopeIcon(ScopeIcon::ValueCursor3), "Value cursors of channel 3\nChannel 3 Cursor",
         true, [v] { v->toggleValueCursor(3); }},
        {"actionValueCursor4", artwork::scopeIcon(ScopeIcon::ValueCursor4), "Value cursors of channel 4\nChannel 4 Cursor",
         true, [v] { v->toggleValueCursor(4); }},
        {"", {}, "", false, {}},
        {"actionOriginalSize", artwork::scopeIcon(ScopeIcon::OriginalSize), "Restore the original size\nOriginal Size",
         false, [v] { v->originalSize(); }},
        {"actionCoordinates", artwork::scopeIcon(ScopeIcon::Coordinates),
         "Show the coordinates under the mouse\nDisplay Coordinates", true, [v] { v->toggleTipMode(); }},
        {"actionFullScreen", artwork::scopeIcon(ScopeIcon::FullScreen),
         "Full screen display, press ESC to exit full screen\nFull Screen", false, [v] { v->requestFullScreen(); }},
        {"actionVerticalDrag", artwork::scopeIcon(ScopeIcon::VerticalDrag), "Drag the curves up and down\nAllow vertical drag",
         true, [v] { v->allowDrag(2); }},
        {"actionHorizontalDrag", artwork::scopeIcon(ScopeIcon::HorizontalDrag),
         "Drag the curves along the time axis\nAllow horizontal drag", true, [v] { v->allowDrag(1); }},
        {"actionProhibit", artwork::scopeIcon(ScopeIcon::Prohibit), "No drag and no zoom with the mouse\nProhibit Action",
         true, [v] { v->prohibitAction(); }},
        {"actionZoomIn", artwork::scopeIcon(ScopeIcon::ZoomIn), "Zoom in on the rectangle you drag\nZoom In", true,
         [v] { v->zoomMode(2); }},
        {"actionZoomOut", artwork::scopeIcon(ScopeIcon::ZoomOut), "Go back one zoom step per click\nZoom Out", true,
         [v] { v->zoomMode(1); }},
        {"actionBackground", artwork::scopeIcon(ScopeIcon::Background), "Choose the background colour\nBackground Color",
         false, [v] { v->chooseBackground(); }},
    };
    for (const auto &c : commands) {
        if (!*c.name) {
            m_bar->addSeparator();
            continue;
        }
        QAction *action = addToolCommand(m_bar, QLatin1String(c.name), c.icon, QString::fromUtf8(c.prompt), QSize(25, 22));
        action->setCheckable(c.checkable);
        const std::function<void()> run = c.run;
        // The pressed state is the view's, not the click's.
        connect(action, &QAction::triggered, this, [this, run] {
            run();
            syncButtons();
        });
        m_actions.insert(QLatin1String(c.name), action);
    }
    addToolBar(Qt::TopToolBarArea, m_bar);

    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &CWaveFrame::leaveFullScreen);
    m_escape->setContext(Qt::WindowShortcut);
    m_escape->setEnabled(false);

    connect(m_view, &CWaveView::commandStateChanged, this, &CWaveFrame::syncButtons);
    connect(m_view, &CWaveView::fullScreenRequested, this, &CWaveFrame::enterFullScreen);
    connect(m_view, &CWaveView::titleChanged, this, [this](const QString &title) {
        setWindowTitle(title);
        if (QMdiSubWindow *sub = subWindow())
            sub->setWindowTitle(title);
    });
    syncButtons();
}

void CWaveFrame::syncButtons()
{
    const CWaveWnd *wave = m_view->wave();
    const bool running = m_view->isRunning();
    const int drag = wave->dragMode();
    const int zoom = wave->zoomMode();
    const int valueChannel = wave->model().valueCursorChannel();
    const struct {
        const char *name;
        bool pressed;
    } states[] = {
        {"actionRun", running},
        {"actionStop", !running},
        {"actionTimeCursors", wave->model().timeCursorsShown()},
        {"actionValueCursor1", valueChannel == 1},
        {"actionValueCursor2", valueChannel == 2},
        {"actionValueCursor3", valueChannel == 3},
        {"actionValueCursor4", valueChannel == 4},
        {"actionCoordinates", wave->tipMode()},
        {"actionHorizontalDrag", drag == 1},
        {"actionVerticalDrag", drag == 2},
        {"actionProhibit", drag == 0 && zoom == 0},
        // A drag mode leaves the zoom mode and its button as they are.
        {"actionZoomIn", zoom == 2},
        {"actionZoomOut", zoom == 1},
    };
    for (const auto &s : states)
        if (QAction *a = m_actions.value(QLatin1String(s.name)))
            a->setChecked(s.pressed);
}

void CWaveFrame::setMainFullScreen(std::function<void()> enter, std::function<void()> leave)
{
    m_mainEnter = std::move(enter);
    m_mainLeave = std::move(leave);
}

QMdiSubWindow *CWaveFrame::subWindow() const
{
    return qobject_cast<QMdiSubWindow *>(parentWidget());
}

void CWaveFrame::enterFullScreen()
{
    if (m_fullScreen)
        return;
    m_fullScreen = true;
    if (m_mainEnter)
        m_mainEnter();
    m_bar->hide();
    if (QMdiSubWindow *sub = subWindow()) {
        m_savedGeometry = sub->geometry();
        m_savedFlags = sub->windowFlags();
        m_savedState = sub->windowState();
        sub->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
        sub->showNormal();
        if (QMdiArea *area = sub->mdiArea()) {
            m_area = area->viewport();
            m_area->installEventFilter(this); // the main window grows after this call
        }
        fitToArea();
    }
    m_view->setPanelShown(false);
    m_escape->setEnabled(true);
    m_view->wave()->setFocus();
}

void CWaveFrame::leaveFullScreen()
{
    if (!m_fullScreen)
        return;
    m_fullScreen = false;
    m_escape->setEnabled(false);
    if (m_area)
        m_area->removeEventFilter(this);
    m_view->setPanelShown(true);
    if (m_mainLeave)
        m_mainLeave();
    m_bar->show();
    if (QMdiSubWindow *sub = subWindow()) {
        sub->setWindowFlags(m_savedFlags);
        sub->setGeometry(m_savedGeometry);
        if (m_savedState & Qt::WindowMaximized)
            sub->showMaximized();
        else
            sub->showNormal();
    }
}

void CWaveFrame::fitToArea()
{
    QMdiSubWindow *sub = subWindow();
    if (sub && m_area)
        sub->setGeometry(QRect(QPoint(0, 0), m_area->size()));
}

bool CWaveFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize && m_fullScreen)
        fitToArea();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace dr420
