#include "tests/support/scoped_terrain_grid.h"

#include <cstddef>

ScopedTerrainGrid::ScopedTerrainGrid(int32_t rows, int32_t columns, TerrainCell fill)
    : columns_(columns),
      cells_(static_cast<size_t>(rows) * static_cast<size_t>(columns), fill),
      previousCells_(Cells),
      previousRows_(Terrain.Rows),
      previousColumns_(Terrain.Columns) {
    Cells = cells_.empty() ? nullptr : cells_.data();
    Terrain.Rows = rows;
    Terrain.Columns = columns;
}

ScopedTerrainGrid::~ScopedTerrainGrid() {
    Cells = previousCells_;
    Terrain.Rows = previousRows_;
    Terrain.Columns = previousColumns_;
}

TerrainCell& ScopedTerrainGrid::At(int32_t row, int32_t col) {
    return cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(col)];
}
