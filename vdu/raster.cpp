// The rasteriser's primitives (see raster.h for the pixel rules).
#include "vdu/raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "vdu/vdu.h"

namespace kov::vdu {

using host::Rect;

namespace {
using i128 = __int128;

// Rounds n / d towards minus infinity (d > 0).
int64_t floor_div(i128 n, i128 d) {
    i128 q = n / d;
    if ((n % d != 0) && (n < 0)) --q;
    return static_cast<int64_t>(q);
}

int64_t ceil_div(i128 n, i128 d) { return -floor_div(-n, d); }

// Dash patterns of the styled pens: alternating on and off lengths.
struct Dashes {
    int count;
    int lengths[6];
    int period;
};
constexpr Dashes kDashes[5] = {
    {0, {}, 0},                      // solid
    {2, {18, 6}, 24},                // dash
    {2, {3, 3}, 6},                  // dot
    {4, {9, 6, 3, 6}, 24},           // dash dot
    {6, {9, 3, 3, 3, 3, 3}, 24},     // dash dot dot
};
}  // namespace

Raster::Raster(uint32_t* pixels, int width, int height)
    : m_px(pixels), m_w(width), m_h(height), m_clip{0, 0, width, height} {}

void Raster::set_clip(Rect r) {
    m_clip = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, m_w), std::min(r.bottom, m_h)};
    if (m_clip.empty()) m_clip = Rect{};
}

void Raster::clip_and(Rect r) {
    m_clip = {std::max(r.left, m_clip.left), std::max(r.top, m_clip.top), std::min(r.right, m_clip.right),
              std::min(r.bottom, m_clip.bottom)};
    if (m_clip.empty()) m_clip = Rect{};
}

uint32_t Raster::mix(uint32_t colour, uint32_t pixel) const { return rop2(m_rop, colour, pixel); }

void Raster::span(int64_t y, int64_t x0, int64_t x1, uint32_t colour) {
    if (y < m_clip.top || y >= m_clip.bottom) return;
    x0 = std::max<int64_t>(x0, m_clip.left);
    x1 = std::min<int64_t>(x1, m_clip.right);
    if (x0 >= x1) return;
    uint32_t* p = m_px + static_cast<size_t>(y) * m_w;
    if (m_rop == rop::Copy) {
        std::fill(p + x0, p + x1, colour);
    } else if (m_rop != rop::Nop) {
        for (int64_t x = x0; x < x1; ++x) p[x] = mix(colour, p[x]);
    }
}

void Raster::fill_rect(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t colour) {
    t = std::max<int64_t>(t, m_clip.top);
    b = std::min<int64_t>(b, m_clip.bottom);
    for (int64_t y = t; y < b; ++y) span(y, l, r, colour);
}

// ---- lines ----

