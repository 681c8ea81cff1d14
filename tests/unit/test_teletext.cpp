// MODE 7 through its pixels: each screen is compared with a picture the
// test paints itself from the cell rules (colours, mosaic blocks, the
// built-in glyphs, double height, the flash phase), over the whole
// 640×500 screen.
#include <array>
#include <string>
#include <vector>

#include "host/surface.h"
#include "tests/unit/test_support.h"
#include "vdu/system_font.h"
#include "vdu/vdu.h"

namespace kov::vdu {
namespace {

struct QuietClient : Client {
    void error(int number, const char*) override { throw number; }
};

// Teletext colours 0–7: 200 in each component whose bit is set.
constexpr uint32_t kRgb[8] = {0x000000, 0xC80000, 0x00C800, 0xC8C800, 0x0000C8, 0xC800C8, 0x00C8C8, 0xC8C8C8};
enum Colour { Black, Red, Green, Yellow, Blue, Magenta, Cyan, White };
enum class Half { None, Top, Bottom };

constexpr int kW = 640, kH = 500;

using CellPixels = std::array<uint32_t, 16 * 20>;

// The picture the screen should show.
class Picture {
public:
    Picture() : m_px(kW * kH, 0) {}
    uint32_t at(int x, int y) const { return m_px[y * kW + x]; }

    void blank(int col, int row, int bg) { put(col, row, filled(bg), Half::None); }
    // A character of the built-in font, stretched from 8×16 to 16×20
    // (the font used when no scalable font is loaded).
    void alpha(int col, int row, uint8_t c, int fg, int bg, Half half = Half::None) {
        CellPixels p = filled(bg);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 16; ++x)
                if (kSystemFont[c][y * 16 / 20] & (0x80 >> (x / 2))) p[y * 16 + x] = kRgb[fg];
        put(col, row, p, half);
    }
    // A mosaic: blocks 1, 2 (top), 4, 8 (middle), 16, 64 (bottom), left
    // then right; contiguous blocks are 8 wide and 7, 7, 6 high, separated
    // ones 4×4 two pixels in from their block's top-left.
    void mosaic(int col, int row, int bits, bool separated, int fg, int bg, Half half = Half::None) {
        CellPixels p = filled(bg);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 16; ++x) {
                int band = y < 7 ? 0 : y < 14 ? 1 : 2;
                int bx = x - (x < 8 ? 0 : 8), by = y - band * 7;
                int bit = band == 2 ? (x < 8 ? 16 : 64) : 1 << (band * 2 + (x < 8 ? 0 : 1));
                bool inside = !separated || (bx >= 2 && bx < 6 && by >= 2 && by < 6);
                if ((bits & bit) && inside) p[y * 16 + x] = kRgb[fg];
            }
        put(col, row, p, half);
    }
    // An 8-row pattern in 2×2 dots, two pixels down from the cell's top.
    void glyph(int col, int row, std::array<uint8_t, 8> rows, int fg, int bg) {
        CellPixels p = filled(bg);
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j)
                if (rows[r] & (0x80 >> j))
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx) p[(2 + 2 * r + dy) * 16 + 2 * j + dx] = kRgb[fg];
        put(col, row, p, Half::None);
    }
    // Text of plain characters from `col` on.
    void text(int col, int row, const std::string& s, int fg, int bg, Half half = Half::None) {
        for (char c : s) alpha(col++, row, static_cast<uint8_t>(c), fg, bg, half);
    }

private:
    static CellPixels filled(int bg) {
        CellPixels p;
        p.fill(kRgb[bg]);
        return p;
    }
    // Double height shows one half of the cell over all of it.
    void put(int col, int row, const CellPixels& p, Half half) {
        for (int y = 0; y < 20; ++y) {
            int from = half == Half::None ? y : half == Half::Top ? y / 2 : 10 + y / 2;
            for (int x = 0; x < 16; ++x) m_px[(row * 20 + y) * kW + col * 16 + x] = p[from * 16 + x];
        }
    }
    std::vector<uint32_t> m_px;
};

class TeletextTest : public ::testing::Test {
protected:
    host::HeadlessSurface surface;
    QuietClient client;
    Vdu vdu{test::shared_memory(), surface, client};

