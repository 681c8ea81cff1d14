// Graphics: the graphics window (VDU 24), the reset of windows and origin
// (VDU 26), CLG, POINT and TINT, and PLOT (VDU 25) with every group of
// shapes drawn by the rasteriser into the shadow bitmap.
#include <algorithm>
#include <cstring>
#include <vector>

#include "vdu/raster.h"
#include "vdu/vdu.h"

namespace kov::vdu {

using host::Rect;

namespace {
using Lock = std::lock_guard<std::mutex>;

// The radius of a circle through b centred on a: the pixel distance
// rounded down to an even number, by a bit-by-bit square root of the
// 32-bit squared distance divided by 4 (15 rounds of two bits).
int64_t radius(Point a, Point b) {
    const uint32_t dx = static_cast<uint32_t>(b.x - a.x), dy = static_cast<uint32_t>(b.y - a.y);
    uint32_t d = (dx * dx + dy * dy) >> 2;
    uint32_t root = 0, bit = 1u << 28;
    for (int i = 0; i < 15; ++i, bit >>= 2) {
        if (d >= root + bit) {
            d -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
    }
    return 2 * int64_t{root};
}

// The bounding box of some points, one pixel more to the right and down.
Rect bounds(std::initializer_list<Point> pts) {
    int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, b = INT64_MIN;
    for (const Point& p : pts) {
        l = std::min(l, p.x);
        t = std::min(t, p.y);
        r = std::max(r, p.x);
        b = std::max(b, p.y);
    }
    auto c = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -1, 1 << 20)); };
    return {c(l), c(t), c(r + 2), c(b + 2)};
}

Rect intersect(Rect a, const Rect& b) {
    a = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return a.empty() ? Rect{} : a;
}

// Pen styles of the line groups by k / 16.
constexpr PenStyle kLineStyles[4] = {PenStyle::Solid, PenStyle::Dot, PenStyle::Dash, PenStyle::DashDot};
// Start and end of a complete ellipse drawn as an arc.
constexpr Point kWholeArc{32767, 32767};
}  // namespace

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
    m_gwin = clip_to_bitmap(left, top, right, bottom);
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

// CLG: the graphics window in the background colour; with a mix other
// than copy it is drawn as a pen-less rectangle, one pixel smaller to the
// right and at the bottom.
void Vdu::clear_graphics() {
    if (m_s[blk::Mode] == 7) return;
    Lock hold(m_surface.drawing_lock());
    const uint8_t mix = m_s[blk::BgMix];
    Rect r = m_gwin;
    if (mix != rop::Copy) {
        --r.right;
        --r.bottom;
        if (r.empty()) return;
    }
    fill_rect(r, m_palette[m_s[blk::BgCol] & 15], mix);
    present(m_gwin);
}

int32_t Vdu::read_point(int32_t x, int32_t y, bool rgb) const {
    const int64_t px = (int64_t{x} + get32(blk::OriginX)) >> 1;
    const int64_t py = int64_t{get32(blk::ClientH)} - 1 - ((int64_t{y} + get32(blk::OriginY)) >> 1);
    if (px < m_gwin.left || px >= m_gwin.right || py < m_gwin.top || py >= m_gwin.bottom) return -1;
    const uint32_t v = pixel(static_cast<int>(px), static_cast<int>(py)) & 0xFFFFFF;
    if (!rgb) return nearest_palette_index(v);
    // Red in the low byte.
    return static_cast<int32_t>(((v & 0xFF) << 16) | (v & 0xFF00) | (v >> 16));
}

