// Worlds made from people's heightmaps: pictures written by a real
// ImageMagick, elevation files of each raw kind written here, run through the
// real world generator and read back through the program's own loader, and
// the program walking such a world.
#include <FreeImage.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/terrain.h"
#include "tests/support/child_process.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/saved_record.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Levels = std::vector<std::vector<int>>;  // pixel values, top row first

struct Outcome {
    int Code = -1;
    std::string Stderr;
};

Outcome RunProgram(const std::string& executable, const std::vector<std::string>& arguments) {
    ChildProcess child;
    LaunchOptions options;
    options.executable = executable;
    options.arguments = arguments;
    Outcome run;
    if (!child.Start(options)) {
        ADD_FAILURE() << child.Error();
        return run;
    }
    run.Code = child.WaitForExit(120s).value_or(-1);
    run.Stderr = child.Stderr();
    return run;
}

Outcome Worldgen(const std::vector<std::string>& arguments) { return RunProgram(ORVALLE_WORLDGEN, arguments); }

// The real ImageMagick: its version 7 command, or version 6's convert in the
// system's own folder (another convert may come first on the path).
std::string ImageMagick() {
    for (const char* path : {"/usr/bin/magick", "/usr/bin/convert"}) {
        if (fs::exists(path)) return path;
    }
    return "";
}

// Runs ImageMagick; fails the test where it is missing or refuses.
void Magick(const std::vector<std::string>& arguments) {
    const std::string magick = ImageMagick();
    ASSERT_FALSE(magick.empty()) << "ImageMagick is not installed (scripts/install-deps.sh installs it)";
    const Outcome run = RunProgram(magick, arguments);
    ASSERT_EQ(run.Code, 0) << run.Stderr;
}

// A plain PGM of width x height samples (top row first) of at most maxValue.
void WritePgm(const std::string& path, const Levels& rows, int maxValue) {
    std::string text = "P2\n" + std::to_string(rows[0].size()) + " " + std::to_string(rows.size()) + "\n" +
                       std::to_string(maxValue) + "\n";
    for (const auto& row : rows) {
        for (const int v : row) text += std::to_string(v) + " ";
        text += "\n";
    }
    WriteFileBytes(path, text);
}

Levels Scaled(const Levels& rows, int factor) {
    Levels result = rows;
    for (auto& row : result) {
        for (int& v : row) v *= factor;
    }
    return result;
}

// The picture every ImageMagick case starts from: 6 x 4 distinct grey levels
// from 0 to 255 in no order, so that a flipped, mirrored, rescaled or
// palette-index reading shows.
const Levels Reference = {
    {13, 255, 43, 203, 73, 163},
    {233, 0, 113, 23, 193, 53},
    {93, 143, 33, 213, 133, 123},
    {183, 63, 223, 103, 153, 83},
};

class HeightmapWorldTest : public GlTest {
protected:
    void TearDown() override {
        ReleaseTerrain();
        GlTest::TearDown();
    }

    std::string World(const std::string& name) const { return dir.File(name); }

    // The world's map as the program reads it: its pixel values, top row first.
    Levels MapLevels(const std::string& world) {
        {
            CurrentDirectory inside(world);
            LoadTerrain("MAP\\map.bmp");
        }
        Levels rows(static_cast<size_t>(Terrain.Rows), std::vector<int>(static_cast<size_t>(Terrain.Columns)));
        for (int r = 0; r < Terrain.Rows; ++r) {
            for (int c = 0; c < Terrain.Columns; ++c) {
                // Grid row 0 is the picture's bottom row.
                rows[static_cast<size_t>(Terrain.Rows - 1 - r)][static_cast<size_t>(c)] =
                    static_cast<int>(CellAt(r, c).Height / 0.78125f);
            }
        }
        ReleaseTerrain();
        return rows;
    }

    static void ReleaseTerrain() {
        LoadTerrain(nullptr);
        for (int m = 0; m < Terrain.MaterialCount; ++m) Terrain.GroundTextures[m].FreeResource();
        TreeTexture.FreeResource();
    }

