#include "app/settings.h"

#include <cmath>

#include "platform/ini_file.h"
#include "platform/sys_utils.h"

TSettings Settings;
float StereoBase = 0.0f;

namespace {

constexpr double kDefaultStereoBase = 0.2;
// The smallest magnitude that rounds to infinity as a float32 (FLT_MAX plus
// half its last place); rounding such a value would raise an overflow.
constexpr double kFloat32Overflow = 0x1.ffffffp127;

float ToStereoBase(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= kFloat32Overflow) value = kDefaultStereoBase;
    return static_cast<float>(value);
}

}  // namespace

std::string SettingsPath(const std::string& exeName) { return ChangeFileExt(exeName, ".ini"); }

void ReadSettings(const std::string& path) {
    const TIniFile ini(path);
    Settings.Stereo = ini.ReadInteger("setup", "stereo", 0);
    StereoBase = ToStereoBase(ini.ReadFloat("setup", "stereo_base", kDefaultStereoBase));
    Settings.LColor = ini.ReadInteger("setup", "lcolor", 1);
    Settings.RColor = ini.ReadInteger("setup", "rcolor", 2);
    Settings.Lod = ini.ReadInteger("setup", "lod", 0);
    Settings.Fog = ini.ReadInteger("setup", "fog", 0);
}
