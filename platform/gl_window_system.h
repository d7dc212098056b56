#pragma once
// The window-system side of OpenGL: device contexts, pixel formats and
// rendering contexts on a window. CGlContext is the only caller. Every call
// goes through a replaceable backend, so a test can record what is asked.
#include <cstdint>

struct TWindowRecord;  // the platform's window behind a form
struct TDeviceContext;
struct TRenderContext;
using HWND = TWindowRecord*;
using HDC = TDeviceContext*;
using HGLRC = TRenderContext*;

enum : uint32_t {
    PFD_DOUBLEBUFFER = 0x00000001,
    PFD_DRAW_TO_WINDOW = 0x00000004,
    PFD_SUPPORT_OPENGL = 0x00000020,
};
enum : uint8_t {
    PFD_TYPE_RGBA = 0,
    PFD_MAIN_PLANE = 0,
};

// The pixel format request: what a window's framebuffer should offer.
struct PIXELFORMATDESCRIPTOR {
    uint16_t nSize;
    uint16_t nVersion;
    uint32_t dwFlags;
    uint8_t iPixelType;
    uint8_t cColorBits;
    uint8_t cRedBits;
    uint8_t cRedShift;
    uint8_t cGreenBits;
    uint8_t cGreenShift;
    uint8_t cBlueBits;
    uint8_t cBlueShift;
    uint8_t cAlphaBits;
    uint8_t cAlphaShift;
    uint8_t cAccumBits;
    uint8_t cAccumRedBits;
    uint8_t cAccumGreenBits;
    uint8_t cAccumBlueBits;
    uint8_t cAccumAlphaBits;
    uint8_t cDepthBits;
    uint8_t cStencilBits;
    uint8_t cAuxBuffers;
    uint8_t iLayerType;
    uint8_t bReserved;
    uint32_t dwLayerMask;
    uint32_t dwVisibleMask;
    uint32_t dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

struct GlWindowBackend {
    HDC (*GetDC)(HWND window);
    int (*ReleaseDC)(HWND window, HDC dc);
    int (*ChoosePixelFormat)(HDC dc, const PIXELFORMATDESCRIPTOR* request);
    bool (*SetPixelFormat)(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request);
    HGLRC (*CreateContext)(HDC dc);
    bool (*MakeCurrent)(HDC dc, HGLRC context);
    bool (*DeleteContext)(HGLRC context);
    bool (*SwapBuffers)(HDC dc);
    // Whether some rendering context is current on this thread, so that
    // OpenGL objects can still be deleted.
    bool (*HasCurrentContext)();
};

HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// The 1-based index of the closest format the window system offers, 0 for none.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request);
bool SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request);
HGLRC wglCreateContext(HDC dc);
bool wglMakeCurrent(HDC dc, HGLRC context);
bool wglDeleteContext(HGLRC context);
bool SwapBuffers(HDC dc);
bool GlContextIsCurrent();

// Installs a backend (nullptr restores the window system's); returns the old one.
const GlWindowBackend* SetGlWindowBackend(const GlWindowBackend* backend);
