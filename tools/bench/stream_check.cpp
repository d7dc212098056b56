#include "tools/bench/stream_check.h"

#include <EGL/egl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/bench/frame_timing.h"

namespace bench {

StatsQuery::StatsQuery() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions || !std::strstr(extensions, "GL_ARB_pipeline_statistics_query")) return;
    Gen = reinterpret_cast<PFNGLGENQUERIESPROC>(eglGetProcAddress("glGenQueries"));
    Begin = reinterpret_cast<PFNGLBEGINQUERYPROC>(eglGetProcAddress("glBeginQuery"));
    End = reinterpret_cast<PFNGLENDQUERYPROC>(eglGetProcAddress("glEndQuery"));
    Get = reinterpret_cast<PFNGLGETQUERYOBJECTUIVPROC>(eglGetProcAddress("glGetQueryObjectuiv"));
    if (!Gen || !Begin || !End || !Get) return;
    Gen(3, Names);
    Ok = true;
}

StatsQuery::Counts StatsQuery::Count(void (*draw)(const BareFrame&), const BareFrame& f) const {
    Counts n;
    if (!Ok) {
        draw(f);
        return n;
    }
    Begin(GL_VERTICES_SUBMITTED_ARB, Names[0]);
    Begin(GL_SAMPLES_PASSED, Names[1]);
    Begin(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, Names[2]);
    draw(f);
    End(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
    End(GL_SAMPLES_PASSED);
    End(GL_VERTICES_SUBMITTED_ARB);
    Get(Names[0], GL_QUERY_RESULT, &n.Vertices);
    Get(Names[1], GL_QUERY_RESULT, &n.Fragments);
    Get(Names[2], GL_QUERY_RESULT, &n.Shaded);
    return n;
}

namespace {

std::vector<uint8_t> ReadFrame(OffscreenGl& gl) {
    glFinish();
    return gl.Pixels();
}

struct PictureDifference {
    size_t Bytes = 0;
    int MaxLevels = 0;
};

PictureDifference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    PictureDifference d;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int levels = std::abs(int{a[i]} - int{b[i]});
        if (levels != 0) ++d.Bytes;
        d.MaxLevels = std::max(d.MaxLevels, levels);
    }
    if (a.size() != b.size()) d.MaxLevels = 256;
    return d;
}

void ClearAll() {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(0.5f, 0.25f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<GLfloat> Feedback(void (*draw)(const BareFrame&), const BareFrame& f, size_t floats) {
    for (;;) {
        std::vector<GLfloat> buffer(floats);
        glFeedbackBuffer(static_cast<GLsizei>(floats), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw(f);
        const GLint count = glRenderMode(GL_RENDER);
        if (count >= 0) {
            buffer.resize(static_cast<size_t>(count));
            return buffer;
        }
        floats *= 2;
    }
}

void FrameFull(const BareFrame&) { Frame(false); }
void FrameLod(const BareFrame&) { Frame(true); }

}  // namespace

bool CheckStreams(OffscreenGl& gl, const BareFrame& f, bool feedback, StatsQuery::Counts counts[2]) {
    bool ok = true;
    const StatsQuery stats;
    struct Pair {
        const char* Name;
        void (*Frame)(const BareFrame&);
        void (*Bare)(const BareFrame&);
        size_t Expected;
    };
    const Pair pairs[] = {{"full detail", FrameFull, BareFull, f.FullVertices()},
                          {"ring", FrameLod, BareLod, f.LodVertices()}};
    for (const Pair& p : pairs) {
        // The frame first, so that the bare loop starts from the state a
        // frame of this kind leaves, as the frames after it do.
        const StatsQuery::Counts frameCounts = stats.Count(p.Frame, f);
        ClearAll();
        const StatsQuery::Counts bareCounts = stats.Count(p.Bare, f);
        const std::vector<uint8_t> bareImage = ReadFrame(gl);
        counts[&p - pairs] = frameCounts;
        if (stats.Ok) {
            std::fprintf(stderr,
                         "  check %s: %u vertices from the frame, %u from the bare loop, %zu expected; %u and %u "
                         "fragments drawn, %u and %u shaded\n",
                         p.Name, frameCounts.Vertices, bareCounts.Vertices, p.Expected, frameCounts.Fragments,
                         bareCounts.Fragments, frameCounts.Shaded, bareCounts.Shaded);
            ok = ok && frameCounts.Vertices == bareCounts.Vertices && bareCounts.Vertices == p.Expected;
        } else {
            std::fprintf(stderr, "  check %s: no vertex counter in this driver\n", p.Name);
        }
        ClearAll();
        p.Frame(f);
        const std::vector<uint8_t> frameImage = ReadFrame(gl);
        ClearAll();
        p.Frame(f);
        const std::vector<uint8_t> again = ReadFrame(gl);
        const PictureDifference stream = Compare(frameImage, bareImage);
        const PictureDifference jitter = Compare(frameImage, again);
        // Mesa itself is off by a level or two here and there between two
        // draws of the same frame (near the horizon, where triangles are
        // smaller than a pixel); a different stream shows far more than that.
        const bool same = stream.MaxLevels <= jitter.MaxLevels + 2 &&
                          stream.Bytes <= 2 * jitter.Bytes + frameImage.size() / 10000;
        std::fprintf(stderr,
                     "  check %s: pictures %s (%zu bytes differ, by up to %d; the frame against itself: %zu, by up to "
                     "%d)\n",
                     p.Name, same ? "agree" : "DIFFER", stream.Bytes, stream.MaxLevels, jitter.Bytes, jitter.MaxLevels);
        ok = ok && same;
        if (feedback) {
            const size_t start = std::min<size_t>(size_t{1} << 26, 64 + 40 * p.Expected);
            const std::vector<GLfloat> a = Feedback(p.Frame, f, start);
            const std::vector<GLfloat> b = Feedback(p.Bare, f, start);
            const bool sameFeedback =
                a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(GLfloat)) == 0;
            std::fprintf(stderr, "  check %s: feedback %zu floats, %s\n", p.Name, a.size(),
                         sameFeedback ? "identical" : "DIFFERS");
            ok = ok && sameFeedback;
        }
    }
    return ok;
}

}  // namespace bench
