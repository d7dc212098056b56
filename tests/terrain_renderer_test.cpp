#include "terrain/terrain_renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/set_camera.h"
#include "terrain/terrain.h"
#include "tests/support/gl_feedback.h"
#include "tests/support/global_textures.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/scoped_terrain_grid.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/test_pictures.h"
#include "tests/support/texture_settings.h"

namespace {

constexpr Rgb Background = {5, 6, 7};

void ClearTo(Rgb c) {
    glClearColor(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Looks straight down on the rectangle [x0, x1] x [z0, z1]: screen x is world
// x, screen y is world z, and higher ground is nearer.
void TopDownView(double x0, double x1, double z0, double z1) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x0, x1, z0, z1, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    // Eye (x, z, y) from world (x, y, z).
    const GLfloat swapYZ[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    glLoadMatrixf(swapYZ);
}

class TerrainRendererTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_NE(nullptr, Terrain.GroundTextures);
        ASSERT_EQ(3, Terrain.MaterialCount);
        ASSERT_FLOAT_EQ(0.4f, Terrain.TexStep);
        savedPass_ = CurrentPass;
    }
    void TearDown() override {
        FreeGlobalTextures();
        CurrentPass = savedPass_;
    }

    void LoadGround(Rgb mud, Rgb rock, Rgb stone) {
        const Rgb colours[3] = {mud, rock, stone};
        const char* names[3] = {"mud.bmp", "rock.bmp", "stone.bmp"};
        for (int m = 0; m < 3; ++m) {
            LoadTestTexture(Terrain.GroundTextures[m], dir_.File(names[m]), 8, 8, UniformPicture(colours[m]));
        }
    }

    ScratchDirectory dir_;

private:
    int32_t savedPass_ = 0;
};

// World position of the centre of pixel p along an axis drawn from lo to hi
// over 64 pixels.
float PixelCentre(int p, float lo, float hi) { return lo + (p + 0.5f) * (hi - lo) / 64.0f; }

TEST_F(TerrainRendererTest, CellOfOneMaterialShowsThatTextureAlone) {
    const Rgb ground[3] = {{180, 60, 20}, {30, 160, 90}, {70, 80, 210}};
    LoadGround(ground[0], ground[1], ground[2]);
    for (int32_t material = 0; material < 3; ++material) {
        SCOPED_TRACE("material " + std::to_string(material));
        ScopedTerrainGrid grid(2, 2, TerrainCell{0.0f, material, 0});
        ClearTo(Background);
        TopDownView(-5, 25, -5, 25);
        DrawTerrain(CVector3(), false);
        // The cell spans x and z from 0 to 20; pixels 11 to 52 lie inside.
        for (int p : {11, 32, 52}) {
            EXPECT_TRUE(ColourNear(gl.Pixel(p, p), ground[material], 0)) << "pixel " << p;
            EXPECT_TRUE(ColourNear(gl.Pixel(p, 63 - p), ground[material], 0)) << "pixel " << p;
        }
        for (int p : {2, 60}) EXPECT_TRUE(ColourNear(gl.Pixel(p, 32), Background, 0)) << "pixel " << p;
    }
}

// Each material's weight runs from 1 at its own corners to 0 at the others,
// so inside a triangle the textures mix by the barycentric weights.
TEST_F(TerrainRendererTest, TexturesBlendByTheTrianglesCornerMaterials) {
    LoadGround({90, 30, 150}, {30, 150, 90}, {150, 90, 30});
    ScopedTerrainGrid grid(2, 2);
    grid.At(0, 0).Material = 0;  // P00
    grid.At(0, 1).Material = 1;  // P01
    grid.At(1, 0).Material = 0;  // P10
    grid.At(1, 1).Material = 2;  // P11

    struct Case {
        const char* name;
        float x, z;
        Rgb expected;
    };
    const Case cases[] = {
        // A third each of mud, rock and stone.
        {"centroid of P00 P01 P11", 40.0f / 3, 20.0f / 3, {90, 90, 90}},
        // Two thirds mud (P00 and P10), a third stone.
        {"centroid of P00 P10 P11", 20.0f / 3, 40.0f / 3, {110, 50, 110}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearTo(Background);
        // Half a unit around the point: the four middle pixels are within 1/64 of it.
        TopDownView(c.x - 0.5, c.x + 0.5, c.z - 0.5, c.z + 0.5);
        DrawTerrain(CVector3(), false);
        // Each pass rounds to whole levels; 1/64 away the weights move by a
        // tenth of a level.
        for (int px : {31, 32})
            for (int py : {31, 32}) EXPECT_TRUE(ColourNear(gl.Pixel(px, py), c.expected, 1));
    }
}

TEST_F(TerrainRendererTest, KeyedTreeTexelsLeaveTheGroundVisible) {
    const Rgb mud = {180, 60, 20};
    const Rgb needles = {0, 200, 0};
    LoadGround(mud, {30, 160, 90}, {70, 80, 210});
    // Top half keyed away (the key is the top-left pixel's colour), bottom half needles.
    LoadTestTexture(
        TreeTexture, dir_.File("elka.bmp"), 8, 8,
        [&](int, int y) { return y < 4 ? Rgb{255, 0, 255} : needles; }, true);
    // A slope y = 2z rising away from a viewer at z < 0; the one tree stands at (0, 0, 0).
    ScopedTerrainGrid grid(2, 2, TerrainCell{0.0f, 0, 1});
    grid.At(1, 0).Height = 40.0f;
    grid.At(1, 1).Height = 40.0f;

    ClearTo(Background);
    // Looking along +z: screen x is world x, screen y is world y, from -4 to 20.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 20, -4, 20, 1, 200);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -50);
    glScalef(1, 1, -1);
    DrawTerrain(CVector3(), false);

    struct Probe {
        const char* what;
        float x, y;
        Rgb expected;
    };
    // The tree spans x -2 to 2 and y -0.1 to 6.9; its texture's top half
    // covers y above 3.4. The slope covers x 0 to 20 behind it.
    const Probe probes[] = {
        {"tree's lower half before the slope", 1.0f, 1.5f, needles},
        {"tree's lower half before nothing", -1.0f, 1.5f, needles},
        {"keyed upper half before the slope", 1.0f, 5.5f, mud},
        {"keyed upper half before nothing", -1.0f, 5.5f, Background},
        {"slope beside the tree", 10.0f, 15.0f, mud},
    };
    for (const Probe& p : probes) {
        const int px = static_cast<int>((p.x + 4) * 64 / 24);
        const int py = static_cast<int>((p.y + 4) * 64 / 24);
        ASSERT_LT(std::abs(PixelCentre(px, -4, 20) - p.x), 0.2f);
        EXPECT_TRUE(ColourNear(gl.Pixel(px, py), p.expected, 0)) << p.what;
    }
}

TEST_F(TerrainRendererTest, FullDrawLeavesTheStateTheNextSkyBoxFinds) {
    LoadGround({180, 60, 20}, {30, 160, 90}, {70, 80, 210});
    LoadTestTexture(TreeTexture, dir_.File("elka.bmp"), 8, 8, UniformPicture({0, 200, 0}), true);
    ScopedTerrainGrid grid(3, 3, TerrainCell{0.0f, 1, 1});

    // Whatever is bound on entry takes the filters and the depth pass's wrap mode.
    GLuint entry = 0;
    glGenTextures(1, &entry);
    glBindTexture(GL_TEXTURE_2D, entry);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    TopDownView(0, 40, 0, 40);
    DrawTerrain(CVector3(), false);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(GL_LEQUAL, value);
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_FALSE(depthWrites);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(GL_SRC_ALPHA, value);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, value);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLint>(TreeTexture.TextureName), value);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(GL_MODULATE, value);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ((std::array<GLfloat, 4>{1, 1, 1, 1}), (std::array<GLfloat, 4>{colour[0], colour[1], colour[2], colour[3]}));
    EXPECT_EQ(3, CurrentPass);

