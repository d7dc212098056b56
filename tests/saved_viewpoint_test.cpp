#include "app/saved_viewpoint.h"

#include <bit>
#include <csignal>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "camera/camera.h"
#include "platform/exception.h"
#include "platform/file_stream.h"
#include "tests/support/scratch_directory.h"

namespace {

// Position (0.1f, 1.0f, -2.0f), Yaw pi, Pitch -0.25, written out by hand.
const std::string kRecord =
    std::string("\xCD\xCC\xCC\x3D", 4) +                    // 0.1f   = 0x3DCCCCCD
    std::string("\x00\x00\x80\x3F", 4) +                    // 1.0f   = 0x3F800000
    std::string("\x00\x00\x00\xC0", 4) +                    // -2.0f  = 0xC0000000
    std::string("\x18\x2D\x44\x54\xFB\x21\x09\x40", 8) +    // pi     = 0x400921FB54442D18
    std::string("\x00\x00\x00\x00\x00\x00\xD0\xBF", 8);     // -0.25  = 0xBFD0000000000000

const CVector3 kStartPosition(100.0f, 50.0f, 200.0f);  // 0x42C80000, 0x42480000, 0x43480000

struct View {
    CVector3 position;
    double yaw;
    double pitch;
};

void ExpectView(const View& expected, const std::string& label) {
    EXPECT_EQ(std::bit_cast<uint32_t>(Camera.Position.x), std::bit_cast<uint32_t>(expected.position.x)) << label;
    EXPECT_EQ(std::bit_cast<uint32_t>(Camera.Position.y), std::bit_cast<uint32_t>(expected.position.y)) << label;
    EXPECT_EQ(std::bit_cast<uint32_t>(Camera.Position.z), std::bit_cast<uint32_t>(expected.position.z)) << label;
    EXPECT_EQ(std::bit_cast<uint64_t>(Camera.Yaw), std::bit_cast<uint64_t>(expected.yaw)) << label;
    EXPECT_EQ(std::bit_cast<uint64_t>(Camera.Pitch), std::bit_cast<uint64_t>(expected.pitch)) << label;
}

const View kStart{kStartPosition, 0.0, 0.0};
const View kSaved{CVector3(0.1f, 1.0f, -2.0f), std::numbers::pi, -0.25};

class SavedViewpointTest : public ::testing::Test {
protected:
    void SetUp() override { PlaceAtStart(); }

    static void PlaceAtStart() {
        Camera.Position = kStartPosition;
        Camera.Direction = CVector3(0.0f, 0.0f, 1.0f);
        Camera.Up = CVector3(0.0f, 1.0f, 0.0f);
        Camera.Yaw = 0.0;
        Camera.Pitch = 0.0;
    }

    static void ExpectSaveRefused() {
        try {
            SaveViewpoint();
            ADD_FAILURE() << "the save went ahead";
        } catch (const EFCreateError& error) {
            EXPECT_EQ(error.Message, "Cannot create file save.dat");
        }
    }

    static bool Exists(const char* name) {
        struct stat info {};
        return lstat(name, &info) == 0;
    }

    ScratchDirectory dir_;
    CurrentDirectory here_{dir_.Path()};
};

TEST_F(SavedViewpointTest, SaveWritesThe28ByteLittleEndianRecord) {
    Camera.Position = kSaved.position;
    Camera.Yaw = kSaved.yaw;
    Camera.Pitch = kSaved.pitch;
    SaveViewpoint();
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);

