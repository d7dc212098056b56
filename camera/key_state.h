#pragma once
// The table of keys held down, indexed by 16-bit virtual-key code.
#include <cstdint>

#include "platform/virtual_keys.h"

extern uint8_t KeyState[65536];

void ClearKeyState();
