// The real world generator, run into a temporary folder, and its output read
// back through the program's own loaders.
#include <FreeImage.h>
#include <GL/gl.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "render/sky_box.h"
#include "terrain/terrain.h"
#include "tests/support/offscreen_gl.h"
#include "texture/texture.h"

namespace {

namespace fs = std::filesystem;

const char* const WorldFiles[] = {
    "MAP/map.bmp",
    "TEXTURES/Floor/mud.bmp",
    "TEXTURES/Floor/rock.bmp",
    "TEXTURES/Floor/stone.bmp",
    "TEXTURES/elka.bmp",
    "TEXTURES/Sky/day_fr.jpg",
    "TEXTURES/Sky/day_rt.jpg",
    "TEXTURES/Sky/day_bk.jpg",
    "TEXTURES/Sky/day_lf.jpg",
    "TEXTURES/Sky/day_up.jpg",
};

// Runs the generator with arguments (already quoted for the shell); its exit
// status, or -1 where it did not exit normally.
int RunWorldgen(const std::string& arguments) {
    const std::string command = std::string("'") + ORVALLE_WORLDGEN + "' " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::vector<char> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

struct Picture {
    FIBITMAP* Image = nullptr;
    explicit Picture(const fs::path& path)
        : Image(FreeImage_Load(FreeImage_GetFIFFromFilename(path.c_str()), path.c_str(), 0)) {}
    ~Picture() { FreeImage_Unload(Image); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    int Width() const { return static_cast<int>(FreeImage_GetWidth(Image)); }
    int Height() const { return static_cast<int>(FreeImage_GetHeight(Image)); }
    // RGB of the pixel in column x, row y counted from the top.
    std::array<int, 3> At(int x, int y) const {
        const BYTE* p = FreeImage_GetScanLine(Image, Height() - 1 - y) + 3 * x;
        return {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE]};
    }
};

// A texture's level 0 as RGB rows, first row the image's top (t = 0).
struct Texels {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Rgb;
    double At(double x, double y, int channel) const {  // bilinear, in texel units, centres at .5
        x = std::clamp(x - 0.5, 0.0, Width - 1.0);
        y = std::clamp(y - 0.5, 0.0, Height - 1.0);
        const int x0 = std::min(static_cast<int>(x), Width - 2), y0 = std::min(static_cast<int>(y), Height - 2);
        const double fx = x - x0, fy = y - y0;
        auto texel = [&](int i, int j) { return Rgb[(static_cast<size_t>(j) * Width + i) * 3 + channel]; };
        const double top = texel(x0, y0) * (1 - fx) + texel(x0 + 1, y0) * fx;
        const double bottom = texel(x0, y0 + 1) * (1 - fx) + texel(x0 + 1, y0 + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }
};

Texels ReadTexture(const CTexture& texture) {
    Texels result;
    texture.Bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &result.Width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &result.Height);
    result.Rgb.resize(static_cast<size_t>(result.Width) * result.Height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!result.Rgb.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, result.Rgb.data());
    CTexture::Unbind();
    return result;
}

// Mean absolute difference between two rows (or columns) of a picture.
double LineDifference(const Picture& picture, bool columns, int a, int b) {
    const int length = columns ? picture.Height() : picture.Width();
    double sum = 0.0;
    for (int k = 0; k < length; ++k) {
        const auto p = columns ? picture.At(a, k) : picture.At(k, a);
        const auto q = columns ? picture.At(b, k) : picture.At(k, b);
        for (int ch = 0; ch < 3; ++ch) sum += std::abs(p[ch] - q[ch]);
    }
    return sum / (3.0 * length);
}

class WorldgenTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        char pattern[] = "/tmp/orvalle_worldgen_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        previous_ = fs::current_path();
    }
    void TearDown() override {
        for (int m = 0; m < Terrain.MaterialCount; ++m) Terrain.GroundTextures[m].FreeResource();
        TreeTexture.FreeResource();
        if (!previous_.empty()) fs::current_path(previous_);
        if (!folder_.empty()) fs::remove_all(folder_);
    }
    fs::path folder_;
    fs::path previous_;
};

TEST_F(WorldgenTest, DefaultWorldIsCompleteAndRepeatable) {
    const fs::path world = folder_ / "world";
    ASSERT_EQ(RunWorldgen(Quoted(world)), 0);
    ASSERT_EQ(RunWorldgen(Quoted(folder_ / "again")), 0);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(world)) files += entry.is_regular_file();
    EXPECT_EQ(files, std::size(WorldFiles));
    for (const char* name : WorldFiles) {
        ASSERT_TRUE(fs::is_regular_file(world / name)) << name;
        EXPECT_TRUE(ReadBytes(world / name) == ReadBytes(folder_ / "again" / name)) << name << " differs between runs";
    }
}

