#pragma once
// The full-detail terrain: a depth pass, one blended pass per ground
// material, and a tree billboard on every grid point.
#include <cstdint>

#include "camera/vector3.h"

// -1 is the depth pass; 0 .. MaterialCount - 1 are the material passes.
extern int32_t CurrentPass;

// Clears the depth buffer, then draws full detail or, with lod, the rings.
void DrawTerrain(const CVector3& position, bool lod);
void DrawTerrainFull();
// Emits (inside glBegin(GL_TRIANGLES)) the two triangles of the block from
// grid point (row, col) to (row + step, col + step).
void DrawCell(int32_t row, int32_t col, int32_t step, float texScale);
// Emits (inside glBegin(GL_QUADS)) the six quads of one tree.
void DrawTree(const CVector3& base);
