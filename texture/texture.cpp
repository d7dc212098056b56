#include "texture/texture.h"

#include <FreeImage.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "platform/gl_window_system.h"
#include "platform/sys_utils.h"
#include "texture/bmp_extent.h"
#include "texture/image_load.h"

namespace {

// Larger pictures are refused before their pixels are decoded: no texture
// could hold them, and their buffers would not fit in memory anyway.
constexpr uint64_t MaxPixels = uint64_t{1} << 28;
// No OpenGL implementation holds a longer side, and Mesa overruns its stack
// when merely asked about a side of 2^25 texels (even through GLU's proxy).
constexpr int64_t MaxSide = int64_t{1} << 16;

// The buffer size for a picture of width x height at bytesPerPixel, or 0 when
// the size is empty, negative or beyond MaxSide or MaxPixels.
size_t BufferSize(int64_t width, int64_t height, int64_t bytesPerPixel) {
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) return 0;
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixels > MaxPixels) return 0;
    return static_cast<size_t>(pixels * static_cast<uint64_t>(bytesPerPixel));
}

// Reads only the header, where the format allows it, so that a file claiming
// a gigantic size is turned away before FreeImage allocates for it.
bool HeaderSizeAcceptable(FREE_IMAGE_FORMAT format, const char* path, int bytesPerPixel) {
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsNoPixels(format)) return true;
    FIBITMAP* header = LoadImageFile(format, path, FIF_LOAD_NOPIXELS);
    if (!header) return false;
    const size_t size = BufferSize(FreeImage_GetWidth(header), FreeImage_GetHeight(header), bytesPerPixel);
    FreeImage_Unload(header);
    return size != 0;
}

// The raw-bits conversion below writes nothing for 16-bit colour (5-5-5 or
// 5-6-5) nor for pixel types of more than 8 bits a channel; FreeImage's own
// converters bring those to the depth asked for first. nullptr where the
// picture needs no conversion, or where it cannot be had.
FIBITMAP* AtRawBitsDepth(FIBITMAP* image, int bytesPerPixel) {
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(image);
    if (type == FIT_BITMAP && FreeImage_GetBPP(image) != 16) return nullptr;
    const bool direct = type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16;
    FIBITMAP* standard = direct ? image : FreeImage_ConvertToStandardType(image, TRUE);
    if (!standard) return nullptr;
    FIBITMAP* converted = bytesPerPixel == 4 ? FreeImage_ConvertTo32Bits(standard) : FreeImage_ConvertTo24Bits(standard);
    if (standard != image) FreeImage_Unload(standard);
    return converted;
}

struct TightPixels {
    int Width = 0;
    int Height = 0;
    std::unique_ptr<uint8_t[]> Buffer;
};

// The picture as tightly packed RGB or RGBA rows, top row first; an empty
// result for anything that cannot be read or held.
TightPixels ReadPixels(const std::string& path, int bytesPerPixel) {
    TightPixels result;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    if (!HeaderSizeAcceptable(format, path.c_str(), bytesPerPixel) || !BmpRowsFitFile(path)) return result;
    FIBITMAP* image = LoadImageFile(format, path, 0);
    if (!image) return result;
    if (FIBITMAP* converted = AtRawBitsDepth(image, bytesPerPixel)) {
        FreeImage_Unload(image);
        image = converted;
    }
    const int64_t width = FreeImage_GetWidth(image);
    const int64_t height = FreeImage_GetHeight(image);
    const size_t size = BufferSize(width, height, bytesPerPixel);
    if (size != 0 && FreeImage_HasPixels(image)) {
        // Zeroed, because pixel types FreeImage cannot convert leave it unwritten.
        result.Buffer.reset(new (std::nothrow) uint8_t[size]());
    }
    if (result.Buffer) {
        result.Width = static_cast<int>(width);
        result.Height = static_cast<int>(height);
        FreeImage_ConvertToRawBits(result.Buffer.get(), image, result.Width * bytesPerPixel,
                                   8 * bytesPerPixel, 0xFF, 0xFF00, 0xFF0000, TRUE);
    }
    FreeImage_Unload(image);
    return result;
}

}  // namespace

CTexture::CTexture() = default;

// The base destructor can no longer reach this class's FreeResource, so the
// last release happens here.
CTexture::~CTexture() {
    if (RefCount) ReleaseRef();
}

void CTexture::Load(const char* path, bool colourKey, bool mipmaps) {
    const int bytesPerPixel = colourKey ? 4 : 3;
    TightPixels picture;
    if (path) picture = ReadPixels(SystemPath(path), bytesPerPixel);

    uint8_t* pixels = picture.Buffer.get();
    const size_t pixelCount = static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height);
    for (size_t i = 0; i < pixelCount; ++i) {
        uint8_t* pixel = pixels + i * bytesPerPixel;
        std::swap(pixel[0], pixel[2]);
    }
    if (colourKey && pixelCount != 0) {
        const uint8_t keyR = pixels[0], keyG = pixels[1], keyB = pixels[2];
        for (size_t i = 0; i < pixelCount; ++i) {
            uint8_t* pixel = pixels + i * 4;
            const bool key = pixel[0] == keyR && pixel[1] == keyG && pixel[2] == keyB;
            pixel[3] = key ? 0 : 255;
        }
    }

    const bool wasEnabled = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
    if (!wasEnabled) glEnable(GL_TEXTURE_2D);
    if (TextureName != 0) glDeleteTextures(1, &TextureName);
    glGenTextures(1, &TextureName);
    glBindTexture(GL_TEXTURE_2D, TextureName);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum format = colourKey ? GL_RGBA : GL_RGB;
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, bytesPerPixel, picture.Width, picture.Height, format,
                          GL_UNSIGNED_BYTE, pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel, picture.Width, picture.Height, 0, format,
                     GL_UNSIGNED_BYTE, pixels);
    }
    picture.Buffer.reset();
    Unbind();
    if (!wasEnabled) glDisable(GL_TEXTURE_2D);
}

void CTexture::Bind() const { glBindTexture(GL_TEXTURE_2D, TextureName); }

void CTexture::Unbind() { glBindTexture(GL_TEXTURE_2D, 0); }

// After the context is gone the name went with it; deleting it then would
// reach no context at all.
void CTexture::FreeResource() {
    if (TextureName != 0 && GlContextIsCurrent()) glDeleteTextures(1, &TextureName);
    TextureName = 0;
}
