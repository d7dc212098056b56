#pragma once
// Platform internals: SDL key symbols and modifiers as the virtual-key codes
// and shift state the form's key events carry.
#include <cstdint>

#include <SDL.h>

#include "platform/forms.h"

// The virtual-key code of a key symbol; 0 for keys that have none here.
uint16_t VirtualKeyFromSdl(SDL_Keycode symbol);
TShiftState ShiftStateFromSdl(uint16_t modifiers);
