#include "tools/heightmap/raw16_heightmap.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/heightmap/file_bytes.h"
#include "tools/heightmap/heightmap_import.h"
#include "tools/heightmap/import_error.h"

ElevationGrid ReadRaw16Heightmap(const std::string& path) {
    const uint64_t size = FileSize(path);
    const uint64_t points = size / 2;
    uint64_t side = static_cast<uint64_t>(std::sqrt(static_cast<double>(points)));
    while (side * side > points) --side;
    while ((side + 1) * (side + 1) <= points) ++side;
    if (size % 2 != 0 || side * side != points || side < 2) {
        throw ImportError("is " + std::to_string(size) +
                          " bytes, which is no square of 16-bit points (a side of n points takes 2 x n x n bytes)");
    }
    if (points > MaxImportPoints) {
        throw ImportError("is " + std::to_string(side) + " x " + std::to_string(side) + " points; at most " +
                          std::to_string(MaxImportPoints) + " are read");
    }
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    if (bytes.size() != size) throw ImportError("changed while it was read");

    ElevationGrid grid;
    grid.Width = grid.Height = static_cast<int>(side);
    grid.Values.resize(points);
    for (size_t i = 0; i < grid.Values.size(); ++i) {
        grid.Values[i] = static_cast<float>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return grid;
}
