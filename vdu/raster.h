// The rasteriser: the drawing primitives of the shadow bitmap with the
// pixel rules of the platform's drawing library. Lines leave out their end
// point and carry a dash pattern from their start; filled polygons cover
// the pixels whose centres lie inside, leaving out the right and bottom
// edges; ellipses, arcs, chords and pies follow one integer outline;
// flood fills spread to the four neighbours of a pixel. Every primitive is
// clipped to one rectangle and combines its colour with the pixels by a
// SetROP2 mode (brushes and pens alike).
//
// Coordinates are 64-bit so that points far outside the bitmap (a poked
// graphics cursor, an origin of -32768) clip instead of overflowing.
#pragma once

#include <cstdint>
#include <vector>

#include "host/surface.h"

namespace kov::vdu {

struct Point {
    int64_t x = 0, y = 0;
};

// The pen styles of lines.
enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot };

enum class FloodType : uint8_t { Border, Surface };

class Raster {
public:
    // `pixels` is `width` × `height` 0x00RRGGBB pixels with a row stride
    // of `width`.
    Raster(uint32_t* pixels, int width, int height);

    // Drawing state.
    void set_clip(host::Rect r);          // intersected with the bitmap
    void clip_and(host::Rect r);          // narrows the clip
    const host::Rect& clip() const { return m_clip; }
    void set_rop(uint8_t rop) { m_rop = rop; }
    uint8_t rop() const { return m_rop; }
    // The colour of a pen's gaps, painted only while `opaque`.
    void set_background(uint32_t colour, bool opaque) { m_bk = colour; m_bk_opaque = opaque; }

    // A 1-pixel line from a to b, b itself left out, the dash pattern
    // starting afresh at a.
    void line(Point a, Point b, uint32_t colour, PenStyle style);
    // Polygon interior (alternate rule), no outline.
    void polygon(const Point* points, int count, uint32_t colour);
    // Ellipse interior in the box l..r, t..b (right and bottom excluded),
    // no outline.
    void ellipse(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t colour);
    // Outline of the ellipse of the box from the radial through `start`
    // counter-clockwise to the radial through `end` (a full ellipse when
    // they coincide); the last pixel is left out.
    void arc(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, uint32_t colour);
    // The arc closed by its chord, or by the two radii (pie), filled.
    void chord(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, uint32_t colour);
    void pie(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, uint32_t colour);
    // Flood fill from (x, y): the 4-connected area of pixels equal to
    // `colour` (Surface) or different from it (Border). False when the
    // start pixel does not qualify (nothing drawn).
    bool flood(int64_t x, int64_t y, uint32_t colour, FloodType type, uint32_t brush);
    // The rectangle filled with the mix (l..r-1, t..b-1).
    void fill_rect(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t colour);
    // Copies the w × h block at (sx, sy) of `src` (the same size as this
    // bitmap, may be this one) to (dx, dy), clipped to the clip rectangle;
    // source pixels outside the bitmap are not copied.
    void blit(int64_t dx, int64_t dy, int64_t w, int64_t h, const uint32_t* src, int64_t sx, int64_t sy);

    uint32_t get(int x, int y) const { return m_px[static_cast<size_t>(y) * m_w + x]; }
    void put(int x, int y, uint32_t colour) { m_px[static_cast<size_t>(y) * m_w + x] = colour; }
    int width() const { return m_w; }
    int height() const { return m_h; }
    const uint32_t* pixels() const { return m_px; }

    // The pixels of an ellipse outline in the box, counter-clockwise on
    // the screen from the rightmost point of its middle row.
    static void ellipse_outline(int64_t width, int64_t height, std::vector<Point>& out);

private:
    void plot(int64_t x, int64_t y, uint32_t colour) {
        if (x >= m_clip.left && x < m_clip.right && y >= m_clip.top && y < m_clip.bottom) {
            uint32_t& p = m_px[static_cast<size_t>(y) * m_w + x];
            p = mix(colour, p);
        }
    }
    uint32_t mix(uint32_t colour, uint32_t pixel) const;
    void span(int64_t y, int64_t x0, int64_t x1, uint32_t colour);   // x0..x1-1, clipped
    void polygon_fill(const Point* points, int count, uint32_t colour, bool winding);
    bool arc_points(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, std::vector<Point>& out);

    uint32_t* m_px;
    int m_w, m_h;
    host::Rect m_clip;
    uint8_t m_rop = 13;
    uint32_t m_bk = 0xFFFFFF;
    bool m_bk_opaque = true;
    std::vector<Point> m_points;         // scratch for outlines
    std::vector<Point> m_quarter;        // scratch: a quarter of an ellipse
};

// The largest box side (pixels) of an ellipse, arc, chord or pie that is
// drawn; larger shapes are left out (their outline would take too long).
constexpr int64_t kMaxEllipseSide = int64_t{1} << 20;

}  // namespace kov::vdu
