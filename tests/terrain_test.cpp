#include "terrain/terrain.h"

#include <FreeImage.h>
#include <GL/gl.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/offscreen_gl.h"

namespace {

namespace fs = std::filesystem;

// Pixel values by grid row, row 0 first: the bottom row of the picture.
using Grid = std::vector<std::vector<int>>;

float HeightOf(int v) { return static_cast<float>(v) * 0.78125f; }

bool Save(FIBITMAP* image, const char* path) {
    const bool ok = image && FreeImage_Save(FIF_BMP, image, path, BMP_DEFAULT);
    FreeImage_Unload(image);
    return ok;
}

// An 8-bit picture whose palette index is the pixel value; palette entry i
// gets colour(i).
template <typename Colour>
FIBITMAP* Indexed8(const Grid& rows, Colour colour) {
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows[0].size());
    FIBITMAP* image = FreeImage_Allocate(width, height, 8);
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i) {
        const BYTE c = static_cast<BYTE>(colour(i));
        palette[i] = RGBQUAD{c, c, c, 0};
    }
    for (int r = 0; r < height; ++r) {
        BYTE* line = FreeImage_GetScanLine(image, r);
        for (int c = 0; c < width; ++c) line[c] = static_cast<BYTE>(rows[r][c]);
    }
    return image;
}

FIBITMAP* Grey8(const Grid& rows) {
    return Indexed8(rows, [](int i) { return i; });
}

// The same values as a picture of bpp bits per pixel: palettised pictures get
// a grey palette of 2^bpp entries (rows then hold palette indices), wider
// ones grey pixels.
FIBITMAP* GreyOfDepth(const Grid& rows, unsigned bpp) {
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows[0].size());
    FIBITMAP* image = FreeImage_Allocate(width, height, static_cast<int>(bpp));
    if (bpp <= 8) {
        const int entries = 1 << bpp;
        RGBQUAD* palette = FreeImage_GetPalette(image);
        for (int i = 0; i < entries; ++i) {
            const BYTE c = static_cast<BYTE>(i * 255 / (entries - 1));
            palette[i] = RGBQUAD{c, c, c, 0};
        }
    }
    for (int r = 0; r < height; ++r) {
        BYTE* line = FreeImage_GetScanLine(image, r);
        std::memset(line, 0, FreeImage_GetPitch(image));
        for (int c = 0; c < width; ++c) {
            const int v = rows[r][c];
            if (bpp == 1) {
                if (v) line[c / 8] |= static_cast<BYTE>(0x80 >> (c % 8));
            } else if (bpp == 4) {
                line[c / 2] |= static_cast<BYTE>(c % 2 ? v : v << 4);
            } else {
                const unsigned bytes = bpp / 8;
                for (unsigned k = 0; k < bytes; ++k) line[c * bytes + k] = static_cast<BYTE>(v);
            }
        }
    }
    return image;
}

// A picture whose values differ from point to point: (r, c) -> a value.
Grid Varied(int rows, int columns) {
    Grid grid(rows, std::vector<int>(columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) grid[r][c] = (r * 71 + c * 37 + r * c * 13) % 256;
    return grid;
}

Grid Flat(int rows, int columns, int v) { return Grid(rows, std::vector<int>(columns, v)); }

// The bytes of an uncompressed 8-bit BMP header (file header, info header,
// grey palette) that claims width x height but carries no pixels.
std::vector<char> HeaderOnlyBmp(int32_t width, int32_t height) {
    std::vector<char> bytes(14 + 40 + 1024, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 14 + 40 + 1024);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 8);
    put32(46, 256);
    for (int i = 0; i < 256; ++i) {
        char* entry = &bytes[54 + 4 * i];
        entry[0] = entry[1] = entry[2] = static_cast<char>(i);
    }
    return bytes;
}

