// Text output: the text cursor and window, printing, wrapping with the
// pending scroll, scrolling, paged mode, text at the graphics cursor, the
// screen MODEs, the fonts and the caret.
//
// Positions and sizes come from the state block, which the program may
// have poked: they are taken as 64-bit values and every rectangle is
// clipped to the shadow bitmap and every cell to the character map.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "vdu/system_font.h"
#include "vdu/vdu.h"

namespace kov::vdu {

using host::kShadowHeight;
using host::kShadowWidth;
using host::Rect;

namespace {
using Lock = std::lock_guard<std::mutex>;
}

host::Rect Vdu::clip_to_bitmap(int64_t l, int64_t t, int64_t r, int64_t b) {
    Rect c;
    c.left = static_cast<int>(std::clamp<int64_t>(l, 0, kShadowWidth));
    c.top = static_cast<int>(std::clamp<int64_t>(t, 0, kShadowHeight));
    c.right = static_cast<int>(std::clamp<int64_t>(r, 0, kShadowWidth));
    c.bottom = static_cast<int>(std::clamp<int64_t>(b, 0, kShadowHeight));
    if (c.empty()) c = Rect{};
    return c;
}

void Vdu::fill(const Rect& r, uint32_t colour) {
    for (int y = r.top; y < r.bottom; ++y) std::fill(row_ptr(y) + r.left, row_ptr(y) + r.right, colour);
}

void Vdu::build_row_table(uint32_t fg, uint32_t bg) {
    for (int b = 0; b < 256; ++b)
        for (int i = 0; i < 8; ++i) m_row8[b][i] = (b & (0x80 >> i)) ? fg : bg;
    m_row8_fg = fg;
    m_row8_bg = bg;
}

// ---- the character cell ----

int Vdu::cell_width(uint8_t c) const {
    if ((m_s[blk::Flags] & vflag::Proportional) && m_glyphs.advance[c] > 0) return m_glyphs.advance[c];
    return get32(blk::CharW);
}

void Vdu::store_map(uint8_t c, int64_t x, int64_t y) {
    int32_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    if (cw <= 0 || ch <= 0 || x < 0 || y < 0 || x > INT32_MAX || y > INT32_MAX) return;
    // 32-bit divisions: this runs for every character.
    uint32_t col = static_cast<uint32_t>(x) / static_cast<uint32_t>(cw);
    uint32_t row = static_cast<uint32_t>(y) / static_cast<uint32_t>(ch);
    if (col < kMapColumns && row < kMapRows) m_map[row * kMapColumns + col] = c;
}

// A user-defined character: its 8×8 pattern in dots of the dot size, each
// set bit in `fg`, each clear bit in *bg (none: left as it is).
void Vdu::draw_udc(uint8_t c, int64_t x, int64_t y, uint32_t fg, const uint32_t* bg) {
    const int64_t dw = std::clamp<int64_t>(get32(blk::DotW), 0, 256);
    const int64_t dh = std::clamp<int64_t>(get32(blk::DotH), 0, 256);
    const uint8_t* pat = m_udc + 8 * c;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            bool on = pat[i] & (0x80 >> j);
            if (!on && !bg) continue;
            fill(clip_to_bitmap(x + j * dw, y + i * dh, x + (j + 1) * dw, y + (i + 1) * dh), on ? fg : *bg);
        }
    }
}

