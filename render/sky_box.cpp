#include "render/sky_box.h"

#include <GL/gl.h>

#include <string>

#include "camera/camera.h"
#include "terrain/set_camera.h"

CTexture SkyTextures[5];
const char* const SkyFaceSuffixes[5] = {"fr", "rt", "bk", "lf", "up"};

namespace {

constexpr int SkyFaces = 5;

// Five faces of the cube of half-size 1 around the eye, in the order of
// SkyTextures; there is no bottom face.
constexpr float SkyVertices[SkyFaces][4][3] = {
    {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},        // fr, z = +1
    {{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}},        // rt, x = +1
    {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}},    // bk, z = -1
    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}},    // lf, x = -1
    {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},        // up, y = +1
};

// Keeps every face just inside its image, away from the edge texels.
constexpr float SkyTexInset = 0.003f;

}  // namespace

void LoadSkyTextures() {
    for (int i = 0; i < SkyFaces; ++i) {
        const std::string path = std::string("TEXTURES\\Sky\\day_") + SkyFaceSuffixes[i] + ".jpg";
        SkyTextures[i].Load(path.c_str(), false, true);
    }
}

void DrawSkyBox() {
    const float low = SkyTexInset;
    const float high = 1.0f - SkyTexInset;
    const float s[4] = {low, high, high, low};
    const float t[4] = {low, low, high, high};

    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    // These land on whatever texture is bound on entry, not on a sky face.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP));

    // Only the orientation counts: the sky never comes nearer.
    SetCamera(CVector3(), Camera.Direction, Camera.Up);

    for (int f = 0; f < SkyFaces; ++f) {
        SkyTextures[f].Bind();
        glBegin(GL_QUADS);
        for (int v = 0; v < 4; ++v) {
            glTexCoord2f(s[v], t[v]);
            glVertex3f(SkyVertices[f][v][0], SkyVertices[f][v][1], SkyVertices[f][v][2]);
        }
        glEnd();
    }
}
