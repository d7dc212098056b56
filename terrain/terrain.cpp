#include "terrain/terrain.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/large_block.h"
#include "platform/sys_utils.h"
#include "texture/bmp_extent.h"
#include "texture/image_load.h"

TTerrain Terrain;
TerrainCell* Cells = nullptr;

namespace {

// The globals of this module come to life in this order: the ground
// textures, the tree texture, then the tile sizes.
struct GroundTexturesInit {
    GroundTexturesInit() { Terrain.GroundTextures = new CTexture[Terrain.MaterialCount]; }
} groundTexturesInit;

}  // namespace

CTexture TreeTexture;

namespace {

struct TileSizeInit {
    TileSizeInit() {
        Terrain.TileSize = Terrain.CellSize * 2.5f;
        Terrain.TexStep = Terrain.CellSize / Terrain.TileSize;
    }
} tileSizeInit;

int32_t MaterialOf(unsigned v) {
    if (v < RockThreshold) return 0;
    if (v < StoneThreshold) return 1;
    return 2;
}

// Grid points an image of this size would give, or 0 where it is empty or
// too large to take.
uint64_t AcceptedPoints(FIBITMAP* image) {
    const uint64_t points = uint64_t{FreeImage_GetWidth(image)} * FreeImage_GetHeight(image);
    return points <= static_cast<uint64_t>(MaxTerrainPoints) ? points : 0;
}

void ReleaseGrid() {
    FreeLargeBlock(Cells);
    Cells = nullptr;
    Terrain.Columns = 0;
    Terrain.Rows = 0;
}

// Fills the grid from the heightmap at path; leaves it empty where the file
// is missing, unreadable or too large.
void LoadGrid(const std::string& path) {
    // The header alone says whether the picture fits, before its pixels
    // cost any memory or time.
    FIBITMAP* header = LoadImageFile(FIF_BMP, path, FIF_LOAD_NOPIXELS);
    const uint64_t claimed = AcceptedPoints(header);
    FreeImage_Unload(header);
    if (claimed == 0 || !BmpRowsFitFile(path)) return;

    FIBITMAP* image = LoadImageFile(FIF_BMP, path, 0);
    if (!image) return;
    // One byte per pixel: an 8-bit pixel's byte is its palette index, taken
    // as the height whatever colour the palette gives it; other depths go
    // to 8-bit grey first.
    FIBITMAP* grey = image;
    if (FreeImage_GetBPP(image) != 8) {
        grey = FreeImage_ConvertToGreyscale(image);
        FreeImage_Unload(image);
        image = nullptr;
    }
    const uint64_t points = grey ? AcceptedPoints(grey) : 0;
    const unsigned width = grey ? FreeImage_GetWidth(grey) : 0;
    const unsigned height = grey ? FreeImage_GetHeight(grey) : 0;
    if (points == 0 || FreeImage_GetBPP(grey) != 8 || FreeImage_GetLine(grey) < width) {
        FreeImage_Unload(grey);
        return;
    }

    // points is at most MaxTerrainPoints, so the size cannot overflow.
    Cells = static_cast<TerrainCell*>(AllocateLargeBlock(points * sizeof(TerrainCell)));
    if (Cells) {
        Terrain.Columns = static_cast<int32_t>(width);
        Terrain.Rows = static_cast<int32_t>(height);
        TerrainCell* cell = Cells;
        for (unsigned r = 0; r < height; ++r) {
            const BYTE* line = FreeImage_GetScanLine(grey, static_cast<int>(r));
            for (unsigned c = 0; c < width; ++c, ++cell) {
                const unsigned v = line[c];
                cell->Height = static_cast<float>(v * 0.78125);
                cell->Material = MaterialOf(v);
                cell->HasTree = 1;
            }
        }
    }
    FreeImage_Unload(grey);
}

}  // namespace

void LoadTerrain(const char* path) {
    ReleaseGrid();
    if (path) LoadGrid(SystemPath(path));
    LoadTerrainTextures();
}

void LoadTerrainTextures() {
    Terrain.GroundTextures[0].Load("TEXTURES\\Floor\\mud.bmp", false, true);
    Terrain.GroundTextures[1].Load("TEXTURES\\Floor\\rock.bmp", false, true);
    Terrain.GroundTextures[2].Load("TEXTURES\\Floor\\stone.bmp", false, true);
    TreeTexture.Load("TEXTURES\\elka.bmp", true, true);
}

float GetHeight(float x, float z) {
    const float u = x / Terrain.CellSize;
    const float v = z / Terrain.CellSize;
    // NaN, infinities and values beyond a 32-bit index lie on no grid point.
    constexpr float IndexLimit = 2147483648.0f;
    if (!(u > -IndexLimit && u < IndexLimit && v > -IndexLimit && v < IndexLimit)) return 0.0f;
    const int32_t i = static_cast<int32_t>(u);
    const int32_t j = static_cast<int32_t>(v);
    if (i < 0 || i >= Terrain.Columns || j < 0 || j >= Terrain.Rows) return 0.0f;

    const float fu = u - static_cast<float>(i);
    const float fv = v - static_cast<float>(j);
    // The last row and column have no cell beyond them: their missing
    // neighbours are the edge points themselves, so the edge carries on.
    const int32_t i1 = std::min(i + 1, Terrain.Columns - 1);
    const int32_t j1 = std::min(j + 1, Terrain.Rows - 1);

    const float h00 = CellAt(j, i).Height;
    const float h11 = CellAt(j1, i1).Height;
    float w1, w2, hc;
    if (fu >= fv) {
        w1 = fv;
        w2 = fu - fv;
        hc = CellAt(j, i1).Height;
    } else {
        w1 = fu;
        w2 = fv - fu;
        hc = CellAt(j1, i).Height;
    }
    const double h00d = h00;
    return static_cast<float>(((h11 - h00d) * w1 + h00d) + (hc - h00d) * w2);
}

float GetTerrainSize() {
    return static_cast<float>(Terrain.Columns * static_cast<double>(Terrain.CellSize));
}
