#pragma once
// The display options, read once from the settings file beside the executable.
#include <cstdint>
#include <string>

struct TSettings {
    float Fov = 120.0f;   // horizontal field of view, degrees
    float Speed = 7.0f;   // walking speed, world units per second
    int32_t Lod = 0;      // non-zero: ring level of detail
    int32_t Wireframe = 0;
    int32_t Fog = 0;
    int32_t Stereo = 0;
    int32_t LColor = 1;   // colour channel of the left eye: 1 red, 2 green, 3 blue
    int32_t RColor = 2;   // colour channel of the right eye
};

extern TSettings Settings;
extern float StereoBase;  // half the distance between the eyes

// The executable's path with its extension replaced by ".ini".
std::string SettingsPath(const std::string& exeName);
// Reads the six keys of section "setup"; never raises for a missing file or key.
void ReadSettings(const std::string& path);
