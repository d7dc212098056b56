#pragma once
// An X server of the test's own for whole-program tests.
//
//   ScratchDirectory world;             // (tests/support/scratch_directory.h)
//   XvfbSession x;                      // Xvfb on a free display, 1024 x 768 x 24,
//   ASSERT_TRUE(x.Ok()) << x.Error();   // no window manager
//   LaunchOptions run;
//   run.workingDirectory = world.Path();
//   ASSERT_TRUE(x.Launch(run)) << x.Error();   // the program, DISPLAY set to x
//   XWindowId window = x.WaitForWindow("Orvalle");
//   x.PressKey("w"); ... x.ReleaseKey("w");     // real input through XTest
//   x.MovePointerBy(100, 0);
//   XScreenshot picture = x.Capture();          // what the screen shows
//   x.RequestClose(window);                     // the window system's close
//   EXPECT_EQ(x.Program().WaitForExit(10s), 0) << x.Program().Stderr();
//
// Everything is torn down with the object: the program (asked to end with
// SIGTERM, which it takes as a close request, then killed), the server, the
// temporary files. Declare the program's directories before the session, so
// that they outlive the program. The program's keys act when its 100 ms
// timer sees them down: a key held across ticks acts on each of them, a tap
// between two ticks on the next one, once.
//
// A program that ends without a window (no display, say) is a ChildProcess
// of its own (tests/support/child_process.h).
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

struct _XDisplay;
using XWindowId = unsigned long;

// The screen as RGB rows, top row first (as X counts: y grows downwards).
struct XScreenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    std::array<uint8_t, 3> Pixel(int x, int y) const;
};

// The share of the lower half of the picture whose pixels are redder than
// blue: the ground, which the sky never is.
double GroundShare(const XScreenshot& shot);

// The pointer's current image, as X shows it at the pointer's position.
struct XCursorImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;  // one pixel each, alpha in the top byte
    bool Invisible() const;      // no pixel with any opacity
};

// Where a top-level window is and how the window system was asked to show it.
struct XWindowInfo {
    int x = 0;  // the window's client origin on the screen
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
    bool overrideRedirect = false;
    // The decorations asked for through _MOTIF_WM_HINTS, where the window
    // asks at all (0: none). The session makes the atom known at start, as
    // a window manager would.
    std::optional<long> motifDecorations;
};

class XvfbSession {
public:
    explicit XvfbSession(int width = 1024, int height = 768);
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    // Whether the server runs and answers; else why not.
    bool Ok() const { return display_ != nullptr; }
    const std::string& Error() const { return error_; }
    const std::string& DisplayName() const { return displayName_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Runs a program on this display: DISPLAY is set and SDL_VIDEODRIVER
    // removed unless options.environment names them. A program still
    // running from an earlier Launch is killed first.
    bool Launch(LaunchOptions options);
    ChildProcess& Program() { return program_; }

    // Viewable windows whose WM_NAME or _NET_WM_NAME is name, anywhere in
    // the window tree.
    std::vector<XWindowId> FindWindows(const std::string& name);
    // The first such window to appear; 0 when none does in time (or the
    // program ended).
    XWindowId WaitForWindow(const std::string& name = "Orvalle",
                            std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::optional<XWindowInfo> Describe(XWindowId window);
    // The top-level window a user sees at a screen point; 0 for the bare
    // background.
    XWindowId TopLevelAt(int x, int y);
    // The window system's close command (a WM_DELETE_WINDOW message).
    void RequestClose(XWindowId window);
    // Gives the keyboard focus to a window; 0 takes it from every window.
    void Focus(XWindowId window);

    // Keys by keysym name ("w", "Escape", "Left", "F1", "Shift_L"); false
    // where the server's keyboard has no such key. Each event is handled by
    // the server, and a few milliseconds pass, before the call returns.
    bool PressKey(const std::string& keysym);
    bool ReleaseKey(const std::string& keysym);
    bool TapKey(const std::string& keysym);
    // Keys by their place: the keycode of a keysym in the layout the server
    // has now (0 where none), to press after the layout has changed.
    unsigned KeyCodeOf(const std::string& keysym);
    bool PressKeyCode(unsigned keycode);
    bool ReleaseKeyCode(unsigned keycode);
    // Switches the server's keyboard to another layout ("fr", "ru" ...)
    // with setxkbmap; programs started afterwards see it from the start.
    bool SetKeyboardLayout(const std::string& layout);
    // The pointer, in screen coordinates.
    void MovePointerTo(int x, int y);
    void MovePointerBy(int dx, int dy);
    std::array<int, 2> PointerPosition();

    XScreenshot Capture();

    std::optional<XCursorImage> Cursor();

    // Waits until the server has handled every request sent so far.
    void Sync();
    // The test's own connection, for checks this class does not offer.
    _XDisplay* Connection() const { return display_; }

private:
    int width_;
    int height_;
    std::string error_;
    std::string displayName_;
    ChildProcess server_;
    ChildProcess program_;
    _XDisplay* display_ = nullptr;
};

// The frames a window presents, from the server's damage reports, watched
// from construction on; a connection of its own, so that the session's
// events stay where they are.
class XFrameWatch {
public:
    XFrameWatch(const XvfbSession& session, XWindowId window);
    ~XFrameWatch();
    XFrameWatch(const XFrameWatch&) = delete;
    XFrameWatch& operator=(const XFrameWatch&) = delete;

    bool Ok() const { return display_ != nullptr; }
    // Takes in the reports that have come, and waits for more until count
    // frames have come in all or the time runs out.
    void Wait(size_t count, std::chrono::milliseconds timeout);
    // When each frame came, in the server's milliseconds; draws less than
    // 3 ms apart are one frame.
    const std::vector<uint32_t>& Frames() const { return frames_; }
    // The longest time between two frames in a row, from frame first on.
    std::chrono::milliseconds LongestGap(size_t first = 0) const;

private:
    _XDisplay* display_ = nullptr;
    unsigned long damage_ = 0;
    int eventBase_ = 0;
    std::vector<uint32_t> frames_;
};
