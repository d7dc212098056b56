#include "platform/key_codes.h"

namespace {

uint16_t Offset(uint16_t first, int distance) { return static_cast<uint16_t>(first + distance); }

// Keys known by what the layout makes of them.
uint16_t NamedKey(SDL_Keycode symbol) {
    if (symbol >= SDLK_F1 && symbol <= SDLK_F12) return Offset(VK_F1, symbol - SDLK_F1);
    if (symbol >= SDLK_F13 && symbol <= SDLK_F24) return Offset(VK_F1 + 12, symbol - SDLK_F13);
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
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION:
    case SDLK_MENU: return VK_APPS;
    case SDLK_SELECT: return VK_SELECT;
    case SDLK_EXECUTE: return VK_EXECUTE;
    case SDLK_HELP: return VK_HELP;
    case SDLK_CLEAR: return VK_CLEAR;
    case SDLK_SLEEP: return VK_SLEEP;
    case SDLK_AC_BACK: return VK_BROWSER_BACK;
    case SDLK_AC_FORWARD: return VK_BROWSER_FORWARD;
    case SDLK_AC_REFRESH: return VK_BROWSER_REFRESH;
    case SDLK_AC_STOP: return VK_BROWSER_STOP;
    case SDLK_AC_SEARCH: return VK_BROWSER_SEARCH;
    case SDLK_AC_BOOKMARKS: return VK_BROWSER_FAVORITES;
    case SDLK_AC_HOME: return VK_BROWSER_HOME;
    case SDLK_MUTE:
    case SDLK_AUDIOMUTE: return VK_VOLUME_MUTE;
    case SDLK_VOLUMEDOWN: return VK_VOLUME_DOWN;
    case SDLK_VOLUMEUP: return VK_VOLUME_UP;
    case SDLK_AUDIONEXT: return VK_MEDIA_NEXT_TRACK;
    case SDLK_AUDIOPREV: return VK_MEDIA_PREV_TRACK;
    case SDLK_AUDIOSTOP: return VK_MEDIA_STOP;
    case SDLK_AUDIOPLAY: return VK_MEDIA_PLAY_PAUSE;
    case SDLK_MAIL: return VK_LAUNCH_MAIL;
    case SDLK_MEDIASELECT: return VK_LAUNCH_MEDIA_SELECT;
    case SDLK_APP1: return VK_LAUNCH_APP1;
    case SDLK_APP2: return VK_LAUNCH_APP2;
    default: return 0;
    }
}

// Keys known by where they are. The keypad gives its digits while num lock
// is on and the cursor keys it is marked with while it is off.
uint16_t KeyAtPlace(SDL_Scancode place, bool numLock) {
    if (place >= SDL_SCANCODE_1 && place <= SDL_SCANCODE_9) return Offset(VK_1, place - SDL_SCANCODE_1);
    if (place >= SDL_SCANCODE_KP_1 && place <= SDL_SCANCODE_KP_9) {
        if (numLock) return Offset(VK_NUMPAD0 + 1, place - SDL_SCANCODE_KP_1);
        static constexpr uint16_t unlocked[] = {VK_END,  VK_DOWN, VK_NEXT,  // 1 2 3
                                                VK_LEFT, VK_CLEAR, VK_RIGHT,  // 4 5 6
                                                VK_HOME, VK_UP,   VK_PRIOR};  // 7 8 9
        return unlocked[place - SDL_SCANCODE_KP_1];
    }
    switch (place) {
    case SDL_SCANCODE_0: return VK_0;
    case SDL_SCANCODE_KP_0: return numLock ? VK_NUMPAD0 : VK_INSERT;
    case SDL_SCANCODE_KP_PERIOD: return numLock ? VK_DECIMAL : VK_DELETE;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_KP_COMMA: return VK_SEPARATOR;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH:
    case SDL_SCANCODE_NONUSHASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
    }
}

}  // namespace

uint16_t VirtualKeyFromSdl(const SDL_Keysym& key) {
    if (key.sym >= SDLK_a && key.sym <= SDLK_z) return Offset(VK_A, key.sym - SDLK_a);
    if (key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z)
        return Offset(VK_A, key.scancode - SDL_SCANCODE_A);
    if (const uint16_t named = NamedKey(key.sym)) return named;
    return KeyAtPlace(key.scancode, (key.mod & KMOD_NUM) != 0);
}

TShiftState ShiftStateFromSdl(uint16_t modifiers) {
    TShiftState shift = 0;
    if (modifiers & KMOD_SHIFT) shift |= static_cast<TShiftState>(TShiftStateFlag::Shift);
    if (modifiers & KMOD_ALT) shift |= static_cast<TShiftState>(TShiftStateFlag::Alt);
    if (modifiers & KMOD_CTRL) shift |= static_cast<TShiftState>(TShiftStateFlag::Ctrl);
    return shift;
}
