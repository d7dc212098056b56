#pragma once
// "save.dat" as a test reads it back: three little-endian float32 for the
// eye, then yaw and pitch as float64.
#include <string>

struct SavedRecord {
    float X = 0, Y = 0, Z = 0;
    double Yaw = 0, Pitch = 0;
};

// The first 28 bytes; bytes the file lacks read as zero.
SavedRecord ParseSavedRecord(const std::string& bytes);
