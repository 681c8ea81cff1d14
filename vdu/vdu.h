// The VDU driver: every byte the program outputs passes through write().
// Control codes collect their parameter bytes in the queue of the state
// block; printable characters are drawn into the shadow bitmap at the text
// cursor (or the graphics cursor after VDU 5) and recorded in the
// character map. All the driver's BASIC-visible state lives in the VDU
// state block in BASIC memory (at fixed::VduBlock, the value of @vdu%), so
// programs read and poke it; every value read back from it is checked
// before it is used to address pixels or cells.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/fonts.h"
#include "host/surface.h"
#include "interp/memory.h"
#include "vdu/raster.h"

namespace kov::vdu {

// Offsets of the fields of the VDU state block from @vdu%.
namespace blk {
constexpr int OriginX = 0, OriginY = 4;          // graphics origin (graphics units)
constexpr int GCurX = 8, GCurY = 12;             // graphics cursor (pixels)
constexpr int GPrevX = 16, GPrevY = 20;          // previous graphics point
constexpr int TwLeft = 24, TwRight = 28, TwTop = 32, TwBottom = 36;   // text window
constexpr int DotW = 40, DotH = 44;
constexpr int CurX = 48, CurY = 52;              // text cursor (pixels)
constexpr int FontHandle = 56, GwinHandle = 60;
constexpr int FgMix = 64, FgCol = 65, BgMix = 66, BgCol = 67;
constexpr int CaretStart = 68, CaretEnd = 69;
constexpr int TextFg = 70, TextBg = 71;
constexpr int Mode = 72, ColourMask = 73, Flags = 74, Paged = 75;
constexpr int QueueLast = 200, QueueCode = 201, QueueCount = 202;
constexpr int ClientW = 208, ClientH = 212, CharW = 216, CharH = 220;
constexpr int First = -16, End = 248;            // extent of the block
}  // namespace blk

// VDU flag bits (offset 74).
namespace vflag {
constexpr uint8_t BlockCaret = 0x01, Ega1 = 0x02, Ega2 = 0x04, Printer = 0x08;
constexpr uint8_t GraphicsText = 0x10, Disabled = 0x20, Proportional = 0x40, Flash = 0x80;
}  // namespace vflag

// SetROP2 drawing modes the GCOL mixes use.
namespace rop {
constexpr uint8_t Xor = 7, And = 9, Nop = 11, Copy = 13, Or = 15;
}

// Combines pen colour `p` with pixel `d` (0xRRGGBB) by the SetROP2 mode
// `code` (1..16; others act as copy): its four bits are the truth table.
inline uint32_t rop2(uint8_t code, uint32_t p, uint32_t d) {
    if (code == rop::Copy || code < 1 || code > 16) return p;
    unsigned t = code - 1u;
    uint32_t r = 0;
    if (t & 1) r |= ~p & ~d;
    if (t & 2) r |= ~p & d;
    if (t & 4) r |= p & ~d;
    if (t & 8) r |= p & d;
    return r & 0xFFFFFF;
}

constexpr int kMapColumns = host::kCharMapColumns, kMapRows = host::kCharMapRows;

// Teletext (MODE 7): colour n (0–7) as 0xRRGGBB, 200 in each component
// whose bit is set (1 red, 2 green, 4 blue).
uint32_t teletext_colour(int n);
// The character map holds '#', '_' and '`' rotated (35 as 95, 95 as 96,
// 96 as 35), so each is shown as its teletext counterpart; reading back
// undoes the rotation.
uint8_t teletext_stored_byte(uint8_t c);
uint8_t teletext_read_byte(uint8_t c);

// The characters drawn at the text cursor, for the headless text mirror.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void text_char(uint8_t c) = 0;   // 32..255
    virtual void text_newline() = 0;         // a line feed at the text cursor
};

// What the driver needs from the rest of the engine.
class Client {
public:
    virtual ~Client() = default;
    // Raises BASIC error `number` (must not return).
    virtual void error(int number, const char* message) = 0;
    // The bell.
    virtual void beep() {}
    // True while output should pause (Pause, or Shift and Ctrl held).
    virtual bool paused() { return false; }
    // True while Shift is held or an event is pending (ends a paged-mode
    // wait). With no keyboard to hold it is always true.
    virtual bool page_released() { return true; }
    // Sleeps about 10 ms and runs the interpreter's event check (which may
    // raise Escape).
    virtual void wait_tick() {}
};

struct ModeInfo {
    int width, height, char_width, char_height, colours;
};
extern const ModeInfo kModes[34];
extern const uint8_t kEgaRemap[16];
// The 16-colour table (also the physical colours of VDU 19), 0xRRGGBB.
extern const uint32_t kPalette16[16];