    void SetUp() override {
        vdu.set_font_loader(nullptr);
        vdu.start();
        send({22, 7});
        surface.take_dirty();
    }
    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) vdu.write(static_cast<uint8_t>(b));
    }
    void text(const std::string& s) {
        for (char c : s) vdu.write(static_cast<uint8_t>(c));
    }
    void at(int col, int row) { send({31, col, row}); }

    // Every pixel of the screen matches; the first few that do not are named.
    void expect_screen(const Picture& want) {
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (vdu.pixel(x, y) == want.at(x, y)) continue;
                if (++wrong <= 3)
                    ADD_FAILURE() << "cell " << x / 16 << "," << y / 20 << " pixel " << x % 16 << "," << y % 20
                                  << ": 0x" << std::hex << vdu.pixel(x, y) << " not 0x" << want.at(x, y);
            }
        EXPECT_EQ(wrong, 0);
    }
    uint8_t map_at(int col, int row) const { return vdu.char_map()[row * kMapColumns + col]; }
};

TEST_F(TeletextTest, TheScreenAndItsColours) {
    EXPECT_EQ(surface.width(), 640);
    EXPECT_EQ(surface.height(), 500);
    // An alphanumeric colour code is a space, the colour starts after it.
    text(std::string("\x81") + "A");
    Picture want;
    want.alpha(1, 0, 'A', Red, Black);
    expect_screen(want);
    // Every colour; COLOUR and CLG leave teletext alone.
    send({17, 1, 17, 129, 16});
    at(0, 2);
    for (int n = 1; n <= 7; ++n) {
        vdu.write(static_cast<uint8_t>(128 + n));
        text("W");
        want.alpha(2 * n - 1, 2, 'W', n, Black);
    }
    at(0, 3);
    text("K");
    want.alpha(0, 3, 'K', White, Black);
    // Bytes 0–31 printed with VDU 27 are control characters too.
    at(0, 4);
    send({27, 2});
    text("G");
    want.alpha(1, 4, 'G', Green, Black);
    expect_screen(want);
}

TEST_F(TeletextTest, RotationSubstitutionAndBuiltInGlyphs) {
    // '#' is stored as 95 and shown as #; '_' as an em dash; '`' as a pound.
    text("#_`");
    EXPECT_EQ(map_at(0, 0), 95);
    EXPECT_EQ(map_at(1, 0), 96);
    EXPECT_EQ(map_at(2, 0), 35);
    Picture want;
    want.alpha(0, 0, '#', White, Black);
    want.alpha(1, 0, 151, White, Black);
    want.alpha(2, 0, 163, White, Black);
    // Reading back undoes the rotation.
    for (int col = 0; col < 3; ++col) {
        at(col, 0);
        EXPECT_EQ(vdu.char_at_cursor(), std::string("#_`")[col]);
    }
    // The rest of the table and the five glyphs; the top bit is ignored.
    at(0, 1);
    text("[\\]^{|}~");
    send({27, 127, 0xC1});
    want.glyph(0, 1, {0x00, 0x10, 0x20, 0x7E, 0x20, 0x10, 0x00, 0x00}, White, Black);
    want.alpha(1, 1, 189, White, Black);
    want.glyph(2, 1, {0x00, 0x08, 0x04, 0x7E, 0x04, 0x08, 0x00, 0x00}, White, Black);
    want.glyph(3, 1, {0x00, 0x10, 0x38, 0x54, 0x10, 0x10, 0x10, 0x00}, White, Black);
    want.alpha(4, 1, 188, White, Black);
    want.glyph(5, 1, {0x00, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x00}, White, Black);
    want.alpha(6, 1, 190, White, Black);
    want.alpha(7, 1, 247, White, Black);
    want.glyph(8, 1, {0x00, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x00}, White, Black);
    want.alpha(9, 1, 'A', White, Black);
    expect_screen(want);
    at(9, 1);
    EXPECT_EQ(vdu.char_at_cursor(), 0xC1);
}

