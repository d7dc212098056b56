#pragma once
// The tables make bench prints, with the README's figures and the plot's
// lines, from the children's results for every world.
#include <vector>

#include "tools/bench/harness.h"

namespace bench {

struct WorldResult {
    int Size = 0;
    Fields Frames;
    Fields Startup;  // medians over the runs
    std::vector<double> StartupTotals;
};

void PrintTables(const std::vector<WorldResult>& results);

}  // namespace bench
