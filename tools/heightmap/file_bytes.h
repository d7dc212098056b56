#pragma once
// Whole files for the heightmap readers.
#include <cstdint>
#include <string>
#include <vector>

// The file's size in bytes; throws ImportError where it cannot be examined
// or is not a regular file.
uint64_t FileSize(const std::string& path);
// The whole file; throws ImportError where it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
