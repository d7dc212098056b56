// The libFuzzer entry of one fuzz target, chosen when it is built
// (ORVALLE_FUZZ_TARGET names a FuzzTarget).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_workspace.h"
#include "tests/support/fuzz_bodies.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PrepareFuzzWorkspace(ORVALLE_FUZZ_TARGET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const InFuzzWorkspace workspace;
    const std::string failure = RunFuzzInput(ORVALLE_FUZZ_TARGET, data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_%s: %s\n", FuzzTargetName(ORVALLE_FUZZ_TARGET), failure.c_str());
        std::abort();
    }
    return 0;
}