void WriteBytes(const char* path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<char> ReadBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// Each test runs in a fresh temporary folder, the world folder of the
// program, with a current offscreen context for the textures.
class TerrainTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        char pattern[] = "/tmp/orvalle_terrain_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        previous_ = fs::current_path();
        fs::current_path(folder_);
        fs::create_directories("MAP");
    }

    void TearDown() override {
        // Drop the texture names while their context is still current.
        for (int m = 0; m < Terrain.MaterialCount; ++m) Terrain.GroundTextures[m].FreeResource();
        TreeTexture.FreeResource();
        if (!previous_.empty()) fs::current_path(previous_);
        if (!folder_.empty()) fs::remove_all(folder_);
    }

    // Writes the map where the program looks for it and loads the terrain.
    static void LoadMap(FIBITMAP* image) {
        ASSERT_TRUE(Save(image, "MAP/map.bmp"));
        LoadTerrain("MAP\\map.bmp");
    }
    static void LoadMap(const Grid& rows) { LoadMap(Grey8(rows)); }

    static void ExpectGrid(const Grid& rows) {
        ASSERT_EQ(Terrain.Rows, static_cast<int32_t>(rows.size()));
        ASSERT_EQ(Terrain.Columns, static_cast<int32_t>(rows[0].size()));
        ASSERT_NE(Cells, nullptr);
        for (int r = 0; r < Terrain.Rows; ++r)
            for (int c = 0; c < Terrain.Columns; ++c)
                ASSERT_EQ(CellAt(r, c).Height, HeightOf(rows[r][c])) << "row " << r << ", column " << c;
    }

    static void ExpectEmptyGrid() {
        EXPECT_EQ(Terrain.Columns, 0);
        EXPECT_EQ(Terrain.Rows, 0);
        EXPECT_EQ(Cells, nullptr);
        EXPECT_EQ(GetTerrainSize(), 0.0f);
        for (float x : {-10.0f, 0.0f, 5.0f, 20.0f, 30.0f})
            for (float z : {-10.0f, 0.0f, 5.0f, 20.0f, 30.0f}) EXPECT_EQ(GetHeight(x, z), 0.0f);
    }

    fs::path folder_;
    fs::path previous_;
};

TEST_F(TerrainTest, PixelValueGivesHeightMaterialAndTree) {
    struct Case {
        int Value;
        float Height;
        int32_t Material;
    };
    const Case cases[] = {{0, 0.0f, 0},      {119, 92.96875f, 0},  {120, 93.75f, 1},
                          {149, 116.40625f, 1}, {150, 117.1875f, 2}, {255, 199.21875f, 2}};
    Grid rows(2);
    for (const Case& c : cases) rows[0].push_back(c.Value), rows[1].push_back(c.Value);
    LoadMap(rows);
    ASSERT_EQ(Terrain.Columns, 6);
    ASSERT_EQ(Terrain.Rows, 2);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 6; ++c) {
            EXPECT_EQ(CellAt(r, c).Height, cases[c].Height) << "value " << cases[c].Value;
            EXPECT_EQ(CellAt(r, c).Material, cases[c].Material) << "value " << cases[c].Value;
            EXPECT_EQ(CellAt(r, c).HasTree, 1);
        }
    }
}

TEST_F(TerrainTest, PaletteIndexIsTheHeightWhateverColourItShows) {
    const Grid rows = Varied(4, 5);
    LoadMap(Indexed8(rows, [](int i) { return 255 - i; }));
    ExpectGrid(rows);
}

TEST_F(TerrainTest, BottomRowOfThePictureIsRowZero) {
    Grid rows = Flat(3, 3, 0);
    rows[0] = {255, 255, 255};
    LoadMap(rows);
    for (float x : {0.0f, 5.0f, 10.0f, 25.0f}) {
        EXPECT_EQ(GetHeight(x, 0.0f), 199.21875f) << "x " << x;
        EXPECT_EQ(GetHeight(x, 10.0f), 99.609375f) << "x " << x;
        EXPECT_EQ(GetHeight(x, 20.0f), 0.0f) << "x " << x;
    }
}

