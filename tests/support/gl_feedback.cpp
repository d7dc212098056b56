#include "tests/support/gl_feedback.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

FeedbackCapture CaptureFeedback(float extent, const std::function<void()>& draw, size_t maxFloats) {
    FeedbackCapture capture;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const GLsizei size = static_cast<GLsizei>(2 * extent);
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-extent, extent, -extent, extent, -extent, extent);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    std::vector<GLfloat> buffer(maxFloats);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    if (count < 0) {
        capture.Overflowed = true;
        ADD_FAILURE() << "feedback buffer of " << maxFloats << " floats overflowed";
        return capture;
    }
    // x4D colour texture: x y z w, r g b a, s t r q.
    constexpr int VertexFloats = 12;
    auto vertexAt = [&](GLint at) {
        const GLfloat* v = &buffer[static_cast<size_t>(at)];
        // Window coordinates back to the cube: x_w = x + extent, z_w = (1 - z / extent) / 2.
        return FeedbackVertex{v[0] - extent, v[1] - extent, extent * (1.0f - 2.0f * v[2]), v[4], v[5], v[6], v[7],
                              v[8] / v[11], v[9] / v[11]};
    };
    GLint i = 0;
    while (i < count) {
        const GLint token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
        switch (token) {
            case GL_POLYGON_TOKEN: {
                const GLint n = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
                std::vector<FeedbackVertex> polygon;
                for (GLint k = 0; k < n; ++k, i += VertexFloats) polygon.push_back(vertexAt(i));
                capture.Polygons.push_back(std::move(polygon));
                break;
            }
            case GL_LINE_TOKEN:
            case GL_LINE_RESET_TOKEN:
                ++capture.OtherPrimitives;
                i += 2 * VertexFloats;
                break;
            case GL_POINT_TOKEN:
            case GL_BITMAP_TOKEN:
            case GL_DRAW_PIXEL_TOKEN:
            case GL_COPY_PIXEL_TOKEN:
                ++capture.OtherPrimitives;
                i += VertexFloats;
                break;
            case GL_PASS_THROUGH_TOKEN:
                i += 1;
                break;
            default:
                ADD_FAILURE() << "unknown feedback token " << token;
                return capture;
        }
    }
    return capture;
}
