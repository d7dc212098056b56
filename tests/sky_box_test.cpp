#include "render/sky_box.h"

#include <GL/gl.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera/camera.h"
#include "tests/support/global_textures.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/test_pictures.h"
#include "tests/support/texture_settings.h"

namespace {

constexpr Rgb Background = {11, 22, 33};

// Screen quadrants, and image quadrants, in this order.
enum Quadrant { TopLeft, TopRight, BottomLeft, BottomRight };

// Every face image is split into four quadrants of colours unique to it.
Rgb QuadrantColour(int face, int quadrant) {
    return {static_cast<uint8_t>(30 + 45 * face), static_cast<uint8_t>(30 + 60 * quadrant),
            static_cast<uint8_t>(230 - 45 * face)};
}

std::array<uint8_t, 3> AsPixel(Rgb c) { return {c[0], c[1], c[2]}; }

class SkyBoxTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        savedCamera_ = Camera;
        for (int f = 0; f < 5; ++f) {
            LoadTestTexture(SkyTextures[f], dir_.File(std::string("day_") + SkyFaceSuffixes[f] + ".bmp"), 64, 64,
                            [f](int x, int y) { return QuadrantColour(f, (y < 32 ? 0 : 2) + (x < 32 ? 0 : 1)); });
        }
        // 90 degrees across and up: a face seen head-on fills the view.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.25, 0.25, -0.25, 0.25, 0.25, 10);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_TEXTURE_2D);
        glClearColor(Background[0] / 255.0f, Background[1] / 255.0f, Background[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        FreeGlobalTextures();
        Camera = savedCamera_;
    }

    ScratchDirectory dir_;

private:
    TCamera savedCamera_;
};

TEST(SkyBoxNames, FaceSuffixesInTextureOrder) {
    const std::array<std::string, 5> expected = {"fr", "rt", "bk", "lf", "up"};
    for (int f = 0; f < 5; ++f) EXPECT_EQ(expected[f], SkyFaceSuffixes[f]);
}

// Sampled at the centres of the screen's quadrants, y counted from the bottom.
constexpr int QuadrantPixel[4][2] = {{16, 47}, {47, 47}, {16, 16}, {47, 16}};

TEST_F(SkyBoxTest, EachViewShowsItsFaceWhereverTheCameraStands) {
    struct View {
        const char* name;
        CVector3 direction, up;
        int face;            // -1: no face, the picture stays as it was
        Quadrant shown[4];   // image quadrant seen in each screen quadrant
    };
    // The side faces look upright and unmirrored.
    const View views[] = {
        {"start orientation", CVector3(0, 0, 1), CVector3(0, 1, 0), 0, {TopLeft, TopRight, BottomLeft, BottomRight}},
        {"along +x", CVector3(1, 0, 0), CVector3(0, 1, 0), 1, {TopLeft, TopRight, BottomLeft, BottomRight}},
        {"along -z", CVector3(0, 0, -1), CVector3(0, 1, 0), 2, {TopLeft, TopRight, BottomLeft, BottomRight}},
        {"along -x", CVector3(-1, 0, 0), CVector3(0, 1, 0), 3, {TopLeft, TopRight, BottomLeft, BottomRight}},
        // Screen right is +x, screen up +z: s grows with z and t with x on the top face.
        {"straight up", CVector3(0, 1, 0), CVector3(0, 0, 1), 4, {TopRight, BottomRight, TopLeft, BottomLeft}},
        {"straight down", CVector3(0, -1, 0), CVector3(0, 0, 1), -1, {}},
    };
    const CVector3 positions[] = {CVector3(0, 0, 0), CVector3(1234.5f, 56, -789)};
    for (const View& view : views) {
        for (const CVector3& position : positions) {
            SCOPED_TRACE(std::string(view.name) + (position.x == 0 ? " at the origin" : " after a walk"));
            glClear(GL_COLOR_BUFFER_BIT);
            Camera.Position = position;
            Camera.Direction = view.direction;
            Camera.Up = view.up;
            DrawSkyBox();
            for (int q = 0; q < 4; ++q) {
                const Rgb expected = view.face < 0 ? Background : QuadrantColour(view.face, view.shown[q]);
                EXPECT_EQ(AsPixel(expected), gl.Pixel(QuadrantPixel[q][0], QuadrantPixel[q][1])) << "quadrant " << q;
            }
        }
    }
}

// Looking into a corner where two side faces meet the top face, the three
// faces close up: no pixel keeps the picture from before.
TEST_F(SkyBoxTest, FacesMeetWithoutGapsAtEverySeam) {
    // 44 degrees across: from a corner's direction, 35 degrees above the
    // horizon, the view sees no lower than 5 degrees above it.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.1, 0.1, -0.1, 0.1, 0.25, 10);
    glMatrixMode(GL_MODELVIEW);
    const Rgb faces[5] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {200, 200, 0}, {0, 200, 200}};
    for (int f = 0; f < 5; ++f) {
        LoadTestTexture(SkyTextures[f], dir_.File(std::string("day_") + SkyFaceSuffixes[f] + ".bmp"), 8, 8,
                        UniformPicture(faces[f]));
    }
    const float corners[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
    for (const auto& corner : corners) {
        SCOPED_TRACE("corner x " + std::to_string(corner[0]) + ", z " + std::to_string(corner[1]));
        glClear(GL_COLOR_BUFFER_BIT);
        Camera.Direction = CVector3(corner[0] * 0.57735027f, 0.57735027f, corner[1] * 0.57735027f);
        Camera.Up = CVector3(0, 1, 0);
        DrawSkyBox();
        const std::vector<uint8_t> picture = gl.Pixels();
        int gaps = 0;
        for (size_t i = 0; i < picture.size(); i += 3) {
            if (Rgb{picture[i], picture[i + 1], picture[i + 2]} == Background) ++gaps;
        }
        EXPECT_EQ(0, gaps) << "pixels that no face covers";
        // Above the centre, the top face.
        const std::array<uint8_t, 3> top = gl.Pixel(32, 56);
        EXPECT_EQ(AsPixel(faces[4]), top);
    }
}

// The faces as the program loads them: JPEG pictures under the world's
// folder, each with its mipmaps, which the faces' own minification filter
// needs (without them the faces would be untextured white). The front face
// is a large picture of 2048 x 2048.
TEST_F(SkyBoxTest, LoadsEveryFaceFromItsJpegWithMipmaps) {
    const Rgb faces[5] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {200, 200, 40}, {40, 200, 200}};
    ScratchDirectory world;
    std::filesystem::create_directories(world.File("TEXTURES/Sky"));
    for (int f = 0; f < 5; ++f) {
        const int size = f == 0 ? 2048 : 16;
        WriteTestPicture(world.File(std::string("TEXTURES/Sky/day_") + SkyFaceSuffixes[f] + ".jpg"), size, size,
                         UniformPicture(faces[f]));
    }
    {
        CurrentDirectory inWorld(world.Path());
        LoadSkyTextures();
    }
    const CVector3 directions[5] = {CVector3(0, 0, 1), CVector3(1, 0, 0), CVector3(0, 0, -1), CVector3(-1, 0, 0),
                                    CVector3(0, 1, 0)};
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE(SkyFaceSuffixes[f]);
        glClear(GL_COLOR_BUFFER_BIT);
        Camera.Direction = directions[f];
        Camera.Up = f == 4 ? CVector3(0, 0, 1) : CVector3(0, 1, 0);
        DrawSkyBox();
        // JPEG keeps a flat colour but for the rounding of its colour conversion.
        for (int q = 0; q < 4; ++q)
            EXPECT_TRUE(ColourNear(gl.Pixel(QuadrantPixel[q][0], QuadrantPixel[q][1]), faces[f], 1)) << "quadrant " << q;
    }
}

