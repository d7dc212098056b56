#include "tests/support/test_pictures.h"

#include <cstdlib>

#include <FreeImage.h>
#include <gtest/gtest.h>

PictureColours UniformPicture(Rgb colour) {
    return [colour](int, int) { return colour; };
}

void WriteTestPicture(const std::string& path, int width, int height, const PictureColours& colours) {
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    ASSERT_NE(nullptr, image) << "cannot allocate a " << width << " x " << height << " picture";
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, height - 1 - y);  // scan line 0 is the bottom row
        for (int x = 0; x < width; ++x) {
            const Rgb c = colours(x, y);
            BYTE* pixel = line + 3 * x;
            pixel[FI_RGBA_RED] = c[0];
            pixel[FI_RGBA_GREEN] = c[1];
            pixel[FI_RGBA_BLUE] = c[2];
        }
    }
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    EXPECT_TRUE(FreeImage_Save(format, image, path.c_str(), format == FIF_JPEG ? JPEG_QUALITYSUPERB : 0))
        << "cannot write " << path;
    FreeImage_Unload(image);
}

void LoadTestTexture(CTexture& texture, const std::string& path, int width, int height,
                     const PictureColours& colours, bool colourKey) {
    WriteTestPicture(path, width, height, colours);
    texture.Load(path.c_str(), colourKey, true);
    EXPECT_NE(0u, texture.TextureName) << path;
}

::testing::AssertionResult ColourNear(const Rgb& actual, const Rgb& expected, int tolerance) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(int{actual[i]} - int{expected[i]}) > tolerance) {
            return ::testing::AssertionFailure()
                   << "got (" << int{actual[0]} << ", " << int{actual[1]} << ", " << int{actual[2]} << "), expected ("
                   << int{expected[0]} << ", " << int{expected[1]} << ", " << int{expected[2]} << ") within "
                   << tolerance;
        }
    }
    return ::testing::AssertionSuccess();
}
