#include "lockstate.h"

#ifdef KVLT_HAVE_X11
#include <QGuiApplication>
#include <X11/XKBlib.h>
#endif

std::optional<LockState> currentLockState() {
#ifdef KVLT_HAVE_X11
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr)
        return std::nullopt;
    // By indicator name: the bit numbers differ between keyboard maps.
    auto isOn = [display](const char* name) {
        Bool on = False;
        const Atom atom = XInternAtom(display, name, True);
        return atom != None &&
               XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
    };
    return LockState{isOn("Caps Lock"), isOn("Num Lock"), isOn("Scroll Lock")};
#else
    return std::nullopt;
#endif
}
