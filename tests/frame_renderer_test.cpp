#include "render/frame_renderer.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/screen_size.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"
#include "tests/support/global_textures.h"
#include "tests/support/null_gl_window.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/scoped_terrain_grid.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/test_pictures.h"

namespace {

const std::vector<std::string> OneFrame = {"GetDC", "MakeCurrent", "SwapBuffers", "ReleaseDC"};

void ClearTo(Rgb c) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::array<uint8_t, 3> AsPixel(Rgb c) { return {c[0], c[1], c[2]}; }

std::array<GLfloat, 16> CurrentMatrix(GLenum which) {
    std::array<GLfloat, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

void ExpectMatrixNear(const std::array<GLfloat, 16>& expected, const std::array<GLfloat, 16>& actual) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected[i], actual[i], 1e-6 * (1 + std::fabs(expected[i]))) << "element " << i;
}

class FrameRendererTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        savedSettings_ = Settings;
        savedStereoBase_ = StereoBase;
        savedCamera_ = Camera;
        savedWidth_ = ScreenWidth;
        savedHeight_ = ScreenHeight;
        Settings = TSettings{};
        StereoBase = 0.2f;
        ScreenWidth = gl.Width();
        ScreenHeight = gl.Height();
        Camera = TCamera{};
        Camera.Direction = CVector3(0, 0, 1);
        Camera.Up = CVector3(0, 1, 0);
        ASSERT_NE(nullptr, Terrain.GroundTextures);
    }
    void TearDown() override {
        FreeGlobalTextures();
        Settings = savedSettings_;
        StereoBase = savedStereoBase_;
        Camera = savedCamera_;
        ScreenWidth = savedWidth_;
        ScreenHeight = savedHeight_;
    }

    void LoadMud(Rgb colour) {
        LoadTestTexture(Terrain.GroundTextures[0], dir_.File("mud.bmp"), 8, 8, UniformPicture(colour));
    }
    void LookDownFrom(CVector3 position) {
        Camera.Position = position;
        Camera.Direction = CVector3(0, -1, 0);
        Camera.Up = CVector3(0, 0, 1);
    }

    ScopedNullGlWindow window_;
    ScratchDirectory dir_;

private:
    TSettings savedSettings_;
    float savedStereoBase_ = 0;
    TCamera savedCamera_;
    int32_t savedWidth_ = 0;
    int32_t savedHeight_ = 0;
};

TEST_F(FrameRendererTest, ProjectionFollowsTheHorizontalFieldOfView) {
    struct Case {
        const char* name;
        int32_t width, height;
        float fov;
        int32_t columns;
        double halfWidth, halfHeight, far;
    };
    const Case cases[] = {
        {"1024 x 768 at 120 degrees", 1024, 768, 120, 256, 0.4330127, 0.3247595, 5120},
        {"square at 90 degrees", 64, 64, 90, 10, 0.25, 0.25, 200},
        {"portrait at 120 degrees", 768, 1024, 120, 300, 0.4330127, 0.5773503, 6000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTerrainGrid grid(2, c.columns);
        ScreenWidth = c.width;
        ScreenHeight = c.height;
        Settings.Fov = c.fov;
        ScopedNullGlWindow::Calls.clear();
        RenderFrame();
        EXPECT_EQ(OneFrame, ScopedNullGlWindow::Calls);

        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ((std::array<GLint, 4>{0, 0, c.width, c.height}),
                  (std::array<GLint, 4>{viewport[0], viewport[1], viewport[2], viewport[3]}));
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(GL_MODELVIEW, mode);
        const std::array<GLfloat, 16> projection = CurrentMatrix(GL_PROJECTION_MATRIX);

        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-c.halfWidth, c.halfWidth, -c.halfHeight, c.halfHeight, 0.25, c.far);
        ExpectMatrixNear(CurrentMatrix(GL_PROJECTION_MATRIX), projection);
        glMatrixMode(GL_MODELVIEW);
    }
}

