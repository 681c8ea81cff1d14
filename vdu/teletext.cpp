// The teletext screen of MODE 7: 40 × 25 cells of 16 × 20 pixels drawn
// from the character map. Bytes whose low seven bits are below 32 are
// in-line control characters that set the colours, mosaic graphics,
// flashing, hold and height of the cells after them on the same row; the
// state they build is derived left to right along each row and never
// stored, so any change to a cell re-evaluates its row from the start.
#include <algorithm>
#include <cstring>

#include "vdu/vdu.h"

namespace kov::vdu {

using host::Rect;

namespace {

using Lock = std::lock_guard<std::mutex>;

constexpr int kColumns = 40, kRows = 25;
constexpr int kCellW = 16, kCellH = 20;

// The 8 × 8 shapes drawn in 2 × 2 dots for characters the code page
// lacks: left, right and up arrows, a double bar and a solid block.
constexpr uint8_t kBuiltInGlyphs[5][8] = {
    {0x00, 0x10, 0x20, 0x7E, 0x20, 0x10, 0x00, 0x00},
    {0x00, 0x08, 0x04, 0x7E, 0x04, 0x08, 0x00, 0x00},
    {0x00, 0x10, 0x38, 0x54, 0x10, 0x10, 0x10, 0x00},
    {0x00, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x00},
    {0x00, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x00},
};

bool is_control(uint8_t b) { return (b & 127) < 32; }
// Bytes that are drawn as mosaics while mosaic mode is on: 32–63 and 96–127.
bool mosaic_capable(uint8_t b) { return (b & 127) >= 32 && (b & 0x60) != 0x40; }
bool is_double_code(uint8_t b) { return (b & 127) == 13; }

// Each cell's state, derived from the cells before it on its row.
struct Cell {
    enum Kind : uint8_t { Blank, Char, Glyph, Mosaic };
    Kind kind = Blank;
    uint8_t value = 0;       // the code-page character, glyph number, or mosaic bits (32: separated)
    uint8_t fg = 7, bg = 0;  // teletext colours 0–7
    bool flash = false;
    bool hold = false;       // hold mosaics is in effect on this cell
    uint8_t half = 0;        // double height: 0 none, 1 the top half stretched, 2 the bottom half
};

struct RowLook {
    Cell cells[kColumns];
    bool has_double = false;   // the row holds a double-height code
};

// How an alphanumeric is shown: the stored byte's code-page character, or
// (through `glyph`) one of the built-in glyphs.
uint8_t substitute(uint8_t code, bool& glyph) {
    glyph = false;
    switch (code) {
        case 35: return 163;    // pound sign
        case 91: glyph = true; return 0;
        case 92: return 189;    // one half
        case 93: glyph = true; return 1;
        case 94: glyph = true; return 2;
        case 95: return 35;     // hash
        case 96: return 151;    // em dash
        case 123: return 188;   // one quarter
        case 124: glyph = true; return 3;
        case 125: return 190;   // three quarters
        case 126: return 247;   // division sign
        case 127: glyph = true; return 4;
        default: return code;
    }
}

// Derives the cells of a row of 40 bytes; `lower` when the row is the
// lower half of a double-height pair.
void evaluate_row(const uint8_t* bytes, bool lower, RowLook& out) {
    uint8_t fg = 7, bg = 0, held = 0;
    bool flash = false, mosaic = false, separated = false, tall = false, hold = false;
    out.has_double = false;
    for (int i = 0; i < kColumns; ++i) {
        const uint8_t code = bytes[i] & 127;
        Cell& c = out.cells[i];
        c.kind = Cell::Blank;
        c.value = 0;
        if (code < 32) {
            // Changes that already apply to the control cell itself.
            if (!mosaic) held = 0;
            switch (code) {
                case 9: flash = false; break;                       // steady
                case 12:                                            // normal height
                    if (tall) held = 0;
                    tall = false;
                    break;
                case 13: out.has_double = true; break;
                case 24: fg = bg; break;                            // conceal
                case 25: separated = false; break;
                case 26: separated = true; break;
                case 28: bg = 0; break;                             // black background
                case 29: bg = fg; break;                            // new background
                case 30: hold = true; break;
                default: break;
            }
            if (hold && held) {
                c.kind = Cell::Mosaic;
                c.value = held;
            }
        } else if (mosaic && mosaic_capable(code)) {
            held = static_cast<uint8_t>((code & 0x5F) | (separated ? 32 : 0));
            c.kind = Cell::Mosaic;
            c.value = held;
        } else {
            bool glyph;
            c.value = substitute(code, glyph);
            c.kind = glyph ? Cell::Glyph : Cell::Char;
        }
        c.fg = fg;
        c.bg = bg;
        c.flash = flash;
        c.hold = hold;
        c.half = tall ? (lower ? 2 : 1) : 0;
        if (lower && !tall) c.kind = Cell::Blank;
        if (code < 32) {
            // Changes that start with the next cell.
            switch (code) {
                case 1: case 2: case 3: case 4: case 5: case 6: case 7:
                    mosaic = false;
                    fg = code;
                    break;
                case 8: flash = true; break;
                case 13:
                    if (!tall) held = 0;
                    tall = true;
                    break;
                case 17: case 18: case 19: case 20: case 21: case 22: case 23:
                    mosaic = true;
                    fg = static_cast<uint8_t>(code - 16);
                    break;
                case 31: hold = false; break;                       // release
                default: break;
            }
        }
    }
}

}  // namespace

uint32_t teletext_colour(int n) {
    return ((n & 1) ? 0xC80000u : 0) | ((n & 2) ? 0x00C800u : 0) | ((n & 4) ? 0x0000C8u : 0);
}

uint8_t teletext_stored_byte(uint8_t c) {
    switch (c) {
        case 35: return 95;
        case 95: return 96;
        case 96: return 35;
        default: return c;
    }
}

uint8_t teletext_read_byte(uint8_t c) {
    switch (c) {
        case 35: return 96;
        case 96: return 95;
        case 95: return 35;
        default: return c;
    }
}

namespace {

// Draws one cell into a 16 × 20 buffer: the background, then the
// character, glyph or mosaic blocks in the foreground.
void paint_cell(const Cell& c, bool flash_phase, const uint8_t* font_mask, int font_w, int font_h,
                uint32_t* buf) {
    const uint32_t fg = teletext_colour(c.fg), bg = teletext_colour(c.bg);
    std::fill(buf, buf + kCellW * kCellH, bg);
    if (c.flash && flash_phase) return;
    auto block = [&](int left, int top, int w, int h) {
        for (int y = top; y < top + h; ++y) std::fill(buf + y * kCellW + left, buf + y * kCellW + left + w, fg);
    };
    switch (c.kind) {
        case Cell::Blank: break;
        case Cell::Char: {
            if (c.value == 32 || !font_mask) break;
            const uint8_t* m = font_mask + static_cast<size_t>(c.value) * font_w * font_h;
            for (int y = 0; y < kCellH && y < font_h; ++y)
                for (int x = 0; x < kCellW && x < font_w; ++x)
                    if (m[y * font_w + x]) buf[y * kCellW + x] = fg;
            break;
        }
        case Cell::Glyph: {
            const uint8_t* rows = kBuiltInGlyphs[c.value % 5];
            for (int r = 0; r < 8; ++r)
                for (int j = 0; j < 8; ++j)
                    if (rows[r] & (0x80 >> j)) block(2 * j, 2 + 2 * r, 2, 2);
            break;
        }
        case Cell::Mosaic: {
            // Blocks 8 pixels wide in rows 7, 7 and 6 high; separated
            // blocks are 4 × 4, inset by 2 from the top-left of their block.
            static constexpr uint8_t kBit[6] = {1, 2, 4, 8, 16, 64};
            static constexpr int kTop[3] = {0, 7, 14}, kHeight[3] = {7, 7, 6};
            const bool separated = c.value & 32;
            for (int k = 0; k < 6; ++k) {
                if (!(c.value & kBit[k])) continue;
                const int left = (k & 1) * 8, top = kTop[k / 2];
                if (separated) block(left + 2, top + 2, 4, 4);
                else block(left, top, 8, kHeight[k / 2]);
            }
            break;
        }
    }
}

// Draws cells into the shadow bitmap and shows them; made while the
// drawing lock is held.
class Painter {
public:
    // `masks` holds the alphanumerics' glyphs, `font_w` × `font_h` bytes
    // each; the flash phase is a bit of the VDU `flags`.
    Painter(uint32_t* pixels, host::Surface& surface, const std::vector<uint8_t>& masks, int font_w, int font_h,
            uint8_t flags)
        : m_pixels(pixels), m_surface(surface), m_mask(masks.empty() ? nullptr : masks.data()),
          m_font_w(font_w), m_font_h(font_h), m_phase(flags & vflag::Flash) {}

