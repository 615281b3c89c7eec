#include "Splash.h"

#include "common/Artwork.h"
#include "common/ShellRules.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QPainter>
#include <QScreen>

namespace dr420 {
namespace {
bool g_allowed = true;
QPointer<CSplash> g_splash;
int g_dotCounter = 6;

class SplashFilter final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override { return CSplash::filterEvent(event); }
};
SplashFilter *g_filter = nullptr;
} // namespace

void CSplash::allow(bool allowed)
{
    g_allowed = allowed;
}

bool CSplash::allowed()
{
    return g_allowed;
}

CSplash *CSplash::current()
{
    return g_splash;
}

CSplash::CSplash(QWidget *owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_canvas(artwork::splashPicture())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_canvas.size());
    m_sequence = splashDrawSequence(g_dotCounter);
    connect(&m_dotTimer, &QTimer::timeout, this, &CSplash::drawNext);
    m_dotTimer.start(100);
    QTimer::singleShot(750, this, [] { hideSplash(); });
    if (QScreen *screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void CSplash::showSplash(QWidget *owner)
{
    if (!g_allowed || g_splash)
        return;
    g_splash = new CSplash(owner);
    if (!g_filter) {
        g_filter = new SplashFilter;
        qApp->installEventFilter(g_filter);
    }
    g_splash->show();
    g_splash->repaint();
}

void CSplash::hideSplash()
{
    if (!g_splash)
        return;
    if (!g_splash->drawingDone()) {
        g_splash->m_hideRequested = true;
        return;
    }
    g_splash->destroySplash();
}

void CSplash::destroySplash()
{
    m_dotTimer.stop();
    g_splash = nullptr;
    if (g_filter) {
        qApp->removeEventFilter(g_filter);
        delete g_filter;
        g_filter = nullptr;
    }
    QWidget *owner = parentWidget();
    close();
    if (owner)
        owner->update();
}

bool CSplash::filterEvent(QEvent *event)
{
    if (!g_splash)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Claim the key so that no shortcut fires; the key press that follows hides us.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        g_splash->destroySplash();
        return true;
    default:
        return false;
    }
}

void CSplash::drawNext()
{
    if (drawingDone()) {
        m_dotTimer.stop();
        if (m_hideRequested)
            destroySplash();
        return;
    }
    QPainter p(&m_canvas);
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(12);
    p.setFont(font);
    p.setPen(Qt::black);
    // Nothing is erased in between, so the dots build up.
    p.drawText(QPoint(50, 230 + p.fontMetrics().ascent()), m_sequence[m_next++]);
    update();
}

void CSplash::paintEvent(QPaintEvent *)
{
    QPainter(this).drawImage(0, 0, m_canvas);
}

} // namespace dr420
