#include "app/saved_viewpoint.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "camera/camera.h"
#include "platform/exception.h"
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

[[noreturn]] void SaveFailed() { throw EFCreateError(std::string("Cannot create file ") + SaveFileName); }

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

void SaveViewpoint() {
    // The new record goes to a file beside the old one and replaces it only
    // once wholly on disk, so a failed save never costs the last viewpoint.
    const std::string target = FollowLinks(SaveFileName);
    const std::string temporary = target + ".new";

    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    // A rename would replace even a read-only file, which truncating it in
    // place could not; its mode bits refuse it, for the super-user too.
    if (exists && (S_ISDIR(old.st_mode) || (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                   faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)) {
        SaveFailed();
    }

    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(temporary, fmCreate);
    } catch (const EFCreateError&) {
        SaveFailed();
    }
    if (exists) chmod(temporary.c_str(), old.st_mode & 07777);
    const Record record = Encode(Camera.Position, Camera.Yaw, Camera.Pitch);
    // Renamed while still locked, so that no other save can truncate it in between.
    const bool saved = file->Write(record.position, kPositionSize) == kPositionSize &&
                       file->Write(record.yaw, kAngleSize) == kAngleSize &&
                       file->Write(record.pitch, kAngleSize) == kAngleSize && file->Sync() &&
                       rename(temporary.c_str(), target.c_str()) == 0;
    if (!saved) unlink(temporary.c_str());
    file.reset();
    if (!saved) SaveFailed();
    SyncDirectoryOf(target);
}
