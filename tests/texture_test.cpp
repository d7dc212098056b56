#include "texture/texture.h"

#include <FreeImage.h>
#include <GL/gl.h>
#include <dlfcn.h>
#include <sys/resource.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/offscreen_gl.h"

// A pass-through spy on the one call a texture makes when it is destroyed.
namespace {
std::vector<GLuint> DeletedNames;
int DeleteCalls = 0;
}  // namespace

extern "C" void glDeleteTextures(GLsizei n, const GLuint* textures) {
    using DeleteProc = void (*)(GLsizei, const GLuint*);
    static const DeleteProc real = reinterpret_cast<DeleteProc>(dlsym(RTLD_NEXT, "glDeleteTextures"));
    ++DeleteCalls;
    for (GLsizei i = 0; i < n; ++i) DeletedNames.push_back(textures[i]);
    real(n, textures);
}

namespace {

using Rgba = std::array<uint8_t, 4>;
// The colour of the picture's pixel (x, y), y counted from the top row.
using Picture = std::function<Rgba(int x, int y)>;

class TextureTest : public GlTest {
protected:
    TextureTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvalle-texture-XXXXXX").string();
        if (mkdtemp(pattern.data())) dir_ = pattern;
    }
    ~TextureTest() override {
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_FALSE(dir_.empty());
        DeletedNames.clear();
        DeleteCalls = 0;
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::string WriteImage(const std::string& name, int width, int height, int bpp, const Picture& colour,
                           FREE_IMAGE_FORMAT format = FIF_BMP, int flags = 0) const {
        FIBITMAP* image = FreeImage_Allocate(width, height, bpp);
        EXPECT_NE(nullptr, image);
        if (!image) return {};
        for (int y = 0; y < height; ++y) {
            BYTE* line = FreeImage_GetScanLine(image, height - 1 - y);  // scan line 0 is the bottom row
            for (int x = 0; x < width; ++x) {
                const Rgba c = colour(x, y);
                if (bpp == 8) {  // a palette entry for each pixel
                    const int index = y * width + x;
                    FreeImage_GetPalette(image)[index] = RGBQUAD{c[2], c[1], c[0], 0};
                    line[x] = static_cast<BYTE>(index);
                    continue;
                }
                BYTE* pixel = line + x * (bpp / 8);
                pixel[FI_RGBA_RED] = c[0];
                pixel[FI_RGBA_GREEN] = c[1];
                pixel[FI_RGBA_BLUE] = c[2];
                if (bpp == 32) pixel[FI_RGBA_ALPHA] = c[3];
            }
        }
        const std::string path = PathOf(name);
        EXPECT_TRUE(FreeImage_Save(format, image, path.c_str(), flags));
        FreeImage_Unload(image);
        return path;
    }

    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static GLint LevelParameter(const CTexture& texture, GLint level, GLenum parameter) {
        GLint value = -1;
        texture.Bind();
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
        CTexture::Unbind();
        return value;
    }

    // Level 0 as tightly packed rows in the texture's own order (t = 0 first).
    static std::vector<uint8_t> Level0(const CTexture& texture, GLenum format, int components) {
        const GLint width = LevelParameter(texture, 0, GL_TEXTURE_WIDTH);
        const GLint height = LevelParameter(texture, 0, GL_TEXTURE_HEIGHT);
        std::vector<uint8_t> pixels(static_cast<size_t>(width * height * components));
        texture.Bind();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
        CTexture::Unbind();
        return pixels;
    }

    void ExpectEmpty(const CTexture& texture) {
        EXPECT_NE(0u, texture.TextureName);
        EXPECT_EQ(0, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
        EXPECT_EQ(0, LevelParameter(texture, 0, GL_TEXTURE_HEIGHT));
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    }

private:
    std::filesystem::path dir_;
};

// Every pixel of the 5 x 3 test picture differs from every other.
Rgba Distinct(int x, int y) {
    return {uint8_t(10 + 40 * x), uint8_t(20 + 90 * y), uint8_t(7 * (3 * x + y) + 1), uint8_t(13 * x + 50 * y)};
}

// Rows of 5 pixels take 15 bytes and one of padding at 24 bits, 5 and 3 at
// 8 bits; some writers leave out the last row's padding, which changes
// nothing in the picture.
TEST_F(TextureTest, OddWidthPictureUploadsAsTightRgbRowsTopRowFirst) {
    struct Case {
        int bpp;
        size_t padding;  // bytes cut from the end of the file
    };
    for (const Case& test : {Case{24, 0}, Case{24, 1}, Case{32, 0}, Case{8, 0}, Case{8, 3}}) {
        SCOPED_TRACE(::testing::Message() << test.bpp << " bits, last row's padding left out: " << test.padding);
        std::string path = WriteImage("odd.bmp", 5, 3, test.bpp, Distinct);
        if (test.padding != 0) {
            std::ifstream in(path, std::ios::binary);
            std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            bytes.resize(bytes.size() - test.padding);
            path = WriteBytes("odd_unpadded.bmp", bytes);
        }
        CTexture texture;
        texture.Load(path.c_str(), false, false);
        ASSERT_EQ(5, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
        ASSERT_EQ(3, LevelParameter(texture, 0, GL_TEXTURE_HEIGHT));
        EXPECT_EQ(0, LevelParameter(texture, 0, GL_TEXTURE_ALPHA_SIZE));
        EXPECT_EQ(8, LevelParameter(texture, 0, GL_TEXTURE_RED_SIZE));
        EXPECT_EQ(0, LevelParameter(texture, 1, GL_TEXTURE_WIDTH));

        std::vector<uint8_t> expected;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const Rgba c = Distinct(x, y);
                expected.insert(expected.end(), {c[0], c[1], c[2]});
            }
        }
        EXPECT_EQ(expected, Level0(texture, GL_RGB, 3));
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    }
}

// The file's own alpha is replaced by the key's, whatever it was.
TEST_F(TextureTest, ColourKeyClearsAlphaExactlyOnTheTopLeftColour) {
    const Rgba key = {30, 140, 220, 255};
    auto picture = [&](int x, int y) -> Rgba {
        if ((x + y) % 3 == 0) return key;  // (0, 0) among them
        if (x == 1 && y == 0) return {key[0], key[1], uint8_t(key[2] + 1), 0};
        return Distinct(x, y);
    };
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        CTexture texture;
        texture.Load(WriteImage("keyed.bmp", 5, 3, bpp, picture).c_str(), true, false);
        EXPECT_EQ(8, LevelParameter(texture, 0, GL_TEXTURE_ALPHA_SIZE));
        const GLint internal = LevelParameter(texture, 0, GL_TEXTURE_INTERNAL_FORMAT);
        EXPECT_TRUE(internal == 4 || internal == GL_RGBA) << internal;

        std::vector<uint8_t> expected;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const Rgba c = picture(x, y);
                const bool isKey = c[0] == key[0] && c[1] == key[1] && c[2] == key[2];
                expected.insert(expected.end(), {c[0], c[1], c[2], uint8_t(isKey ? 0 : 255)});
            }
        }
        EXPECT_EQ(expected, Level0(texture, GL_RGBA, 4));
    }
}

