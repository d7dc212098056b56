#pragma once
// The value that marks points without an elevation in a GeoTIFF, as GDAL
// and the tools built on it write it: an ASCII number in TIFF tag 42113 of
// the first image. FreeImage reads GeoTIFF tags but not this one.
#include <optional>
#include <string>

// The no-data value of the TIFF at path, or nothing where the file is no
// TIFF, has no such tag or holds no number in it.
std::optional<double> GeoTiffNoData(const std::string& path);