// Draws c opaque in the text colours in the cell of `cell_w` × ch pixels
// at (x, y), as the glyph or the user-defined pattern.
void Vdu::draw_text_cell(uint8_t c, int64_t x, int64_t y, int cell_w) {
    const int64_t ch = get32(blk::CharH);
    const uint32_t fg = text_fg(), bg = text_bg();
    Rect cell = clip_to_bitmap(x, y, x + cell_w, y + ch);
    if (cell.empty()) return;
    Lock hold(m_surface.drawing_lock());
    if (m_udc[c]) {
        draw_udc(c, x, y, fg, &bg);
    } else if (m_glyphs.system && cell_w == 8 && cell.left == x && cell.right == x + 8) {
        // The common case: the built-in font in an 8-pixel cell.
        if (fg != m_row8_fg || bg != m_row8_bg) build_row_table(fg, bg);
        const uint8_t* rows = m_glyphs.oem ? kSystemFontOem[c] : kSystemFont[c];
        for (int yy = cell.top; yy < cell.bottom; ++yy) {
            int64_t gy = yy - y;
            uint32_t* p = row_ptr(yy) + cell.left;
            if (gy < 16) std::memcpy(p, m_row8[rows[gy]], 8 * sizeof(uint32_t));
            else std::fill(p, p + 8, bg);
        }
    } else {
        const int gw = m_glyphs.glyph_w, gh = m_glyphs.glyph_h;
        const uint8_t* mask = m_glyphs.masks.data() + static_cast<size_t>(c) * gw * gh;
        // Columns of the clipped cell that the glyph covers: [cell.left, glyph_end).
        const int glyph_end = static_cast<int>(std::min<int64_t>(cell.right, x + gw));
        const int64_t skip = cell.left - x;
        for (int yy = cell.top; yy < cell.bottom; ++yy) {
            int64_t gy = yy - y;
            uint32_t* p = row_ptr(yy);
            int xx = cell.left;
            if (gy < gh) {
                const uint8_t* m = mask + gy * gw + skip - cell.left;
                for (; xx < glyph_end; ++xx) p[xx] = m[xx] ? fg : bg;
            }
            for (; xx < cell.right; ++xx) p[xx] = bg;
        }
    }
    present(cell);
}

// ---- printing at the text cursor ----

void Vdu::resolve_pending_scroll() {
    int64_t y = get32(blk::CurY), ch = get32(blk::CharH);
    if (y + ch > get32(blk::TwBottom)) {
        set32(blk::CurY, static_cast<int32_t>(y - ch));
        page_check();
        scroll(3, false);
    }
}

void Vdu::print_char(uint8_t c) {
    resolve_pending_scroll();
    const int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    int64_t x = get32(blk::CurX), y = get32(blk::CurY);
    int w;
    if (m_s[blk::Mode] == 7) {
        teletext_print(c, x, y);
        w = static_cast<int>(cw);
    } else {
        store_map(c, x, y);
        w = cell_width(c);
        draw_text_cell(c, x, y, w);
    }
    if (m_sink && c >= 32) m_sink->text_char(c);
    x += w;
    if (x + cw > get32(blk::TwRight)) {
        x = get32(blk::TwLeft);
        wait_while_paused();
        y += ch;
    }
    set32(blk::CurX, static_cast<int32_t>(x));
    set32(blk::CurY, static_cast<int32_t>(y));
    update_caret();
}

void Vdu::cursor_left() {
    int64_t cw = get32(blk::CharW);
    int64_t x = get32(blk::CurX) - cw;
    if (x < get32(blk::TwLeft)) {
        x = cw > 0 ? (get32(blk::TwRight) / cw - 1) * cw : get32(blk::TwLeft);
        set32(blk::CurX, static_cast<int32_t>(x));
        cursor_up();
        return;
    }
    set32(blk::CurX, static_cast<int32_t>(x));
}

void Vdu::cursor_right() {
    resolve_pending_scroll();
    int64_t cw = get32(blk::CharW);
    int64_t x = get32(blk::CurX) + cw;
    if (x + cw > get32(blk::TwRight)) {
        set32(blk::CurX, get32(blk::TwLeft));
        line_feed();
        return;
    }
    set32(blk::CurX, static_cast<int32_t>(x));
}

void Vdu::line_feed() {
    wait_while_paused();
    int64_t ch = get32(blk::CharH);
    int64_t y = get32(blk::CurY) + ch;
    if (y + ch > get32(blk::TwBottom)) {
        set32(blk::CurY, static_cast<int32_t>(y - ch));
        page_check();
        scroll(3, false);
        return;
    }
    set32(blk::CurY, static_cast<int32_t>(y));
}

void Vdu::cursor_up() {
    int64_t ch = get32(blk::CharH);
    int64_t y = get32(blk::CurY) - ch;
    if (y < get32(blk::TwTop)) {
        scroll(2, false);
        return;
    }
    set32(blk::CurY, static_cast<int32_t>(y));
}

