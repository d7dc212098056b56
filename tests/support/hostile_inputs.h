#pragma once
// Files written byte for byte, for the tests and fuzz targets of the
// program's readers: small valid ones and damaged ones. Nothing here needs a
// test framework, so the fuzz targets build it too.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The grey level of the picture's pixel in column x and row y, rows counted
// from the bottom of the picture (the BMP's first scan line).
using GreyLevels = std::function<uint8_t(int x, int y)>;

// A Windows BMP with a 40-byte info header. Pixels of up to 8 bits are
// palette indices into a grey ramp (index i of 2^bits is grey
// i * 255 / (2^bits - 1)); grey levels are scaled down to the index range.
// 16 bits is 5-5-5 RGB, 24 and 32 bits BGR(X). rle8 stores an 8-bit picture
// run-length encoded; topDown stores the rows top first (negative height).
struct BmpPicture {
    int32_t Width = 1;
    int32_t Height = 1;
    int BitsPerPixel = 8;
    bool Rle8 = false;
    bool TopDown = false;
    GreyLevels Grey = [](int, int) { return uint8_t{0}; };
};
std::string BmpFile(const BmpPicture& picture);

// The same BMP with an information header of infoSize bytes (52, 56, 108
// or 124), laid out as those longer versions are: the colour masks of bit
// field pixels stay where version 3 keeps them, the fields after them
// (colour space, gamma, intent, profile) hold other bytes.
std::string WithLongBmpHeader(const std::string& v3File, uint32_t infoSize);

// An 8-bit BMP header claiming width x height pixels, followed by only
// pixelBytes bytes of pixels.
std::string BmpClaiming(int32_t width, int32_t height, size_t pixelBytes);

// The 24-bit colour (or 32-bit colour with alpha) of pixel (x, y), y counted
// from the top row.
using Colours = std::function<uint32_t(int x, int y)>;  // 0xAARRGGBB
enum class PictureFormat { Bmp, Jpeg, Png };
// A picture encoded by FreeImage: bitsPerPixel 8 (grey, the green channel
// taken), 24 or 32; empty where FreeImage cannot write it.
std::string EncodedPicture(PictureFormat format, int width, int height, int bitsPerPixel, const Colours& colours);

// The 28-byte "save.dat" record.
std::string SaveRecord(float x, float y, float z, double yaw, double pitch);

// Deterministic junk: count bytes from a seed.
std::string JunkBytes(size_t count, uint64_t seed);
