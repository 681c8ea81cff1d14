// Pixels copied in and out of the visible screen whole, for the picture
// commands (*DISPLAY, *MDISPLAY, *SCREENSAVE).
#include <algorithm>
#include <mutex>

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

}  // namespace kov::vdu