void Vdu::clear_text_window() {
    const int64_t left = get32(blk::TwLeft), right = get32(blk::TwRight);
    const int64_t top = get32(blk::TwTop), bottom = get32(blk::TwBottom);
    set32(blk::CurX, static_cast<int32_t>(left));
    set32(blk::CurY, static_cast<int32_t>(top));
    const int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    if (cw > 0 && ch > 0) {
        int64_t c0 = std::clamp<int64_t>(left / cw, 0, kMapColumns), c1 = std::clamp<int64_t>(right / cw, 0, kMapColumns);
        int64_t r0 = std::clamp<int64_t>(top / ch, 0, kMapRows), r1 = std::clamp<int64_t>((bottom + ch - 1) / ch, 0, kMapRows);
        for (int64_t r = r0; r < r1 && c0 < c1; ++r) std::memset(m_map + r * kMapColumns + c0, ' ', static_cast<size_t>(c1 - c0));
    }
    if (m_s[blk::Mode] == 7) {
        teletext_render_all();
        return;
    }
    Rect win = clip_to_bitmap(left, top, right, bottom);
    Lock hold(m_surface.drawing_lock());
    fill(win, text_bg());
    present(win);
}

void Vdu::move_cursor(uint8_t x, uint8_t y) {
    if (x >= 128 || y >= 128) return;
    int64_t nx = x * int64_t{get32(blk::CharW)} + get32(blk::TwLeft);
    int64_t ny = y * int64_t{get32(blk::CharH)} + get32(blk::TwTop);
    if (nx > get32(blk::TwRight) || ny > get32(blk::TwBottom)) return;
    set32(blk::CurX, static_cast<int32_t>(nx));
    set32(blk::CurY, static_cast<int32_t>(ny));
}

void Vdu::text_window(uint8_t l, uint8_t b, uint8_t r, uint8_t t) {
    int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    int64_t left = l * cw, right = (r + 1) * cw, top = t * ch, bottom = (b + 1) * ch;
    if (!(left < right && right <= get32(blk::ClientW) && top < bottom && bottom <= get32(blk::ClientH))) return;
    set32(blk::TwLeft, static_cast<int32_t>(left));
    set32(blk::TwRight, static_cast<int32_t>(right));
    set32(blk::TwTop, static_cast<int32_t>(top));
    set32(blk::TwBottom, static_cast<int32_t>(bottom));
    int64_t x = get32(blk::CurX), y = get32(blk::CurY);
    if (x < left || x >= right || y < top || y >= bottom) {
        set32(blk::CurX, static_cast<int32_t>(left));
        set32(blk::CurY, static_cast<int32_t>(top));
    }
}

int Vdu::column() const {
    int64_t cw = get32(blk::CharW);
    if (cw <= 0) return 0;
    return static_cast<int>(static_cast<uint32_t>(get32(blk::CurX) - get32(blk::TwLeft)) / static_cast<uint32_t>(cw));
}

int Vdu::row() const {
    int64_t ch = get32(blk::CharH);
    if (ch <= 0) return 0;
    return static_cast<int>(static_cast<uint32_t>(get32(blk::CurY) - get32(blk::TwTop)) / static_cast<uint32_t>(ch));
}

uint8_t Vdu::char_at_cursor() const {
    int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    int64_t x = get32(blk::CurX), y = get32(blk::CurY);
    if (cw <= 0 || ch <= 0 || x < 0 || y < 0 || x / cw >= kMapColumns || y / ch >= kMapRows) return ' ';
    uint8_t c = m_map[(y / ch) * kMapColumns + x / cw];
    return m_s[blk::Mode] == 7 ? teletext_read_byte(c) : c;
}

void Vdu::char_pattern(uint8_t c, uint8_t out[8]) const {
    if (m_udc[c] || c >= 128) {
        std::memcpy(out, m_udc + 8 * c, 8);
        return;
    }
    // The built-in 8×16 glyph squeezed to 8 rows (every other row, OR-ed).
    for (int i = 0; i < 8; ++i) out[i] = kSystemFont[c][2 * i] | kSystemFont[c][2 * i + 1];
}

// ---- scrolling and paging ----

