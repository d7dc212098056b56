#include "tools/heightmap/resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// The weights of input points 0..from-1 that make output point k of to, for
// one axis: a list of (input index, weight) summing to 1.
struct Tap {
    int Index;
    double Weight;
};

std::vector<std::vector<Tap>> AxisTaps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double scale = static_cast<double>(from) / to;  // input points per output point
    for (int k = 0; k < to; ++k) {
        std::vector<Tap>& out = taps[static_cast<size_t>(k)];
        if (from == to) {
            out.push_back({k, 1.0});
        } else if (to < from) {
            // The output point covers [k, k + 1) * scale of the input.
            const double begin = k * scale, end = (k + 1) * scale;
            for (int i = static_cast<int>(std::floor(begin)); i < from && i < end; ++i) {
                const double covered = std::min(end, i + 1.0) - std::max(begin, static_cast<double>(i));
                if (covered > 0.0) out.push_back({i, covered / scale});
            }
        } else {
            // Point centres line up: output centre k + 0.5 sits at input
            // position (k + 0.5) * scale, between centres i + 0.5 and i + 1.5.
            const double x = std::clamp((k + 0.5) * scale - 0.5, 0.0, from - 1.0);
            const int i = std::min(static_cast<int>(x), from - 1);
            const double t = x - i;
            out.push_back({i, 1.0 - t});
            if (t > 0.0) out.push_back({i + 1, t});
        }
    }
    return taps;
}

}  // namespace

GridSize ResampledSize(int width, int height, int longerSide) {
    const int longer = std::max(width, height), shorter = std::min(width, height);
    const int scaled = std::max(1, static_cast<int>(std::lround(static_cast<double>(shorter) * longerSide / longer)));
    return width >= height ? GridSize{longerSide, scaled} : GridSize{scaled, longerSide};
}

ElevationGrid Resample(const ElevationGrid& grid, int longerSide) {
    const GridSize size = ResampledSize(grid.Width, grid.Height, longerSide);
    const auto columnTaps = AxisTaps(grid.Width, size.Width);
    const auto rowTaps = AxisTaps(grid.Height, size.Height);

    ElevationGrid result;
    result.Width = size.Width;
    result.Height = size.Height;
    result.Values.resize(static_cast<size_t>(size.Width) * size.Height);
    // One output row at a time, from the input rows it draws on, each of
    // them resized across first: memory stays at one row, and an input row
    // is worked on at most a few times.
    std::vector<double> sum(static_cast<size_t>(size.Width));
    for (int r = 0; r < size.Height; ++r) {
        std::fill(sum.begin(), sum.end(), 0.0);
        for (const Tap& rowTap : rowTaps[static_cast<size_t>(r)]) {
            for (int c = 0; c < size.Width; ++c) {
                double value = 0.0;
                for (const Tap& tap : columnTaps[static_cast<size_t>(c)]) {
                    value += tap.Weight * grid.At(rowTap.Index, tap.Index);
                }
                sum[static_cast<size_t>(c)] += rowTap.Weight * value;
            }
        }
        for (int c = 0; c < size.Width; ++c) result.At(r, c) = static_cast<float>(sum[static_cast<size_t>(c)]);
    }
    return result;
}
