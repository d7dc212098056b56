#include "tests/support/hostile_inputs.h"

#include <FreeImage.h>

#include <bit>
#include <vector>

namespace {

void Put(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The 14-byte file header and the 40-byte info header.
std::string BmpHeaders(int32_t width, int32_t height, int bitsPerPixel, uint32_t compression, uint32_t paletteEntries,
                       uint32_t pixelBytes) {
    const uint32_t offset = 14 + 40 + 4 * paletteEntries;
    std::string out = "BM";
    Put(out, offset + pixelBytes, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);
    Put(out, static_cast<uint32_t>(width), 4);
    Put(out, static_cast<uint32_t>(height), 4);
    Put(out, 1, 2);
    Put(out, static_cast<uint32_t>(bitsPerPixel), 2);
    Put(out, compression, 4);
    Put(out, pixelBytes, 4);
    Put(out, 2835, 4);  // 72 dpi
    Put(out, 2835, 4);
    Put(out, paletteEntries, 4);
    Put(out, 0, 4);
    return out;
}

std::string GreyPalette(int bitsPerPixel) {
    std::string out;
    const int entries = 1 << bitsPerPixel;
    for (int i = 0; i < entries; ++i) {
        const auto grey = static_cast<uint8_t>(i * 255 / (entries - 1));
        out += {static_cast<char>(grey), static_cast<char>(grey), static_cast<char>(grey), '\0'};
    }
    return out;
}

// One scan line, padded to a multiple of four bytes.
std::string ScanLine(const BmpPicture& picture, int y) {
    const int bits = picture.BitsPerPixel;
    const size_t rowBytes = (static_cast<size_t>(picture.Width) * bits + 31) / 32 * 4;
    std::string row(rowBytes, '\0');
    for (int x = 0; x < picture.Width; ++x) {
        const uint8_t grey = picture.Grey(x, y);
        if (bits <= 8) {
            const int maxIndex = (1 << bits) - 1;
            const int index = (grey * maxIndex + 127) / 255;
            const size_t bit = static_cast<size_t>(x) * bits;
            // The leftmost pixel sits in the byte's highest bits.
            const int shift = 8 - bits - static_cast<int>(bit % 8);
            row[bit / 8] = static_cast<char>(static_cast<uint8_t>(row[bit / 8]) | (index << shift));
        } else if (bits == 16) {
            const unsigned five = grey >> 3;
            const unsigned value = (five << 10) | (five << 5) | five;
            row[2 * x] = static_cast<char>(value & 0xFF);
            row[2 * x + 1] = static_cast<char>(value >> 8);
        } else {
            const size_t bytes = static_cast<size_t>(bits / 8);
            for (size_t k = 0; k < bytes; ++k) row[x * bytes + k] = static_cast<char>(k < 3 ? grey : 0);
        }
    }
    return row;
}

std::string Rle8Pixels(const BmpPicture& picture) {
    std::string out;
    for (int y = 0; y < picture.Height; ++y) {
        int x = 0;
        while (x < picture.Width) {
            const uint8_t value = picture.Grey(x, y);
            int run = 1;
            while (x + run < picture.Width && run < 255 && picture.Grey(x + run, y) == value) ++run;
            out += {static_cast<char>(run), static_cast<char>(value)};
            x += run;
        }
        // The last line ends with the picture (FreeImage refuses a line
        // ended past the last one).
        out += {'\0', static_cast<char>(y + 1 < picture.Height ? 0 : 1)};
    }
    return out;
}

}  // namespace

std::string BmpFile(const BmpPicture& picture) {
    const int bits = picture.BitsPerPixel;
    const uint32_t paletteEntries = bits <= 8 ? (1u << bits) : 0u;
    std::string pixels;
    if (picture.Rle8) {
        pixels = Rle8Pixels(picture);
    } else {
        for (int r = 0; r < picture.Height; ++r)
            pixels += ScanLine(picture, picture.TopDown ? picture.Height - 1 - r : r);
    }
    std::string out = BmpHeaders(picture.Width, picture.TopDown ? -picture.Height : picture.Height, bits,
                                 picture.Rle8 ? 1u : 0u, paletteEntries, static_cast<uint32_t>(pixels.size()));
    if (paletteEntries) out += GreyPalette(bits);
    return out + pixels;
}

std::string WithLongBmpHeader(const std::string& v3File, uint32_t infoSize) {
    auto le32 = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v |= uint32_t{static_cast<uint8_t>(v3File[at + i])} << (8 * i);
        return v;
    };
    if (v3File.size() < 54) return v3File;
    const size_t keep = 14 + 40 + (le32(30) == 3 ? 12 : 0);
    const uint32_t added = infoSize - static_cast<uint32_t>(keep - 14);
    std::string out = v3File.substr(0, keep) + std::string(added, '\xA5') + v3File.substr(keep);
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (8 * i));
    };
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, le32(10) + added);
    put32(14, infoSize);
    return out;
}

std::string BmpClaiming(int32_t width, int32_t height, size_t pixelBytes) {
    std::string out = BmpHeaders(width, height, 8, 0, 256, 0) + GreyPalette(8);
    for (size_t i = 0; i < pixelBytes; ++i) out.push_back(static_cast<char>(i * 37));
    return out;
}

std::string EncodedPicture(PictureFormat format, int width, int height, int bitsPerPixel, const Colours& colours) {
    FIBITMAP* image = FreeImage_Allocate(width, height, bitsPerPixel);
    if (!image) return {};
    if (bitsPerPixel == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(image);
        for (int i = 0; i < 256; ++i) {
            palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
            palette[i].rgbReserved = 0;
        }
    }
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colours(x, y);
            if (bitsPerPixel == 8) {
                line[x] = static_cast<BYTE>(c >> 8);
                continue;
            }
            BYTE* pixel = line + x * (bitsPerPixel / 8);
            pixel[FI_RGBA_RED] = static_cast<BYTE>(c >> 16);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(c >> 8);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>(c);
            if (bitsPerPixel == 32) pixel[FI_RGBA_ALPHA] = static_cast<BYTE>(c >> 24);
        }
    }
    const FREE_IMAGE_FORMAT fif = format == PictureFormat::Jpeg ? FIF_JPEG
                                  : format == PictureFormat::Png ? FIF_PNG
                                                                 : FIF_BMP;
    std::string out;
    FIMEMORY* memory = FreeImage_OpenMemory();
    if (memory && FreeImage_SaveToMemory(fif, image, memory, 0)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_AcquireMemory(memory, &data, &size) && data) out.assign(reinterpret_cast<char*>(data), size);
    }
    if (memory) FreeImage_CloseMemory(memory);
    FreeImage_Unload(image);
    return out;
}

std::string SaveRecord(float x, float y, float z, double yaw, double pitch) {
    std::string out;
    for (float v : {x, y, z}) Put(out, std::bit_cast<uint32_t>(v), 4);
    for (double v : {yaw, pitch}) Put(out, std::bit_cast<uint64_t>(v), 8);
    return out;
}

std::string JunkBytes(size_t count, uint64_t seed) {
    std::string out;
    out.reserve(count);
    uint64_t state = seed * 0x9e3779b97f4a7c15ULL + 1;
    for (size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        out.push_back(static_cast<char>(state >> 24));
    }
    return out;
}
