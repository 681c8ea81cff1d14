// Pixels copied in and out of the visible screen whole, for the picture
// commands (*DISPLAY, *MDISPLAY, *SCREENSAVE), and text drawn for native
// drawing calls.
#include <algorithm>
#include <mutex>

#include "vdu/system_font.h"
#include "vdu/vdu.h"

namespace kov::vdu {

// The client size comes from the state block, which the program may poke:
// it is clamped to the shadow bitmap.
int Vdu::screen_width() const { return std::clamp<int32_t>(get32(blk::ClientW), 1, host::kShadowWidth); }
int Vdu::screen_height() const { return std::clamp<int32_t>(get32(blk::ClientH), 1, host::kShadowHeight); }

void Vdu::put_pixels(int left, int top, int w, int h, const uint32_t* rgb) {
    const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{left} + w, screen_width());
    const int64_t y1 = std::min<int64_t>(int64_t{top} + h, screen_height());
    if (x0 >= x1 || y0 >= y1) return;
    std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
    for (int64_t y = y0; y < y1; ++y) {
        const uint32_t* src = rgb + (y - top) * int64_t{w} + (x0 - left);
        uint32_t* dst = row_ptr(static_cast<int>(y)) + x0;
        for (int64_t x = x0; x < x1; ++x) *dst++ = *src++ & 0xFFFFFF;
    }
    present({static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1)});
}

void Vdu::get_pixels(int left, int top, int w, int h, uint32_t* rgb) {
    const int sw = screen_width(), sh = screen_height();
    std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
    for (int y = 0; y < h; ++y) {
        const int64_t sy = int64_t{top} + y;
        for (int x = 0; x < w; ++x) {
            const int64_t sx = int64_t{left} + x;
            rgb[static_cast<size_t>(y) * w + x] =
                (sx >= 0 && sy >= 0 && sx < sw && sy < sh) ? row_ptr(static_cast<int>(sy))[sx] : 0;
        }
    }
}

// A glyph's advance in native text: its own width in a proportional font,
// the font's cell width otherwise.
static int glyph_advance(const int* advance, bool system, int average, uint8_t c) {
    if (system) return 8;
    return advance[c] > 0 ? advance[c] : average;
}

void Vdu::native_text_size(std::string_view text, int64_t& width, int& height) const {
    width = 0;
    for (unsigned char c : text) width += glyph_advance(m_glyphs.advance, m_glyphs.system, m_glyphs.average, c);
    height = m_glyphs.system ? 16 : m_glyphs.glyph_h;
}

int64_t Vdu::native_text(int64_t x, int64_t y, std::string_view text, uint32_t fg, uint32_t bg, bool opaque) {
    const int gh = m_glyphs.system ? 16 : m_glyphs.glyph_h;
    const int64_t start = x;
    int64_t left = INT64_MAX, right = INT64_MIN;
    for (unsigned char c : text) {
        const int adv = glyph_advance(m_glyphs.advance, m_glyphs.system, m_glyphs.average, c);
        const host::Rect box = clip_to_bitmap(x, y, x + adv, y + gh);
        if (!box.empty()) {
            const uint8_t* rows = m_glyphs.oem ? kSystemFontOem[c] : kSystemFont[c];
            const int gw = m_glyphs.glyph_w;
            const uint8_t* mask = m_glyphs.masks.data() + static_cast<size_t>(c) * gw * m_glyphs.glyph_h;
            for (int yy = box.top; yy < box.bottom; ++yy) {
                const int64_t gy = yy - y;
                uint32_t* p = row_ptr(yy);
                for (int xx = box.left; xx < box.right; ++xx) {
                    const int64_t gx = xx - x;
                    const bool on = m_glyphs.system ? (rows[gy] & (0x80 >> gx)) != 0
                                                    : gx < gw && mask[gy * gw + gx] != 0;
                    if (on) p[xx] = fg;
                    else if (opaque) p[xx] = bg;
                }
            }
            left = std::min<int64_t>(left, box.left);
            right = std::max<int64_t>(right, box.right);
        }
        x += adv;
    }
    if (left < right) {
        const host::Rect shown = clip_to_bitmap(left, y, right, y + gh);
        present(shown);
    }
    return x - start;
}

}  // namespace kov::vdu
