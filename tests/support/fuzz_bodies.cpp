#include "tests/support/fuzz_bodies.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "app/saved_viewpoint.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "terrain/terrain.h"
#include "texture/texture.h"
#include "tests/support/hostile_inputs.h"

namespace {

bool WriteWhole(const char* path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

std::string FuzzSettings(const uint8_t* data, size_t size) {
    if (!WriteWhole("fuzz.ini", data, size)) return "cannot write fuzz.ini";
    Settings = TSettings{};
    StereoBase = 0.0f;
    ReadSettings("fuzz.ini");
    if (!std::isfinite(StereoBase)) return "StereoBase is not finite";
    if (Settings.Fov != 120.0f || Settings.Speed != 7.0f || Settings.Wireframe != 0)
        return "the file changed Fov, Speed or Wireframe";
    return {};
}

// The camera before the restore: every field distinct and non-zero, so
// that a short file's untouched bytes are visible.
void PlaceStartCamera() {
    Camera.Position = CVector3(640.0f, 79.925f, 650.0f);
    Camera.Direction = CVector3(0.0f, 0.0f, 1.0f);
    Camera.Up = CVector3(0.0f, 1.0f, 0.0f);
    Camera.Yaw = 0.75;
    Camera.Pitch = -0.25;
}

float FloatAt(const std::string& record, size_t at) {
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) bits |= uint32_t{static_cast<uint8_t>(record[at + i])} << (8 * i);
    return std::bit_cast<float>(bits);
}

double DoubleAt(const std::string& record, size_t at) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) bits |= uint64_t{static_cast<uint8_t>(record[at + i])} << (8 * i);
    return std::bit_cast<double>(bits);
}

