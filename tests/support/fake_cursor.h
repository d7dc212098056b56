#pragma once
// A stand-in for the window system's pointer: tests place it and read back
// where mouse look put it.
#include <vector>

#include "platform/cursor.h"

class FakeCursor {
public:
    FakeCursor();
    ~FakeCursor();
    FakeCursor(const FakeCursor&) = delete;
    FakeCursor& operator=(const FakeCursor&) = delete;

    static TPoint position;
    static bool readable;              // false: GetCursorPos fails
    static std::vector<TPoint> moves;  // every SetCursorPos, in order

private:
    const CursorBackend* previous_;
};