// A picture stored top row first, whose file and image size fields lie and
// whose last row lacks its padding (as some writers leave them): the rows are
// what count, and row 0 is still the picture's bottom row.
TEST_F(TerrainTest, TopDownMapWithWrongSizeFieldsLoadsTheSameGrid) {
    const Grid rows = Varied(4, 5);  // rows of 5 bytes, padded to 8
    ASSERT_TRUE(Save(Grey8(rows), "bottom_up.bmp"));
    const std::vector<char> bottomUp = ReadBytes("bottom_up.bmp");
    ASSERT_EQ(bottomUp.size(), 1078u + 4 * 8);
    std::vector<char> topDown = bottomUp;
    const int32_t height = -4;
    const uint32_t fileSize = 0, imageSize = 12345678;
    std::memcpy(&topDown[22], &height, 4);
    std::memcpy(&topDown[2], &fileSize, 4);
    std::memcpy(&topDown[34], &imageSize, 4);
    for (size_t r = 0; r < 4; ++r) std::memcpy(&topDown[1078 + 8 * r], &bottomUp[1078 + 8 * (3 - r)], 8);
    topDown.resize(topDown.size() - 3);
    WriteBytes("MAP/map.bmp", topDown);
    LoadTerrain("MAP\\map.bmp");
    ExpectGrid(rows);
}

TEST_F(TerrainTest, SamplesGridPointsDiagonalsAndCellCentres) {
    const Grid rows = Varied(4, 5);
    LoadMap(rows);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(GetHeight(c * 20.0f, r * 20.0f), HeightOf(rows[r][c])) << "row " << r << ", column " << c;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            const float h00 = HeightOf(rows[r][c]), h11 = HeightOf(rows[r + 1][c + 1]);
            EXPECT_EQ(GetHeight(c * 20.0f + 10.0f, r * 20.0f + 10.0f), (h00 + h11) / 2) << "cell " << r << ", " << c;
            for (float t : {0.25f, 0.75f})
                EXPECT_FLOAT_EQ(GetHeight((c + t) * 20.0f, (r + t) * 20.0f), h00 + (h11 - h00) * t);
        }
    }
}

TEST_F(TerrainTest, SamplesTheTriangleThatHoldsThePoint) {
    const Grid rows = Varied(4, 5);
    LoadMap(rows);
    auto h = [&](int r, int c) { return HeightOf(rows[r][c]); };
    // (30, 25): u = 1.5 >= v = 1.25, the triangle over the low row's edge.
    EXPECT_EQ(GetHeight(30.0f, 25.0f), h(1, 1) + (h(2, 2) - h(1, 1)) * 0.25f + (h(1, 2) - h(1, 1)) * 0.25f);
    // (25, 30): the other triangle, through (2, 1).
    EXPECT_EQ(GetHeight(25.0f, 30.0f), h(1, 1) + (h(2, 2) - h(1, 1)) * 0.25f + (h(2, 1) - h(1, 1)) * 0.25f);
}

TEST_F(TerrainTest, ContinuesThePlaneJustBelowTheLowEdge) {
    const Grid rows = Varied(4, 5);
    LoadMap(rows);
    auto h = [&](int r, int c) { return static_cast<double>(HeightOf(rows[r][c])); };
    // x = -10, z = 5: u = -0.5 < v = 0.25, the triangle through (1, 0).
    EXPECT_FLOAT_EQ(GetHeight(-10.0f, 5.0f), h(0, 0) + (h(1, 1) - h(0, 0)) * -0.5 + (h(1, 0) - h(0, 0)) * 0.75);
    // x = 5, z = -10: u = 0.25 >= v = -0.5, the triangle through (0, 1).
    EXPECT_FLOAT_EQ(GetHeight(5.0f, -10.0f), h(0, 0) + (h(1, 1) - h(0, 0)) * -0.5 + (h(0, 1) - h(0, 0)) * 0.75);

    LoadMap(Flat(3, 4, 77));
    const float nearEdge[][2] = {{-19.9f, -19.9f}, {-5.0f, 30.0f}, {30.0f, -5.0f}, {-0.001f, 0.0f}};
    for (const auto& p : nearEdge) EXPECT_EQ(GetHeight(p[0], p[1]), HeightOf(77)) << p[0] << ", " << p[1];
}