    // Over a longer file, and with a mode of its own, which it keeps.
    WriteFileBytes("save.dat", std::string(100, 'x'));
    ASSERT_EQ(chmod("save.dat", 0600), 0);
    SaveViewpoint();
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
    struct stat info {};
    ASSERT_EQ(stat("save.dat", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_FALSE(Exists("save.dat.new"));
}

struct PartialCase {
    std::size_t size;
    View expected;
};

TEST_F(SavedViewpointTest, RestoreFillsTheRecordAsFarAsTheFileReaches) {
    const std::vector<PartialCase> cases = {
        {0, kStart},
        // x's two low bytes from the file (CD CC), its high two kept (C8 42).
        {2, {CVector3(std::bit_cast<float>(0x42C8CCCDu), 50.0f, 200.0f), 0.0, 0.0}},
        {12, {kSaved.position, 0.0, 0.0}},
        // Yaw's low four bytes from the file, its high four still those of 0.0.
        {16, {kSaved.position, std::bit_cast<double>(uint64_t{0x54442D18}), 0.0}},
        {20, {kSaved.position, kSaved.yaw, 0.0}},
        {28, kSaved},
        {40, kSaved},
    };
    for (const PartialCase& c : cases) {
        const std::string label = std::to_string(c.size) + " bytes";
        PlaceAtStart();
        Camera.Direction = CVector3(0.6f, 0.0f, 0.8f);
        WriteFileBytes("save.dat", (kRecord + std::string(12, '\x7F')).substr(0, c.size));
        RestoreViewpoint();
        ExpectView(c.expected, label);
        // The derived vectors are left for mouse look to recompute.
        EXPECT_EQ(Camera.Direction.x, 0.6f) << label;
        EXPECT_EQ(Camera.Direction.z, 0.8f) << label;
        EXPECT_EQ(Camera.Up.y, 1.0f) << label;
    }
}

TEST_F(SavedViewpointTest, RestoreIgnoresARecordThatIsNotAllFinite) {
    const std::string nan32("\x00\x00\xC0\x7F", 4);
    const std::string inf64("\x00\x00\x00\x00\x00\x00\xF0\x7F", 8);
    const std::string nan64("\x01\x00\x00\x00\x00\x00\xF8\xFF", 8);
    const std::vector<std::string> records = {
        nan32 + kRecord.substr(4),
        kRecord.substr(0, 8) + nan32 + kRecord.substr(12),
        kRecord.substr(0, 12) + nan64 + kRecord.substr(20),
        kRecord.substr(0, 20) + inf64,
        kRecord.substr(0, 20) + std::string("\x00\x00\x00\x00\x00\x00\xF0\xFF", 8),  // -inf
        nan32,  // the rest would stay finite, but x does not
    };
    for (const std::string& record : records) {
        PlaceAtStart();
        WriteFileBytes("save.dat", record);
        RestoreViewpoint();
        ExpectView(kStart, ::testing::PrintToString(record));
    }
}

TEST_F(SavedViewpointTest, SavedViewIsRestoredBitForBit) {
    const View odd{CVector3(-0.0f, 1e-40f, std::numeric_limits<float>::max()), -1e300, 4.0};
    Camera.Position = odd.position;
    Camera.Yaw = odd.yaw;
    Camera.Pitch = odd.pitch;
    SaveViewpoint();
    PlaceAtStart();
    RestoreViewpoint();
    ExpectView(odd, "round trip");
}

TEST_F(SavedViewpointTest, ADirectoryNamedSaveDatIsNoFileAndRefusesTheSave) {
    ASSERT_EQ(mkdir("save.dat", 0755), 0);
    RestoreViewpoint();
    ExpectView(kStart, "restore");
    ExpectSaveRefused();
    struct stat info {};
    ASSERT_EQ(stat("save.dat", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_FALSE(Exists("save.dat.new"));
}

TEST_F(SavedViewpointTest, ASaveDatThatCannotBeOpenedFailsTheRestore) {
    WriteFileBytes("save.dat", kRecord);
    TFileStream holder("save.dat", fmOpenRead);
    try {
        RestoreViewpoint();
        ADD_FAILURE() << "the restore went ahead";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message, "Cannot open file save.dat");
    }
    ExpectView(kStart, "after the failed restore");
}

TEST_F(SavedViewpointTest, AReadOnlySaveDatRefusesTheSaveAndStaysAsItWas) {
    // Refused by its mode bits, so also where the user may write anything.
    WriteFileBytes("save.dat", kRecord);
    ASSERT_EQ(chmod("save.dat", 0444), 0);
    ExpectSaveRefused();
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
    struct stat info {};
    ASSERT_EQ(stat("save.dat", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    EXPECT_FALSE(Exists("save.dat.new"));
}

TEST_F(SavedViewpointTest, AFailedWriteLeavesTheOldFileWhole) {
    WriteFileBytes("save.dat", kRecord);
    const pid_t child = fork();
    if (child == 0) {
        // A file-size limit that lets the first two transfers through, then stops the third.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{20, 20};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
        try {
            SaveViewpoint();
        } catch (const EFCreateError& error) {
            _exit(error.Message == "Cannot create file save.dat" ? 0 : 101);
        } catch (...) {
            _exit(102);
        }
        _exit(103);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
    EXPECT_FALSE(Exists("save.dat.new"));
}

TEST_F(SavedViewpointTest, AnUnwritableDirectoryRefusesTheSave) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    WriteFileBytes("save.dat", kRecord);
    ASSERT_EQ(chmod(".", 0555), 0);
    ExpectSaveRefused();
    ASSERT_EQ(chmod(".", 0755), 0);
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
}

TEST_F(SavedViewpointTest, EachCurrentDirectoryHasItsOwnSaveDat) {
    ScratchDirectory other;
    WriteFileBytes("save.dat", kRecord);
    {
        CurrentDirectory there(other.Path());
        RestoreViewpoint();
        ExpectView(kStart, "no save.dat there");
        SaveViewpoint();
    }
    RestoreViewpoint();
    ExpectView(kSaved, "this directory's save.dat");
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
    EXPECT_EQ(ReadFileBytes(other.File("save.dat")).substr(0, 12), std::string("\0\0\xC8\x42\0\0\x48\x42\0\0\x48\x43", 12));
}

TEST_F(SavedViewpointTest, ASaveDatLinkIsSavedThroughToItsFile) {
    ASSERT_EQ(mkdir("store", 0755), 0);
    WriteFileBytes("store/view.dat", std::string(40, 'x'));
    ASSERT_EQ(symlink("store/view.dat", "save.dat"), 0);
    Camera.Position = kSaved.position;
    Camera.Yaw = kSaved.yaw;
    Camera.Pitch = kSaved.pitch;
    SaveViewpoint();
    struct stat info {};
    ASSERT_EQ(lstat("save.dat", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFileBytes("store/view.dat"), kRecord);
    EXPECT_FALSE(Exists("store/view.dat.new"));
}

}  // namespace
