// Drawing calls on the memory device context (@memhdc%): the Windows
// drawing functions programs call through SYS, drawn by the engine's own
// rasteriser straight into the shadow bitmap. SYS holds the drawing lock
// for any call handed @memhdc%, so these only draw and show what changed.
//
// One device context exists; its pen, brush, text colours, mix and current
// position live here. Pens and brushes are small handles into a table;
// COLORREF values are 0x00BBGGRR.
#include "interp/sys_gdi.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "interp/interp.h"
#include "vdu/raster.h"
#include "vdu/vdu.h"

namespace kov::interp {

namespace {

using vdu::Point;

constexpr uint32_t kInvalidColour = 0xFFFFFFFFu;   // CLR_INVALID
constexpr uint32_t kObjectBase = 0x6D000000u;      // handles of pens and brushes
constexpr uint32_t kStockBase = 0x6E000000u;       // stock objects: base + index

struct Object {
    enum Kind : uint8_t { Free, Pen, Brush } kind = Free;
    uint32_t colour = 0;         // 0xRRGGBB
    vdu::PenStyle style = vdu::PenStyle::Solid;
    bool null = false;           // PS_NULL / BS_NULL: draws nothing
};

struct DeviceContext {
    Object pen{Object::Pen, 0, vdu::PenStyle::Solid, false};          // BLACK_PEN
    Object brush{Object::Brush, 0xFFFFFF, vdu::PenStyle::Solid, false};  // WHITE_BRUSH
    uint32_t pen_handle = kStockBase + 7, brush_handle = kStockBase + 0;
    uint32_t text_colour = 0, bk_colour = 0xFFFFFF;
    int bk_mode = 2;             // OPAQUE
    uint8_t rop2 = vdu::rop::Copy;
    int64_t x = 0, y = 0;        // MoveToEx / LineTo
    std::vector<Object> objects;
};

// The interpreter's context, made on first use.
DeviceContext& dc(Interp& in) {
    if (!in.gdi_state) in.gdi_state = std::make_shared<DeviceContext>();
    return *static_cast<DeviceContext*>(in.gdi_state.get());
}

uint32_t rgb_of(uint32_t colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}
uint32_t colorref_of(uint32_t rgb) { return rgb_of(rgb); }   // the same swap
int64_t sgn(uint32_t v) { return static_cast<int32_t>(v); }

// The stock objects GetStockObject knows (0..8).
bool stock_object(uint32_t index, Object& out) {
    static const uint32_t kBrushGreys[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    if (index <= 4) out = {Object::Brush, kBrushGreys[index], vdu::PenStyle::Solid, false};
    else if (index == 5) out = {Object::Brush, 0, vdu::PenStyle::Solid, true};
    else if (index == 6) out = {Object::Pen, 0xFFFFFF, vdu::PenStyle::Solid, false};
    else if (index == 7) out = {Object::Pen, 0, vdu::PenStyle::Solid, false};
    else if (index == 8) out = {Object::Pen, 0, vdu::PenStyle::Solid, true};
    else return false;
    return true;
}

Object* object(Interp& in, uint32_t handle) {
    DeviceContext& d = dc(in);
    if (handle < kObjectBase || handle - kObjectBase >= d.objects.size()) return nullptr;
    Object& o = d.objects[handle - kObjectBase];
    return o.kind == Object::Free ? nullptr : &o;
}

uint32_t new_object(Interp& in, const Object& o) {
    DeviceContext& d = dc(in);
    for (size_t i = 0; i < d.objects.size(); ++i)
        if (d.objects[i].kind == Object::Free) {
            d.objects[i] = o;
            return kObjectBase + static_cast<uint32_t>(i);
        }
    if (d.objects.size() >= 65536) return 0;   // a program that never deletes them
    d.objects.push_back(o);
    return kObjectBase + static_cast<uint32_t>(d.objects.size() - 1);
}

// A rasteriser over the shadow bitmap for a call on the memory DC; null
// for any other device context or with no screen.
struct Canvas {
    Canvas(Interp& in, uint32_t hdc) {
        if (hdc != kMemoryDc || !in.vdu) return;
        vdu = in.vdu;
        raster.emplace(vdu->native_pixels(), host::kShadowWidth, host::kShadowHeight);
        raster->set_clip({0, 0, host::kShadowWidth, host::kShadowHeight});
        raster->set_rop(dc(in).rop2);
        raster->set_background(dc(in).bk_colour, dc(in).bk_mode == 2);
    }
    explicit operator bool() const { return raster.has_value(); }
    vdu::Raster* operator->() { return &*raster; }
    // Shows the rectangle l..r-1, t..b-1 (clipped to the bitmap).
    void changed(int64_t l, int64_t t, int64_t r, int64_t b) {
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        host::Rect rect{static_cast<int>(std::clamp<int64_t>(l, 0, host::kShadowWidth)),
                        static_cast<int>(std::clamp<int64_t>(t, 0, host::kShadowHeight)),
                        static_cast<int>(std::clamp<int64_t>(r + 1, 0, host::kShadowWidth)),
                        static_cast<int>(std::clamp<int64_t>(b + 1, 0, host::kShadowHeight))};
        vdu->native_drawn(rect);
    }
    vdu::Vdu* vdu = nullptr;
    std::optional<vdu::Raster> raster;
};

// The outline of a closed figure with the current pen.
void outline(Interp& in, Canvas& c, const Point* pts, int n) {
    const Object& pen = dc(in).pen;
    if (pen.null || n < 2) return;
    for (int i = 0; i < n; ++i) c->line(pts[i], pts[(i + 1) % n], pen.colour, pen.style);
}

uint32_t g_set_pixel(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return kInvalidColour;
    const int64_t x = sgn(a[1]), y = sgn(a[2]);
    if (x < 0 || y < 0 || x >= host::kShadowWidth || y >= host::kShadowHeight) return kInvalidColour;
    c->put(static_cast<int>(x), static_cast<int>(y), rgb_of(a[3]));
    c.changed(x, y, x, y);
    return a[3] & 0xFFFFFF;
}
uint32_t g_get_pixel(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return kInvalidColour;
    const int64_t x = sgn(a[1]), y = sgn(a[2]);
    if (x < 0 || y < 0 || x >= host::kShadowWidth || y >= host::kShadowHeight) return kInvalidColour;
    return colorref_of(c->get(static_cast<int>(x), static_cast<int>(y)));
}
uint32_t g_move_to(Interp& in, const uint32_t* a) {
    if (a[0] != kMemoryDc) return 0;
    DeviceContext& d = dc(in);
    if (a[3]) {
        in.mem.write32(a[3], static_cast<uint32_t>(d.x));
        in.mem.write32(a[3] + 4, static_cast<uint32_t>(d.y));
    }
    d.x = sgn(a[1]);
    d.y = sgn(a[2]);
    return 1;
}
uint32_t g_line_to(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return 0;
    DeviceContext& d = dc(in);
    const Point from{d.x, d.y}, to{sgn(a[1]), sgn(a[2])};
    if (!d.pen.null) c->line(from, to, d.pen.colour, d.pen.style);
    c.changed(from.x, from.y, to.x, to.y);
    d.x = to.x;
    d.y = to.y;
    return 1;
}
// The box of Rectangle and Ellipse from arguments 1..4, corners in order.
struct Box {
    int64_t l, t, r, b;
};
Box box_of(const uint32_t* a) {
    Box x{sgn(a[1]), sgn(a[2]), sgn(a[3]), sgn(a[4])};
    if (x.l > x.r) std::swap(x.l, x.r);
    if (x.t > x.b) std::swap(x.t, x.b);
    return x;
}
uint32_t g_rectangle(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return 0;
    const auto [l, t, r, b] = box_of(a);
    const DeviceContext& d = dc(in);
    // The pen draws on the rectangle's own pixels; the brush fills inside.
    if (!d.brush.null) c->fill_rect(l + (d.pen.null ? 0 : 1), t + (d.pen.null ? 0 : 1), r - 1, b - 1, d.brush.colour);
    const Point pts[4] = {{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}};
    outline(in, c, pts, 4);
    c.changed(l, t, r, b);
    return 1;
}
uint32_t g_ellipse(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return 0;
    const auto [l, t, r, b] = box_of(a);
    const DeviceContext& d = dc(in);
    if (!d.brush.null) c->ellipse(l, t, r, b, d.brush.colour);
    if (!d.pen.null) c->arc(l, t, r, b, {r, (t + b) / 2}, {r, (t + b) / 2}, d.pen.colour);
    c.changed(l, t, r, b);
    return 1;
}
uint32_t g_polygon(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    const uint32_t n = a[2];
    if (!c || n < 2 || n > 65536) return 0;
    std::vector<Point> pts(n);
    int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, b = INT64_MIN;
    for (uint32_t i = 0; i < n; ++i) {
        pts[i] = {sgn(in.mem.read32(a[1] + 8 * i)), sgn(in.mem.read32(a[1] + 8 * i + 4))};
        l = std::min(l, pts[i].x), r = std::max(r, pts[i].x);
        t = std::min(t, pts[i].y), b = std::max(b, pts[i].y);
    }
    if (!dc(in).brush.null) c->polygon(pts.data(), static_cast<int>(n), dc(in).brush.colour);
    outline(in, c, pts.data(), static_cast<int>(n));
    c.changed(l, t, r, b);
    return 1;
}
// FillRect paints with the brush whatever the mix.
uint32_t g_fill_rect(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return 0;
    Object brush;
    if (a[2] - kStockBase <= 8) stock_object(a[2] - kStockBase, brush);
    else if (const Object* o = object(in, a[2])) brush = *o;
    else return 0;
    if (brush.kind != Object::Brush) return 0;
    const int64_t l = sgn(in.mem.read32(a[1])), t = sgn(in.mem.read32(a[1] + 4));
    const int64_t r = sgn(in.mem.read32(a[1] + 8)), b = sgn(in.mem.read32(a[1] + 12));
    if (brush.null) return 1;
    c->set_rop(vdu::rop::Copy);
    c->fill_rect(l, t, r, b, brush.colour);
    c.changed(l, t, r, b);
    return 1;
}

// The raster operations of PatBlt and BitBlt that programs use.
constexpr uint32_t kSrcCopy = 0xCC0020, kSrcPaint = 0xEE0086, kSrcAnd = 0x8800C6, kSrcInvert = 0x660046;
constexpr uint32_t kPatCopy = 0xF00021, kPatInvert = 0x5A0049, kDstInvert = 0x550009;
constexpr uint32_t kBlackness = 0x000042, kWhiteness = 0xFF0062;

uint32_t g_pat_blt(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c) return 0;
    const int64_t x = sgn(a[1]), y = sgn(a[2]), w = sgn(a[3]), h = sgn(a[4]);
    uint32_t colour = dc(in).brush.colour;
    uint8_t rop = vdu::rop::Copy;
    switch (a[5]) {
        case kPatCopy: if (dc(in).brush.null) return 1; break;
        case kPatInvert: if (dc(in).brush.null) return 1; rop = vdu::rop::Xor; break;
        case kDstInvert: rop = vdu::rop::Xor; colour = 0xFFFFFF; break;
        case kBlackness: colour = 0; break;
        case kWhiteness: colour = 0xFFFFFF; break;
        default: return 0;
    }
    c->set_rop(rop);
    c->fill_rect(std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h), colour);
    c.changed(x, y, x + w, y + h);
    return 1;
}

// Copies or combines a block of the bitmap with itself (source and
// destination are both the memory DC), stretched by nearest pixel.
bool blit(Canvas& c, int64_t dx, int64_t dy, int64_t dw, int64_t dh, int64_t sx, int64_t sy, int64_t sw, int64_t sh,
          uint32_t rop) {
    if (rop != kSrcCopy && rop != kSrcPaint && rop != kSrcAnd && rop != kSrcInvert) return false;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return true;
    if (rop == kSrcCopy && dw == sw && dh == sh) {
        c->blit(dx, dy, dw, dh, c->pixels(), sx, sy);
    } else {
        // Read the source first: it may overlap the destination.
        const int64_t x0 = std::max<int64_t>(dx, 0), y0 = std::max<int64_t>(dy, 0);
        const int64_t x1 = std::min<int64_t>(dx + dw, host::kShadowWidth), y1 = std::min<int64_t>(dy + dh, host::kShadowHeight);
        if (x0 >= x1 || y0 >= y1) return true;
        std::vector<uint32_t> out(static_cast<size_t>((x1 - x0) * (y1 - y0)));
        std::vector<bool> have(out.size());
        for (int64_t y = y0; y < y1; ++y)
            for (int64_t x = x0; x < x1; ++x) {
                const int64_t px = sx + (x - dx) * sw / dw, py = sy + (y - dy) * sh / dh;
                if (px < 0 || py < 0 || px >= host::kShadowWidth || py >= host::kShadowHeight) continue;
                const size_t i = static_cast<size_t>((y - y0) * (x1 - x0) + (x - x0));
                const uint32_t s = c->get(static_cast<int>(px), static_cast<int>(py));
                const uint32_t d = c->get(static_cast<int>(x), static_cast<int>(y));
                out[i] = rop == kSrcCopy ? s : rop == kSrcPaint ? (s | d) : rop == kSrcAnd ? (s & d) : (s ^ d);
                have[i] = true;
            }
        for (int64_t y = y0; y < y1; ++y)
            for (int64_t x = x0; x < x1; ++x) {
                const size_t i = static_cast<size_t>((y - y0) * (x1 - x0) + (x - x0));
                if (have[i]) c->put(static_cast<int>(x), static_cast<int>(y), out[i]);
            }
    }
    c.changed(dx, dy, dx + dw, dy + dh);
    return true;
}
uint32_t g_bit_blt(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c || a[5] != kMemoryDc) return 0;
    return blit(c, sgn(a[1]), sgn(a[2]), sgn(a[3]), sgn(a[4]), sgn(a[6]), sgn(a[7]), sgn(a[3]), sgn(a[4]), a[8]);
}
uint32_t g_stretch_blt(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    if (!c || a[5] != kMemoryDc) return 0;
    return blit(c, sgn(a[1]), sgn(a[2]), sgn(a[3]), sgn(a[4]), sgn(a[6]), sgn(a[7]), sgn(a[8]), sgn(a[9]), a[10]);
}

