#pragma once
// Platform internals: SDL keys and modifiers as the virtual-key codes and
// shift state the form's key events carry.
#include <cstdint>

#include <SDL.h>

#include "platform/forms.h"

// The virtual-key code of a key; 0 for keys that have none.
//
// A key that types a Latin letter in the active layout carries that
// letter's code (on AZERTY the key marked W gives 'W'). Any other key at a
// letter's place carries the letter of that place on a US keyboard, so
// layouts of other scripts (Russian, Greek, ...) walk with the keys at W, A,
// S and D. Keys the layout names (Escape, arrows, F-keys, ...) follow the
// layout; digits, punctuation and the keypad go by their place.
uint16_t VirtualKeyFromSdl(const SDL_Keysym& key);
TShiftState ShiftStateFromSdl(uint16_t modifiers);
