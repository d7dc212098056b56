// A start-up that fails part-way, as a user meets it: the error is shown, the
// window still opens, nothing runs on its timer, and closing it keeps the
// viewpoint saved by the last run.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace {

using namespace std::chrono_literals;

std::string Record(float x, float y, float z, double yaw, double pitch) {
    std::string bytes(28, '\0');
    std::memcpy(bytes.data(), &x, 4);
    std::memcpy(bytes.data() + 4, &y, 4);
    std::memcpy(bytes.data() + 8, &z, 4);
    std::memcpy(bytes.data() + 12, &yaw, 8);
    std::memcpy(bytes.data() + 20, &pitch, 8);
    return bytes;
}

// The error box, then the main window once the box has been answered.
XWindowId DismissErrorThenFindWindow(XvfbSession& x, const std::string& message) {
    const XWindowId box = x.WaitForWindow("Orvalle");
    EXPECT_NE(box, 0u) << x.Program().Stderr();
    EXPECT_TRUE(WaitUntil([&] { return x.Program().Stderr().find(message) != std::string::npos; }, 10s))
        << x.Program().Stderr();
    x.Focus(box);
    x.TapKey("Return");
    XWindowId window = 0;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto windows = x.FindWindows("Orvalle");
            window = windows.size() == 1 && windows[0] != box ? windows[0] : 0;
            return window != 0 || !x.Program().Running();
        },
        20s))
        << "the window did not open after the error\n" << x.Program().Stderr();
    return window;
}

TEST(FailedStartTest, AnUnopenableSaveIsShownAndTheWindowOpensWithoutItsTimer) {
    ScratchDirectory world;
    XvfbSession x;
    ASSERT_TRUE(x.Ok()) << x.Error();
    const std::string make = std::string("'") + ORVALLE_WORLDGEN + "' '" + world.Path() + "' --size 16 >/dev/null";
    const int status = std::system(make.c_str());
    ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Another program holds "save.dat" open: the restore cannot open it.
    const std::string saved = Record(100.0f, 50.0f, 200.0f, 0.5, -0.25);
    WriteFileBytes(world.File("save.dat"), saved);
    const int held = open(world.File("save.dat").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);

    LaunchOptions run;
    run.workingDirectory = world.Path();
    ASSERT_TRUE(x.Launch(run)) << x.Error();
    // The error box comes first: start-up shows it before the window appears.
    const XWindowId window = DismissErrorThenFindWindow(x, "Cannot open file save.dat");
    ASSERT_NE(window, 0u);
    const auto info = x.Describe(window);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->width, x.Width());
    EXPECT_EQ(info->height, x.Height());
    // Start-up placed the camera before it stopped: the window shows the
    // landscape from there (brown ground ahead, below the horizon) whenever
    // it is painted, at the window's size.
    EXPECT_TRUE(WaitUntil([&] { return GroundShare(x.Capture()) > 0.5; }, 10s))
        << "no ground in the lower half: " << GroundShare(x.Capture());

    // Escape acts only through the timer, which start-up never reached.
    x.Focus(window);
    x.PressKey("Escape");
    std::this_thread::sleep_for(600ms);
    x.ReleaseKey("Escape");
    EXPECT_TRUE(x.Program().Running());

    close(held);
    x.RequestClose(window);
    EXPECT_EQ(x.Program().WaitForExit(20s), 0) << x.Program().Stderr();
    EXPECT_EQ(ReadFileBytes(world.File("save.dat")), saved) << "a failed start overwrote the last viewpoint";
}

// Without OpenGL (no driver to load) the context fails; the window that
// opens anyway shows the form's colour, the button-face grey, everywhere.
TEST(FailedStartTest, WithoutOpenGLTheWindowShowsTheFormsColour) {
    ScratchDirectory world;
    XvfbSession x(320, 240);
    ASSERT_TRUE(x.Ok()) << x.Error();
    LaunchOptions run;
    run.workingDirectory = world.Path();
    run.environment["SDL_OPENGL_LIBRARY"] = world.File("no-such-libGL.so");
    ASSERT_TRUE(x.Launch(run)) << x.Error();
    const XWindowId window = DismissErrorThenFindWindow(x, "Orvalle: ");
    ASSERT_NE(window, 0u);
    const std::array<uint8_t, 3> buttonFace{240, 240, 240};
    XScreenshot shot;
    EXPECT_TRUE(WaitUntil(
        [&] {
            shot = x.Capture();
            for (int y = 0; y < shot.height; ++y)
                for (int x0 = 0; x0 < shot.width; ++x0)
                    if (shot.Pixel(x0, y) != buttonFace) return false;
            return true;
        },
        10s))
        << "the centre shows " << int(shot.Pixel(160, 120)[0]) << "," << int(shot.Pixel(160, 120)[1]) << ","
        << int(shot.Pixel(160, 120)[2]) << "\n" << x.Program().Stderr();
    x.RequestClose(window);
    EXPECT_EQ(x.Program().WaitForExit(20s), 0) << x.Program().Stderr();
}

}  // namespace
