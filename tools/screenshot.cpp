// Starts the real program on an X server of its own, in a copy of a world
// folder, and saves what the screen shows as a PNG: the picture in the README.
//
//   screenshot <world folder> <picture.png>
#include <FreeImage.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: screenshot <world folder> <picture.png>\n");
        return 2;
    }
    // A copy, so that the picture shows the start view and the world's own
    // "save.dat" is left alone.
    ScratchDirectory world;
    std::error_code error;
    fs::copy(argv[1], world.Path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) {
        std::fprintf(stderr, "screenshot: cannot copy %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    fs::remove(world.File("save.dat"), error);

    XvfbSession x(1024, 768);
    if (!x.Ok()) {
        std::fprintf(stderr, "screenshot: %s\n", x.Error().c_str());
        return 1;
    }
    LaunchOptions run;
    run.workingDirectory = world.Path();
    if (!x.Launch(run) || x.WaitForWindow("Orvalle") == 0) {
        std::fprintf(stderr, "screenshot: the program did not open its window\n%s\n", x.Program().Stderr().c_str());
        return 1;
    }
    std::this_thread::sleep_for(4s);  // a few ticks, so the picture is a settled frame
    const XScreenshot shot = x.Capture();

    FIBITMAP* image = FreeImage_Allocate(shot.width, shot.height, 24);
    for (int y = 0; y < shot.height; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, shot.height - 1 - y);  // scan line 0 is the bottom
        for (int xPos = 0; xPos < shot.width; ++xPos) {
            const auto rgb = shot.Pixel(xPos, y);
            line[xPos * 3 + FI_RGBA_RED] = rgb[0];
            line[xPos * 3 + FI_RGBA_GREEN] = rgb[1];
            line[xPos * 3 + FI_RGBA_BLUE] = rgb[2];
        }
    }
    const bool saved = FreeImage_Save(FIF_PNG, image, argv[2], PNG_Z_BEST_COMPRESSION) != 0;
    FreeImage_Unload(image);
    if (!saved) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    x.TapKey("Escape");
    x.Program().WaitForExit(10s);
    return 0;
}
