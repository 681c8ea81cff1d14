#include "host/sdl/keymap.h"

#include "os/loader.h"

namespace kov::host::sdl {

namespace {

// Codes of the keys that type nothing (plain column); Ctrl changes some.
constexpr int kHome = 0x82, kEnd = 0x83, kPageUp = 0x84, kPageDown = 0x85;
constexpr int kInsert = 0x86, kDelete = 0x87, kLeft = 0x88, kRight = 0x89, kDown = 0x8A, kUp = 0x8B;

// The editing and cursor keys, on the main block or on the keypad with
// Num Lock off; 0 for any other key.
int navigation_code(SDL_Keycode key, bool num_lock) {
    switch (key) {
        case SDLK_HOME: return kHome;
        case SDLK_END: return kEnd;
        case SDLK_PAGEUP: return kPageUp;
        case SDLK_PAGEDOWN: return kPageDown;
        case SDLK_INSERT: return kInsert;
        case SDLK_DELETE: return kDelete;
        case SDLK_LEFT: return kLeft;
        case SDLK_RIGHT: return kRight;
        case SDLK_DOWN: return kDown;
        case SDLK_UP: return kUp;
        default: break;
    }
    // With Num Lock on the keypad types digits (text input).
    if (num_lock) return 0;
    switch (key) {
        case SDLK_KP_7: return kHome;
        case SDLK_KP_1: return kEnd;
        case SDLK_KP_9: return kPageUp;
        case SDLK_KP_3: return kPageDown;
        case SDLK_KP_0: return kInsert;
        case SDLK_KP_PERIOD: return kDelete;
        case SDLK_KP_4: return kLeft;
        case SDLK_KP_6: return kRight;
        case SDLK_KP_2: return kDown;
        case SDLK_KP_8: return kUp;
        default: return 0;
    }
}

// F1..F16 as 0..15, -1 for any other key.
int function_key(SDL_Keycode key) {
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<int>(key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F16) return 12 + static_cast<int>(key - SDLK_F13);
    return -1;
}

// The control character Ctrl gives with a key that types a character
// (-1: none), as a US keyboard types them.
int control_character(SDL_Keycode key, bool shift) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<int>(key - SDLK_a) + 1;
    switch (key) {
        case SDLK_SPACE: return ' ';
        case SDLK_LEFTBRACKET: return 27;
        case SDLK_BACKSLASH: return 28;
        case SDLK_RIGHTBRACKET: return 29;
        case SDLK_6: return shift ? 30 : -1;       // Ctrl+^
        case SDLK_MINUS: return shift ? 31 : -1;   // Ctrl+_
        case SDLK_2: return shift ? 0 : -1;        // Ctrl+@
        default: return -1;
    }
}

}  // namespace

bool text_swallowed(uint16_t mods) { return !(mods & KMOD_ALT) != !(mods & KMOD_CTRL); }

KeyAction translate_key(SDL_Keycode key, uint16_t mods) {
    const bool shift = mods & KMOD_SHIFT;
    const bool ctrl = mods & KMOD_CTRL;
    // Alt without Ctrl makes system keys: only the function keys give codes.
    const bool alt = (mods & KMOD_ALT) && !(mods & KMOD_CTRL);
    KeyAction press;

    if (int f = function_key(key); f >= 0) {
        if (alt) {
            press.code = 0xC1 + f;
            press.close = f == 3;   // Alt+F4 closes the window (or raises ON CLOSE)
        } else if (f == 9) {
            // F10 is a system key even without Alt: Shift wins over Ctrl.
            press.code = shift ? 0xAA : ctrl ? 0xBA : 0x9A;
        } else {
            press.code = 0x91 + f + (shift ? 0x10 : 0) + (ctrl ? 0x20 : 0);
        }
        return press;
    }
    if (alt) return press;

    if (int code = navigation_code(key, mods & KMOD_NUM)) {
        if (ctrl && code >= kHome && code <= kPageDown) code += 0x1A;
        if (ctrl && (code == kLeft || code == kRight)) code -= 8;
        press.code = code;
        return press;
    }
    switch (key) {
        case SDLK_ESCAPE: press.escape = true; return press;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: press.code = ctrl ? 10 : 13; return press;
        case SDLK_BACKSPACE: press.code = ctrl ? 127 : 8; return press;
        case SDLK_TAB:
            if (ctrl && !shift) press.copy_text = true;
            else press.code = shift ? 0x9B : 9;
            return press;
        default: break;
    }
    if (ctrl) {
        int c = control_character(key, shift);
        if (c == 27) press.escape = true;   // Ctrl+[ is the Escape character
        else press.code = c;
    }
    return press;
}

std::vector<uint32_t> code_points(std::string_view utf8) {
    std::vector<uint32_t> out;
    size_t i = 0;
    while (i < utf8.size()) {
        const uint8_t b = static_cast<uint8_t>(utf8[i]);
        const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= utf8.size()) {
            ++i;   // a stray or cut-off byte: skipped
            continue;
        }
        uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const uint8_t c = static_cast<uint8_t>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        i += ok ? static_cast<size_t>(extra) + 1 : 1;
        if (ok) out.push_back(cp);
    }
    return out;
}