TEST_F(SkyBoxTest, LeavesTheStateTheTerrainReliesOn) {
    GLuint entry = 0;
    glGenTextures(1, &entry);
    glBindTexture(GL_TEXTURE_2D, entry);
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    Camera.Position = CVector3(500, 20, 700);
    Camera.Direction = CVector3(0.6f, 0, 0.8f);
    Camera.Up = CVector3(0, 1, 0);
    DrawSkyBox();

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_FALSE(depthWrites);
    GLint value = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(GL_DECAL, value);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLint>(SkyTextures[4].TextureName), value);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ((std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}),
              (std::array<GLfloat, 4>{colour[0], colour[1], colour[2], colour[3]}));
    // The eye stays at the origin: a rotation without translation.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(0.0f, m[12]);
    EXPECT_EQ(0.0f, m[13]);
    EXPECT_EQ(0.0f, m[14]);
    EXPECT_NEAR(-0.8f, m[0], 1e-6);  // screen right is Direction x Up = (-0.8, 0, 0.6)

    // The filter and wrap settings land on the texture bound on entry; the
    // faces keep OpenGL's own.
    const TextureSettings textures[] = {
        {"bound on entry", entry, GL_LINEAR, GL_LINEAR, GL_CLAMP},
        {"fr", SkyTextures[0].TextureName, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT},
        {"up", SkyTextures[4].TextureName, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT},
    };
    for (const TextureSettings& t : textures) ExpectTextureSettings(t);
    glDeleteTextures(1, &entry);
}

// The inset keeps the outermost 0.3 % of an image off the screen: of 1024
// texels, 3.07 on either side. A face image with a border 3 texels wide and a
// frame of one texel within it is seen from a view whose outermost face
// pixels lie a hair inside the face's edges: they must show the frame, the
// first texels the inset lets through, neither the border nor what lies
// further in.
TEST_F(SkyBoxTest, FaceEdgesShowTheFirstTexelsInsideTheInset) {
    constexpr int Size = 1024;
    const Rgb inside = {90, 140, 190};
    const Rgb frame = {20, 200, 60};
    const Rgb border = {250, 250, 0};
    LoadTestTexture(SkyTextures[0], dir_.File("day_fr.bmp"), Size, Size, [&](int x, int y) {
        if (x < 3 || y < 3 || x >= Size - 3 || y >= Size - 3) return border;
        if (x == 3 || y == 3 || x == Size - 4 || y == Size - 4) return frame;
        return inside;
    });
    glBindTexture(GL_TEXTURE_2D, SkyTextures[0].TextureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    // The face's edges fall at pixel coordinates 5.49 and 58.51, so pixels 5
    // and 58 (centres 5.5 and 58.5) show the face 0.02 % inside its edge.
    const double half = 0.25 / (1 - 5.49 / 32);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-half, half, -half, half, 0.25, 10);
    glMatrixMode(GL_MODELVIEW);
    Camera.Direction = CVector3(0, 0, 1);
    Camera.Up = CVector3(0, 1, 0);
    DrawSkyBox();
    for (int edge : {5, 58}) {
        EXPECT_EQ(AsPixel(frame), gl.Pixel(edge, 32)) << "column " << edge;
        EXPECT_EQ(AsPixel(frame), gl.Pixel(32, edge)) << "row " << edge;
    }
    EXPECT_EQ(AsPixel(inside), gl.Pixel(32, 32));
    // Below the face there is no bottom face, so the picture stays as it was.
    EXPECT_EQ(AsPixel(Background), gl.Pixel(32, 2));
}

}  // namespace
