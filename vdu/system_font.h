// The 8x16 system font compiled into the engine (see gen_system_font.py).
#pragma once

#include <cstdint>

namespace kov::vdu {

extern const uint8_t kSystemFont[256][16];     // Windows-1252
extern const uint8_t kSystemFontOem[256][16];  // code page 437
// Unicode code points of the two character sets (0: none).
extern const uint16_t kUnicode1252[256];
extern const uint16_t kUnicode437[256];

}  // namespace kov::vdu
