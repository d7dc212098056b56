#pragma once
// The full-detail terrain: a depth pass, one blended pass per ground
// material, and a tree billboard on every grid point.
#include <cstdint>

#include "camera/vector3.h"
#include "terrain/draw_cell.h"

// Clears the depth buffer, then draws full detail or, with lod, the rings.
void DrawTerrain(const CVector3& position, bool lod);
void DrawTerrainFull();
// Emits (inside glBegin(GL_QUADS)) the six quads of one tree.
void DrawTree(const CVector3& base);