bool Finite(const CVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
bool SameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

std::string FuzzViewpoint(const uint8_t* data, size_t size) {
    if (!WriteWhole(SaveFileName, data, size)) return "cannot write save.dat";
    PlaceStartCamera();
    // What the file says: its bytes over the start values, as far as it reaches.
    std::string record = SaveRecord(Camera.Position.x, Camera.Position.y, Camera.Position.z, Camera.Yaw, Camera.Pitch);
    std::memcpy(record.data(), data, std::min<size_t>(size, record.size()));
    const CVector3 position(FloatAt(record, 0), FloatAt(record, 4), FloatAt(record, 8));
    const double yaw = DoubleAt(record, 12), pitch = DoubleAt(record, 20);

    RestoreViewpoint();

    if (!Finite(Camera.Position) || !std::isfinite(Camera.Yaw) || !std::isfinite(Camera.Pitch))
        return "the restored camera is not finite";
    if (Camera.Direction.x != 0.0f || Camera.Direction.y != 0.0f || Camera.Direction.z != 1.0f ||
        Camera.Up.x != 0.0f || Camera.Up.y != 1.0f || Camera.Up.z != 0.0f)
        return "the restore changed Direction or Up";
    if (Finite(position) && std::isfinite(yaw) && std::isfinite(pitch) &&
        !(SameBits(Camera.Position.x, position.x) && SameBits(Camera.Position.y, position.y) &&
          SameBits(Camera.Position.z, position.z) && SameBits(Camera.Yaw, yaw) && SameBits(Camera.Pitch, pitch)))
        return "a finite record was not restored as written";
    return {};
}

constexpr float HighestGround = 255 * 0.78125f;

std::string CheckGrid() {
    const int64_t columns = Terrain.Columns, rows = Terrain.Rows;
    if (columns < 0 || rows < 0 || (columns == 0) != (rows == 0)) return "a grid of negative or half-empty size";
    if (columns * rows > MaxTerrainPoints) return "a grid beyond MaxTerrainPoints";
    if ((Cells == nullptr) != (columns == 0)) return "Cells does not match the grid size";
    if (GetTerrainSize() != static_cast<float>(columns * 20.0)) return "GetTerrainSize is not Columns x 20";
    // Every cell is one pixel value's; a bounded share of them is looked at.
    const int64_t checked = std::min<int64_t>(columns * rows, 1 << 16);
    for (int64_t k = 0; k < checked; ++k) {
        const TerrainCell& cell = Cells[k];
        const float v = cell.Height / 0.78125f;
        if (!(v >= 0.0f && v <= 255.0f) || v != std::floor(v)) return "a cell height that no pixel value gives";
        const int32_t material = v < 120 ? 0 : v < 150 ? 1 : 2;
        if (cell.Material != material) return "a cell material that does not follow its height";
        if (cell.HasTree != 1) return "a cell without its tree";
    }
    return {};
}

std::string CheckHeights() {
    const float width = Terrain.Columns * 20.0f, depth = Terrain.Rows * 20.0f;
    const float lastX = (Terrain.Columns - 1) * 20.0f, lastZ = (Terrain.Rows - 1) * 20.0f;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float big = std::numeric_limits<float>::max();
    const float along[] = {0.0f,  10.0f, lastX * 0.5f, std::nextafter(lastX, 0.0f), lastX, lastX + 10.0f,
                           std::nextafter(width, 0.0f), width, -10.0f, -19.99f, -20.0f, 1e30f, -1e30f,
                           big, -big, inf, -inf, nan};
    const float across[] = {0.0f,  10.0f, lastZ * 0.5f, std::nextafter(lastZ, 0.0f), lastZ, lastZ + 10.0f,
                            std::nextafter(depth, 0.0f), depth, -10.0f, -19.99f, -20.0f, 1e30f, -1e30f,
                            big, -big, inf, -inf, nan};
    for (float x : along) {
        for (float z : across) {
            const float h = GetHeight(x, z);
            if (!std::isfinite(h)) return "GetHeight is not finite";
            const bool inGrid = x >= 0.0f && x < width && z >= 0.0f && z < depth;
            const bool belowLowEdge = x > -20.0f && x < width && z > -20.0f && z < depth && !inGrid;
            if (inGrid && !(h >= 0.0f && h <= HighestGround)) return "GetHeight beyond every grid height";
            if (!inGrid && !belowLowEdge && h != 0.0f) return "GetHeight is not 0 off the grid";
        }
    }
    return {};
}

std::string FuzzHeightmap(const uint8_t* data, size_t size) {
    mkdir("MAP", 0755);
    if (!WriteWhole("MAP/map.bmp", data, size)) return "cannot write MAP/map.bmp";
    LoadTerrain("MAP\\map.bmp");
    std::string failure = CheckGrid();
    if (failure.empty()) failure = CheckHeights();
    while (glGetError() != GL_NO_ERROR) {
    }
    return failure;
}

// With the colour key and no mipmaps level 0 is the picture itself, top row
// first: alpha is 0 exactly on the top-left pixel's colour, 255 elsewhere.
std::string CheckColourKey(const CTexture& texture) {
    texture.Bind();
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::string failure;
    if (width > 0 && height > 0 && int64_t{width} * height <= (1 << 20)) {
        std::vector<uint8_t> texels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (size_t i = 0; i < texels.size() && failure.empty(); i += 4) {
            const bool key = std::memcmp(&texels[i], &texels[0], 3) == 0;
            if (texels[i + 3] != (key ? 0 : 255)) failure = "alpha does not follow the colour key";
        }
    }
    CTexture::Unbind();
    return failure;
}

std::string FuzzTexture(const uint8_t* data, size_t size) {
    if (size == 0) return {};
    const uint8_t flags = data[0];
    static const char* const names[] = {"fuzz.bmp", "fuzz.jpg", "fuzz.png", "fuzz.bmp"};
    const char* path = names[flags & 3];
    if (!WriteWhole(path, data + 1, size - 1)) return std::string("cannot write ") + path;
    const bool colourKey = flags & TextureColourKey, mipmaps = flags & TextureMipmaps;
    const bool enabled = flags & TextureEnabledBefore;
    if (enabled) glEnable(GL_TEXTURE_2D);
    else glDisable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    std::string failure;
    {
        CTexture texture;
        texture.Load(path, colourKey, mipmaps);
        GLint bound = -1, alignment = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        if (texture.TextureName == 0) failure = "Load gave no texture name";
        else if (bound != 0) failure = "Load left a texture bound";
        else if ((glIsEnabled(GL_TEXTURE_2D) == GL_TRUE) != enabled) failure = "Load changed GL_TEXTURE_2D";
        else if (alignment != 1) failure = "Load left the unpack alignment other than 1";
        else if (colourKey && !mipmaps) failure = CheckColourKey(texture);
    }
    glDisable(GL_TEXTURE_2D);
    while (glGetError() != GL_NO_ERROR) {
    }
    return failure;
}

uint8_t Ramp(int x, int y) { return static_cast<uint8_t>(x * 37 + y * 91); }

std::vector<NamedInput> SettingsSeeds() {
    return {
        {"full.ini", "[setup]\nstereo=1\nstereo_base=0.5\nlcolor=1\nrcolor=3\nlod=1\nfog=1\n"},
        {"forms.ini", "; comment\n[Other]\nlod=9\n[SETUP]\r\n  Stereo = 0x10 \r\nSTEREO_BASE=\"-2.5e-3\"\r\n"
                      "lcolor='$1F'\nrcolor=-7\nlod=  +12\nfog=$\nfog=1\n"},
        {"floats.ini", "[setup]\nstereo_base= 1e300\n[setup]\nstereo_base=0,25\nlcolor=4\n"},
        {"odd.ini", "[setup\nstereo=1\n]\n=5\n[ setup ]\nlod\nfog==1\nrcolor=99999999999\n"},
    };
}

std::vector<NamedInput> ViewpointSeeds() {
    const std::string record = SaveRecord(500.0f, 77.5f, 600.0f, 0.25, -0.125);
    return {
        {"record.dat", record},
        {"short.dat", record.substr(0, 12)},
        {"long.dat", record + "trailing bytes"},
        {"nan.dat", SaveRecord(std::numeric_limits<float>::quiet_NaN(), 1.0f, 2.0f, 0.0, 0.0)},
        {"huge.dat", SaveRecord(1e30f, -1e30f, 3.4e38f, 1e300, -1e300)},
    };
}

std::vector<NamedInput> HeightmapSeeds() {
    std::vector<NamedInput> seeds;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        BmpPicture picture;
        picture.Width = 5;
        picture.Height = 3;
        picture.BitsPerPixel = bits;
        picture.Grey = Ramp;
        seeds.push_back({"ramp" + std::to_string(bits) + ".bmp", BmpFile(picture)});
    }
    BmpPicture picture;
    picture.Grey = Ramp;
    seeds.push_back({"one.bmp", BmpFile(picture)});
    picture.Width = 1;
    picture.Height = 7;
    seeds.push_back({"column.bmp", BmpFile(picture)});
    picture.Width = 2;
    picture.Height = 2;
    seeds.push_back({"square.bmp", BmpFile(picture)});
    picture.Width = 6;
    picture.Height = 4;
    picture.TopDown = true;
    seeds.push_back({"topdown.bmp", BmpFile(picture)});
    picture.TopDown = false;
    picture.Rle8 = true;
    picture.Grey = [](int x, int y) { return static_cast<uint8_t>(x < 3 ? 150 : y * 60); };
    seeds.push_back({"rle.bmp", BmpFile(picture)});
    seeds.push_back({"claims.bmp", BmpClaiming(100000, 100000, 16)});
    picture.Rle8 = false;
    seeds.push_back({"v5.bmp", WithLongBmpHeader(BmpFile(picture), 124)});
    seeds.push_back({"claims-v4.bmp", WithLongBmpHeader(BmpClaiming(100000, 100000, 16), 108)});
    return seeds;
}

