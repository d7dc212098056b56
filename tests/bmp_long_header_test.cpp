// BMPs with the longer information headers that people's tools write by
// default, read by the program for the heightmap and the textures as their
// version 3 equivalent, with every other rule of those loaders kept.
#include <FreeImage.h>
#include <GL/gl.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/terrain.h"
#include "tests/support/child_process.h"
#include "tests/support/hostile_inputs.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/scratch_directory.h"
#include "texture/bmp_v3_header.h"
#include "texture/texture.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Le32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

Bytes FileBytes(const std::string& path) {
    const std::string text = ReadFileBytes(path);
    return Bytes(text.begin(), text.end());
}
void WriteBytes(const std::string& path, const Bytes& bytes) {
    WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

Bytes Lengthened(const Bytes& v3, uint32_t infoSize) {
    const std::string file = WithLongBmpHeader(std::string(v3.begin(), v3.end()), infoSize);
    return Bytes(file.begin(), file.end());
}

// A 5 x 3 picture written by FreeImage as a version 3 BMP; 8-bit pictures
// get a reversed grey palette, so that index and colour differ.
Bytes WrittenByFreeImage(const std::string& path, int bpp) {
    FIBITMAP* image = bpp == 16
                          ? FreeImage_Allocate(5, 3, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK)
                          : FreeImage_Allocate(5, 3, bpp);
    if (bpp == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(image);
        for (int i = 0; i < 256; ++i) palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = BYTE(255 - i);
    }
    for (int y = 0; y < 3; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, y);
        for (unsigned i = 0; i < FreeImage_GetLine(image); ++i) line[i] = static_cast<BYTE>(37 * y + 11 * i + 5);
    }
    EXPECT_TRUE(FreeImage_Save(FIF_BMP, image, path.c_str(), 0));
    FreeImage_Unload(image);
    return FileBytes(path);
}

TEST(BmpV3HeaderTest, LongerHeadersRewriteToTheVersion3File) {
    ScratchDirectory dir;
    for (const int bpp : {8, 16, 24, 32}) {
        const Bytes v3 = WrittenByFreeImage(dir.File("v3.bmp"), bpp);
        if (bpp == 16) {
            ASSERT_EQ(Le32(v3, 30), 3u) << "16-bit pixels as bit fields";
        }
        for (const uint32_t infoSize : {52u, 56u, 108u, 124u}) {
            SCOPED_TRACE(std::to_string(bpp) + "-bit, header of " + std::to_string(infoSize));
            Bytes file = Lengthened(v3, infoSize);
            ASSERT_TRUE(HasLongBmpHeader(file.data(), file.size()));
            ASSERT_TRUE(RewriteBmpHeaderAsV3(file));
            EXPECT_EQ(file, v3);
        }
        Bytes same = v3;
        EXPECT_FALSE(RewriteBmpHeaderAsV3(same));  // a version 3 file is left alone
        EXPECT_EQ(same, v3);
    }
}

TEST(BmpV3HeaderTest, OffsetsThatDoNotAddUpAreLeftAlone) {
    ScratchDirectory dir;
    const Bytes v5 = Lengthened(WrittenByFreeImage(dir.File("v3.bmp"), 8), 124);
    for (const uint32_t offset : {0u, 100u, 137u, static_cast<uint32_t>(v5.size()) + 1, 0xFFFFFFFFu}) {
        Bytes file = v5;
        PutLe32(file, 10, offset);  // inside the headers, or beyond the file
        EXPECT_FALSE(RewriteBmpHeaderAsV3(file)) << offset;
        EXPECT_EQ(Le32(file, 14), 124u);
    }
    Bytes cut(v5.begin(), v5.begin() + 100);  // ends inside its header
    EXPECT_FALSE(RewriteBmpHeaderAsV3(cut));
}

// The real ImageMagick (see the heightmap tests).
std::string ImageMagick() {
    for (const char* path : {"/usr/bin/magick", "/usr/bin/convert"}) {
        if (access(path, X_OK) == 0) return path;
    }
    return "";
}

void Magick(const std::vector<std::string>& arguments) {
    const std::string magick = ImageMagick();
    ASSERT_FALSE(magick.empty()) << "ImageMagick is not installed (scripts/install-deps.sh installs it)";
    ChildProcess child;
    LaunchOptions options;
    options.executable = magick;
    options.arguments = arguments;
    ASSERT_TRUE(child.Start(options)) << child.Error();
    ASSERT_EQ(child.WaitForExit(std::chrono::seconds(60)), 0) << child.Stderr();
}

uint32_t InfoSize(const std::string& path) { return Le32(FileBytes(path), 14); }

class LongHeaderLoadTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        std::filesystem::create_directory(dir.File("MAP"));
    }
    void TearDown() override {
        LoadTerrain(nullptr);
        for (int m = 0; m < Terrain.MaterialCount; ++m) Terrain.GroundTextures[m].FreeResource();
        TreeTexture.FreeResource();
    }

    void LoadMap(const std::string& picture) {
        WriteBytes(dir.File("MAP/map.bmp"), FileBytes(picture));
        CurrentDirectory inside(dir.Path());
        LoadTerrain("MAP\\map.bmp");
    }

    // Pixel values of the grid, top row first.
    static std::vector<std::vector<int>> GridLevels() {
        std::vector<std::vector<int>> rows(static_cast<size_t>(Terrain.Rows));
        for (int r = 0; r < Terrain.Rows; ++r) {
            for (int c = 0; c < Terrain.Columns; ++c) {
                const int level = static_cast<int>(CellAt(r, c).Height / 0.78125f);
                rows[static_cast<size_t>(Terrain.Rows - 1 - r)].push_back(level);
            }
        }
        return rows;
    }

    static std::vector<uint8_t> Texels(const CTexture& texture, GLenum format, int components, int& width,
                                       int& height) {
        texture.Bind();
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * components);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        if (!pixels.empty()) glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
        CTexture::Unbind();
        return pixels;
    }

    ScratchDirectory dir;
};

