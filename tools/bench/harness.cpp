#include "tools/bench/harness.h"

#include <EGL/egl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "app/screen_size.h"
#include "app/settings.h"
#include "platform/cursor.h"
#include "platform/gl_window_system.h"
#include "render/gl_context.h"

namespace bench {

namespace {

// The offscreen context stays current whatever CGlContext asks; a frame's
// swap presents nothing.
char BenchHandles[2];
TDeviceContext* const BenchDc = reinterpret_cast<TDeviceContext*>(&BenchHandles[0]);
TRenderContext* const BenchRc = reinterpret_cast<TRenderContext*>(&BenchHandles[1]);
HDC BenchGetDC(HWND) { return BenchDc; }
int BenchReleaseDC(HWND, HDC) { return 1; }
int BenchChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) { return 1; }
bool BenchSetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*) { return true; }
HGLRC BenchCreateContext(HDC) { return BenchRc; }
bool BenchMakeCurrent(HDC, HGLRC) { return true; }
bool BenchDeleteContext(HGLRC) { return true; }
bool BenchSwapBuffers(HDC) { return true; }
bool BenchHasCurrentContext() { return eglGetCurrentContext() != EGL_NO_CONTEXT; }
const GlWindowBackend BenchWindow = {BenchGetDC,         BenchReleaseDC,     BenchChoosePixelFormat,
                                     BenchSetPixelFormat, BenchCreateContext, BenchMakeCurrent,
                                     BenchDeleteContext,  BenchSwapBuffers,   BenchHasCurrentContext};

bool BenchGetCursor(TPoint* p) {
    p->x = ScreenWidth / 2;
    p->y = ScreenHeight / 2;
    return true;
}
bool BenchSetCursor(int32_t, int32_t) { return true; }
const CursorBackend BenchCursor = {BenchGetCursor, BenchSetCursor};

}  // namespace

std::string ExecutablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

long PeakResidentKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    return kb;
}

double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double CpuMillis() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

void UseOffscreenWindowSystem() {
    SetGlWindowBackend(&BenchWindow);
    SetCursorBackend(&BenchCursor);
}

bool MakeContext(std::unique_ptr<OffscreenGl>& gl) {
    ReadSettings(SettingsPath(ExecutablePath()));
    gl = std::make_unique<OffscreenGl>(Width, Height);
    if (!gl->Ok()) return false;
    GlContext.Create(nullptr);
    return true;
}

bool RunChild(const std::vector<std::string>& args, Fields& fields) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    const std::string self = ExecutablePath();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        dup2(pipeEnds[1], 1);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(self.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(self.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char chunk[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0) output.append(chunk, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    const size_t at = output.find("result ");
    if (at == std::string::npos) return false;
    const std::string line = output.substr(at, output.find('\n', at) - at);
    size_t pos = 0;
    while ((pos = line.find('=', pos)) != std::string::npos) {
        const size_t keyStart = line.rfind(' ', pos) + 1;
        fields[line.substr(keyStart, pos - keyStart)] = std::strtod(line.c_str() + pos + 1, nullptr);
        ++pos;
    }
    return true;
}

}  // namespace bench
