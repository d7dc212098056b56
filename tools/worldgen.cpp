// worldgen <folder> [--seed N] [--size N] [--heightmap FILE [--heights LOW:HIGH]]
//
// Writes a complete world folder: the heightmap, the three ground textures,
// the tree billboard and the five sky faces, under the names the program
// opens. The same seed and size always give the same bytes. With --heightmap
// the map comes from the user's picture or elevation model instead
// (tools/heightmap/), and --size resizes it.
#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "render/sky_box.h"
#include "tools/heightmap/heightmap_import.h"
#include "tools/heightmap/import_error.h"

namespace {

constexpr int DefaultMapSize = 256;
constexpr int MinMapSize = 2;
constexpr int MaxMapSize = 8192;
constexpr int GroundTextureSize = 256;
constexpr int TreeWidth = 128;
constexpr int TreeHeight = 256;
constexpr int SkyFaceSize = 512;
constexpr int SkyJpegQuality = 95;

// ---------------------------------------------------------------- hashing

uint64_t Mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

// A value in [0, 1) for the lattice point (x, y, z) of one noise stream.
double Hash01(uint64_t stream, int64_t x, int64_t y, int64_t z = 0) {
    uint64_t h = Mix(stream + 0x9e3779b97f4a7c15ULL);
    h = Mix(h ^ static_cast<uint64_t>(x));
    h = Mix(h ^ static_cast<uint64_t>(y));
    h = Mix(h ^ static_cast<uint64_t>(z));
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

// A separate stream for every use of noise, derived from the seed.
uint64_t Stream(uint64_t seed, uint64_t purpose) { return Mix(seed * 0x100000001b3ULL + purpose); }

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
double Lerp(double a, double b, double t) { return a + (b - a) * t; }
double Clamp01(double t) { return std::clamp(t, 0.0, 1.0); }
double SmoothStep(double e0, double e1, double x) {
    const double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

int64_t Wrap(int64_t i, int64_t period) {
    if (period <= 0) return i;
    const int64_t m = i % period;
    return m < 0 ? m + period : m;
}

// ---------------------------------------------------------------- noise

// Value noise on the unit lattice; with a period the pattern repeats every
// period lattice units, which makes textures tile.
double ValueNoise2(uint64_t stream, double x, double y, int64_t period = 0) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t x0 = static_cast<int64_t>(fx), y0 = static_cast<int64_t>(fy);
    const double tx = Fade(x - fx), ty = Fade(y - fy);
    auto at = [&](int64_t i, int64_t j) { return Hash01(stream, Wrap(i, period), Wrap(j, period)); };
    const double a = Lerp(at(x0, y0), at(x0 + 1, y0), tx);
    const double b = Lerp(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx);
    return Lerp(a, b, ty);
}

double ValueNoise3(uint64_t stream, double x, double y, double z) {
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int64_t x0 = static_cast<int64_t>(fx), y0 = static_cast<int64_t>(fy), z0 = static_cast<int64_t>(fz);
    const double tx = Fade(x - fx), ty = Fade(y - fy), tz = Fade(z - fz);
    double plane[2];
    for (int k = 0; k < 2; ++k) {
        const double a = Lerp(Hash01(stream, x0, y0, z0 + k), Hash01(stream, x0 + 1, y0, z0 + k), tx);
        const double b = Lerp(Hash01(stream, x0, y0 + 1, z0 + k), Hash01(stream, x0 + 1, y0 + 1, z0 + k), tx);
        plane[k] = Lerp(a, b, ty);
    }
    return Lerp(plane[0], plane[1], tz);
}

// Fractal sum of value-noise octaves, normalised to [0, 1]. Each octave
// doubles the frequency (and the period, so tiling is kept).
double Fbm2(uint64_t stream, double x, double y, int octaves, int64_t period = 0, double gain = 0.5) {
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * ValueNoise2(stream + static_cast<uint64_t>(o), x, y, period);
        total += amplitude;
        amplitude *= gain;
        x *= 2.0;
        y *= 2.0;
        period *= 2;
    }
    return sum / total;
}

double Fbm3(uint64_t stream, double x, double y, double z, int octaves, double gain = 0.5) {
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * ValueNoise3(stream + static_cast<uint64_t>(o), x, y, z);
        total += amplitude;
        amplitude *= gain;
        x *= 2.0;
        y *= 2.0;
        z *= 2.0;
    }
    return sum / total;
}

