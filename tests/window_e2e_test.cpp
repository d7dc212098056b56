// The main window as a user meets it: the real program on its own X server.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace {

using namespace std::chrono_literals;

// An empty world: every file missing, which the program takes in its stride.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(x.Ok()) << x.Error(); }

    XWindowId Start() {
        LaunchOptions run;
        run.workingDirectory = world.Path();
        EXPECT_TRUE(x.Launch(run)) << x.Error();
        const XWindowId window = x.WaitForWindow("Orvalle");
        EXPECT_NE(window, 0u) << x.Program().Stderr();
        return window;
    }

    ScratchDirectory world;  // outlives the program, which writes into it on close
    XvfbSession x;
};

TEST_F(WindowTest, OneBorderlessWindowCoversTheScreenAndHidesThePointer) {
    // The bare server shows its own pointer; the check below can tell.
    const auto bare = x.Cursor();
    ASSERT_TRUE(bare) << "no XFIXES extension to read the pointer's image";
    ASSERT_FALSE(bare->Invisible());

    const XWindowId window = Start();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(x.FindWindows("Orvalle").size(), 1u) << "an error box?\n" << x.Program().Stderr();

    const auto info = x.Describe(window);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->viewable);
    EXPECT_EQ(info->x, 0);
    EXPECT_EQ(info->y, 0);
    EXPECT_EQ(info->width, x.Width());
    EXPECT_EQ(info->height, x.Height());
    // It asks a window manager for no frame, and with none running what the
    // screen shows at its corners and centre is the window itself.
    EXPECT_EQ(info->motifDecorations, 0);
    EXPECT_EQ(x.TopLevelAt(0, 0), window);
    EXPECT_EQ(x.TopLevelAt(x.Width() - 1, x.Height() - 1), window);
    EXPECT_EQ(x.TopLevelAt(x.Width() / 2, x.Height() / 2), window);

    x.MovePointerTo(100, 100);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto cursor = x.Cursor();
            return cursor && cursor->Invisible();
        },
        10s))
        << "the pointer shows over the window";
    EXPECT_TRUE(x.Program().Running()) << x.Program().Stderr();
}

TEST_F(WindowTest, TheWindowSystemsCloseCommandEndsTheProgramCleanly) {
    const XWindowId window = Start();
    ASSERT_NE(window, 0u);
    x.RequestClose(window);
    EXPECT_EQ(x.Program().WaitForExit(20s), 0) << x.Program().Stderr();
    EXPECT_TRUE(x.FindWindows("Orvalle").empty());
}

TEST(WindowWithoutDisplayTest, SaysWhyAndFails) {
    ScratchDirectory world;
    LaunchOptions run;
    run.workingDirectory = world.Path();
    run.environment = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"SDL_VIDEODRIVER", std::nullopt}};
    ChildProcess program;
    ASSERT_TRUE(program.Start(run)) << program.Error();
    const auto code = program.WaitForExit(20s);
    ASSERT_TRUE(code) << "still running without a display";
    EXPECT_NE(*code, 0);
    EXPECT_NE(program.Stderr().find("Cannot open a display: set DISPLAY to an X server"), std::string::npos)
        << program.Stderr();
}

}  // namespace
