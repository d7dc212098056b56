#pragma once
// Filling the voids of an elevation model (points with no value) from their
// neighbours, so that a hole in the survey becomes a smooth patch of ground
// instead of a pit.
#include <cstddef>

#include "tools/heightmap/elevation_grid.h"

// Fills every void, working inwards from the holes' edges: each point takes
// the mean of its known neighbours (of eight), those filled before it
// included. The number of points filled. A grid with no known point at all is
// left as it is.
size_t FillVoids(ElevationGrid& grid);