// Bresenham's line with the tie rule of the platform: where the ideal line
// passes exactly between two pixels, the one with the smaller coordinate
// is taken, whichever way the line runs. The minor-axis offset of step i
// has the closed form floor((2·minor·i + major + bias − 1) / (2·major)),
// so a clipped line starts at its first visible pixel directly.
void Raster::line(Point a, Point b, uint32_t colour, PenStyle style) {
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool x_major = adx > ady;
    const int64_t major = x_major ? adx : ady, minor = x_major ? ady : adx;
    if (major == 0 || m_clip.empty()) return;
    const int major_inc = (x_major ? dx : dy) > 0 ? 1 : -1;
    const int minor_inc = (x_major ? dy : dx) > 0 ? 1 : -1;
    // The bias decides ties towards the smaller coordinate: a step of the
    // minor axis towards minus is taken on a tie.
    const int bias = minor_inc < 0 ? 1 : 0;
    auto minor_at = [&](int64_t i) { return floor_div(i128{2} * minor * i + major + bias - 1, i128{2} * major); };
    const int64_t ma0 = x_major ? a.x : a.y, mi0 = x_major ? a.y : a.x;
    const int64_t ma_lo = x_major ? m_clip.left : m_clip.top, ma_hi = x_major ? m_clip.right : m_clip.bottom;
    const int64_t mi_lo = x_major ? m_clip.top : m_clip.left, mi_hi = x_major ? m_clip.bottom : m_clip.right;
    // Steps whose major coordinate lies inside the clip.
    int64_t i0, i1;   // [i0, i1)
    if (major_inc > 0) {
        i0 = ma_lo - ma0;
        i1 = ma_hi - ma0;
    } else {
        i0 = ma0 - (ma_hi - 1);
        i1 = ma0 - ma_lo + 1;
    }
    i0 = std::max<int64_t>(i0, 0);
    i1 = std::min<int64_t>(i1, major);
    if (i0 >= i1) return;
    // The minor coordinate moves monotonically: narrow [i0, i1) to the
    // steps inside the clip's minor range by bisection.
    auto inside_minor = [&](int64_t i) {
        int64_t m = mi0 + minor_inc * minor_at(i);
        return m >= mi_lo && m < mi_hi;
    };
    auto before_range = [&](int64_t i) {   // minor coordinate not yet inside
        int64_t m = mi0 + minor_inc * minor_at(i);
        return minor_inc > 0 ? m < mi_lo : m >= mi_hi;
    };
    {
        int64_t lo = i0, hi = i1;   // first i not before the range
        while (lo < hi) {
            int64_t mid = lo + (hi - lo) / 2;
            if (before_range(mid)) lo = mid + 1;
            else hi = mid;
        }
        i0 = lo;
        lo = i0, hi = i1;           // first i past the range
        while (lo < hi) {
            int64_t mid = lo + (hi - lo) / 2;
            if (inside_minor(mid)) lo = mid + 1;
            else hi = mid;
        }
        i1 = lo;
    }
    if (i0 >= i1) return;
    const Dashes& d = kDashes[static_cast<int>(style)];
    int seg = 0, left = 0;
    if (d.count) {
        int64_t phase = i0 % d.period;
        while (phase >= d.lengths[seg]) phase -= d.lengths[seg++];
        left = d.lengths[seg] - static_cast<int>(phase);
    }
    int64_t m = minor_at(i0);
    // The error term of Bresenham's loop at step i0.
    int64_t err = static_cast<int64_t>(i128{2} * minor * (i0 + 1) - major - i128{2} * major * m);
    for (int64_t i = i0; i < i1; ++i) {
        const int64_t ma = ma0 + major_inc * i, mi = mi0 + minor_inc * m;
        const bool on = d.count == 0 || (seg & 1) == 0;
        if (on || m_bk_opaque) {
            uint32_t& p = x_major ? m_px[static_cast<size_t>(mi) * m_w + ma] : m_px[static_cast<size_t>(ma) * m_w + mi];
            p = mix(on ? colour : m_bk, p);
        }
        if (d.count && --left == 0) {
            seg = (seg + 1) % d.count;
            left = d.lengths[seg];
        }
        if (err + bias > 0) {
            ++m;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
    }
}

// ---- polygons ----

// Scan conversion at integer scan lines: an edge from its upper end
// (xt, yt) to its lower end covers the lines yt ≤ y < yb, crossing line y
// at xt + ⌈(y − yt)·dx / dy⌉; each span runs from a crossing to the next
// one, the right one left out.
void Raster::polygon_fill(const Point* pts, int count, uint32_t colour, bool winding) {
    if (count < 3 || m_clip.empty()) return;
    struct Edge {
        int64_t xt, yt, yb, dx, dy;
        int dir;
    };
    std::vector<Edge> edges;
    edges.reserve(count);
    int64_t ymin = INT64_MAX, ymax = INT64_MIN;
    for (int i = 0; i < count; ++i) {
        Point p = pts[i], q = pts[(i + 1) % count];
        if (p.y == q.y) continue;
        int dir = 1;
        if (p.y > q.y) {
            std::swap(p, q);
            dir = -1;
        }
        edges.push_back({p.x, p.y, q.y, q.x - p.x, q.y - p.y, dir});
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, q.y);
    }
    if (edges.empty()) return;
    const int64_t y0 = std::max<int64_t>(ymin, m_clip.top), y1 = std::min<int64_t>(ymax, m_clip.bottom);
    struct Cross {
        int64_t x;
        int dir;
    };
    std::vector<Cross> xs;
    for (int64_t y = y0; y < y1; ++y) {
        xs.clear();
        for (const Edge& e : edges) {
            if (y < e.yt || y >= e.yb) continue;
            xs.push_back({e.xt + ceil_div(i128{y - e.yt} * e.dx, e.dy), e.dir});
        }
        std::sort(xs.begin(), xs.end(), [](const Cross& a, const Cross& b) { return a.x < b.x; });
        if (!winding) {
            for (size_t i = 0; i + 1 < xs.size(); i += 2) span(y, xs[i].x, xs[i + 1].x, colour);
        } else {
            int w = 0;
            for (size_t i = 0; i + 1 < xs.size(); ++i) {
                w += xs[i].dir;
                if (w != 0) span(y, xs[i].x, xs[i + 1].x, colour);
            }
        }
    }
}

