// The Windows functions that programs commonly call through SYS, as this
// platform provides them (interp/sys_windows.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kov::interp {

class Interp;

struct WinFunction {
    const char* name;
    uint8_t args;   // 32-bit arguments it removes from the stack
    uint32_t (*fn)(Interp& in, const uint32_t* args);
    bool changes_files = false;   // left out of sandboxed runs
};

// The table, in lookup order.
const WinFunction* windows_functions(size_t& count);

// What the screen can tell machine code: the character at the text
// cursor (OSBYTE 135) and a character's 8-byte pattern (OSWORD 10).
uint8_t character_at_cursor(Interp& in);
void character_pattern(Interp& in, uint8_t code, uint8_t out[8]);

}  // namespace kov::interp