// PLOT k,x,y: the new point (absolute through the origin, or relative to
// the graphics cursor with each step halved first) becomes the graphics
// cursor, the old one the previous point; then the shape of k's group is
// drawn with the colour and mix of k & 3, clipped to the graphics window.
void Vdu::plot(uint8_t k, int16_t x, int16_t y) {
    Point p0;
    if (k & 4) {
        p0.x = (x + int64_t{get32(blk::OriginX)}) >> 1;
        p0.y = get32(blk::ClientH) - 1 - ((y + int64_t{get32(blk::OriginY)}) >> 1);
    } else {
        p0.x = get32(blk::GCurX) + (x >> 1);
        p0.y = get32(blk::GCurY) - (y >> 1);
    }
    const Point p1{get32(blk::GCurX), get32(blk::GCurY)}, p2{get32(blk::GPrevX), get32(blk::GPrevY)};
    set32(blk::GPrevX, static_cast<int32_t>(p1.x));
    set32(blk::GPrevY, static_cast<int32_t>(p1.y));
    set32(blk::GCurX, static_cast<int32_t>(p0.x));
    set32(blk::GCurY, static_cast<int32_t>(p0.y));

    uint8_t mix;
    uint32_t colour;
    switch (k & 3) {
        case 0: mix = rop::Nop; colour = m_palette[0]; break;
        case 1: mix = m_s[blk::FgMix]; colour = m_palette[m_s[blk::FgCol] & 15]; break;
        case 2: mix = rop::Xor; colour = m_palette[m_s[blk::ColourMask] & 15]; break;
        default: mix = m_s[blk::BgMix]; colour = m_palette[m_s[blk::BgCol] & 15]; break;
    }
    const uint32_t fg = m_palette[m_s[blk::FgCol] & 15], bg = m_palette[m_s[blk::BgCol] & 15];
    const int group = k & 0xF8;
    if (group >= 208) return;
    if (group == 184) {
        block_transfer(k, p0, p1, p2);
        return;
    }
    if (mix == rop::Nop) return;   // nothing visible changes

    Lock hold(m_surface.drawing_lock());
    Raster r(m_pixels.data(), host::kShadowWidth, host::kShadowHeight);
    r.set_clip(m_gwin);
    r.set_rop(mix);
    // Gaps of dotted lines take the text background, as the opaque
    // background of the drawing context.
    r.set_background(text_bg(), true);
    const int64_t dot_w = std::clamp<int64_t>(get32(blk::DotW), 0, 256);
    const int64_t dot_h = std::clamp<int64_t>(get32(blk::DotH), 0, 256);
    Rect dirty = m_gwin;
    auto band = [&](bool right_only) {
        r.clip_and({right_only ? static_cast<int>(std::clamp<int64_t>(p0.x, -32767, 32767)) : -32767,
                    static_cast<int>(std::clamp<int64_t>(p0.y, -32767, 32767)), 32767,
                    static_cast<int>(std::clamp<int64_t>(p0.y + dot_h, -32767, 32767))});
    };
    if (group < 64) {
        r.line(p1, p0, colour, kLineStyles[(k >> 4) & 3]);
        if (!(k & 8)) r.line(p0, {p0.x + 1, p0.y + 1}, colour, kLineStyles[(k >> 4) & 3]);
        dirty = intersect(bounds({p0, p1}), m_gwin);
    } else {
        switch (group) {
            case 64: {
                const Point pts[4] = {{p0.x + dot_w, p0.y}, p0, {p0.x, p0.y + dot_h}, {p0.x + dot_w, p0.y + dot_h}};
                r.polygon(pts, 4, colour);
                dirty = intersect(bounds({p0, {p0.x + dot_w, p0.y + dot_h}}), m_gwin);
                break;
            }
            case 72: band(false); r.flood(p0.x, p0.y, bg, FloodType::Surface, colour); break;
            case 80: {
                const Point pts[3] = {p0, p1, p2};
                r.polygon(pts, 3, colour);
                dirty = intersect(bounds({p0, p1, p2}), m_gwin);
                break;
            }
            case 88: band(true); r.flood(p0.x, p0.y, bg, FloodType::Border, colour); break;
            case 96: {
                const Point pts[4] = {{p1.x, p0.y}, p0, {p0.x, p1.y}, p1};
                r.polygon(pts, 4, colour);
                dirty = intersect(bounds({p0, p1}), m_gwin);
                break;
            }
            case 104: band(false); r.flood(p0.x, p0.y, fg, FloodType::Border, colour); break;
            case 112: {
                const Point p3{p0.x - p1.x + p2.x, p0.y - p1.y + p2.y};
                const Point pts[4] = {p2, p1, p0, p3};
                r.polygon(pts, 4, colour);
                dirty = intersect(bounds({p0, p1, p2, p3}), m_gwin);
                break;
            }
            case 120: band(true); r.flood(p0.x, p0.y, fg, FloodType::Surface, colour); break;
            case 128: r.flood(p0.x, p0.y, bg, FloodType::Surface, colour); break;
            case 136: r.flood(p0.x, p0.y, fg, FloodType::Border, colour); break;
            case 144:
            case 152: {
                const int64_t rad = radius(p1, p0);
                if (group == 144) r.arc(p1.x - rad, p1.y - rad, p1.x + rad, p1.y + rad, kWholeArc, kWholeArc, colour);
                else r.ellipse(p1.x - rad, p1.y - rad, p1.x + rad, p1.y + rad, colour);
                dirty = intersect(bounds({{p1.x - rad, p1.y - rad}, {p1.x + rad, p1.y + rad}}), m_gwin);
                break;
            }
            case 160:
            case 168:
            case 176: {
                const int64_t rad = radius(p2, p1);
                const int64_t l = p2.x - rad, t = p2.y - rad, rr = p2.x + rad, b = p2.y + rad;
                if (group == 160) r.arc(l, t, rr, b, p1, p0, colour);
                else if (group == 168) r.chord(l, t, rr, b, p1, p0, colour);
                else r.pie(l, t, rr, b, p1, p0, colour);
                dirty = intersect(bounds({{l, t}, {rr, b}}), m_gwin);
                break;
            }
            case 192:
            case 200: {
                int64_t l = p1.x, rr = 2 * p2.x - p1.x, t = p0.y, b = 2 * p2.y - p0.y;
                if (l > rr) std::swap(l, rr);
                if (t > b) std::swap(t, b);
                if (group == 192) r.arc(l, t, rr, b, kWholeArc, kWholeArc, colour);
                else r.ellipse(l, t, rr, b, colour);
                dirty = intersect(bounds({{l, t}, {rr, b}}), m_gwin);
                break;
            }
            default: break;
        }
    }
    present(dirty);
}

