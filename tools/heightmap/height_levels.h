#pragma once
// Elevations to the map's pixel values: a straight line from the lowest
// height (0) to the highest (255).
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/heightmap/elevation_grid.h"

// The heights, in the input's own units, that become pixel values 0 and 255;
// Low < High. Heights outside are clamped to them.
struct HeightRange {
    double Low = 0.0;
    double High = 0.0;
};

// The grid's lowest and highest values; the grid holds no voids.
HeightRange RangeOf(const ElevationGrid& grid);

// One pixel value per point, in the grid's order, scaled over range. A range
// whose ends meet (a flat input) gives 0 everywhere.
std::vector<uint8_t> ToLevels(const ElevationGrid& grid, const HeightRange& range);