void Raster::polygon(const Point* points, int count, uint32_t colour) { polygon_fill(points, count, colour, false); }

// ---- ellipses ----

// The integer ellipse of a width × height box (pixels 0..width-1,
// 0..height-1), by the error-term method that steps from the middle of
// the right side to the middle of the bottom; the other quadrants mirror
// it. The points come out counter-clockwise on the screen, starting at
// the right end of the middle row (the upper one of two).
void Raster::ellipse_outline(int64_t width, int64_t height, std::vector<Point>& out) {
    out.clear();
    if (width <= 0 || height <= 0) return;
    const int64_t a = width - 1, b = height - 1, b1 = b & 1;
    i128 dx = i128{4} * b * b * (1 - a), dy = i128{4} * a * a * (1 + b1);
    i128 err = dx + dy + i128{a} * a * b1;
    const i128 aa = i128{8} * a * a, bb = i128{8} * b * b;
    // One quadrant, bottom right: from the right end of the middle row
    // towards the bottom; each step moves x, y or both by one.
    std::vector<Point> q;
    Point pt{a, height / 2};
    while (pt.x >= width / 2) {
        i128 e2 = 2 * err;
        q.push_back(pt);
        if (e2 >= dx) {
            --pt.x;
            err += dx += bb;
        }
        if (e2 <= dy) {
            ++pt.y;
            err += dy += aa;
        }
    }
    // Mirror images: x' = a − x, y' = b − y.
    auto add = [&](Point p) {
        if (!out.empty() && out.back().x == p.x && out.back().y == p.y) return;
        out.push_back(p);
    };
    // Top right: from the right middle up to the top.
    for (const Point& p : q) add({p.x, b - p.y});
    // Top left: from the top to the left middle.
    for (size_t i = q.size(); i-- > 0;) add({a - q[i].x, b - q[i].y});
    // Bottom left: from the left middle down to the bottom.
    for (const Point& p : q) add({a - p.x, p.y});
    // Bottom right: from the bottom back to the right middle.
    for (size_t i = q.size(); i-- > 0;) add({q[i].x, q[i].y});
    while (out.size() > 1 && out.back().x == out.front().x && out.back().y == out.front().y) out.pop_back();
}

void Raster::ellipse(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t colour) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const int64_t w = r - l, h = b - t;
    if (w <= 2 || h <= 2) {
        // Too small for a curve: a rectangle one pixel smaller each way.
        fill_rect(l, t, r - 1, b - 1, colour);
        return;
    }
    if (w > kMaxEllipseSide || h > kMaxEllipseSide) return;
    ellipse_outline(w, h, m_points);
    // Each row is filled between its outermost outline pixels.
    std::vector<int64_t> lo(static_cast<size_t>(h), INT64_MAX), hi(static_cast<size_t>(h), INT64_MIN);
    for (const Point& p : m_points) {
        if (p.y < 0 || p.y >= h) continue;
        lo[p.y] = std::min(lo[p.y], p.x);
        hi[p.y] = std::max(hi[p.y], p.x);
    }
    for (int64_t y = 0; y < h; ++y)
        if (lo[y] <= hi[y]) span(t + y, l + lo[y], l + hi[y] + 1, colour);
}