// Block copy (k & 2) or move (the source then cleared to the background
// colour) of the rectangle with corners P2 and P1 to the one whose
// bottom-left pixel is P0. The plotting mix plays no part.
void Vdu::block_transfer(uint8_t k, Point p0, Point p1, Point p2) {
    const int64_t l = std::min(p1.x, p2.x), r = std::max(p1.x, p2.x) + 1;
    const int64_t t = std::min(p1.y, p2.y), b = std::max(p1.y, p2.y) + 1;
    const int64_t w = r - l, h = b - t;
    const int64_t dl = p0.x, dt = p0.y - h + 1;
    Lock hold(m_surface.drawing_lock());
    Raster ras(m_pixels.data(), host::kShadowWidth, host::kShadowHeight);
    ras.set_clip(m_gwin);
    if (k & 2) {
        ras.blit(dl, dt, w, h, m_pixels.data(), l, t);
    } else {
        // The part of the source inside the bitmap, saved.
        const Rect src = clip_to_bitmap(l, t, r, b);
        const int sw = src.right - src.left, sh = src.bottom - src.top;
        std::vector<uint32_t> saved(static_cast<size_t>(std::max(sw, 0)) * std::max(sh, 0));
        for (int yy = 0; yy < sh; ++yy)
            std::memcpy(&saved[static_cast<size_t>(yy) * sw], row_ptr(src.top + yy) + src.left, sizeof(uint32_t) * sw);
        ras.fill_rect(l, t, r, b, m_palette[m_s[blk::BgCol] & 15]);
        const Rect& c = ras.clip();
        for (int yy = 0; yy < sh; ++yy) {
            const int64_t y = dt + (src.top - t) + yy;
            if (y < c.top || y >= c.bottom) continue;
            for (int xx = 0; xx < sw; ++xx) {
                const int64_t x = dl + (src.left - l) + xx;
                if (x >= c.left && x < c.right) row_ptr(static_cast<int>(y))[x] = saved[static_cast<size_t>(yy) * sw + xx];
            }
        }
        present(intersect(clip_to_bitmap(l, t, r, b), m_gwin));
    }
    present(intersect(clip_to_bitmap(dl, dt, dl + w, dt + h), m_gwin));
}

}  // namespace kov::vdu
