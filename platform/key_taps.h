#pragma once
// Platform internals: keys pressed and released between two timer ticks.
//
// The loop hands every waiting event to the form before a tick fires, so a
// key pressed and released while a slow frame is drawn would be down and up
// again before any tick looked at it. Such a release is held back until a
// tick has run, so that the tap counts as down for that one tick. A key held
// across ticks is released at once, and automatic repeats change nothing.
#include <cstdint>
#include <vector>

#include "platform/forms.h"

struct TKeyRelease {
    uint32_t Window;  // the SDL window id the release was meant for
    uint16_t Key;
    TShiftState Shift;
};

class TKeyTaps {
public:
    // A press, not an automatic repeat.
    void Pressed(uint32_t window, uint16_t key);
    // True when the release has to wait for a tick; it is then kept.
    bool Deferred(const TKeyRelease& release);
    // A tick has run: every press so far has been seen. The releases held
    // back, in the order they happened.
    std::vector<TKeyRelease> TickRan();
    // The window has lost the keyboard: its releases held back, now; what
    // it was pressed before counts as seen.
    std::vector<TKeyRelease> FocusLost(uint32_t window);

private:
    struct TPress {
        uint32_t Window;
        uint16_t Key;
    };
    std::vector<TPress> unseen_;
    std::vector<TKeyRelease> held_;
};
