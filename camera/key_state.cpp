#include "camera/key_state.h"

#include <cstring>

uint8_t KeyState[65536];

void ClearKeyState() { std::memset(KeyState, 0, sizeof KeyState); }