    ScratchDirectory dir;
};

TEST_F(HeightmapWorldTest, ImageMagickPicturesKeepSizeOrientationAndLevels) {
    WritePgm(dir.File("reference16.pgm"), Scaled(Reference, 257), 65535);
    const std::string in = dir.File("reference16.pgm");
    struct Case {
        const char* Name;
        std::vector<std::string> Arguments;  // ImageMagick's, writing Name
        const Levels& Expected;
    };
    const Case cases[] = {
        {"default.bmp", {in, dir.File("default.bmp")}, Reference},                   // version 4 header, 24-bit
        {"srgb.bmp", {in, "-colorspace", "sRGB", dir.File("srgb.bmp")}, Reference},  // version 5 header
        {"palette.bmp", {in, "-type", "Palette", dir.File("palette.bmp")}, Reference},  // compacted, run-length coded
        {"grey.bmp", {in, "-type", "Grayscale", "-depth", "8", dir.File("grey.bmp")}, Reference},
        {"alpha.bmp", {in, "-alpha", "on", dir.File("alpha.bmp")}, Reference},         // 32-bit bit fields
        {"grey16.png", {in, "-depth", "16", dir.File("grey16.png")}, Reference},
        {"grey8.png", {in, "-depth", "8", dir.File("grey8.png")}, Reference},
        {"grey16.tif", {in, "-depth", "16", dir.File("grey16.tif")}, Reference},
        {"float.tif",
         {in, "-depth", "32", "-define", "quantum:format=floating-point", "-compress", "zip", dir.File("float.tif")},
         Reference},
        {"grey16.pgm", {in, "-depth", "16", dir.File("grey16.pgm")}, Reference},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Magick(c.Arguments);
        const std::string world = World(std::string("world-") + c.Name);
        const Outcome run = Worldgen({world, "--heightmap", dir.File(c.Name)});
        ASSERT_EQ(run.Code, 0) << run.Stderr;
        EXPECT_EQ(MapLevels(world), c.Expected);
    }
}

TEST_F(HeightmapWorldTest, ColourCountsByItsLuminance) {
    // Red, green and blue columns over two rows.
    Magick({"-size", "1x2", "xc:#ff0000", "xc:#00ff00", "xc:#0000ff", "+append", dir.File("colours.png")});
    const std::string world = World("colours");
    ASSERT_EQ(Worldgen({world, "--heightmap", dir.File("colours.png")}).Code, 0);
    // Luminance 0.2126, 0.7152 and 0.0722 of full scale; blue lowest (0),
    // green highest (255), red at (0.2126 - 0.0722) / (0.7152 - 0.0722).
    EXPECT_EQ(MapLevels(world), (Levels{{56, 255, 0}, {56, 255, 0}}));
}

TEST_F(HeightmapWorldTest, MapIsAnEightBitGreyPictureWithIndexAsGreyLevel) {
    WritePgm(dir.File("in.pgm"), Reference, 255);
    const std::string world = World("w");
    ASSERT_EQ(Worldgen({world, "--heightmap", dir.File("in.pgm")}).Code, 0);
    FIBITMAP* map = FreeImage_Load(FIF_BMP, (world + "/MAP/map.bmp").c_str(), 0);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(FreeImage_GetBPP(map), 8u);
    const RGBQUAD* palette = FreeImage_GetPalette(map);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette[i].rgbRed, i);
        EXPECT_EQ(palette[i].rgbGreen, i);
        EXPECT_EQ(palette[i].rgbBlue, i);
    }
    FreeImage_Unload(map);
    // With the generated textures and sky of the default world, byte for byte.
    const std::string plain = World("plain");
    ASSERT_EQ(Worldgen({plain}).Code, 0);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(world)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const fs::path name = fs::relative(entry.path(), world);
        if (name != "MAP/map.bmp") {
            EXPECT_EQ(ReadFileBytes(entry.path()), ReadFileBytes(plain + "/" + name.string())) << name;
        }
    }
    EXPECT_EQ(files, 10u);
}

