// Bad worlds against the real program on its own X server: damaged
// heightmaps and textures, hostile settings files and "save.dat" records of
// every length. Whatever the world, the program must start, draw, answer
// Escape by saving a 28-byte viewpoint and end with exit code 0, and the
// sanitizers (in the sanitizer build) must have nothing to say. Last, a
// save that cannot be written must leave the previous "save.dat" whole and
// say so.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/hostile_inputs.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/saved_record.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/xvfb_session.h"

// Xlib's own header defines names that clash with GoogleTest's.
extern "C" int XAutoRepeatOff(_XDisplay* display);

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A small screen keeps the software renderer's frames short.
constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 240;
constexpr int MapSize = 64;

const char* const SkyFiles[] = {"TEXTURES/Sky/day_fr.jpg", "TEXTURES/Sky/day_rt.jpg", "TEXTURES/Sky/day_bk.jpg",
                                "TEXTURES/Sky/day_lf.jpg", "TEXTURES/Sky/day_up.jpg"};

uint8_t Ramp(int x, int y) { return static_cast<uint8_t>((x * 4 + y * 3) & 0xFF); }

std::string Heightmap(int width, int height, int bitsPerPixel, const GreyLevels& grey = Ramp) {
    BmpPicture picture;
    picture.Width = width;
    picture.Height = height;
    picture.BitsPerPixel = bitsPerPixel;
    picture.Grey = grey;
    return BmpFile(picture);
}

// Every file of a world, by relative path; std::nullopt leaves it out.
using WorldFiles = std::map<std::string, std::optional<std::string>>;

// A world whose every picture is valid: a 64 x 64 ramp, checkered ground
// textures, a tree on a key colour and a sky with a colour per face.
WorldFiles GoodWorld() {
    WorldFiles files;
    files["MAP/map.bmp"] = Heightmap(MapSize, MapSize, 8);
    // Every ground colour is redder than blue, every sky colour bluer than
    // red: a picture tells ground from sky.
    const uint32_t ground[][2] = {{0x6B4A2A, 0x3E2A18}, {0x9A8A70, 0x6A5A48}, {0xD8C8A8, 0xA89878}};
    const char* const names[] = {"mud", "rock", "stone"};
    for (int m = 0; m < 3; ++m) {
        const uint32_t a = ground[m][0], b = ground[m][1];
        files[std::string("TEXTURES/Floor/") + names[m] + ".bmp"] =
            EncodedPicture(PictureFormat::Bmp, 16, 16, 24, [a, b](int x, int y) { return ((x / 4 + y / 4) % 2) ? a : b; });
    }
    files["TEXTURES/elka.bmp"] = EncodedPicture(PictureFormat::Bmp, 8, 16, 24, [](int x, int y) {
        return (y < 13 && std::abs(2 * x - 7) <= y / 2) || (y >= 13 && (x == 3 || x == 4)) ? 0x1E6B2Au : 0xFF00FFu;
    });
    for (int f = 0; f < 5; ++f) {
        files[SkyFiles[f]] = EncodedPicture(PictureFormat::Jpeg, 16, 16, 24, [f](int x, int y) {
            return static_cast<uint32_t>((20 + 20 * f) << 16 | (100 + 8 * y) << 8 | (150 + 6 * x));
        });
    }
    return files;
}

void WriteWorld(const std::string& folder, const WorldFiles& files) {
    for (const auto& [name, bytes] : files) {
        const fs::path path = fs::path(folder) / name;
        std::error_code error;
        fs::remove(path, error);
        if (!bytes) continue;
        fs::create_directories(path.parent_path());
        WriteFileBytes(path.string(), *bytes);
    }
}

bool Finite(const SavedRecord& v) {
    return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z) && std::isfinite(v.Yaw) &&
           std::isfinite(v.Pitch);
}

size_t DistinctColours(const XScreenshot& shot, int top, int bottom) {
    std::set<uint32_t> colours;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const auto p = shot.Pixel(x, y);
            colours.insert(uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
        }
    return colours.size();
}

