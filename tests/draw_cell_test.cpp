// DrawCell through a sink that keeps its vertices: what both terrain
// renderers and the benchmark's bare stream take a square's vertices from.
#include "terrain/draw_cell.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/scoped_terrain_grid.h"

namespace {

struct Vertex {
    float A, S, T, X, Y, Z;
};

std::vector<Vertex> Cell(int32_t row, int32_t col, int32_t step, float texScale) {
    std::vector<Vertex> sent;
    DrawCell(row, col, step, texScale,
             [&](float a, float s, float t, float x, float y, float z) { sent.push_back({a, s, t, x, y, z}); });
    return sent;
}

class DrawCellTest : public ::testing::Test {
protected:
    DrawCellTest() : grid_(5, 4) {
        // Heights tell the grid points apart: 10 x row + col.
        for (int32_t r = 0; r < 5; ++r) {
            for (int32_t c = 0; c < 4; ++c) {
                grid_.At(r, c).Height = static_cast<float>(10 * r + c);
                grid_.At(r, c).Material = (r + c) % 3;
            }
        }
    }
    void SetUp() override { savedPass_ = CurrentPass; }
    void TearDown() override { CurrentPass = savedPass_; }

    ScopedTerrainGrid grid_;

private:
    int32_t savedPass_ = 0;
};

// A coarse square at a texture scale of its own: its corners are every
// step-th grid point, its texture coordinates col x texScale and
// row x texScale, in the order P00, P01, P11, P00, P10, P11.
TEST_F(DrawCellTest, SendsTheTwoTrianglesOfTheSquareCornerByCorner) {
    CurrentPass = 1;
    const std::vector<Vertex> sent = Cell(2, 1, 2, 0.5f);
    ASSERT_EQ(6u, sent.size());
    const int corners[6][2] = {{2, 1}, {2, 3}, {4, 3}, {2, 1}, {4, 1}, {4, 3}};
    for (int i = 0; i < 6; ++i) {
        const int r = corners[i][0], c = corners[i][1];
        SCOPED_TRACE("vertex " + std::to_string(i + 1));
        EXPECT_EQ(20.0f * c, sent[i].X);
        EXPECT_EQ(20.0f * r, sent[i].Z);
        EXPECT_EQ(static_cast<float>(10 * r + c), sent[i].Y);
        EXPECT_EQ(0.5f * c, sent[i].S);
        EXPECT_EQ(0.5f * r, sent[i].T);
        EXPECT_EQ((r + c) % 3 == 1 ? 1.0f : 0.0f, sent[i].A);
    }
    CurrentPass = -1;
    for (const Vertex& v : Cell(2, 1, 2, 0.5f)) EXPECT_EQ(1.0f, v.A) << "the depth pass weighs every point";
}

TEST_F(DrawCellTest, SendsNothingUnlessAllFourCornersAreGridPoints) {
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    struct Case {
        int32_t Row, Col, Step;
        size_t Vertices;
    };
    const Case cases[] = {
        {3, 2, 1, 6},     // the last square: corners on the last row and column
        {0, 0, 4, 0},     // reaches row 4 but column 4 of 0 .. 3
        {4, 0, 1, 0},     // from the last row
        {0, 3, 1, 0},     // from the last column
        {-1, 0, 1, 0},    {0, -1, 1, 0},   {0, 0, -1, 0},
        {1, 1, Max, 0},   // row + step beyond 32 bits
        {Max, Max, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.Vertices, Cell(c.Row, c.Col, c.Step, 0.4f).size())
            << "row " << c.Row << ", col " << c.Col << ", step " << c.Step;
    }
    ScopedTerrainGrid none(0, 0);
    EXPECT_TRUE(Cell(0, 0, 0, 0.4f).empty()) << "no grid";
}

}  // namespace