// A 4-bit run-length coded BMP of 4 x 2 pixels over a grey palette (index
// i shows grey 17 i): the bottom row a run of indices 1 and 2 by turns, the
// top row four literal indices 3 to 6.
std::string Rle4Bmp() {
    std::string bytes(54, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    for (int i = 0; i < 16; ++i) {
        const char grey = static_cast<char>(17 * i);
        bytes += std::string{grey, grey, grey, '\0'};
    }
    const std::string pixels("\x04\x12\x00\x00" "\x00\x04\x34\x56\x00\x00" "\x00\x01", 12);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(10, static_cast<uint32_t>(bytes.size()));
    bytes += pixels;
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(14, 40);
    put32(18, 4);
    put32(22, 2);
    bytes[26] = 1;
    bytes[28] = 4;
    put32(30, 2);  // run-length coded, 4 bits a pixel
    put32(34, static_cast<uint32_t>(pixels.size()));
    put32(46, 16);
    return bytes;
}

TEST_F(HeightmapWorldTest, RunLengthCodedBmpsAreExpanded) {
    // FreeImage's own run-length coded BMP, which it does not read back here.
    FIBITMAP* image = FreeImage_Allocate(5, 3, 8);
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i) palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
    for (int y = 0; y < 3; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, 2 - y);
        const std::vector<int>& row = Reference[static_cast<size_t>(y)];
        for (int x = 0; x < 5; ++x) line[x] = static_cast<BYTE>(row[static_cast<size_t>(x)]);
    }
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, image, dir.File("rle8.bmp").c_str(), BMP_SAVE_RLE));
    FreeImage_Unload(image);
    ASSERT_EQ(Worldgen({World("rle8"), "--heightmap", dir.File("rle8.bmp")}).Code, 0);
    // The reference's first five columns and three rows still reach 0 and 255.
    Levels expected8(Reference.begin(), Reference.begin() + 3);
    for (auto& row : expected8) row.resize(5);
    EXPECT_EQ(MapLevels(World("rle8")), expected8);

    WriteFileBytes(dir.File("rle4.bmp"), Rle4Bmp());
    ASSERT_EQ(Worldgen({World("rle4"), "--heightmap", dir.File("rle4.bmp")}).Code, 0);
    // Greys 51 to 102 over 17 to 102 scaled to 0 to 255.
    EXPECT_EQ(MapLevels(World("rle4")), (Levels{{102, 153, 204, 255}, {0, 51, 0, 51}}));
}

std::string BigEndian16(const std::vector<int>& values) {
    std::string bytes;
    for (const int v : values) {
        const auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
        bytes += static_cast<char>(u >> 8);
        bytes += static_cast<char>(u & 0xFF);
    }
    return bytes;
}

TEST_F(HeightmapWorldTest, SrtmTileFillsVoidsAndKeepsNorthUp) {
    constexpr int side = 1201;
    std::vector<int> metres(static_cast<size_t>(side) * side, 0);
    auto at = [&](int row, int column) -> int& { return metres[static_cast<size_t>(row) * side + column]; };
    at(0, 0) = 800;                // the north-west corner: the highest point
    at(side - 1, side - 1) = -200;  // the south-east corner: the lowest
    // A void whose eight neighbours are three points of 400 m and five of 0.
    at(9, 9) = at(9, 10) = at(9, 11) = 400;
    at(10, 10) = -32768;
    // A void hole of 3 x 3 in flat ground at 0 m.
    for (int r = 600; r < 603; ++r) {
        for (int c = 700; c < 703; ++c) at(r, c) = -32768;
    }
    WriteFileBytes(dir.File("N46E007.hgt"), BigEndian16(metres));

    const std::string world = World("srtm");
    const Outcome run = Worldgen({world, "--heightmap", dir.File("N46E007.hgt")});
    ASSERT_EQ(run.Code, 0) << run.Stderr;
    EXPECT_NE(run.Stderr.find("filling 10 void points"), std::string::npos) << run.Stderr;  // a large input's progress
    const Levels map = MapLevels(world);
    ASSERT_EQ(map.size(), static_cast<size_t>(side));
    ASSERT_EQ(map[0].size(), static_cast<size_t>(side));
    // -200 m to 800 m over 0 to 255: 0 m is 51.
    EXPECT_EQ(map[0][0], 255);
    EXPECT_EQ(map[side - 1][side - 1], 0);
    EXPECT_EQ(map[0][side - 1], 51);
    EXPECT_EQ(map[10][10], 89);  // 150 m, the mean of its neighbours
    EXPECT_EQ(map[601][701], 51);
}

