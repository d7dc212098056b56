#pragma once
// The check that the frame and the bare loop send the same stream, made
// before any timing.
#include <GL/gl.h>
#include <GL/glext.h>

#include "tests/support/offscreen_gl.h"
#include "tools/bench/bare_stream.h"

namespace bench {

// The driver's pipeline counters, where it has them.
struct StatsQuery {
    PFNGLGENQUERIESPROC Gen = nullptr;
    PFNGLBEGINQUERYPROC Begin = nullptr;
    PFNGLENDQUERYPROC End = nullptr;
    PFNGLGETQUERYOBJECTUIVPROC Get = nullptr;
    GLuint Names[3] = {};
    bool Ok = false;
    StatsQuery();
    struct Counts {
        GLuint Vertices = 0;   // reaching the pipeline
        GLuint Fragments = 0;  // passing the depth test (all of them where it is off)
        GLuint Shaded = 0;     // rasterised and shaded, hidden ones included
    };
    // What draw sent and drew; zeros without counters.
    Counts Count(void (*draw)(const BareFrame&), const BareFrame& f) const;
};

// Both loops must send the same stream: the same number of vertices, the
// same feedback (every vertex's position, colour and texture coordinate as
// the pipeline saw it, where feedback is set), and the same picture. The
// frame's counts come back in counts: full detail, then ring.
bool CheckStreams(OffscreenGl& gl, const BareFrame& f, bool feedback, StatsQuery::Counts counts[2]);

}  // namespace bench
