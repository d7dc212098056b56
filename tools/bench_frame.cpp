// bench_frame <worlds-folder> [--quick]
//
// Measures, in an offscreen 1024 x 768 Mesa context, what a frame costs
// against the bare OpenGL call stream it sends, for the full-detail and the
// ring terrain, and what start-up costs in time and memory, for every world
// folder named map<N> (N = map size) under <worlds-folder>. Each world is
// measured in child processes of its own, so memory peaks stay per world.
//
// The bare stream is the frame's exact sequence of OpenGL calls, with every
// vertex value worked out beforehand: the loops that send the vertices read
// each value from a table and do nothing but the calls, which makes it the
// limit of immediate mode on this driver. Before timing, both are checked to
// send the same stream.
//
// The parts, by what they measure, are in tools/bench/: the harness, the
// start-up timing, the bare stream, the check of equal streams, the frame
// timing and the tables.
//
// The children's entries: --frames <world> <pairs> <ring-pairs>,
// --startup <world>, --terrain-textures <world> and --grid <world>.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/bench/frame_timing.h"
#include "tools/bench/harness.h"
#include "tools/bench/startup_timing.h"
#include "tools/bench/tables.h"

namespace bench {
namespace {

struct Plan {
    int Size, Reps, RingReps, StartupRuns;
};

int RunAll(const std::string& worlds, bool quick) {
    const std::vector<Plan> plans = {
        {64, 41, 101, 7},  {128, 31, 101, 7}, {256, 21, 101, 7},
        {512, 15, 101, 5}, {1024, 7, 101, 3}, {2048, 3, 101, 3},
    };
    std::vector<WorldResult> results;
    for (Plan plan : plans) {
        const std::string world = worlds + "/map" + std::to_string(plan.Size);
        if (!std::filesystem::exists(world + "/MAP/map.bmp")) {
            std::fprintf(stderr, "bench_frame: no world %s (make bench makes it)\n", world.c_str());
            return 1;
        }
        if (quick) {
            plan.Reps = std::min(plan.Reps, 3);
            plan.RingReps = std::min(plan.RingReps, 5);
            plan.StartupRuns = std::min(plan.StartupRuns, 3);
        }
        WorldResult r;
        r.Size = plan.Size;
        std::fprintf(stderr, "map %d x %d: start-up, %d runs\n", plan.Size, plan.Size, plan.StartupRuns);
        std::map<std::string, std::vector<double>> startup;
        for (int i = 0; i < plan.StartupRuns; ++i) {
            Fields fields;
            if (!RunChild({"--startup", world}, fields) || !RunChild({"--terrain-textures", world}, fields) ||
                !RunChild({"--grid", world}, fields)) {
                std::fprintf(stderr, "bench_frame: start-up run on %s failed\n", world.c_str());
                return 1;
            }
            for (const auto& [key, value] : fields) startup[key].push_back(value);
        }
        for (const auto& [key, values] : startup) r.Startup[key] = Median(values);
        r.Startup["textures"] = r.Startup["terrain_textures"] + r.Startup["sky"];
        r.StartupTotals = startup["total"];
        std::fprintf(stderr, "map %d x %d: frames, %d + %d pairs\n", plan.Size, plan.Size, plan.Reps, plan.RingReps);
        if (!RunChild({"--frames", world, std::to_string(plan.Reps), std::to_string(plan.RingReps)}, r.Frames)) {
            std::fprintf(stderr, "bench_frame: frame run on %s failed\n", world.c_str());
            return 1;
        }
        results.push_back(r);
    }

    PrintTables(results);
    return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    if (argc == 3 && std::strcmp(argv[1], "--startup") == 0) {
        UseOffscreenWindowSystem();
        return RunStartup(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--terrain-textures") == 0) {
        UseOffscreenWindowSystem();
        return RunTerrainTextures(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--grid") == 0) {
        UseOffscreenWindowSystem();
        return RunGrid(argv[2]);
    }
    if (argc == 5 && std::strcmp(argv[1], "--frames") == 0) {
        return RunFrames(argv[2], std::max(3, std::atoi(argv[3])), std::max(3, std::atoi(argv[4])));
    }
    if (argc >= 2 && argv[1][0] != '-') {
        const bool quick = argc >= 3 && std::strcmp(argv[2], "--quick") == 0;
        return RunAll(argv[1], quick);
    }
    std::fprintf(stderr, "usage: bench_frame <worlds-folder> [--quick]\n");
    return 2;
}
