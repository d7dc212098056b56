#pragma once
// Pictures written by FreeImage for rendering tests, so that every texture a
// test draws with has colours known by construction.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "texture/texture.h"

using Rgb = std::array<uint8_t, 3>;
// The colour of the picture's pixel (x, y), y counted from the top row.
using PictureColours = std::function<Rgb(int x, int y)>;

PictureColours UniformPicture(Rgb colour);
// Writes a 24-bit picture in the format of the name's extension (BMP, or JPEG
// at its best quality); fails the running test where FreeImage cannot.
void WriteTestPicture(const std::string& path, int width, int height, const PictureColours& colours);
// Writes the picture as path and loads it into texture with mipmaps, the
// way the program loads every texture.
void LoadTestTexture(CTexture& texture, const std::string& path, int width, int height,
                     const PictureColours& colours, bool colourKey = false);

// Each channel of a read-back pixel within tolerance of the colour worked out by hand.
::testing::AssertionResult ColourNear(const Rgb& actual, const Rgb& expected, int tolerance);
