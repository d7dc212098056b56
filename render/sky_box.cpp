#include "render/sky_box.h"

#include <GL/gl.h>

#include <string>

#include "camera/camera.h"
#include "terrain/set_camera.h"

CTexture SkyTextures[SkyFaceCount];
const char* const SkyFaceSuffixes[SkyFaceCount] = {"fr", "rt", "bk", "lf", "up"};

void LoadSkyTextures() {
    for (int i = 0; i < SkyFaceCount; ++i) {
        const std::string path = std::string("TEXTURES\\Sky\\day_") + SkyFaceSuffixes[i] + ".jpg";
        SkyTextures[i].Load(path.c_str(), false, true);
    }
}

void SetSkyBoxState() {
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    // These land on whatever texture is bound on entry, not on a sky face.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP));
}

void DrawSkyBox() {
    SetSkyBoxState();

    // Only the orientation counts: the sky never comes nearer.
    SetCamera(CVector3(), Camera.Direction, Camera.Up);

    for (int f = 0; f < SkyFaceCount; ++f) {
        SkyTextures[f].Bind();
        glBegin(GL_QUADS);
        for (int v = 0; v < 4; ++v) {
            glTexCoord2f(SkyTexS[v], SkyTexT[v]);
            glVertex3f(SkyVertices[f][v][0], SkyVertices[f][v][1], SkyVertices[f][v][2]);
        }
        glEnd();
    }
}
