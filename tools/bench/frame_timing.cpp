#include "tools/bench/frame_timing.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "render/frame_renderer.h"
#include "terrain/terrain.h"
#include "tools/bench/bare_stream.h"
#include "tools/bench/harness.h"
#include "tools/bench/startup_timing.h"
#include "tools/bench/stream_check.h"

namespace bench {

void Frame(bool lod) {
    Settings.Lod = lod ? 1 : 0;
    RenderFrame();
}

namespace {

// Wall-clock time and processor time (CpuMillis) of each run.
struct Samples {
    std::vector<double> Frame, Bare, FrameCpu, BareCpu;
};

template <typename Body>
void Timed(Body&& body, std::vector<double>& wall, std::vector<double>& cpu) {
    const double cpuStart = CpuMillis();
    const Clock::time_point start = Clock::now();
    body();
    glFinish();
    wall.push_back(MillisSince(start));
    cpu.push_back(CpuMillis() - cpuStart);
}

// Frame and bare loop alternate, so slow drift on a busy machine falls on
// both alike.
Samples Measure(bool lod, const BareFrame& f, int reps) {
    Samples s, warmUp;
    const auto frame = [&] { Frame(lod); };
    const auto bare = [&] { lod ? BareLod(f) : BareFull(f); };
    Timed(frame, warmUp.Frame, warmUp.FrameCpu);
    Timed(bare, warmUp.Bare, warmUp.BareCpu);
    for (int i = 0; i < reps; ++i) {
        Timed(frame, s.Frame, s.FrameCpu);
        Timed(bare, s.Bare, s.BareCpu);
    }
    return s;
}

// Medians, and the spread of the paired ratios frame / bare: the range
// holding the middle half of the pairs.
void PrintSamples(const char* key, const Samples& s) {
    const auto quartiles = [](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> ratio;
        for (size_t i = 0; i < a.size(); ++i) ratio.push_back(a[i] / b[i]);
        std::sort(ratio.begin(), ratio.end());
        return std::pair<double, double>(ratio[ratio.size() / 4], ratio[(3 * ratio.size()) / 4]);
    };
    const auto [q1, q3] = quartiles(s.Frame, s.Bare);
    const auto [cq1, cq3] = quartiles(s.FrameCpu, s.BareCpu);
    const auto [fmin, fmax] = std::minmax_element(s.Frame.begin(), s.Frame.end());
    std::printf(" %s_ms=%.4f %s_bare_ms=%.4f %s_cpu_ms=%.4f %s_bare_cpu_ms=%.4f %s_ratio_q1=%.4f %s_ratio_q3=%.4f "
                "%s_cpu_ratio_q1=%.4f %s_cpu_ratio_q3=%.4f %s_min_ms=%.4f %s_max_ms=%.4f",
                key, Median(s.Frame), key, Median(s.Bare), key, Median(s.FrameCpu), key, Median(s.BareCpu), key, q1,
                key, q3, key, cq1, key, cq3, key, *fmin, key, *fmax);
}

}  // namespace

int RunFrames(const char* world, int reps, int lodReps) {
    if (chdir(world) != 0) {
        std::fprintf(stderr, "bench_frame: cannot enter %s\n", world);
        return 1;
    }
    UseOffscreenWindowSystem();
    std::unique_ptr<OffscreenGl> gl;
    StartUp(gl);  // includes one full-detail frame, so CurrentPass is settled

    BareFrame f = BuildBareFrame();
    BuildLod(f);
    const bool feedback = Terrain.Rows <= 256 && Terrain.Columns <= 256;
    StatsQuery::Counts counts[2];
    if (!CheckStreams(*gl, f, feedback, counts)) {
        std::fprintf(stderr, "bench_frame: the frame and the bare loop send different streams\n");
        return 1;
    }

    const Samples full = Measure(false, f, reps);
    const Samples ring = Measure(true, f, lodReps);
    const size_t cells = static_cast<size_t>(std::max(0, Terrain.Rows - 1)) * std::max(0, Terrain.Columns - 1);
    std::printf("result frames rows=%d columns=%d full_vertices=%zu full_triangles=%zu ring_vertices=%zu "
                "ring_triangles=%zu reps=%d ring_reps=%d full_fragments=%u ring_fragments=%u full_shaded=%u ring_shaded=%u",
                Terrain.Rows, Terrain.Columns, f.FullVertices(), 2 * cells * f.Passes + 12 * f.TreeCount + 10,
                f.LodVertices(), f.Lod.size() / 3 + 10, reps, lodReps, counts[0].Fragments, counts[1].Fragments,
                counts[0].Shaded, counts[1].Shaded);
    PrintSamples("full", full);
    PrintSamples("ring", ring);
    std::printf("\n");
    return 0;
}

}  // namespace bench
