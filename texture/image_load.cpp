#include "texture/image_load.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

#include "texture/bmp_extent.h"
#include "texture/bmp_fields.h"
#include "texture/bmp_v3_header.h"

namespace {

// The file's first limit bytes (all of it where it is shorter), or an empty
// vector where it cannot be read.
std::vector<uint8_t> ReadFileStart(const std::string& path, uint64_t limit) {
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && info.st_size > 0) {
        bytes.resize(static_cast<size_t>(std::min(static_cast<uint64_t>(info.st_size), limit)));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    }
    std::fclose(file);
    return bytes;
}


}  // namespace

FIBITMAP* LoadImageFile(FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    if (format != FIF_BMP) return FreeImage_Load(format, path.c_str(), flags);
    const std::vector<uint8_t> start = ReadFileStart(path, BmpSniffBytes);
    const bool longHeader = HasLongBmpHeader(start.data(), start.size());
    const bool headerOnly = (flags & FIF_LOAD_NOPIXELS) != 0;
    // The image library refuses a file that ends before the last row's
    // padding (at some bit depths); the padding is never shown, so zeros
    // stand in for it.
    const int64_t missing = headerOnly ? 0 : BmpMissingPadding(path);
    if (!longHeader && missing == 0) return FreeImage_Load(format, path.c_str(), flags);

    // A header-only load needs the bytes up to the pixels and no further.
    const uint64_t pixelOffset = Le32(start.data() + 10);
    std::vector<uint8_t> bytes = ReadFileStart(path, headerOnly ? pixelOffset : UINT64_MAX);
    if (bytes.empty()) return nullptr;
    bytes.resize(bytes.size() + static_cast<size_t>(missing), 0);
    // A BMP's own size fields are 32 bits, and so is FreeImage's memory size.
    if (bytes.size() > UINT32_MAX || (longHeader && !RewriteBmpHeaderAsV3(bytes))) return nullptr;
    FIMEMORY* memory = FreeImage_OpenMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
    if (!memory) return nullptr;
    FIBITMAP* image = FreeImage_LoadFromMemory(format, memory, flags);
    FreeImage_CloseMemory(memory);
    return image;
}
