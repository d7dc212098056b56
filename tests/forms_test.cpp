// The form, its timer and the event loop on a real X server: this test
// program starts a second copy of itself as a small application under Xvfb,
// drives it with real input and reads what its handlers saw from its
// standard output, one line per event.
#include <GL/gl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cursor.h"
#include "platform/exception.h"
#include "platform/forms.h"
#include "render/gl_context.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb_session.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* kProbeVariable = "ORVALLE_FORMS_PROBE";
constexpr const char* kCaption = "Orvalle probe";

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

CGlContext probeContext;

// The application of the second copy: every handler reports, a few keys act.
class TProbeForm : public TForm {
public:
    explicit TProbeForm(TComponent* owner) : TForm(owner), Timer1(new TTimer(this)) {
        BorderStyle = bsNone;
        WindowState = wsMaximized;
        Cursor = crNone;
        Caption = kCaption;
        SetClientWidth(300);
        SetClientHeight(200);
        Timer1->SetEnabled(false);
        Timer1->SetInterval(100);
        OnCreate = [this](TObject*) {
            Say("create " + Size());
            probeContext.Create(Handle());
            Say("window " + Size());
            GLint depth = 0;
            glGetIntegerv(GL_DEPTH_BITS, &depth);
            GLboolean doubleBuffered = GL_FALSE;
            glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
            Say("context " + std::to_string(GlContextIsCurrent()) + " depth " + std::to_string(depth) + " double " +
                std::to_string(int{doubleBuffered}));
            Timer1->SetEnabled(true);
        };
        OnResize = [this](TObject*) { Say("resize " + Size()); };
        OnPaint = [](TObject*) {
            Say("paint");
            probeContext.BeginFrame();
            glClearColor(51 / 255.0f, 102 / 255.0f, 153 / 255.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            probeContext.EndFrame();
        };
        OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) {
            Say("down " + std::to_string(key) + " " + std::to_string(shift));
            if (key == 'C') SetCursorPos(123, 45);
            if (key == 'C' || key == 'G') {
                TPoint point;
                GetCursorPos(&point);
                Say("cursor " + std::to_string(point.x) + " " + std::to_string(point.y));
            }
            if (key == VK_F1 + 1) throw Exception("probe failure");
            if (key == VK_ESCAPE) Close();
        };
        OnKeyUp = [](TObject*, uint16_t& key, TShiftState shift) {
            Say("up " + std::to_string(key) + " " + std::to_string(shift));
        };
        OnMouseMove = [](TObject*, TShiftState, int32_t x, int32_t y) {
            Say("move " + std::to_string(x) + " " + std::to_string(y));
        };
        OnCloseQuery = [this](TObject*, bool& canClose) {
            // The first request is refused, so that refusing can be seen.
            canClose = ++closeQueries_ > 1;
            Say(std::string("closequery ") + (canClose ? "yes" : "no"));
        };
        OnDeactivate = [](TObject*) { Say("deactivate"); };
        Timer1->OnTimer = [](TObject*) { Say("tick"); };
    }

    TTimer* Timer1;

private:
    std::string Size() const { return std::to_string(ClientWidth()) + "x" + std::to_string(ClientHeight()); }
    int closeQueries_ = 0;
};

TProbeForm* probeForm = nullptr;