// Scrolls the text window (or with `whole` the client area) by one cell:
// 0 right, 1 left, 2 down, 3 up. The vacated strip takes the text
// background colour.
void Vdu::scroll(int direction, bool whole) {
    int64_t left, right, top, bottom;
    if (whole) {
        left = 0, top = 0, right = get32(blk::ClientW), bottom = get32(blk::ClientH);
    } else {
        left = get32(blk::TwLeft), right = get32(blk::TwRight), top = get32(blk::TwTop), bottom = get32(blk::TwBottom);
    }
    const int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    if (cw <= 0 || ch <= 0) return;
    // The character map: the block of cells the rectangle covers.
    {
        int64_t c0 = std::clamp<int64_t>(left / cw, 0, kMapColumns), c1 = std::clamp<int64_t>(right / cw, 0, kMapColumns);
        int64_t r0 = std::clamp<int64_t>(top / ch, 0, kMapRows), r1 = std::clamp<int64_t>(bottom / ch, 0, kMapRows);
        if (c0 < c1 && r0 < r1) {
            size_t n = static_cast<size_t>(c1 - c0);
            auto at = [&](int64_t r, int64_t c) { return m_map + r * kMapColumns + c; };
            switch (direction) {
                case 3:
                    for (int64_t r = r0; r + 1 < r1; ++r) std::memcpy(at(r, c0), at(r + 1, c0), n);
                    std::memset(at(r1 - 1, c0), ' ', n);
                    break;
                case 2:
                    for (int64_t r = r1 - 1; r > r0; --r) std::memcpy(at(r, c0), at(r - 1, c0), n);
                    std::memset(at(r0, c0), ' ', n);
                    break;
                case 0:
                    for (int64_t r = r0; r < r1; ++r) {
                        std::memmove(at(r, c0 + 1), at(r, c0), n - 1);
                        *at(r, c0) = ' ';
                    }
                    break;
                default:
                    for (int64_t r = r0; r < r1; ++r) {
                        std::memmove(at(r, c0), at(r, c0 + 1), n - 1);
                        *at(r, c1 - 1) = ' ';
                    }
                    break;
            }
        }
    }
    if (m_s[blk::Mode] == 7) {
        // Teletext is drawn from the map.
        teletext_render_all();
        return;
    }
    Rect r = clip_to_bitmap(left, top, right, bottom);
    if (r.empty()) return;
    const uint32_t bg = text_bg();
    const int w = r.right - r.left, h = r.bottom - r.top;
    Lock hold(m_surface.drawing_lock());
    if (direction >= 2) {
        const int dy = static_cast<int>(std::min<int64_t>(ch, h));
        const int keep = h - dy;
        if (direction == 3) {
            if (w == kShadowWidth) {
                std::memmove(row_ptr(r.top), row_ptr(r.top + dy), sizeof(uint32_t) * kShadowWidth * keep);
            } else {
                for (int y = r.top; y < r.top + keep; ++y)
                    std::memcpy(row_ptr(y) + r.left, row_ptr(y + dy) + r.left, sizeof(uint32_t) * w);
            }
            fill({r.left, r.bottom - dy, r.right, r.bottom}, bg);
        } else {
            if (w == kShadowWidth) {
                std::memmove(row_ptr(r.top + dy), row_ptr(r.top), sizeof(uint32_t) * kShadowWidth * keep);
            } else {
                for (int y = r.bottom - 1; y >= r.top + dy; --y)
                    std::memcpy(row_ptr(y) + r.left, row_ptr(y - dy) + r.left, sizeof(uint32_t) * w);
            }
            fill({r.left, r.top, r.right, r.top + dy}, bg);
        }
    } else {
        const int dx = static_cast<int>(std::min<int64_t>(cw, w));
        const int keep = w - dx;
        for (int y = r.top; y < r.bottom; ++y) {
            uint32_t* p = row_ptr(y) + r.left;
            if (direction == 0) {
                std::memmove(p + dx, p, sizeof(uint32_t) * keep);
                std::fill(p, p + dx, bg);
            } else {
                std::memmove(p, p + dx, sizeof(uint32_t) * keep);
                std::fill(p + keep, p + w, bg);
            }
        }
    }
    present(r);
}

