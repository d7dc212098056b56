// Input on a world whose full-detail frame takes longer than the 100 ms
// tick: the real program on its own X server, the frame times measured from
// the server's reports of each presented frame, every bound derived from
// them, so that a slow or busy machine moves the bounds with it.
//
// On the 512 x 512 world a frame takes about 300 ms with Mesa's software
// renderer on two quiet cores, three ticks' worth; each test prints what it
// measured.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/saved_record.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kMapSize = 512;
constexpr float kStart = kMapSize * 20.0f / 2;  // the middle of the map, 20 units a point
constexpr double kSpeed = 7.0;                 // units a second

double Ms(Clock::duration span) { return std::chrono::duration<double, std::milli>(span).count(); }

// The share of pixels that changed by more than a rounding of the driver.
double Changed(const XScreenshot& a, const XScreenshot& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1.0;
    size_t changed = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        for (size_t c = 0; c < 3; ++c)
            if (std::abs(int{a.rgb[i + c]} - int{b.rgb[i + c]}) > 32) {
                ++changed;
                break;
            }
    return static_cast<double>(changed) / static_cast<double>(a.rgb.size() / 3);
}

class SlowFramesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.Ok()) << x.Error();
        const std::string command = std::string("'") + ORVALLE_WORLDGEN + "' '" + world.Path() + "' --size " +
                                    std::to_string(kMapSize) + " >/dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // Starts the program and waits until it draws frame after frame.
    void Start() {
        LaunchOptions run;
        run.workingDirectory = world.Path();
        ASSERT_TRUE(x.Launch(run)) << x.Error();
        const XWindowId window = x.WaitForWindow("Orvalle", 120s);
        ASSERT_NE(window, 0u) << x.Program().Stderr();
        frames.emplace(x, window);
        ASSERT_TRUE(frames->Ok());
        frames->Wait(6, 120s);
        ASSERT_GE(frames->Frames().size(), 6u) << x.Program().Stderr();
    }

    // The longest time between two frames since start-up (the first frame
    // comes with it); a tick comes every 100 ms, or as soon as a longer
    // frame is done.
    Clock::duration FrameGap() const { return frames->LongestGap(1); }
    Clock::duration TickGap() const { return std::max<Clock::duration>(FrameGap(), 100ms); }

    SavedRecord Saved() {
        const std::string bytes = ReadFileBytes(world.File("save.dat"));
        EXPECT_EQ(bytes.size(), 28u);
        return ParseSavedRecord(bytes);
    }

    ScratchDirectory world;  // outlives the program, which writes into it on close
    XvfbSession x;
    std::optional<XFrameWatch> frames;
};

TEST_F(SlowFramesTest, HoldingWWalksForTheTimeHeldAndATappedEscapeEndsAtOnce) {
    Start();
    const Clock::time_point pressed = Clock::now();
    ASSERT_TRUE(x.PressKey("w"));
    frames->Wait(SIZE_MAX, 3s);
    const Clock::time_point released = Clock::now();
    ASSERT_TRUE(x.ReleaseKey("w"));

    // Escape goes up again long before the frame in progress is done.
    const Clock::time_point escape = Clock::now();
    ASSERT_TRUE(x.TapKey("Escape"));
    Clock::time_point gone{};
    EXPECT_TRUE(WaitUntil(
        [&] {
            gone = Clock::now();
            return x.FindWindows("Orvalle").empty();
        },
        120s));
    const std::optional<int> code = x.Program().WaitForExit(120s);
    const Clock::time_point ended = Clock::now();
    ASSERT_EQ(code, 0) << x.Program().Stderr();

    const SavedRecord saved = Saved();
    const double hold = Seconds(released - pressed).count();
    const double walked = saved.Z - kStart;
    std::printf("[ measured ] W held %.2f s: walked %.2f units (%.2f expected); Escape to the window gone %.0f ms, "
                "to the end %.0f ms; frames %.0f ms apart at most\n",
                hold, walked, kSpeed * hold, Ms(gone - escape), Ms(ended - escape), Ms(FrameGap()));
    EXPECT_EQ(saved.X, kStart);
    // The first tick with W down also walks the time before the press, and
    // the time after the last tick before the release is not walked: one
    // gap between ticks either way, and a little for the events' way.
    EXPECT_NEAR(walked, kSpeed * hold, kSpeed * Seconds(TickGap() + 50ms).count());
    // The tick after the frame in progress closes the window; the frame
    // that tick still paints, then the program ends.
    EXPECT_LT(gone - escape, 2 * TickGap() + 500ms);
    EXPECT_LT(ended - escape, 3 * TickGap() + 3s);
}

TEST_F(SlowFramesTest, TheViewStopsTurningWithinAFrameOrTwoOfThePointer) {
    Start();
    // A second of steady movement to the right.
    const Clock::time_point begin = Clock::now();
    while (Clock::now() - begin < 1s) {
        x.MovePointerBy(4, 0);
        std::this_thread::sleep_for(10ms);
    }
    x.Sync();
    const Clock::time_point stopped = Clock::now();

    // Watches the screen until it has kept still for a good while.
    XScreenshot last = x.Capture();
    Clock::time_point lastChange = stopped;
    Clock::duration longestCapture{};
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now - lastChange > std::max<Clock::duration>(8 * TickGap(), 3s)) break;
        if (now - stopped > 120s) break;
        XScreenshot shot = x.Capture();
        const Clock::time_point taken = Clock::now();
        longestCapture = std::max(longestCapture, taken - now);
        if (Changed(shot, last) > 0.005) lastChange = taken;
        last = std::move(shot);
        frames->Wait(0, 0ms);
    }
    std::printf("[ measured ] the view turned on for %.0f ms after the pointer stopped; frames %.0f ms apart at "
                "most, a screen capture took %.0f ms at most\n",
                Ms(lastChange - stopped), Ms(FrameGap()), Ms(longestCapture));
    // The moves waiting are handled as one before the next tick, whose
    // frame is the last that turns.
    EXPECT_LT(lastChange - stopped, 2 * TickGap() + longestCapture + 250ms);
    EXPECT_TRUE(x.Program().Running());
}

}  // namespace
