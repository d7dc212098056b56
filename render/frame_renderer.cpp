#include "render/frame_renderer.h"

#include <GL/gl.h>

#include <cmath>

#include "app/screen_size.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "camera/vector3.h"
#include "render/gl_context.h"
#include "render/sky_box.h"
#include "terrain/set_camera.h"
#include "terrain/terrain.h"
#include "terrain/terrain_renderer.h"

namespace {

constexpr float NearDistance = 0.25f;
constexpr float FogDensity = 0.001f;
constexpr GLfloat FogColour[4] = {0.1f, 0.1f, 0.1f, 1.0f};
constexpr double Pi = 3.141592653589793;

// The channels one eye writes: a single colour channel by its code, and
// alpha always.
void SetEyeColourMask(int32_t code) {
    switch (code) {
        case 1:
            glColorMask(GL_TRUE, GL_FALSE, GL_FALSE, GL_TRUE);
            break;
        case 2:
            glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
            break;
        case 3:
            glColorMask(GL_FALSE, GL_FALSE, GL_TRUE, GL_TRUE);
            break;
        default:
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
            break;
    }
}

void DrawScene(const CVector3& eye, bool lod) {
    DrawSkyBox();
    SetCamera(eye, Camera.Direction, Camera.Up);
    // The rings follow the camera, not either eye.
    DrawTerrain(Camera.Position, lod);
}

}  // namespace

bool SetFrameView() {
    glViewport(0, 0, ScreenWidth, ScreenHeight);
    // Without a client area (a minimised window) there is no aspect ratio to
    // project with and nothing would be seen.
    if (ScreenWidth <= 0 || ScreenHeight < 0) return false;
    const float nearPlane = NearDistance;
    const float farPlane = GetTerrainSize();
    const float halfWidth = static_cast<float>(nearPlane * std::tan(Settings.Fov * Pi / 360.0));
    const float halfHeight =
        static_cast<float>(static_cast<double>(ScreenHeight) * halfWidth / static_cast<double>(ScreenWidth));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Refused (identity kept) for farPlane 0 or halfHeight 0.
    glFrustum(-halfWidth, halfWidth, -halfHeight, halfHeight, nearPlane, farPlane);

    glPolygonMode(GL_FRONT_AND_BACK, Settings.Wireframe != 0 ? GL_LINE : GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    return true;
}

void RenderFrame() {
    GlContext.BeginFrame();
    // Without a client area the frame is only presented.
    if (SetFrameView()) {
        if (Settings.Fog != 0) {
            glFogf(GL_FOG_DENSITY, FogDensity);
            glFogfv(GL_FOG_COLOR, FogColour);
            glEnable(GL_FOG);
        }

        const bool lod = Settings.Lod != 0;
        if (Settings.Stereo != 0) {
            const CVector3 offset = Cross(Camera.Direction, Camera.Up) * StereoBase;
            SetEyeColourMask(Settings.LColor);
            DrawScene(Camera.Position - offset, lod);
            SetEyeColourMask(Settings.RColor);
            DrawScene(Camera.Position + offset, lod);
        } else {
            DrawScene(Camera.Position, lod);
        }

        glDisable(GL_FOG);
    }

    GlContext.EndFrame();
}