std::string text_codes(std::string_view utf8) {
    std::string out;
    for (uint32_t cp : code_points(utf8)) {
        // Control characters come from the key table, not as text.
        if (cp < 0x20 || cp == 0x7F) continue;
        int code = os::windows1252_from_unicode(cp);
        if (code >= 0) out.push_back(static_cast<char>(code));
    }
    return out;
}

uint8_t virtual_key(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return static_cast<uint8_t>('A' + (scancode - SDL_SCANCODE_A));
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return static_cast<uint8_t>('1' + (scancode - SDL_SCANCODE_1));
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return static_cast<uint8_t>(0x70 + (scancode - SDL_SCANCODE_F1));
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
        return static_cast<uint8_t>(0x7C + (scancode - SDL_SCANCODE_F13));
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
        return static_cast<uint8_t>(0x61 + (scancode - SDL_SCANCODE_KP_1));
    switch (scancode) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_RETURN: return 0x0D;
        case SDL_SCANCODE_ESCAPE: return 0x1B;
        case SDL_SCANCODE_BACKSPACE: return 0x08;
        case SDL_SCANCODE_TAB: return 0x09;
        case SDL_SCANCODE_SPACE: return 0x20;
        case SDL_SCANCODE_MINUS: return 0xBD;          // VK_OEM_MINUS
        case SDL_SCANCODE_EQUALS: return 0xBB;         // VK_OEM_PLUS
        case SDL_SCANCODE_LEFTBRACKET: return 0xDB;    // VK_OEM_4
        case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;   // VK_OEM_6
        case SDL_SCANCODE_BACKSLASH: return 0xDC;      // VK_OEM_5
        case SDL_SCANCODE_NONUSHASH: return 0xDE;      // VK_OEM_7 on a UK keyboard
        case SDL_SCANCODE_SEMICOLON: return 0xBA;      // VK_OEM_1
        case SDL_SCANCODE_APOSTROPHE: return 0xDE;     // VK_OEM_7
        case SDL_SCANCODE_GRAVE: return 0xC0;          // VK_OEM_3
        case SDL_SCANCODE_COMMA: return 0xBC;
        case SDL_SCANCODE_PERIOD: return 0xBE;
        case SDL_SCANCODE_SLASH: return 0xBF;          // VK_OEM_2
        case SDL_SCANCODE_NONUSBACKSLASH: return 0xE2; // VK_OEM_102
        case SDL_SCANCODE_CAPSLOCK: return 0x14;
        case SDL_SCANCODE_PRINTSCREEN: return 0x2C;
        case SDL_SCANCODE_SCROLLLOCK: return 0x91;
        case SDL_SCANCODE_PAUSE: return 0x13;
        case SDL_SCANCODE_INSERT: return 0x2D;
        case SDL_SCANCODE_HOME: return 0x24;
        case SDL_SCANCODE_PAGEUP: return 0x21;
        case SDL_SCANCODE_DELETE: return 0x2E;
        case SDL_SCANCODE_END: return 0x23;
        case SDL_SCANCODE_PAGEDOWN: return 0x22;
        case SDL_SCANCODE_RIGHT: return 0x27;
        case SDL_SCANCODE_LEFT: return 0x25;
        case SDL_SCANCODE_DOWN: return 0x28;
        case SDL_SCANCODE_UP: return 0x26;
        case SDL_SCANCODE_NUMLOCKCLEAR: return 0x90;
        case SDL_SCANCODE_KP_DIVIDE: return 0x6F;
        case SDL_SCANCODE_KP_MULTIPLY: return 0x6A;
        case SDL_SCANCODE_KP_MINUS: return 0x6D;
        case SDL_SCANCODE_KP_PLUS: return 0x6B;
        case SDL_SCANCODE_KP_ENTER: return 0x0D;
        case SDL_SCANCODE_KP_0: return 0x60;
        case SDL_SCANCODE_KP_PERIOD: return 0x6E;
        case SDL_SCANCODE_APPLICATION: return 0x5D;
        case SDL_SCANCODE_LCTRL: return 0xA2;
        case SDL_SCANCODE_LSHIFT: return 0xA0;
        case SDL_SCANCODE_LALT: return 0xA4;
        case SDL_SCANCODE_LGUI: return 0x5B;
        case SDL_SCANCODE_RCTRL: return 0xA3;
        case SDL_SCANCODE_RSHIFT: return 0xA1;
        case SDL_SCANCODE_RALT: return 0xA5;
        case SDL_SCANCODE_RGUI: return 0x5C;
        default: return 0;
    }
}

std::string WheelAccumulator::turn(int delta) {
    std::string codes;
    m_value += delta;
    while (m_value > 119) {
        codes.push_back(static_cast<char>(0x8D));
        m_value -= 120;
    }
    while (m_value < -119) {
        codes.push_back(static_cast<char>(0x8C));
        m_value += 120;
    }
    return codes;
}

}  // namespace kov::host::sdl