TEST_F(TerrainTest, OutsideTheGridAndNonFiniteCoordinatesGiveZero) {
    LoadMap(Flat(3, 4, 200));
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float outside[] = {-20.0f, -25.0f, nan, inf, -inf, 1e30f, -1e30f, 4.3e10f, -4.3e10f,
                             std::numeric_limits<float>::max()};
    for (float bad : outside) {
        EXPECT_EQ(GetHeight(bad, 10.0f), 0.0f) << "x " << bad;
        EXPECT_EQ(GetHeight(10.0f, bad), 0.0f) << "z " << bad;
    }
    EXPECT_EQ(GetHeight(80.0f, 10.0f), 0.0f);   // x = Columns x 20
    EXPECT_EQ(GetHeight(10.0f, 60.0f), 0.0f);   // z = Rows x 20
    EXPECT_EQ(GetHeight(79.99f, 10.0f), HeightOf(200));
    EXPECT_EQ(GetHeight(10.0f, 59.99f), HeightOf(200));
}

TEST_F(TerrainTest, LastRowAndColumnCarryTheEdgeOn) {
    const Grid rows = Varied(4, 5);
    LoadMap(rows);
    const float lastX = 4 * 20.0f, lastZ = 3 * 20.0f;
    for (float z : {0.0f, 7.0f, 20.0f, 33.0f, 50.0f})
        for (float dx : {3.0f, 10.0f, 19.5f})
            EXPECT_FLOAT_EQ(GetHeight(lastX + dx, z), GetHeight(lastX, z)) << "z " << z << ", dx " << dx;
    for (float x : {0.0f, 7.0f, 20.0f, 33.0f, 70.0f})
        for (float dz : {3.0f, 10.0f, 19.5f})
            EXPECT_FLOAT_EQ(GetHeight(x, lastZ + dz), GetHeight(x, lastZ)) << "x " << x << ", dz " << dz;
    for (float d : {0.0f, 5.0f, 19.9f}) EXPECT_EQ(GetHeight(lastX + d, lastZ + d), HeightOf(rows[3][4]));
}

TEST_F(TerrainTest, GridTakesThePictureSize) {
    LoadMap(Flat(200, 300, 10));
    EXPECT_EQ(Terrain.Columns, 300);
    EXPECT_EQ(Terrain.Rows, 200);
    EXPECT_EQ(GetTerrainSize(), 6000.0f);

    // One grid point wide or high: a valid grid, sampled along its one line.
    const Grid column = {{10}, {20}, {30}};
    LoadMap(column);
    ExpectGrid(column);
    EXPECT_EQ(GetTerrainSize(), 20.0f);
    EXPECT_EQ(GetHeight(0.0f, 20.0f), HeightOf(20));
    EXPECT_EQ(GetHeight(15.0f, 30.0f), (HeightOf(20) + HeightOf(30)) / 2);
    const Grid row = {{10, 20, 30}};
    LoadMap(row);
    ExpectGrid(row);
    EXPECT_EQ(GetHeight(30.0f, 15.0f), (HeightOf(20) + HeightOf(30)) / 2);
    LoadMap(Grid{{99}});
    ExpectGrid(Grid{{99}});
    EXPECT_EQ(GetHeight(10.0f, 10.0f), HeightOf(99));
}

// Some writers leave out the padding of the picture's last row, which ends
// the file early: the rows are all there, and the map loads. A file that
// ends inside the last row's pixels is refused.
TEST_F(TerrainTest, MapWithoutTheLastRowsPaddingLoads) {
    const Grid rows = Varied(4, 5);  // rows of 5 bytes, padded to 8
    ASSERT_TRUE(Save(Grey8(rows), "whole.bmp"));
    const std::vector<char> whole = ReadBytes("whole.bmp");
    ASSERT_EQ(whole.size(), 1078u + 4 * 8);
    WriteBytes("MAP/map.bmp", std::vector<char>(whole.begin(), whole.end() - 3));
    LoadTerrain("MAP\\map.bmp");
    ExpectGrid(rows);
    WriteBytes("MAP/map.bmp", std::vector<char>(whole.begin(), whole.end() - 4));
    LoadTerrain("MAP\\map.bmp");
    ExpectEmptyGrid();
}

