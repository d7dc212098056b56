#include "texture/bmp_extent.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

#include "texture/bmp_fields.h"

namespace {

constexpr uint32_t BiRgb = 0;
constexpr uint32_t BiBitfields = 3;

// What the headers of an uncompressed BMP say its rows take.
struct BmpRows {
    int64_t PixelOffset = 0;  // where the rows begin
    int64_t RowBytes = 0;     // one row with its padding to whole 32-bit words
    int64_t PixelBytes = 0;   // one row without its padding
    int64_t Height = 0;
    int64_t FileSize = 0;     // of the file on disk, not the header's claim
};

// False for anything but a readable, uncompressed BMP.
bool ReadBmpRows(const std::string& path, BmpRows& rows) {
    // The file header (14 bytes) and the 40-byte information header.
    unsigned char header[54];
    struct stat info {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    const bool complete = std::fread(header, 1, sizeof header, file) == sizeof header &&
                          fstat(fileno(file), &info) == 0;
    std::fclose(file);
    if (!complete || header[0] != 'B' || header[1] != 'M' || Le32(header + 14) < 40) return false;

    const int64_t width = static_cast<int32_t>(Le32(header + 18));
    const int64_t rawHeight = static_cast<int32_t>(Le32(header + 22));
    const int64_t bitCount = header[28] | header[29] << 8;
    const uint32_t compression = Le32(header + 30);
    if ((compression != BiRgb && compression != BiBitfields) || width <= 0 || bitCount == 0) return false;

    // Sides fit in 32 bits, so none of this overflows 64.
    rows.PixelOffset = Le32(header + 10);
    rows.RowBytes = (width * bitCount + 31) / 32 * 4;
    rows.PixelBytes = (width * bitCount + 7) / 8;
    rows.Height = rawHeight < 0 ? -rawHeight : rawHeight;  // negative: top-down rows
    rows.FileSize = info.st_size;
    return true;
}

}  // namespace

bool BmpRowsFitFile(const std::string& path) {
    BmpRows rows;
    if (!ReadBmpRows(path, rows)) return true;
    // Some writers leave the last row's padding out: one row of slack keeps
    // their files.
    return rows.PixelOffset + rows.RowBytes * (rows.Height - 1) <= rows.FileSize;
}

int64_t BmpMissingPadding(const std::string& path) {
    BmpRows rows;
    if (!ReadBmpRows(path, rows) || rows.Height == 0) return 0;
    const int64_t whole = rows.PixelOffset + rows.RowBytes * rows.Height;
    const int64_t withoutPadding = whole - (rows.RowBytes - rows.PixelBytes);
    if (whole <= rows.FileSize || withoutPadding > rows.FileSize || whole > int64_t{UINT32_MAX}) return 0;
    return whole - rows.FileSize;
}
