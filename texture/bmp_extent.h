#pragma once
// A cheap check of an uncompressed BMP's claimed size against the file that
// carries it: a few bytes can claim a picture of millions of rows, which the
// image library would allocate and fill before noticing the file ends.
#include <string>

// False for an uncompressed BMP whose rows cannot all be in the file; true for
// everything else (other formats and compressed BMPs are the decoder's to judge).
bool BmpRowsFitFile(const std::string& path);
