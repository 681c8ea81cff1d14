// The display surface as the core sees it: the text mirror (headless
// standard output), the presentation of changed parts of the shadow
// bitmap, the client size, the caret, and the drawing lock.
//
// The core owns the shadow bitmap: kShadowWidth × kShadowHeight pixels of
// 32 bits, 0x00RRGGBB (in memory B, G, R, 0: SDL_PIXELFORMAT_RGB888 /
// XRGB8888), row stride kShadowWidth pixels, top row first. The VDU hands
// it over with attach() before drawing, and it lives as long as the VDU.
// A surface (window or headless) only reads it, and only while holding
// drawing_lock().
//
// The interpreter thread draws while holding drawing_lock(), then calls
// present() (still holding it) with the rectangle it changed; a window
// unions these rectangles and, at its next frame, takes the lock, copies
// that part to its texture and resets the union. set_client_size() and
// set_caret() are called with the lock held too. The lock is never held
// across a wait.
#pragma once

#include <cstdint>
#include <mutex>

namespace kov::host {

constexpr int kShadowWidth = 1600;
constexpr int kShadowHeight = 1200;
// The character map: one byte per character cell, row-major, 0x20 for an
// empty cell. The VDU owns and writes it; a window only reads it (the
// clipboard copy of the screen text).
constexpr int kCharMapColumns = 200;
constexpr int kCharMapRows = 150;

// A rectangle of pixels: left and top inclusive, right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    void unite(const Rect& r) {
        if (r.empty()) return;
        if (empty()) { *this = r; return; }
        if (r.left < left) left = r.left;
        if (r.top < top) top = r.top;
        if (r.right > right) right = r.right;
        if (r.bottom > bottom) bottom = r.bottom;
    }
};

// The text caret: a bar of `width` × `height` pixels with its top-left at
// (x, y) of the client area, inverted over what lies beneath, shown only
// when `visible` (a window blinks it).
struct Caret {
    int x = 0, y = 0, width = 8, height = 2;
    bool visible = false;
};

class Surface {
public:
    virtual ~Surface() = default;
    // A character drawn at the text cursor (for the headless text mirror).
    virtual void mirror_char(uint8_t c) = 0;
    // A line feed at the text cursor.
    virtual void mirror_newline() = 0;
    // Called once before any drawing with the core's shadow bitmap.
    virtual void attach(const uint32_t* pixels) { m_pixels = pixels; }
    // Called once with the core's character map (kCharMapColumns × kCharMapRows).
    void attach_char_map(const uint8_t* map) { m_char_map = map; }
    // The rectangle (pixels) of the shadow bitmap that changed.
    virtual void present(int x, int y, int width, int height) = 0;
    // The client area is now `width` × `height` pixels (MODE changes).
    virtual void set_client_size(int, int) {}
    // The caret's shape, position or visibility changed.
    virtual void set_caret(const Caret&) {}

    const uint32_t* pixels() const { return m_pixels; }
    const uint8_t* char_map() const { return m_char_map; }
    // Held around drawing into the shadow bitmap and around copying it.
    std::mutex& drawing_lock() { return m_drawing_lock; }

protected:
    const uint32_t* m_pixels = nullptr;
    const uint8_t* m_char_map = nullptr;

private:
    std::mutex m_drawing_lock;
};

// No window and no mirror: remembers what a window would have been told
// (tests read it).
class HeadlessSurface : public Surface {
public:
    void mirror_char(uint8_t) override {}
    void mirror_newline() override {}
    void present(int x, int y, int width, int height) override { m_dirty.unite({x, y, x + width, y + height}); }
    void set_client_size(int width, int height) override { m_width = width; m_height = height; }
    void set_caret(const Caret& caret) override { m_caret = caret; }

    Rect take_dirty() { Rect r = m_dirty; m_dirty = Rect{}; return r; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    const Caret& caret() const { return m_caret; }

private:
    Rect m_dirty;
    int m_width = 0, m_height = 0;
    Caret m_caret;
};

}  // namespace kov::host