void Vdu::scroll_command() {
    scroll(param(2, 9) & 3, param(1, 9) != 0);
}

void Vdu::paged_on() {
    int r = row();
    m_s[blk::Paged] = static_cast<uint8_t>(128 + std::clamp(r - 6, 0, 127));
}

// Output at the bottom is about to scroll: in paged mode, count the line
// and after a pageful wait for Shift (or an event).
void Vdu::page_check() {
    uint8_t n = m_s[blk::Paged];
    if (!n) return;
    --n;
    m_s[blk::Paged] = n;
    if (n >= 128) return;
    paged_on();
    while (!m_client.page_released()) m_client.wait_tick();
}

void Vdu::wait_while_paused() {
    while (m_client.paused()) m_client.wait_tick();
}

// ---- text at the graphics cursor ----

void Vdu::graphics_control(uint8_t code) {
    const int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    int64_t x = get32(blk::GCurX), y = get32(blk::GCurY);
    const Rect& g = m_gwin;
    switch (code) {
        case 8:
            x -= cw;
            if (x < g.left) {
                x = g.right - cw;
                y -= ch;
                if (y < g.top) y = g.bottom - ch;
            }
            break;
        case 9:
            x += cw;
            if (x >= g.right) {
                x = g.left;
                y += ch;
                if (y >= g.bottom) y = g.top;
            }
            break;
        case 10:
            y += ch;
            if (y >= g.bottom) y = g.top;
            break;
        case 11:
            y -= ch;
            if (y < g.top) y = g.bottom - ch;
            break;
        case 13: x = g.left; break;
        default: x = g.left, y = g.top; break;   // 30
    }
    set32(blk::GCurX, static_cast<int32_t>(x));
    set32(blk::GCurY, static_cast<int32_t>(y));
}

// A character at the graphics cursor: only the glyph's pixels are drawn,
// combined with the screen by the foreground plotting mix, clipped to
// the graphics window; no scrolling.
void Vdu::print_graphics_char(uint8_t c) {
    const int64_t ch = get32(blk::CharH);
    int64_t x = get32(blk::GCurX), y = get32(blk::GCurY);
    const int w = cell_width(c);
    const uint8_t mix = m_s[blk::FgMix];
    const uint32_t colour = m_palette[m_s[blk::FgCol] & 15];
    if (c != ' ' && x >= 0 && y >= 0 && x < get32(blk::ClientW) && y < get32(blk::ClientH)) store_map(c, x, y);
    Rect cell = clip_to_bitmap(std::max<int64_t>(x, m_gwin.left), std::max<int64_t>(y, m_gwin.top),
                               std::min<int64_t>(x + w, m_gwin.right), std::min<int64_t>(y + ch, m_gwin.bottom));
    if (!cell.empty() && mix != rop::Nop) {
        Lock hold(m_surface.drawing_lock());
        if (m_udc[c]) {
            const int64_t dw = std::clamp<int64_t>(get32(blk::DotW), 0, 256);
            const int64_t dh = std::clamp<int64_t>(get32(blk::DotH), 0, 256);
            const uint8_t* pat = m_udc + 8 * c;
            for (int yy = cell.top; yy < cell.bottom; ++yy) {
                if (dh == 0) break;
                int64_t i = (yy - y) / dh;
                if (i >= 8) continue;
                uint32_t* p = row_ptr(yy);
                for (int xx = cell.left; xx < cell.right; ++xx) {
                    if (dw == 0) break;
                    int64_t j = (xx - x) / dw;
                    if (j < 8 && (pat[i] & (0x80 >> j))) p[xx] = rop2(mix, colour, p[xx]);
                }
            }
        } else {
            const int gw = m_glyphs.glyph_w, gh = m_glyphs.glyph_h;
            const uint8_t* mask = m_glyphs.masks.data() + static_cast<size_t>(c) * gw * gh;
            for (int yy = cell.top; yy < cell.bottom; ++yy) {
                int64_t gy = yy - y;
                if (gy >= gh) break;
                uint32_t* p = row_ptr(yy);
                for (int xx = cell.left; xx < cell.right; ++xx) {
                    int64_t gx = xx - x;
                    if (gx < gw && mask[gy * gw + gx]) p[xx] = rop2(mix, colour, p[xx]);
                }
            }
        }
        present(cell);
    }
    x += w;
    if (x >= m_gwin.right) {
        x = m_gwin.left;
        y += ch;
        if (y >= m_gwin.bottom) y = m_gwin.top;
    }
    set32(blk::GCurX, static_cast<int32_t>(x));
    set32(blk::GCurY, static_cast<int32_t>(y));
}

