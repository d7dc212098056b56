#include "tools/heightmap/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "tools/heightmap/import_error.h"

uint64_t FileSize(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) throw ImportError(std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw ImportError("not a regular file");
    return static_cast<uint64_t>(info.st_size);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw ImportError(std::strerror(errno));
    std::vector<uint8_t> bytes;
    struct stat info {};
    bool ok = fstat(fileno(file), &info) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok) throw ImportError("cannot be read to the end");
    return bytes;
}