std::string LittleEndian16(const std::vector<int>& values) {
    std::string bytes;
    for (const int v : values) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    }
    return bytes;
}

TEST_F(HeightmapWorldTest, Raw16HeightmapTakesItsSideFromItsSize) {
    // 5 x 5 points of r * 10000 + c * 300: the top-left lowest, rows apart by
    // far more than columns; a byte-swapped or flipped reading shows.
    std::vector<int> values;
    Levels expected(5, std::vector<int>(5));
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c) {
            values.push_back(r * 10000 + c * 300);
            expected[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                static_cast<int>(std::lround((r * 10000 + c * 300) * 255.0 / 41200));
        }
    }
    for (const char* name : {"terrain.r16", "terrain.raw", "TERRAIN.R16"}) {
        SCOPED_TRACE(name);
        WriteFileBytes(dir.File(name), LittleEndian16(values));
        const std::string world = World(std::string("world-") + name);
        ASSERT_EQ(Worldgen({world, "--heightmap", dir.File(name)}).Code, 0);
        EXPECT_EQ(MapLevels(world), expected);
    }
}

TEST_F(HeightmapWorldTest, SizeResamplesTheLongerSide) {
    // Shrinking averages each 2 x 2 block.
    WritePgm(dir.File("blocks.pgm"),
             {{0, 0, 255, 255, 0, 255, 10, 20},
              {0, 0, 255, 255, 255, 0, 30, 40},
              {100, 100, 0, 0, 255, 255, 1, 2},
              {100, 100, 0, 60, 255, 251, 3, 6}},
             255);
    ASSERT_EQ(Worldgen({World("shrunk"), "--heightmap", dir.File("blocks.pgm"), "--size", "4"}).Code, 0);
    EXPECT_EQ(MapLevels(World("shrunk")), (Levels{{0, 255, 128, 25}, {100, 15, 254, 3}}));

    // Growing interpolates between point centres; the corners stay.
    WritePgm(dir.File("corners.pgm"), {{0, 255}, {255, 0}}, 255);
    ASSERT_EQ(Worldgen({World("grown"), "--heightmap", dir.File("corners.pgm"), "--size", "4"}).Code, 0);
    EXPECT_EQ(MapLevels(World("grown")),
              (Levels{{0, 64, 191, 255}, {64, 96, 159, 191}, {191, 159, 96, 64}, {255, 191, 64, 0}}));

    // The shorter side keeps the proportions.
    WritePgm(dir.File("wide.pgm"), Levels(3, std::vector<int>{0, 50, 100, 150, 255}), 255);
    ASSERT_EQ(Worldgen({World("wide"), "--heightmap", dir.File("wide.pgm"), "--size", "10"}).Code, 0);
    const Levels wide = MapLevels(World("wide"));
    EXPECT_EQ(wide.size(), 6u);
    EXPECT_EQ(wide[0].size(), 10u);
    WritePgm(dir.File("tall.pgm"), Levels(5, std::vector<int>{0, 128, 255}), 255);
    ASSERT_EQ(Worldgen({World("tall"), "--heightmap", dir.File("tall.pgm"), "--size", "7"}).Code, 0);
    const Levels tall = MapLevels(World("tall"));
    EXPECT_EQ(tall.size(), 7u);
    EXPECT_EQ(tall[0].size(), 4u);
}

