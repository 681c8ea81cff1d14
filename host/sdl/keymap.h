// Keys of the window as the engine's key codes. SDL reports keys (with
// the modifiers held) and, separately, the text they type; the key table
// gives codes to keys that type nothing, and characters arrive as their
// Windows-1252 codes. Also the virtual-key code of each physical key (for
// INKEY with a negative argument) and the wheel's notches.
#pragma once

#include <SDL_keycode.h>
#include <SDL_scancode.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kov::host::sdl {

// What one key press does.
struct KeyAction {
    int code = -1;          // the key code to store (-1: none)
    bool escape = false;    // the Escape key: the Escape condition (or 27 under *ESC OFF)
    bool close = false;     // Alt+F4: a close attempt as well as its code
    bool copy_text = false; // Ctrl+Tab: the screen text to the clipboard
};

// The key `key` pressed with the modifiers `mods` (SDL_Keymod bits).
// Keys that type a printable character give nothing here: their text
// arrives as text input (see text_codes).
KeyAction translate_key(SDL_Keycode key, uint16_t mods);

// True when text typed with `mods` held is dropped: Alt without Ctrl
// makes system keys, and Ctrl without Alt makes control characters (from
// the key table), so neither types text; AltGr or Ctrl+Alt does.
bool text_swallowed(uint16_t mods);

// The Windows-1252 codes of typed UTF-8 text; characters without a code
// are dropped.
std::string text_codes(std::string_view utf8);
// The code points of UTF-8 text; stray and cut-off bytes are skipped.
std::vector<uint32_t> code_points(std::string_view utf8);

// The virtual-key code of a physical key (0: none).
uint8_t virtual_key(SDL_Scancode scancode);

// The wheel: turns of 120 units per notch add up, and each whole notch
// is one key code, 0x8D away from the user and 0x8C towards the user.
class WheelAccumulator {
public:
    // Adds `delta` (positive away from the user) and returns the codes of
    // the whole notches now accumulated, in the order they are stored.
    std::string turn(int delta);
    int value() const { return m_value; }

private:
    int m_value = 0;
};

}  // namespace kov::host::sdl
