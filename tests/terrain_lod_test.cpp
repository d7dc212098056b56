#include "terrain/terrain_lod.h"

#include <GL/gl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/screen_size.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "render/frame_renderer.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"
#include "terrain/terrain_renderer.h"
#include "tests/support/gl_feedback.h"
#include "tests/support/global_textures.h"
#include "tests/support/null_gl_window.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/scoped_terrain_grid.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/test_pictures.h"

namespace {

// What a ring drawing covered, in grid points and squares.
struct Drawing {
    size_t Triangles = 0;
    std::map<int, size_t> TrianglesByStep;  // by the square's size in cells
    int MinColumn = 0, MaxColumn = 0, MinRow = 0, MaxRow = 0;
    std::vector<FeedbackVertex> FirstVertices;
};

Drawing Capture(const CVector3& position) {
    // Every vertex of a 256 x 256 grid lies within 5100 units of the origin.
    const FeedbackCapture capture = CaptureFeedback(5200, [&] { DrawTerrainLod(position); });
    EXPECT_EQ(0, capture.OtherPrimitives);
    Drawing drawing;
    drawing.Triangles = capture.Polygons.size();
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    for (const std::vector<FeedbackVertex>& triangle : capture.Polygons) {
        float lo = 1e9f, hi = -1e9f;
        for (const FeedbackVertex& v : triangle) {
            minX = std::min(minX, v.X);
            maxX = std::max(maxX, v.X);
            minZ = std::min(minZ, v.Z);
            maxZ = std::max(maxZ, v.Z);
            lo = std::min(lo, v.X);
            hi = std::max(hi, v.X);
        }
        ++drawing.TrianglesByStep[static_cast<int>(std::lround((hi - lo) / 20))];
        if (drawing.FirstVertices.size() < 60) drawing.FirstVertices.push_back(triangle[0]);
    }
    if (drawing.Triangles != 0) {
        drawing.MinColumn = static_cast<int>(std::lround(minX / 20));
        drawing.MaxColumn = static_cast<int>(std::lround(maxX / 20));
        drawing.MinRow = static_cast<int>(std::lround(minZ / 20));
        drawing.MaxRow = static_cast<int>(std::lround(maxZ / 20));
    }
    return drawing;
}

class TerrainLodTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        savedPass_ = CurrentPass;
    }
    void TearDown() override { CurrentPass = savedPass_; }

private:
    int32_t savedPass_ = 0;
};

TEST_F(TerrainLodTest, RingsAroundTheCameraUntilOneNoLongerFits) {
    ScopedTerrainGrid grid(256, 256);
    struct Case {
        const char* name;
        float x, z;
        size_t triangles;
        std::map<int, size_t> byStep;
        int minColumn, maxColumn, minRow, maxRow;
    };
    const std::map<int, size_t> fourRings = {{1, 800}, {2, 600}, {4, 600}, {8, 600}};
    const Case cases[] = {
        // Centre block and the rings of steps 1, 2, 4 and 8: 17 blocks; step 16 would start at row -32.
        {"grid point (128, 128)", 2560, 2560, 2600, fourRings, 48, 208, 48, 208},
        // Columns move in whole cells: all of [2560, 2580) is column 128.
        {"x 2570", 2570, 2560, 2600, fourRings, 48, 208, 48, 208},
        {"x just below 2580", std::nextafter(2580.0f, 0.0f), 2560, 2600, fourRings, 48, 208, 48, 208},
        {"x 2580", 2580, 2560, 2600, fourRings, 49, 209, 48, 208},
        // Row 250: the centre block (rows 245 to 255) and strip A (rows 240 to 245); B would reach row 260.
        {"row 250", 2560, 5000, 400, {{1, 400}}, 118, 138, 240, 255},
        // The centre block would start at row -2, strip A at row -7.
        {"grid point (3, 3)", 60, 60, 0, {}, 0, 0, 0, 0},
        // x in (-20, 0) truncates to column 0: the centre block starts at column -5.
        {"x -10", -10, 2560, 0, {}, 0, 0, 0, 0},
        {"z -19.9", 2560, -19.9f, 0, {}, 0, 0, 0, 0},
        {"beyond the high edge", 5200, 2560, 0, {}, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Drawing drawing = Capture(CVector3(c.x, 1.8f, c.z));
        EXPECT_EQ(c.triangles, drawing.Triangles);
        EXPECT_EQ(c.byStep, drawing.TrianglesByStep);
        if (c.triangles == 0) continue;
        EXPECT_EQ(c.minColumn, drawing.MinColumn);
        EXPECT_EQ(c.maxColumn, drawing.MaxColumn);
        EXPECT_EQ(c.minRow, drawing.MinRow);
        EXPECT_EQ(c.maxRow, drawing.MaxRow);
    }
}

TEST_F(TerrainLodTest, SmallestGridHoldsTheCentreBlockOnly) {
    ScopedTerrainGrid grid(11, 11);
    const Drawing drawing = Capture(CVector3(100, 0, 100));
    EXPECT_EQ(200u, drawing.Triangles);
    EXPECT_EQ(0, drawing.MinColumn);
    EXPECT_EQ(10, drawing.MaxColumn);
    EXPECT_EQ(0, drawing.MinRow);
    EXPECT_EQ(10, drawing.MaxRow);
    // Within a block the columns are the outer loop: the first ten squares
    // (twenty triangles) climb column 0 row by row.
    ASSERT_GE(drawing.FirstVertices.size(), 20u);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_NEAR(0.0f, drawing.FirstVertices[i].X, 1e-3) << "triangle " << i;
        EXPECT_NEAR(20.0f * static_cast<float>(i / 2), drawing.FirstVertices[i].Z, 1e-3) << "triangle " << i;
    }
}

