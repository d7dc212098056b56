#pragma once
// The bare call stream: a frame's exact sequence of OpenGL calls with every
// vertex value worked out beforehand, so that the loops sending the
// vertices read each value from a table and do nothing but the calls, the
// limit of immediate mode on this driver. The state set-up between the
// vertex loops is the renderer's own, and so is the sky box, 20 vertices.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

struct LodVertex {
    float A, S, T, X, Y, Z;
};

struct BareFrame {
    int Passes = 0;  // the depth pass and one per material
    // Full detail, as tables of the values the vertices take: by column,
    // by row and by grid point. A flat array of every vertex would stream
    // gigabytes through memory on the large maps (at 2048 x 2048 it made
    // the bare loop slower than the renderer); these fit the caches as
    // well as the grid itself does.
    int32_t Rows = 0, Columns = 0;      // grid points; no cells below 2 x 2
    std::vector<float> S0, S1, X0, X1;  // by column: texture s and x of a cell's low and high edge
    std::vector<float> T0, T1, Z0, Z1;  // by row: texture t and z
    std::vector<float> H;               // by grid point: height
    std::vector<std::vector<float>> Alpha;  // by pass, then grid point
    size_t TreeCount = 0;
    bool TreeEverywhere = false;  // then the lists below are empty
    std::vector<int32_t> TreeRow, TreeColumn;
    std::vector<float> XMinus, XPlus;  // by column, six quads: x -+ the quad's half-width
    std::vector<float> ZMinus, ZPlus;  // by row, six quads
    std::vector<float> Top, Bottom;    // by grid point: the trees' top and bottom

    // Rings: the vertices of every block drawn, and where each block ends.
    std::vector<LodVertex> Lod;
    std::vector<size_t> LodBlockEnds;

    size_t CellCount() const {
        return Rows < 2 || Columns < 2 ? 0 : static_cast<size_t>(Rows - 1) * static_cast<size_t>(Columns - 1);
    }
    size_t FullVertices() const { return 20 + 6 * CellCount() * Passes + 24 * TreeCount; }
    size_t LodVertices() const { return 20 + Lod.size(); }
};

// The full-detail tables of the loaded world, from what DrawCell and the
// tree shape send; exits for a frame with fog, stereo or wireframe, whose
// streams these loops do not send.
BareFrame BuildBareFrame();
// The ring stream, from DrawCell over the blocks the ring renderer draws.
// It depends on CurrentPass, so it is built after a full-detail frame.
void BuildLod(BareFrame& f);

void BareFull(const BareFrame& f);
void BareLod(const BareFrame& f);

}  // namespace bench
