#include "tools/heightmap/picture_heights.h"

#include <FreeImage.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "texture/bmp_extent.h"
#include "texture/image_load.h"
#include "tools/heightmap/geotiff_no_data.h"
#include "tools/heightmap/heightmap_import.h"
#include "tools/heightmap/import_error.h"
#include "tools/heightmap/rle_bmp.h"
#include "tools/heightmap/tiff_messages.h"

namespace {

struct ImageDeleter {
    void operator()(FIBITMAP* image) const { FreeImage_Unload(image); }
};
using Image = std::unique_ptr<FIBITMAP, ImageDeleter>;

// FreeImage's last complaint, for the message when a load fails.
std::string lastMessage;
void KeepMessage(FREE_IMAGE_FORMAT, const char* message) { lastMessage = message ? message : ""; }

template <typename Sample>
Sample SampleAt(const BYTE* line, size_t index) {
    Sample value;
    std::memcpy(&value, line + index * sizeof(Sample), sizeof(Sample));
    return value;
}

// Rec. 709 luminance, the weights FreeImage's own grey conversion uses; grey
// stays exactly its level.
double Luminance(double r, double g, double b) {
    if (r == g && g == b) return r;
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

std::string Size(uint64_t width, uint64_t height) { return std::to_string(width) + " x " + std::to_string(height); }

void CheckPoints(uint64_t width, uint64_t height) {
    if (width * height > MaxImportPoints) {
        throw ImportError("is " + Size(width, height) + " points; at most " + std::to_string(MaxImportPoints) +
                          " are read");
    }
}

// The height of column c in a scan line of the image's type; channels of
// several samples count by their luminance.
double HeightAt(FREE_IMAGE_TYPE type, const BYTE* line, unsigned c) {
    switch (type) {
        case FIT_UINT16: return SampleAt<uint16_t>(line, c);
        case FIT_INT16: return SampleAt<int16_t>(line, c);
        case FIT_UINT32: return SampleAt<uint32_t>(line, c);
        case FIT_INT32: return SampleAt<int32_t>(line, c);
        case FIT_FLOAT: return SampleAt<float>(line, c);
        case FIT_DOUBLE: return SampleAt<double>(line, c);
        case FIT_RGB16:
        case FIT_RGBA16: {
            const size_t channels = type == FIT_RGB16 ? 3 : 4;
            return Luminance(SampleAt<uint16_t>(line, c * channels), SampleAt<uint16_t>(line, c * channels + 1),
                             SampleAt<uint16_t>(line, c * channels + 2));
        }
        case FIT_RGBF:
        case FIT_RGBAF: {
            const size_t channels = type == FIT_RGBF ? 3 : 4;
            return Luminance(SampleAt<float>(line, c * channels), SampleAt<float>(line, c * channels + 1),
                             SampleAt<float>(line, c * channels + 2));
        }
        default: return 0.0;
    }
}

}  // namespace

ElevationGrid ReadPictureHeights(const std::string& path) {
    QuietTiffTagMessages();
    FreeImage_SetOutputMessage(KeepMessage);
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) {
        throw ImportError("is no picture FreeImage reads, nor an .hgt, .raw or .r16 heightmap");
    }
    const std::string formatName = FreeImage_GetFormatFromFIF(format);

    // The header alone first, where the format has one to read: a few bytes
    // can claim a picture far beyond memory.
    if (FreeImage_FIFSupportsNoPixels(format)) {
        const Image header(LoadImageFile(format, path, FIF_LOAD_NOPIXELS));
        if (header) CheckPoints(FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get()));
    }
    if (format == FIF_BMP && !BmpRowsFitFile(path)) throw ImportError("is cut short: its rows do not fit in the file");

    // Heights are data, not light: a PNG's gamma must not bend them.
    const int flags = format == FIF_PNG ? PNG_IGNOREGAMMA : 0;
    lastMessage.clear();
    Image image;
    std::optional<std::vector<uint8_t>> expanded = format == FIF_BMP ? ExpandRleBmp(path) : std::nullopt;
    if (expanded) {
        FIMEMORY* memory = FreeImage_OpenMemory(expanded->data(), static_cast<DWORD>(expanded->size()));
        if (memory) image.reset(FreeImage_LoadFromMemory(FIF_BMP, memory, 0));
        FreeImage_CloseMemory(memory);
    } else {
        image.reset(LoadImageFile(format, path, flags));
    }
    if (!image || !FreeImage_HasPixels(image.get())) {
        throw ImportError("could not be read as " + formatName + (lastMessage.empty() ? "" : " (" + lastMessage + ")"));
    }
    const unsigned width = FreeImage_GetWidth(image.get()), height = FreeImage_GetHeight(image.get());
    CheckPoints(width, height);

    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(image.get());
    if (type == FIT_COMPLEX || type == FIT_UNKNOWN) {
        const std::string what = type == FIT_COMPLEX ? "complex numbers" : "samples of an unknown kind";
        throw ImportError("holds " + what + ", no heights");
    }
    // Standard pictures become 8-bit (through their palette) or 24/32-bit
    // colour; the other depths are turned into 24-bit first.
    const unsigned bpp = FreeImage_GetBPP(image.get());
    if (type == FIT_BITMAP && bpp != 8 && bpp != 24 && bpp != 32) {
        image.reset(FreeImage_ConvertTo24Bits(image.get()));
        if (!image) throw ImportError("could not be turned into colour pixels");
    }
    const unsigned depth = FreeImage_GetBPP(image.get());
    const RGBQUAD* palette = FreeImage_GetPalette(image.get());
    // Points marked as holding no elevation are voids, to be filled, not
    // depths far below the rest of the ground.
    const std::optional<double> noDataTag = format == FIF_TIFF ? GeoTiffNoData(path) : std::nullopt;
    const bool hasNoData = noDataTag.has_value();
    const double noData = noDataTag.value_or(0.0);
    const bool noDataIsFloat = std::fabs(noData) <= FLT_MAX;
    if (type == FIT_BITMAP && depth == 8 && !palette) throw ImportError("has no palette for its 8-bit pixels");

    ElevationGrid grid;
    grid.Width = static_cast<int>(width);
    grid.Height = static_cast<int>(height);
    grid.Values.resize(static_cast<size_t>(width) * height);
    for (unsigned r = 0; r < height; ++r) {
        // Scan line 0 is the picture's bottom row; the grid starts at the top.
        const BYTE* line = FreeImage_GetScanLine(image.get(), static_cast<int>(height - 1 - r));
        float* out = &grid.At(static_cast<int>(r), 0);
        for (unsigned c = 0; c < width; ++c) {
            double value;
            if (type != FIT_BITMAP) {
                value = HeightAt(type, line, c);
            } else if (depth == 8) {
                const RGBQUAD& colour = palette[line[c]];
                value = Luminance(colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
            } else {
                const BYTE* pixel = line + static_cast<size_t>(c) * (depth / 8);
                value = Luminance(pixel[FI_RGBA_RED], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE]);
            }
            // So are values no float holds, and NaN, a common no-data mark in
            // floating-point elevation models.
            const bool marked =
                hasNoData && (value == noData || (type == FIT_FLOAT && noDataIsFloat &&
                                                  static_cast<float>(value) == static_cast<float>(noData)));
            out[c] = !marked && std::fabs(value) <= FLT_MAX ? static_cast<float>(value)
                                                            : std::numeric_limits<float>::quiet_NaN();
        }
    }
    return grid;
}