std::string SanitizerReports(const std::string& stderrText) {
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
        if (stderrText.find(mark) != std::string::npos) return stderrText;
    }
    return {};
}

struct RunResult {
    std::optional<int> ExitCode;
    std::string Stderr;
    XScreenshot Picture;
    std::optional<std::string> Save;  // "save.dat" after the run
};

// The program copied beside a settings file of the test's own, one X
// server for all the worlds of a test.
class HostileWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.Ok()) << x.Error();
        // A copy, not a link: the program finds its settings through
        // /proc/self/exe, which names a link's target.
        program = home.File("orvalle");
        fs::copy_file(ORVALLE_EXECUTABLE, program);
        fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    }

    void SetSettings(const std::optional<std::string>& text) {
        std::error_code error;
        fs::remove(home.File("orvalle.ini"), error);
        if (text) WriteFileBytes(home.File("orvalle.ini"), *text);
    }

    LaunchOptions Options(const std::string& world) const {
        LaunchOptions run;
        run.executable = program;
        run.workingDirectory = world;
        return run;
    }

    XWindowId Start(const LaunchOptions& run) {
        EXPECT_TRUE(x.Launch(run)) << x.Error();
        const XWindowId window = x.WaitForWindow("Orvalle", 60s);
        EXPECT_NE(window, 0u) << "no window; exit " << x.Program().WaitForExit(0ms).value_or(-1) << "\n"
                              << x.Program().Stderr();
        return window;
    }

    // Holds Escape until the program has gone: a busy program may take its
    // key events late, and only a tick that sees the key down acts on it.
    std::optional<int> QuitWithEscape() {
        x.PressKey("Escape");
        const std::optional<int> code = x.Program().WaitForExit(30s);
        x.ReleaseKey("Escape");
        return code;
    }

    // Starts the program in world, waits for a picture (one that is not a
    // single colour where drawn is set), then quits with Escape.
    RunResult RunWorld(const std::string& world, bool drawn) {
        RunResult result;
        if (Start(Options(world)) != 0) {
            if (drawn) {
                EXPECT_TRUE(WaitUntil(
                    [&] {
                        result.Picture = x.Capture();
                        return DistinctColours(result.Picture, 0, result.Picture.height) > 1;
                    },
                    20s))
                    << "nothing drawn";
            } else {
                std::this_thread::sleep_for(300ms);
                result.Picture = x.Capture();
            }
            EXPECT_TRUE(x.Program().Running()) << x.Program().Stderr();
            result.ExitCode = QuitWithEscape();
        }
        result.Stderr = x.Program().Stderr();
        const std::string save = world + "/save.dat";
        if (fs::is_regular_file(save)) result.Save = ReadFileBytes(save);
        return result;
    }

    // The checks every world must pass; the saved viewpoint, if any.
    std::optional<SavedRecord> ExpectCleanRun(const RunResult& run) {
        EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
        EXPECT_EQ(SanitizerReports(run.Stderr), "");
        EXPECT_TRUE(run.Save) << "no save.dat";
        if (!run.Save) return std::nullopt;
        EXPECT_EQ(run.Save->size(), 28u);
        if (run.Save->size() != 28) return std::nullopt;
        const SavedRecord saved = ParseSavedRecord(*run.Save);
        EXPECT_TRUE(Finite(saved)) << saved.X << " " << saved.Y << " " << saved.Z << " " << saved.Yaw << " "
                                   << saved.Pitch;
        return saved;
    }

    XvfbSession x{ScreenWidth, ScreenHeight};
    ScratchDirectory home;
    std::string program;
};

