#include "render/gl_context.h"

#include <stdexcept>

CGlContext GlContext;

CGlContext::CGlContext() : FormatDescriptor{} {
    FormatDescriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    FormatDescriptor.nVersion = 1;
    FormatDescriptor.dwFlags = PFD_DOUBLEBUFFER;
    FormatDescriptor.iPixelType = PFD_TYPE_RGBA;
    FormatDescriptor.cColorBits = 24;
    FormatDescriptor.cDepthBits = 32;
    FormatDescriptor.iLayerType = PFD_MAIN_PLANE;
}

CGlContext::~CGlContext() {
    Release();
}

void CGlContext::Create(HWND window) {
    Release();
    Window = window;
    DeviceContext = GetDC(Window);
    const int format = ChoosePixelFormat(DeviceContext, &FormatDescriptor);
    // On failure the device context stays held; the next BeginFrame or
    // Release gives it back.
    if (format == 0) throw std::logic_error("Error initializing contex");
    if (!SetPixelFormat(DeviceContext, format, &FormatDescriptor)) throw std::logic_error("Error initializing contex");
    RenderContext = wglCreateContext(DeviceContext);
    wglMakeCurrent(DeviceContext, RenderContext);
    ReleaseDC(Window, DeviceContext);
    DeviceContext = nullptr;
}

void CGlContext::BeginFrame() {
    // Only a failed Create leaves a device context held between frames;
    // give it back rather than lose it.
    if (DeviceContext) ReleaseDC(Window, DeviceContext);
    DeviceContext = GetDC(Window);
    wglMakeCurrent(DeviceContext, RenderContext);
}

void CGlContext::EndFrame() {
    SwapBuffers(DeviceContext);
    ReleaseDC(Window, DeviceContext);
    DeviceContext = nullptr;
}

void CGlContext::Release() {
    if (DeviceContext) {
        ReleaseDC(Window, DeviceContext);
        DeviceContext = nullptr;
    }
    Window = nullptr;
    if (RenderContext) {
        wglDeleteContext(RenderContext);
        RenderContext = nullptr;
    }
}