// Periodic cellular noise: one jittered feature point per lattice cell.
struct Cellular {
    double F1 = 0.0;     // distance to the nearest feature point
    double F2 = 0.0;     // distance to the second nearest
    double CellId = 0.0;  // a value in [0, 1) naming the nearest point's cell
};

Cellular Worley2(uint64_t stream, double x, double y, int64_t period) {
    const int64_t cx = static_cast<int64_t>(std::floor(x)), cy = static_cast<int64_t>(std::floor(y));
    Cellular result{1e9, 1e9, 0.0};
    for (int64_t dy = -1; dy <= 1; ++dy) {
        for (int64_t dx = -1; dx <= 1; ++dx) {
            const int64_t i = Wrap(cx + dx, period), j = Wrap(cy + dy, period);
            const double px = static_cast<double>(cx + dx) + 0.1 + 0.8 * Hash01(stream, i, j, 1);
            const double py = static_cast<double>(cy + dy) + 0.1 + 0.8 * Hash01(stream, i, j, 2);
            const double d = std::hypot(px - x, py - y);
            if (d < result.F1) {
                result.F2 = result.F1;
                result.F1 = d;
                result.CellId = Hash01(stream, i, j, 3);
            } else if (d < result.F2) {
                result.F2 = d;
            }
        }
    }
    return result;
}

// ---------------------------------------------------------------- images

struct Rgb {
    double R, G, B;
};

Rgb Mixed(Rgb a, Rgb b, double t) { return {Lerp(a.R, b.R, t), Lerp(a.G, b.G, t), Lerp(a.B, b.B, t)}; }
Rgb Scaled(Rgb c, double k) { return {c.R * k, c.G * k, c.B * k}; }

BYTE ToByte(double v) { return static_cast<BYTE>(std::lround(std::clamp(v, 0.0, 255.0))); }

// A 24-bit picture filled from colour(x, y), with y = 0 the top row.
template <typename ColourAt>
FIBITMAP* Paint24(int width, int height, ColourAt colour) {
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    if (!image) return nullptr;
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(image, height - 1 - y);  // scan line 0 is the bottom row
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            line[3 * x + FI_RGBA_RED] = ToByte(c.R);
            line[3 * x + FI_RGBA_GREEN] = ToByte(c.G);
            line[3 * x + FI_RGBA_BLUE] = ToByte(c.B);
        }
    }
    return image;
}

// ---------------------------------------------------------------- heightmap

// Rolling hills: mud valleys, rock slopes and stone peaks, with a gentle
// valley at the centre where the walk starts. Row r is scan line r.
FIBITMAP* MakeHeightmap(uint64_t seed, int size) {
    const uint64_t hills = Stream(seed, 1);
    const double cellsAcross = 4.0;  // the largest hills: about a quarter of the map
    const double scale = cellsAcross / size;
    const double centre = (size - 1) * 0.5;
    const double basinRadius = size * 0.09;

    std::vector<double> raw(static_cast<size_t>(size) * size);
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            double h = Fbm2(hills, c * scale + 0.37, r * scale + 0.61, 7);
            // A few sharper crests make the high ground read as peaks.
            const double ridge = 1.0 - std::fabs(2.0 * Fbm2(hills + 100, c * scale * 1.5, r * scale * 1.5, 4) - 1.0);
            h += 0.25 * ridge * ridge * SmoothStep(0.45, 0.7, h);
            raw[static_cast<size_t>(r) * size + c] = h;
        }
    }

    // Sink the centre to valley level, so the start looks out over a
    // meadow towards the hills instead of into a rock face.
    auto quantile = [](std::vector<double> values, double q) {
        const size_t k = std::min(values.size() - 1, static_cast<size_t>(q * static_cast<double>(values.size())));
        std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
        return values[k];
    };
    double centreSum = 0.0, centreWeight = 0.0;
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            const double d2 = ((r - centre) * (r - centre) + (c - centre) * (c - centre)) / (basinRadius * basinRadius);
            const double w = std::exp(-0.5 * d2);
            centreSum += w * raw[static_cast<size_t>(r) * size + c];
            centreWeight += w;
        }
    }
    const double centreLevel = centreSum / centreWeight;
    const double valleyLevel = quantile(raw, 0.30);
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            const double d2 = ((r - centre) * (r - centre) + (c - centre) * (c - centre)) / (basinRadius * basinRadius);
            double& h = raw[static_cast<size_t>(r) * size + c];
            const double sink = std::exp(-0.5 * d2);
            h += (valleyLevel - centreLevel) * sink;
            // Smooth out the small bumps right around the start.
            const double calm = std::exp(-0.5 * d2 * 6.0);
            h = Lerp(h, valleyLevel + (h - valleyLevel) * 0.3, calm);
        }
    }

    // Spread the values over the three material bands by rank: about 56 %
    // mud, 24 % rock and 20 % stone on every seed.
    const double low = *std::min_element(raw.begin(), raw.end());
    const double high = *std::max_element(raw.begin(), raw.end());
    const double rockFrom = quantile(raw, 0.56);
    const double stoneFrom = quantile(raw, 0.80);
    auto level = [&](double h) {
        if (h < rockFrom) return Lerp(6.0, 119.5, (h - low) / std::max(rockFrom - low, 1e-12));
        if (h < stoneFrom) return Lerp(119.5, 149.5, (h - rockFrom) / std::max(stoneFrom - rockFrom, 1e-12));
        return Lerp(149.5, 240.0, (h - stoneFrom) / std::max(high - stoneFrom, 1e-12));
    };

    FIBITMAP* image = FreeImage_Allocate(size, size, 8);
    if (!image) return nullptr;
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i) {
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
        palette[i].rgbReserved = 0;
    }
    for (int r = 0; r < size; ++r) {
        BYTE* line = FreeImage_GetScanLine(image, r);
        for (int c = 0; c < size; ++c) line[c] = ToByte(level(raw[static_cast<size_t>(r) * size + c]));
    }
    return image;
}

