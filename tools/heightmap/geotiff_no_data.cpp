#include "tools/heightmap/geotiff_no_data.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr uint16_t GdalNoDataTag = 42113;
constexpr uint16_t AsciiType = 2;
constexpr uint32_t LongestNumber = 64;  // longer texts are no number written by any tool

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

class TiffReader {
public:
    explicit TiffReader(FILE* file) : file_(file) {}

    bool Header(uint32_t& firstDirectory) {
        uint8_t bytes[8];
        if (!Read(0, bytes, sizeof bytes)) return false;
        if (bytes[0] == 'I' && bytes[1] == 'I') {
            little_ = true;
        } else if (bytes[0] == 'M' && bytes[1] == 'M') {
            little_ = false;
        } else {
            return false;
        }
        // 42 is classic TIFF; BigTIFF (43) is not read here.
        if (U16(bytes + 2) != 42) return false;
        firstDirectory = U32(bytes + 4);
        return true;
    }

    bool Read(uint64_t offset, uint8_t* into, size_t size) {
        return std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0 &&
               std::fread(into, 1, size, file_) == size;
    }

    uint16_t U16(const uint8_t* p) const {
        return little_ ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
    }
    uint32_t U32(const uint8_t* p) const {
        return little_ ? uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24
                       : uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
    }

private:
    FILE* file_;
    bool little_ = true;
};

}  // namespace

std::optional<double> GeoTiffNoData(const std::string& path) {
    const std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    TiffReader tiff(file.get());
    uint32_t directory = 0;
    uint8_t count[2];
    if (!tiff.Header(directory) || !tiff.Read(directory, count, sizeof count)) return std::nullopt;

    const uint16_t entries = tiff.U16(count);
    for (uint32_t e = 0; e < entries; ++e) {
        uint8_t entry[12];
        if (!tiff.Read(uint64_t{directory} + 2 + 12 * uint64_t{e}, entry, sizeof entry)) return std::nullopt;
        if (tiff.U16(entry) != GdalNoDataTag) continue;
        const uint32_t length = tiff.U32(entry + 4);
        if (tiff.U16(entry + 2) != AsciiType || length == 0 || length > LongestNumber) return std::nullopt;
        // Up to four bytes sit in the entry itself, longer texts at its offset.
        char text[LongestNumber];
        if (length <= 4) {
            for (uint32_t i = 0; i < length; ++i) text[i] = static_cast<char>(entry[8 + i]);
        } else if (!tiff.Read(tiff.U32(entry + 8), reinterpret_cast<uint8_t*>(text), length)) {
            return std::nullopt;
        }
        std::string_view number(text, length);
        while (!number.empty() && (number.back() == '\0' || number.back() == ' ')) number.remove_suffix(1);
        while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
        if (!number.empty() && number.front() == '+') number.remove_prefix(1);
        double value = 0.0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
        return value;
    }
    return std::nullopt;
}