TEST_F(HostileWorldTest, DamagedHeightmapsStillGiveAWalkableWorld) {
    SetSettings(std::nullopt);
    const std::string good = Heightmap(MapSize, MapSize, 8);
    std::string truncated = good.substr(0, good.size() / 2);
    std::string rleOverRaw = good;
    rleOverRaw[30] = 1;  // claims RLE8 over uncompressed rows
    std::string wildHeader = good;
    for (int at : {10, 11, 12, 13, 46, 47, 48, 49}) wildHeader[at] = '\x7F';  // pixel offset and palette size
    const std::string clipped = Heightmap(MapSize, MapSize, 24).substr(0, 54 + 100);  // rows cut off

    struct Case {
        const char* Name;
        std::string Map;
        // Whether ground lies ahead of the start point; std::nullopt where
        // that depends on how much of the picture FreeImage recovers.
        std::optional<bool> GroundInView;
    };
    const std::vector<Case> cases = {
        {"no terrain: 100000 x 100000 claimed", BmpClaiming(100000, 100000, 64), false},
        {"8 bits", good, true},
        {"1 bit", Heightmap(MapSize, MapSize, 1), true},
        {"4 bits", Heightmap(MapSize, MapSize, 4), true},
        {"16 bits", Heightmap(MapSize, MapSize, 16), true},
        {"24 bits", Heightmap(MapSize, MapSize, 24), true},
        {"32 bits", Heightmap(MapSize, MapSize, 32), true},
        {"1 x 1", Heightmap(1, 1, 8), false},
        {"1 x 64", Heightmap(1, MapSize, 8), false},
        {"64 x 1", Heightmap(MapSize, 1, 8), false},
        {"2 x 2", Heightmap(2, 2, 8), false},
        {"truncated", truncated, std::nullopt},
        {"RLE flag over raw rows", rleOverRaw, std::nullopt},
        {"offsets past the end", wildHeader, std::nullopt},
        {"24-bit rows cut off", clipped, std::nullopt},
        {"zero bytes", "", false},
        {"text", "this is not a picture\n", false},
    };

    ScratchDirectory world;
    WriteWorld(world.Path(), GoodWorld());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteWorld(world.Path(), {{"MAP/map.bmp", c.Map}, {"save.dat", std::nullopt}});
        const RunResult run = RunWorld(world.Path(), true);
        const std::optional<SavedRecord> saved = ExpectCleanRun(run);
        if (c.GroundInView) {
            if (*c.GroundInView) {
                EXPECT_GT(GroundShare(run.Picture), 0.5) << "no ground ahead";
            } else {
                EXPECT_LT(GroundShare(run.Picture), 0.01) << "ground where there is none";
            }
        }
        if (saved) {
            // One tick put the eye 1.8 above a ground no higher than 255's.
            EXPECT_GE(saved->Y, 1.8f);
            EXPECT_LE(saved->Y, 199.21875f + 2.0f);
        }
    }
}

TEST_F(HostileWorldTest, MissingAndBrokenTexturesAreEmptyTextures) {
    SetSettings(std::nullopt);
    const std::string jpeg = EncodedPicture(PictureFormat::Jpeg, 16, 16, 24, [](int column, int row) { return 0x102030u * static_cast<uint32_t>(column ^ row); });
    // A 3-pixel-wide BMP 2^25 rows high in 108 bytes: OpenGL implementations
    // are no match for a side that long.
    BmpPicture narrow;
    narrow.Width = 3;
    narrow.Height = 1;
    narrow.BitsPerPixel = 24;
    std::string tall = BmpFile(narrow);
    const uint32_t rows = 1u << 25;
    std::memcpy(tall.data() + 22, &rows, 4);
    const std::vector<std::pair<const char*, WorldFiles>> cases = {
        {"missing, empty, not images",
         {{"TEXTURES/Floor/mud.bmp", std::nullopt},
          {"TEXTURES/Floor/rock.bmp", ""},
          {"TEXTURES/Floor/stone.bmp", "not an image at all"},
          {"TEXTURES/elka.bmp", std::nullopt},
          {SkyFiles[0], ""},
          {SkyFiles[1], "GIF89a, or so it says"},
          {SkyFiles[2], EncodedPicture(PictureFormat::Png, 8, 8, 24, [](int, int) { return 0x336699u; })},
          {SkyFiles[3], jpeg.substr(0, jpeg.size() / 2)},
          {SkyFiles[4], std::nullopt}}},
        {"huge claims",
         {{"TEXTURES/Floor/mud.bmp", BmpClaiming(100000, 100000, 64)},
          {"TEXTURES/Floor/rock.bmp", BmpClaiming(16384, -16384, 64)},
          {"TEXTURES/elka.bmp", tall},
          {SkyFiles[0], JunkBytes(4096, 7)}}},
    };
    for (const auto& [name, damage] : cases) {
        SCOPED_TRACE(name);
        ScratchDirectory world;
        WriteWorld(world.Path(), GoodWorld());
        WriteWorld(world.Path(), damage);
        ExpectCleanRun(RunWorld(world.Path(), false));
    }
}

