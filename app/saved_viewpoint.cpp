#include "app/saved_viewpoint.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "camera/camera.h"
#include "platform/file_descriptor.h"
#include "platform/file_stream.h"
#include "platform/sys_utils.h"

namespace {

// The record travels in three transfers, one per field group, each laid out
// little-endian whatever the machine.
constexpr int32_t kPositionSize = 12;
constexpr int32_t kAngleSize = 8;

void PutLittleEndian(unsigned char* out, uint64_t bits, int size) {
    for (int i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

uint64_t GetLittleEndian(const unsigned char* in, int size) {
    uint64_t bits = 0;
    for (int i = 0; i < size; ++i) bits |= uint64_t{in[i]} << (8 * i);
    return bits;
}

struct Record {
    unsigned char position[kPositionSize];
    unsigned char yaw[kAngleSize];
    unsigned char pitch[kAngleSize];
};

Record Encode(const CVector3& position, double yaw, double pitch) {
    Record record{};
    PutLittleEndian(record.position + 0, std::bit_cast<uint32_t>(position.x), 4);
    PutLittleEndian(record.position + 4, std::bit_cast<uint32_t>(position.y), 4);
    PutLittleEndian(record.position + 8, std::bit_cast<uint32_t>(position.z), 4);
    PutLittleEndian(record.yaw, std::bit_cast<uint64_t>(yaw), 8);
    PutLittleEndian(record.pitch, std::bit_cast<uint64_t>(pitch), 8);
    return record;
}

float GetFloat(const unsigned char* in) {
    return std::bit_cast<float>(static_cast<uint32_t>(GetLittleEndian(in, 4)));
}

double GetDouble(const unsigned char* in) { return std::bit_cast<double>(GetLittleEndian(in, 8)); }

[[noreturn]] void SaveFailed(int cause) { throw ESaveError(cause); }

// Writes all of it unless the system refuses; false, with errno set, then.
bool WriteAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(fd, bytes, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool WriteRecord(int fd, const Record& record) {
    return WriteAll(fd, record.position, kPositionSize) && WriteAll(fd, record.yaw, kAngleSize) &&
           WriteAll(fd, record.pitch, kAngleSize) && fsync(fd) == 0;
}

// A new file beside target under a name nothing else uses, so that no file
// or folder left behind by an earlier run can stand in the way; -1, with
// errno set, where none can be made.
int CreateBeside(const std::string& target, std::string* name) {
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.new", static_cast<unsigned>(random()));
        *name = target + suffix;
        const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// A "save.dat" that is a symbolic link is saved through to the file it names,
// as writing into it would.
std::string FollowLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
        char link[4096];
        const ssize_t length = readlink(path.c_str(), link, sizeof link);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof link) break;
        const std::string target(link, static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = (target[0] == '/' || slash == std::string::npos) ? target : path.substr(0, slash + 1) + target;
    }
    return path;
}

// Makes the rename itself last through a crash; best effort.
void SyncDirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

void RestoreViewpoint() {
    if (!FileExists(SaveFileName)) return;
    TFileStream file(SaveFileName, fmOpenRead);
    // A short file overwrites only the bytes it holds; the rest of each field
    // keeps the current value.
    Record record = Encode(Camera.Position, Camera.Yaw, Camera.Pitch);
    file.Read(record.position, kPositionSize);
    file.Read(record.yaw, kAngleSize);
    file.Read(record.pitch, kAngleSize);

    const CVector3 position(GetFloat(record.position), GetFloat(record.position + 4),
                            GetFloat(record.position + 8));
    const double yaw = GetDouble(record.yaw);
    const double pitch = GetDouble(record.pitch);
    // NaNs or infinities would poison every later step of the walk.
    if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z) ||
        !std::isfinite(yaw) || !std::isfinite(pitch)) {
        return;
    }
    Camera.Position = position;
    Camera.Yaw = yaw;
    Camera.Pitch = pitch;
}

ESaveError::ESaveError(int cause) : EFCreateError(std::string("Cannot create file ") + SaveFileName), Cause(cause) {}

void SaveViewpoint() {
    const std::string target = FollowLinks(SaveFileName);
    const Record record = Encode(Camera.Position, Camera.Yaw, Camera.Pitch);

    // The old file is held, exclusively, for the whole save: one that
    // another program holds refuses the save as it refuses the restore.
    struct stat old {};
    int oldFd = -1;
    if (stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) SaveFailed(EISDIR);
        // A rename would replace even a read-only file, which truncating it
        // in place could not; its mode bits refuse it, for the super-user too.
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) SaveFailed(EACCES);
        // Opened for writing, so that the system says whether this user may.
        // O_NONBLOCK: a FIFO of that name fails at once instead of waiting.
        oldFd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (oldFd < 0) SaveFailed(errno);
    }
    const FileDescriptor held(oldFd);
    if (oldFd >= 0) {
        struct stat opened {};
        if (fstat(oldFd, &opened) != 0) SaveFailed(errno);
        // Only a plain file is replaced; a device is no place for a viewpoint.
        if (!S_ISREG(opened.st_mode)) SaveFailed(EINVAL);
        while (flock(oldFd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EINTR) SaveFailed(errno);
        }
    }

    // The new record goes to a file beside the old one and replaces it only
    // once wholly on disk, so a failed save never costs the last viewpoint.
    std::string temporary;
    const int fd = CreateBeside(target, &temporary);
    if (fd < 0) {
        const int cause = errno;
        // The folder takes no new file (one installed read-only, say), but
        // the old file may be written: rewrite it in place, as a truncating
        // create would. A full disk is no reason to, as that could cost the
        // last viewpoint.
        if (oldFd >= 0 && (cause == EACCES || cause == EPERM)) {
            if (ftruncate(oldFd, 0) != 0 || !WriteRecord(oldFd, record)) SaveFailed(errno);
            return;
        }
        SaveFailed(cause);
    }
    const FileDescriptor file(fd);
    if (oldFd >= 0) fchmod(fd, old.st_mode & 07777);
    if (!WriteRecord(fd, record) || rename(temporary.c_str(), target.c_str()) != 0) {
        const int cause = errno;
        unlink(temporary.c_str());
        SaveFailed(cause);
    }
    SyncDirectoryOf(target);
}
