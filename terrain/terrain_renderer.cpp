#include "terrain/terrain_renderer.h"

#include <GL/gl.h>

#include <cmath>
#include <cstddef>

#include "terrain/terrain.h"
#include "terrain/terrain_lod.h"

int32_t CurrentPass = 0;

namespace {

constexpr float TreeHalfWidth = 2.0f;
constexpr double TwoPi = 6.283185307179586;

}  // namespace

TreeSpokes::TreeSpokes() {
    for (int k = 0; k < TreeQuads; ++k) {
        const float angle = static_cast<float>(k * TwoPi / TreeQuads);
        Dx[k] = static_cast<float>(TreeHalfWidth * std::cos(static_cast<double>(angle)));
        Dz[k] = static_cast<float>(TreeHalfWidth * std::sin(static_cast<double>(angle)));
    }
}
const TreeSpokes Spokes;

namespace {

// One triangle pass over the whole grid at full resolution.
void DrawGridPass() {
    const float texStep = Terrain.TexStep;
    for (int32_t r = 0; r + 1 < Terrain.Rows; ++r) {
        for (int32_t c = 0; c + 1 < Terrain.Columns; ++c) DrawCell(r, c, 1, texStep);
    }
}

void DrawTrees() {
    const int32_t rows = Terrain.Rows;
    const int32_t columns = Terrain.Columns;
    if (!Cells || rows < 2 || columns < 2) return;
    const float cellSize = Terrain.CellSize;
    for (int32_t r = 0; r + 1 < rows; ++r) {
        const TerrainCell* row = Cells + static_cast<ptrdiff_t>(r) * columns;
        const float z = ScaledIndex(r, cellSize);
        for (int32_t c = 0; c + 1 < columns; ++c) {
            if (row[c].HasTree != 0) DrawTree(CVector3(ScaledIndex(c, cellSize), row[c].Height, z));
        }
    }
}

}  // namespace

void SetTerrainDepthState() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // The clear honours the depth mask, which the sky box left off.
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void DrawTerrain(const CVector3& position, bool lod) {
    SetTerrainDepthState();
    if (lod) {
        DrawTerrainLod(position);
    } else {
        DrawTerrainFull();
    }
}

void SetPassState(int32_t pass) {
    if (pass == -1) {
        // Every pass shows its texels unaltered by the vertex colour.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
    } else {
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        // Destination alpha reads as 1, so each pass adds texel x its weight.
        glBlendFunc(GL_SRC_ALPHA, GL_DST_ALPHA);
        glEnable(GL_TEXTURE_2D);
        if (Terrain.GroundTextures) Terrain.GroundTextures[pass].Bind();
    }
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
}

void SetTreeState() {
    glEnable(GL_TEXTURE_2D);
    TreeTexture.Bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void DrawTerrainFull() {
    for (CurrentPass = -1; CurrentPass < Terrain.MaterialCount; ++CurrentPass) {
        SetPassState(CurrentPass);
        glBegin(GL_TRIANGLES);
        DrawGridPass();
        glEnd();
    }

    SetTreeState();
    glBegin(GL_QUADS);
    DrawTrees();
    glEnd();
    glDisable(GL_BLEND);
}

void DrawTree(const CVector3& base) {
    const float top = TreeTop(base.y);
    const float bottom = TreeBottom(base.y);
    for (int k = 0; k < TreeQuads; ++k) {
        const float dx = Spokes.Dx[k];
        const float dz = Spokes.Dz[k];
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(base.x - dx, top, base.z - dz);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(base.x + dx, top, base.z + dz);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(base.x + dx, bottom, base.z + dz);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(base.x - dx, bottom, base.z - dz);
    }
}
