#pragma once
// The heightmap terrain: a grid of elevation samples, 20 world units apart,
// with its ground and tree textures.
#include <cstdint>

#include "texture/texture.h"

struct TerrainCell {
    float Height;      // world units: pixel value x 0.78125
    int32_t Material;  // 0 mud, 1 rock, 2 stone
    int32_t HasTree;   // non-zero: a tree billboard stands here
};

struct TTerrain {
    int32_t MaterialCount = 3;
    CTexture* GroundTextures = nullptr;  // MaterialCount textures, by material
    float CellSize = 20.0f;
    int32_t Columns = 0;
    int32_t Rows = 0;
    float TileSize = 0.0f;  // world size of one repeat of a ground texture
    float TexStep = 0.0f;   // texture-coordinate increment per grid step
};

extern TTerrain Terrain;
extern TerrainCell* Cells;  // Rows x Columns, row-major; null until loaded
extern CTexture TreeTexture;

// The most grid points a heightmap may have; larger headers are refused
// before any pixel is read, leaving an empty grid.
constexpr int64_t MaxTerrainPoints = int64_t{1} << 28;

// Material thresholds on the pixel value.
constexpr int RockThreshold = 120;
constexpr int StoneThreshold = 150;

void LoadTerrain(const char* path);
// The ground and tree textures, LoadTerrain's last step.
void LoadTerrainTextures();
float GetHeight(float x, float z);
float GetTerrainSize();

inline const TerrainCell& CellAt(int32_t row, int32_t col) {
    return Cells[static_cast<int64_t>(row) * Terrain.Columns + col];
}
