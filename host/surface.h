// The display surface as the core sees it: the text mirror (headless
// standard output), presentation of changed parts of the shadow bitmap,
// and the drawing lock held around every drawing operation.
#pragma once

#include <cstdint>
#include <mutex>

namespace kov::host {

class Surface {
public:
    virtual ~Surface() = default;
    // A character drawn at the text cursor (for the headless text mirror).
    virtual void mirror_char(uint8_t c) = 0;
    // A line feed at the text cursor.
    virtual void mirror_newline() = 0;
    // The rectangle (pixels) of the shadow bitmap that changed.
    virtual void present(int x, int y, int width, int height) = 0;
    // Held around drawing into the shadow bitmap and around copying it.
    std::mutex& drawing_lock() { return m_drawing_lock; }

private:
    std::mutex m_drawing_lock;
};

}  // namespace kov::host
