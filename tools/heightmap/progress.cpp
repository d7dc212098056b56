#include "tools/heightmap/progress.h"

#include <cstdio>

void Progress::Step(const std::string& step) const {
    if (!enabled_) return;
    std::fprintf(stderr, "worldgen: %s\n", step.c_str());
    std::fflush(stderr);
}
