#include "tools/heightmap/rle_bmp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "texture/bmp_fields.h"
#include "texture/bmp_v3_header.h"
#include "tools/heightmap/file_bytes.h"
#include "tools/heightmap/heightmap_import.h"
#include "tools/heightmap/import_error.h"

namespace {

constexpr size_t HeadersBytes = 54;  // file header and version 3 information header
constexpr uint32_t BiRle8 = 1;
constexpr uint32_t BiRle4 = 2;

bool StartsAsBmp(const std::vector<uint8_t>& file) {
    return file.size() >= HeadersBytes && file[0] == 'B' && file[1] == 'M';
}

}  // namespace

std::optional<std::vector<uint8_t>> ExpandRleBmp(const std::string& path) {
    std::vector<uint8_t> file = ReadFileBytes(path);
    if (!StartsAsBmp(file)) return std::nullopt;
    RewriteBmpHeaderAsV3(file);
    if (Le32(file.data() + 14) != 40) return std::nullopt;
    const uint32_t compression = Le32(file.data() + 30);
    const unsigned bits = file[28] | file[29] << 8;
    if (!((compression == BiRle8 && bits == 8) || (compression == BiRle4 && bits == 4))) return std::nullopt;

    const int64_t width = static_cast<int32_t>(Le32(file.data() + 18));
    const int64_t height = static_cast<int32_t>(Le32(file.data() + 22));  // coded pictures run bottom-up only
    const uint32_t pixelOffset = Le32(file.data() + 10);
    if (width <= 0 || height <= 0 || pixelOffset < HeadersBytes || pixelOffset > file.size()) {
        throw ImportError("is a run-length coded BMP whose header does not add up");
    }
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > MaxImportPoints) {
        throw ImportError("is " + std::to_string(width) + " x " + std::to_string(height) + " points; at most " +
                          std::to_string(MaxImportPoints) + " are read");
    }

    // The headers and palette as they are, then rows of whole bytes padded
    // to 32 bits, starting out as index 0 as coded pictures do.
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t pixelBytes = rowBytes * static_cast<uint64_t>(height);
    std::vector<uint8_t> out(file.begin(), file.begin() + pixelOffset);
    out.resize(pixelOffset + pixelBytes, 0);
    PutLe32(out.data() + 2, static_cast<uint32_t>(std::min<uint64_t>(out.size(), UINT32_MAX)));
    PutLe32(out.data() + 30, 0);
    PutLe32(out.data() + 34, static_cast<uint32_t>(std::min<uint64_t>(pixelBytes, UINT32_MAX)));

    int64_t x = 0, y = 0;  // y = 0 is the bottom row, the first coded
    auto put = [&](unsigned index) {
        if (x < width && y < height) {
            uint8_t& byte = out[pixelOffset + static_cast<uint64_t>(y) * rowBytes +
                                static_cast<uint64_t>(bits == 8 ? x : x / 2)];
            if (bits == 8) {
                byte = static_cast<uint8_t>(index);
            } else {
                byte = static_cast<uint8_t>(x % 2 == 0 ? (byte & 0x0F) | index << 4 : (byte & 0xF0) | (index & 0x0F));
            }
        }
        ++x;
    };
    size_t at = pixelOffset;
    while (at + 1 < file.size() && y < height) {
        const unsigned count = file[at], value = file[at + 1];
        at += 2;
        if (count > 0) {
            // A run: the byte's one index, or its two nibbles by turns.
            for (unsigned i = 0; i < count; ++i) put(bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (at + 1 >= file.size()) break;
            x += file[at];
            y += file[at + 1];
            at += 2;
        } else {
            // value literal indices, padded to a whole 16-bit word.
            const size_t bytes = bits == 8 ? value : (value + 1) / 2;
            if (at + bytes > file.size()) break;
            for (unsigned i = 0; i < value; ++i) {
                put(bits == 8 ? file[at + i] : (i % 2 == 0 ? file[at + i / 2] >> 4 : file[at + i / 2] & 0x0F));
            }
            at += bytes + bytes % 2;
        }
    }
    return out;
}
