#include "platform/cursor.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/forms.h"
#include "platform/window_record.h"

namespace {

// The X display of the main window, where there is one. SDL's own idea of
// the global pointer can lag behind input that did not pass through it, so
// on X the server is asked directly.
Display* MainXDisplay() {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!Application || !Application->MainForm()) return nullptr;
    TWindowRecord* record = Application->MainForm()->Window();
    if (!record || !record->Window) return nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(record->Window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    return info.info.x11.display;
#else
    return nullptr;
#endif
}

bool WindowSystemGetPos(TPoint* point) {
    if (!point) return false;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (Display* display = MainXDisplay()) {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                           &windowY, &mask))
            return false;
        point->x = rootX;
        point->y = rootY;
        return true;
    }
#endif
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    point->x = x;
    point->y = y;
    return true;
}

bool WindowSystemSetPos(int32_t x, int32_t y) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (Display* display = MainXDisplay()) {
        XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
        XFlush(display);
        return true;
    }
#endif
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    return SDL_WarpMouseGlobal(x, y) == 0;
}

const CursorBackend kWindowSystem = {WindowSystemGetPos, WindowSystemSetPos};
const CursorBackend* current = &kWindowSystem;

}  // namespace

bool GetCursorPos(TPoint* point) {
    return current->GetPos(point);
}

bool SetCursorPos(int32_t x, int32_t y) {
    return current->SetPos(x, y);
}

const CursorBackend* SetCursorBackend(const CursorBackend* backend) {
    const CursorBackend* old = current;
    current = backend ? backend : &kWindowSystem;
    return old;
}