TEST_F(TerrainLodTest, CoarseBlocksTakeEveryStepthGridPoint) {
    // Heights of 0.78125 x column, materials by row, on a 41 x 41 grid.
    ScopedTerrainGrid grid(41, 41);
    for (int r = 0; r < 41; ++r) {
        for (int c = 0; c < 41; ++c) {
            grid.At(r, c).Height = 0.78125f * static_cast<float>(c);
            grid.At(r, c).Material = r % 3;
        }
    }
    CurrentPass = 1;
    const FeedbackCapture capture = CaptureFeedback(1024, [] { DrawBlock(4, 8, 2, 3, 4); });
    // 3 columns x 2 rows of squares of 4 x 4 cells.
    ASSERT_EQ(12u, capture.Polygons.size());
    for (const std::vector<FeedbackVertex>& triangle : capture.Polygons) {
        for (const FeedbackVertex& v : triangle) {
            const int c = static_cast<int>(std::lround(v.X / 20));
            const int r = static_cast<int>(std::lround(v.Z / 20));
            EXPECT_EQ(0, (c - 8) % 4);
            EXPECT_EQ(0, (r - 4) % 4);
            EXPECT_NEAR(0.78125f * c, v.Y, 1e-3);
            // The texture mapping of a grid point does not depend on the step.
            EXPECT_NEAR(0.4f * c, v.S, 1e-5);
            EXPECT_NEAR(0.4f * r, v.T, 1e-5);
            // The colours follow whatever pass was last set.
            EXPECT_EQ(r % 3 == 1 ? 1.0f : 0.0f, v.A);
        }
    }
}