TEST_F(TeletextTest, MosaicsContiguousAndSeparated) {
    // Red mosaics: '!' is the top-left block alone; '#' (stored as 95) is
    // always an alphanumeric.
    text(std::string("\x91") + "!");
    at(0, 1);
    text(std::string("\x91") + "#");
    Picture want;
    want.mosaic(1, 0, 1, false, Red, Black);
    want.alpha(1, 1, '#', Red, Black);
    expect_screen(want);
    // The block sizes, pixel by pixel: 8 wide, 7 high, nothing beyond.
    EXPECT_EQ(vdu.pixel(16, 0), kRgb[Red]);
    EXPECT_EQ(vdu.pixel(23, 6), kRgb[Red]);
    EXPECT_EQ(vdu.pixel(24, 0), 0u);
    EXPECT_EQ(vdu.pixel(16, 7), 0u);
    // All 64 patterns, contiguous on rows 3 and 4, separated on rows 6 and 7.
    for (int sep = 0; sep < 2; ++sep) {
        for (int half = 0; half < 2; ++half) {
            int row = 3 + 3 * sep + half;
            at(0, row);
            send({sep ? 154 : 153, 151});
            for (int i = 0; i < 32; ++i) {
                int code = half ? 96 + i : 32 + i;
                // 35 is stored when 96 is printed, 96 when 95 is; 127 is
                // printed by VDU 27.
                if (code == 127) send({27, 127});
                else vdu.write(static_cast<uint8_t>(code == 35 ? 96 : code == 96 ? 95 : code));
                want.mosaic(2 + i, row, (code & 31) | (code & 64), sep, White, Black);
            }
        }
    }
    // Separated blocks: 4×4 two pixels in; the bottom row's block too.
    expect_screen(want);
    int x = 2 + 31;   // 127: all six blocks
    EXPECT_EQ(vdu.pixel(x * 16 + 2, 7 * 20 + 16), kRgb[White]);
    EXPECT_EQ(vdu.pixel(x * 16 + 5, 7 * 20 + 19), kRgb[White]);
    EXPECT_EQ(vdu.pixel(x * 16 + 6, 7 * 20 + 16), 0u);
    EXPECT_EQ(vdu.pixel(x * 16 + 1, 7 * 20 + 16), 0u);
    // Capitals blast through mosaic mode as alphanumerics.
    at(0, 9);
    text(std::string("\x92") + "A@");
    want.alpha(1, 9, 'A', Green, Black);
    want.alpha(2, 9, '@', Green, Black);
    expect_screen(want);
}

TEST_F(TeletextTest, HoldAndReleaseMosaics) {
    // s = 115: blocks 1, 2, 16, 64. Hold shows it on its own cell; a colour
    // change shows it in the old colour; release shows it on its cell.
    text(std::string("\x91") + "s\x9E\x92\x9F\x94");
    Picture want;
    want.mosaic(1, 0, 1 + 2 + 16 + 64, false, Red, Black);
    want.mosaic(2, 0, 83, false, Red, Black);
    want.mosaic(3, 0, 83, false, Red, Black);
    want.mosaic(4, 0, 83, false, Green, Black);
    expect_screen(want);
    // The held mosaic keeps its separated mark.
    at(0, 1);
    text(std::string("\x9A\x91") + "!\x99\x9E");
    want.mosaic(2, 1, 1, true, Red, Black);
    want.mosaic(4, 1, 1, true, Red, Black);
    // In alphanumerics every control character clears the held mosaic
    // (the alphanumerics code itself still sees mosaics); so does a
    // change of height.
    at(0, 2);
    text(std::string("\x91") + "!\x9E\x81\x9E\x91\x9E");
    at(0, 3);
    text(std::string("\x91") + "!\x9E\x8D\x9E");
    for (int row = 2; row < 4; ++row)
        for (int col = 1; col < 4; ++col) want.mosaic(col, row, 1, false, Red, Black);
    expect_screen(want);
}

TEST_F(TeletextTest, BackgroundsAndConceal) {
    // New background takes blue from its own cell on; black background too.
    text(std::string("\x84\x9D\x83") + "A\x9C" + "B");
    Picture want;
    want.blank(1, 0, Blue);
    want.blank(2, 0, Blue);
    want.alpha(3, 0, 'A', Yellow, Blue);
    want.alpha(5, 0, 'B', Yellow, Black);
    expect_screen(want);
    // Conceal: the foreground becomes the background.
    at(0, 1);
    text(std::string("\x85\x9D\x98") + "X\x82" + "Y");
    want.blank(1, 1, Magenta);
    want.blank(2, 1, Magenta);
    want.blank(3, 1, Magenta);
    want.blank(4, 1, Magenta);
    want.alpha(5, 1, 'Y', Green, Magenta);
    for (int col = 6; col < 40; ++col) want.blank(col, 1, Magenta);   // the spaces after it
    expect_screen(want);
}

TEST_F(TeletextTest, DoubleHeightAndTheLowerHalf) {
    // Row 0 shows the top halves; row 1, its lower half, the bottom halves,
    // with its plain characters blank; row 2 is an upper row again (two
    // rows with the code lie above it), and so row 3 is a lower half.
    text(std::string("\x8D") + "AB\x8C" + "C");
    at(0, 1);
    text(std::string("x\x8D") + "AB\x8C" + "C");
    at(0, 2);
    text(std::string("\x8D\x82") + "D");
    at(0, 3);
    text("E");
    Picture want;
    want.text(1, 0, "AB", White, Black, Half::Top);
    want.alpha(4, 0, 'C', White, Black);
    want.text(2, 1, "AB", White, Black, Half::Bottom);
    want.alpha(2, 2, 'D', Green, Black, Half::Top);
    expect_screen(want);
    // A double-height code arriving above plain text blanks it at once,
    // and taking it away shows the text again.
    at(10, 5);
    text("HELLO");
    want.text(10, 5, "HELLO", White, Black);
    expect_screen(want);
    at(0, 4);
    vdu.write(141);
    Picture blanked = want;
    for (int col = 10; col < 15; ++col) blanked.blank(col, 5, Black);
    expect_screen(blanked);
    at(0, 4);
    text(" ");
    expect_screen(want);
}

