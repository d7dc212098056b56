#pragma once
// What each fuzz target does with one input, shared by the libFuzzer
// programs (fuzz/) and the test that replays their findings. Each body
// writes the input where the program would read it, runs the program's
// reader on it and checks what must hold afterwards.
//
// They expect a writable scratch directory as the current directory;
// the heightmap and texture bodies also need a current OpenGL context.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FuzzTarget { Settings, Viewpoint, Heightmap, Texture };
inline constexpr FuzzTarget AllFuzzTargets[] = {FuzzTarget::Settings, FuzzTarget::Viewpoint, FuzzTarget::Heightmap,
                                                FuzzTarget::Texture};

// "settings", "viewpoint", "heightmap", "texture": the name of the
// target's program (fuzz_<name>) and of its folder of regressions.
const char* FuzzTargetName(FuzzTarget target);

// Runs one input; empty when every check holds, else what failed.
std::string RunFuzzInput(FuzzTarget target, const uint8_t* data, size_t size);

// The texture target's inputs: one byte choosing how to load, then the
// image file. The byte's low two bits pick the file name's extension
// (0 ".bmp", 1 ".jpg", 2 ".png", 3 ".bmp"), bit 2 the colour key, bit 3
// mipmaps, bit 4 whether GL_TEXTURE_2D is enabled before the load.
enum TextureLoadFlags : uint8_t {
    TextureAsBmp = 0,
    TextureAsJpeg = 1,
    TextureAsPng = 2,
    TextureColourKey = 4,
    TextureMipmaps = 8,
    TextureEnabledBefore = 16,
};
std::string TextureFuzzInput(uint8_t flags, const std::string& file);

struct NamedInput {
    std::string Name;
    std::string Bytes;
};
// Small valid (and a few borderline) inputs that start a target's corpus.
std::vector<NamedInput> FuzzSeeds(FuzzTarget target);