// The pixels of the bottom-right quarter of the ellipse of a width ×
// height box, from the right end of the middle row (the lower one of two)
// down to the bottom, relative to the box's centre pixel (width / 2,
// height / 2): the error-term method of ellipse_outline.
static void first_quadrant(int64_t width, int64_t height, std::vector<Point>& q) {
    q.clear();
    const int64_t a = width - 1, b = height - 1, b1 = b & 1;
    i128 dx = i128{4} * b * b * (1 - a), dy = i128{4} * a * a * (1 + b1);
    i128 err = dx + dy + i128{a} * a * b1;
    const i128 aa = i128{8} * a * a, bb = i128{8} * b * b;
    Point pt{a, height / 2};
    while (pt.x >= width / 2) {
        i128 e2 = 2 * err;
        q.push_back({pt.x - width / 2, pt.y - height / 2});
        if (e2 >= dx) {
            --pt.x;
            err += dx += bb;
        }
        if (e2 <= dy) {
            ++pt.y;
            err += dy += aa;
        }
    }
}

namespace {
// The position of a direction (x, y), y up, on the arc's walk round the
// quarter `q` taken four times: 0 .. n in the first quarter (from the
// positive x axis), n .. 2n in the second and so on. A point of the
// quarter is passed once the direction no longer lies beyond it; on the
// left half the ties go the other way.
int64_t walk_position(const std::vector<Point>& q, int64_t x, int64_t y) {
    const int64_t n = static_cast<int64_t>(q.size());
    int64_t i = 0;
    if (y >= 0) {
        if (x >= 0) {
            while (i < n && !(i128{q[i].x} * y <= i128{q[i].y} * x)) ++i;
            return i;
        }
        while (i < n && !(i128{q[i].x} * y < i128{q[i].y} * -x)) ++i;
        return 2 * n - i;
    }
    if (x >= 0) {
        while (i < n && !(i128{q[i].x} * -y <= i128{q[i].y} * x)) ++i;
        return 4 * n - i;
    }
    while (i < n && !(i128{q[i].x} * -y < i128{q[i].y} * -x)) ++i;
    return 2 * n + i;
}
}  // namespace

// The outline pixels of the box's ellipse from the radial through `start`
// counter-clockwise up to the one through `end`, in order (a full turn
// when they meet at one pixel). The walk goes round
// the bottom-right quarter four times, mirrored into each quarter in turn;
// directions are measured from the centre pixel with y pointing up. False
// when the box is too small for a curve.
bool Raster::arc_points(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, std::vector<Point>& out) {
    out.clear();
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const int64_t w = r - l, h = b - t;
    if (w < 1 || h < 1 || w > kMaxEllipseSide || h > kMaxEllipseSide) return false;
    std::vector<Point>& q = m_quarter;
    first_quadrant(w, h, q);
    const int64_t n = static_cast<int64_t>(q.size());
    if (n == 0) return false;
    const int64_t cx = l + w / 2, cy = t + h / 2;
    const int64_t i0 = walk_position(q, start.x - cx, cy - start.y);
    int64_t i1 = walk_position(q, end.x - cx, cy - end.y);
    if (i1 <= i0) i1 += 4 * n;
    out.reserve(static_cast<size_t>(i1 - i0));
    for (int64_t i = i0; i < i1; ++i) {
        const int64_t k = i % n;
        const Point& p = q[static_cast<size_t>(k)];
        const Point& m = q[static_cast<size_t>(n - 1 - k)];
        switch ((i / n) % 4) {
            case 0: out.push_back({cx + p.x, b - 1 - h / 2 - p.y}); break;
            case 1: out.push_back({r - 1 - w / 2 - m.x, b - 1 - h / 2 - m.y}); break;
            case 2: out.push_back({r - 1 - w / 2 - p.x, cy + p.y}); break;
            default: out.push_back({cx + m.x, cy + m.y}); break;
        }
    }
    return true;
}

void Raster::arc(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, uint32_t colour) {
    if (!arc_points(l, t, r, b, start, end, m_points)) return;
    // Drawn as a polyline of one-pixel steps, each step's end left out: a
    // point repeated (where two quarters meet) draws nothing the second
    // time, and the last point is not drawn.
    for (size_t i = 0; i + 1 < m_points.size(); ++i) {
        const Point& p = m_points[i];
        const Point& q = m_points[i + 1];
        if (p.x != q.x || p.y != q.y) plot(p.x, p.y, colour);
    }
}

void Raster::chord(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, uint32_t colour) {
    if (!arc_points(l, t, r, b, start, end, m_points)) return;
    std::vector<Point> pts = m_points;
    polygon_fill(pts.data(), static_cast<int>(pts.size()), colour, true);
}

