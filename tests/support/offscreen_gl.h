#pragma once
// A real Mesa OpenGL context with no display: EGL on the surfaceless
// platform, drawing into a pbuffer whose framebuffer is what CGlContext asks
// of a window (8-bit RGB, no alpha planes, 32 depth bits where offered).
#include <array>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

class OffscreenGl {
public:
    OffscreenGl(int width, int height);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool Ok() const { return ok_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void MakeCurrent();
    // Unbinds the context from this thread (no context current afterwards).
    void MakeNoneCurrent();

    // RGB of the pixel at (x, y), y counted from the bottom as OpenGL does.
    std::array<uint8_t, 3> Pixel(int x, int y) const;
    // The whole picture as RGB rows, bottom row first.
    std::vector<uint8_t> Pixels() const;

private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    int width_;
    int height_;
    bool ok_ = false;
};

// A test fixture with a current offscreen context of 64 x 64 pixels.
class GlTest : public ::testing::Test {
protected:
    GlTest() : gl(64, 64) {}
    void SetUp() override { ASSERT_TRUE(gl.Ok()) << "no offscreen OpenGL context"; }
    OffscreenGl gl;
};
