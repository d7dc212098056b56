#include "terrain/terrain_lod.h"

#include <GL/gl.h>

#include <limits>

#include "terrain/draw_cell.h"
#include "terrain/terrain.h"

namespace {

// Every block size is a multiple of this many squares of its ring's step.
constexpr int64_t RingUnit = 5;

bool FitsInt32(int64_t v) {
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// A block whose corner lies beyond 32 bits cannot lie inside any grid.
bool TryBlock(const RingBlock& block, int64_t row0, int64_t col0, int64_t rowCount, int64_t colCount, int64_t step) {
    if (!FitsInt32(row0) || !FitsInt32(col0) || !FitsInt32(step)) return false;
    return block(static_cast<int32_t>(row0), static_cast<int32_t>(col0), static_cast<int32_t>(rowCount),
                 static_cast<int32_t>(colCount), static_cast<int32_t>(step));
}

// coordinate / CellSize truncated toward zero; false where the quotient is
// no number or lies outside 32 bits, so that no grid point is near it.
bool GridIndex(float coordinate, int32_t& index) {
    const double q = static_cast<double>(coordinate) / static_cast<double>(Terrain.CellSize);
    if (!(q > -2147483649.0 && q < 2147483648.0)) return false;
    index = static_cast<int32_t>(q);
    return true;
}

}  // namespace

bool BlockFits(int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step) {
    return Cells && step >= 0 && row0 >= 0 && col0 >= 0 &&
           static_cast<int64_t>(row0) + static_cast<int64_t>(rowCount) * step < Terrain.Rows &&
           static_cast<int64_t>(col0) + static_cast<int64_t>(colCount) * step < Terrain.Columns;
}

bool DrawBlock(int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step) {
    if (!BlockFits(row0, col0, rowCount, colCount, step)) return false;

    glBegin(GL_TRIANGLES);
    for (int32_t i = 0; i < colCount; ++i) {
        const int32_t c = col0 + i * step;
        for (int32_t j = 0; j < rowCount; ++j) DrawCell(row0 + j * step, c, step, Terrain.TexStep);
    }
    glEnd();
    return true;
}

void DrawTerrainLod(const CVector3& position) { WalkRings(position, DrawBlock); }

void WalkRings(const CVector3& position, const RingBlock& block) {
    int32_t column = 0;
    int32_t row = 0;
    if (!GridIndex(position.x, column) || !GridIndex(position.z, row)) return;
    const int64_t b = column;
    const int64_t d = row;
    const int64_t u = RingUnit;

    // The rings are tried whether or not the centre block fitted.
    TryBlock(block, d - u, b - u, 2 * u, 2 * u, 1);
    // Each ring doubles the step; the first block that does not fit ends the
    // drawing. Strip A starts at row d - 10e, so it fails long before e
    // could leave 64 bits.
    for (int64_t e = 1;; e *= 2) {
        if (!TryBlock(block, d - 2 * u * e, b - 2 * u * e, u, 4 * u, e)) return;  // A, low rows
        if (!TryBlock(block, d + u * e, b - 2 * u * e, u, 4 * u, e)) return;      // B, high rows
        if (!TryBlock(block, d - u * e, b - 2 * u * e, 2 * u, u, e)) return;      // C, low columns
        if (!TryBlock(block, d - u * e, b + u * e, 2 * u, u, e)) return;          // D, high columns
    }
}
