#pragma once

namespace halvane::qt {

// Decides whether a modal box may be shown at all. Nothing is shown once the window has
// closed (a command interrupted by the close must not bring anything back on screen), nor
// where nobody could answer it (a headless run: the box's text goes to standard error).
struct DialogGate {
    bool headless = false;
    bool window_closed = false;

    bool may_show() const { return !headless && !window_closed; }
};

}  // namespace halvane::qt
