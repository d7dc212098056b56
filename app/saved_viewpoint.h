#pragma once
// The viewpoint kept in "save.dat" from one run to the next: Position as three
// float32, then Yaw and Pitch as float64, 28 bytes, little-endian.
#include "platform/exception.h"

constexpr const char* SaveFileName = "save.dat";

// Overwrites Position, Yaw and Pitch from "save.dat" where it exists.
void RestoreViewpoint();
// A save that could not be made: the message the user sees ("Cannot create
// file save.dat"), and the system's reason, so that a failure repeated for
// the same reason can be told from a new one.
class ESaveError : public EFCreateError {
public:
    explicit ESaveError(int cause);
    int Cause;  // an errno value
};

// Writes "save.dat"; raises ESaveError where it cannot, leaving the old file as it was.
void SaveViewpoint();
