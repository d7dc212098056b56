#include "tests/support/null_gl_window.h"

#include <EGL/egl.h>

std::vector<std::string> ScopedNullGlWindow::Calls;

namespace {

void Record(const char* name) { ScopedNullGlWindow::Calls.emplace_back(name); }

HDC NullGetDC(HWND) {
    Record("GetDC");
    return nullptr;
}
int NullReleaseDC(HWND, HDC) {
    Record("ReleaseDC");
    return 1;
}
int NullChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) {
    Record("ChoosePixelFormat");
    return 0;
}
bool NullSetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*) {
    Record("SetPixelFormat");
    return false;
}
HGLRC NullCreateContext(HDC) {
    Record("CreateContext");
    return nullptr;
}
// The test's own context stays current whatever is asked.
bool NullMakeCurrent(HDC, HGLRC) {
    Record("MakeCurrent");
    return true;
}
bool NullDeleteContext(HGLRC) {
    Record("DeleteContext");
    return false;
}
bool NullSwapBuffers(HDC) {
    Record("SwapBuffers");
    return true;
}
bool NullHasCurrentContext() { return eglGetCurrentContext() != EGL_NO_CONTEXT; }

const GlWindowBackend kNull = {NullGetDC,         NullReleaseDC,     NullChoosePixelFormat,
                               NullSetPixelFormat, NullCreateContext, NullMakeCurrent,
                               NullDeleteContext,  NullSwapBuffers,   NullHasCurrentContext};

}  // namespace

ScopedNullGlWindow::ScopedNullGlWindow() : previous_(SetGlWindowBackend(&kNull)) { Calls.clear(); }

ScopedNullGlWindow::~ScopedNullGlWindow() { SetGlWindowBackend(previous_); }
