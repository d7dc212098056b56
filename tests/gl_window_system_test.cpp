// The window system's side of OpenGL where no window is involved.
#include "platform/gl_window_system.h"

#include <gtest/gtest.h>

#include "tests/support/offscreen_gl.h"

namespace {

// Textures ask this before deleting their names; the tests' contexts are
// EGL ones, the program's GLX ones, and both must count.
TEST(GlWindowSystemTest, AnyContextCurrentOnThisThreadCounts) {
    OffscreenGl gl(8, 8);
    ASSERT_TRUE(gl.Ok());
    EXPECT_TRUE(GlContextIsCurrent());
    gl.MakeNoneCurrent();
    EXPECT_FALSE(GlContextIsCurrent());
    gl.MakeCurrent();
    EXPECT_TRUE(GlContextIsCurrent());
}

// Before the window system has started there is nothing to draw on.
TEST(GlWindowSystemTest, WithoutAWindowSystemNoFormatOrContextIsOffered) {
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DOUBLEBUFFER;
    request.cColorBits = 24;
    request.cDepthBits = 32;
    HDC first = GetDC(nullptr);
    HDC second = GetDC(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second) << "each call hands out a device context of its own";
    EXPECT_EQ(ChoosePixelFormat(first, &request), 0);
    EXPECT_FALSE(SetPixelFormat(first, 1, &request));
    EXPECT_EQ(wglCreateContext(first), nullptr);
    EXPECT_FALSE(SwapBuffers(first));
    EXPECT_FALSE(wglDeleteContext(nullptr));
    EXPECT_EQ(ReleaseDC(nullptr, first), 1);
    EXPECT_EQ(ReleaseDC(nullptr, second), 1);
}

}  // namespace