uint32_t Checker(int x, int y) { return ((x + y) % 2) ? 0xFF20C040u : 0x80A01060u; }

std::vector<NamedInput> TextureSeeds() {
    std::vector<NamedInput> seeds;
    struct Kind {
        const char* Name;
        PictureFormat Format;
        uint8_t Extension;
        int Bits;
        int Width, Height;
    };
    const Kind kinds[] = {
        {"bmp24", PictureFormat::Bmp, TextureAsBmp, 24, 3, 2},   {"bmp32", PictureFormat::Bmp, TextureAsBmp, 32, 2, 2},
        {"bmp8", PictureFormat::Bmp, TextureAsBmp, 8, 5, 3},     {"jpeg", PictureFormat::Jpeg, TextureAsJpeg, 24, 8, 8},
        {"jpeg8", PictureFormat::Jpeg, TextureAsJpeg, 8, 9, 4},  {"png24", PictureFormat::Png, TextureAsPng, 24, 5, 3},
        {"png32", PictureFormat::Png, TextureAsPng, 32, 4, 4},   {"png8", PictureFormat::Png, TextureAsPng, 8, 3, 3},
    };
    const uint8_t loads[] = {TextureMipmaps, TextureColourKey, TextureColourKey | TextureMipmaps | TextureEnabledBefore};
    for (const Kind& kind : kinds) {
        const std::string file = EncodedPicture(kind.Format, kind.Width, kind.Height, kind.Bits, Checker);
        if (file.empty()) continue;
        for (uint8_t load : loads)
            seeds.push_back({std::string(kind.Name) + "-" + std::to_string(load),
                             TextureFuzzInput(static_cast<uint8_t>(kind.Extension | load), file)});
    }
    BmpPicture picture;
    picture.Width = 7;
    picture.Height = 3;
    picture.BitsPerPixel = 4;
    picture.Grey = Ramp;
    seeds.push_back({"bmp4", TextureFuzzInput(TextureAsBmp | TextureColourKey, BmpFile(picture))});
    picture.BitsPerPixel = 1;
    seeds.push_back({"bmp1", TextureFuzzInput(TextureAsBmp, BmpFile(picture))});
    const std::string bmp32 = EncodedPicture(PictureFormat::Bmp, 2, 2, 32, Checker);
    if (!bmp32.empty()) {
        seeds.push_back({"bmp32-v5", TextureFuzzInput(TextureAsBmp | TextureColourKey, WithLongBmpHeader(bmp32, 124))});
    }
    return seeds;
}

}  // namespace

