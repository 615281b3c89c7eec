#include "MainFrame.h"

#include "common/Artwork.h"
#include "ChildFrame.h"
#include "common/Commands.h"
#include "HelpWindow.h"
#include "KeyLocks.h"
#include "MdiClient.h"
#include "Splash.h"
#include "WorkingWindows.h"
#include "link/OpenCommDlg.h"
#include "common/AppPaths.h"
#include "common/Messages.h"
#include "common/ProgramDir.h"
#include "common/ShellRules.h"
#include "link/Link.h"
#include "paramdb/ParameterRecord.h"
#include "paramdb/ParameterStore.h"
#include "scope/SamplingState.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

namespace dr420 {
namespace {
constexpr int kClockMs = 1000;
constexpr int kWatchMs = 60000;

const QString kHelpFile = QStringLiteral("KT250后台软件使用说明.chm");

// "status prompt\ntool tip"
QAction *addCommand(QWidget *owner, QMenu *menu, const QString &text, const QKeySequence &key)
{
    auto *action = new QAction(text, owner);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        owner->addAction(action); // keys work with the menu bar hidden too
    }
    if (menu)
        menu->addAction(action);
    return action;
}
} // namespace

CMainFrame::CMainFrame(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(artwork::applicationIcon());
    createActions();
    createToolBar();
    createStatusBar();

    m_mdi = new CMDIClient;
    m_mdi->setObjectName(QStringLiteral("mdiClient"));
    setCentralWidget(m_mdi);

    CSplash::showSplash(this);
    loadParameterTable();
    CSplash::hideSplash();

    connect(&m_watchTimer, &QTimer::timeout, this, &CMainFrame::linkWatch);
    m_watchTimer.start(kWatchMs);
    setConnected(false);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createActions()
{
    QMenuBar *bar = menuBar();
    QMenu *start = bar->addMenu(QStringLiteral("Start(&S)"));
    QAction *open = addCommand(this, start, QStringLiteral("Open  COM Port(&O)\tCtrl+O"), QKeySequence(QStringLiteral("Ctrl+O")));
    open->setObjectName(QStringLiteral("actionOpenComPort"));
    setPrompt(open, QStringLiteral("Set the serial port parameters and open the serial port \nOpen  COM Port"));
    connect(open, &QAction::triggered, this, &CMainFrame::openComPort);
    QAction *close = addCommand(this, start, QStringLiteral("Close COM Port(&C)\tCtrl+C"), QKeySequence(QStringLiteral("Ctrl+C")));
    close->setObjectName(QStringLiteral("actionCloseComPort"));
    setPrompt(close, QStringLiteral("Close the serial port and disconnect the port\nClose COM Port"));
    connect(close, &QAction::triggered, this, &CMainFrame::closeComPort);

    QMenu *code = bar->addMenu(QStringLiteral("Function Code(&P)"));
    QAction *para = addCommand(this, code, QStringLiteral("W/R-Function Code\tCtrl+E"), QKeySequence(QStringLiteral("Ctrl+E")));
    para->setObjectName(QStringLiteral("actionParameterEditor"));
    para->setIcon(artwork::parameterEditorIcon());
    setPrompt(para, QStringLiteral("W/R-Function Code\nW/R-Function Code"));
    connect(para, &QAction::triggered, this, &CMainFrame::openParameterEditor);
    // The parameter editor's compare, backup and restore, for when its tool bar is not at hand.
    code->addSeparator();
    const struct {
        const char *text;
        const char *editorAction;
    } editorCommands[] = {{"Compare Parameters...", "actionCompareParameters"},
                          {"Backup Drive to File...", "actionBackupDrive"},
                          {"Restore File to Drive...", "actionRestoreDrive"}};
    for (const auto &c : editorCommands) {
        QAction *a = code->addAction(QString::fromLatin1(c.text));
        a->setObjectName(QStringLiteral("menu") + QLatin1String(c.editorAction).mid(6));
        const QString name = QLatin1String(c.editorAction);
        connect(a, &QAction::triggered, this, [this, name] {
            openParameterEditor();
            emit editorCommandRequested(name);
        });
    }

    QMenu *wave = bar->addMenu(QStringLiteral("Wave Display(&W)"));
    QAction *scope = addCommand(this, wave, QStringLiteral("Oscilloscope(&S)\tCtrl+W"), QKeySequence(QStringLiteral("Ctrl+W")));
    scope->setObjectName(QStringLiteral("actionOscilloscope"));
    scope->setIcon(artwork::oscilloscopeIcon());
    setPrompt(scope, QStringLiteral("Display Waveform\nOscilloscope"));
    connect(scope, &QAction::triggered, this, &CMainFrame::openOscilloscope);

    bar->addAction(QStringLiteral("Monitor panel(&I)"));

    QMenu *check = bar->addMenu(QStringLiteral("Check(&V)"));
    check->setObjectName(QStringLiteral("menuCheck"));
    QAction *tools = check->addAction(QStringLiteral("Tools(&T)"));
    tools->setObjectName(QStringLiteral("actionToggleToolBar"));
    tools->setCheckable(true);
    tools->setChecked(true);
    QAction *status = check->addAction(QStringLiteral("Status Bar(&S)"));
    status->setObjectName(QStringLiteral("actionToggleStatusBar"));
    status->setCheckable(true);
    status->setChecked(true);
    connect(tools, &QAction::toggled, this, [this](bool on) { m_toolBar->setVisible(on); });
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    // The marks show the bars as they are, however they were hidden.
    connect(check, &QMenu::aboutToShow, this, [this, tools, status] {
        const QSignalBlocker a(tools);
        const QSignalBlocker b(status);
        tools->setChecked(m_toolBar->isVisibleTo(this));
        status->setChecked(statusBar()->isVisibleTo(this));
    });

    QMenu *help = bar->addMenu(QStringLiteral("Help(&H)"));
    QAction *about = help->addAction(QStringLiteral("About Velcor(&A)..."));
    about->setObjectName(QStringLiteral("actionAbout"));
    connect(about, &QAction::triggered, this, &CMainFrame::showAbout);

    QAction *search = addCommand(this, nullptr, QString(), QKeySequence(QStringLiteral("Ctrl+F")));
    search->setObjectName(QStringLiteral("actionSearch"));
    connect(search, &QAction::triggered, this, &CMainFrame::searchRequested);
    QAction *blank = addCommand(this, nullptr, QString(), QKeySequence(QStringLiteral("Ctrl+N")));
    blank->setObjectName(QStringLiteral("actionNewBlank"));
    connect(blank, &QAction::triggered, this, &CMainFrame::openBlankChild);
    QAction *helpFile = addCommand(this, nullptr, QString(), QKeySequence(Qt::Key_F1));
    helpFile->setObjectName(QStringLiteral("actionHelp"));
    setPrompt(helpFile, QStringLiteral("Search help files\nSearch help files"));
    connect(helpFile, &QAction::triggered, this, &CMainFrame::openHelp);
    m_frameKeys = {open, close, para, scope, search, blank, helpFile};
    qApp->installEventFilter(this);
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("Main Bar"), this);
    m_toolBar->setObjectName(QStringLiteral("mainBar"));
    m_toolBar->setIconSize(QSize(25, 25));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    const struct {
        const char *action;
        const char *text;
    } buttons[] = {{"actionParameterEditor", "Function Code"}, {"actionOscilloscope", "Oscilloscope"}};
    for (const auto &b : buttons) {
        auto *source = findChild<QAction *>(QLatin1String(b.action));
        auto *action = new QAction(source->icon(), QLatin1String(b.text), m_toolBar);
        action->setStatusTip(source->statusTip());
        action->setToolTip(source->toolTip());
        connect(action, &QAction::triggered, source, &QAction::trigger);
        m_toolBar->addAction(action);
        if (auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(action)))
            button->setFixedSize(88, 44);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::createStatusBar()
{
    QStatusBar *bar = statusBar();
    m_ready = new QLabel(QStringLiteral("Ready"));
    bar->addWidget(m_ready, 1);
    const auto pane = [bar](const QString &text, int width) {
        auto *label = new QLabel(text);
        label->setMinimumWidth(width);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(label);
        return label;
    };
    m_lockPanes[0] = pane(QString(), 25);
    m_lockPanes[1] = pane(QString(), 35);
    m_lockPanes[2] = pane(QString(), 25);
    m_lockPanes[0]->setObjectName(QStringLiteral("capsPane"));
    m_lockPanes[1]->setObjectName(QStringLiteral("numPane"));
    m_lockPanes[2]->setObjectName(QStringLiteral("scrollPane"));
    updateKeyLocks();
    pane(QStringLiteral("Velcor Electric"), 160)->setObjectName(QStringLiteral("companyPane"));
    m_clock = pane(QString(), 115);
    m_clock->setObjectName(QStringLiteral("clockPane"));
    updateClock();
    connect(&m_clockTimer, &QTimer::timeout, this, &CMainFrame::updateClock);
    m_clockTimer.start(kClockMs);
}

void CMainFrame::updateKeyLocks()
{
    const KeyLocks locks = currentKeyLocks();
    m_lockPanes[0]->setText(locks.caps ? QStringLiteral("CAP") : QString());
    m_lockPanes[1]->setText(locks.num ? QStringLiteral("NUM") : QString());
    m_lockPanes[2]->setText(locks.scroll ? QStringLiteral("SCRL") : QString());
}

void CMainFrame::loadParameterTable()
{
    // Unsorted here: the parameter editor sorts when it opens.
    setDefaultDatabasePath(appFilePath(AppFile::Database));
    ParameterTable().clear();
    LoadParameterTable(defaultDatabasePath());
}

bool CMainFrame::isConnected() const
{
    // Not read back from the title: a maximised child window adds its own
    // name to the main window's title.
    return m_connected;
}

void CMainFrame::setConnected(bool connected)
{
    m_connected = connected;
    setWindowTitle(connected ? kTitleConnected : kTitleNotConnected);
}

void CMainFrame::dropSystemMenuKeys(QMdiSubWindow *sub)
{
    if (QMenu *menu = sub->systemMenu())
        for (QAction *a : menu->actions())
            a->setShortcuts({});
}

bool CMainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched->isWidgetType()) {
        const int k = static_cast<QKeyEvent *>(event)->key();
        if (k == Qt::Key_CapsLock || k == Qt::Key_NumLock || k == Qt::Key_ScrollLock)
            QTimer::singleShot(0, this, &CMainFrame::updateKeyLocks);
    }
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        // A focused text field would take these as its own (Ctrl+C as copy)
        // and the frame's command would never run.
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction *a : m_frameKeys)
            if (a->isEnabled() && a->shortcut() == pressed)
                return true; // not overridden: the shortcut fires
    }
    return QMainWindow::eventFilter(watched, event);
}

