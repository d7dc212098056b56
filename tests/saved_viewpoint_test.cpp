#include "app/saved_viewpoint.h"

#include <bit>
#include <csignal>
#include <filesystem>
#include <set>
#include <cstdint>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/file.h>
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

    // What the current folder holds, by name.
    static std::set<std::string> Listing() {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(".")) names.insert(entry.path().filename().string());
        return names;
    }

    static ino_t Inode(const char* name) {
        struct stat info {};
        return stat(name, &info) == 0 ? info.st_ino : 0;
    }

    // Runs the save in a process of a user bound by permissions: nobody
    // where the tests run as the super-user, in this folder handed to
    // nobody. The save's result: "saved", or the message it raised.
    std::string SaveAsAUser() {
        if (geteuid() == 0) {
            constexpr uid_t nobody = 65534;
            for (const auto& entry : std::filesystem::directory_iterator(".")) lchown(entry.path().c_str(), nobody, nobody);
            if (chown(".", nobody, nobody) != 0) return "cannot hand the folder to nobody";
        }
        int report[2];
        if (pipe(report) != 0) return "no pipe";
        const pid_t child = fork();
        if (child == 0) {
            close(report[0]);
            std::string result = "saved";
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
                result = "cannot become nobody";
            } else {
                try {
                    SaveViewpoint();
                } catch (const std::exception& error) {
                    result = error.what();
                }
            }
            if (write(report[1], result.data(), result.size()) < 0) _exit(1);
            _exit(0);
        }
        close(report[1]);
        std::string result;
        char buffer[256];
        for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<size_t>(got));
        close(report[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return result;
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
    EXPECT_EQ(Listing(), std::set<std::string>{"save.dat"});
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
    EXPECT_EQ(Listing(), std::set<std::string>{"save.dat"});
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
    EXPECT_EQ(Listing(), std::set<std::string>{"save.dat"});
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
    EXPECT_EQ(Listing(), std::set<std::string>{"save.dat"});
}

// A folder the user may not write to, such as a world installed read-only:
// a writable "save.dat" there is rewritten in place; anything else is refused
// and left as it was.
TEST_F(SavedViewpointTest, AFolderThatTakesNoNewFileStillSavesIntoAWritableSaveDat) {
    struct Case {
        const char* name;
        std::optional<mode_t> saveMode;  // std::nullopt: no save.dat
        bool saved;
    };
    const Case cases[] = {
        {"writable save.dat", 0644, true},
        {"read-only save.dat", 0444, false},
        {"no save.dat", std::nullopt, false},
    };
    Camera.Position = kSaved.position;
    Camera.Yaw = kSaved.yaw;
    Camera.Pitch = kSaved.pitch;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(chmod(".", 0755), 0);
        std::filesystem::remove("save.dat");
        const std::string old(40, 'x');
        if (c.saveMode) {
            WriteFileBytes("save.dat", old);
            ASSERT_EQ(chmod("save.dat", *c.saveMode), 0);
        }
        const ino_t inode = Inode("save.dat");
        ASSERT_EQ(chmod(".", 0555), 0);
        EXPECT_EQ(SaveAsAUser(), c.saved ? "saved" : "Cannot create file save.dat");
        ASSERT_EQ(chmod(".", 0755), 0);
        if (c.saveMode) {
            EXPECT_EQ(ReadFileBytes("save.dat"), c.saved ? kRecord : old);
            EXPECT_EQ(Inode("save.dat"), inode);
        }
        EXPECT_EQ(Listing(), c.saveMode ? std::set<std::string>{"save.dat"} : std::set<std::string>{});
    }
}

// Another program holds the file exclusively, as the restore requires: the
// save is refused and the file stays as it was, the same file.
TEST_F(SavedViewpointTest, ASaveDatHeldByAnotherProgramRefusesTheSave) {
    WriteFileBytes("save.dat", kRecord);
    const ino_t inode = Inode("save.dat");
    const int held = open("save.dat", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    Camera.Position = CVector3(9.0f, 8.0f, 7.0f);
    ExpectSaveRefused();
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
    EXPECT_EQ(Inode("save.dat"), inode);
    EXPECT_EQ(Listing(), std::set<std::string>{"save.dat"});
    close(held);
    SaveViewpoint();
    EXPECT_NE(ReadFileBytes("save.dat"), kRecord);
}

// Whatever an earlier run or another program left beside "save.dat".
TEST_F(SavedViewpointTest, StrayFilesBesideSaveDatDoNotStandInTheWay) {
    WriteFileBytes("save.dat", std::string(28, 'o'));
    WriteFileBytes("save.dat.new", "stray file");
    ASSERT_EQ(mkdir("save.dat.tmp", 0755), 0);
    ASSERT_EQ(mkdir("save.dat~", 0755), 0);
    Camera.Position = kSaved.position;
    Camera.Yaw = kSaved.yaw;
    Camera.Pitch = kSaved.pitch;
    SaveViewpoint();
    SaveViewpoint();
    EXPECT_EQ(ReadFileBytes("save.dat"), kRecord);
    EXPECT_EQ(ReadFileBytes("save.dat.new"), "stray file");
    EXPECT_EQ(Listing(), (std::set<std::string>{"save.dat", "save.dat.new", "save.dat.tmp", "save.dat~"}));
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("store"), std::filesystem::directory_iterator()), 1);
}

}  // namespace