    const TextureSettings textures[] = {
        {"bound on entry", entry, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, GL_REPEAT},
        // The ground textures get their wrap mode only; their filters stay OpenGL's own.
        {"mud", Terrain.GroundTextures[0].TextureName, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT},
        {"stone", Terrain.GroundTextures[2].TextureName, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT},
    };
    for (const TextureSettings& t : textures) ExpectTextureSettings(t);
    glDeleteTextures(1, &entry);
}

// A full draw leaves depth writes off; the next draw must still clear the
// depth buffer, or lower ground would lose against the old depths.
TEST_F(TerrainRendererTest, EveryDrawStartsFromAClearedDepthBuffer) {
    const Rgb mud = {180, 60, 20};
    const Rgb rock = {30, 160, 90};
    LoadGround(mud, rock, {70, 80, 210});
    ClearTo(Background);
    TopDownView(-5, 25, -5, 25);
    {
        ScopedTerrainGrid high(2, 2, TerrainCell{50.0f, 0, 0});
        DrawTerrain(CVector3(), false);
    }
    ASSERT_TRUE(ColourNear(gl.Pixel(32, 32), mud, 0));
    ScopedTerrainGrid low(2, 2, TerrainCell{0.0f, 1, 0});
    DrawTerrain(CVector3(), false);
    EXPECT_TRUE(ColourNear(gl.Pixel(32, 32), rock, 0));
}