TEST_F(WorldgenTest, DefaultWorldLoadsThroughTheProgramsLoaders) {
    const fs::path world = folder_ / "world";
    ASSERT_EQ(RunWorldgen(Quoted(world)), 0);
    fs::current_path(world);

    // The heightmap: 8-bit grey, 256 x 256, reaching all three materials.
    {
        Picture map(world / "MAP/map.bmp");
        ASSERT_NE(map.Image, nullptr);
        EXPECT_EQ(FreeImage_GetBPP(map.Image), 8u);
        EXPECT_EQ(FreeImage_GetColorType(map.Image), FIC_MINISBLACK);
    }
    LoadTerrain("MAP\\map.bmp");
    ASSERT_EQ(Terrain.Columns, 256);
    ASSERT_EQ(Terrain.Rows, 256);
    std::array<int, 3> materials{};
    for (int r = 0; r < 256; ++r)
        for (int c = 0; c < 256; ++c) ++materials[static_cast<size_t>(CellAt(r, c).Material)];
    std::cout << "material shares: mud " << materials[0] / 655.36 << " %, rock " << materials[1] / 655.36
              << " %, stone " << materials[2] / 655.36 << " %\n";
    for (int m = 0; m < 3; ++m) EXPECT_GT(materials[static_cast<size_t>(m)], 65536 / 20) << "material " << m;
    // The start point lies on walkable ground, not on a peak.
    const float start = GetTerrainSize() * 0.5f;
    EXPECT_LT(GetHeight(start, start), 117.1875f);

    // Ground textures: 24-bit, loaded, and tiling without a visible seam:
    // the wrap-around step between the last and first line is no larger
    // than the steps inside the picture.
    const char* const ground[] = {"TEXTURES/Floor/mud.bmp", "TEXTURES/Floor/rock.bmp", "TEXTURES/Floor/stone.bmp"};
    for (int m = 0; m < 3; ++m) {
        SCOPED_TRACE(ground[m]);
        Picture texture(world / ground[m]);
        ASSERT_NE(texture.Image, nullptr);
        EXPECT_EQ(FreeImage_GetBPP(texture.Image), 24u);
        EXPECT_NE(Terrain.GroundTextures[m].TextureName, 0u);
        EXPECT_GT(ReadTexture(Terrain.GroundTextures[m]).Width, 0);
        for (bool columns : {false, true}) {
            const int n = columns ? texture.Width() : texture.Height();
            double inside = 0.0;
            for (int k = 0; k + 1 < n; ++k) inside += LineDifference(texture, columns, k, k + 1);
            inside /= n - 1;
            EXPECT_LE(LineDifference(texture, columns, n - 1, 0), 2.0 * inside + 1.0) << (columns ? "columns" : "rows");
        }
    }

    // The tree: the key colour on its top-left pixel fills the background
    // corners; the tree reaches the top row and its trunk the bottom row.
    {
        Picture tree(world / "TEXTURES/elka.bmp");
        ASSERT_NE(tree.Image, nullptr);
        EXPECT_EQ(FreeImage_GetBPP(tree.Image), 24u);
        const auto key = tree.At(0, 0);
        const int w = tree.Width(), h = tree.Height();
        EXPECT_EQ(tree.At(w - 1, 0), key);
        EXPECT_EQ(tree.At(0, h - 1), key);
        EXPECT_EQ(tree.At(w - 1, h - 1), key);
        int solid = 0, solidTop = 0, solidBottom = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool isTree = tree.At(x, y) != key;
                solid += isTree;
                solidTop += isTree && y == 0;
                solidBottom += isTree && y == h - 1;
            }
        }
        const double share = static_cast<double>(solid) / (w * h);
        EXPECT_GT(share, 0.2);
        EXPECT_LT(share, 0.8);
        EXPECT_GT(solidTop, 0);
        EXPECT_GT(solidBottom, 0);
        EXPECT_EQ(tree.At(w / 2, h - 1) != key, true) << "the trunk stands in the middle";
    }
    EXPECT_NE(TreeTexture.TextureName, 0u);
}

// A corner of a sky face as whole numbers, to find the corners two faces
// share.
std::array<int, 3> SkyCorner(int face, int v) {
    const float* p = SkyVertices[face][v];
    return {static_cast<int>(p[0]), static_cast<int>(p[1]), static_cast<int>(p[2])};
}

// Where on a face's image (texel units) the point p of the face's square
// appears: the same bilinear map that the sky box's texture coordinates
// make, from (SkyTexLow, SkyTexLow) at corner 0 to SkyTexHigh at corner 2.
std::array<double, 2> ImagePoint(int face, const std::array<double, 3>& p, int width, int height) {
    const double span = static_cast<double>(SkyTexHigh) - SkyTexLow;
    const float(&corner)[4][3] = SkyVertices[face];
    double a = 0.0, b = 0.0;
    for (int k = 0; k < 3; ++k) {
        a += (p[k] - corner[0][k]) * (corner[1][k] - corner[0][k]) / 4.0;
        b += (p[k] - corner[0][k]) * (corner[3][k] - corner[0][k]) / 4.0;
    }
    return {(SkyTexLow + a * span) * width, (SkyTexLow + b * span) * height};
}

