// The SDL window behind a form: making it, showing it, finding it again.
#include <string>
#include <vector>

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/forms.h"
#include "platform/window_record.h"

namespace {

constexpr const char* kRecordKey = "orvalle.TWindowRecord";

// The usable area of the display that holds a point (a maximised window's
// place); false where the window system cannot tell.
bool MaximisedArea(int x, int y, SDL_Rect* area) {
    const SDL_Point point{x, y};
    int display = SDL_GetPointDisplayIndex(&point);
    if (display < 0) display = 0;
    return SDL_GetDisplayUsableBounds(display, area) == 0 && area->w > 0 && area->h > 0;
}

// A colour as red, green and blue (0xRRGGBB). Of the system colours only
// the button face (a light grey) is used; any other shows as it too.
uint32_t ColorToRgb(TColor color) {
    const uint32_t bits = static_cast<uint32_t>(color);
    if ((bits & 0xFF000000u) == 0xFF000000u) return 0xF0F0F0u;
    return (bits & 0xFFu) << 16 | (bits & 0xFF00u) | (bits >> 16 & 0xFFu);
}

// An 8-bit channel placed in a TrueColor visual's mask.
unsigned long ToMask(uint32_t channel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask >> shift & 1)) ++shift;
    const unsigned long top = mask >> shift;
    return (channel * top + 127) / 255 << shift;
}

// The colour the window system fills the window with wherever nothing has
// been drawn yet: before the first frame, or with no OpenGL at all. Where
// the window system is not X, or the window's pixels are not colours,
// the window is left as that system makes it.
void SetBackground(SDL_Window* window, TColor color) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    XWindowAttributes attributes;
    // SDL gives a DirectColor window a colour map of straight ramps, so that
    // its pixels read as TrueColor ones do.
    if (!XGetWindowAttributes(display, xwindow, &attributes) || !attributes.visual ||
        (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor)) {
        return;
    }
    const uint32_t rgb = ColorToRgb(color);
    const Visual& visual = *attributes.visual;
    const unsigned long pixel = ToMask(rgb >> 16 & 0xFF, visual.red_mask) | ToMask(rgb >> 8 & 0xFF, visual.green_mask) |
                                ToMask(rgb & 0xFF, visual.blue_mask);
    XSetWindowBackground(display, xwindow, pixel);
    XFlush(display);
}

// Windows whose rendering context is still current; see ~TWindowRecord.
std::vector<SDL_Window*>& KeptForContext() {
    static std::vector<SDL_Window*> windows;
    return windows;
}

}  // namespace

TWindowRecord::~TWindowRecord() {
    if (!Window) return;
    SDL_SetWindowData(Window, kRecordKey, nullptr);
    // Destroying the window would take the OpenGL context made on it off
    // this thread, and what is torn down after the form (the textures)
    // still needs it current to give its names back. The window goes out
    // of sight now and away with the context.
    if (SDL_GL_GetCurrentWindow() == Window && SDL_GL_GetCurrentContext()) {
        SDL_HideWindow(Window);
        KeptForContext().push_back(Window);
        return;
    }
    SDL_DestroyWindow(Window);
}

void DestroyWindowsKeptForContext() {
    for (SDL_Window* window : KeptForContext()) SDL_DestroyWindow(window);
    KeptForContext().clear();
}

bool CreateSdlWindow(TWindowRecord& record, uint32_t extraFlags) {
    std::string title;
    int x = 0, y = 0, width = 0, height = 0;
    uint32_t flags = extraFlags;
    if (record.Window) {
        title = SDL_GetWindowTitle(record.Window);
        SDL_GetWindowPosition(record.Window, &x, &y);
        SDL_GetWindowSize(record.Window, &width, &height);
        const uint32_t old = SDL_GetWindowFlags(record.Window);
        flags |= old & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE | SDL_WINDOW_MAXIMIZED);
        flags |= (old & SDL_WINDOW_SHOWN) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    } else {
        const TForm& form = *record.Form;
        title = form.Caption;
        x = form.Left;
        y = form.Top;
        width = form.ClientWidth();
        height = form.ClientHeight();
        // A window that is to be shown maximised starts at that size: an
        // OpenGL drawable made at one size draws its first frame after a
        // resize at the old one.
        SDL_Rect area;
        if (form.WindowState == wsMaximized && MaximisedArea(x, y, &area)) {
            x = area.x;
            y = area.y;
            width = area.w;
            height = area.h;
        }
        flags |= SDL_WINDOW_HIDDEN;
        if (form.BorderStyle == bsNone) flags |= SDL_WINDOW_BORDERLESS;
        if (form.BorderStyle == bsSizeable) flags |= SDL_WINDOW_RESIZABLE;
    }
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    SDL_Window* fresh = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
    if (!fresh) return false;
    SDL_SetWindowData(fresh, kRecordKey, &record);
    SetBackground(fresh, record.Form->Color);
    if (record.Window) {
        SDL_SetWindowData(record.Window, kRecordKey, nullptr);
        SDL_DestroyWindow(record.Window);
    }
    record.Window = fresh;
    return true;
}

TWindowRecord* RecordFromWindowId(uint32_t id) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    if (!window) return nullptr;
    return static_cast<TWindowRecord*>(SDL_GetWindowData(window, kRecordKey));
}

void DrawableSize(const TWindowRecord& record, int32_t* width, int32_t* height) {
    int w = 0, h = 0;
    if (record.Window) {
        if (SDL_GetWindowFlags(record.Window) & SDL_WINDOW_OPENGL)
            SDL_GL_GetDrawableSize(record.Window, &w, &h);
        else
            SDL_GetWindowSizeInPixels(record.Window, &w, &h);
    }
    *width = w;
    *height = h;
}

void ReportResize(TWindowRecord& record) {
    int32_t width = 0, height = 0;
    DrawableSize(record, &width, &height);
    if (width == record.ReportedWidth && height == record.ReportedHeight) return;
    record.ReportedWidth = width;
    record.ReportedHeight = height;
    TForm* form = record.Form;
    Application->Guard([form] {
        if (form->OnResize) form->OnResize(form);
    });
}

void TForm::Show() {
    TWindowRecord* record = Handle();
    SDL_Window* window = record->Window;
    SDL_SetWindowTitle(window, Caption.c_str());
    if (WindowState == wsMaximized) {
        // Set the size ourselves as well: where no window manager runs,
        // nobody else maximises the window.
        int x = 0, y = 0;
        SDL_GetWindowPosition(window, &x, &y);
        SDL_Rect area;
        if (MaximisedArea(x, y, &area)) {
            SDL_SetWindowPosition(window, area.x, area.y);
            SDL_SetWindowSize(window, area.w, area.h);
        }
    }
    SDL_ShowWindow(window);
    if (WindowState == wsMaximized) SDL_MaximizeWindow(window);
    if (WindowState == wsMinimized) SDL_MinimizeWindow(window);
    SDL_ShowCursor(Cursor == crNone ? SDL_DISABLE : SDL_ENABLE);
    SDL_RaiseWindow(window);
    // Shown, the form is told its client size, as a window shown maximised
    // is, even where the window was made at that size: a start-up that
    // stopped before recording the size then still draws at the right one.
    record->ReportedWidth = record->ReportedHeight = -1;
    ReportResize(*record);
}