    void cell(const RowLook& look, int row, int col) {
        uint32_t buf[kCellW * kCellH];
        const Cell& c = look.cells[col];
        paint_cell(c, m_phase, m_mask, m_font_w, m_font_h, buf);
        const int x = col * kCellW, y0 = row * kCellH;
        for (int y = 0; y < kCellH; ++y) {
            // Double height: one half of the cell stretched over all of it.
            const int from = c.half == 0 ? y : (c.half == 1 ? y / 2 : kCellH / 2 + y / 2);
            std::memcpy(m_pixels + static_cast<size_t>(y0 + y) * host::kShadowWidth + x, buf + from * kCellW,
                        sizeof(uint32_t) * kCellW);
        }
        m_surface.present(x, y0, kCellW, kCellH);
    }

    // Draws the rows of `map` from `first` on, the first being a lower
    // half if `lower`; with `all` false only while the row before holds a
    // double-height code.
    void rows(const uint8_t* map, int first, bool lower, bool all) {
        RowLook look;
        for (int r = first; r < kRows; ++r) {
            evaluate_row(map + r * kMapColumns, lower, look);
            for (int col = 0; col < kColumns; ++col) cell(look, r, col);
            if (!all && !look.has_double) break;
            lower = look.has_double && !lower;
        }
    }

private:
    uint32_t* m_pixels;
    host::Surface& m_surface;
    const uint8_t* m_mask;
    int m_font_w, m_font_h;
    bool m_phase;
};

}  // namespace

// A row is the lower half of a double-height pair when an odd number of
// consecutive rows directly above it hold a double-height code.
bool Vdu::teletext_lower_half(int row) const {
    int count = 0;
    for (int r = row - 1; r >= 0; --r) {
        const uint8_t* bytes = m_map + r * kMapColumns;
        if (std::none_of(bytes, bytes + kColumns, is_double_code)) break;
        ++count;
    }
    return count & 1;
}

void Vdu::teletext_render_all() {
    Lock hold(m_surface.drawing_lock());
    Painter paint(m_pixels.data(), m_surface, m_glyphs.masks, m_glyphs.glyph_w, m_glyphs.glyph_h, m_s[blk::Flags]);
    paint.rows(m_map, 0, false, true);
}

// Stores a printed byte at the cell of pixel position (x, y) and redraws
// what the change affects: the cell itself; the rest of its row when a
// control character came or went; the cells after it that show the held
// mosaic when a mosaic may have changed; and the rows below when a
// double-height code came or went.
void Vdu::teletext_print(uint8_t c, int64_t x, int64_t y) {
    const int64_t cw = get32(blk::CharW), ch = get32(blk::CharH);
    if (cw <= 0 || ch <= 0 || x < 0 || y < 0) return;
    const int64_t col = x / cw, row = y / ch;
    if (col >= kMapColumns || row >= kMapRows) return;
    const uint8_t now = teletext_stored_byte(c);
    uint8_t& cell = m_map[row * kMapColumns + col];
    const uint8_t old = cell;
    if (old == now) return;
    cell = now;
    // A poked cell size can put the cursor outside the teletext screen.
    if (col >= kColumns || row >= kRows) return;
    const int r = static_cast<int>(row), k = static_cast<int>(col);
    const bool lower = teletext_lower_half(r);
    RowLook look;
    evaluate_row(m_map + r * kMapColumns, lower, look);
    Lock hold(m_surface.drawing_lock());
    Painter paint(m_pixels.data(), m_surface, m_glyphs.masks, m_glyphs.glyph_w, m_glyphs.glyph_h, m_s[blk::Flags]);
    paint.cell(look, r, k);
    if (is_control(old) || is_control(now)) {
        for (int i = k + 1; i < kColumns; ++i) paint.cell(look, r, i);
    } else if (mosaic_capable(old) || mosaic_capable(now)) {
        for (int i = k + 1; i < kColumns && look.cells[i].hold; ++i) paint.cell(look, r, i);
    }
    if ((is_double_code(old) || is_double_code(now)) && r + 1 < kRows)
        paint.rows(m_map, r + 1, look.has_double && !lower, false);
}

// The 250 ms tick: the flash phase changes and only the cells with the
// flash attribute are drawn again.
void Vdu::flash_tick() {
    if (m_s[blk::Mode] != 7) return;
    m_s[blk::Flags] ^= vflag::Flash;
    Lock hold(m_surface.drawing_lock());
    Painter paint(m_pixels.data(), m_surface, m_glyphs.masks, m_glyphs.glyph_w, m_glyphs.glyph_h, m_s[blk::Flags]);
    RowLook look;
    bool lower = false;
    for (int r = 0; r < kRows; ++r) {
        evaluate_row(m_map + r * kMapColumns, lower, look);
        for (int col = 0; col < kColumns; ++col)
            if (look.cells[col].flash) paint.cell(look, r, col);
        lower = look.has_double && !lower;
    }
}

}  // namespace kov::vdu
