#pragma once
// The square 16-bit heightmaps (.raw, .r16) that game-engine terrain tools
// export: unsigned little-endian values, top row first, no header, so the
// side follows from the file's size.
#include <string>

#include "tools/heightmap/elevation_grid.h"

// Throws ImportError for a size that is no square of 16-bit points, one
// beyond what the import takes, or a file that cannot be read.
ElevationGrid ReadRaw16Heightmap(const std::string& path);