TEST_F(TextureTest, UniformJpegKeepsItsColour) {
    const std::string path =
        WriteImage("sky.jpg", 16, 16, 24, [](int, int) { return Rgba{200, 100, 50, 255}; }, FIF_JPEG,
                   JPEG_QUALITYSUPERB);
    CTexture texture;
    texture.Load(path.c_str(), false, false);
    ASSERT_EQ(16, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
    const std::vector<uint8_t> pixels = Level0(texture, GL_RGB, 3);
    // Only the rounding of JPEG's colour conversion, one level either way.
    for (size_t i = 0; i < pixels.size(); i += 3) {
        EXPECT_NEAR(200, pixels[i], 1) << i / 3;
        EXPECT_NEAR(100, pixels[i + 1], 1) << i / 3;
        EXPECT_NEAR(50, pixels[i + 2], 1) << i / 3;
    }
}

// A 16-bit BMP, bottom row first, as a paint program writes one: 5-5-5 with
// the plain header, 5-6-5 with its three colour masks after it.
std::vector<uint8_t> Bmp16(int width, int height, bool rgb565, const std::function<uint16_t(int x, int y)>& pixel) {
    const int stride = (width * 2 + 3) / 4 * 4;
    const int offset = 14 + 40 + (rgb565 ? 12 : 0);
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    put('B' | 'M' << 8, 2);
    put(static_cast<uint32_t>(offset + stride * height), 4);
    put(0, 4);
    put(static_cast<uint32_t>(offset), 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(16, 2);
    put(rgb565 ? 3 : 0, 4);  // BI_BITFIELDS or BI_RGB
    put(static_cast<uint32_t>(stride * height), 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    if (rgb565) {
        put(0xF800, 4);
        put(0x07E0, 4);
        put(0x001F, 4);
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) put(pixel(x, y), 2);
        for (int pad = width * 2; pad < stride; ++pad) bytes.push_back(0);
    }
    return bytes;
}

// Each channel's field stretched to the full 0..255 range.
uint8_t Widen(int value, int bits) { return static_cast<uint8_t>(value * 255 / ((1 << bits) - 1)); }

TEST_F(TextureTest, SixteenBitPicturesKeepTheirColours) {
    struct Case {
        const char* name;
        bool rgb565;
        int greenBits;
    };
    for (const Case& c : {Case{"5-5-5", false, 5}, Case{"5-6-5", true, 6}}) {
        SCOPED_TRACE(c.name);
        // Channel fields of (x, y) on a 5 x 3 picture, no two pixels alike;
        // the top-left one recurs at (3, 1).
        auto fields = [&](int x, int y) -> std::array<int, 3> {
            if (x == 3 && y == 1) x = y = 0;
            return {3 + 5 * x + y, (7 + 9 * y + 2 * x) % (1 << c.greenBits), 31 - 6 * x - y};
        };
        const std::string path = WriteBytes("sixteen.bmp", Bmp16(5, 3, c.rgb565, [&](int x, int y) {
            const auto f = fields(x, y);
            return static_cast<uint16_t>(f[0] << (c.rgb565 ? 11 : 10) | f[1] << 5 | f[2]);
        }));
        for (const bool colourKey : {false, true}) {
            SCOPED_TRACE(colourKey ? "colour key" : "no colour key");
            CTexture texture;
            texture.Load(path.c_str(), colourKey, false);
            ASSERT_EQ(5, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
            std::vector<uint8_t> expected;
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    const auto f = fields(x, y);
                    expected.insert(expected.end(), {Widen(f[0], 5), Widen(f[1], c.greenBits), Widen(f[2], 5)});
                    if (colourKey) expected.push_back((x == 0 && y == 0) || (x == 3 && y == 1) ? 0 : 255);
                }
            }
            EXPECT_EQ(expected, Level0(texture, colourKey ? GL_RGBA : GL_RGB, colourKey ? 4 : 3));
        }
    }
}

// Sixteen bits a channel: the high byte of each.
TEST_F(TextureTest, FortyEightBitPngKeepsItsColours) {
    FIBITMAP* image = FreeImage_AllocateT(FIT_RGB16, 3, 2);
    ASSERT_NE(nullptr, image);
    for (int y = 0; y < 2; ++y) {
        auto* line = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(image, 1 - y));
        for (int x = 0; x < 3; ++x) line[x] = {static_cast<WORD>(0x1100 * (x + 1) + 0x80), static_cast<WORD>(0x3000 + 0x2200 * y), WORD{0xF0FF}};
    }
    const std::string path = PathOf("deep.png");
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, image, path.c_str(), 0));
    FreeImage_Unload(image);
    CTexture texture;
    texture.Load(path.c_str(), false, false);
    ASSERT_EQ(3, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
    const std::vector<uint8_t> expected = {0x11, 0x30, 0xF0, 0x22, 0x30, 0xF0, 0x33, 0x30, 0xF0,
                                           0x11, 0x52, 0xF0, 0x22, 0x52, 0xF0, 0x33, 0x52, 0xF0};
    EXPECT_EQ(expected, Level0(texture, GL_RGB, 3));
}

