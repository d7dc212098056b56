#pragma once
// Exclusive binary file streams.
#include <cstdint>
#include <string>

enum TFileMode : uint32_t {
    fmOpenRead = 0x0000,
    fmCreate = 0xFFFF,  // create, or truncate an existing file, for reading and writing
};

class TFileStream {
public:
    // Raises EFOpenError "Cannot open file %s" or EFCreateError
    // "Cannot create file %s", with fileName as given in place of %s.
    TFileStream(const std::string& fileName, uint32_t mode);
    ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // The number of bytes actually moved.
    int32_t Read(void* buffer, int32_t count);
    int32_t Write(const void* buffer, int32_t count);
    // Forces what was written onto the disk; false where that fails.
    bool Sync();

private:
    int fd_ = -1;
};
