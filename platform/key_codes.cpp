#include "platform/key_codes.h"

uint16_t VirtualKeyFromSdl(SDL_Keycode symbol) {
    // Letters come from the layout's symbol, so W is the key that types w.
    if (symbol >= SDLK_a && symbol <= SDLK_z) return static_cast<uint16_t>('A' + (symbol - SDLK_a));
    if (symbol >= SDLK_0 && symbol <= SDLK_9) return static_cast<uint16_t>('0' + (symbol - SDLK_0));
    if (symbol >= SDLK_F1 && symbol <= SDLK_F12) return static_cast<uint16_t>(VK_F1 + (symbol - SDLK_F1));
    switch (symbol) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
    }
}

TShiftState ShiftStateFromSdl(uint16_t modifiers) {
    TShiftState shift = 0;
    if (modifiers & KMOD_SHIFT) shift |= static_cast<TShiftState>(TShiftStateFlag::Shift);
    if (modifiers & KMOD_ALT) shift |= static_cast<TShiftState>(TShiftStateFlag::Alt);
    if (modifiers & KMOD_CTRL) shift |= static_cast<TShiftState>(TShiftStateFlag::Ctrl);
    return shift;
}
