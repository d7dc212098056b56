#pragma once
// The size of an uncompressed BMP's rows against the file that carries them:
// a few bytes can claim a picture of millions of rows, which the image
// library would allocate and fill before noticing the file ends; and a file
// that lacks only its last row's padding, which the library refuses, is
// still a whole picture.
#include <cstdint>
#include <string>

// False for an uncompressed BMP whose rows cannot all be in the file; true for
// everything else (other formats and compressed BMPs are the decoder's to judge).
bool BmpRowsFitFile(const std::string& path);

// How many bytes an uncompressed BMP whose writer left out the padding of
// its last row lacks; 0 for a whole file and for everything else.
int64_t BmpMissingPadding(const std::string& path);
