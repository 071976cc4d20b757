// Caps Lock, Num Lock and Scroll Lock as the keyboard shows them, for the
// status bar's indicators. Qt does not expose them; on X11 the keyboard
// extension does. Elsewhere (offscreen, Wayland) the state is unknown.
#pragma once

#include <optional>

struct LockState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The current state, or nothing when this desktop cannot tell.
std::optional<LockState> currentLockState();
