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

// What the rings should cover, worked out from the camera's grid point
// (d, b): the grid cell (r, c) lies in the square of half-width k around the
// point and in no smaller one, k = max(d - r, r + 1 - d, b - c, c + 1 - b).
// The centre block covers k up to 5 in squares of one cell; the ring of step
// e covers k from 5e + 1 to 10e in squares of e cells; its strip A alone
// covers the rows below d - 5e.
struct RingPlan {
    bool centre;
    int fullRings;     // rings of steps 1, 2, 4, ... drawn whole
    bool partialStrip;  // strip A of the next ring drawn without the rest
};

int ExpectedStep(const RingPlan& plan, int d, int b, int r, int c) {
    const int k = std::max({d - r, r + 1 - d, b - c, c + 1 - b});
    if (k <= 5) return plan.centre ? 1 : 0;
    int e = 1;
    for (int ring = 0; ring < plan.fullRings; ++ring, e *= 2) {
        if (k <= 10 * e) return e;
    }
    const bool inStrip = plan.partialStrip && k <= 10 * e && r < d - 5 * e;
    return inStrip ? e : 0;
}

// Every grid cell the drawing covers, by the step of the square over it: each
// square is two triangles over the same cells, and no two squares overlap.
void ExpectCoverage(const RingPlan& plan, int d, int b) {
    const FeedbackCapture capture = CaptureFeedback(8192, [&] { DrawTerrainLod(CVector3(20.0f * b, 0, 20.0f * d)); });
    EXPECT_EQ(0, capture.OtherPrimitives);
    const int rows = Terrain.Rows, columns = Terrain.Columns;
    std::vector<int> triangles(static_cast<size_t>(rows) * columns, 0);
    std::vector<int> step(static_cast<size_t>(rows) * columns, 0);
    for (const std::vector<FeedbackVertex>& triangle : capture.Polygons) {
        float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
        for (const FeedbackVertex& v : triangle) {
            minX = std::min(minX, v.X), maxX = std::max(maxX, v.X);
            minZ = std::min(minZ, v.Z), maxZ = std::max(maxZ, v.Z);
        }
        const int c0 = static_cast<int>(std::lround(minX / 20)), c1 = static_cast<int>(std::lround(maxX / 20));
        const int r0 = static_cast<int>(std::lround(minZ / 20)), r1 = static_cast<int>(std::lround(maxZ / 20));
        ASSERT_EQ(c1 - c0, r1 - r0) << "a square at row " << r0 << ", column " << c0;
        ASSERT_TRUE(r0 >= 0 && c0 >= 0 && r1 < rows && c1 < columns) << "row " << r0 << ", column " << c0;
        for (int r = r0; r < r1; ++r) {
            for (int c = c0; c < c1; ++c) {
                ++triangles[static_cast<size_t>(r) * columns + c];
                step[static_cast<size_t>(r) * columns + c] = c1 - c0;
            }
        }
    }
    int wrong = 0;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const int expected = ExpectedStep(plan, d, b, r, c);
            const size_t at = static_cast<size_t>(r) * columns + c;
            const int seen = triangles[at] == 2 ? step[at] : triangles[at] == 0 ? 0 : -triangles[at];
            if (seen != expected && ++wrong <= 5) {
                ADD_FAILURE() << "cell (" << r << ", " << c << "): step " << expected << " expected, "
                              << (seen < 0 ? std::to_string(-seen) + " triangles" : "step " + std::to_string(seen))
                              << " drawn";
            }
        }
    }
    EXPECT_EQ(0, wrong) << "cells covered wrongly";
}

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

// Every cell where it belongs, with no hole and no overlap: on the square
// grid, and on a grid of 100 rows and 300 columns with the camera's grid
// point near each of its edges.
TEST_F(TerrainLodTest, RingsCoverOneSquareWithoutGapsUpToEachEdge) {
    struct Case {
        const char* name;
        int d, b;
        RingPlan plan;
    };
    const Case cases[] = {
        {"square grid, grid point (128, 128)", 128, 128, {true, 4, false}},
        // The rows limit the rings to steps 1, 2 and 4; the columns would allow more.
        {"the middle", 50, 150, {true, 3, false}},
        {"strip B of ring 2 reaches row 105", 85, 150, {true, 1, true}},
        {"ring 1 starts at row 0", 10, 150, {true, 1, false}},
        {"ring 1 would start at row -1", 9, 150, {true, 0, false}},
        {"ring 1 ends at row 99", 89, 150, {true, 1, true}},
        {"ring 1 would end at row 100", 90, 150, {true, 0, true}},
        {"ring 1 starts at column 0", 50, 10, {true, 1, false}},
        {"ring 1 would start at column -1", 50, 9, {true, 0, false}},
        {"ring 1 ends at column 299", 50, 289, {true, 1, false}},
        {"ring 1 would end at column 300", 50, 290, {true, 0, false}},
        // The centre block would end at row 101; strip A of ring 1 still fits.
        {"no centre block", 96, 150, {false, 0, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool square = std::string(c.name).rfind("square", 0) == 0;
        ScopedTerrainGrid grid(square ? 256 : 100, square ? 256 : 300);
        ExpectCoverage(c.plan, c.d, c.b);
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

// Ring mode draws after the sky box, which leaves the depth test and depth
// writes off; the rings must still be drawn against a cleared depth buffer,
// with the depth test on, and leave their depths behind.
TEST_F(TerrainLodTest, RingsDrawWithTheTerrainsDepthState) {
    ScopedTerrainGrid grid(11, 11, TerrainCell{100.0f, 0, 0});
    // Looking straight down on [0, 200] x [0, 200]: window depth is
    // (1 - height / 1000) / 2, higher ground being nearer.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 200, 0, 200, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    const GLfloat swapYZ[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    glLoadMatrixf(swapYZ);
    glDisable(GL_TEXTURE_2D);
    // Old depths nearer than anything, and the state as the sky box leaves it.
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClearDepth(0.0);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);

    DrawTerrain(CVector3(100, 0, 100), true);
    // The centre block, in the colour of its vertices: black.
    EXPECT_EQ((std::array<uint8_t, 3>{0, 0, 0}), gl.Pixel(32, 32));
    GLfloat depth = 0;
    glReadPixels(32, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    // Only a depth test writes depths.
    EXPECT_NEAR(0.45f, depth, 1e-5);
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
