#include "tools/bench/bare_stream.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "app/settings.h"
#include "camera/camera.h"
#include "render/frame_renderer.h"
#include "render/sky_box.h"
#include "terrain/draw_cell.h"
#include "terrain/terrain_lod.h"
#include "terrain/set_camera.h"
#include "terrain/terrain.h"
#include "terrain/terrain_renderer.h"

namespace bench {

namespace {

// DrawCell's six vertices, kept instead of sent.
struct CellVertices {
    LodVertex V[6] = {};
    int N = 0;
    void operator()(float a, float s, float t, float x, float y, float z) { V[N++] = {a, s, t, x, y, z}; }
};

void BuildFullDetail(BareFrame& f) {
    f.Passes = Terrain.MaterialCount + 1;
    const int32_t rows = Terrain.Rows, columns = Terrain.Columns;
    if (!Cells || rows < 2 || columns < 2) return;
    f.Rows = rows;
    f.Columns = columns;
    const size_t cellColumns = static_cast<size_t>(columns - 1), cellRows = static_cast<size_t>(rows - 1);
    const size_t points = static_cast<size_t>(rows) * static_cast<size_t>(columns);
    f.S0.resize(cellColumns);
    f.S1.resize(cellColumns);
    f.X0.resize(cellColumns);
    f.X1.resize(cellColumns);
    f.T0.resize(cellRows);
    f.T1.resize(cellRows);
    f.Z0.resize(cellRows);
    f.Z1.resize(cellRows);
    f.H.resize(points);
    f.Alpha.assign(static_cast<size_t>(f.Passes), std::vector<float>(points));

    // Every square of every pass as DrawCell forms it: corner P00 is vertex
    // 0, P01 vertex 1, P11 vertex 2, P10 vertex 4.
    const int32_t savedPass = CurrentPass;
    for (CurrentPass = -1; CurrentPass < Terrain.MaterialCount; ++CurrentPass) {
        std::vector<float>& alpha = f.Alpha[static_cast<size_t>(CurrentPass + 1)];
        for (int32_t r = 0; r + 1 < rows; ++r) {
            for (int32_t c = 0; c + 1 < columns; ++c) {
                CellVertices q;
                DrawCell(r, c, 1, Terrain.TexStep, q);
                const size_t row = static_cast<size_t>(r), col = static_cast<size_t>(c);
                const size_t p00 = row * static_cast<size_t>(columns) + col;
                const size_t p10 = p00 + static_cast<size_t>(columns);
                f.S0[col] = q.V[0].S;
                f.S1[col] = q.V[1].S;
                f.X0[col] = q.V[0].X;
                f.X1[col] = q.V[1].X;
                f.T0[row] = q.V[0].T;
                f.T1[row] = q.V[2].T;
                f.Z0[row] = q.V[0].Z;
                f.Z1[row] = q.V[2].Z;
                const size_t corners[4] = {p00, p00 + 1, p10 + 1, p10};
                const int vertices[4] = {0, 1, 2, 4};
                for (int k = 0; k < 4; ++k) {
                    f.H[corners[k]] = q.V[vertices[k]].Y;
                    alpha[corners[k]] = q.V[vertices[k]].A;
                }
            }
        }
    }
    CurrentPass = savedPass;

    f.Top.resize(points);
    f.Bottom.resize(points);
    for (size_t i = 0; i < points; ++i) {
        f.Top[i] = TreeTop(Cells[i].Height);
        f.Bottom[i] = TreeBottom(Cells[i].Height);
    }
    for (size_t c = 0; c < cellColumns; ++c) {
        for (int k = 0; k < TreeQuads; ++k) {
            f.XMinus.push_back(f.X0[c] - Spokes.Dx[k]);
            f.XPlus.push_back(f.X0[c] + Spokes.Dx[k]);
        }
    }
    for (size_t r = 0; r < cellRows; ++r) {
        for (int k = 0; k < TreeQuads; ++k) {
            f.ZMinus.push_back(f.Z0[r] - Spokes.Dz[k]);
            f.ZPlus.push_back(f.Z0[r] + Spokes.Dz[k]);
        }
    }
    f.TreeCount = 0;
    for (int32_t r = 0; r + 1 < rows; ++r) {
        for (int32_t c = 0; c + 1 < columns; ++c) {
            if (CellAt(r, c).HasTree == 0) continue;
            f.TreeRow.push_back(r);
            f.TreeColumn.push_back(c);
            ++f.TreeCount;
        }
    }
    // The loader plants a tree on every grid point; then the loop needs no list.
    if (f.TreeCount == f.CellCount()) {
        f.TreeRow.clear();
        f.TreeColumn.clear();
        f.TreeEverywhere = true;
    }
}

// A ring block's squares in DrawBlock's order, columns outer.
bool AddLodBlock(BareFrame& f, int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step) {
    if (!BlockFits(row0, col0, rowCount, colCount, step)) return false;
    const auto keep = [&](float a, float s, float t, float x, float y, float z) {
        f.Lod.push_back({a, s, t, x, y, z});
    };
    for (int32_t i = 0; i < colCount; ++i) {
        for (int32_t j = 0; j < rowCount; ++j) DrawCell(row0 + j * step, col0 + i * step, step, Terrain.TexStep, keep);
    }
    f.LodBlockEnds.push_back(f.Lod.size());
    return true;
}

// What a frame sends before the terrain's vertices: its set-up, the sky
// box, the eye, and the terrain's depth set-up.
void BareFrameStart() {
    SetFrameView();
    DrawSkyBox();
    SetCamera(Camera.Position, Camera.Direction, Camera.Up);
    SetTerrainDepthState();
}

}  // namespace

BareFrame BuildBareFrame() {
    if (Settings.Fog != 0 || Settings.Stereo != 0 || Settings.Wireframe != 0) {
        std::fprintf(stderr, "bench_frame: the bare stream is that of a frame without fog, stereo or wireframe\n");
        std::exit(1);
    }
    BareFrame f;
    BuildFullDetail(f);
    return f;
}

void BuildLod(BareFrame& f) {
    f.Lod.clear();
    f.LodBlockEnds.clear();
    WalkRings(Camera.Position, [&](int32_t row0, int32_t col0, int32_t rowCount, int32_t colCount, int32_t step) {
        return AddLodBlock(f, row0, col0, rowCount, colCount, step);
    });
}

// From here on the vertex loops make only OpenGL calls, with values read
// from the tables: SendTerrainVertex is DrawCell's three calls.

void BareFull(const BareFrame& f) {
    BareFrameStart();
    const size_t columns = static_cast<size_t>(f.Columns);
    const size_t cellRows = f.Rows > 1 ? static_cast<size_t>(f.Rows - 1) : 0;
    const size_t cellColumns = f.Columns > 1 ? columns - 1 : 0;
    const SendTerrainVertex send;
    for (int pass = 0; pass < f.Passes; ++pass) {
        SetPassState(pass - 1);
        glBegin(GL_TRIANGLES);
        for (size_t r = 0; r < cellRows; ++r) {
            const float* h0 = f.H.data() + r * columns;
            const float* h1 = h0 + columns;
            const float* a0 = f.Alpha[static_cast<size_t>(pass)].data() + r * columns;
            const float* a1 = a0 + columns;
            const float t0 = f.T0[r], t1 = f.T1[r], z0 = f.Z0[r], z1 = f.Z1[r];
            for (size_t c = 0; c < cellColumns; ++c) {
                const float s0 = f.S0[c], s1 = f.S1[c], x0 = f.X0[c], x1 = f.X1[c];
                send(a0[c], s0, t0, x0, h0[c], z0);
                send(a0[c + 1], s1, t0, x1, h0[c + 1], z0);
                send(a1[c + 1], s1, t1, x1, h1[c + 1], z1);
                send(a0[c], s0, t0, x0, h0[c], z0);
                send(a1[c], s0, t1, x0, h1[c], z1);
                send(a1[c + 1], s1, t1, x1, h1[c + 1], z1);
            }
        }
        glEnd();
    }
    SetTreeState();
    glBegin(GL_QUADS);
    const auto tree = [&](size_t r, size_t c) {
        const float top = f.Top[r * columns + c], bottom = f.Bottom[r * columns + c];
        const float* xm = &f.XMinus[c * TreeQuads];
        const float* xp = &f.XPlus[c * TreeQuads];
        const float* zm = &f.ZMinus[r * TreeQuads];
        const float* zp = &f.ZPlus[r * TreeQuads];
        for (int k = 0; k < TreeQuads; ++k) {
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(xm[k], top, zm[k]);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(xp[k], top, zp[k]);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(xp[k], bottom, zp[k]);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(xm[k], bottom, zm[k]);
        }
    };
    if (f.TreeEverywhere) {
        for (size_t r = 0; r < cellRows; ++r)
            for (size_t c = 0; c < cellColumns; ++c) tree(r, c);
    } else {
        for (size_t i = 0; i < f.TreeRow.size(); ++i)
            tree(static_cast<size_t>(f.TreeRow[i]), static_cast<size_t>(f.TreeColumn[i]));
    }
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
}

void BareLod(const BareFrame& f) {
    BareFrameStart();
    const SendTerrainVertex send;
    const LodVertex* v = f.Lod.data();
    size_t i = 0;
    for (const size_t end : f.LodBlockEnds) {
        glBegin(GL_TRIANGLES);
        for (; i < end; ++i) send(v[i].A, v[i].S, v[i].T, v[i].X, v[i].Y, v[i].Z);
        glEnd();
    }
    glDisable(GL_FOG);
}

}  // namespace bench
