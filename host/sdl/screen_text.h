// The screen's text as the clipboard copy lays it out: each row of the
// character map up to the last row holding a character, its trailing
// blanks removed, followed by CR LF. An empty screen gives "".
#pragma once

#include <cstdint>
#include <string>

namespace kov::host::sdl {

// `map` is `columns` × `rows` bytes, row-major. The bytes are copied as
// they are (Windows-1252).
std::string screen_text(const uint8_t* map, int columns, int rows);

}  // namespace kov::host::sdl
