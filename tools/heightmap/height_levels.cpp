#include "tools/heightmap/height_levels.h"

#include <algorithm>
#include <cmath>

HeightRange RangeOf(const ElevationGrid& grid) {
    const auto [low, high] = std::minmax_element(grid.Values.begin(), grid.Values.end());
    if (low == grid.Values.end()) return {};
    return {*low, *high};
}

std::vector<uint8_t> ToLevels(const ElevationGrid& grid, const HeightRange& range) {
    std::vector<uint8_t> levels(grid.Values.size(), 0);
    const double span = range.High - range.Low;
    if (!(span > 0.0)) return levels;
    for (size_t i = 0; i < levels.size(); ++i) {
        const double h = std::clamp(static_cast<double>(grid.Values[i]), range.Low, range.High);
        // Multiplying before dividing keeps whole grey levels over 0..255 exact.
        levels[i] = static_cast<uint8_t>(std::lround(std::clamp((h - range.Low) * 255.0 / span, 0.0, 255.0)));
    }
    return levels;
}