// The shadow bitmap's memory. Its pages are kept for the next driver of
// the process when a driver ends (tests make many), so a new screen does
// not fault in 7.5 MiB afresh.
class ShadowPixels {
public:
    static constexpr size_t kCount = static_cast<size_t>(host::kShadowWidth) * host::kShadowHeight;
    ShadowPixels();
    ~ShadowPixels();
    ShadowPixels(const ShadowPixels&) = delete;
    ShadowPixels& operator=(const ShadowPixels&) = delete;
    uint32_t* data() { return m_p; }
    const uint32_t* data() const { return m_p; }
    uint32_t* begin() { return m_p; }
    uint32_t* end() { return m_p + kCount; }
    uint32_t operator[](size_t i) const { return m_p[i]; }

private:
    uint32_t* m_p;
};

class Vdu {
public:
    // `memory` must be mapped: the state block lives in its fixed area
    // and the user-defined characters at base + 0x1000.
    Vdu(interp::Memory& memory, host::Surface& surface, Client& client);
    ~Vdu();
    Vdu(const Vdu&) = delete;
    Vdu& operator=(const Vdu&) = delete;

    // Start-up: the state of a fresh window (of the start size) with 8×16
    // cells, black text on colour 15, the screen cleared.
    void start() { start(m_start_width, m_start_height); }
    void start(int width, int height);
    // The client size start() gives (640 × 512 unless set).
    void set_start_size(int width, int height) { m_start_width = width; m_start_height = height; }

    // Writes one byte of the VDU stream.
    void write(uint8_t c);
    // Abandons a partially received control sequence (error reports).
    void reset();

    void set_text_sink(TextSink* sink) { m_sink = sink; m_stopped_sink = nullptr; }
    void set_font_loader(host::FontLoader* loader) { m_fonts = loader; }
    // The PNG written when the program stops (empty: none).
    void set_screenshot(std::string path) { m_screenshot_path = std::move(path); }

    // The program has stopped: writes the screenshot (once) and ends the
    // text mirror, so the stop sequence's prompt is drawn but not mirrored.
    void program_stopped();
    const std::string& screenshot_error() const { return m_screenshot_error; }
    // Writes the visible W×H part of the shadow bitmap as a PNG file.
    bool save_png(const std::string& path, std::string& error);

    // POS and VPOS: the text cursor's cell within the text window.
    int column() const;
    int row() const;
    // The character at the text cursor (32 for an empty cell or none).
    uint8_t char_at_cursor() const;
    // The 8×8 pattern of character c (user-defined or built in).
    void char_pattern(uint8_t c, uint8_t out[8]) const;
    // The 250 ms tick, taken when the engine polls its events: in MODE 7
    // the flash phase changes and the flashing cells are drawn again.
    void flash_tick();

    // Star commands of the screen. Errors go through the client.
    void star_font(std::string_view arg);
    void star_ega(std::string_view arg);
    void star_noega();

    // Pixels and palette.
    const uint32_t* pixels() const { return m_pixels.data(); }
    uint32_t pixel(int x, int y) const {
        return (x >= 0 && y >= 0 && x < host::kShadowWidth && y < host::kShadowHeight)
                   ? m_pixels[static_cast<size_t>(y) * host::kShadowWidth + x] : 0;
    }
    uint32_t palette(int i) const { return m_palette[i & 15]; }
    // Pictures: copies a w × h block of 0xRRGGBB pixels (top row first)
    // with its top-left at (left, top), clipped to the visible screen, and
    // shows it; reads one back (black outside the screen).
    void put_pixels(int left, int top, int w, int h, const uint32_t* rgb);
    void get_pixels(int left, int top, int w, int h, uint32_t* rgb);
    // The visible screen (the client area) in pixels.
    int screen_width() const;
    int screen_height() const;
    // Native drawing calls (on @memhdc%) draw straight into the shadow
    // bitmap while their caller holds the drawing lock, then show the
    // rectangle they changed.
    uint32_t* native_pixels() { return m_pixels.data(); }
    void native_drawn(const host::Rect& r) { present(r); }
    // Native text (TextOut): the bytes of `text` in the current font with
    // the top-left of the first glyph at pixel (x, y), set dots in `fg`
    // and, when `opaque`, the rest of each glyph's box in `bg`; clipped to
    // the shadow bitmap and shown. Returns the width the text advanced.
    int64_t native_text(int64_t x, int64_t y, std::string_view text, uint32_t fg, uint32_t bg, bool opaque);
    // The width and height of `text` in the current font (GetTextExtentPoint32).
    void native_text_size(std::string_view text, int64_t& width, int& height) const;
    // The palette index nearest to an RGB value (POINT): the least sum of
    // squared component differences, the lowest index on a tie.
    int nearest_palette_index(uint32_t rgb) const;
    const uint8_t* char_map() const { return m_map; }
    uint32_t block_address() const { return interp::fixed::VduBlock; }
    // POINT (logical colour) and TINT (`rgb`: red in the low byte) of the
    // point (x, y) in graphics units; -1 outside the graphics window.
    int32_t read_point(int32_t x, int32_t y, bool rgb) const;
    // The graphics window's bounding box (pixels).
    host::Rect graphics_window() const { return m_gwin; }