TEST_F(HeightmapWorldTest, HeightsChooseTheRangeAndFlatStaysFlat) {
    WritePgm(dir.File("metres.pgm"), {{0, 1000, 1500, 2000}, {2500, 65535, 1250, 1750}}, 65535);
    ASSERT_EQ(Worldgen({World("ranged"), "--heightmap", dir.File("metres.pgm"), "--heights", "1000:2000"}).Code, 0);
    EXPECT_EQ(MapLevels(World("ranged")), (Levels{{0, 0, 128, 255}, {255, 255, 64, 191}}));
    ASSERT_EQ(Worldgen({World("negative"), "--heightmap", dir.File("metres.pgm"), "--heights", "-1000:3000"}).Code, 0);
    EXPECT_EQ(MapLevels(World("negative")), (Levels{{64, 128, 159, 191}, {223, 255, 143, 175}}));

    WritePgm(dir.File("flat.pgm"), Levels(3, std::vector<int>(4, 3000)), 65535);
    ASSERT_EQ(Worldgen({World("flat"), "--heightmap", dir.File("flat.pgm")}).Code, 0);
    EXPECT_EQ(MapLevels(World("flat")), Levels(3, std::vector<int>(4, 0)));
    ASSERT_EQ(Worldgen({World("flat-ranged"), "--heightmap", dir.File("flat.pgm"), "--heights", "0:6000"}).Code, 0);
    EXPECT_EQ(MapLevels(World("flat-ranged")), Levels(3, std::vector<int>(4, 128)));
}

// A BMP whose header claims width x height 8-bit pixels that the file lacks.
void WriteClaimingBmp(const std::string& path, int32_t width, int32_t height) {
    std::string bytes(54 + 1024, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54 + 1024);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 8;
    WriteFileBytes(path, bytes);
}

TEST_F(HeightmapWorldTest, UnusableInputsAndOptionsWriteNothing) {
    WritePgm(dir.File("small.pgm"), {{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}, {12, 13, 14, 15}}, 255);
    WritePgm(dir.File("thin.pgm"), {{0}, {1}, {2}}, 255);
    WriteFileBytes(dir.File("notes.txt"), "not a picture at all\n");
    WriteFileBytes(dir.File("notes.png"), "not a picture either\n");
    Magick({dir.File("small.pgm"), "-depth", "16", dir.File("whole.png")});
    const std::string png = ReadFileBytes(dir.File("whole.png"));
    WriteFileBytes(dir.File("cut.png"), png.substr(0, png.size() / 2));
    WriteFileBytes(dir.File("N00E000.hgt"), std::string(1000, '\0'));
    WriteFileBytes(dir.File("S01W001.hgt"), BigEndian16(std::vector<int>(1201 * 1201, -32768)));
    WriteFileBytes(dir.File("odd.r16"), std::string(51, '\0'));
    WriteFileBytes(dir.File("oblong.raw"), std::string(2 * 6, '\0'));
    WriteClaimingBmp(dir.File("huge.bmp"), 20000, 20000);
    WriteClaimingBmp(dir.File("short.bmp"), 64, 64);

    struct Case {
        std::vector<std::string> Arguments;  // after the world folder
        const char* Says;                    // a part of the message
    };
    const Case cases[] = {
        {{"--heightmap", dir.File("missing.png")}, "missing.png: No such file"},
        {{"--heightmap", dir.File("notes.txt")}, "notes.txt: is no picture"},
        {{"--heightmap", dir.File("notes.png")}, "notes.png: could not be read as PNG"},
        {{"--heightmap", dir.File("cut.png")}, "cut.png: could not be read as PNG"},
        {{"--heightmap", dir.File("N00E000.hgt")}, "N00E000.hgt: is 1000 bytes; an SRTM tile holds"},
        {{"--heightmap", dir.File("S01W001.hgt")}, "S01W001.hgt: holds no heights"},
        {{"--heightmap", dir.File("odd.r16")}, "odd.r16: is 51 bytes, which is no square"},
        {{"--heightmap", dir.File("oblong.raw")}, "oblong.raw: is 12 bytes, which is no square"},
        {{"--heightmap", dir.File("huge.bmp")}, "huge.bmp: is 20000 x 20000 points"},
        {{"--heightmap", dir.File("short.bmp")}, "short.bmp: is cut short"},
        {{"--heightmap", dir.File("thin.pgm")}, "thin.pgm: is 1 x 3 points; a world needs at least 2"},
        {{"--heightmap", dir.File("small.pgm"), "--size", "65536"}, "small.pgm: resized to 65536 x 65536"},
        {{"--heightmap", dir.File("small.pgm"), "--size", "65537"}, "bad size \"65537\""},
        {{"--heightmap", dir.File("small.pgm"), "--size", "1"}, "bad size \"1\""},
        {{"--heightmap", dir.File("small.pgm"), "--heights", "5:1"}, "bad heights \"5:1\""},
        {{"--heightmap", dir.File("small.pgm"), "--heights", "0:x"}, "bad heights \"0:x\""},
        {{"--heightmap", dir.File("small.pgm"), "--heights", "100"}, "bad heights \"100\""},
        {{"--heights", "0:1"}, "--heights goes with --heightmap"},
        {{"--heightmap"}, "--heightmap needs a value"},
        {{"--heightmap", ""}, "--heightmap needs a file"},
    };
    for (const Case& c : cases) {
        const std::string world = World("never");
        std::vector<std::string> arguments{world};
        arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
        const Outcome run = Worldgen(arguments);
        SCOPED_TRACE(c.Says);
        EXPECT_NE(run.Code, 0);
        EXPECT_NE(run.Stderr.find(c.Says), std::string::npos) << run.Stderr;
        EXPECT_FALSE(fs::exists(world));
    }
}

