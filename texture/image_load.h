#pragma once
// Loading a picture file with FreeImage.
#include <FreeImage.h>

#include <string>

// FreeImage_Load(format, path, flags), except that a BMP with one of the
// longer information headers is read as its version 3 equivalent (see
// bmp_v3_header.h), and an uncompressed one whose writer left out its last
// row's padding as if the padding were there. Null where the file cannot be
// read.
FIBITMAP* LoadImageFile(FREE_IMAGE_FORMAT format, const std::string& path, int flags);
