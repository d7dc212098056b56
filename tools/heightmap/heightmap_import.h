#pragma once
// A world's heightmap made from a picture or an elevation model of the
// user's: read by the file's kind, voids filled, resized where asked, and
// scaled into an 8-bit map whose pixel values are its grey levels.
#include <FreeImage.h>

#include <cstdint>
#include <optional>
#include <string>

#include "terrain/terrain.h"
#include "tools/heightmap/height_levels.h"

// The most points an input may have: what the program itself takes.
constexpr uint64_t MaxImportPoints = static_cast<uint64_t>(MaxTerrainPoints);
// The longest side --size may ask for.
constexpr int MaxImportSide = 65536;

struct HeightmapImport {
    std::string Path;
    std::optional<int> LongerSide;      // resize so that the longer side has this many points
    std::optional<HeightRange> Heights;  // the heights that become 0 and 255; else the input's own range
};

// The map as an 8-bit picture with a grey palette (index = grey level), its
// top row the input's top row. Throws ImportError, with the reason, for an
// input that cannot be read or whose map the program would not take.
FIBITMAP* ImportHeightmap(const HeightmapImport& import);
