#pragma once
// BMPs with the longer information headers that painting programs write by
// default (version 4 and 5, and the 52- and 56-byte variants) carry the same
// picture as a version 3 file: their extra fields (colour space, gamma,
// intent, an alpha mask) describe it but do not change its bytes. The image
// library of some systems refuses them, so they are read as that version 3
// equivalent.
#include <cstddef>
#include <cstdint>
#include <vector>

// The file header and the information header's size field: enough to tell
// whether a file is one to rewrite.
constexpr size_t BmpSniffBytes = 18;

// True where the file starting with these bytes (at least BmpSniffBytes) is a
// BMP whose information header is one of the longer versions.
bool HasLongBmpHeader(const uint8_t* start, size_t size);

// Rewrites a whole BMP file in place into its version 3 equivalent: the
// 40-byte header (followed by the three colour masks where the pixels are
// bit fields), the palette and the pixels unchanged, the pixel offset and
// file size moved to match. False, leaving the bytes alone, for anything
// else, including files whose offsets do not add up.
bool RewriteBmpHeaderAsV3(std::vector<uint8_t>& file);