QMdiSubWindow *CMainFrame::openWorkingWindow(QPointer<QMdiSubWindow> &slot, QWidget *view, const QString &title,
                                             const QIcon &icon, bool maximised)
{
    auto *frame = new CWorkFrame(view, title, icon);
    m_mdi->addSubWindow(frame);
    dropSystemMenuKeys(frame);
    const QSize area = m_mdi->viewport()->size();
    frame->setGeometry(0, 0, qMax(area.width() - 4, 200), qMax(area.height() - 70, 150));
    // Created maximised; only the parameter editor is shown in normal state as well.
    if (maximised)
        frame->showMaximized();
    else
        frame->showNormal();
    slot = frame;
    return frame;
}

void CMainFrame::openParameterEditor()
{
    if (m_paraFrame) {
        m_mdi->setActiveSubWindow(m_paraFrame);
        return;
    }
    openWorkingWindow(m_paraFrame, createParameterView(this), QStringLiteral("Parameter Editing"),
                      artwork::parameterEditorIcon(), false);
}

void CMainFrame::openOscilloscope()
{
    if (m_waveFrame) {
        m_mdi->setActiveSubWindow(m_waveFrame);
        return;
    }
    openWorkingWindow(m_waveFrame, createOscilloscopeView(this), QStringLiteral("Oscilloscope"),
                      artwork::oscilloscopeIcon(), true);
}

