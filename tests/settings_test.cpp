#include "app/settings.h"

#include <cfloat>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <locale.h>
#include <sys/stat.h>

#include "tests/support/scratch_directory.h"

namespace {

using namespace std::string_literals;

struct Snapshot {
    TSettings settings;
    float stereoBase = 0.0f;
};

void ExpectSame(const Snapshot& actual, const Snapshot& expected, const std::string& label) {
    EXPECT_EQ(actual.settings.Fov, expected.settings.Fov) << label;
    EXPECT_EQ(actual.settings.Speed, expected.settings.Speed) << label;
    EXPECT_EQ(actual.settings.Lod, expected.settings.Lod) << label;
    EXPECT_EQ(actual.settings.Wireframe, expected.settings.Wireframe) << label;
    EXPECT_EQ(actual.settings.Fog, expected.settings.Fog) << label;
    EXPECT_EQ(actual.settings.Stereo, expected.settings.Stereo) << label;
    EXPECT_EQ(actual.settings.LColor, expected.settings.LColor) << label;
    EXPECT_EQ(actual.settings.RColor, expected.settings.RColor) << label;
    EXPECT_EQ(actual.stereoBase, expected.stereoBase) << label;
}

// What every read of a file without usable keys leaves.
Snapshot Defaults() {
    Snapshot defaults;
    defaults.stereoBase = 0.2f;
    return defaults;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }

    static void Reset() {
        Settings = TSettings{};
        StereoBase = 0.0f;
    }

    Snapshot ReadFrom(const std::string& content) {
        WriteFileBytes(path_, content);
        Reset();
        ReadSettings(path_);
        return Snapshot{Settings, StereoBase};
    }

    ScratchDirectory dir_;
    std::string path_ = dir_.File("orvalle.ini");
    ScopedEnvironment locale_{"LC_ALL", "C"};
};

TEST_F(SettingsTest, PathIsTheExecutablesWithIni) {
    EXPECT_EQ(SettingsPath("build/orvalle"), "build/orvalle.ini");
    EXPECT_EQ(SettingsPath("/opt/orvalle/orvalle.exe"), "/opt/orvalle/orvalle.ini");
    EXPECT_EQ(SettingsPath("a.b/c"), "a.b/c.ini");
}

TEST_F(SettingsTest, WithoutAFileEveryFieldHasItsDefault) {
    const std::string missing = dir_.File("none.ini");
    ReadSettings(missing);
    ExpectSame(Snapshot{Settings, StereoBase}, Defaults(), "no file");
    EXPECT_EQ(double{StereoBase}, 0.20000000298023224);
    EXPECT_EQ(Settings.Fov, 120.0f);
    EXPECT_EQ(Settings.Speed, 7.0f);
    struct stat info {};
    EXPECT_NE(stat(missing.c_str(), &info), 0) << "the settings file is never created";
}

struct SettingsCase {
    std::string content;
    std::function<void(Snapshot&)> change;
};

