#include "texture/bmp_extent.h"

#include <cstdint>
#include <cstdio>

#include <sys/stat.h>

namespace {

uint32_t Le32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr uint32_t BiRgb = 0;
constexpr uint32_t BiBitfields = 3;

}  // namespace

bool BmpRowsFitFile(const std::string& path) {
    // The file header (14 bytes) and the 40-byte information header.
    unsigned char header[54];
    struct stat info {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return true;
    const bool complete = std::fread(header, 1, sizeof header, file) == sizeof header &&
                          fstat(fileno(file), &info) == 0;
    std::fclose(file);
    if (!complete || header[0] != 'B' || header[1] != 'M' || Le32(header + 14) < 40) return true;

    const int64_t width = static_cast<int32_t>(Le32(header + 18));
    const int64_t rawHeight = static_cast<int32_t>(Le32(header + 22));
    const int64_t height = rawHeight < 0 ? -rawHeight : rawHeight;  // negative: top-down rows
    const int64_t bitCount = header[28] | header[29] << 8;
    const uint32_t compression = Le32(header + 30);
    if ((compression != BiRgb && compression != BiBitfields) || width <= 0 || bitCount == 0) return true;

    // Rows are padded to whole 32-bit words; sides fit in 32 bits, so none of
    // this overflows 64. Some writers leave the last row's padding out: one
    // row of slack keeps their files.
    const int64_t rowBytes = (width * bitCount + 31) / 32 * 4;
    const int64_t needed = int64_t{Le32(header + 10)} + rowBytes * (height - 1);
    return needed <= static_cast<int64_t>(info.st_size);
}