// ---------------------------------------------------------------- ground

// Brown, smooth mud with darker damp patches.
FIBITMAP* MakeMud(uint64_t seed) {
    const uint64_t s = Stream(seed, 2);
    const int n = GroundTextureSize;
    return Paint24(n, n, [&](int x, int y) {
        const double u = static_cast<double>(x) / n, v = static_cast<double>(y) / n;
        const double broad = Fbm2(s, u * 4, v * 4, 5, 4);
        const double damp = SmoothStep(0.5, 0.7, Fbm2(s + 10, u * 3, v * 3, 4, 3));
        const double grain = Fbm2(s + 20, u * 64, v * 64, 2, 64);
        Rgb c = Mixed(Rgb{112, 83, 55}, Rgb{84, 60, 40}, 0.8 * broad);
        c = Mixed(c, Rgb{62, 45, 31}, 0.6 * damp);
        return Scaled(c, 0.94 + 0.12 * grain);
    });
}

// Grey-brown rough rock broken by wandering dark cracks.
FIBITMAP* MakeRock(uint64_t seed) {
    const uint64_t s = Stream(seed, 3);
    const int n = GroundTextureSize;
    return Paint24(n, n, [&](int x, int y) {
        const double u = static_cast<double>(x) / n, v = static_cast<double>(y) / n;
        const double mottle = Fbm2(s, u * 8, v * 8, 5, 8);
        const double rough = 1.0 - std::fabs(2.0 * Fbm2(s + 30, u * 16, v * 16, 3, 16) - 1.0);
        // Warped cells give cracks that wander, and only some cell borders
        // crack at all.
        const double wu = u * 5 + 0.35 * (Fbm2(s + 40, u * 4, v * 4, 3, 4) - 0.5) * 2.0;
        const double wv = v * 5 + 0.35 * (Fbm2(s + 50, u * 4, v * 4, 3, 4) - 0.5) * 2.0;
        const Cellular plate = Worley2(s + 10, wu, wv, 5);
        const double open = SmoothStep(0.35, 0.55, Fbm2(s + 60, u * 6, v * 6, 3, 6));
        const double crack = (1.0 - SmoothStep(0.0, 0.06, plate.F2 - plate.F1)) * open;
        const double fine = 1.0 - SmoothStep(0.0, 0.04, std::fabs(Fbm2(s + 70, u * 12, v * 12, 3, 12) - 0.5));
        Rgb c = Mixed(Rgb{138, 126, 110}, Rgb{98, 90, 80}, mottle);
        c = Mixed(c, Rgb{124, 104, 82}, 0.35 * plate.CellId);
        c = Scaled(c, 0.86 + 0.22 * rough);
        return Scaled(c, 1.0 - 0.6 * crack - 0.12 * fine * (1.0 - crack));
    });
}

