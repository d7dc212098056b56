#pragma once
// A terrain grid owned by a test and installed as the global grid for the
// test's lifetime; the previous grid comes back afterwards.
#include <cstdint>
#include <vector>

#include "terrain/terrain.h"

class ScopedTerrainGrid {
public:
    ScopedTerrainGrid(int32_t rows, int32_t columns, TerrainCell fill = TerrainCell{0.0f, 0, 0});
    ~ScopedTerrainGrid();
    ScopedTerrainGrid(const ScopedTerrainGrid&) = delete;
    ScopedTerrainGrid& operator=(const ScopedTerrainGrid&) = delete;

    TerrainCell& At(int32_t row, int32_t col);

private:
    int32_t columns_;
    std::vector<TerrainCell> cells_;
    TerrainCell* previousCells_;
    int32_t previousRows_;
    int32_t previousColumns_;
};
