#pragma once
// The viewpoint kept in "save.dat" from one run to the next: Position as three
// float32, then Yaw and Pitch as float64, 28 bytes, little-endian.

constexpr const char* SaveFileName = "save.dat";

// Overwrites Position, Yaw and Pitch from "save.dat" where it exists.
void RestoreViewpoint();
// Writes "save.dat"; raises EFCreateError where it cannot.
void SaveViewpoint();
