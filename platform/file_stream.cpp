#include "platform/file_stream.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/exception.h"
#include "platform/sys_utils.h"

namespace {

// Takes the file for this stream alone; a second stream on the same file,
// from this process or another, fails until the first is closed.
bool LockExclusive(int fd) {
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EINTR) return false;
    }
}

int OpenForReading(const std::string& path) {
    // O_NONBLOCK keeps a FIFO of that name from stalling the open.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !LockExclusive(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

int OpenForWriting(const std::string& path) {
    // Truncated only once locked, so that a failed open leaves the file as it was.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return -1;
    if (!LockExclusive(fd) || ftruncate(fd, 0) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Repeats transfer(done, left), a read or a write of the left bytes after
// the done ones, until count bytes are moved, a call fails or one moves
// nothing; interrupted calls are retried. Returns the bytes moved.
template <typename Transfer>
int32_t TransferAll(int32_t count, Transfer&& transfer) {
    int32_t done = 0;
    while (done < count) {
        const ssize_t moved = transfer(done, static_cast<std::size_t>(count - done));
        if (moved < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (moved == 0) break;
        done += static_cast<int32_t>(moved);
    }
    return done;
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint32_t mode) {
    const std::string path = SystemPath(fileName);
    if (mode == fmCreate) {
        fd_ = OpenForWriting(path);
        if (fd_ < 0) throw EFCreateError("Cannot create file " + fileName);
    } else {
        fd_ = OpenForReading(path);
        if (fd_ < 0) throw EFOpenError("Cannot open file " + fileName);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) close(fd_);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    char* bytes = static_cast<char*>(buffer);
    return TransferAll(count, [&](int32_t done, std::size_t left) { return read(fd_, bytes + done, left); });
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    const char* bytes = static_cast<const char*>(buffer);
    return TransferAll(count, [&](int32_t done, std::size_t left) { return write(fd_, bytes + done, left); });
}

bool TFileStream::Sync() {
    for (;;) {
        if (fsync(fd_) == 0) return true;
        if (errno != EINTR) return false;
    }
}
