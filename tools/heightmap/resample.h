#pragma once
// Resizing an elevation grid to a given number of points on its longer side,
// keeping its proportions and orientation.
#include "tools/heightmap/elevation_grid.h"

// The size a grid of width x height takes when its longer side gets
// longerSide points: the shorter side scales alike, rounded, at least 1.
struct GridSize {
    int Width = 0;
    int Height = 0;
};
GridSize ResampledSize(int width, int height, int longerSide);

// The grid (without voids) at that size. Each axis shrinks by averaging the
// input points an output point covers (a partly covered point counts by the
// part covered) and grows by linear interpolation between point centres.
ElevationGrid Resample(const ElevationGrid& grid, int longerSide);
