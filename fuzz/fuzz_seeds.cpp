// fuzz_seeds <folder>
//
// Writes the starting corpus of every fuzz target into <folder>/<target>/.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/support/fuzz_bodies.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    for (FuzzTarget target : AllFuzzTargets) {
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / FuzzTargetName(target);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        for (const NamedInput& seed : FuzzSeeds(target)) {
            std::ofstream out(folder / seed.Name, std::ios::binary | std::ios::trunc);
            out.write(seed.Bytes.data(), static_cast<std::streamsize>(seed.Bytes.size()));
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", (folder / seed.Name).c_str());
                return 1;
            }
        }
    }
    return 0;
}