// In the second copy the probe runs before any test and ends the process.
class ProbeMode : public ::testing::Environment {
public:
    void SetUp() override {
        if (!std::getenv(kProbeVariable)) return;
        int code = 0;
        try {
            Application->Initialize();
            Application->CreateForm(probeForm);
            Application->Run();
            Say("ended");
        } catch (const std::exception& error) {
            Application->ShowException(error);
            code = 1;
        }
        probeContext.Release();
        std::exit(code);
    }
};
const bool probeModeRegistered = (::testing::AddGlobalTestEnvironment(new ProbeMode), true);

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.Ok()) << x.Error();
        LaunchOptions probe;
        probe.executable = SelfPath();
        probe.environment[kProbeVariable] = "1";
        ASSERT_TRUE(x.Launch(probe)) << x.Error();
        window = x.WaitForWindow(kCaption);
        ASSERT_NE(window, 0u) << x.Program().Stderr();
        ASSERT_TRUE(Saw("tick")) << Output();
    }

    // The probe has nothing to keep: no need to wait for a clean close.
    void TearDown() override { x.Program().Kill(std::chrono::milliseconds(300)); }

    std::string Output() { return x.Program().Stdout() + x.Program().Stderr(); }
    bool Saw(const std::string& line) { return x.Program().WaitForStdout(line + "\n", 10s); }
    bool SawAfter(size_t mark, const std::string& line) {
        return WaitUntil([&] { return x.Program().Stdout().find(line + "\n", mark) != std::string::npos; }, 10s);
    }

    // The event lines since a mark, without the ticks and the pointer's moves.
    std::vector<std::string> EventsSince(size_t mark) {
        std::vector<std::string> events;
        std::istringstream in(x.Program().Stdout().substr(mark));
        for (std::string line; std::getline(in, line);)
            if (line != "tick" && line.rfind("move ", 0) != 0) events.push_back(line);
        return events;
    }
    size_t Mark() { return x.Program().Stdout().size(); }
    bool TickAfter(size_t mark) {
        return WaitUntil([&] { return x.Program().Stdout().find("tick\n", mark) != std::string::npos; }, 10s);
    }

    XvfbSession x;
    XWindowId window = 0;
};

// Ownership needs no window system.
class TRecordingComponent : public TComponent {
public:
    TRecordingComponent(TComponent* owner, std::string name, std::vector<std::string>* log)
        : TComponent(owner), name_(std::move(name)), log_(log) {}
    ~TRecordingComponent() override { log_->push_back(name_); }

private:
    std::string name_;
    std::vector<std::string>* log_;
};

TEST(TComponentTest, AnOwnerDestroysWhatItOwnsLastFirstAndForgetsWhatWentBefore) {
    std::vector<std::string> destroyed;
    auto* owner = new TRecordingComponent(nullptr, "owner", &destroyed);
    new TRecordingComponent(owner, "first", &destroyed);
    auto* second = new TRecordingComponent(owner, "second", &destroyed);
    auto* third = new TRecordingComponent(owner, "third", &destroyed);
    new TRecordingComponent(third, "grandchild", &destroyed);
    delete second;
    EXPECT_EQ(destroyed, (std::vector<std::string>{"second"}));
    delete owner;
    EXPECT_EQ(destroyed, (std::vector<std::string>{"second", "owner", "third", "grandchild", "first"}));
}

TEST(TTimerTest, StartsEnabledAtOneSecondAndRestartsWhenChanged) {
    TTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    int ticks = 0;
    timer.OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    };
    // The next tick is counted from when this one fired, not from when it
    // was due, so a late tick leaves no backlog behind it.
    timer.Fire(5000);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timer.DueMillis(), 6000u);
    timer.SetInterval(100);
    const uint64_t due = timer.DueMillis();
    EXPECT_NE(due, 6000u);
    timer.SetEnabled(true);  // already running: no restart
    EXPECT_EQ(timer.DueMillis(), due);
}

