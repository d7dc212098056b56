#include "tools/heightmap/srtm_tile.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tools/heightmap/file_bytes.h"
#include "tools/heightmap/import_error.h"

namespace {

constexpr int16_t SrtmVoid = -32768;

}  // namespace

ElevationGrid ReadSrtmTile(const std::string& path) {
    const uint64_t size = FileSize(path);
    int side = 0;
    for (const int candidate : {1201, 3601}) {
        if (size == uint64_t{2} * candidate * candidate) side = candidate;
    }
    if (side == 0) {
        throw ImportError("is " + std::to_string(size) +
                          " bytes; an SRTM tile holds 1201 x 1201 or 3601 x 3601 points of 2 bytes (2884802 or "
                          "25934402 bytes)");
    }
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    if (bytes.size() != size) throw ImportError("changed while it was read");

    ElevationGrid grid;
    grid.Width = grid.Height = side;
    grid.Values.resize(static_cast<size_t>(side) * side);
    for (size_t i = 0; i < grid.Values.size(); ++i) {
        const auto value = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]));
        grid.Values[i] = value == SrtmVoid ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(value);
    }
    return grid;
}