uint32_t g_set_text_colour(Interp& in, const uint32_t* a) {
    if (a[0] != kMemoryDc) return kInvalidColour;
    const uint32_t old = colorref_of(dc(in).text_colour);
    dc(in).text_colour = rgb_of(a[1]);
    return old;
}
uint32_t g_set_bk_colour(Interp& in, const uint32_t* a) {
    if (a[0] != kMemoryDc) return kInvalidColour;
    const uint32_t old = colorref_of(dc(in).bk_colour);
    dc(in).bk_colour = rgb_of(a[1]);
    return old;
}
uint32_t g_set_bk_mode(Interp& in, const uint32_t* a) {
    if (a[0] != kMemoryDc || (a[1] != 1 && a[1] != 2)) return 0;
    const uint32_t old = static_cast<uint32_t>(dc(in).bk_mode);
    dc(in).bk_mode = static_cast<int>(a[1]);
    return old;
}
uint32_t g_set_rop2(Interp& in, const uint32_t* a) {
    if (a[0] != kMemoryDc || a[1] < 1 || a[1] > 16) return 0;
    const uint32_t old = dc(in).rop2;
    dc(in).rop2 = static_cast<uint8_t>(a[1]);
    return old;
}

// TextOut draws in the screen's current font, the text colour on the
// background colour when the background mode is OPAQUE.
uint32_t g_text_out(Interp& in, const uint32_t* a) {
    Canvas c(in, a[0]);
    const uint32_t n = a[4];
    if (!c || n > 0x10000) return 0;
    const char* text = n ? reinterpret_cast<const char*>(in.mem.at(a[3], n)) : "";
    const DeviceContext& d = dc(in);
    c.vdu->native_text(sgn(a[1]), sgn(a[2]), std::string_view(text, n), d.text_colour, d.bk_colour, d.bk_mode == 2);
    return 1;
}
// GetTextExtentPoint32(hdc, text, count, &size): the SIZE of the text.
uint32_t g_text_extent(Interp& in, const uint32_t* a) {
    const uint32_t n = a[2];
    if (a[0] != kMemoryDc || !in.vdu || n > 0x10000) return 0;
    const char* text = n ? reinterpret_cast<const char*>(in.mem.at(a[1], n)) : "";
    int64_t width;
    int height;
    in.vdu->native_text_size(std::string_view(text, n), width, height);
    uint8_t* size = in.mem.at(a[3], 8);
    const int32_t w = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX)), h = height;
    std::memcpy(size, &w, 4);
    std::memcpy(size + 4, &h, 4);
    in.mem.note_store(a[3], 8);
    return 1;
}

