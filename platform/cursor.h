#pragma once
// The mouse pointer, in screen coordinates. Both calls go through a
// replaceable backend, so a test can stand in for the window system.
#include <cstdint>

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct CursorBackend {
    bool (*GetPos)(TPoint* point);
    bool (*SetPos)(int32_t x, int32_t y);
};

bool GetCursorPos(TPoint* point);
bool SetCursorPos(int32_t x, int32_t y);

// Installs a backend (nullptr restores the window system's); returns the old one.
const CursorBackend* SetCursorBackend(const CursorBackend* backend);
