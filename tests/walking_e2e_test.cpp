// The walk as a user meets it: the real program on its own X server, driven
// by real key and pointer events, its viewpoint read back from "save.dat".
#include <sys/wait.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/saved_record.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace {

using namespace std::chrono_literals;

SavedRecord ReadSave(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.size(), 28u);
    return ParseSavedRecord(bytes);
}

// A small world keeps the software renderer's frames short, so the 100 ms
// ticks come close to on time even under the sanitizers.
class WalkingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.Ok()) << x.Error();
        const std::string command =
            std::string("'") + ORVALLE_WORLDGEN + "' '" + world.Path() + "' --size 32 >/dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    XWindowId Start() {
        LaunchOptions run;
        run.workingDirectory = world.Path();
        EXPECT_TRUE(x.Launch(run)) << x.Error();
        const XWindowId window = x.WaitForWindow("Orvalle");
        EXPECT_NE(window, 0u) << x.Program().Stderr();
        std::this_thread::sleep_for(500ms);  // start-up done, the timer running
        return window;
    }

    // Holds a key across several ticks of the 100 ms timer.
    void Hold(const std::string& key, std::chrono::milliseconds duration) {
        ASSERT_TRUE(x.PressKey(key));
        std::this_thread::sleep_for(duration);
        ASSERT_TRUE(x.ReleaseKey(key));
    }

    // Escape stays down until the program has gone: a tick late on a busy
    // machine still sees it.
    SavedRecord QuitWithEscape() {
        EXPECT_TRUE(x.PressKey("Escape"));
        const auto code = x.Program().WaitForExit(30s);
        x.ReleaseKey("Escape");
        EXPECT_EQ(code, 0) << x.Program().Stderr();
        return ReadSave(world.File("save.dat"));
    }

    ScratchDirectory world;  // outlives the program, which writes into it on close
    XvfbSession x;
};

TEST_F(WalkingTest, HoldingWWalksForwardAtSevenUnitsASecond) {
    // Start-up takes the pointer to the centre first, so the window appearing
    // under it, away from the centre, turns nothing.
    x.MovePointerTo(100, 100);
    Start();
    const std::array<int, 2> centre = {x.Width() / 2, x.Height() / 2};
    EXPECT_TRUE(WaitUntil([&] { return x.PointerPosition() == centre; }, 10s)) << "the pointer stays off the centre";
    const SavedRecord before = QuitWithEscape();
    EXPECT_EQ(before.X, 320.0f);  // the middle of a 32-point map, 20 units apart
    EXPECT_EQ(before.Z, 320.0f);
    EXPECT_EQ(before.Yaw, 0.0);
    EXPECT_EQ(before.Pitch, 0.0);

    Start();
    Hold("w", 2000ms);
    const SavedRecord after = QuitWithEscape();
    EXPECT_EQ(after.X, before.X);  // heading +z: no sideways drift
    // The ticks that see the key measure real time, give or take the tick
    // before the press and the one after the release.
    EXPECT_GT(after.Z - before.Z, 7.0f * 1.5f);
    EXPECT_LT(after.Z - before.Z, 7.0f * 3.0f);
}

TEST_F(WalkingTest, MovingThePointerRightTurnsTheViewRight) {
    Start();
    const XScreenshot straight = x.Capture();
    x.MovePointerBy(100, 0);
    std::this_thread::sleep_for(600ms);
    const XScreenshot turned = x.Capture();
    EXPECT_NE(straight.rgb, turned.rgb) << "the picture did not change";
    EXPECT_EQ(x.PointerPosition()[0], 512) << "the pointer is held at the centre";

    const SavedRecord view = QuitWithEscape();
    EXPECT_NEAR(view.Yaw, -100 * 10.0 / 1024, 1e-9);  // right lowers the yaw
    EXPECT_EQ(view.Pitch, 0.0);
}

TEST_F(WalkingTest, TheNextStartResumesFromTheSavedRecord) {
    Start();
    x.MovePointerBy(-50, 20);
    std::this_thread::sleep_for(300ms);
    Hold("w", 1000ms);
    const SavedRecord first = QuitWithEscape();
    ASSERT_GT(first.Yaw, 0.0);

    Start();
    const SavedRecord second = QuitWithEscape();
    EXPECT_EQ(second.X, first.X);
    EXPECT_EQ(second.Z, first.Z);
    EXPECT_EQ(second.Yaw, first.Yaw);
    EXPECT_EQ(second.Pitch, first.Pitch);
}

// The key at a place of the US keyboard walks by the letter it types in
// the server's layout, or by its place where that is no Latin letter.
TEST_F(WalkingTest, EveryKeyboardLayoutWalks) {
    struct Case {
        const char* layout;
        const char* usKey;  // the key held, by what it types on a US keyboard
        bool walks;
    };
    const Case cases[] = {
        {"fr", "z", true},   // AZERTY: the key marked W
        {"fr", "w", false},  // types z
        {"ru", "w", true},   {"gr", "w", true}, {"il", "w", true},
    };
    std::vector<std::pair<std::string, unsigned>> codes;
    for (const Case& c : cases) codes.emplace_back(c.usKey, x.KeyCodeOf(c.usKey));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ASSERT_NE(codes[i].second, 0u) << c.usKey;
        ASSERT_TRUE(x.SetKeyboardLayout(c.layout)) << x.Error();
        std::remove(world.File("save.dat").c_str());
        Start();
        ASSERT_TRUE(x.PressKeyCode(codes[i].second));
        std::this_thread::sleep_for(1000ms);
        ASSERT_TRUE(x.ReleaseKeyCode(codes[i].second));
        const SavedRecord walked = QuitWithEscape();
        EXPECT_EQ(walked.X, 320.0f) << c.layout << " " << c.usKey;
        if (c.walks)
            EXPECT_GT(walked.Z - 320.0f, 7.0f * 0.5f) << c.layout << " " << c.usKey;
        else
            EXPECT_EQ(walked.Z, 320.0f) << c.layout << " " << c.usKey;
    }
}

}  // namespace
