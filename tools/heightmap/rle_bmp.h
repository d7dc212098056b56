#pragma once
// Run-length coded BMPs (8 and 4 bits a pixel), which ImageMagick writes for
// pictures of few colours and which the FreeImage of some systems refuses
// altogether, even those it wrote itself. They are expanded here into the
// same picture uncompressed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The file as an uncompressed version 3 BMP, or nothing where it is no
// run-length coded BMP. Throws ImportError for one whose header does not add
// up or whose picture is larger than the import takes. Codes that reach past
// a row's end or the picture's top are dropped, as the format's readers do.
std::optional<std::vector<uint8_t>> ExpandRleBmp(const std::string& path);
