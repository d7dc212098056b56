#pragma once
// DrawCell: where a square of the grid becomes two triangles, for the
// full-detail and the ring renderers alike.
#include <GL/gl.h>

#include <cstdint>

#include "terrain/terrain.h"

// The pass that DrawCell emits for: -1 is the depth pass, 0 ..
// MaterialCount - 1 are the material passes.
extern int32_t CurrentPass;

// i x scale, formed in double and stored as float32.
inline float ScaledIndex(int32_t i, float scale) {
    return static_cast<float>(static_cast<double>(i) * static_cast<double>(scale));
}

// A vertex's alpha in CurrentPass: 1 at every point in the depth pass, at
// the points of the pass's own material otherwise.
inline float PassAlpha(int32_t material) { return (CurrentPass == -1 || material == CurrentPass) ? 1.0f : 0.0f; }

// Where DrawCell's vertices go: to OpenGL, colour first, then texture
// coordinate, then position.
struct SendTerrainVertex {
    void operator()(float a, float s, float t, float x, float y, float z) const {
        glColor4f(0.0f, 0.0f, 0.0f, a);
        glTexCoord2f(s, t);
        glVertex3f(x, y, z);
    }
};

// The two triangles over the square block from grid point (row, col) to
// (row + step, col + step), inside the caller's glBegin(GL_TRIANGLES); both
// share the diagonal from P00 to P11, the split GetHeight interpolates on.
// Nothing unless all four corners are grid points.
template <typename Sink = SendTerrainVertex>
inline void DrawCell(int32_t row, int32_t col, int32_t step, float texScale, Sink&& sink = Sink{}) {
    const int64_t lastRow = static_cast<int64_t>(row) + step;
    const int64_t lastCol = static_cast<int64_t>(col) + step;
    if (!Cells || row < 0 || col < 0 || step < 0 || lastRow >= Terrain.Rows || lastCol >= Terrain.Columns) return;
    const TerrainCell* low = &CellAt(row, col);
    const TerrainCell* high = &CellAt(static_cast<int32_t>(lastRow), col);
    const TerrainCell& p00 = low[0];
    const TerrainCell& p01 = low[step];
    const TerrainCell& p10 = high[0];
    const TerrainCell& p11 = high[step];
    const float cellSize = Terrain.CellSize;
    const float x0 = ScaledIndex(col, cellSize);
    const float z0 = ScaledIndex(row, cellSize);
    const float d = ScaledIndex(step, cellSize);
    const float s0 = ScaledIndex(col, texScale);
    const float t0 = ScaledIndex(row, texScale);
    const float ds = ScaledIndex(step, texScale);
    const float x1 = x0 + d;
    const float z1 = z0 + d;
    const float s1 = s0 + ds;
    const float t1 = t0 + ds;
    const float a00 = PassAlpha(p00.Material);
    const float a11 = PassAlpha(p11.Material);
    sink(a00, s0, t0, x0, p00.Height, z0);
    sink(PassAlpha(p01.Material), s1, t0, x1, p01.Height, z0);
    sink(a11, s1, t1, x1, p11.Height, z1);
    sink(a00, s0, t0, x0, p00.Height, z0);
    sink(PassAlpha(p10.Material), s0, t1, x0, p10.Height, z1);
    sink(a11, s1, t1, x1, p11.Height, z1);
}
