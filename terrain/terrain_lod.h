#pragma once
// The ring level of detail: a full-resolution block around the camera and
// rings of ever coarser blocks around it.
#include <cstdint>

#include "camera/vector3.h"

void DrawTerrainLod(const CVector3& position);
// Draws the block only whole, and only if all its grid points exist.
bool DrawBlock(int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step);