// Byte 127 at the graphics cursor: the previous cell is filled in the
// background graphics colour and mix and the cursor moves back onto it.
void Vdu::delete_graphics_char() {
    const int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    int64_t x = get32(blk::GCurX), y = get32(blk::GCurY);
    set32(blk::GPrevX, static_cast<int32_t>(x));
    set32(blk::GPrevY, static_cast<int32_t>(y + ch));
    Rect r = clip_to_bitmap(std::max<int64_t>(x - cw, m_gwin.left), std::max<int64_t>(y, m_gwin.top),
                            std::min<int64_t>(x + 1, m_gwin.right), std::min<int64_t>(y + ch + 1, m_gwin.bottom));
    {
        Lock hold(m_surface.drawing_lock());
        fill_rect(r, m_palette[m_s[blk::BgCol] & 15], m_s[blk::BgMix]);
        present(r);
    }
    set32(blk::GCurX, static_cast<int32_t>(x - cw));
    set32(blk::GCurY, static_cast<int32_t>(y));
}

// ---- the caret ----

void Vdu::caret_reset() {
    uint8_t start = m_s[blk::CaretStart] & 0x60;
    uint8_t end = m_s[blk::CaretEnd];
    if (!(m_s[blk::Flags] & vflag::BlockCaret)) start |= static_cast<uint8_t>((end - 2) & 0x1F);
    m_s[blk::CaretStart] = start;
    update_caret();
}

void Vdu::update_caret() {
    host::Caret c;
    uint8_t start = m_s[blk::CaretStart];
    c.visible = start < 32;
    c.x = get32(blk::CurX);
    // A poked cursor must not overflow.
    c.y = static_cast<int>(std::clamp<int64_t>(int64_t{get32(blk::CurY)} + (start & 31), INT32_MIN, INT32_MAX));
    c.width = get32(blk::CharW);
    c.height = static_cast<int>(m_s[blk::CaretEnd]) - (start & 31);
    if (c.x == m_caret.x && c.y == m_caret.y && c.width == m_caret.width && c.height == m_caret.height &&
        c.visible == m_caret.visible)
        return;
    m_caret = c;
    Lock hold(m_surface.drawing_lock());
    m_surface.set_caret(c);
}

// ---- MODEs ----

void Vdu::select_mode(int n) {
    n &= 127;
    if (n >= 34) {
        m_client.error(25, "Bad MODE");
        return;
    }
    uint8_t flags = m_s[blk::Flags];
    if (n < 16 && (flags & (vflag::Ega1 | vflag::Ega2))) n = kEgaRemap[(flags & vflag::Ega1) && n < 8 ? n + 8 : n];
    const ModeInfo& m = kModes[n];
    m_s[blk::Mode] = static_cast<uint8_t>(n);
    finish_mode(m.width, m.height, m.char_width, m.char_height, static_cast<uint8_t>(m.colours - 1),
                flags & (vflag::Ega1 | vflag::Ega2));
}

void Vdu::user_mode() {
    uint32_t w = static_cast<uint32_t>(static_cast<int32_t>(param16(1, 9)));
    uint32_t h = static_cast<uint32_t>(static_cast<int32_t>(param16(3, 9)));
    uint8_t cw = param(5, 9), ch = param(6, 9), colours = param(7, 9), charset = param(8, 9);
    // A cell of no size would leave nothing to divide by.
    if (w > static_cast<uint32_t>(kShadowWidth) || h > static_cast<uint32_t>(kShadowHeight) || cw == 0 || ch == 0) {
        m_client.error(25, "Bad MODE");
        return;
    }
    m_s[blk::Mode] = 255;
    finish_mode(static_cast<int>(w), static_cast<int>(h), cw, ch, static_cast<uint8_t>(colours - 1), charset != 0);
}

