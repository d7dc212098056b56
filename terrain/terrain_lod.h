#pragma once
// The ring level of detail: a full-resolution block around the camera and
// rings of ever coarser blocks around it.
#include <cstdint>
#include <functional>

#include "camera/vector3.h"

void DrawTerrainLod(const CVector3& position);

// A block: rowCount x colCount squares of step x step cells from grid point
// (row0, col0). Returns whether the block was taken.
using RingBlock = std::function<bool(int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step)>;
// Hands the blocks around position to block in drawing order: the centre
// block, then ring after ring, until a ring's block is not taken.
void WalkRings(const CVector3& position, const RingBlock& block);
// Whether all the block's grid points exist.
bool BlockFits(int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step);
// Draws the block only whole, and only if all its grid points exist.
bool DrawBlock(int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step);