TEST_F(FrameRendererTest, ModesOfTheFrame) {
    ScopedTerrainGrid grid(2, 2);
    glDisable(GL_TEXTURE_2D);
    glFogf(GL_FOG_DENSITY, 0.5f);
    const GLfloat blue[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, blue);

    RenderFrame();
    GLint polygonMode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(GL_FILL, polygonMode[0]);
    EXPECT_EQ(GL_FILL, polygonMode[1]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    // Fog off: its parameters stay untouched.
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    GLfloat density = 0;
    glGetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_EQ(0.5f, density);
    GLboolean mask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);

    Settings.Wireframe = 1;
    Settings.Fog = 1;
    RenderFrame();
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(GL_LINE, polygonMode[0]);
    EXPECT_EQ(GL_LINE, polygonMode[1]);
    // Fog on: set up for the frame, off again at its end.
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    glGetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_EQ(0.001f, density);
    GLfloat colour[4] = {};
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_EQ((std::array<GLfloat, 4>{0.1f, 0.1f, 0.1f, 1.0f}),
              (std::array<GLfloat, 4>{colour[0], colour[1], colour[2], colour[3]}));
    GLint fogMode = 0;
    glGetIntegerv(GL_FOG_MODE, &fogMode);
    EXPECT_EQ(GL_EXP, fogMode);
}

// Looking straight down from 1000 above flat ground, every fragment is 1000
// from the eye plane and keeps e^-1 of its colour. Fog applies to the depth
// pass too: its black takes (1 - e^-1) of the fog colour, and the mud pass
// adds its own fogged colour on top of that. In stereo each eye writes its
// own channel, and both are fogged; blue, written by neither, stays black.
TEST_F(FrameRendererTest, FogFadesTheGroundByItsDistanceInEveryEye) {
    const Rgb mud = {200, 100, 50};
    LoadMud(mud);
    ScopedTerrainGrid grid(64, 64);  // far plane 1280
    Settings.Fog = 1;
    Settings.Fov = 20;               // the view spans 350 units of ground
    LookDownFrom(CVector3(630, 1000, 630));

    const double kept = std::exp(-1.0);
    const double fog = 0.1 * 255;
    Rgb fogged{};
    for (int i = 0; i < 3; ++i)
        fogged[i] = static_cast<uint8_t>(std::lround(mud[i] * kept + 2 * fog * (1 - kept)));
    // (105.8, 69.0, 50.6)
    for (int32_t stereo : {0, 1}) {
        SCOPED_TRACE(stereo ? "stereo, red left and green right" : "one eye");
        Settings.Stereo = stereo;
        ClearTo({0, 0, 0});
        RenderFrame();
        const Rgb expected = stereo ? Rgb{fogged[0], fogged[1], 0} : fogged;
        // One level for the rounding of each of the two passes.
        for (int p : {8, 32, 56}) EXPECT_TRUE(ColourNear(gl.Pixel(p, p), expected, 1)) << "pixel " << p;
    }

    Settings.Stereo = 0;
    Settings.Fog = 0;
    ClearTo({0, 0, 0});
    RenderFrame();
    EXPECT_EQ(AsPixel(mud), gl.Pixel(32, 32));
}