TEST_F(TerrainLodTest, BlocksAreDrawnOnlyWhole) {
    ScopedTerrainGrid grid(11, 11);
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    constexpr int32_t Min = std::numeric_limits<int32_t>::min();
    struct Case {
        const char* name;
        int32_t row0, col0, rowCount, colCount, step;
        bool drawn;
        size_t triangles;
    };
    const Case cases[] = {
        {"the whole grid", 0, 0, 10, 10, 1, true, 200},
        {"the whole grid in two squares", 0, 0, 1, 2, 5, true, 4},
        {"one row too many", 0, 0, 11, 10, 1, false, 0},
        {"one column too many", 0, 1, 10, 10, 1, false, 0},
        {"starting at row -1", -1, 0, 1, 1, 1, false, 0},
        {"starting at column -1", 0, -1, 1, 1, 1, false, 0},
        {"far end beyond 32 bits", 0, 0, Max, Max, Max, false, 0},
        {"start at the top of 32 bits", Max, Max, 1, 1, 1, false, 0},
        {"start at the bottom of 32 bits", Min, Min, 1, 1, 1, false, 0},
        {"running backwards", 10, 10, 2, 2, -5, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool drawn = !c.drawn;
        const FeedbackCapture capture =
            CaptureFeedback(512, [&] { drawn = DrawBlock(c.row0, c.col0, c.rowCount, c.colCount, c.step); });
        EXPECT_EQ(c.drawn, drawn);
        EXPECT_EQ(c.triangles, capture.Polygons.size());
    }
}

TEST_F(TerrainLodTest, PositionsFarOutsideTheGridDrawNothing) {
    ScopedTerrainGrid grid(256, 256);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // -2^31 x 20 is column INT32_MIN exactly; 2^31 x 20 is one past INT32_MAX.
    const float lowest = -42949672960.0f;
    const float pastHighest = 42949672960.0f;
    const float values[] = {nan, inf, -inf, FLT_MAX, -FLT_MAX, 1e30f, lowest, pastHighest,
                            std::nextafter(pastHighest, 0.0f)};
    for (float v : values) {
        SCOPED_TRACE("coordinate " + std::to_string(v));
        EXPECT_EQ(0u, Capture(CVector3(v, 0, 2560)).Triangles);
        EXPECT_EQ(0u, Capture(CVector3(2560, 0, v)).Triangles);
        EXPECT_EQ(0u, Capture(CVector3(v, 0, v)).Triangles);
    }
}

// A frame in ring mode: the ground shows the texture the sky box left bound,
// its top face, and the grid beyond the ring of step 8 stays undrawn.
TEST_F(TerrainLodTest, RingFrameShowsTheSkysTopFace) {
    ScopedNullGlWindow window;
    ScratchDirectory dir;
    const TSettings savedSettings = Settings;
    const TCamera savedCamera = Camera;
    const int32_t savedWidth = ScreenWidth, savedHeight = ScreenHeight;

    const Rgb up = {40, 170, 220};
    const Rgb before = {10, 20, 30};
    for (int f = 0; f < 5; ++f) {
        const Rgb colour = f == 4 ? up : Rgb{static_cast<uint8_t>(50 * f), 0, 0};
        LoadTestTexture(SkyTextures[f], dir.File(std::string("day_") + SkyFaceSuffixes[f] + ".bmp"), 8, 8,
                        UniformPicture(colour));
    }
    // Trees everywhere: ring mode draws none.
    ScopedTerrainGrid grid(256, 256, TerrainCell{0.0f, 0, 1});
    Settings = TSettings{};
    Settings.Lod = 1;
    Settings.Fov = 90;
    ScreenWidth = gl.Width();
    ScreenHeight = gl.Height();
    // Straight down from 2500 above grid point (128, 128): 78.125 units a
    // pixel, screen right is -x, screen up +z.
    Camera.Position = CVector3(2560, 2500, 2560);
    Camera.Direction = CVector3(0, -1, 0);
    Camera.Up = CVector3(0, 0, 1);
    glClearColor(before[0] / 255.0f, before[1] / 255.0f, before[2] / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    RenderFrame();
    const std::array<uint8_t, 3> ground = {up[0], up[1], up[2]};
    const std::array<uint8_t, 3> undrawn = {before[0], before[1], before[2]};
    // Rings reach from grid point 48 to 208, 1600 units either side.
    EXPECT_EQ(ground, gl.Pixel(32, 32));
    EXPECT_EQ(ground, gl.Pixel(20, 44));  // 900 units out either way
    EXPECT_EQ(undrawn, gl.Pixel(5, 32));  // x 4630: in the grid, beyond the rings
    EXPECT_EQ(undrawn, gl.Pixel(58, 32));
    EXPECT_EQ(undrawn, gl.Pixel(32, 5));
    EXPECT_EQ(undrawn, gl.Pixel(32, 58));

    // The next frame's sky box leaves GL_CLAMP and linear filtering on the
    // top face; the ground's texture coordinates (0.4 per grid step) lie far
    // beyond 1, where each direction takes half the edge texel and half the
    // black border: a quarter of the colour.
    RenderFrame();
    const std::array<uint8_t, 3> clamped = gl.Pixel(32, 32);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(up[i] / 4.0, clamped[i], 1) << "channel " << i;
    EXPECT_EQ(undrawn, gl.Pixel(5, 32));

    FreeGlobalTextures();
    Settings = savedSettings;
    Camera = savedCamera;
    ScreenWidth = savedWidth;
    ScreenHeight = savedHeight;
}

}  // namespace
