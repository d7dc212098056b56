#include "platform/gl_window_system.h"

#include <algorithm>
#include <vector>

#include <EGL/egl.h>
#include <GL/glx.h>
#include <SDL.h>

#include "platform/window_record.h"

struct TRenderContext {
    SDL_GLContext Context;
};

namespace {

// One framebuffer layout SDL can be asked for.
struct FormatCandidate {
    bool DoubleBuffer;
    int AlphaBits;
    int DepthBits;
    int StencilBits;
};

// The formats a request may be met with, closest first: only the depth
// buffer is allowed to shrink.
std::vector<FormatCandidate> Candidates(const PIXELFORMATDESCRIPTOR& request) {
    std::vector<FormatCandidate> candidates;
    if (request.iPixelType != PFD_TYPE_RGBA) return candidates;
    std::vector<int> depths;
    for (int depth : {static_cast<int>(request.cDepthBits), 24, 16})
        if (std::find(depths.begin(), depths.end(), depth) == depths.end()) depths.push_back(depth);
    for (int depth : depths)
        candidates.push_back({(request.dwFlags & PFD_DOUBLEBUFFER) != 0, request.cAlphaBits, depth,
                              request.cStencilBits});
    return candidates;
}

void RequestFormat(const FormatCandidate& format) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.AlphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.DepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.StencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.DoubleBuffer ? 1 : 0);
}

// Puts back whatever context was current when the guard was made.
class CurrentContextGuard {
public:
    CurrentContextGuard() : window_(SDL_GL_GetCurrentWindow()), context_(SDL_GL_GetCurrentContext()) {}
    ~CurrentContextGuard() { SDL_GL_MakeCurrent(window_, context_); }
    CurrentContextGuard(const CurrentContextGuard&) = delete;
    CurrentContextGuard& operator=(const CurrentContextGuard&) = delete;

private:
    SDL_Window* window_;
    SDL_GLContext context_;
};

// SDL fixes a window's format when the window is made, so a format is
// tried on a hidden window of its own.
bool FormatWorks(const FormatCandidate& format) {
    CurrentContextGuard keep;
    RequestFormat(format);
    SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return false;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context) SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    return context != nullptr;
}

SDL_Window* SdlWindowOf(HDC dc) {
    return dc && dc->Window ? dc->Window->Window : nullptr;
}

HDC SdlGetDC(HWND window) {
    return new TDeviceContext{window};
}

int SdlReleaseDC(HWND window, HDC dc) {
    if (!dc) return 0;
    const bool matches = dc->Window == window;
    delete dc;
    return matches ? 1 : 0;
}

int SdlChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    if (!dc || !request || !SDL_WasInit(SDL_INIT_VIDEO)) return 0;
    const std::vector<FormatCandidate> candidates = Candidates(*request);
    for (size_t i = 0; i < candidates.size(); ++i)
        if (FormatWorks(candidates[i])) return static_cast<int>(i + 1);
    return 0;
}

bool SdlSetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request) {
    if (!dc || !dc->Window || !dc->Window->Window || !request) return false;
    const std::vector<FormatCandidate> candidates = Candidates(*request);
    if (format < 1 || static_cast<size_t>(format) > candidates.size()) return false;
    TWindowRecord& record = *dc->Window;
    if (record.PixelFormat == format) return true;
    RequestFormat(candidates[static_cast<size_t>(format) - 1]);
    if (!CreateSdlWindow(record, SDL_WINDOW_OPENGL)) return false;
    record.PixelFormat = format;
    return true;
}

HGLRC SdlCreateContext(HDC dc) {
    SDL_Window* window = SdlWindowOf(dc);
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) return nullptr;
    // Making a context does not make it current; the caller does that.
    CurrentContextGuard keep;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return nullptr;
    return new TRenderContext{context};
}

bool SdlMakeCurrent(HDC dc, HGLRC context) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    if (!context) return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
    SDL_Window* window = SdlWindowOf(dc);
    if (!window) return false;
    return SDL_GL_MakeCurrent(window, context->Context) == 0;
}

bool SdlDeleteContext(HGLRC context) {
    if (!context) return false;
    // SDL makes the context not current first where it is current.
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_GL_DeleteContext(context->Context);
        DestroyWindowsKeptForContext();
    }
    delete context;
    return true;
}

bool SdlSwapBuffers(HDC dc) {
    SDL_Window* window = SdlWindowOf(dc);
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) return false;
    SDL_GL_SwapWindow(window);
    return true;
}

bool AnyCurrentContext() {
    return glXGetCurrentContext() != nullptr || eglGetCurrentContext() != EGL_NO_CONTEXT;
}

const GlWindowBackend kSdl = {SdlGetDC,         SdlReleaseDC,     SdlChoosePixelFormat,
                              SdlSetPixelFormat, SdlCreateContext, SdlMakeCurrent,
                              SdlDeleteContext,  SdlSwapBuffers,   AnyCurrentContext};
const GlWindowBackend* current = &kSdl;

}  // namespace

HDC GetDC(HWND window) {
    return current->GetDC(window);
}

int ReleaseDC(HWND window, HDC dc) {
    return current->ReleaseDC(window, dc);
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    return current->ChoosePixelFormat(dc, request);
}

bool SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request) {
    return current->SetPixelFormat(dc, format, request);
}

HGLRC wglCreateContext(HDC dc) {
    return current->CreateContext(dc);
}

bool wglMakeCurrent(HDC dc, HGLRC context) {
    return current->MakeCurrent(dc, context);
}

bool wglDeleteContext(HGLRC context) {
    return current->DeleteContext(context);
}

bool SwapBuffers(HDC dc) {
    return current->SwapBuffers(dc);
}

bool GlContextIsCurrent() {
    return current->HasCurrentContext();
}

const GlWindowBackend* SetGlWindowBackend(const GlWindowBackend* backend) {
    const GlWindowBackend* old = current;
    current = backend ? backend : &kSdl;
    return old;
}
