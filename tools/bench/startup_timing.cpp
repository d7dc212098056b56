#include "tools/bench/startup_timing.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/saved_viewpoint.h"
#include "app/screen_size.h"
#include "app/start_position.h"
#include "camera/clock.h"
#include "camera/key_state.h"
#include "camera/mouse_look.h"
#include "render/frame_renderer.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"
#include "tools/bench/harness.h"

namespace bench {

StartupTimes StartUp(std::unique_ptr<OffscreenGl>& gl) {
    StartupTimes t;
    const Clock::time_point start = Clock::now();
    if (!MakeContext(gl)) {
        std::fprintf(stderr, "bench_frame: no offscreen OpenGL context\n");
        std::exit(1);
    }
    t.Context = MillisSince(start);

    Clock::time_point step = Clock::now();
    LoadTerrain("MAP\\map.bmp");
    t.Terrain = MillisSince(step);

    step = Clock::now();
    LoadSkyTextures();
    t.Sky = MillisSince(step);

    step = Clock::now();
    PlaceCameraAtStart();
    RestoreViewpoint();
    ClearKeyState();
    ScreenWidth = Width;
    ScreenHeight = Height;
    CenterCursor();
    LastTime = static_cast<float>(GetTimeSeconds());
    t.Rest = MillisSince(step);

    t.PeakBeforeFrameKb = PeakResidentKb();
    step = Clock::now();
    RenderFrame();
    glFinish();
    t.FirstFrame = MillisSince(step);
    t.Total = MillisSince(start);
    return t;
}

int RunStartup(const char* world) {
    if (chdir(world) != 0) {
        std::fprintf(stderr, "bench_frame: cannot enter %s\n", world);
        return 1;
    }
    std::unique_ptr<OffscreenGl> gl;
    const StartupTimes t = StartUp(gl);
    std::printf("result startup total=%.3f terrain=%.3f sky=%.3f context=%.3f rest=%.3f first_frame=%.3f "
                "peak_kb=%ld peak_before_frame_kb=%ld\n",
                t.Total, t.Terrain, t.Sky, t.Context, t.Rest, t.FirstFrame, PeakResidentKb(), t.PeakBeforeFrameKb);
    return 0;
}

// LoadTerrain is the grid and then the four terrain textures; each share is
// timed on its own, as the first loads of a fresh process whose context has
// just been made.
int RunTerrainTextures(const char* world) {
    std::unique_ptr<OffscreenGl> gl;
    if (chdir(world) != 0 || !MakeContext(gl)) return 1;
    const Clock::time_point start = Clock::now();
    LoadTerrainTextures();
    std::printf("result textures terrain_textures=%.3f\n", MillisSince(start));
    return 0;
}

// The grid: LoadTerrain in a folder that holds the heightmap alone, where
// each texture load finds no file and costs next to nothing.
int RunGrid(const char* world) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path map = fs::absolute(fs::path(world) / "MAP" / "map.bmp", error);
    const fs::path folder = fs::temp_directory_path(error) / ("bench_frame_grid_" + std::to_string(getpid()));
    fs::create_directories(folder / "MAP", error);
    fs::create_symlink(map, folder / "MAP" / "map.bmp", error);
    std::unique_ptr<OffscreenGl> gl;
    int status = 1;
    if (!error && chdir(folder.c_str()) == 0 && MakeContext(gl)) {
        const Clock::time_point start = Clock::now();
        LoadTerrain("MAP\\map.bmp");
        const double grid = MillisSince(start);
        if (Terrain.Rows > 0) {
            std::printf("result grid grid=%.3f\n", grid);
            status = 0;
        }
    }
    fs::remove_all(folder, error);
    return status;
}

}  // namespace bench