TEST_F(HostileWorldTest, HostileSettingsFilesChangeNothingDangerous) {
    std::string megabyteLine = "[setup]\nstereo=1\nlcolor=";
    megabyteLine += std::string(1 << 20, '7');
    megabyteLine += "\nrcolor=3\nfog=1\n";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"binary junk", JunkBytes(64 * 1024, 3)},
        {"a line of a megabyte", megabyteLine},
        {"stereo_base of 1e300", "[setup]\nstereo=1\nstereo_base=1e300\nlod=1\nfog=1\n"},
        {"stereo_base of -1e-300 and a fog", "[setup]\nstereo=1\nstereo_base=-1e-300\nlcolor=3\nrcolor=1\nfog=1\n"},
    };
    ScratchDirectory world;
    WriteWorld(world.Path(), GoodWorld());
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        SetSettings(text);
        WriteWorld(world.Path(), {{"save.dat", std::nullopt}});
        ExpectCleanRun(RunWorld(world.Path(), true));
    }
}

// Stereo with no colour channel for either eye draws nothing at all: proof
// that the settings beside the copy are the ones read.
TEST_F(HostileWorldTest, TheSettingsBesideTheCopiedProgramAreRead) {
    ScratchDirectory world;
    WriteWorld(world.Path(), GoodWorld());
    SetSettings(std::nullopt);
    const RunResult plain = RunWorld(world.Path(), true);
    ExpectCleanRun(plain);
    EXPECT_GT(DistinctColours(plain.Picture, 0, ScreenHeight), 1u);

    SetSettings("[setup]\nstereo=1\nlcolor=4\nrcolor=4\n");
    const RunResult masked = RunWorld(world.Path(), false);
    ExpectCleanRun(masked);
    EXPECT_EQ(DistinctColours(masked.Picture, 0, ScreenHeight), 1u) << "a colour channel was written";
}

// A flat map at height 78.125 and a record truncated to every length: the
// missing bytes keep the start values (x = z = 640, yaw = pitch = 0).
TEST_F(HostileWorldTest, SavedViewpointsOfEveryLength) {
    SetSettings(std::nullopt);
    ScratchDirectory world;
    WorldFiles files = GoodWorld();
    files["MAP/map.bmp"] = Heightmap(MapSize, MapSize, 8, [](int, int) { return uint8_t{100}; });
    WriteWorld(world.Path(), files);

    const float ground = static_cast<float>(78.125 + 1.8), offGround = static_cast<float>(1.8);
    // Every byte of it non-zero, so that each length makes a different record.
    const std::string record = SaveRecord(500.123f, 77.77f, 600.456f, 0.2345678, -0.1234567);
    const std::string start = SaveRecord(640.0f, ground, 640.0f, 0.0, 0.0);
    for (size_t length = 0; length <= 40; ++length) {
        SCOPED_TRACE("save.dat of " + std::to_string(length) + " bytes");
        std::string bytes = record.substr(0, std::min<size_t>(length, 28));
        if (length > 28) bytes += std::string(length - 28, '\xFF');
        WriteWorld(world.Path(), {{"save.dat", bytes}});
        const std::optional<SavedRecord> saved = ExpectCleanRun(RunWorld(world.Path(), false));
        if (!saved) continue;
        const SavedRecord expected = ParseSavedRecord(bytes.substr(0, std::min<size_t>(length, 28)) + start.substr(std::min<size_t>(length, 28)));
        EXPECT_EQ(saved->X, expected.X);
        EXPECT_EQ(saved->Z, expected.Z);
        EXPECT_EQ(saved->Yaw, expected.Yaw);
        EXPECT_EQ(saved->Pitch, expected.Pitch);
        const bool onGrid = expected.X >= 0 && expected.X < MapSize * 20 && expected.Z >= 0 && expected.Z < MapSize * 20;
        EXPECT_EQ(saved->Y, onGrid ? ground : offGround);
    }
}

