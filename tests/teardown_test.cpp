// The program's teardown as it happens: this test program starts a second
// copy of itself under Xvfb, which runs the program's start-up in a
// generated world, its message loop until the window is closed, and then
// its teardown, and reports each texture name deleted, the form going and
// the context going, each with whether a context was current at the time.
#include <GL/gl.h>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/teardown.h"
#include "platform/exception.h"
#include "platform/forms.h"
#include "platform/gl_window_system.h"
#include "render/gl_context.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace {

constexpr const char* kProbeVariable = "ORVALLE_TEARDOWN_PROBE";

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Current() { return GlContextIsCurrent() ? "current" : "no context"; }

bool probing = false;

}  // namespace

// A pass-through spy on the call that gives a texture name back.
extern "C" void glDeleteTextures(GLsizei n, const GLuint* textures) {
    using DeleteProc = void (*)(GLsizei, const GLuint*);
    static const DeleteProc real = reinterpret_cast<DeleteProc>(dlsym(RTLD_NEXT, "glDeleteTextures"));
    for (GLsizei i = 0; probing && i < n; ++i) Say("texture " + std::to_string(textures[i]) + " " + Current());
    real(n, textures);
}

namespace {

// The window system's own calls, with the context's deletion reported.
const GlWindowBackend* windowSystem = nullptr;
GlWindowBackend reporting;

bool ReportingDeleteContext(HGLRC context) {
    Say("context deleted");
    return windowSystem->DeleteContext(context);
}

// Owned by the form, so destroyed with it, after its window.
class FormGoneProbe : public TComponent {
public:
    using TComponent::TComponent;
    ~FormGoneProbe() override { Say("form " + Current()); }
};

// In the second copy the probe runs before any test and ends the process
// the way the program does: by returning from the entry, after teardown.
class ProbeMode : public ::testing::Environment {
public:
    void SetUp() override {
        if (!std::getenv(kProbeVariable)) return;
        windowSystem = SetGlWindowBackend(nullptr);
        reporting = *windowSystem;
        reporting.DeleteContext = ReportingDeleteContext;
        SetGlWindowBackend(&reporting);
        int code = 0;
        try {
            Application->Initialize();
            Application->CreateForm(frmMain);
            new FormGoneProbe(frmMain);
            std::string names = "names tree " + std::to_string(TreeTexture.TextureName) + " sky";
            for (const CTexture& sky : SkyTextures) names += " " + std::to_string(sky.TextureName);
            Say(names);
            Application->Run();
        } catch (const std::exception& error) {
            Application->ShowException(error);
            code = 1;
        }
        probing = true;
        Say("loop ended");
        ::TearDown();  // the program's, not the environment's
        Say("teardown done " + Current());
        std::exit(code);
    }
};
const bool probeModeRegistered = (::testing::AddGlobalTestEnvironment(new ProbeMode), true);

using namespace std::chrono_literals;

TEST(TeardownTest, TexturesGoBeforeTheContextAndAroundTheFormInAFixedOrder) {
    ScratchDirectory world;
    const std::string make = std::string("'") + ORVALLE_WORLDGEN + "' '" + world.Path() + "' --size 16 >/dev/null";
    const int status = std::system(make.c_str());
    ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    XvfbSession x(320, 240);
    ASSERT_TRUE(x.Ok()) << x.Error();
    LaunchOptions probe;
    probe.executable = SelfPath();
    probe.workingDirectory = world.Path();
    probe.environment[kProbeVariable] = "1";
    ASSERT_TRUE(x.Launch(probe)) << x.Error();
    ASSERT_TRUE(x.Program().WaitForStdout("names ", 30s)) << x.Program().Stderr();
    const XWindowId window = x.WaitForWindow("Orvalle");
    ASSERT_NE(window, 0u) << x.Program().Stderr();
    x.RequestClose(window);
    ASSERT_EQ(x.Program().WaitForExit(30s), 0) << x.Program().Stderr();

    const std::string out = x.Program().Stdout();
    unsigned tree = 0, sky[5] = {};
    ASSERT_EQ(std::sscanf(out.c_str() + out.find("names "), "names tree %u sky %u %u %u %u %u", &tree, &sky[0], &sky[1],
                          &sky[2], &sky[3], &sky[4]),
              6)
        << out;
    ASSERT_NE(tree, 0u);
    std::string expected = "loop ended\ntexture " + std::to_string(tree) + " current\nform current\n";
    for (int i = 4; i >= 0; --i) {
        ASSERT_NE(sky[i], 0u);
        expected += "texture " + std::to_string(sky[i]) + " current\n";
    }
    expected += "context deleted\nteardown done no context\n";
    // Nothing after: the global objects, destroyed after the entry, have
    // nothing left to give back.
    EXPECT_EQ(out.substr(out.find("loop ended")), expected) << out;
    EXPECT_EQ(ReadFileBytes(world.File("save.dat")).size(), 28u);
}

}  // namespace