uint32_t g_create_pen(Interp& in, const uint32_t* a) {
    static const vdu::PenStyle kStyles[5] = {vdu::PenStyle::Solid, vdu::PenStyle::Dash, vdu::PenStyle::Dot,
                                             vdu::PenStyle::DashDot, vdu::PenStyle::DashDotDot};
    Object pen{Object::Pen, rgb_of(a[2]), vdu::PenStyle::Solid, a[0] == 5};   // PS_NULL
    if (a[0] < 5) pen.style = kStyles[a[0]];
    return new_object(in, pen);
}
uint32_t g_create_brush(Interp& in, const uint32_t* a) {
    return new_object(in, {Object::Brush, rgb_of(a[0]), vdu::PenStyle::Solid, false});
}
uint32_t g_stock_object(Interp&, const uint32_t* a) {
    Object o;
    return stock_object(a[0], o) ? kStockBase + a[0] : 0;
}
uint32_t g_select_object(Interp& in, const uint32_t* a) {
    if (a[0] != kMemoryDc) return 0;
    Object o;
    if (a[1] - kStockBase <= 8) stock_object(a[1] - kStockBase, o);
    else if (const Object* p = object(in, a[1])) o = *p;
    else return 0;
    DeviceContext& d = dc(in);
    uint32_t old;
    if (o.kind == Object::Pen) {
        old = d.pen_handle;
        d.pen = o;
        d.pen_handle = a[1];
    } else {
        old = d.brush_handle;
        d.brush = o;
        d.brush_handle = a[1];
    }
    return old;
}
uint32_t g_delete_object(Interp& in, const uint32_t* a) {
    Object* o = object(in, a[0]);
    if (!o) return a[0] - kStockBase <= 8;   // stock objects are never deleted
    // What is selected stays as it was drawn (the context holds a copy).
    o->kind = Object::Free;
    return 1;
}

