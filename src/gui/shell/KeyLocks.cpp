#include "KeyLocks.h"

#include <QGuiApplication>

#ifdef DR420_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#endif

namespace dr420 {

#ifdef DR420_HAVE_X11
namespace {
bool indicator(Display *display, const char *name, bool *on)
{
    // By name, since keymaps number their indicators differently.
    const Atom atom = XInternAtom(display, name, True);
    Bool state = False;
    if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr))
        return false;
    *on = state;
    return true;
}
} // namespace
#endif

KeyLocks currentKeyLocks()
{
    KeyLocks locks;
#ifdef DR420_HAVE_X11
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return locks;
    const bool caps = indicator(display, "Caps Lock", &locks.caps);
    const bool num = indicator(display, "Num Lock", &locks.num);
    const bool scroll = indicator(display, "Scroll Lock", &locks.scroll);
    locks.known = caps || num || scroll;
#endif
    return locks;
}

} // namespace dr420
