#include "fuzz/fuzz_workspace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/offscreen_gl.h"

namespace {

std::string Workspace;

void RemoveWorkspace() {
    std::error_code error;
    if (!Workspace.empty()) std::filesystem::remove_all(Workspace, error);
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz workspace: %s\n", what);
    std::exit(2);
}

}  // namespace

void PrepareFuzzWorkspace(FuzzTarget target) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/orvalle-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("cannot make a scratch directory");
    Workspace = pattern;
    std::atexit(RemoveWorkspace);
    if (target == FuzzTarget::Heightmap || target == FuzzTarget::Texture) {
        // Lives as long as the process: every input loads into it.
        static OffscreenGl* gl = new OffscreenGl(16, 16);
        if (!gl->Ok()) Fail("no offscreen OpenGL context");
    }
}

InFuzzWorkspace::InFuzzWorkspace() : previous_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (previous_ < 0 || chdir(Workspace.c_str()) != 0) Fail("cannot enter the scratch directory");
}

InFuzzWorkspace::~InFuzzWorkspace() {
    if (fchdir(previous_) != 0) Fail("cannot leave the scratch directory");
    close(previous_);
}
