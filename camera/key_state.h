#pragma once
// The table of keys held down, indexed by 16-bit virtual-key code.
#include <cstdint>

extern uint8_t KeyState[65536];

enum : uint16_t {
    KeyEscape = 27,
    KeyA = 65,
    KeyD = 68,
    KeyL = 76,
    KeyR = 82,
    KeyS = 83,
    KeyW = 87,
};

void ClearKeyState();