// Beyond 2^24 points, a sixteenth of the largest map and as wide as it may
// be: 16384 columns by 1025 rows.
TEST_F(TerrainTest, LargeMapWithinTheLimitLoads) {
    FIBITMAP* image = FreeImage_Allocate(16384, 1025, 8);
    ASSERT_NE(image, nullptr);
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    for (int r = 0; r < 1025; ++r) std::memset(FreeImage_GetScanLine(image, r), r % 256, 16384);
    FreeImage_GetScanLine(image, 1024)[16383] = 255;
    LoadMap(image);
    ASSERT_EQ(Terrain.Columns, 16384);
    ASSERT_EQ(Terrain.Rows, 1025);
    EXPECT_EQ(GetTerrainSize(), 327680.0f);
    EXPECT_EQ(CellAt(1000, 7).Height, HeightOf(1000 % 256));
    EXPECT_EQ(CellAt(1024, 16383).Height, HeightOf(255));
    EXPECT_EQ(CellAt(1024, 16382).Height, HeightOf(0));
}

TEST_F(TerrainTest, OtherBitDepthsLoadAsEightBitGrey) {
    // Widths whose scan lines are shorter than one byte per pixel, or not
    // a whole number of pixels wide in bytes.
    struct Case {
        unsigned Bpp;
        int Width;
        int Levels;  // pixel values run 0 .. Levels - 1
    };
    for (const Case& test : {Case{1, 13, 2}, Case{4, 7, 16}, Case{24, 5, 256}, Case{32, 3, 256}}) {
        SCOPED_TRACE(testing::Message() << test.Bpp << " bits per pixel");
        Grid values(3, std::vector<int>(test.Width));
        Grid expected = values;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < test.Width; ++c) {
                values[r][c] = (r * 89 + c * 53 + 1) % test.Levels;
                expected[r][c] = values[r][c] * 255 / (test.Levels - 1);
            }
        }
        LoadMap(GreyOfDepth(values, test.Bpp));
        ExpectGrid(expected);
    }
}

TEST_F(TerrainTest, UnreadableMapsLeaveAnEmptyGrid) {
    ASSERT_TRUE(Save(Grey8(Varied(40, 30)), "whole.bmp"));
    const std::vector<char> whole = ReadBytes("whole.bmp");
    ASSERT_GT(whole.size(), 1078u);

    struct Case {
        const char* What;
        std::vector<char> Bytes;  // empty: no file at all
    };
    const Case cases[] = {
        {"missing", {}},
        {"truncated", std::vector<char>(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2))},
        {"header only", std::vector<char>(whole.begin(), whole.begin() + 1078)},
        {"not a picture", std::vector<char>(2000, 'x')},
        {"claims 100000 x 100000", HeaderOnlyBmp(100000, 100000)},
        {"claims 100000 x 100000, top-down", HeaderOnlyBmp(100000, -100000)},
        {"claims 70000 x 70000, beyond 32 bits", HeaderOnlyBmp(70000, 70000)},
        {"claims one row more than the largest grid", HeaderOnlyBmp(16384, 16385)},
        // Within the bound, but rows a thousand-byte file cannot hold: the
        // library would allocate and fill 64 MB before noticing.
        {"claims 4096 x 16384 in a header alone", HeaderOnlyBmp(4096, 16384)},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.What);
        LoadMap(Varied(3, 3));  // a grid that the failed load must release
        ASSERT_EQ(Terrain.Columns, 3);
        fs::remove("MAP/map.bmp");
        if (!test.Bytes.empty()) WriteBytes("MAP/map.bmp", test.Bytes);
        LoadTerrain("MAP\\map.bmp");
        ExpectEmptyGrid();
    }
}

