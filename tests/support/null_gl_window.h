#pragma once
// A window system that only records what CGlContext asks of it, so a frame
// can be rendered while a test's offscreen context stays current.
#include <string>
#include <vector>

#include "platform/gl_window_system.h"

class ScopedNullGlWindow {
public:
    ScopedNullGlWindow();
    ~ScopedNullGlWindow();
    ScopedNullGlWindow(const ScopedNullGlWindow&) = delete;
    ScopedNullGlWindow& operator=(const ScopedNullGlWindow&) = delete;

    // The calls made since the object was made, by name ("GetDC", "MakeCurrent", ...).
    static std::vector<std::string> Calls;

private:
    const GlWindowBackend* previous_;
};