// The program on its own X server, in a world made from an ImageMagick
// picture: the eye stays on that ground as it walks.
TEST(HeightmapWorldWalk, TheEyeWalksOnTheImportedGround) {
    ScratchDirectory dir;
    const std::string world = dir.File("world");
    // Black along the top edge to white along the bottom: the ground falls
    // away from the near edge (z = 0) as the walk goes forward (+z).
    Magick({"-size", "40x40", "gradient:black-white", "-depth", "16", dir.File("slope.png")});
    const Outcome made = Worldgen({world, "--heightmap", dir.File("slope.png")});
    ASSERT_EQ(made.Code, 0) << made.Stderr;

    XvfbSession x;
    ASSERT_TRUE(x.Ok()) << x.Error();
    LaunchOptions run;
    run.workingDirectory = world;
    ASSERT_TRUE(x.Launch(run)) << x.Error();
    ASSERT_NE(x.WaitForWindow("Orvalle"), 0u) << x.Program().Stderr();
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(x.PressKey("w"));
    std::this_thread::sleep_for(3000ms);
    ASSERT_TRUE(x.ReleaseKey("w"));
    ASSERT_TRUE(x.PressKey("Escape"));
    EXPECT_EQ(x.Program().WaitForExit(30s), 0) << x.Program().Stderr();
    x.ReleaseKey("Escape");
    const SavedRecord eye = ParseSavedRecord(ReadFileBytes(world + "/save.dat"));

    // The map read back: grid row r has the picture's row 39 - r, whose
    // level falls by 255 / 39 a row towards the far edge.
    EXPECT_EQ(eye.X, 400.0f);
    EXPECT_GT(eye.Z, 410.0f);  // it walked
    const double row = eye.Z / 20.0;
    const double ground = (255.0 - row * 255.0 / 39.0) * 0.78125;
    EXPECT_NEAR(eye.Y, ground + 1.8, 1.0) << "at z = " << eye.Z;
}

}  // namespace