// The RGB (or RGBA) texels of level 0 of a texture, top row first, and the
// width of a level (0 where the level does not exist).
std::vector<uint8_t> TexelsOf(const CTexture& texture, GLenum format, int width, int height) {
    std::vector<uint8_t> texels(static_cast<size_t>(width) * height * (format == GL_RGBA ? 4 : 3));
    texture.Bind();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

GLint LevelWidth(const CTexture& texture, int level) {
    texture.Bind();
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    return width;
}

FIBITMAP* Solid24(int width, int height, RGBQUAD colour) {
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < width; ++x) {
            line[3 * x + FI_RGBA_RED] = colour.rgbRed;
            line[3 * x + FI_RGBA_GREEN] = colour.rgbGreen;
            line[3 * x + FI_RGBA_BLUE] = colour.rgbBlue;
        }
    }
    return image;
}

TEST_F(TerrainTest, LoadsGroundAndTreeTexturesWhateverTheMap) {
    fs::create_directories("TEXTURES/Floor");
    const RGBQUAD ground[3] = {{10, 60, 120, 0}, {20, 130, 40, 0}, {200, 200, 190, 0}};  // blue, green, red
    const char* groundFiles[3] = {"TEXTURES/Floor/mud.bmp", "TEXTURES/Floor/rock.bmp", "TEXTURES/Floor/stone.bmp"};
    for (int m = 0; m < 3; ++m) ASSERT_TRUE(Save(Solid24(4, 4, ground[m]), groundFiles[m]));
    // The tree: key colour on the top-left pixel and the top row, green below.
    FIBITMAP* tree = Solid24(4, 4, RGBQUAD{30, 140, 40, 0});
    BYTE* top = FreeImage_GetScanLine(tree, 3);
    for (int x = 0; x < 4; ++x) top[3 * x + FI_RGBA_RED] = 255, top[3 * x + FI_RGBA_GREEN] = 0, top[3 * x + FI_RGBA_BLUE] = 255;
    ASSERT_TRUE(Save(tree, "TEXTURES/elka.bmp"));

    for (const std::string map : {"missing", "refused", "loaded"}) {
        SCOPED_TRACE(map);
        fs::remove("MAP/map.bmp");
        if (map == "refused") {
            WriteBytes("MAP/map.bmp", HeaderOnlyBmp(100000, 100000));
        } else if (map == "loaded") {
            ASSERT_TRUE(Save(Grey8(Varied(3, 3)), "MAP/map.bmp"));
        }
        LoadTerrain("MAP\\map.bmp");
        EXPECT_EQ(Terrain.Columns, map == "loaded" ? 3 : 0);

        for (int m = 0; m < 3; ++m) {
            const CTexture& texture = Terrain.GroundTextures[m];
            ASSERT_NE(texture.TextureName, 0u) << "material " << m;
            EXPECT_EQ(LevelWidth(texture, 0), 4);
            EXPECT_EQ(LevelWidth(texture, 2), 1) << "a full mipmap chain";
            const std::vector<uint8_t> texels = TexelsOf(texture, GL_RGBA, 4, 4);
            EXPECT_EQ(texels[0], ground[m].rgbRed);
            EXPECT_EQ(texels[1], ground[m].rgbGreen);
            EXPECT_EQ(texels[2], ground[m].rgbBlue);
            // The colour key is the tree's alone: every ground texel, all of
            // the top-left one's colour, stays opaque.
            for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[4 * i + 3], 255) << "material " << m << ", texel " << i;
        }
        ASSERT_NE(TreeTexture.TextureName, 0u);
        EXPECT_EQ(LevelWidth(TreeTexture, 2), 1);
        const std::vector<uint8_t> texels = TexelsOf(TreeTexture, GL_RGBA, 4, 4);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[4 * i + 3], i < 4 ? 0 : 255) << "texel " << i;
    }
}

}  // namespace