TEST_F(TeletextTest, FlashingCellsAloneChangeWithThePhase) {
    text(std::string("\x88") + "AB\x89" + "C");
    Picture steady;
    steady.text(1, 0, "AB", White, Black);
    steady.alpha(4, 0, 'C', White, Black);
    expect_screen(steady);
    // A mark in a steady cell survives the tick: only flashing cells are drawn.
    vdu.native_pixels()[4 * 16] = 0x123456;
    surface.take_dirty();
    vdu.flash_tick();
    EXPECT_TRUE(vdu.get8(blk::Flags) & vflag::Flash);
    host::Rect dirty = surface.take_dirty();
    EXPECT_EQ(dirty.left, 16);
    EXPECT_EQ(dirty.right, 48);
    EXPECT_EQ(dirty.top, 0);
    EXPECT_EQ(dirty.bottom, 20);
    Picture hidden;
    hidden.alpha(4, 0, 'C', White, Black);
    EXPECT_EQ(vdu.pixel(4 * 16, 0), 0x123456u);
    vdu.native_pixels()[4 * 16] = hidden.at(4 * 16, 0);
    expect_screen(hidden);
    // Printed while the phase is set, a flashing cell stays hidden.
    at(2, 0);
    text("D");
    expect_screen(hidden);
    vdu.flash_tick();
    Picture back;
    back.text(1, 0, "AD", White, Black);
    back.alpha(4, 0, 'C', White, Black);
    expect_screen(back);
    // A MODE change starts with flashing text shown, whatever the phase was.
    vdu.flash_tick();
    ASSERT_TRUE(vdu.get8(blk::Flags) & vflag::Flash);
    send({22, 7});
    text(std::string("\x88") + "E");
    Picture fresh;
    fresh.text(1, 0, "E", White, Black);
    expect_screen(fresh);
    // Outside MODE 7 the tick changes nothing.
    send({22, 0});
    uint8_t flags = vdu.get8(blk::Flags);
    vdu.flash_tick();
    EXPECT_EQ(vdu.get8(blk::Flags), flags);
}

TEST_F(TeletextTest, RedrawingAfterAChange) {
    // The same byte again is not drawn at all.
    text("A#");
    at(0, 0);
    surface.take_dirty();
    text("A#");
    EXPECT_TRUE(surface.take_dirty().empty());
    // A control character replacing a letter recolours the rest of the row.
    text("BC");
    at(0, 0);
    vdu.write(129);
    Picture want;
    want.text(1, 0, "#BC", Red, Black);
    expect_screen(want);
    // A changed mosaic redraws the control cells that hold it.
    at(0, 1);
    text(std::string("\x91") + "!\x9E\x9E\x9F" + "A");
    at(1, 1);
    surface.take_dirty();
    text("\"");
    for (int col = 1; col < 5; ++col) want.mosaic(col, 1, 2, false, Red, Black);
    want.alpha(5, 1, 'A', Red, Black);
    expect_screen(want);
    host::Rect dirty = surface.take_dirty();
    EXPECT_EQ(dirty.left, 16);
    EXPECT_EQ(dirty.right, 80);   // the cells showing the held mosaic, not the letter after them
}

TEST_F(TeletextTest, ClearAndScrollRenderTheWholeScreen) {
    // Colour codes travel with their rows when the screen scrolls.
    for (int row = 0; row < 25; ++row) {
        at(0, row);
        vdu.write(static_cast<uint8_t>(129 + row % 7));
        text(std::string(1, static_cast<char>('A' + row)));
    }
    send({10, 10});   // from the bottom row: two scrolls
    Picture want;
    for (int row = 0; row < 23; ++row) want.alpha(1, row, static_cast<uint8_t>('C' + row), 1 + (row + 2) % 7, Black);
    expect_screen(want);
    // VDU 12 blanks the map and the screen.
    send({12});
    expect_screen(Picture{});
    EXPECT_EQ(map_at(1, 0), ' ');
}

}  // namespace
}  // namespace kov::vdu