TEST_F(WorldgenTest, SkyFacesMeetWithoutSeams) {
    const fs::path world = folder_ / "world";
    ASSERT_EQ(RunWorldgen(Quoted(world)), 0);
    fs::current_path(world);

    std::vector<Texels> faces;
    for (const char* suffix : SkyFaceSuffixes) {
        CTexture texture;
        texture.Load((std::string("TEXTURES\\Sky\\day_") + suffix + ".jpg").c_str(), false, true);
        faces.push_back(ReadTexture(texture));
        EXPECT_GE(faces.back().Width, 512) << suffix;
        EXPECT_EQ(faces.back().Width, faces.back().Height) << suffix;
        texture.FreeResource();
    }

    // Every pair of faces that shares two corners meets along that edge;
    // sample both images along it where the drawn quads meet.
    int edges = 0;
    for (int f = 0; f < 5; ++f) {
        for (int g = f + 1; g < 5; ++g) {
            std::vector<std::array<int, 3>> shared;
            for (int v = 0; v < 4; ++v) {
                for (int w = 0; w < 4; ++w)
                    if (SkyCorner(f, v) == SkyCorner(g, w)) shared.push_back(SkyCorner(f, v));
            }
            if (shared.size() != 2) continue;
            ++edges;
            SCOPED_TRACE(std::string(SkyFaceSuffixes[f]) + " meets " + SkyFaceSuffixes[g]);
            double worst = 0.0, total = 0.0;
            const int samples = 200;
            for (int k = 0; k < samples; ++k) {
                const double t = (k + 0.5) / samples;
                std::array<double, 3> p;
                for (int c = 0; c < 3; ++c) p[c] = shared[0][c] + (shared[1][c] - shared[0][c]) * t;
                const auto pf = ImagePoint(f, p, faces[f].Width, faces[f].Height);
                const auto pg = ImagePoint(g, p, faces[g].Width, faces[g].Height);
                for (int ch = 0; ch < 3; ++ch) {
                    const double d = std::abs(faces[f].At(pf[0], pf[1], ch) - faces[g].At(pg[0], pg[1], ch));
                    worst = std::max(worst, d);
                    total += d;
                }
            }
            EXPECT_LE(worst, 16.0);
            EXPECT_LE(total / (3 * samples), 3.0);
        }
    }
    EXPECT_EQ(edges, 8);

    // Upright sides: their top rows are the deep blue above, their middle
    // rows the paler horizon.
    double topBlue = 0.0, middleBlue = 0.0;
    for (int f = 0; f < 4; ++f) {
        const Texels& face = faces[f];
        for (int x = 0; x < face.Width; ++x) {
            const size_t top = static_cast<size_t>(x) * 3;
            const size_t middle = (static_cast<size_t>(face.Height / 2 - 2) * face.Width + x) * 3;
            topBlue += face.Rgb[top + 2] - face.Rgb[top];
            middleBlue += face.Rgb[middle + 2] - face.Rgb[middle];
        }
    }
    EXPECT_GT(topBlue, middleBlue * 1.5);
}

TEST_F(WorldgenTest, SeedAndSizeShapeTheWorld) {
    ASSERT_EQ(RunWorldgen(Quoted(folder_ / "a") + " --size 64 --seed 7"), 0);
    ASSERT_EQ(RunWorldgen(Quoted(folder_ / "b") + " --seed 8 --size 64"), 0);
    Picture a(folder_ / "a/MAP/map.bmp");
    ASSERT_NE(a.Image, nullptr);
    EXPECT_EQ(a.Width(), 64);
    EXPECT_EQ(a.Height(), 64);
    EXPECT_FALSE(ReadBytes(folder_ / "a/MAP/map.bmp") == ReadBytes(folder_ / "b/MAP/map.bmp"));
}

TEST_F(WorldgenTest, RefusesBadArgumentsAndUnwritableFolders) {
    std::ofstream(folder_ / "file") << "not a folder";
    const std::string out = Quoted(folder_ / "out");
    const std::string arguments[] = {
        "",
        out + " --size",
        out + " --size 1",
        out + " --size 100000",
        out + " --size abc",
        out + " --size 64x",
        out + " --seed -3",
        out + " --seed 99999999999999999999999",
        out + " --colour blue",
        out + " " + Quoted(folder_ / "other"),
        Quoted(folder_ / "file" / "world"),
    };
    for (const std::string& argument : arguments) EXPECT_NE(RunWorldgen(argument), 0) << "worldgen " << argument;
    EXPECT_FALSE(fs::exists(folder_ / "out"));
}

}  // namespace