// Light grey stone blocks with darker joints and flecks.
FIBITMAP* MakeStone(uint64_t seed) {
    const uint64_t s = Stream(seed, 4);
    const int n = GroundTextureSize;
    return Paint24(n, n, [&](int x, int y) {
        const double u = static_cast<double>(x) / n, v = static_cast<double>(y) / n;
        const Cellular block = Worley2(s, u * 8, v * 8, 8);
        const double fleck = Hash01(s + 10, x, y);
        const double wash = Fbm2(s + 20, u * 16, v * 16, 3, 16);
        Rgb c = Scaled(Rgb{186, 184, 178}, 0.88 + 0.2 * block.CellId);
        c = Scaled(c, 0.95 + 0.1 * wash);
        c = Scaled(c, 0.93 + 0.14 * fleck);
        if (fleck < 0.04) c = Scaled(c, 0.7);
        const double joint = 1.0 - SmoothStep(0.02, 0.09, block.F2 - block.F1);
        return Mixed(c, Rgb{112, 110, 106}, joint);
    });
}

// ---------------------------------------------------------------- tree

// A dark green close to the needles: the edges that the texture filters blend
// with the key then stay green instead of showing a coloured fringe.
constexpr Rgb TreeKey{20, 44, 24};

// A fir in tiers of branches, its tip on the top row and its trunk reaching
// the bottom row, on the flat key colour.
FIBITMAP* MakeTree(uint64_t seed) {
    const uint64_t s = Stream(seed, 5);
    const int w = TreeWidth, h = TreeHeight;
    const double axis = (w - 1) * 0.5;
    const double canopyBottom = h * 0.87;
    const int tiers = 7;
    return Paint24(w, h, [&](int x, int y) {
        const double dx = x - axis;
        Rgb c = TreeKey;
        bool painted = false;
        const double trunkHalf = w * 0.05;
        if (y >= h * 0.6 && std::fabs(dx) <= trunkHalf) {
            const double bark = Hash01(s, x, y / 3);
            c = Scaled(Rgb{96, 66, 42}, 0.8 + 0.3 * bark - 0.25 * (dx / trunkHalf));
            painted = true;
        }
        if (y < canopyBottom) {
            const double depth = (y + 1.0) / canopyBottom;  // 0 at the tip, 1 at the lowest branches
            const double tierPos = depth * tiers - std::floor(depth * tiers);
            const double envelope = 1.0 + (w * 0.48 - 1.0) * depth;
            const double jag = 0.9 + 0.2 * Hash01(s + 1, y, 0) + 0.12 * (Hash01(s + 2, x, y) - 0.5);
            const double half = std::max(envelope * (0.55 + 0.45 * std::pow(tierPos, 0.7)) * jag, 1.0);
            if (std::fabs(dx) <= half) {
                const double side = dx / half;  // -1 left edge .. 1 right edge
                const double light = Clamp01(0.55 - 0.35 * side + 0.25 * tierPos - 0.2 * depth);
                const double needle = Hash01(s + 3, x, y);
                c = Scaled(Mixed(Rgb{24, 64, 32}, Rgb{70, 126, 58}, light), 0.85 + 0.3 * needle);
                painted = true;
            }
        }
        // No needle or bark may take the key colour and turn transparent.
        if (painted && ToByte(c.R) == ToByte(TreeKey.R) && ToByte(c.G) == ToByte(TreeKey.G) &&
            ToByte(c.B) == ToByte(TreeKey.B)) {
            c.G += 2.0;
        }
        return c;
    });
}

// ---------------------------------------------------------------- sky

// The sky seen along the unit direction (dx, dy, dz).
Rgb SkyColour(uint64_t seed, double dx, double dy, double dz) {
    const Rgb zenith{52, 110, 200};
    const Rgb horizon{188, 210, 232};
    const Rgb haze{160, 174, 188};
    Rgb c = dy >= 0.0 ? Mixed(horizon, zenith, std::pow(dy, 0.55)) : Mixed(horizon, haze, SmoothStep(0.0, 0.35, -dy));

    // A soft sun glow, high over the front right.
    const double sx = 0.45, sy = 0.55, sz = 0.70;
    const double sunLength = std::sqrt(sx * sx + sy * sy + sz * sz);
    const double toSun = std::max(0.0, (dx * sx + dy * sy + dz * sz) / sunLength);
    c = Mixed(c, Rgb{255, 246, 224}, 0.35 * std::pow(toSun, 12.0) + 0.65 * std::pow(toSun, 400.0));

    // Clouds: 3D noise on the direction, flattened vertically so they lie in
    // layers, thinning out towards the horizon.
    const uint64_t s = Stream(seed, 6);
    const double density = Fbm3(s, dx * 2.6 + 11.3, dy * 6.0 + 3.7, dz * 2.6 + 5.9, 6);
    const double cover = SmoothStep(0.5, 0.68, density) * SmoothStep(0.02, 0.2, dy);
    const double thickness = SmoothStep(0.62, 0.85, density);
    const Rgb cloud = Mixed(Rgb{252, 252, 253}, Rgb{206, 212, 222}, 0.7 * thickness);
    return Mixed(c, cloud, cover);
}