TEST_F(HostileWorldTest, SavedViewpointsOfNoNumberOrFarAway) {
    SetSettings(std::nullopt);
    ScratchDirectory world;
    WriteWorld(world.Path(), GoodWorld());
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const double dnan = std::numeric_limits<double>::quiet_NaN(), dinf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<const char*, std::string>> unusable = {
        {"NaN position", SaveRecord(nan, 10.0f, 20.0f, 0.5, 0.25)},
        {"infinite position", SaveRecord(inf, -inf, 20.0f, 0.5, 0.25)},
        {"NaN and infinite angles", SaveRecord(100.0f, 10.0f, 20.0f, dnan, -dinf)},
    };
    for (const auto& [name, bytes] : unusable) {
        SCOPED_TRACE(name);
        WriteWorld(world.Path(), {{"save.dat", bytes}});
        ExpectCleanRun(RunWorld(world.Path(), true));
    }

    SCOPED_TRACE("1e30 everywhere");
    WriteWorld(world.Path(), {{"save.dat", SaveRecord(1e30f, 1e30f, -1e30f, 1e30, -1e30)}});
    const std::optional<SavedRecord> saved = ExpectCleanRun(RunWorld(world.Path(), false));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->X, 1e30f);
    EXPECT_EQ(saved->Z, -1e30f);
    EXPECT_EQ(saved->Y, static_cast<float>(1.8));  // no ground out there
    EXPECT_EQ(saved->Yaw, 1e30);
}

// Saves that cannot go the usual way, as a user meets them: the program runs
// as a user whom permissions bind (nobody, where the tests run as root), in
// worlds of that user's. A save that fails abandons the close with an error
// box and the same message on standard error, leaves every file as it was
// and the program running; a second close refused for the same reason ends
// the program without saving.
class FailedSaveTest : public HostileWorldTest {
protected:
    void SetUp() override {
        HostileWorldTest::SetUp();
        // One press, one close request: a held key's repeats would ask again.
        XAutoRepeatOff(x.Connection());
        x.Sync();
        SetSettings(std::nullopt);
    }

    // A good world with the last run's "save.dat".
    static void MakeWorld(const ScratchDirectory& world) {
        WriteWorld(world.Path(), GoodWorld());
        WriteFileBytes(world.File("save.dat"), previous);
    }

    XWindowId StartAsUser(const ScratchDirectory& world, LaunchOptions run = {}) {
        if (run.executable.empty()) run = Options(world.Path());
        std::string why;
        if (!RunAsOrdinaryUser(run, {world.Path()}, home.Path(), &why)) {
            ADD_FAILURE() << why;
            return 0;
        }
        const XWindowId main = Start(run);
        std::this_thread::sleep_for(300ms);
        return main;
    }

