#include "tools/bench/tables.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

namespace bench {

void PrintTables(const std::vector<WorldResult>& results) {
    std::string renderer = "OpenGL";
    {
        const OffscreenGl probe(16, 16);
        const char* name = probe.Ok() ? reinterpret_cast<const char*>(glGetString(GL_RENDERER)) : nullptr;
        const char* version = probe.Ok() ? reinterpret_cast<const char*>(glGetString(GL_VERSION)) : nullptr;
        if (name && version) renderer = std::string(name) + ", OpenGL " + version;
    }
    std::printf("Offscreen %dx%d; %s.\nMedians; each frame timed against the bare call stream right after it.\n",
                Width, Height, renderer.c_str());
    std::printf("Overhead = frame / bare stream, by wall-clock time and by processor time of all threads.\n\n");
    std::printf("| map | full-detail triangles | full frame ms | bare stream ms | overhead | overhead, CPU | "
                "ring triangles | ring fragments | ring frame ms | ring bare ms | ring overhead | ring overhead, CPU | ring / full |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const WorldResult& r : results) {
        const Fields& f = r.Frames;
        std::printf("| %d²%s | %.0f | %.1f | %.1f | %.3f | %.3f | %.0f | %.0f | %.2f | %.2f | %.3f | %.3f | %.4f |\n",
                    r.Size, r.Size == 256 ? " (default)" : "", f.at("full_triangles"), f.at("full_ms"),
                    f.at("full_bare_ms"), f.at("full_ms") / f.at("full_bare_ms"),
                    f.at("full_cpu_ms") / f.at("full_bare_cpu_ms"), f.at("ring_triangles"), f.at("ring_fragments"),
                    f.at("ring_ms"), f.at("ring_bare_ms"), f.at("ring_ms") / f.at("ring_bare_ms"),
                    f.at("ring_cpu_ms") / f.at("ring_bare_cpu_ms"), f.at("ring_ms") / f.at("full_ms"));
    }
    std::printf("\nStart-up, from the settings read to the end of the first frame (a full-detail one), each run a "
                "process of its own:\n\n");
    std::printf("| map | start-up ms | LoadTerrain ms | grid ms | textures ms | rest ms | of it: first frame ms | "
                "context ms | peak memory MiB | of it before the first frame MiB |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const WorldResult& r : results) {
        const Fields& s = r.Startup;
        std::printf("| %d² | %.0f | %.1f | %.2f | %.1f | %.0f | %.0f | %.0f | %.0f | %.0f |\n", r.Size, s.at("total"),
                    s.at("terrain"), s.at("grid"), s.at("textures"), s.at("context") + s.at("first_frame") + s.at("rest"),
                    s.at("first_frame"), s.at("context"), s.at("peak_kb") / 1024.0, s.at("peak_before_frame_kb") / 1024.0);
    }
    std::printf("\nThe grid (LoadTerrain with the heightmap alone) and the ground and tree textures are timed in "
                "processes of their own; textures include the five sky faces; rest is the context, the first frame "
                "and FormCreate's other steps.\n");
    std::printf("\nGrowth: each size against the one before it (4x the grid points):\n\n");
    std::printf("| map | full ns / triangle | full frame x | full frame CPU x | ring frame x | ring ns / fragment | "
                "start-up x | grid ns / point | start-up slope ms / Mpoint | peak memory slope bytes / point |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < results.size(); ++i) {
        const WorldResult& r = results[i];
        const double points = static_cast<double>(r.Size) * r.Size;
        const double nsPerTriangle = r.Frames.at("full_ms") * 1e6 / r.Frames.at("full_triangles");
        const double gridNs = r.Startup.at("grid") * 1e6 / points;
        const double ringNsPerFragment = r.Frames.at("ring_ms") * 1e6 / std::max(1.0, r.Frames.at("ring_fragments"));
        if (i == 0) {
            std::printf("| %d² | %.1f | | | | %.2f | | %.1f | | |\n", r.Size, nsPerTriangle, ringNsPerFragment, gridNs);
            continue;
        }
        const WorldResult& p = results[i - 1];
        const double added = points - static_cast<double>(p.Size) * p.Size;
        std::printf("| %d² | %.1f | %.2f | %.2f | %.2f | %.2f | %.2f | %.1f | %.0f | %.1f |\n", r.Size, nsPerTriangle,
                    r.Frames.at("full_ms") / p.Frames.at("full_ms"),
                    r.Frames.at("full_cpu_ms") / p.Frames.at("full_cpu_ms"), r.Frames.at("ring_ms") / p.Frames.at("ring_ms"),
                    ringNsPerFragment, r.Startup.at("total") / p.Startup.at("total"), gridNs,
                    (r.Startup.at("total") - p.Startup.at("total")) * 1e6 / added,
                    (r.Startup.at("peak_kb") - p.Startup.at("peak_kb")) * 1024.0 / added);
    }
    std::printf("\nNoise: frame / bare ratios of the pairs, middle half (wall; CPU); the full frame's fastest and "
                "slowest run; every start-up run:\n\n");
    for (const WorldResult& r : results) {
        const Fields& f = r.Frames;
        std::printf("- %d²: full %.3f..%.3f; %.3f..%.3f (%.0f..%.0f ms, %d pairs); ring %.3f..%.3f; %.3f..%.3f "
                    "(%.1f..%.1f ms, %d pairs); start-up",
                    r.Size, f.at("full_ratio_q1"), f.at("full_ratio_q3"), f.at("full_cpu_ratio_q1"),
                    f.at("full_cpu_ratio_q3"), f.at("full_min_ms"), f.at("full_max_ms"), static_cast<int>(f.at("reps")),
                    f.at("ring_ratio_q1"), f.at("ring_ratio_q3"), f.at("ring_cpu_ratio_q1"), f.at("ring_cpu_ratio_q3"),
                    f.at("ring_min_ms"), f.at("ring_max_ms"), static_cast<int>(f.at("ring_reps")));
        for (double t : r.StartupTotals) std::printf(" %.0f", t);
        std::printf(" ms\n");
    }
    for (const WorldResult& r : results) {
        if (r.Size != 256) continue;
        const Fields& f = r.Frames;
        std::printf("\nDefault world (256², seed 1):\n\n");
        std::printf("full-detail overhead: %.2f\n", f.at("full_ms") / f.at("full_bare_ms"));
        std::printf("ring overhead: %.2f\n", f.at("ring_ms") / f.at("ring_bare_ms"));
        std::printf("full-detail overhead, processor time: %.2f\n", f.at("full_cpu_ms") / f.at("full_bare_cpu_ms"));
        std::printf("ring overhead, processor time: %.2f\n", f.at("ring_cpu_ms") / f.at("ring_bare_cpu_ms"));
        std::printf("ring frame / full-detail frame: %.3f\n", f.at("ring_ms") / f.at("full_ms"));
    }
    // One line per size for the plot script.
    std::printf("\n");
    for (const WorldResult& r : results) {
        std::printf("plot size=%d full_ms=%.4f full_bare_ms=%.4f ring_ms=%.4f ring_bare_ms=%.4f startup_ms=%.4f\n",
                    r.Size, r.Frames.at("full_ms"), r.Frames.at("full_bare_ms"), r.Frames.at("ring_ms"),
                    r.Frames.at("ring_bare_ms"), r.Startup.at("total"));
    }
}

}  // namespace bench