QMdiSubWindow *CMainFrame::openBlankChild()
{
    auto *frame = new CChildFrame(++m_blankCount);
    m_mdi->addSubWindow(frame);
    dropSystemMenuKeys(frame);
    frame->show();
    return frame;
}

void CMainFrame::openHelp()
{
    const QString chm = shippedFilePath(kHelpFile);
    if (!chm.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(chm));
        return;
    }
    // No vendor help file (no Linux desktop opens one anyway): our own manual.
    if (!m_help) {
        const QString manual = shippedFilePath(QStringLiteral("manual.md"));
        auto *help = new CHelpWindow(this);
        help->setAttribute(Qt::WA_DeleteOnClose);
        if (manual.isEmpty() || !help->load(manual)) {
            delete help;
            showMessage(QStringLiteral("The help file could not be found."));
            return;
        }
        m_help = help;
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void CMainFrame::openComPort()
{
    if (samplingActive())
        return;
    COpenCommDlg dialog(this);
    if (dialog.exec() == QDialog::Accepted && dialog.connected())
        setConnected(true);
}

void CMainFrame::closeComPort()
{
    LinkClose();
    samplingActive() = false;
    setConnected(false);
}

void CMainFrame::showAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::linkWatch()
{
    if (samplingActive())
        return;
    uint16_t state = 0;
    if (!readRunState(&state, false)) {
        setConnected(false);
        LinkClose();
    }
}

void CMainFrame::updateClock()
{
    m_clock->setText(formatClock(QDateTime::currentDateTime()));
    // A lock key pressed while another program had the focus shows within a second.
    updateKeyLocks();
}

void CMainFrame::enterFullScreen()
{
    if (m_fullScreen)
        return;
    m_savedGeometry = saveGeometry();
    m_toolBarWasVisible = m_toolBar->isVisible();
    m_statusBarWasVisible = statusBar()->isVisible();
    m_toolBar->hide();
    statusBar()->hide();
    menuBar()->hide();
    m_fullScreen = true;
    showFullScreen();
}

void CMainFrame::leaveFullScreen()
{
    if (!m_fullScreen)
        return;
    m_toolBar->setVisible(m_toolBarWasVisible);
    statusBar()->setVisible(m_statusBarWasVisible);
    menuBar()->show();
    showNormal();
    restoreGeometry(m_savedGeometry);
    m_fullScreen = false;
}

} // namespace dr420
