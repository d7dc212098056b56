#include "texture/bmp_v3_header.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "texture/bmp_fields.h"

namespace {

constexpr size_t FileHeaderBytes = 14;
constexpr uint32_t V3InfoBytes = 40;
constexpr uint32_t MaskBytes = 12;  // red, green and blue masks after a version 3 header
constexpr uint32_t BiBitfields = 3;

bool IsLongInfoSize(uint32_t size) { return size == 52 || size == 56 || size == 108 || size == 124; }

}  // namespace

bool HasLongBmpHeader(const uint8_t* start, size_t size) {
    return size >= BmpSniffBytes && start[0] == 'B' && start[1] == 'M' && IsLongInfoSize(Le32(start + 14));
}

bool RewriteBmpHeaderAsV3(std::vector<uint8_t>& file) {
    if (!HasLongBmpHeader(file.data(), file.size())) return false;
    const uint32_t infoBytes = Le32(file.data() + 14);
    const uint64_t headersEnd = FileHeaderBytes + uint64_t{infoBytes};
    const uint32_t pixelOffset = Le32(file.data() + 10);
    // The palette lies between the headers and the pixels; a pixel offset
    // inside the headers, or beyond the file, leaves nothing sound to move.
    if (file.size() < headersEnd || pixelOffset < headersEnd || pixelOffset > file.size()) return false;

    // The colour masks open every longer header, right where a version 3
    // file with bit fields keeps them, so only what follows them goes.
    const uint32_t compression = Le32(file.data() + 30);
    const uint32_t kept = V3InfoBytes + (compression == BiBitfields ? MaskBytes : 0);
    const uint32_t removed = infoBytes - kept;
    const auto from = file.begin() + static_cast<std::ptrdiff_t>(FileHeaderBytes + kept);
    file.erase(from, from + static_cast<std::ptrdiff_t>(removed));
    PutLe32(file.data() + 2, static_cast<uint32_t>(file.size()));
    PutLe32(file.data() + 10, pixelOffset - removed);
    PutLe32(file.data() + 14, V3InfoBytes);
    return true;
}
