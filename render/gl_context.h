#pragma once
// The one OpenGL rendering context, tied to the main form's window.
#include "platform/gl_window_system.h"

class CGlContext {
public:
    CGlContext();
    ~CGlContext();
    CGlContext(const CGlContext&) = delete;
    CGlContext& operator=(const CGlContext&) = delete;

    // Attaches to window and leaves the context current; raises logic_error
    // "Error initializing contex" when the window offers no fitting format.
    void Create(HWND window);
    void BeginFrame();
    void EndFrame();
    void Release();

    HGLRC RenderContext = nullptr;
    HWND Window = nullptr;
    HDC DeviceContext = nullptr;
    PIXELFORMATDESCRIPTOR FormatDescriptor;
};

extern CGlContext GlContext;
