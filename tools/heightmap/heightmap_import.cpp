#include "tools/heightmap/heightmap_import.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "tools/heightmap/elevation_grid.h"
#include "tools/heightmap/file_bytes.h"
#include "tools/heightmap/import_error.h"
#include "tools/heightmap/picture_heights.h"
#include "tools/heightmap/progress.h"
#include "tools/heightmap/raw16_heightmap.h"
#include "tools/heightmap/resample.h"
#include "tools/heightmap/srtm_tile.h"
#include "tools/heightmap/void_fill.h"

namespace {

// Inputs from this many points on are worth telling progress about.
constexpr uint64_t LargeInputPoints = uint64_t{1} << 20;
constexpr uint64_t LargeInputBytes = uint64_t{2} << 20;

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return extension;
}

ElevationGrid ReadElevations(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == ".hgt") return ReadSrtmTile(path);
    if (extension == ".raw" || extension == ".r16") return ReadRaw16Heightmap(path);
    return ReadPictureHeights(path);
}

std::string Size(uint64_t width, uint64_t height) { return std::to_string(width) + " x " + std::to_string(height); }

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The map the program will be given must be one it takes.
void CheckMapSize(uint64_t width, uint64_t height, bool resized) {
    const std::string what = resized ? "resized to " : "is ";
    if (width < 2 || height < 2) {
        throw ImportError(what + Size(width, height) + " points; a world needs at least 2 a side");
    }
    if (width * height > static_cast<uint64_t>(MaxTerrainPoints)) {
        throw ImportError(what + Size(width, height) + " points, more than the program's " +
                          std::to_string(MaxTerrainPoints) + " (16384 x 16384); --size makes it smaller");
    }
}

}  // namespace

FIBITMAP* ImportHeightmap(const HeightmapImport& import) {
    Progress progress(FileSize(import.Path) >= LargeInputBytes);
    progress.Step("reading " + import.Path);
    ElevationGrid grid = ReadElevations(import.Path);
    if (grid.Values.size() >= LargeInputPoints) progress = Progress(true);
    progress.Step("read " + Size(grid.Width, grid.Height) + " points");

    int width = grid.Width, height = grid.Height;
    if (import.LongerSide) {
        const GridSize size = ResampledSize(grid.Width, grid.Height, *import.LongerSide);
        width = size.Width;
        height = size.Height;
    }
    CheckMapSize(static_cast<uint64_t>(width), static_cast<uint64_t>(height), import.LongerSide.has_value());

    const size_t voids = static_cast<size_t>(std::count_if(grid.Values.begin(), grid.Values.end(), IsVoid));
    if (voids == grid.Values.size()) throw ImportError("holds no heights: every point is void");
    if (voids != 0) {
        progress.Step("filling " + std::to_string(voids) + " void points from their neighbours");
        FillVoids(grid);
    }
    if (width != grid.Width || height != grid.Height) {
        progress.Step("resizing to " + Size(width, height) + " points");
        grid = Resample(grid, *import.LongerSide);
    }

    const HeightRange range = import.Heights ? *import.Heights : RangeOf(grid);
    progress.Step("scaling heights " + Number(range.Low) + " to " + Number(range.High) + " into pixel values 0 to 255");
    const std::vector<uint8_t> levels = ToLevels(grid, range);

    FIBITMAP* image = FreeImage_Allocate(width, height, 8);
    if (!image) throw ImportError("needs more memory than there is for a map of " + Size(width, height) + " points");
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i) {
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
        palette[i].rgbReserved = 0;
    }
    for (int r = 0; r < height; ++r) {
        // The grid's top row is the picture's top row, scan line height - 1.
        BYTE* line = FreeImage_GetScanLine(image, height - 1 - r);
        std::copy_n(levels.begin() + static_cast<std::ptrdiff_t>(r) * width, width, line);
    }
    return image;
}
