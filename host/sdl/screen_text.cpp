#include "host/sdl/screen_text.h"

namespace kov::host::sdl {

std::string screen_text(const uint8_t* map, int columns, int rows) {
    std::string text;
    if (!map || columns <= 0 || rows <= 0) return text;
    // The last byte that is not a blank ends the text.
    long last = static_cast<long>(columns) * rows - 1;
    while (last >= 0 && map[last] == ' ') --last;
    if (last < 0) return text;
    const int last_row = static_cast<int>(last / columns);
    for (int row = 0; row <= last_row; ++row) {
        const uint8_t* r = map + static_cast<long>(row) * columns;
        int length = columns;
        while (length > 0 && r[length - 1] == ' ') --length;
        text.append(reinterpret_cast<const char*>(r), static_cast<size_t>(length));
        text += "\r\n";
    }
    return text;
}

}  // namespace kov::host::sdl
