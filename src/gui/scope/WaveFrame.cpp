#include "WaveFrame.h"

#include "ScopeToolsPane.h"
#include "WaveView.h"
#include "common/DialogService.h"
#include "common/Artwork.h"
#include "common/Commands.h"
#include "wave/WaveWnd.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QToolButton>
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
    addScopeTools();

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

void CWaveFrame::addScopeTools()
{
    // After the tool bar's own commands, behind a separator: trigger,
    // measurements, export and recording, with their panes docked at the side.
    m_bar->addSeparator();
    const auto dock = [this](const QString &title, const char *name, QWidget *pane, const QIcon &icon,
                             const QString &prompt) {
        auto *d = new QDockWidget(title, this);
        d->setObjectName(QLatin1String(name) + QStringLiteral("Dock"));
        d->setWidget(pane);
        d->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
        addDockWidget(Qt::RightDockWidgetArea, d);
        d->hide();
        QAction *toggle = d->toggleViewAction();
        toggle->setObjectName(QLatin1String(name));
        toggle->setIcon(icon);
        setPrompt(toggle, prompt);
        m_bar->addAction(toggle);
        if (auto *button = qobject_cast<QToolButton *>(m_bar->widgetForAction(toggle))) {
            button->setFixedSize(25, 22);
            button->setAutoRaise(true);
        }
        m_actions.insert(QLatin1String(name), toggle);
        return d;
    };
    m_triggerPane = new CTriggerPane(m_view);
    dock(QStringLiteral("Trigger"), "actionTrigger", m_triggerPane, artwork::triggerIcon(),
         QStringLiteral("Trigger on an edge of a channel, and the recording's state\nTrigger"));
    m_measurementsPane = new CMeasurementsPane(m_view);
    QDockWidget *measurements = dock(QStringLiteral("Measurements"), "actionMeasurements", m_measurementsPane,
                                     artwork::measureIcon(),
                                     QStringLiteral("Min, max, mean, RMS and frequency of each channel\nMeasurements"));
    connect(measurements, &QDockWidget::visibilityChanged, m_measurementsPane, [this](bool shown) {
        if (shown)
            m_measurementsPane->refresh();
    });

    auto *exportMenu = new QMenu(this);
    exportMenu->setObjectName(QStringLiteral("exportMenu"));
    const auto exportFile = [this](const QString &title, const QString &filter, const QString &extension,
                                   const std::function<bool(const QString &)> &write) {
        DialogService::FileRequest request;
        request.save = true;
        request.title = title;
        request.filter = filter;
        request.defaultExtension = extension;
        const QString path = dialogs().chooseFile(this, request);
        if (!path.isEmpty() && !write(path))
            showMessage(QStringLiteral("The file could not be written:\n%1").arg(path));
    };
    const QString csv = QStringLiteral("CSV Files(*.csv)|*.csv||");
    exportMenu->addAction(QStringLiteral("CSV, All Samples..."), this, [=] {
        exportFile(QStringLiteral("Export CSV"), csv, QStringLiteral("csv"),
                   [this](const QString &p) { return m_view->exportCsv(p, false); });
    })->setObjectName(QStringLiteral("actionExportCsvAll"));
    exportMenu->addAction(QStringLiteral("CSV, Visible Window..."), this, [=] {
        exportFile(QStringLiteral("Export CSV"), csv, QStringLiteral("csv"),
                   [this](const QString &p) { return m_view->exportCsv(p, true); });
    })->setObjectName(QStringLiteral("actionExportCsvVisible"));
    exportMenu->addAction(QStringLiteral("PNG Picture..."), this, [=] {
        exportFile(QStringLiteral("Export Picture"), QStringLiteral("PNG Files(*.png)|*.png||"), QStringLiteral("png"),
                   [this](const QString &p) { return m_view->exportPng(p); });
    })->setObjectName(QStringLiteral("actionExportPng"));
    QAction *exportAction = addToolCommand(m_bar, QStringLiteral("actionExport"), artwork::exportIcon(),
                                           QStringLiteral("Export the channels as CSV or the display as PNG\nExport"),
                                           QSize(25, 22));
    exportAction->setMenu(exportMenu);
    if (auto *button = qobject_cast<QToolButton *>(m_bar->widgetForAction(exportAction)))
        button->setPopupMode(QToolButton::InstantPopup);
    m_actions.insert(QStringLiteral("actionExport"), exportAction);

    QAction *record = addToolCommand(m_bar, QStringLiteral("actionRecord"), artwork::recordIcon(),
                                     QStringLiteral("Record every sample to a CSV file while sampling\nRecord"),
                                     QSize(25, 22));
    record->setCheckable(true);
    m_actions.insert(QStringLiteral("actionRecord"), record);
    connect(record, &QAction::triggered, this, [this](bool on) {
        if (!on) {
            m_view->stopRecording();
            return;
        }
        if (!m_view->isRunning()) {
            showMessage(QStringLiteral("Recording starts while the oscilloscope runs: press Run first."), QString(),
                        MessageIcon::Information);
        } else {
            DialogService::FileRequest request;
            request.save = true;
            request.title = QStringLiteral("Record to File");
            request.filter = QStringLiteral("CSV Files(*.csv)|*.csv||");
            request.defaultExtension = QStringLiteral("csv");
            const QString path = dialogs().chooseFile(this, request);
            QString error;
            if (!path.isEmpty() && !m_view->startRecording(path, &error))
                showMessage(QStringLiteral("Cannot record to %1: %2").arg(path, error));
        }
        syncButtons();
    });
    connect(m_view, &CWaveView::recordingChanged, this, &CWaveFrame::syncButtons);
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
        {"actionRecord", m_view->isRecording()},
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
    // The display alone: the side panes go and come back with the tool bar.
    m_shownDocks.clear();
    for (QDockWidget *d : findChildren<QDockWidget *>())
        if (d->isVisible()) {
            m_shownDocks << d;
            d->hide();
        }
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
    for (QDockWidget *d : std::as_const(m_shownDocks))
        if (d)
            d->show();
    m_shownDocks.clear();
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
