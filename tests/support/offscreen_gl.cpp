#include "tests/support/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

namespace {

EGLConfig PickConfig(EGLDisplay display) {
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                             EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                             EGL_ALPHA_SIZE, 0, EGL_DEPTH_SIZE, 24, EGL_NONE};
    EGLConfig configs[128];
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, configs, 128, &count)) return nullptr;
    // Exactly 8 bits a channel and no alpha planes, so that destination alpha
    // reads as 1; the deepest depth buffer offered, no stencil.
    EGLConfig best = nullptr;
    EGLint bestDepth = 0;
    for (EGLint i = 0; i < count; ++i) {
        EGLint r, g, b, a, depth, stencil;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &r);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &g);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &b);
        eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &a);
        eglGetConfigAttrib(display, configs[i], EGL_DEPTH_SIZE, &depth);
        eglGetConfigAttrib(display, configs[i], EGL_STENCIL_SIZE, &stencil);
        if (r == 8 && g == 8 && b == 8 && a == 0 && stencil == 0 && depth > bestDepth) {
            best = configs[i];
            bestDepth = depth;
        }
    }
    return best;
}

}  // namespace

OffscreenGl::OffscreenGl(int width, int height) : width_(width), height_(height) {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return;
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return;
    display_ = display;
    EGLConfig config = PickConfig(display);
    if (!config || !eglBindAPI(EGL_OPENGL_API)) return;
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) return;
    surface_ = surface;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return;
    context_ = context;
    ok_ = eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
    if (ok_) glViewport(0, 0, width, height);
}

OffscreenGl::~OffscreenGl() {
    if (!display_) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    if (surface_) eglDestroySurface(display_, surface_);
    // The display stays initialised: Mesa keeps one per process, and tests
    // make many contexts in a row.
}

void OffscreenGl::MakeCurrent() {
    if (ok_) eglMakeCurrent(display_, surface_, surface_, context_);
}

void OffscreenGl::MakeNoneCurrent() {
    if (display_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::array<uint8_t, 3> OffscreenGl::Pixel(int x, int y) const {
    std::array<uint8_t, 3> rgb{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

std::vector<uint8_t> OffscreenGl::Pixels() const {
    std::vector<uint8_t> rgb(static_cast<size_t>(width_) * height_ * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}
