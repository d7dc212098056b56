#pragma once
// What OpenGL's feedback mode reports of a drawing: every primitive's
// vertices, as they would reach the rasteriser, mapped back to world units.
#include <functional>
#include <vector>

struct FeedbackVertex {
    float X, Y, Z;     // position
    float R, G, B, A;  // colour
    float S, T;        // texture coordinate
};

struct FeedbackCapture {
    // Mesa reports every triangle and quad as triangles.
    std::vector<std::vector<FeedbackVertex>> Polygons;
    int OtherPrimitives = 0;  // points, lines, pixel rectangles
    bool Overflowed = false;
};

// Runs draw in feedback mode with the model-view matrix the identity and an
// orthographic view of the cube within +-extent on every axis (extent at
// most 8192), so that positions come back in the coordinates draw used.
// Viewport and both matrices are put back afterwards.
FeedbackCapture CaptureFeedback(float extent, const std::function<void()>& draw, size_t maxFloats = 1 << 21);
