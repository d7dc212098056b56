// The inputs that once broke a fuzz target, kept under
// tests/regressions/<target>/, and the targets' seeds, run through the same
// bodies as the fuzz targets (fuzz/), in this build's compiler and
// sanitizers.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "terrain/terrain.h"
#include "tests/support/fuzz_bodies.h"
#include "tests/support/global_textures.h"
#include "tests/support/offscreen_gl.h"
#include "tests/support/scratch_directory.h"
#include "texture/bmp_v3_header.h"

// Test names and failures name the target, not its bytes.
void PrintTo(FuzzTarget target, std::ostream* out) { *out << FuzzTargetName(target); }

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Regressions(FuzzTarget target) {
    const fs::path folder = fs::path(__FILE__).parent_path() / "regressions" / FuzzTargetName(target);
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Feed(FuzzTarget target, const std::string& bytes) {
    return RunFuzzInput(target, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

class FuzzReplay : public ::testing::TestWithParam<FuzzTarget> {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.Ok()) << "no offscreen OpenGL context";
        inScratch.emplace(scratch.Path());
    }
    void TearDown() override {
        FreeGlobalTextures();
        inScratch.reset();
    }

    OffscreenGl gl{16, 16};
    ScratchDirectory scratch;
    std::optional<CurrentDirectory> inScratch;
};

TEST_P(FuzzReplay, KeptFindingsStayMended) {
    for (const fs::path& file : Regressions(GetParam()))
        EXPECT_EQ(Feed(GetParam(), ReadFileBytes(file.string())), "") << file;
}

TEST_P(FuzzReplay, SeedsPass) {
    const std::vector<NamedInput> seeds = FuzzSeeds(GetParam());
    EXPECT_GE(seeds.size(), 4u);
    for (const NamedInput& seed : seeds) EXPECT_EQ(Feed(GetParam(), seed.Bytes), "") << seed.Name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(AllFuzzTargets),
                         [](const ::testing::TestParamInfo<FuzzTarget>& param) {
                             return std::string(FuzzTargetName(param.param));
                         });

// The seeds are worth starting from only if the program reads them as the
// pictures they were made as.
TEST(FuzzSeeds, HeightmapSeedsLoadAtTheirSize) {
    OffscreenGl gl(16, 16);
    ASSERT_TRUE(gl.Ok());
    ScratchDirectory scratch;
    CurrentDirectory inScratch(scratch.Path());
    struct Size {
        const char* Name;
        int Columns, Rows;
    };
    const Size sizes[] = {{"ramp1.bmp", 5, 3},  {"ramp4.bmp", 5, 3},   {"ramp8.bmp", 5, 3},   {"ramp16.bmp", 5, 3},
                          {"ramp24.bmp", 5, 3}, {"ramp32.bmp", 5, 3},  {"one.bmp", 1, 1},     {"column.bmp", 1, 7},
                          {"square.bmp", 2, 2}, {"topdown.bmp", 6, 4}, {"rle.bmp", 6, 4},     {"claims.bmp", 0, 0},
                          {"v5.bmp", 6, 4},     {"claims-v4.bmp", 0, 0}};
    const std::vector<NamedInput> seeds = FuzzSeeds(FuzzTarget::Heightmap);
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.Name);
        const auto seed = std::find_if(seeds.begin(), seeds.end(), [&](const NamedInput& s) { return s.Name == size.Name; });
        ASSERT_NE(seed, seeds.end());
        ASSERT_EQ(Feed(FuzzTarget::Heightmap, seed->Bytes), "");
        EXPECT_EQ(Terrain.Columns, size.Columns);
        EXPECT_EQ(Terrain.Rows, size.Rows);
    }
    // The 8-bit ramp's palette indices are its heights: pixel (x, y) holds
    // x * 37 + y * 91 (mod 256), row 0 the bottom row.
    const auto ramp = std::find_if(seeds.begin(), seeds.end(), [](const NamedInput& s) { return s.Name == "ramp8.bmp"; });
    ASSERT_EQ(Feed(FuzzTarget::Heightmap, ramp->Bytes), "");
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(CellAt(r, c).Height, static_cast<float>(((c * 37 + r * 91) % 256) * 0.78125)) << r << ", " << c;
    FreeGlobalTextures();
}

TEST(FuzzSeeds, TextureSeedsArePicturesOfTheirExtension) {
    const FREE_IMAGE_FORMAT formats[] = {FIF_BMP, FIF_JPEG, FIF_PNG, FIF_BMP};
    for (const NamedInput& seed : FuzzSeeds(FuzzTarget::Texture)) {
        SCOPED_TRACE(seed.Name);
        ASSERT_GT(seed.Bytes.size(), 1u);
        std::vector<uint8_t> file(seed.Bytes.begin() + 1, seed.Bytes.end());
        RewriteBmpHeaderAsV3(file);  // as the program reads the longer BMP headers
        FIMEMORY* memory = FreeImage_OpenMemory(file.data(), static_cast<DWORD>(file.size()));
        const FREE_IMAGE_FORMAT format = formats[static_cast<uint8_t>(seed.Bytes[0]) & 3];
        EXPECT_EQ(FreeImage_GetFileTypeFromMemory(memory, 0), format);
        FIBITMAP* image = FreeImage_LoadFromMemory(format, memory, 0);
        EXPECT_GT(FreeImage_GetWidth(image), 0u);
        EXPECT_GT(FreeImage_GetHeight(image), 0u);
        FreeImage_Unload(image);
        FreeImage_CloseMemory(memory);
    }
}

}  // namespace