TEST_F(LongHeaderLoadTest, ImageMagicksDefaultBmpsGiveTheHeightmap) {
    const std::vector<std::vector<int>> levels = {{0, 40, 80, 120, 160}, {255, 200, 150, 100, 50}, {7, 17, 27, 37, 47}};
    std::string pgm = "P2\n5 3\n255\n";
    for (const auto& row : levels) {
        for (const int v : row) pgm += std::to_string(v) + " ";
        pgm += "\n";
    }
    WriteFileBytes(dir.File("heights.pgm"), pgm);
    struct Case {
        const char* Name;
        std::vector<std::string> Options;
        uint32_t InfoSize;
    };
    const Case cases[] = {
        {"v4.bmp", {}, 108},                        // 24-bit grey
        {"v5.bmp", {"-colorspace", "sRGB"}, 124},  // 24-bit grey with colour space
        {"v4-alpha.bmp", {"-alpha", "on"}, 108},    // 32-bit bit fields
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> arguments{dir.File("heights.pgm")};
        arguments.insert(arguments.end(), c.Options.begin(), c.Options.end());
        arguments.push_back(dir.File(c.Name));
        Magick(arguments);
        ASSERT_EQ(InfoSize(dir.File(c.Name)), c.InfoSize);
        LoadMap(dir.File(c.Name));
        EXPECT_EQ(GridLevels(), levels);  // other depths go to grey, as before
    }
}

TEST_F(LongHeaderLoadTest, EightBitIndexIsStillTheHeightWhateverThePalette) {
    const Bytes v3 = WrittenByFreeImage(dir.File("v3.bmp"), 8);
    LoadMap(dir.File("v3.bmp"));
    const auto expected = GridLevels();
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(expected[2][0], 5);  // bottom row, first byte: index 5, though its grey is 250
    for (const uint32_t infoSize : {108u, 124u}) {
        WriteBytes(dir.File("long.bmp"), Lengthened(v3, infoSize));
        LoadMap(dir.File("long.bmp"));
        EXPECT_EQ(GridLevels(), expected) << infoSize;
    }
}

TEST_F(LongHeaderLoadTest, ImageMagicksDefaultBmpsGiveTextures) {
    // The key's dark green, green, blue and red over grey, white, the key
    // and black: 4 x 2, a size the mipmap builder keeps.
    WriteFileBytes(dir.File("tree.ppm"),
                   "P3\n4 2\n255\n20 50 30  0 255 0  0 0 255  255 0 0\n128 128 128  255 255 255  20 50 30  0 0 0\n");
    Magick({dir.File("tree.ppm"), dir.File("tree.bmp")});
    ASSERT_EQ(InfoSize(dir.File("tree.bmp")), 124u);
    const std::vector<uint8_t> rgb = {20,  50,  30,  0,   255, 0,   0,  0,  255, 255, 0, 0,    // top row (t = 0)
                                      128, 128, 128, 255, 255, 255, 20, 50, 30,  0,   0, 0};

    CTexture ground;
    ground.Load(dir.File("tree.bmp").c_str(), false, true);
    int width = 0, height = 0;
    EXPECT_EQ(Texels(ground, GL_RGB, 3, width, height), rgb);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);

    CTexture tree;
    tree.Load(dir.File("tree.bmp").c_str(), true, true);
    const std::vector<uint8_t> rgba = Texels(tree, GL_RGBA, 4, width, height);
    ASSERT_EQ(rgba.size(), 32u);
    const std::array<int, 8> alpha = {0, 255, 255, 255, 255, 255, 0, 255};  // the top-left colour is the key
    for (size_t i = 0; i < alpha.size(); ++i) EXPECT_EQ(rgba[4 * i + 3], alpha[i]) << "texel " << i;
    ground.FreeResource();
    tree.FreeResource();
}

TEST_F(LongHeaderLoadTest, SizeChecksHoldForLongerHeaders) {
    const Bytes v5 = Lengthened(WrittenByFreeImage(dir.File("v3.bmp"), 8), 124);
    // Rows that the file cannot hold.
    Bytes cut = v5;
    PutLe32(cut, 22, 3000);
    // A picture beyond the grid's and the textures' limit, claimed by the header.
    Bytes huge = v5;
    PutLe32(huge, 18, 1 << 15);
    PutLe32(huge, 22, 1 << 14);
    // Pixels said to start inside the header.
    Bytes inside = v5;
    PutLe32(inside, 10, 60);
    for (const auto& [name, bytes] : {std::pair{"cut", cut}, std::pair{"huge", huge}, std::pair{"inside", inside}}) {
        SCOPED_TRACE(name);
        WriteBytes(dir.File("bad.bmp"), bytes);
        LoadMap(dir.File("bad.bmp"));
        EXPECT_EQ(Terrain.Columns, 0);
        EXPECT_EQ(Cells, nullptr);
        CTexture texture;
        texture.Load(dir.File("bad.bmp").c_str(), false, true);
        int width = -1, height = -1;
        EXPECT_TRUE(Texels(texture, GL_RGB, 3, width, height).empty());
        EXPECT_EQ(width, 0);
        texture.FreeResource();
    }
}

}  // namespace