// Looking down from 1 above the ground's x = 0 edge: the left eye stands at
// x = +0.2 and sees ground up to 11 pixels right of the centre, the right eye
// at x = -0.2 only up to 11 pixels left of it. There is no sky below, so what
// neither eye draws keeps the colour it had.
TEST_F(FrameRendererTest, StereoWritesEachEyeThroughItsColourMask) {
    const Rgb mud = {200, 100, 50};
    const Rgb before = {10, 20, 30};
    LoadMud(mud);
    ScopedTerrainGrid grid(2, 2);
    Settings.Stereo = 1;
    Settings.Fov = 60;
    LookDownFrom(CVector3(0, 1, 10));

    struct Case {
        int32_t left, right;
        Rgb bothEyes, leftEyeOnly;
        std::array<GLboolean, 4> maskAfter;
    };
    const Case cases[] = {
        {1, 2, {200, 100, 30}, {200, 20, 30}, {GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE}},
        {2, 1, {200, 100, 30}, {10, 100, 30}, {GL_TRUE, GL_FALSE, GL_FALSE, GL_TRUE}},
        {3, 3, {10, 20, 50}, {10, 20, 50}, {GL_FALSE, GL_FALSE, GL_TRUE, GL_TRUE}},
        {1, 1, {200, 20, 30}, {200, 20, 30}, {GL_TRUE, GL_FALSE, GL_FALSE, GL_TRUE}},
        // A code outside 1 to 3 writes no colour at all.
        {0, 2, {10, 100, 30}, {10, 20, 30}, {GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE}},
        {7, -1, before, before, {GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("codes " + std::to_string(c.left) + " and " + std::to_string(c.right));
        Settings.LColor = c.left;
        Settings.RColor = c.right;
        ClearTo(before);
        RenderFrame();
        EXPECT_EQ(AsPixel(c.bothEyes), gl.Pixel(10, 32));
        EXPECT_EQ(AsPixel(c.leftEyeOnly), gl.Pixel(32, 32));
        EXPECT_EQ(AsPixel(before), gl.Pixel(54, 32));
        GLboolean mask[4] = {};
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        EXPECT_EQ(c.maskAfter, (std::array<GLboolean, 4>{mask[0], mask[1], mask[2], mask[3]}));
    }
}

TEST_F(FrameRendererTest, WithoutStereoTheEyeIsTheCamera) {
    const Rgb mud = {200, 100, 50};
    const Rgb before = {10, 20, 30};
    LoadMud(mud);
    ScopedTerrainGrid grid(2, 2);
    Settings.Fov = 60;
    LookDownFrom(CVector3(0, 1, 10));
    ClearTo(before);
    RenderFrame();
    // The ground's edge x = 0 runs through the centre of the picture.
    EXPECT_EQ(AsPixel(mud), gl.Pixel(28, 32));
    EXPECT_EQ(AsPixel(before), gl.Pixel(35, 32));
    GLboolean mask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
}

// On an 11 x 11 grid only the centre block fits, and only around column 5.
// The camera at x = 100.1 is in column 5, its right eye at x = 99.9 in column
// 4: both eyes must draw the rings around the camera.
TEST_F(FrameRendererTest, RingsFollowTheCameraNotTheEyes) {
    const Rgb up = {40, 170, 220};
    const Rgb before = {10, 20, 30};
    LoadTestTexture(SkyTextures[4], dir_.File("day_up.bmp"), 8, 8, UniformPicture(up));
    ScopedTerrainGrid grid(11, 11);
    Settings.Stereo = 1;
    Settings.Lod = 1;
    Settings.Fov = 60;
    LookDownFrom(CVector3(100.1f, 50, 100));
    ClearTo(before);
    RenderFrame();
    // Ring mode shows the sky's top face on the ground: red from the left
    // eye. Before the right eye, its sky box has put GL_CLAMP on that texture,
    // and the ground's texture coordinates (0.4 per grid step, here 1.4 to
    // 2.6) lie beyond 1: linear filtering takes half the edge texel and half
    // the black border each way, a quarter of the colour: green 42.5.
    for (int p : {8, 32, 56}) {
        const std::array<uint8_t, 3> pixel = gl.Pixel(p, p);
        EXPECT_EQ(up[0], pixel[0]) << "pixel " << p;
        EXPECT_NEAR(up[1] / 4.0, pixel[1], 1) << "pixel " << p;
        EXPECT_EQ(before[2], pixel[2]) << "pixel " << p;
    }
}

TEST_F(FrameRendererTest, EmptyClientAreaOrGridRaisesNothing) {
    struct Case {
        const char* name;
        int32_t width, height, columns;
        bool projectionIdentity;  // else: left as it was
    };
    const Case cases[] = {
        {"zero width", 0, 64, 2, false},
        {"negative width", -3, 64, 2, false},
        {"zero width and height", 0, 0, 2, false},
        // OpenGL refuses a frustum with bottom == top, or with far 0.
        {"zero height", 64, 0, 2, true},
        {"empty grid", 64, 64, 0, true},
    };
    const Rgb before = {10, 20, 30};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTerrainGrid grid(c.columns, c.columns);
        ScreenWidth = c.width;
        ScreenHeight = c.height;
        glViewport(0, 0, 64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2, 2, -2, 2, -2, 2);
        const std::array<GLfloat, 16> earlier = CurrentMatrix(GL_PROJECTION_MATRIX);
        glMatrixMode(GL_MODELVIEW);
        ClearTo(before);
        ScopedNullGlWindow::Calls.clear();

        RenderFrame();
        EXPECT_EQ(OneFrame, ScopedNullGlWindow::Calls);
        const std::array<GLfloat, 16> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        EXPECT_EQ(c.projectionIdentity ? identity : earlier, CurrentMatrix(GL_PROJECTION_MATRIX));
        EXPECT_FALSE(glIsEnabled(GL_FOG));
        if (c.width <= 0) {
            EXPECT_EQ(AsPixel(before), gl.Pixel(32, 32));
        }
        while (glGetError() != GL_NO_ERROR) {
        }
    }
}

}  // namespace