TEST_F(FormsTest, StartsAsAMaximisedOpenGlWindowThatThePaintHandlerFills) {
    const std::string out = x.Program().Stdout();
    // The design size until the window exists; the window is made at the
    // size it is shown at, and showing it reports that size once, before
    // the first tick.
    EXPECT_NE(out.find("create 300x200\nwindow 1024x768\n"), std::string::npos) << out;
    const size_t resize = out.find("resize 1024x768\n");
    EXPECT_NE(resize, std::string::npos) << out;
    EXPECT_LT(resize, out.find("tick\n")) << out;
    EXPECT_EQ(out.find("resize", resize + 1), std::string::npos) << out;
    // A context is current after Create, with at least the fallback depth.
    const size_t context = out.find("context 1 depth ");
    ASSERT_NE(context, std::string::npos) << out;
    EXPECT_GE(std::stoi(out.substr(context + 16)), 24) << out;
    // Drawn into a back buffer and swapped, so no half-drawn frame shows.
    EXPECT_NE(out.find(" double 1\n", context), std::string::npos) << out;
    const auto info = x.Describe(window);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->x, 0);
    EXPECT_EQ(info->y, 0);
    EXPECT_EQ(info->width, 1024);
    EXPECT_EQ(info->height, 768);
    // The paint handler's clear colour, over the whole screen.
    XScreenshot screen;
    const std::array<uint8_t, 3> blue{51, 102, 153};
    EXPECT_TRUE(WaitUntil(
        [&] {
            screen = x.Capture();
            return screen.Pixel(512, 384) == blue && screen.Pixel(0, 0) == blue && screen.Pixel(1023, 767) == blue;
        },
        10s))
        << "centre " << int(screen.Pixel(512, 384)[0]) << "," << int(screen.Pixel(512, 384)[1]) << ","
        << int(screen.Pixel(512, 384)[2]);
}

TEST_F(FormsTest, KeysArriveAsVirtualKeyCodesWithTheShiftState) {
    struct Case {
        const char* keysym;
        int key;
    };
    // The keypad gives the keys it is marked with while num lock is off,
    // as it is on a fresh server.
    const Case cases[] = {{"w", 87},        {"a", 65},      {"5", 53},       {"Return", 13},  {"space", 32},
                          {"Tab", 9},       {"BackSpace", 8}, {"Left", 37},    {"Up", 38},      {"Right", 39},
                          {"Down", 40},     {"F1", 112},    {"F12", 123},    {"Insert", 45},  {"Delete", 46},
                          {"Home", 36},     {"End", 35},    {"Prior", 33},   {"Next", 34},    {"KP_Add", 107},
                          {"KP_Home", 36},  {"comma", 188}, {"minus", 189},  {"bracketleft", 219},
                          {"less", 226}};
    for (const Case& c : cases) {
        const size_t mark = Mark();
        ASSERT_TRUE(x.TapKey(c.keysym)) << c.keysym;
        const std::string down = "down " + std::to_string(c.key) + " 0";
        const std::string up = "up " + std::to_string(c.key) + " 0";
        ASSERT_TRUE(SawAfter(mark, up)) << c.keysym << "\n" << Output();
        EXPECT_EQ(EventsSince(mark), (std::vector<std::string>{down, up})) << c.keysym;
    }

    // Modifiers are keys of their own and show in the shift state. Each key
    // is held across a tick here, so that every release comes at once.
    size_t mark = Mark();
    const auto hold = [&](const char* keysym) {
        const size_t before = Mark();
        x.PressKey(keysym);
        ASSERT_TRUE(TickAfter(before)) << keysym;
        // The tick saw the press only if the press came before it.
        ASSERT_TRUE(TickAfter(Mark())) << keysym;
    };
    const auto tap = [&](const char* keysym, const std::string& up) {
        const size_t before = Mark();
        x.TapKey(keysym);
        ASSERT_TRUE(SawAfter(before, up)) << keysym << "\n" << Output();
    };
    hold("Shift_L");
    tap("d", "up 68 1");
    x.ReleaseKey("Shift_L");
    hold("Control_L");
    hold("Alt_L");
    tap("d", "up 68 6");
    x.ReleaseKey("Alt_L");
    x.ReleaseKey("Control_L");
    ASSERT_TRUE(SawAfter(mark, "up 17 0")) << Output();
    EXPECT_EQ(EventsSince(mark), (std::vector<std::string>{"down 16 1", "down 68 1", "up 68 1", "up 16 0",
                                                           "down 17 4", "down 18 6", "down 68 6", "up 68 6",
                                                           "up 18 4", "up 17 0"}));

    // A key without a code is not delivered at all.
    mark = Mark();
    x.TapKey("XF86Eject");
    x.TapKey("x");
    ASSERT_TRUE(SawAfter(mark, "up 88 0")) << Output();
    EXPECT_EQ(EventsSince(mark), (std::vector<std::string>{"down 88 0", "up 88 0"}));
}