void Vdu::finish_mode(int w, int h, int cw, int ch, uint8_t mask, bool oem) {
    m_s[blk::ColourMask] = mask;
    set32(blk::ClientW, w);
    set32(blk::ClientH, h);
    set32(blk::CharW, cw);
    set32(blk::CharH, ch);
    set32(blk::DotW, cw / 8);
    set32(blk::DotH, ch / 8);
    m_s[blk::CaretEnd] = static_cast<uint8_t>(ch);
    load_mode_font(cw, ch, oem);
    {
        Lock hold(m_surface.drawing_lock());
        m_surface.set_client_size(w, h);
        std::fill(m_pixels.begin(), m_pixels.end(), 0);
        present({0, 0, kShadowWidth, kShadowHeight});
    }
    default_colours();
    end_mode_change();
    update_caret();
}

void Vdu::end_mode_change() {
    m_s[blk::Flags] &= static_cast<uint8_t>(~(vflag::Proportional | vflag::GraphicsText | vflag::Flash));
    m_s[blk::CaretStart] &= static_cast<uint8_t>(~0x60);
    caret_reset();
    reset_windows(false);
    clear_text_window();
    std::memset(m_map, ' ', sizeof m_map);
}

namespace {
// Copies a rendered glyph (advance × height) into a cell mask of gw × gh.
void copy_glyph(const std::vector<uint8_t>& src, int sw, int sh, uint8_t* dst, int gw, int gh) {
    for (int y = 0; y < gh && y < sh; ++y)
        for (int x = 0; x < gw && x < sw; ++x) dst[y * gw + x] = src[static_cast<size_t>(y) * sw + x] ? 1 : 0;
}
}  // namespace

// The font of a MODE: the built-in font in 8-pixel cells, otherwise the
// bold fixed-pitch font stretched to the cell (the built-in font scaled
// when there is no font loader or no such font).
void Vdu::load_mode_font(int cw, int ch, bool oem) {
    Glyphs g;
    g.oem = oem;
    m_font.reset();
    set32(blk::FontHandle, 0);
    if (cw == 8) {
        g.system = true;
        g.glyph_w = 8;
        g.glyph_h = 16;
        g.masks.assign(256 * 8 * 16, 0);
        for (int c = 0; c < 256; ++c) {
            const uint8_t* rows = oem ? kSystemFontOem[c] : kSystemFont[c];
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 8; ++x) g.masks[(c * 16 + y) * 8 + x] = (rows[y] >> (7 - x)) & 1;
            g.advance[c] = 8;
        }
        m_glyphs = std::move(g);
        m_s[blk::CaretEnd] = 16;
        return;
    }
    g.system = false;
    g.glyph_w = cw;
    g.glyph_h = ch;
    g.masks.assign(static_cast<size_t>(256) * cw * ch, 0);
    std::unique_ptr<host::Font> font;
    if (m_fonts) {
        host::FontRequest req;
        req.height = ch;
        req.width = cw;
        req.bold = true;
        std::string error;
        font = m_fonts->open(req, error);
    }
    const uint16_t* unicode = oem ? kUnicode437 : kUnicode1252;
    std::vector<uint8_t> mask;
    for (int c = 0; c < 256; ++c) {
        uint8_t* dst = g.masks.data() + static_cast<size_t>(c) * cw * ch;
        g.advance[c] = cw;
        if (font) {
            int adv = unicode[c] ? font->render(unicode[c], mask) : 0;
            if (adv > 0) copy_glyph(mask, adv, font->height, dst, cw, ch);
        } else {
            const uint8_t* rows = oem ? kSystemFontOem[c] : kSystemFont[c];
            for (int y = 0; y < ch; ++y)
                for (int x = 0; x < cw; ++x) dst[y * cw + x] = (rows[y * 16 / ch] >> (7 - x * 8 / cw)) & 1;
        }
    }
    if (font) {
        m_font = std::move(font);
        set32(blk::FontHandle, ++m_font_serial);
    }
    m_glyphs = std::move(g);
}

}  // namespace kov::vdu
