#include "tests/support/xvfb_session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>

namespace {

// A window can go between two requests; that must not end the test.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

Display* AsX(_XDisplay* display) {
    return display;
}

// Reads the display number Xvfb writes once it accepts connections.
std::optional<std::string> ReadDisplayNumber(int fd, std::chrono::milliseconds timeout) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd wait{fd, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[32];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) return std::nullopt;
        text.append(buffer, static_cast<size_t>(got));
        const size_t newline = text.find('\n');
        if (newline != std::string::npos) {
            text.resize(newline);
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
            return text;
        }
    }
}

std::string TextProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        text.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return text;
}

bool HasName(Display* display, Window window, const std::string& name) {
    if (TextProperty(display, window, XA_WM_NAME, AnyPropertyType) == name) return true;
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    return TextProperty(display, window, netName, utf8) == name;
}

void CollectNamed(Display* display, Window window, const std::string& name, int depth,
                  std::vector<XWindowId>* found) {
    XWindowAttributes attributes;
    if (depth > 0 && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
        HasName(display, window, name))
        found->push_back(window);
    if (depth >= 4) return;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    const std::vector<Window> list(children, children + count);
    if (children) XFree(children);
    for (Window child : list) CollectNamed(display, child, name, depth + 1, found);
}

KeyCode CodeOf(Display* display, const std::string& keysym) {
    if (!display) return 0;
    const KeySym symbol = XStringToKeysym(keysym.c_str());
    if (symbol == NoSymbol) return 0;
    return XKeysymToKeycode(display, symbol);
}

bool FakeKeyCode(Display* display, unsigned code, bool down) {
    if (!display || code == 0) return false;
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XSync(display, False);
    // No hand is this fast, and SDL takes a release followed within 2 ms by
    // a press of the same key for the keyboard's auto-repeat.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

int ShiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

uint8_t Channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    const unsigned long value = (pixel & mask) >> ShiftOf(mask);
    const unsigned long top = mask >> ShiftOf(mask);
    return static_cast<uint8_t>(top == 255 ? value : value * 255 / top);
}

}  // namespace

double GroundShare(const XScreenshot& shot) {
    size_t ground = 0, all = 0;
    for (int y = shot.height / 2; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x, ++all) {
            const auto p = shot.Pixel(x, y);
            ground += p[0] > p[2] + 12;
        }
    return all ? static_cast<double>(ground) / static_cast<double>(all) : 0.0;
}

std::array<uint8_t, 3> XScreenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0};
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

bool XCursorImage::Invisible() const {
    for (uint32_t pixel : argb)
        if (pixel >> 24) return false;
    return true;
}

XvfbSession::XvfbSession(int width, int height) : width_(width), height_(height) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    LaunchOptions server;
    server.executable = "/usr/bin/Xvfb";
    server.arguments = {"-displayfd", std::to_string(ready[1]), "-screen", "0",
                        std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                        "-noreset"};
    const bool started = server_.Start(server, ready[1]);
    close(ready[1]);
    if (!started) {
        close(ready[0]);
        error_ = "cannot start Xvfb: " + server_.Error();
        return;
    }
    const std::optional<std::string> number = ReadDisplayNumber(ready[0], std::chrono::seconds(20));
    close(ready[0]);
    if (!number) {
        server_.Kill();
        error_ = "Xvfb did not come up: " + server_.Stderr();
        return;
    }
    displayName_ = ":" + *number;
    XSetErrorHandler(IgnoreXErrors);
    Display* display = XOpenDisplay(displayName_.c_str());
    if (!display) {
        server_.Kill();
        error_ = "cannot connect to Xvfb on " + displayName_;
        return;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        server_.Kill();
        error_ = "Xvfb offers no XTEST extension";
        return;
    }
    // Known to the server as where a window manager runs, so that programs
    // that only set the hints where the atom exists set them here too.
    XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XSync(display, False);
    display_ = display;
}

