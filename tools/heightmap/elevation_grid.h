#pragma once
// Elevations as read from a heightmap file, before they become a map.
#include <cmath>
#include <cstddef>
#include <vector>

// Width x Height values in the input's own units (metres, grey levels),
// row-major with the top row (the north edge of an elevation model) first.
// NaN marks a void: a point the input holds no elevation for.
struct ElevationGrid {
    int Width = 0;
    int Height = 0;
    std::vector<float> Values;

    float& At(int row, int column) { return Values[static_cast<size_t>(row) * Width + column]; }
    float At(int row, int column) const { return Values[static_cast<size_t>(row) * Width + column]; }
};

inline bool IsVoid(float value) { return !std::isfinite(value); }