TEST_F(TerrainRendererTest, TwoByTwoGridDrawsOneCellPerPassAndOneTree) {
    // Corners told apart by height: P00 1, P01 2, P10 3, P11 4.
    ScopedTerrainGrid grid(2, 2, TerrainCell{0.0f, 0, 1});
    const int32_t material[2][2] = {{0, 1}, {2, 1}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            grid.At(r, c).Height = static_cast<float>(1 + c + 2 * r);
            grid.At(r, c).Material = material[r][c];
        }
    }
    const FeedbackCapture drawn = CaptureFeedback(64, [] { DrawTerrainFull(); });
    EXPECT_EQ(0, drawn.OtherPrimitives);
    // 4 passes x 2 triangles, then 6 quads (12 triangles) of the tree at (0, 0).
    ASSERT_EQ(8u + 12u, drawn.Polygons.size());

    for (int pass = -1; pass < 3; ++pass) {
        for (int half = 0; half < 2; ++half) {
            const std::vector<FeedbackVertex>& triangle = drawn.Polygons[static_cast<size_t>(2 * (pass + 1) + half)];
            SCOPED_TRACE("pass " + std::to_string(pass) + ", triangle " + std::to_string(half));
            ASSERT_EQ(3u, triangle.size());
            // Both triangles share the diagonal P00-P11; the first takes P01, the second P10.
            std::vector<int> corners;
            for (const FeedbackVertex& v : triangle) {
                const int c = static_cast<int>(std::lround(v.X / 20));
                const int r = static_cast<int>(std::lround(v.Z / 20));
                corners.push_back(2 * r + c);
                EXPECT_NEAR(1 + c + 2 * r, v.Y, 1e-3);
                EXPECT_NEAR(0.4f * c, v.S, 1e-6);
                EXPECT_NEAR(0.4f * r, v.T, 1e-6);
                const bool weighted = pass == -1 || material[r][c] == pass;
                EXPECT_EQ(weighted ? 1.0f : 0.0f, v.A) << "corner " << r << ", " << c;
                EXPECT_EQ(0.0f, v.R + v.G + v.B);
            }
            std::sort(corners.begin(), corners.end());
            EXPECT_EQ(half == 0 ? (std::vector<int>{0, 1, 3}) : (std::vector<int>{0, 2, 3}), corners);
        }
    }
    for (size_t i = 8; i < drawn.Polygons.size(); ++i) {
        for (const FeedbackVertex& v : drawn.Polygons[i]) {
            EXPECT_LE(std::hypot(v.X, v.Z), 2.0f + 1e-3f);
            EXPECT_TRUE(std::fabs(v.Y - 0.9f) < 1e-3f || std::fabs(v.Y - 7.9f) < 1e-3f) << v.Y;
        }
    }
}

// On a grid of 3 rows and 4 columns with a height of its own at every point,
// the trees stand on the grid points of all rows but the last and all
// columns but the last, row by row: the later tree covers the earlier, since
// trees are drawn with depth writes off.
TEST_F(TerrainRendererTest, TreesStandOnTheirGridPointsRowByRow) {
    ScopedTerrainGrid grid(3, 4, TerrainCell{0.0f, 0, 1});
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) grid.At(r, c).Height = static_cast<float>(1 + c + 4 * r);
    const FeedbackCapture drawn = CaptureFeedback(64, [] { DrawTerrainFull(); });
    // 4 passes over 6 cells of two triangles, then the trees.
    constexpr size_t GroundTriangles = 4 * 6 * 2;
    ASSERT_EQ(GroundTriangles + 6 * 12, drawn.Polygons.size());
    // (x, base height, z) of each tree in the order drawn.
    const float bases[6][3] = {{0, 1, 0}, {20, 2, 0}, {40, 3, 0}, {0, 5, 20}, {20, 6, 20}, {40, 7, 20}};
    for (size_t tree = 0; tree < 6; ++tree) {
        SCOPED_TRACE("tree " + std::to_string(tree));
        // The quads lie symmetric about the base: their corners average to
        // the base point, raised by half of (6.9 - 0.1).
        double x = 0, y = 0, z = 0;
        int count = 0;
        for (size_t t = 0; t < 12; ++t) {
            for (const FeedbackVertex& v : drawn.Polygons[GroundTriangles + 12 * tree + t]) {
                x += v.X, y += v.Y, z += v.Z;
                ++count;
            }
        }
        EXPECT_NEAR(bases[tree][0], x / count, 1e-3);
        EXPECT_NEAR(bases[tree][1] + 3.4, y / count, 1e-3);
        EXPECT_NEAR(bases[tree][2], z / count, 1e-3);
    }
}