XvfbSession::~XvfbSession() {
    program_.Kill();
    if (display_) XCloseDisplay(AsX(display_));
    server_.Kill();
}

bool XvfbSession::Launch(LaunchOptions options) {
    if (!Ok()) return false;
    program_.Kill();
    if (!options.environment.count("DISPLAY")) options.environment["DISPLAY"] = displayName_;
    if (!options.environment.count("SDL_VIDEODRIVER")) options.environment["SDL_VIDEODRIVER"] = std::nullopt;
    if (!program_.Start(options)) {
        error_ = program_.Error();
        return false;
    }
    return true;
}

std::vector<XWindowId> XvfbSession::FindWindows(const std::string& name) {
    std::vector<XWindowId> found;
    if (!display_) return found;
    Display* display = AsX(display_);
    CollectNamed(display, DefaultRootWindow(display), name, 0, &found);
    return found;
}

XWindowId XvfbSession::WaitForWindow(const std::string& name, std::chrono::milliseconds timeout) {
    XWindowId window = 0;
    WaitUntil(
        [&] {
            const std::vector<XWindowId> found = FindWindows(name);
            if (!found.empty()) window = found.front();
            return window != 0 || !program_.Running();
        },
        timeout);
    return window;
}

std::optional<XWindowInfo> XvfbSession::Describe(XWindowId window) {
    if (!display_) return std::nullopt;
    Display* display = AsX(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return std::nullopt;
    XWindowInfo info;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &info.x, &info.y, &child);
    info.width = attributes.width;
    info.height = attributes.height;
    info.viewable = attributes.map_state == IsViewable;
    info.overrideRedirect = attributes.override_redirect;
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, motif, 0, 5, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count >= 3) {
        const long* hints = reinterpret_cast<const long*>(data);
        constexpr long kDecorationsGiven = 2;
        if (hints[0] & kDecorationsGiven) info.motifDecorations = hints[2];
    }
    if (data) XFree(data);
    return info;
}

XWindowId XvfbSession::TopLevelAt(int x, int y) {
    if (!display_) return 0;
    Display* display = AsX(display_);
    const Window root = DefaultRootWindow(display);
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, root, root, x, y, &rootX, &rootY, &child)) return 0;
    return child;
}

void XvfbSession::RequestClose(XWindowId window) {
    if (!display_) return;
    Display* display = AsX(display_);
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

void XvfbSession::Focus(XWindowId window) {
    if (!display_) return;
    XSetInputFocus(AsX(display_), window ? window : None, RevertToNone, CurrentTime);
    XFlush(AsX(display_));
}

bool XvfbSession::PressKey(const std::string& keysym) {
    return FakeKeyCode(AsX(display_), CodeOf(AsX(display_), keysym), true);
}

bool XvfbSession::ReleaseKey(const std::string& keysym) {
    return FakeKeyCode(AsX(display_), CodeOf(AsX(display_), keysym), false);
}

unsigned XvfbSession::KeyCodeOf(const std::string& keysym) {
    return CodeOf(AsX(display_), keysym);
}

bool XvfbSession::PressKeyCode(unsigned keycode) {
    return FakeKeyCode(AsX(display_), keycode, true);
}

bool XvfbSession::ReleaseKeyCode(unsigned keycode) {
    return FakeKeyCode(AsX(display_), keycode, false);
}

bool XvfbSession::SetKeyboardLayout(const std::string& layout) {
    if (!Ok()) return false;
    ChildProcess setter;
    LaunchOptions options;
    options.executable = "/usr/bin/setxkbmap";
    options.arguments = {"-display", displayName_, layout};
    if (!setter.Start(options)) {
        error_ = "cannot run setxkbmap: " + setter.Error();
        return false;
    }
    const std::optional<int> code = setter.WaitForExit(std::chrono::seconds(20));
    if (code != 0) {
        error_ = "setxkbmap " + layout + " failed: " + setter.Stderr();
        return false;
    }
    Sync();
    return true;
}

bool XvfbSession::TapKey(const std::string& keysym) {
    return PressKey(keysym) && ReleaseKey(keysym);
}

void XvfbSession::MovePointerTo(int x, int y) {
    if (!display_) return;
    XTestFakeMotionEvent(AsX(display_), -1, x, y, CurrentTime);
    XFlush(AsX(display_));
}

void XvfbSession::MovePointerBy(int dx, int dy) {
    if (!display_) return;
    XTestFakeRelativeMotionEvent(AsX(display_), dx, dy, CurrentTime);
    XFlush(AsX(display_));
}

std::array<int, 2> XvfbSession::PointerPosition() {
    if (!display_) return {0, 0};
    Display* display = AsX(display_);
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
    return {rootX, rootY};
}

XScreenshot XvfbSession::Capture() {
    XScreenshot shot;
    if (!display_) return shot;
    Display* display = AsX(display_);
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width_),
                              static_cast<unsigned>(height_), AllPlanes, ZPixmap);
    if (!image) return shot;
    shot.width = image->width;
    shot.height = image->height;
    shot.rgb.resize(static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height) * 3);
    size_t at = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            shot.rgb[at++] = Channel(pixel, image->red_mask);
            shot.rgb[at++] = Channel(pixel, image->green_mask);
            shot.rgb[at++] = Channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return shot;
}