const char* FuzzTargetName(FuzzTarget target) {
    switch (target) {
        case FuzzTarget::Settings: return "settings";
        case FuzzTarget::Viewpoint: return "viewpoint";
        case FuzzTarget::Heightmap: return "heightmap";
        case FuzzTarget::Texture: return "texture";
    }
    return "unknown";
}

std::string RunFuzzInput(FuzzTarget target, const uint8_t* data, size_t size) {
    switch (target) {
        case FuzzTarget::Settings: return FuzzSettings(data, size);
        case FuzzTarget::Viewpoint: return FuzzViewpoint(data, size);
        case FuzzTarget::Heightmap: return FuzzHeightmap(data, size);
        case FuzzTarget::Texture: return FuzzTexture(data, size);
    }
    return "unknown fuzz target";
}

std::string TextureFuzzInput(uint8_t flags, const std::string& file) {
    return std::string(1, static_cast<char>(flags)) + file;
}

std::vector<NamedInput> FuzzSeeds(FuzzTarget target) {
    switch (target) {
        case FuzzTarget::Settings: return SettingsSeeds();
        case FuzzTarget::Viewpoint: return ViewpointSeeds();
        case FuzzTarget::Heightmap: return HeightmapSeeds();
        case FuzzTarget::Texture: return TextureSeeds();
    }
    return {};
}
