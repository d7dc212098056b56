// Virtual-key codes from what SDL reports of a key: the symbol the active
// layout gives it and its place on the keyboard.
#include <gtest/gtest.h>

#include "platform/key_codes.h"

namespace {

SDL_Keysym Keysym(SDL_Scancode place, SDL_Keycode symbol, uint16_t modifiers = KMOD_NONE) {
    SDL_Keysym key{};
    key.scancode = place;
    key.sym = symbol;
    key.mod = modifiers;
    return key;
}

TEST(VirtualKeyFromSdlTest, LettersFollowTheLayoutWhereItTypesOneAndTheUsPlaceElsewhere) {
    struct Case {
        const char* what;
        SDL_Scancode place;
        SDL_Keycode symbol;
        uint16_t key;
    };
    const Case cases[] = {
        {"US W", SDL_SCANCODE_W, SDLK_w, 'W'},
        {"AZERTY: the key at W's place types z", SDL_SCANCODE_W, SDLK_z, 'Z'},
        {"AZERTY: the key marked W, at Z's place", SDL_SCANCODE_Z, SDLK_w, 'W'},
        {"AZERTY: m at the US semicolon's place", SDL_SCANCODE_SEMICOLON, SDLK_m, 'M'},
        {"AZERTY: the comma at the US M's place", SDL_SCANCODE_M, SDLK_COMMA, 'M'},
        {"Russian: tse at W's place", SDL_SCANCODE_W, 0x446, 'W'},
        {"Russian: zhe at the semicolon's place", SDL_SCANCODE_SEMICOLON, 0x436, VK_OEM_1},
        {"Greek: final sigma at W's place", SDL_SCANCODE_W, 0x3C2, 'W'},
        {"Greek: the semicolon at Q's place", SDL_SCANCODE_Q, SDLK_SEMICOLON, 'Q'},
        {"Hebrew: qof at E's place", SDL_SCANCODE_E, 0x5E7, 'E'},
        {"Arabic: sad at W's place", SDL_SCANCODE_W, 0x635, 'W'},
        {"Dvorak: the key at S's place types o", SDL_SCANCODE_S, SDLK_o, 'O'},
    };
    for (const Case& c : cases) EXPECT_EQ(VirtualKeyFromSdl(Keysym(c.place, c.symbol)), c.key) << c.what;
}

TEST(VirtualKeyFromSdlTest, EveryOtherKeyHasItsCode) {
    struct Case {
        SDL_Scancode place;
        SDL_Keycode symbol;
        uint16_t modifiers;
        uint16_t key;
    };
    const Case cases[] = {
        // Named by the layout, so a remapped key acts as what it says.
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE, VK_ESCAPE},
        {SDL_SCANCODE_CAPSLOCK, SDLK_ESCAPE, KMOD_NONE, VK_ESCAPE},
        {SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_NONE, VK_INSERT},
        {SDL_SCANCODE_DELETE, SDLK_DELETE, KMOD_NONE, VK_DELETE},
        {SDL_SCANCODE_HOME, SDLK_HOME, KMOD_NONE, VK_HOME},
        {SDL_SCANCODE_END, SDLK_END, KMOD_NONE, VK_END},
        {SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, KMOD_NONE, VK_PRIOR},
        {SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, KMOD_NONE, VK_NEXT},
        {SDL_SCANCODE_F12, SDLK_F12, KMOD_NONE, 0x7B},
        {SDL_SCANCODE_F13, SDLK_F13, KMOD_NONE, 0x7C},
        {SDL_SCANCODE_F24, SDLK_F24, KMOD_NONE, 0x87},
        {SDL_SCANCODE_PAUSE, SDLK_PAUSE, KMOD_NONE, VK_PAUSE},
        {SDL_SCANCODE_PRINTSCREEN, SDLK_PRINTSCREEN, KMOD_NONE, VK_SNAPSHOT},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_NONE, VK_SHIFT},
        {SDL_SCANCODE_RALT, SDLK_RALT, KMOD_NONE, VK_MENU},
        {SDL_SCANCODE_LGUI, SDLK_LGUI, KMOD_NONE, VK_LWIN},
        {SDL_SCANCODE_APPLICATION, SDLK_APPLICATION, KMOD_NONE, VK_APPS},
        {SDL_SCANCODE_VOLUMEUP, SDLK_VOLUMEUP, KMOD_NONE, VK_VOLUME_UP},
        // By place: digits (AZERTY types symbols there), punctuation.
        {SDL_SCANCODE_1, SDLK_AMPERSAND, KMOD_NONE, '1'},
        {SDL_SCANCODE_0, SDLK_0, KMOD_NONE, '0'},
        {SDL_SCANCODE_MINUS, SDLK_RIGHTPAREN, KMOD_NONE, VK_OEM_MINUS},
        {SDL_SCANCODE_EQUALS, SDLK_EQUALS, KMOD_NONE, VK_OEM_PLUS},
        {SDL_SCANCODE_LEFTBRACKET, 0xE8, KMOD_NONE, VK_OEM_4},
        {SDL_SCANCODE_RIGHTBRACKET, SDLK_RIGHTBRACKET, KMOD_NONE, VK_OEM_6},
        {SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH, KMOD_NONE, VK_OEM_5},
        {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, KMOD_NONE, VK_OEM_7},
        {SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, KMOD_NONE, VK_OEM_3},
        {SDL_SCANCODE_COMMA, SDLK_COMMA, KMOD_NONE, VK_OEM_COMMA},
        {SDL_SCANCODE_PERIOD, SDLK_PERIOD, KMOD_NONE, VK_OEM_PERIOD},
        {SDL_SCANCODE_SLASH, SDLK_SLASH, KMOD_NONE, VK_OEM_2},
        {SDL_SCANCODE_NONUSBACKSLASH, SDLK_LESS, KMOD_NONE, VK_OEM_102},
        // The keypad: digits with num lock, the cursor keys without.
        {SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_NUM, VK_NUMPAD0},
        {SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM, VK_NUMPAD0 + 7},
        {SDL_SCANCODE_KP_9, SDLK_KP_9, KMOD_NUM, VK_NUMPAD0 + 9},
        {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, KMOD_NUM, VK_DECIMAL},
        {SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_NONE, VK_INSERT},
        {SDL_SCANCODE_KP_1, SDLK_KP_1, KMOD_NONE, VK_END},
        {SDL_SCANCODE_KP_5, SDLK_KP_5, KMOD_NONE, VK_CLEAR},
        {SDL_SCANCODE_KP_9, SDLK_KP_9, KMOD_NONE, VK_PRIOR},
        {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, KMOD_NONE, VK_DELETE},
        {SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, KMOD_NONE, VK_DIVIDE},
        {SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY, KMOD_NONE, VK_MULTIPLY},
        {SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, KMOD_NONE, VK_SUBTRACT},
        {SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, KMOD_NONE, VK_ADD},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NONE, VK_RETURN},
        // No code: the key is not delivered.
        {SDL_SCANCODE_EJECT, SDLK_EJECT, KMOD_NONE, 0},
        {SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, KMOD_NONE, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromSdl(Keysym(c.place, c.symbol, c.modifiers)), c.key)
            << SDL_GetScancodeName(c.place) << " / " << c.symbol;
}

}  // namespace