std::optional<XCursorImage> XvfbSession::Cursor() {
    if (!display_) return std::nullopt;
    Display* display = AsX(display_);
    int event = 0, error = 0;
    if (!XFixesQueryExtension(display, &event, &error)) return std::nullopt;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return std::nullopt;
    XCursorImage cursor;
    cursor.width = image->width;
    cursor.height = image->height;
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    cursor.argb.reserve(count);
    for (size_t i = 0; i < count; ++i) cursor.argb.push_back(static_cast<uint32_t>(image->pixels[i]));
    XFree(image);
    return cursor;
}

void XvfbSession::Sync() {
    if (display_) XSync(AsX(display_), False);
}

XFrameWatch::XFrameWatch(const XvfbSession& session, XWindowId window) {
    if (!session.Ok()) return;
    Display* display = XOpenDisplay(session.DisplayName().c_str());
    if (!display) return;
    int errorBase = 0;
    if (!XDamageQueryExtension(display, &eventBase_, &errorBase)) {
        XCloseDisplay(display);
        return;
    }
    damage_ = XDamageCreate(display, window, XDamageReportNonEmpty);
    XSync(display, False);
    display_ = display;
}

XFrameWatch::~XFrameWatch() {
    if (!display_) return;
    XDamageDestroy(AsX(display_), damage_);
    XCloseDisplay(AsX(display_));
}

void XFrameWatch::Wait(size_t count, std::chrono::milliseconds timeout) {
    if (!display_) return;
    Display* display = AsX(display_);
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != eventBase_ + XDamageNotify) continue;
            // Empties the damage, so that the next draw reports again.
            XDamageSubtract(display, damage_, None, None);
            const auto when = static_cast<uint32_t>(reinterpret_cast<const XDamageNotifyEvent&>(event).timestamp);
            if (frames_.empty() || static_cast<uint32_t>(when - frames_.back()) > 3) frames_.push_back(when);
        }
        XFlush(display);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || frames_.size() >= count) return;
        pollfd ready{ConnectionNumber(display), POLLIN, 0};
        poll(&ready, 1, static_cast<int>(left.count()));
    }
}

std::chrono::milliseconds XFrameWatch::LongestGap(size_t first) const {
    uint32_t longest = 0;
    for (size_t i = first + 1; i < frames_.size(); ++i)
        longest = std::max(longest, static_cast<uint32_t>(frames_[i] - frames_[i - 1]));
    return std::chrono::milliseconds(longest);
}
