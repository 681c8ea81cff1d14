// The window's key translation, the wheel accumulator and the layout of
// the screen text copied to the clipboard.
#ifdef KOV_HAVE_SDL
#include <gtest/gtest.h>

#include <string>

#include "host/sdl/keymap.h"
#include "host/sdl/screen_text.h"

namespace kov::host::sdl {
namespace {

int code(SDL_Keycode key, uint16_t mods = KMOD_NONE) { return translate_key(key, mods).code; }

TEST(SdlKeys, NavigationKeysWithShiftAndCtrl) {
    EXPECT_EQ(code(SDLK_HOME), 0x82);
    EXPECT_EQ(code(SDLK_HOME, KMOD_LSHIFT), 0x82);
    EXPECT_EQ(code(SDLK_HOME, KMOD_LCTRL), 0x9C);
    EXPECT_EQ(code(SDLK_PAGEDOWN, KMOD_RCTRL | KMOD_LSHIFT), 0x9F);
    EXPECT_EQ(code(SDLK_INSERT, KMOD_LCTRL), 0x86);
    EXPECT_EQ(code(SDLK_LEFT, KMOD_LCTRL), 0x80);
    EXPECT_EQ(code(SDLK_RIGHT, KMOD_LCTRL), 0x81);
    EXPECT_EQ(code(SDLK_UP, KMOD_LCTRL), 0x8B);
    // The keypad moves the cursor with Num Lock off and types digits (text) with it on.
    EXPECT_EQ(code(SDLK_KP_7), 0x82);
    EXPECT_EQ(code(SDLK_KP_7, KMOD_NUM), -1);
}

TEST(SdlKeys, FunctionKeysAndTheirModifiers) {
    EXPECT_EQ(code(SDLK_F1), 0x91);
    EXPECT_EQ(code(SDLK_F1, KMOD_LSHIFT), 0xA1);
    EXPECT_EQ(code(SDLK_F1, KMOD_LCTRL), 0xB1);
    EXPECT_EQ(code(SDLK_F1, KMOD_LCTRL | KMOD_LSHIFT), 0xC1);
    EXPECT_EQ(code(SDLK_F1, KMOD_LALT), 0xC1);
    EXPECT_EQ(code(SDLK_F12), 0x9C);
    EXPECT_EQ(code(SDLK_F16), 0xA0);
    EXPECT_EQ(code(SDLK_F10), 0x9A);
    EXPECT_EQ(code(SDLK_F10, KMOD_LSHIFT | KMOD_LCTRL), 0xAA);
    EXPECT_EQ(code(SDLK_F10, KMOD_LCTRL), 0xBA);
    const KeyAction alt_f4 = translate_key(SDLK_F4, KMOD_LALT);
    EXPECT_EQ(alt_f4.code, 0xC4);
    EXPECT_TRUE(alt_f4.close);
    EXPECT_FALSE(translate_key(SDLK_F4, KMOD_NONE).close);
}

TEST(SdlKeys, EditingKeysEscapeAndTab) {
    EXPECT_EQ(code(SDLK_RETURN), 13);
    EXPECT_EQ(code(SDLK_RETURN, KMOD_LCTRL), 10);
    EXPECT_EQ(code(SDLK_BACKSPACE), 8);
    EXPECT_EQ(code(SDLK_TAB), 9);
    EXPECT_EQ(code(SDLK_TAB, KMOD_LSHIFT), 0x9B);
    const KeyAction copy = translate_key(SDLK_TAB, KMOD_LCTRL);
    EXPECT_TRUE(copy.copy_text);
    EXPECT_EQ(copy.code, -1);
    EXPECT_TRUE(translate_key(SDLK_ESCAPE, KMOD_NONE).escape);
    EXPECT_TRUE(translate_key(SDLK_LEFTBRACKET, KMOD_LCTRL).escape);
    EXPECT_EQ(code(SDLK_a, KMOD_LCTRL), 1);
    EXPECT_EQ(code(SDLK_z, KMOD_LCTRL), 26);
    // A printable key types its character as text, not through the table.
    EXPECT_EQ(code(SDLK_a), -1);
    // Alt with anything but a function key is swallowed.
    EXPECT_EQ(code(SDLK_LEFT, KMOD_LALT), -1);
}

TEST(SdlKeys, TypedTextAndItsModifiers) {
    EXPECT_EQ(text_codes("a\xC3\xA9\xE2\x82\xAC"), "a\xE9\x80");   // é and the euro sign
    EXPECT_EQ(text_codes("\xE2\x98\x83" "b"), "b");                 // no code: dropped
    EXPECT_EQ(text_codes("\t\x7F"), "");
    EXPECT_TRUE(text_swallowed(KMOD_LCTRL));
    EXPECT_TRUE(text_swallowed(KMOD_LALT));
    EXPECT_FALSE(text_swallowed(KMOD_LCTRL | KMOD_RALT));   // AltGr types
    EXPECT_FALSE(text_swallowed(KMOD_LSHIFT));
}

TEST(SdlKeys, WheelNotchesAccumulate) {
    WheelAccumulator wheel;
    EXPECT_EQ(wheel.turn(60), "");
    EXPECT_EQ(wheel.turn(60), "\x8D");
    EXPECT_EQ(wheel.value(), 0);
    EXPECT_EQ(wheel.turn(-250), "\x8C\x8C");
    EXPECT_EQ(wheel.value(), -10);
    EXPECT_EQ(wheel.turn(370), "\x8D\x8D\x8D");
}

TEST(SdlKeys, VirtualKeysOfPhysicalKeys) {
    EXPECT_EQ(virtual_key(SDL_SCANCODE_A), 'A');
    EXPECT_EQ(virtual_key(SDL_SCANCODE_0), '0');
    EXPECT_EQ(virtual_key(SDL_SCANCODE_F1), 0x70);
    EXPECT_EQ(virtual_key(SDL_SCANCODE_F13), 0x7C);
    EXPECT_EQ(virtual_key(SDL_SCANCODE_LSHIFT), 0xA0);
    EXPECT_EQ(virtual_key(SDL_SCANCODE_KP_5), 0x65);
}

TEST(ScreenText, LayoutOfTheCopiedText) {
    const int columns = 6, rows = 4;
    std::string map(columns * rows, ' ');
    EXPECT_EQ(screen_text(reinterpret_cast<const uint8_t*>(map.data()), columns, rows), "");
    map.replace(0, 3, "ab ");
    EXPECT_EQ(screen_text(reinterpret_cast<const uint8_t*>(map.data()), columns, rows), "ab\r\n");
    // A blank row inside is an empty line; the rows below the last text are not copied.
    map.replace(2 * columns, columns, " \xE9   x");
    EXPECT_EQ(screen_text(reinterpret_cast<const uint8_t*>(map.data()), columns, rows), "ab\r\n\r\n \xE9   x\r\n");
    // The bottom-right cell counts.
    map[columns * rows - 1] = '!';
    EXPECT_EQ(screen_text(reinterpret_cast<const uint8_t*>(map.data()), columns, rows),
              "ab\r\n\r\n \xE9   x\r\n     !\r\n");
}

}  // namespace
}  // namespace kov::host::sdl
#endif