TEST_F(SettingsTest, ReadsTheSixKeysOfSetup) {
    const auto none = [](Snapshot&) {};
    const std::vector<SettingsCase> cases = {
        {"[setup]\nlod=0x10\n", [](Snapshot& s) { s.settings.Lod = 16; }},
        {"[setup]\nlod=$1F\n", [](Snapshot& s) { s.settings.Lod = 31; }},
        {"[setup]\nlod=abc\n", none},
        {"[setup]\nlod=5\n", [](Snapshot& s) { s.settings.Lod = 5; }},
        {"[setup]\nlcolor=4\n", [](Snapshot& s) { s.settings.LColor = 4; }},
        {"[setup]\nrcolor='3'\n", [](Snapshot& s) { s.settings.RColor = 3; }},
        {"[setup]\nrcolor=\"3\"\n", [](Snapshot& s) { s.settings.RColor = 3; }},
        {"[SETUP]\nLOD=5\nFog=1\n", [](Snapshot& s) { s.settings.Lod = 5; s.settings.Fog = 1; }},
        {"  [setup]\n   stereo   =  1   \n", [](Snapshot& s) { s.settings.Stereo = 1; }},
        {"[setup]\nstereo_base=0.5\n", [](Snapshot& s) { s.stereoBase = 0.5f; }},
        // Read as a 64-bit float, then rounded once to float32.
        {"[setup]\nstereo_base=0.1\n", [](Snapshot& s) { s.stereoBase = 0.1f; }},
        {"[setup]\nstereo_base=-0.25e1\n", [](Snapshot& s) { s.stereoBase = -2.5f; }},
        // An empty value is the key's default, not zero.
        {"[setup]\nlcolor=\nrcolor=\nstereo_base=\n", none},
        {"[setup]\nlcolor=red\nrcolor=1.0\n", none},
        {"[other]\nlod=5\nstereo=1\n", none},
        {"[setup]\nfov=10\nspeed=1\nwireframe=1\nLod_=1\n", none},
        {"[setup]\nstereo=-1\nstereo_base=1.5\nlcolor=3\nrcolor=0\nlod=1\nfog=2\n",
         [](Snapshot& s) {
             s.settings.Stereo = -1;
             s.stereoBase = 1.5f;
             s.settings.LColor = 3;
             s.settings.RColor = 0;
             s.settings.Lod = 1;
             s.settings.Fog = 2;
         }},
        // In the C locale a decimal comma is unreadable.
        {"[setup]\nstereo_base=0,5\n", none},
    };
    for (const SettingsCase& c : cases) {
        Snapshot expected = Defaults();
        c.change(expected);
        ExpectSame(ReadFrom(c.content), expected, c.content);
    }
}

struct StereoBaseCase {
    std::string value;
    float expected;
};

TEST_F(SettingsTest, StereoBaseOutsideFloat32GivesTheDefault) {
    const std::vector<StereoBaseCase> cases = {
        {"1e300", 0.2f},
        {"-1e300", 0.2f},
        {"3.4028236e38", 0.2f},  // past FLT_MAX by more than half its last place
        {"inf", 0.2f},
        {"nan", 0.2f},
        {"3.4028234663852886e38", FLT_MAX},
        {"3.4028235e38", FLT_MAX},  // above FLT_MAX, but rounds down to it
        {"-3.4028235e38", -FLT_MAX},
        {"1e-50", 0.0f},
    };
    for (const StereoBaseCase& c : cases) {
        EXPECT_EQ(ReadFrom("[setup]\nstereo_base=" + c.value + "\n").stereoBase, c.expected) << c.value;
    }
}

TEST_F(SettingsTest, JunkAndHugeLinesGiveTheDefaults) {
    std::mt19937 random(2024);
    std::string junk(64 * 1024, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    ExpectSame(ReadFrom(junk), Defaults(), "binary junk");
    ExpectSame(ReadFrom("[setup]\nlod=" + std::string(1 << 20, '1') + "\n"), Defaults(), "megabyte number");
    ExpectSame(ReadFrom("[setup]\n" + std::string(1 << 20, 'x')), Defaults(), "megabyte line");
    ExpectSame(ReadFrom("[setup]\nlod=\0"s + "5\nfog\0=1\n"s), Defaults(), "NUL bytes");
}

bool HasLocale(const char* name) {
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return false;
    freelocale(locale);
    return true;
}

TEST_F(SettingsTest, StereoBaseFollowsTheUsersDecimalComma) {
    if (!HasLocale("de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale (Debian package locales-all)";
    ScopedEnvironment all("LC_ALL", std::nullopt);
    ScopedEnvironment numeric("LC_NUMERIC", "de_DE.UTF-8");
    EXPECT_EQ(ReadFrom("[setup]\nstereo_base=0,5\n").stereoBase, 0.5f);
    EXPECT_EQ(ReadFrom("[setup]\nstereo_base=0.5\n").stereoBase, 0.2f);
}

}  // namespace
