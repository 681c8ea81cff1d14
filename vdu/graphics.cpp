// The graphics state the text side needs: the graphics window, origin and
// cursors, the reset of windows (VDU 26), CLG, and PLOT's movement of the
// graphics cursor. The drawing PLOT codes are the rasteriser's.
#include <algorithm>

#include "vdu/vdu.h"

namespace kov::vdu {

void Vdu::fill_rect(host::Rect r, uint32_t colour, uint8_t mix) {
    if (mix == rop::Copy) {
        fill(r, colour);
        return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* p = row_ptr(y);
        for (int x = r.left; x < r.right; ++x) p[x] = rop2(mix, colour, p[x]);
    }
}

void Vdu::graphics_window(int16_t l, int16_t b, int16_t r, int16_t t) {
    const int64_t ox = get32(blk::OriginX), oy = get32(blk::OriginY), h = get32(blk::ClientH);
    int64_t left = (l + ox) >> 1, right = ((r + ox) >> 1) + 1;
    int64_t top = h - 1 - ((t + oy) >> 1), bottom = h - 1 - ((b + oy) >> 1) + 1;
    if (!(0 <= left && left < right && right <= get32(blk::ClientW) && 0 <= top && top < bottom && bottom <= h)) return;
    m_gwin = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
}

// The reset of VDU 26 and MODE: text cursor, windows, origin, graphics
// cursor (bottom-left pixel), then the text cursor homed.
void Vdu::reset_windows(bool) {
    // The client size is the MODE's: the surface reports no user resizing.
    const int32_t w = get32(blk::ClientW), h = get32(blk::ClientH);
    set32(blk::CurX, 0);
    set32(blk::CurY, 0);
    set32(blk::TwLeft, 0);
    set32(blk::TwRight, w);
    set32(blk::TwTop, 0);
    set32(blk::TwBottom, h);
    set32(blk::OriginX, 0);
    set32(blk::OriginY, 0);
    set32(blk::GCurX, 0);
    set32(blk::GCurY, h - 1);
    set32(blk::GPrevX, 0);
    set32(blk::GPrevY, h - 1);
    m_gwin = clip_to_bitmap(0, 0, w, h);
    set32(blk::GwinHandle, 1);
}

void Vdu::clear_graphics() {
    if (m_s[blk::Mode] == 7) return;
    std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
    fill_rect(m_gwin, m_palette[m_s[blk::BgCol] & 15], m_s[blk::BgMix]);
    present(m_gwin);
}

// PLOT k,x,y: the point is absolute (k bit 2) in graphics units through
// the origin, or relative to the graphics cursor; the cursor moves there.
void Vdu::plot(uint8_t k, int16_t x, int16_t y) {
    int64_t px, py;
    if (k & 4) {
        px = (x + int64_t{get32(blk::OriginX)}) >> 1;
        py = get32(blk::ClientH) - 1 - ((y + int64_t{get32(blk::OriginY)}) >> 1);
    } else {
        px = get32(blk::GCurX) + (x >> 1);
        py = get32(blk::GCurY) - (y >> 1);
    }
    set32(blk::GPrevX, get32(blk::GCurX));
    set32(blk::GPrevY, get32(blk::GCurY));
    set32(blk::GCurX, static_cast<int32_t>(px));
    set32(blk::GCurY, static_cast<int32_t>(py));
}

}  // namespace kov::vdu