    // The world folder's own entries: each file's bytes, "folder" for a folder.
    static std::map<std::string, std::string> Snapshot(const ScratchDirectory& world) {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::directory_iterator(world.Path()))
            entries[entry.path().filename().string()] =
                entry.is_directory() ? std::string("folder") : ReadFileBytes(entry.path().string());
        return entries;
    }

    static ino_t Inode(const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    }

    // The error box: a second window of the program's name.
    XWindowId WaitForErrorBox(XWindowId main) {
        XWindowId box = 0;
        WaitUntil(
            [&] {
                for (XWindowId w : x.FindWindows("Orvalle"))
                    if (w != main) box = w;
                return box != 0 || !x.Program().Running();
            },
            30s);
        return box;
    }

    // Escape until the error shows; the key is let go once it has. Nothing
    // in the world may have changed.
    XWindowId FailToQuit(const ScratchDirectory& world, XWindowId main) {
        const auto before = Snapshot(world);
        const size_t shown = Occurrences(x.Program().Stderr());
        x.PressKey("Escape");
        const XWindowId box = WaitForErrorBox(main);
        // Let go over the main window, not over the box.
        x.Focus(main);
        x.ReleaseKey("Escape");
        EXPECT_NE(box, 0u) << "no error box\n" << x.Program().Stderr();
        EXPECT_TRUE(WaitUntil([&] { return Occurrences(x.Program().Stderr()) > shown; }, 10s)) << x.Program().Stderr();
        EXPECT_TRUE(x.Program().Running());
        EXPECT_EQ(Snapshot(world), before) << "a failed save changed the world folder";
        return box;
    }

    static size_t Occurrences(const std::string& text) {
        size_t count = 0;
        for (size_t at = text.find(kRefused); at != std::string::npos; at = text.find(kRefused, at + 1)) ++count;
        return count;
    }

    void Dismiss(XWindowId box, XWindowId main) {
        x.Focus(box);
        x.TapKey("Return");
        EXPECT_TRUE(WaitUntil([&] { return x.FindWindows("Orvalle").size() <= 1 || !x.Program().Running(); }, 10s))
            << "the error box stays";
        x.Focus(main);
    }

    // A good close: exit code 0, a clean run, a new record in "save.dat".
    void ExpectSavedOnEscape(const ScratchDirectory& world) {
        EXPECT_EQ(QuitWithEscape(), 0) << x.Program().Stderr();
        EXPECT_EQ(SanitizerReports(x.Program().Stderr()), "");
        const std::string now = ReadFileBytes(world.File("save.dat"));
        ASSERT_EQ(now.size(), 28u);
        EXPECT_NE(now, previous);
        EXPECT_TRUE(Finite(ParseSavedRecord(now)));
    }

    static constexpr const char* kRefused = "Cannot create file save.dat";
    static inline const std::string previous = SaveRecord(123.0f, 45.0f, 678.0f, 1.5, -0.5);
};

// No room for a single byte: RLIMIT_FSIZE of 0 in the program's process,
// with SIGXFSZ ignored, so that writes fail as on a full disk. Its standard
// error goes through a pipe to the file the harness reads, which the limit
// would otherwise stop too.
TEST_F(FailedSaveTest, AFullDiskKeepsTheLastSave) {
    ScratchDirectory world;
    MakeWorld(world);
    LaunchOptions run = Options(world.Path());
    run.executable = "/bin/bash";
    run.arguments = {"-c", "trap '' XFSZ; set -o pipefail; (ulimit -f 0 && exec \"$0\") 2>&1 | cat >&2", program};
    const XWindowId main = Start(run);
    ASSERT_NE(main, 0u);
    std::this_thread::sleep_for(300ms);
    const XWindowId box = FailToQuit(world, main);
    ASSERT_NE(box, 0u);
    Dismiss(box, main);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(x.Program().Running()) << "the program ended after a failed save\n" << x.Program().Stderr();
    EXPECT_EQ(ReadFileBytes(world.File("save.dat")), previous);
    x.Program().Kill();
    EXPECT_EQ(SanitizerReports(x.Program().Stderr()), "");
}

// A world installed read-only takes no new file, but its "save.dat" may be
// written: the record goes into that same file.
TEST_F(FailedSaveTest, AReadOnlyFolderSavesIntoItsWritableSaveDat) {
    ScratchDirectory world;
    MakeWorld(world);
    const ino_t inode = Inode(world.File("save.dat"));
    LaunchOptions run = Options(world.Path());
    std::string why;
    ASSERT_TRUE(RunAsOrdinaryUser(run, {world.Path()}, home.Path(), &why)) << why;
    ASSERT_EQ(chmod(world.Path().c_str(), 0555), 0);
    ASSERT_NE(Start(run), 0u);
    std::this_thread::sleep_for(300ms);
    ExpectSavedOnEscape(world);
    EXPECT_EQ(Inode(world.File("save.dat")), inode);
    ASSERT_EQ(chmod(world.Path().c_str(), 0755), 0);
}