TEST_F(TextureTest, NamesWrittenWithBackslashesReachTheFile) {
    std::filesystem::create_directories(PathOf("Floor"));
    WriteImage("Floor/mud.bmp", 5, 3, 24, Distinct);
    std::string path = PathOf("Floor\\mud.bmp");
    CTexture texture;
    texture.Load(path.c_str(), false, false);
    EXPECT_EQ(5, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
}

TEST_F(TextureTest, MipmapsGiveTheFullChainAndOnlyOnRequest) {
    const std::string path = WriteImage("grey.bmp", 4, 4, 24, [](int, int) { return Rgba{90, 90, 90, 255}; });
    CTexture chain;
    chain.Load(path.c_str(), false, true);
    for (GLint level = 0; level <= 2; ++level) {
        EXPECT_EQ(4 >> level, LevelParameter(chain, level, GL_TEXTURE_WIDTH)) << level;
        EXPECT_EQ(4 >> level, LevelParameter(chain, level, GL_TEXTURE_HEIGHT)) << level;
    }
    CTexture single;
    single.Load(path.c_str(), false, false);
    EXPECT_EQ(4, LevelParameter(single, 0, GL_TEXTURE_WIDTH));
    EXPECT_EQ(0, LevelParameter(single, 1, GL_TEXTURE_WIDTH));
}

TEST_F(TextureTest, UnreadableFilesGiveAnEmptyTexture) {
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', '\n'};
    std::filesystem::create_directories(PathOf("folder.bmp"));
    const std::string paths[] = {
        PathOf("missing.bmp"),
        WriteBytes("text.bmp", text),
        WriteBytes("text.jpg", text),
        WriteImage("picture.unknown", 5, 3, 24, Distinct),
        PathOf("folder.bmp"),
        "",
    };
    for (const std::string& path : paths) {
        for (bool mipmaps : {true, false}) {
            SCOPED_TRACE(path + (mipmaps ? " with mipmaps" : " without mipmaps"));
            CTexture texture;
            texture.Load(path.c_str(), /*colourKey=*/mipmaps, mipmaps);
            ExpectEmpty(texture);
        }
    }
}

// A 54-byte BMP whose header claims a picture far beyond memory.
std::vector<uint8_t> BmpHeader(int32_t width, int32_t height) {
    std::vector<uint8_t> bytes(54, 0);
    auto put = [&](size_t offset, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[offset + i] = uint8_t(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, 54, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(width), 4);
    put(22, uint32_t(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return bytes;
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The size is refused from the header, before any buffer for the pixels exists.
TEST_F(TextureTest, HeaderClaimingAGiganticPictureGivesAnEmptyTexture) {
    const long peakBefore = PeakResidentKiB();
    const struct {
        int32_t width, height;
    } sizes[] = {{100000, 100000}, {20000, 20000}, {INT32_MAX, INT32_MAX}, {100000, -100000}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        const std::string path = WriteBytes("huge.bmp", BmpHeader(size.width, size.height));
        for (bool colourKey : {false, true}) {
            CTexture texture;
            texture.Load(path.c_str(), colourKey, !colourKey);
            ExpectEmpty(texture);
        }
    }
    EXPECT_LT(PeakResidentKiB() - peakBefore, 64 * 1024);
}

TEST_F(TextureTest, ReloadDeletesTheOldName) {
    CTexture texture;
    texture.Load(WriteImage("first.bmp", 5, 3, 24, Distinct).c_str(), false, false);
    const GLuint first = texture.TextureName;
    ASSERT_NE(0u, first);
    texture.Load(WriteImage("second.bmp", 2, 2, 24, Distinct).c_str(), false, false);
    EXPECT_EQ(std::vector<GLuint>{first}, DeletedNames);
    if (texture.TextureName != first) {
        EXPECT_FALSE(glIsTexture(first));
    }
    EXPECT_EQ(2, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
}

TEST_F(TextureTest, LoadLeavesNameZeroBoundAndTheEnableStateAsFound) {
    const std::string path = WriteImage("state.bmp", 5, 3, 24, Distinct);
    CTexture other;
    other.Load(path.c_str(), false, false);
    for (bool enabled : {false, true}) {
        for (bool mipmaps : {false, true}) {
            SCOPED_TRACE(std::string(enabled ? "enabled" : "disabled") + (mipmaps ? ", mipmaps" : ""));
            if (enabled) glEnable(GL_TEXTURE_2D); else glDisable(GL_TEXTURE_2D);
            other.Bind();
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            CTexture texture;
            texture.Load(path.c_str(), false, mipmaps);
            GLint bound = -1, alignment = -1;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
            EXPECT_EQ(0, bound);
            EXPECT_EQ(1, alignment);
            EXPECT_EQ(enabled, glIsEnabled(GL_TEXTURE_2D) == GL_TRUE);
        }
    }
}

TEST_F(TextureTest, DestructionDeletesOnlyALoadedNameAndOnlyWithAContext) {
    { CTexture unloaded; }
    EXPECT_EQ(0, DeleteCalls);

    GLuint name = 0;
    {
        CTexture loaded;
        loaded.Load(WriteImage("gone.bmp", 5, 3, 24, Distinct).c_str(), false, true);
        name = loaded.TextureName;
        ASSERT_TRUE(glIsTexture(name));
    }
    EXPECT_EQ(std::vector<GLuint>{name}, DeletedNames);
    EXPECT_FALSE(glIsTexture(name));

    DeletedNames.clear();
    DeleteCalls = 0;
    {
        CTexture orphan;
        orphan.Load(PathOf("gone.bmp").c_str(), false, true);
        gl.MakeNoneCurrent();
    }
    gl.MakeCurrent();
    EXPECT_EQ(0, DeleteCalls);
}

// A resource holder that releases in its own destructor, as CTexture does.
class CountingResource : public RCObject {
public:
    explicit CountingResource(int& frees) : frees_(frees) {}
    ~CountingResource() override {
        if (RefCount) ReleaseRef();
    }
    void FreeResource() override { ++frees_; }

private:
    int& frees_;
};

TEST(RCObjectTest, LastReleaseFreesTheResourceOnce) {
    int frees = 0;
    { CountingResource resource(frees); }
    EXPECT_EQ(1, frees);
    {
        CountingResource resource(frees);
        resource.ReleaseRef();
        EXPECT_EQ(2, frees);
    }
    EXPECT_EQ(2, frees);
}

}  // namespace
