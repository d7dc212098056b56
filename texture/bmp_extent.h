#pragma once
// The size of an uncompressed BMP's rows against the file that carries them:
// a few bytes can claim a picture of millions of rows, which the image
// library would allocate and fill before noticing the file ends; and a file
// that lacks only its last row's padding, which the library refuses, is
// still a whole picture.
#include <string>

#include <FreeImage.h>

// False for an uncompressed BMP whose rows cannot all be in the file; true for
// everything else (other formats and compressed BMPs are the decoder's to judge).
bool BmpRowsFitFile(const std::string& path);

// FreeImage_Load, except that an uncompressed BMP whose writer left out the
// padding of its last row loads as if the padding were there.
FIBITMAP* LoadPicture(FREE_IMAGE_FORMAT format, const std::string& path, int flags);