// One face of the sky box: each pixel centre's texture coordinate is traced
// back through the face's corners to a direction, so that the faces meet
// without seams.
FIBITMAP* MakeSkyFace(uint64_t seed, int face) {
    const int n = SkyFaceSize;
    const double span = static_cast<double>(SkyTexHigh) - SkyTexLow;
    const float* p0 = SkyVertices[face][0];
    const float* p1 = SkyVertices[face][1];
    const float* p3 = SkyVertices[face][3];
    return Paint24(n, n, [&](int x, int y) {
        const double a = ((x + 0.5) / n - SkyTexLow) / span;
        const double b = ((y + 0.5) / n - SkyTexLow) / span;
        double d[3];
        for (int k = 0; k < 3; ++k) {
            const double q0 = p0[k], q1 = p1[k], q3 = p3[k];
            d[k] = q0 + a * (q1 - q0) + b * (q3 - q0);
        }
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        return SkyColour(seed, d[0] / length, d[1] / length, d[2] / length);
    });
}

// ---------------------------------------------------------------- program

struct Options {
    std::string Folder;
    uint64_t Seed = 1;
    int Size = DefaultMapSize;
    bool SizeGiven = false;
    std::string Heightmap;  // empty: the generated map
    std::optional<HeightRange> Heights;
};

void Usage() {
    std::fprintf(stderr,
                 "usage: worldgen <folder> [--seed N] [--size N]  (size %d to %d, default %d)\n"
                 "       worldgen <folder> --heightmap FILE [--size N] [--heights LOW:HIGH] [--seed N]\n"
                 "         FILE: a picture FreeImage reads (PNG, TIFF, GeoTIFF, PGM, JPEG, BMP), an SRTM .hgt tile\n"
                 "         or a 16-bit .raw/.r16 heightmap; --size N resizes its longer side to N points (%d to %d);\n"
                 "         heights LOW to HIGH (the input's own units) become the map's 0 to 255\n",
                 MinMapSize, MaxMapSize, DefaultMapSize, MinMapSize, MaxImportSide);
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "LOW:HIGH", two numbers with LOW below HIGH.
bool ParseHeights(std::string_view text, HeightRange& range) {
    const size_t colon = text.find(':');
    return colon != std::string_view::npos && ParseNumber(text.substr(0, colon), range.Low) &&
           ParseNumber(text.substr(colon + 1), range.High) && std::isfinite(range.Low) && std::isfinite(range.High) &&
           range.Low < range.High;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    bool haveFolder = false;
    const char* sizeText = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--seed" || arg == "--size" || arg == "--heightmap" || arg == "--heights") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "worldgen: %s needs a value\n", argv[i]);
                return false;
            }
            const std::string_view value = argv[++i];
            if (arg == "--seed" && !ParseNumber(value, options.Seed)) {
                std::fprintf(stderr, "worldgen: bad seed \"%s\": expected a whole number from 0 to %llu\n", argv[i],
                             static_cast<unsigned long long>(UINT64_MAX));
                return false;
            }
            if (arg == "--size") {
                sizeText = argv[i];
                options.SizeGiven = true;
            }
            if (arg == "--heightmap") {
                options.Heightmap = argv[i];
                if (options.Heightmap.empty()) {
                    std::fprintf(stderr, "worldgen: --heightmap needs a file\n");
                    return false;
                }
            }
            if (arg == "--heights") {
                HeightRange range;
                if (!ParseHeights(value, range)) {
                    std::fprintf(stderr,
                                 "worldgen: bad heights \"%s\": expected LOW:HIGH, two numbers with LOW below HIGH\n",
                                 argv[i]);
                    return false;
                }
                options.Heights = range;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "worldgen: unknown option \"%s\"\n", argv[i]);
            return false;
        } else if (haveFolder) {
            std::fprintf(stderr, "worldgen: more than one folder given (\"%s\")\n", argv[i]);
            return false;
        } else {
            options.Folder = argv[i];
            haveFolder = true;
        }
    }
    if (!haveFolder || options.Folder.empty()) {
        std::fprintf(stderr, "worldgen: no folder given\n");
        return false;
    }
    const bool import = !options.Heightmap.empty();
    if (options.Heights && !import) {
        std::fprintf(stderr, "worldgen: --heights goes with --heightmap\n");
        return false;
    }
    // A user's map may be as large as the program takes; a generated one
    // keeps to what generates in reasonable time.
    const int maxSize = import ? MaxImportSide : MaxMapSize;
    if (sizeText && (!ParseNumber(std::string_view(sizeText), options.Size) || options.Size < MinMapSize ||
                     options.Size > maxSize)) {
        std::fprintf(stderr, "worldgen: bad size \"%s\": expected a whole number from %d to %d\n", sizeText,
                     MinMapSize, maxSize);
        return false;
    }
    return true;
}

