#pragma once
// The vertices of one terrain square, shared by the full-detail and ring
// renderers. Callers have opened glBegin(GL_TRIANGLES) and checked that the
// square's corners are grid points; everything per row is worked out by them.
#include <GL/gl.h>

#include <cstdint>

#include "terrain/terrain.h"

// i x scale, formed in double and stored as float32.
inline float ScaledIndex(int32_t i, float scale) {
    return static_cast<float>(static_cast<double>(i) * static_cast<double>(scale));
}

// The vertex alpha of a pass: 1 at every point in the depth pass (-1), at
// the points of the pass's own material otherwise.
struct PassAlpha {
    int32_t Pass;
    bool Every;
    static PassAlpha ForPass(int32_t pass) { return PassAlpha{pass, pass == -1}; }
    float operator()(int32_t material) const { return (Every || material == Pass) ? 1.0f : 0.0f; }
};

inline void EmitTerrainVertex(float a, float s, float t, float x, float y, float z) {
    glColor4f(0.0f, 0.0f, 0.0f, a);
    glTexCoord2f(s, t);
    glVertex3f(x, y, z);
}

// The two triangles over the square whose low corner is *low and whose
// corner step rows further on is *high; x0, z0, s0, t0 belong to *low, d and
// ds are the square's size in world units and texture coordinates.
inline void EmitCell(const TerrainCell* low, const TerrainCell* high, int32_t step, float x0, float z0, float s0,
                     float t0, float d, float ds, PassAlpha alpha) {
    const TerrainCell& p00 = low[0];
    const TerrainCell& p01 = low[step];
    const TerrainCell& p10 = high[0];
    const TerrainCell& p11 = high[step];
    const float x1 = x0 + d;
    const float z1 = z0 + d;
    const float s1 = s0 + ds;
    const float t1 = t0 + ds;
    const float a00 = alpha(p00.Material);
    const float a11 = alpha(p11.Material);
    EmitTerrainVertex(a00, s0, t0, x0, p00.Height, z0);
    EmitTerrainVertex(alpha(p01.Material), s1, t0, x1, p01.Height, z0);
    EmitTerrainVertex(a11, s1, t1, x1, p11.Height, z1);
    EmitTerrainVertex(a00, s0, t0, x0, p00.Height, z0);
    EmitTerrainVertex(alpha(p10.Material), s0, t1, x0, p10.Height, z1);
    EmitTerrainVertex(a11, s1, t1, x1, p11.Height, z1);
}