TEST_F(TerrainRendererTest, TreeIsSixQuadsAroundItsBase) {
    // The half-extents of quad k at k x 60 degrees.
    const float spokes[6][2] = {{2, 0}, {1, 1.7320508f}, {-1, 1.7320508f}, {-2, 0}, {-1, -1.7320508f}, {1, -1.7320508f}};
    const CVector3 bases[] = {CVector3(0, 0, 0), CVector3(40, 12.5f, -60)};
    for (const CVector3& base : bases) {
        SCOPED_TRACE("base " + std::to_string(base.x) + ", " + std::to_string(base.y) + ", " + std::to_string(base.z));
        const FeedbackCapture drawn = CaptureFeedback(128, [&] {
            glBegin(GL_QUADS);
            DrawTree(base);
            glEnd();
        });
        ASSERT_EQ(12u, drawn.Polygons.size());
        for (int k = 0; k < 6; ++k) {
            // Texture row 0 at the top, 6.9 above the base; the bottom 0.1 below it.
            const float dx = spokes[k][0], dz = spokes[k][1];
            const FeedbackVertex corners[4] = {
                {base.x - dx, base.y + 6.9f, base.z - dz, 0, 0, 0, 0, 0, 0},
                {base.x + dx, base.y + 6.9f, base.z + dz, 0, 0, 0, 0, 1, 0},
                {base.x + dx, base.y - 0.1f, base.z + dz, 0, 0, 0, 0, 1, 1},
                {base.x - dx, base.y - 0.1f, base.z - dz, 0, 0, 0, 0, 0, 1},
            };
            // Mesa hands each quad on as two triangles.
            std::vector<FeedbackVertex> seen = drawn.Polygons[static_cast<size_t>(2 * k)];
            const std::vector<FeedbackVertex>& second = drawn.Polygons[static_cast<size_t>(2 * k + 1)];
            seen.insert(seen.end(), second.begin(), second.end());
            for (const FeedbackVertex& want : corners) {
                const bool found = std::any_of(seen.begin(), seen.end(), [&](const FeedbackVertex& v) {
                    return std::fabs(v.X - want.X) < 1e-4f && std::fabs(v.Y - want.Y) < 1e-4f &&
                           std::fabs(v.Z - want.Z) < 1e-4f && v.S == want.S && v.T == want.T;
                });
                EXPECT_TRUE(found) << "quad " << k << " lacks (" << want.X << ", " << want.Y << ", " << want.Z
                                   << ") at (" << want.S << ", " << want.T << ")";
            }
        }
    }
}

TEST_F(TerrainRendererTest, SetCameraReplacesTheMatrix) {
    struct Case {
        const char* name;
        CVector3 eye, dir, up;
        GLfloat expected[16];  // column by column
    };
    const Case cases[] = {
        {"start orientation",
         CVector3(1, 2, 3),
         CVector3(0, 0, 1),
         CVector3(0, 1, 0),
         {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 1, -2, 3, 1}},
        // eye + dir is 2^24 + 1, which float32 would round back onto the eye.
        {"far from the origin",
         CVector3(16777216.0f, 0, 0),
         CVector3(1, 0, 0),
         CVector3(0, 1, 0),
         {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 16777216.0f, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(5, 6, 7);
        glRotatef(30, 1, 2, 3);
        SetCamera(CVector3(9, 8, 7), CVector3(0, 0, -1), CVector3(0, 1, 0));
        SetCamera(c.eye, c.dir, c.up);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(c.expected[i], m[i], 1e-6) << "element " << i;
    }
}

}  // namespace
