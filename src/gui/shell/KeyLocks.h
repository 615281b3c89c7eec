#pragma once

namespace dr420 {

// The keyboard's Caps, Num and Scroll Lock states, as the window system
// knows them. Qt has no query for them; `known` is false where the platform
// offers none (offscreen, Wayland), and the status bar panes stay empty.
struct KeyLocks
{
    bool known = false;
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

KeyLocks currentKeyLocks();

} // namespace dr420