// The user's heightmap as the world's map; null, with a message naming the
// file and the reason, where it cannot be made.
FIBITMAP* ImportMap(const Options& options) {
    HeightmapImport import;
    import.Path = options.Heightmap;
    if (options.SizeGiven) import.LongerSide = options.Size;
    import.Heights = options.Heights;
    try {
        return ImportHeightmap(import);
    } catch (const ImportError& error) {
        std::fprintf(stderr, "worldgen: %s: %s\n", options.Heightmap.c_str(), error.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "worldgen: %s: needs more memory than there is\n", options.Heightmap.c_str());
    }
    return nullptr;
}

// Saves and frees image; false, with a message, where it cannot be written.
bool Save(FIBITMAP* image, FREE_IMAGE_FORMAT format, int flags, const std::filesystem::path& path) {
    const bool ok = image && FreeImage_Save(format, image, path.c_str(), flags);
    FreeImage_Unload(image);
    if (!ok) std::fprintf(stderr, "worldgen: cannot write %s\n", path.c_str());
    return ok;
}

bool MakeFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "worldgen: cannot create folder %s: %s\n", folder.c_str(),
                     error ? error.message().c_str() : "not a directory");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    FreeImage_Initialise();
    // The user's map is made before anything is written: a file that cannot
    // be used leaves no half-made world behind.
    FIBITMAP* userMap = nullptr;
    if (!options.Heightmap.empty()) {
        userMap = ImportMap(options);
        if (!userMap) {
            FreeImage_DeInitialise();
            return 1;
        }
    }
    const std::filesystem::path root = options.Folder;
    std::error_code existsError;
    const bool rootIsNew = !std::filesystem::exists(root, existsError) && !existsError;
    const std::filesystem::path map = root / "MAP";
    const std::filesystem::path textures = root / "TEXTURES";
    const std::filesystem::path floor = textures / "Floor";
    const std::filesystem::path sky = textures / "Sky";
    bool ok = MakeFolder(map) && MakeFolder(floor) && MakeFolder(sky);
    FIBITMAP* mapImage = userMap ? userMap : ok ? MakeHeightmap(options.Seed, options.Size) : nullptr;
    if (!ok) FreeImage_Unload(mapImage);
    ok = ok && Save(mapImage, FIF_BMP, BMP_DEFAULT, map / "map.bmp");
    ok = ok && Save(MakeMud(options.Seed), FIF_BMP, BMP_DEFAULT, floor / "mud.bmp");
    ok = ok && Save(MakeRock(options.Seed), FIF_BMP, BMP_DEFAULT, floor / "rock.bmp");
    ok = ok && Save(MakeStone(options.Seed), FIF_BMP, BMP_DEFAULT, floor / "stone.bmp");
    ok = ok && Save(MakeTree(options.Seed), FIF_BMP, BMP_DEFAULT, textures / "elka.bmp");
    for (int f = 0; f < SkyFaceCount; ++f) {
        ok = ok && Save(MakeSkyFace(options.Seed, f), FIF_JPEG, SkyJpegQuality | JPEG_SUBSAMPLING_444,
                        sky / (std::string("day_") + SkyFaceSuffixes[f] + ".jpg"));
    }
    FreeImage_DeInitialise();
    if (!ok && rootIsNew) {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }
    return ok ? 0 : 1;
}