void Raster::pie(int64_t l, int64_t t, int64_t r, int64_t b, Point start, Point end, uint32_t colour) {
    if (!arc_points(l, t, r, b, start, end, m_points)) return;
    std::vector<Point> pts = m_points;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    pts.push_back({l + (r - l) / 2, t + (b - t) / 2});
    polygon_fill(pts.data(), static_cast<int>(pts.size()), colour, true);
}

// ---- flood fill ----

// The area is found first (a scan-line fill with an explicit stack, so a
// maze or the whole bitmap needs no deep recursion), then painted, so a
// mix that changes the colours cannot mislead the search.
bool Raster::flood(int64_t x, int64_t y, uint32_t colour, FloodType type, uint32_t brush) {
    const Rect c = m_clip;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) return false;
    auto wanted = [&](int64_t px, int64_t py) {
        bool same = (get(static_cast<int>(px), static_cast<int>(py)) & 0xFFFFFF) == (colour & 0xFFFFFF);
        return type == FloodType::Surface ? same : !same;
    };
    if (!wanted(x, y)) return false;
    const int cw = c.right - c.left, ch = c.bottom - c.top;
    std::vector<uint8_t> seen(static_cast<size_t>(cw) * ch, 0);
    auto at = [&](int64_t px, int64_t py) -> uint8_t& { return seen[static_cast<size_t>(py - c.top) * cw + (px - c.left)]; };
    std::vector<Point> stack;
    stack.push_back({x, y});
    while (!stack.empty()) {
        Point p = stack.back();
        stack.pop_back();
        if (at(p.x, p.y) || !wanted(p.x, p.y)) continue;
        int64_t xl = p.x, xr = p.x;
        while (xl > c.left && !at(xl - 1, p.y) && wanted(xl - 1, p.y)) --xl;
        while (xr + 1 < c.right && !at(xr + 1, p.y) && wanted(xr + 1, p.y)) ++xr;
        for (int64_t i = xl; i <= xr; ++i) at(i, p.y) = 1;
        // Seed the rows above and below once per run of candidates.
        for (int64_t ny : {p.y - 1, p.y + 1}) {
            if (ny < c.top || ny >= c.bottom) continue;
            bool in_run = false;
            for (int64_t i = xl; i <= xr; ++i) {
                bool ok = !at(i, ny) && wanted(i, ny);
                if (ok && !in_run) stack.push_back({i, ny});
                in_run = ok;
            }
        }
    }
    for (int64_t py = c.top; py < c.bottom; ++py) {
        const uint8_t* row = &seen[static_cast<size_t>(py - c.top) * cw];
        for (int px = 0; px < cw; ++px) {
            if (!row[px]) continue;
            int run = px;
            while (run < cw && row[run]) ++run;
            span(py, c.left + px, c.left + run, brush);
            px = run;
        }
    }
    return true;
}

// ---- blits ----

void Raster::blit(int64_t dx, int64_t dy, int64_t w, int64_t h, const uint32_t* src, int64_t sx, int64_t sy) {
    // Source inside the bitmap.
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    w = std::min<int64_t>(w, m_w - sx);
    h = std::min<int64_t>(h, m_h - sy);
    // Destination inside the clip.
    if (dx < m_clip.left) { int64_t k = m_clip.left - dx; dx += k; sx += k; w -= k; }
    if (dy < m_clip.top) { int64_t k = m_clip.top - dy; dy += k; sy += k; h -= k; }
    w = std::min<int64_t>(w, m_clip.right - dx);
    h = std::min<int64_t>(h, m_clip.bottom - dy);
    if (w <= 0 || h <= 0) return;
    // Rows in the order that keeps an overlapping copy within one bitmap right.
    const bool up = src == m_px && dy > sy;
    for (int64_t k = 0; k < h; ++k) {
        int64_t row = up ? h - 1 - k : k;
        const uint32_t* s = src + static_cast<size_t>(sy + row) * m_w + sx;
        uint32_t* d = m_px + static_cast<size_t>(dy + row) * m_w + dx;
        std::memmove(d, s, static_cast<size_t>(w) * sizeof(uint32_t));
    }
}

}  // namespace kov::vdu