// Another program holds "save.dat" exclusively, as the start-up's restore
// would: the save is refused and the file left alone until it lets go.
TEST_F(FailedSaveTest, ASaveDatHeldByAnotherProgramIsLeftAlone) {
    ScratchDirectory world;
    MakeWorld(world);
    const XWindowId main = StartAsUser(world);
    ASSERT_NE(main, 0u);
    const ino_t inode = Inode(world.File("save.dat"));
    const int held = open(world.File("save.dat").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    const XWindowId box = FailToQuit(world, main);
    EXPECT_EQ(Inode(world.File("save.dat")), inode) << "replaced behind the other program's back";
    close(held);
    ASSERT_NE(box, 0u);
    Dismiss(box, main);
    ExpectSavedOnEscape(world);
}

// Whatever an earlier run may have left beside "save.dat".
TEST_F(FailedSaveTest, AStraySaveDatNewIsNoObstacle) {
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a folder" : "a file");
        ScratchDirectory world;
        MakeWorld(world);
        if (folder)
            fs::create_directory(world.File("save.dat.new"));
        else
            WriteFileBytes(world.File("save.dat.new"), "left over");
        ASSERT_NE(StartAsUser(world), 0u);
        ExpectSavedOnEscape(world);
        if (folder) {
            EXPECT_TRUE(fs::is_directory(world.File("save.dat.new")));
        } else {
            EXPECT_EQ(ReadFileBytes(world.File("save.dat.new")), "left over");
        }
    }
}

// Nothing the user can do from the window makes these saves work: the first
// close request says so and keeps the window, the second one ends the
// program, leaving everything as it was.
TEST_F(FailedSaveTest, ASaveThatKeepsFailingLetsTheSecondCloseGo) {
    struct Case {
        const char* name;
        bool folderNamedSaveDat;
        std::optional<mode_t> saveMode;  // std::nullopt: no save.dat file
        mode_t worldMode;
    };
    const Case cases[] = {
        {"a folder named save.dat", true, std::nullopt, 0755},
        {"a read-only folder and no save.dat", false, std::nullopt, 0555},
        {"a read-only folder and a read-only save.dat", false, 0444, 0555},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory world;
        MakeWorld(world);
        if (!c.saveMode) fs::remove(world.File("save.dat"));
        if (c.folderNamedSaveDat) fs::create_directory(world.File("save.dat"));
        if (c.saveMode) {
            ASSERT_EQ(chmod(world.File("save.dat").c_str(), *c.saveMode), 0);
        }
        LaunchOptions run = Options(world.Path());
        std::string why;
        ASSERT_TRUE(RunAsOrdinaryUser(run, {world.Path()}, home.Path(), &why)) << why;
        ASSERT_EQ(chmod(world.Path().c_str(), c.worldMode), 0);
        const XWindowId main = Start(run);
        ASSERT_NE(main, 0u);
        std::this_thread::sleep_for(300ms);
        const auto before = Snapshot(world);
        const XWindowId box = FailToQuit(world, main);
        ASSERT_NE(box, 0u);
        Dismiss(box, main);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(x.Program().Running()) << x.Program().Stderr();

        // The window system's close command this time.
        x.RequestClose(main);
        EXPECT_EQ(x.Program().WaitForExit(30s), 0) << x.Program().Stderr();
        EXPECT_EQ(Occurrences(x.Program().Stderr()), 1u) << x.Program().Stderr();
        EXPECT_EQ(SanitizerReports(x.Program().Stderr()), "");
        EXPECT_EQ(Snapshot(world), before);
        ASSERT_EQ(chmod(world.Path().c_str(), 0755), 0);
    }
}

}  // namespace
