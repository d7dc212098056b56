#pragma once
// Heights from any picture FreeImage reads: grey levels as they are, 16-bit
// and 32-bit integer or floating-point samples (GeoTIFF elevation models) in
// their own units, colour by its luminance.
#include <string>

#include "tools/heightmap/elevation_grid.h"

// Throws ImportError for a file FreeImage does not read, a picture beyond what
// the import takes, or one whose samples are no heights.
ElevationGrid ReadPictureHeights(const std::string& path);