    // The state block fields.
    int32_t get32(int off) const { int32_t v; std::memcpy(&v, m_s + off, 4); return v; }
    void set32(int off, int32_t v) { std::memcpy(m_s + off, &v, 4); }
    uint8_t get8(int off) const { return m_s[off]; }
    void set8(int off, uint8_t v) { m_s[off] = v; }

private:
    // A font's glyphs as coverage masks of glyph_w × glyph_h bytes.
    struct Glyphs {
        int glyph_w = 8, glyph_h = 16;
        bool system = true;              // the built-in 8x16 bit rows
        bool oem = false;
        std::vector<uint8_t> masks;      // 256 × glyph_w × glyph_h
        int advance[256] = {};
        int average = 8;
        int height = 16;
    };

    void control(uint8_t code);
    uint8_t param(int k, int n) const { return m_s[blk::QueueLast - n + 1 + k]; }
    int16_t param16(int k, int n) const {
        return static_cast<int16_t>(param(k, n) | (param(k + 1, n) << 8));
    }
    void printer_control(uint8_t code);

    // Text (text.cpp).
    void print_char(uint8_t c);
    void print_graphics_char(uint8_t c);
    void draw_text_cell(uint8_t c, int64_t x, int64_t y, int cell_w);
    void draw_udc(uint8_t c, int64_t x, int64_t y, uint32_t fg, const uint32_t* bg);
    int cell_width(uint8_t c) const;
    void store_map(uint8_t c, int64_t x, int64_t y);
    void cursor_left();
    void cursor_right();
    void line_feed();
    void cursor_up();
    void clear_text_window();
    void move_cursor(uint8_t x, uint8_t y);
    void text_window(uint8_t l, uint8_t b, uint8_t r, uint8_t t);
    void graphics_control(uint8_t code);
    void delete_graphics_char();
    void resolve_pending_scroll();
    void scroll(int direction, bool whole);
    void page_check();
    void wait_while_paused();
    void paged_on();
    void select_mode(int n);
    void user_mode();
    void finish_mode(int w, int h, int cw, int ch, uint8_t mask, bool oem);
    // The end of every MODE change and of start-up: the flags, caret,
    // windows and cursors of a fresh screen, and an empty character map.
    void end_mode_change();
    void load_mode_font(int cw, int ch, bool oem);
    void caret_reset();
    void update_caret();
    void reset_windows(bool read_client);
    void scroll_command();

    // Teletext (teletext.cpp).
    void teletext_print(uint8_t c, int64_t x, int64_t y);
    void teletext_render_all();
    bool teletext_lower_half(int row) const;

    // Colours (colour.cpp).
    void text_colour(uint8_t c);
    void graphics_colour(uint8_t m, uint8_t c);
    void define_colour(uint8_t l, uint8_t p, uint8_t r, uint8_t g, uint8_t b);
    void default_colours();
    uint32_t text_fg() const { return m_palette[m_s[blk::TextFg] & 15]; }
    uint32_t text_bg() const { return m_palette[m_s[blk::TextBg] & 15]; }

    // Graphics the text side needs (graphics.cpp).
    void graphics_window(int16_t l, int16_t b, int16_t r, int16_t t);
    void clear_graphics();
    void plot(uint8_t k, int16_t x, int16_t y);
    void block_transfer(uint8_t k, Point p0, Point p1, Point p2);
    void fill_rect(host::Rect r, uint32_t colour, uint8_t mix);

    // Drawing helpers.
    static host::Rect clip_to_bitmap(int64_t l, int64_t t, int64_t r, int64_t b);
    void fill(const host::Rect& r, uint32_t colour);
    void present(const host::Rect& r) {
        if (!r.empty()) m_surface.present(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    uint32_t* row_ptr(int y) { return m_pixels.data() + static_cast<size_t>(y) * host::kShadowWidth; }
    void build_row_table(uint32_t fg, uint32_t bg);

    interp::Memory& m_mem;
    host::Surface& m_surface;
    Client& m_client;
    uint8_t* m_s;            // @vdu% in the fixed area
    uint8_t* m_udc;          // base + 0x1000
    TextSink* m_sink = nullptr;
    TextSink* m_stopped_sink = nullptr;   // the mirror while the program is stopped
    host::FontLoader* m_fonts = nullptr;
    ShadowPixels m_pixels;
    uint8_t m_map[kMapColumns * kMapRows];
    uint32_t m_palette[16];
    host::Rect m_gwin;
    Glyphs m_glyphs;
    std::unique_ptr<host::Font> m_font;   // the font of a MODE or *FONT, if any
    int32_t m_font_serial = 0;
    // 8 pixels for each byte of a glyph row in the current text colours.
    uint32_t m_row8[256][8];
    uint32_t m_row8_fg = 1, m_row8_bg = 1;
    host::Caret m_caret;
    std::string m_screenshot_path;
    int m_start_width = 640, m_start_height = 512;
    std::string m_screenshot_error;
    bool m_stopped = false;
};

}  // namespace kov::vdu
