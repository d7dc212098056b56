#include "tests/support/saved_record.h"

#include <algorithm>
#include <cstring>

SavedRecord ParseSavedRecord(const std::string& bytes) {
    char raw[28] = {};
    std::memcpy(raw, bytes.data(), std::min<size_t>(bytes.size(), sizeof raw));
    SavedRecord record;
    std::memcpy(&record.X, raw, 4);
    std::memcpy(&record.Y, raw + 4, 4);
    std::memcpy(&record.Z, raw + 8, 4);
    std::memcpy(&record.Yaw, raw + 12, 8);
    std::memcpy(&record.Pitch, raw + 20, 8);
    return record;
}