const WinFunction kGdi[] = {
    {"SetPixel", 4, g_set_pixel},
    {"SetPixelV", 4, g_set_pixel},
    {"GetPixel", 3, g_get_pixel},
    {"MoveToEx", 4, g_move_to},
    {"LineTo", 3, g_line_to},
    {"Rectangle", 5, g_rectangle},
    {"Ellipse", 5, g_ellipse},
    {"Polygon", 3, g_polygon},
    {"FillRect", 3, g_fill_rect},
    {"PatBlt", 6, g_pat_blt},
    {"BitBlt", 9, g_bit_blt},
    {"StretchBlt", 11, g_stretch_blt},
    {"SetTextColor", 2, g_set_text_colour},
    {"SetBkColor", 2, g_set_bk_colour},
    {"SetBkMode", 2, g_set_bk_mode},
    {"SetROP2", 2, g_set_rop2},
    {"TextOutA", 5, g_text_out},
    {"GetTextExtentPoint32A", 4, g_text_extent},
    {"CreatePen", 3, g_create_pen},
    {"CreateSolidBrush", 1, g_create_brush},
    {"GetStockObject", 1, g_stock_object},
    {"SelectObject", 2, g_select_object},
    {"DeleteObject", 1, g_delete_object},
};

}  // namespace

const WinFunction* gdi_functions(size_t& count) {
    count = std::size(kGdi);
    return kGdi;
}

}  // namespace kov::interp
