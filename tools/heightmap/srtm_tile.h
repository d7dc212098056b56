#pragma once
// SRTM elevation tiles (.hgt): a square of 1201 or 3601 points a side (3 or
// 1 arc-second), big-endian signed 16-bit metres, north row first, -32768
// where the survey has no value.
#include <string>

#include "tools/heightmap/elevation_grid.h"

// Throws ImportError for a file of any other size or one that cannot be read.
ElevationGrid ReadSrtmTile(const std::string& path);
