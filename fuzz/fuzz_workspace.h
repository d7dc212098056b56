#pragma once
// What a fuzz target's process needs around its inputs.
#include "tests/support/fuzz_bodies.h"

// Makes a new scratch directory (removed at a normal exit) and, for the
// targets that load textures, an offscreen OpenGL context, current for the
// rest of the run.
void PrepareFuzzWorkspace(FuzzTarget target);

// Makes the scratch directory the current one while the object lives, so
// that the fuzzer's own relative paths keep their meaning between inputs.
class InFuzzWorkspace {
public:
    InFuzzWorkspace();
    ~InFuzzWorkspace();
    InFuzzWorkspace(const InFuzzWorkspace&) = delete;
    InFuzzWorkspace& operator=(const InFuzzWorkspace&) = delete;

private:
    int previous_;
};