// A tap shorter than a tick: the release waits for the tick, which sees
// the key down; a key held across a tick is released at once.
TEST_F(FormsTest, ATapBetweenTwoTicksIsReleasedAfterTheNextTick) {
    size_t mark = Mark();
    ASSERT_TRUE(TickAfter(mark));
    mark = Mark();
    x.TapKey("r");
    ASSERT_TRUE(SawAfter(mark, "up 82 0")) << Output();
    const std::string tapped = x.Program().Stdout().substr(mark);
    const size_t down = tapped.find("down 82 0\n");
    ASSERT_NE(down, std::string::npos) << tapped;
    EXPECT_NE(tapped.find("tick\nup 82 0\n", down), std::string::npos) << tapped;
}

TEST_F(FormsTest, PointerMovesArriveInClientCoordinatesAndTheCursorFollowsTheServer) {
    x.MovePointerTo(100, 50);
    EXPECT_TRUE(Saw("move 100 50")) << Output();
    // Read straight after input the application itself did not make.
    x.MovePointerTo(200, 120);
    x.Sync();
    x.TapKey("g");
    EXPECT_TRUE(Saw("cursor 200 120")) << Output();
    // Setting it moves the real pointer, and the move comes back as an event.
    x.TapKey("c");
    EXPECT_TRUE(Saw("cursor 123 45")) << Output();
    EXPECT_EQ(x.PointerPosition(), (std::array<int, 2>{123, 45}));
    EXPECT_TRUE(Saw("move 123 45")) << Output();
}

TEST_F(FormsTest, AnExceptionInAHandlerIsShownAndTheLoopGoesOn) {
    x.TapKey("F2");
    ASSERT_TRUE(WaitUntil([&] { return x.Program().Stderr().find("probe failure") != std::string::npos; }, 10s))
        << Output();
    EXPECT_NE(x.Program().Stderr().find("Orvalle probe: probe failure"), std::string::npos);
    // An error box titled like the form waits to be closed; the loop waits
    // with it.
    ASSERT_TRUE(WaitUntil([&] { return x.FindWindows(kCaption).size() == 2; }, 10s));
    for (XWindowId shown : x.FindWindows(kCaption))
        if (shown != window) x.RequestClose(shown);
    EXPECT_TRUE(WaitUntil([&] { return x.FindWindows(kCaption).size() == 1; }, 10s));
    const size_t mark = Mark();
    x.TapKey("x");
    ASSERT_TRUE(Saw("up 88 0")) << Output();
    EXPECT_TRUE(TickAfter(mark)) << Output();
    EXPECT_TRUE(x.Program().Running());
}

TEST_F(FormsTest, CloseRequestsGoThroughTheCloseQuery) {
    x.RequestClose(window);
    ASSERT_TRUE(Saw("closequery no")) << Output();
    // Refused: the application runs on.
    EXPECT_TRUE(TickAfter(Mark())) << Output();
    EXPECT_TRUE(x.Program().Running());
    // A close from a handler returns to it before the loop ends.
    x.TapKey("Escape");
    EXPECT_EQ(x.Program().WaitForExit(10s), 0) << Output();
    const std::string out = x.Program().Stdout();
    EXPECT_NE(out.find("down 27 0\nclosequery yes\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nended\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("closequery", out.find("closequery yes") + 1), std::string::npos) << out;
}

TEST_F(FormsTest, LosingTheKeyboardFocusDeactivatesTheForm) {
    x.Focus(0);
    EXPECT_TRUE(Saw("deactivate")) << Output();
}

}  // namespace
