#pragma once
// What start-up costs: FormCreate's steps timed one by one up to the end of
// the first frame, and the terrain's two shares (the grid, the textures),
// each in a fresh process. Each entry prints one "result" line.
#include <memory>

#include "tests/support/offscreen_gl.h"

namespace bench {

// FormCreate's steps in its order, each timed, then the first paint, in the
// current folder; the offscreen context stands in for the window's.
struct StartupTimes {
    double Context = 0, Terrain = 0, Sky = 0, Rest = 0, FirstFrame = 0, Total = 0;
    long PeakBeforeFrameKb = 0;
};
StartupTimes StartUp(std::unique_ptr<OffscreenGl>& gl);

int RunStartup(const char* world);
int RunTerrainTextures(const char* world);
int RunGrid(const char* world);

}  // namespace bench
