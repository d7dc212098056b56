#include "tools/heightmap/void_fill.h"

#include <cstdint>
#include <vector>

size_t FillVoids(ElevationGrid& grid) {
    const int w = grid.Width, h = grid.Height;
    auto neighbours = [&](int r, int c, auto visit) {
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
                const int nr = r + dr, nc = c + dc;
                if ((dr != 0 || dc != 0) && nr >= 0 && nr < h && nc >= 0 && nc < w) visit(nr, nc);
            }
        }
    };

    // A breadth-first sweep from the holes' edges: each ring of void points
    // is filled from the known ones, then the next ring takes its turn, so
    // every point is visited a bounded number of times whatever the holes' size.
    std::vector<uint8_t> queued(grid.Values.size(), 0);
    std::vector<size_t> ring, next;
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            if (!IsVoid(grid.At(r, c))) continue;
            bool edge = false;
            neighbours(r, c, [&](int nr, int nc) { edge = edge || !IsVoid(grid.At(nr, nc)); });
            if (edge) {
                const size_t i = static_cast<size_t>(r) * w + c;
                queued[i] = 1;
                ring.push_back(i);
            }
        }
    }
    size_t filled = 0;
    std::vector<float> values;
    while (!ring.empty()) {
        // The whole ring is worked out before any of it is stored, so that
        // the result does not depend on the order within a ring.
        values.clear();
        for (const size_t i : ring) {
            const int r = static_cast<int>(i / w), c = static_cast<int>(i % w);
            double sum = 0.0;
            int count = 0;
            neighbours(r, c, [&](int nr, int nc) {
                const float v = grid.At(nr, nc);
                if (!IsVoid(v)) {
                    sum += v;
                    ++count;
                }
            });
            values.push_back(static_cast<float>(sum / count));
        }
        next.clear();
        for (size_t k = 0; k < ring.size(); ++k) grid.Values[ring[k]] = values[k];
        for (const size_t i : ring) {
            const int r = static_cast<int>(i / w), c = static_cast<int>(i % w);
            neighbours(r, c, [&](int nr, int nc) {
                const size_t j = static_cast<size_t>(nr) * w + nc;
                if (!queued[j] && IsVoid(grid.Values[j])) {
                    queued[j] = 1;
                    next.push_back(j);
                }
            });
        }
        filled += ring.size();
        ring.swap(next);
    }
    return filled;
}
