#include "platform/file_stream.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/exception.h"
#include "tests/support/scratch_directory.h"

namespace {

class FileStreamTest : public ::testing::Test {
protected:
    ScratchDirectory dir_;
    CurrentDirectory here_{dir_.Path()};
};

// Runs body in a child process and gives its exit status (or -1 for a signal).
int InChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

struct OpenFailure {
    std::string name;
    uint32_t mode;
    std::string message;
};

TEST_F(FileStreamTest, FailedOpensNameTheFileAsGiven) {
    ASSERT_EQ(mkdir("dir", 0755), 0);
    ASSERT_EQ(mkdir("sub", 0755), 0);
    const std::vector<OpenFailure> cases = {
        {"x", fmOpenRead, "Cannot open file x"},
        {"sub\\missing", fmOpenRead, "Cannot open file sub\\missing"},
        {"nodir/x", fmCreate, "Cannot create file nodir/x"},
        {"nodir\\x", fmCreate, "Cannot create file nodir\\x"},
        {"dir", fmOpenRead, "Cannot open file dir"},
        {"dir", fmCreate, "Cannot create file dir"},
        {"", fmOpenRead, "Cannot open file "},
    };
    for (const OpenFailure& c : cases) {
        try {
            TFileStream stream(c.name, c.mode);
            ADD_FAILURE() << "opened " << c.name;
        } catch (const EFOpenError& error) {
            EXPECT_EQ(c.mode, fmOpenRead) << c.name;
            EXPECT_EQ(error.Message, c.message);
        } catch (const EFCreateError& error) {
            EXPECT_EQ(c.mode, fmCreate) << c.name;
            EXPECT_EQ(error.Message, c.message);
        }
    }
    struct stat info {};
    EXPECT_NE(stat("x", &info), 0) << "opening for reading created the file";
}

TEST_F(FileStreamTest, WritesAndReadsThroughBackslashNames) {
    ASSERT_EQ(mkdir("sub", 0755), 0);
    {
        TFileStream out("sub\\f.bin", fmCreate);
        EXPECT_EQ(out.Write("hello", 5), 5);
        EXPECT_TRUE(out.Sync());
    }
    EXPECT_EQ(ReadFileBytes("sub/f.bin"), "hello");
    TFileStream in("sub\\f.bin", fmOpenRead);
    char buffer[16] = {};
    EXPECT_EQ(in.Read(buffer, 3), 3);
    EXPECT_EQ(in.Read(buffer + 3, 10), 2);
    EXPECT_EQ(in.Read(buffer, 10), 0);
    EXPECT_EQ(std::string(buffer, 5), "hello");
}

TEST_F(FileStreamTest, CreateTruncatesWithMode0666LessTheUmask) {
    WriteFileBytes("old", std::string(100, 'o'));
    const mode_t previous = umask(022);
    {
        TFileStream stream("old", fmCreate);
        TFileStream fresh("fresh", fmCreate);
    }
    umask(027);
    { TFileStream stream("other", fmCreate); }
    umask(previous);
    struct stat info {};
    ASSERT_EQ(stat("old", &info), 0);
    EXPECT_EQ(info.st_size, 0);
    ASSERT_EQ(stat("fresh", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    ASSERT_EQ(stat("other", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(FileStreamTest, NoSecondOpenSucceedsWhileOneIsOpen) {
    {
        TFileStream first("f", fmCreate);
        ASSERT_EQ(first.Write("abc", 3), 3);
        EXPECT_THROW(TFileStream("f", fmOpenRead), EFOpenError);
        EXPECT_THROW(TFileStream("f", fmCreate), EFCreateError);
        // Nor from another process.
        EXPECT_EQ(InChild([] {
                      try {
                          TFileStream other("f", fmOpenRead);
                      } catch (const EFOpenError&) {
                          return 0;
                      }
                      return 1;
                  }),
                  0);
        // The refused create truncated nothing.
        EXPECT_EQ(ReadFileBytes("f"), "abc");
    }
    {
        TFileStream reader("f", fmOpenRead);
        EXPECT_THROW(TFileStream("f", fmOpenRead), EFOpenError);
    }
    // Closing lets the file go.
    TFileStream again("f", fmOpenRead);
    char buffer[3];
    EXPECT_EQ(again.Read(buffer, 3), 3);
}

TEST_F(FileStreamTest, ReadGathersShortReadsUpToTheEnd) {
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    // Opened for both directions, this end never waits for a partner.
    const int writer = open("pipe", O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    TFileStream reader("pipe", fmOpenRead);
    std::thread feeder([writer] {
        for (const char* piece : {"ab", "cd", "ef"}) {
            if (write(writer, piece, 2) != 2) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        close(writer);
    });
    char buffer[8] = {};
    EXPECT_EQ(reader.Read(buffer, 8), 6);
    feeder.join();
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
}

TEST_F(FileStreamTest, WriteReportsTheBytesActuallyWritten) {
    // A file-size limit of 20 bytes: the 28-byte write stops short.
    EXPECT_EQ(InChild([] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  const rlimit limit{20, 20};
                  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
                  try {
                      TFileStream stream("limited", fmCreate);
                      const std::string bytes(28, 'w');
                      const int32_t first = stream.Write(bytes.data(), 28);
                      const int32_t second = stream.Write(bytes.data(), 8);
                      return first == 20 && second == 0 ? 0 : 101;
                  } catch (const Exception&) {
                      return 102;
                  }
              }),
              0);
    EXPECT_EQ(ReadFileBytes("limited"), std::string(20, 'w'));
}

}  // namespace
