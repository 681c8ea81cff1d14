// The VDU driver through its pixels: the stream, text, MODEs and colours
// checked in the shadow bitmap, the character map and the state block.
#include <cstring>
#include <string>

#include "host/headless/headless_host.h"
#include "host/screen.h"
#include "host/surface.h"
#include "tests/unit/test_support.h"
#include "vdu/system_font.h"
#include "vdu/vdu.h"

namespace kov::vdu {
namespace {

struct VduError {
    int number;
};

struct TestClient : Client {
    void error(int number, const char*) override { throw VduError{number}; }
    bool page_released() override { return ++waits > pause_for; }
    void wait_tick() override {}
    int waits = 0;
    int pause_for = 0;   // page_released() calls that report Shift up
};

struct Mirror : TextSink {
    void text_char(uint8_t c) override { text += static_cast<char>(c); }
    void text_newline() override { text += '\n'; }
    std::string text;
};

constexpr uint32_t kWhite15 = 0xF8F8F8;

class VduTest : public ::testing::Test {
protected:
    host::HeadlessSurface surface;
    TestClient client;
    Mirror mirror;
    Vdu vdu{test::shared_memory(), surface, client};

    void SetUp() override {
        vdu.set_font_loader(nullptr);   // the built-in font, scaled where needed
        vdu.set_text_sink(&mirror);
        vdu.start();
    }
    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) vdu.write(static_cast<uint8_t>(b));
    }
    void text(const std::string& s) {
        for (char c : s) vdu.write(static_cast<uint8_t>(c));
    }
    int error_of(std::initializer_list<int> bytes) {
        try {
            send(bytes);
        } catch (const VduError& e) {
            return e.number;
        }
        return -1;
    }
    uint8_t map_at(int col, int row) const { return vdu.char_map()[row * kMapColumns + col]; }
    // Pixels of a rectangle that differ from `colour`.
    int count_not(int l, int t, int r, int b, uint32_t colour) const {
        int n = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x) n += vdu.pixel(x, y) != colour;
        return n;
    }
    // True when the 8x16 cell at (x, y) shows the system glyph of c.
    bool shows_glyph(int x, int y, uint8_t c, uint32_t fg, uint32_t bg) const {
        for (int r = 0; r < 16; ++r)
            for (int i = 0; i < 8; ++i) {
                bool on = kSystemFont[c][r] & (0x80 >> i);
                if (vdu.pixel(x + i, y + r) != (on ? fg : bg)) return false;
            }
        return true;
    }
};

TEST_F(VduTest, StartsAsAFreshWindow) {
    EXPECT_EQ(vdu.get32(blk::ClientW), 640);
    EXPECT_EQ(vdu.get32(blk::ClientH), 512);
    EXPECT_EQ(surface.width(), 640);
    EXPECT_EQ(vdu.get8(blk::TextFg), 0);
    EXPECT_EQ(vdu.get8(blk::TextBg), 15);
    EXPECT_EQ(vdu.get8(blk::ColourMask), 15);
    EXPECT_EQ(vdu.pixel(639, 511), kWhite15);
    EXPECT_EQ(vdu.pixel(640, 0), 0xFFFFFFu);   // outside the client: the bitmap's white
    text("Hi");
    EXPECT_TRUE(shows_glyph(0, 0, 'H', 0, kWhite15));
    EXPECT_TRUE(shows_glyph(8, 0, 'i', 0, kWhite15));
    EXPECT_EQ(map_at(0, 0), 'H');
    EXPECT_EQ(vdu.column(), 2);
    EXPECT_EQ(mirror.text, "Hi");
}

// A character printed at TAB(3,2) lands in that cell of each MODE, in the
// default foreground on black, and nowhere else.
TEST_F(VduTest, CharactersLandInTheirCellsInEveryKindOfMode) {
    struct Case { int mode, cw, ch, w, h; };
    for (Case c : {Case{0, 8, 16, 640, 512}, Case{1, 16, 16, 640, 512}, Case{2, 32, 16, 640, 512},
                   Case{3, 8, 20, 640, 500}, Case{8, 8, 16, 640, 512}, Case{31, 16, 16, 1600, 1200}}) {
        SCOPED_TRACE(c.mode);
        send({22, c.mode, 31, 3, 2});
        text("W");
        EXPECT_EQ(surface.width(), c.w);
        EXPECT_EQ(surface.height(), c.h);
        EXPECT_EQ(vdu.get32(blk::CharW), c.cw);
        EXPECT_EQ(vdu.get32(blk::CharH), c.ch);
        uint32_t fg = vdu.palette(7 & vdu.get8(blk::ColourMask));
        int x = 3 * c.cw, y = 2 * c.ch;
        EXPECT_GT(count_not(x, y, x + c.cw, y + c.ch, 0), 0);
        EXPECT_EQ(count_not(x, y, x + c.cw, y + c.ch, 0) + count_not(x, y, x + c.cw, y + c.ch, fg), c.cw * c.ch);
        EXPECT_EQ(count_not(0, 0, 1600, 1200, 0), count_not(x, y, x + c.cw, y + c.ch, 0));
        EXPECT_EQ(map_at(3, 2), 'W');
        EXPECT_EQ(vdu.column(), 4);
        EXPECT_EQ(vdu.row(), 2);
    }
    // A user mode of 400×300 with 10×12 cells and 16 colours.
    send({23, 22, 400 & 255, 400 >> 8, 300 & 255, 300 >> 8, 10, 12, 16, 0, 31, 3, 2});
    text("W");
    EXPECT_EQ(vdu.get8(blk::Mode), 255);
    EXPECT_EQ(surface.width(), 400);
    EXPECT_GT(count_not(30, 24, 40, 36, 0), 0);
    EXPECT_EQ(count_not(0, 0, 1600, 1200, 0), count_not(30, 24, 40, 36, 0));
    EXPECT_EQ(map_at(3, 2), 'W');
}

TEST_F(VduTest, ModeErrorsAndRemapping) {
    EXPECT_EQ(error_of({22, 34}), 25);
    EXPECT_EQ(error_of({22, 162}), 25);
    EXPECT_EQ(vdu.get32(blk::ClientW), 640);   // nothing changed
    EXPECT_EQ(vdu.get8(blk::QueueCount), 0);
    send({22, 135});
    EXPECT_EQ(vdu.get8(blk::Mode), 7);
    EXPECT_EQ(vdu.get8(blk::ColourMask), 7);
    // User modes beyond the bitmap, negative sizes and empty cells.
    EXPECT_EQ(error_of({23, 22, 0x41, 6, 0, 1, 8, 16, 2, 0}), 25);        // 1601 wide
    EXPECT_EQ(error_of({23, 22, 0, 1, 0xB1, 4, 8, 16, 2, 0}), 25);        // 1201 high
    EXPECT_EQ(error_of({23, 22, 0, 0x80, 0, 1, 8, 16, 2, 0}), 25);        // negative
    EXPECT_EQ(error_of({23, 22, 0, 1, 0, 1, 0, 16, 2, 0}), 25);           // no width
    EXPECT_EQ(vdu.get8(blk::Mode), 7);
    vdu.star_ega("");
    send({22, 1});
    EXPECT_EQ(vdu.get8(blk::Mode), 17);
    vdu.star_ega("OFF");
    send({22, 1});
    EXPECT_EQ(vdu.get8(blk::Mode), 33);
    send({22, 9});
    EXPECT_EQ(vdu.get8(blk::Mode), 17);
    vdu.star_noega();
    send({22, 1});
    EXPECT_EQ(vdu.get8(blk::Mode), 1);
}

// MODE 0: 80 characters leave the cursor below the bottom row; the
// scroll waits for the 81st.
TEST_F(VduTest, WrappingAndThePendingScroll) {
    send({22, 0, 31, 0, 0});
    text("T");
    send({31, 0, 31});
    text(std::string(80, 'B'));
    EXPECT_EQ(vdu.get32(blk::CurX), 0);
    EXPECT_EQ(vdu.get32(blk::CurY), 512);
    EXPECT_EQ(map_at(0, 0), 'T');
    EXPECT_GT(count_not(0, 0, 8, 16, 0), 0);   // no scroll yet
    text("C");
    EXPECT_EQ(vdu.get32(blk::CurY), 496);
    EXPECT_EQ(vdu.column(), 1);
    EXPECT_EQ(map_at(0, 0), ' ');
    EXPECT_EQ(map_at(0, 30), 'B');
    EXPECT_EQ(map_at(0, 31), 'C');
    EXPECT_EQ(count_not(0, 0, 8, 16, 0), 0);
    EXPECT_TRUE(shows_glyph(0, 480, 'B', 0xC8C8C8, 0));
    // A line feed on the bottom row scrolls at once.
    send({10});
    EXPECT_EQ(vdu.get32(blk::CurY), 496);
    EXPECT_EQ(map_at(0, 30), 'C');
    EXPECT_EQ(count_not(0, 496, 640, 512, 0), 0);
}

TEST_F(VduTest, TextWindowCoordinatesAndPositions) {
    send({22, 0, 28, 5, 20, 30, 10});
    EXPECT_EQ(vdu.get32(blk::TwLeft), 40);
    EXPECT_EQ(vdu.get32(blk::TwRight), 248);
    EXPECT_EQ(vdu.get32(blk::TwTop), 160);
    EXPECT_EQ(vdu.get32(blk::TwBottom), 336);
    EXPECT_EQ(vdu.get32(blk::CurX), 40);   // the cursor was outside: homed
    send({31, 2, 3});
    EXPECT_EQ(vdu.column(), 2);
    EXPECT_EQ(vdu.row(), 3);
    // Impossible windows and positions are ignored.
    send({28, 30, 20, 5, 10});
    send({28, 0, 40, 79, 0});
    EXPECT_EQ(vdu.get32(blk::TwLeft), 40);
    send({31, 26, 0});
    EXPECT_EQ(vdu.column(), 26);   // 26 columns is the width: accepted
    send({31, 27, 0});
    EXPECT_EQ(vdu.column(), 26);
    send({31, 200, 0});
    EXPECT_EQ(vdu.column(), 26);
    // CLS clears only the window.
    send({17, 129, 12});
    EXPECT_EQ(count_not(40, 160, 248, 336, 0xC8C8C8), 0);
    EXPECT_EQ(count_not(0, 0, 40, 512, 0), 0);
    EXPECT_EQ(count_not(248, 0, 640, 512, 0), 0);
}

// VDU 8 at the top-left of the window goes to the last column and the
// window scrolls down.
TEST_F(VduTest, BackspaceAtTheTopLeftScrollsDown) {
    send({22, 0, 28, 0, 9, 9, 0});
    text("Q");
    send({30, 8});
    EXPECT_EQ(vdu.column(), 9);
    EXPECT_EQ(vdu.row(), 0);
    EXPECT_EQ(map_at(0, 1), 'Q');
    EXPECT_EQ(map_at(0, 0), ' ');
    EXPECT_TRUE(shows_glyph(0, 16, 'Q', 0xC8C8C8, 0));
    EXPECT_EQ(count_not(0, 0, 80, 16, 0), 0);
    // VDU 11 at the top scrolls down too; VDU 127 at the left edge
    // erases the end of the line above.
    send({31, 0, 1, 127});
    EXPECT_EQ(vdu.column(), 9);
    EXPECT_EQ(vdu.row(), 0);
}

TEST_F(VduTest, ScrollCommandMovesCellsAndPixels) {
    send({22, 0});
    text("AB");
    send({23, 7, 0, 0, 0, 0, 0, 0, 0, 0});   // the text window to the right
    EXPECT_EQ(map_at(0, 0), ' ');
    EXPECT_EQ(map_at(1, 0), 'A');
    EXPECT_TRUE(shows_glyph(8, 0, 'A', 0xC8C8C8, 0));
    send({23, 7, 1, 3, 0, 0, 0, 0, 0, 0});   // the whole screen up
    EXPECT_EQ(map_at(1, 0), ' ');
    EXPECT_EQ(count_not(0, 0, 640, 512, 0), 0);
}

TEST_F(VduTest, GraphicsTextUnderExclusiveOrRestoresTheScreen) {
    send({22, 8, 17, 129, 12});   // white background, text cleared to it
    const uint32_t before = vdu.pixel(100, 100);
    send({18, 3, 9, 5});           // GCOL 3,9 then VDU 5
    send({25, 4, 100 & 255, 0, 1000 & 255, 1000 >> 8});   // MOVE 100,1000
    int gx = vdu.get32(blk::GCurX), gy = vdu.get32(blk::GCurY);
    EXPECT_EQ(gx, 50);
    EXPECT_EQ(gy, 511 - 500);
    text("M");
    EXPECT_GT(count_not(gx, gy, gx + 8, gy + 16, before), 0);
    EXPECT_EQ(vdu.pixel(gx + 1, gy + 5), before ^ vdu.palette(9));
    EXPECT_EQ(vdu.get32(blk::GCurX), gx + 8);
    EXPECT_EQ(mirror.text, "");   // text at the graphics cursor is not mirrored
    send({8});
    text("M");
    EXPECT_EQ(count_not(0, 0, 640, 512, before), 0);
    // The copy mix draws only the glyph; no action leaves the cell alone.
    send({18, 5, 1, 8});
    text("M");
    EXPECT_EQ(count_not(0, 0, 640, 512, before), 0);
    send({4});
    EXPECT_EQ(vdu.get8(blk::Flags) & vflag::GraphicsText, 0);
}

TEST_F(VduTest, ColoursReadBackFromPixelsAndTheBlock) {
    send({19, 1, 4, 0, 0, 0});
    EXPECT_EQ(vdu.palette(1), 0x0800C0u);    // (8, 0, 192)
    send({17, 1});
    text("#");
    EXPECT_EQ(vdu.pixel(3, 5), 0x0800C0u);   // inside the glyph of '#'
    EXPECT_EQ(vdu.nearest_palette_index(0x0800C0), 1);
    send({19, 2, 1, 0, 0, 0, 19, 3, 1, 0, 0, 0});
    EXPECT_EQ(vdu.palette(2), 0xC00800u);
    EXPECT_EQ(vdu.palette(3), 0xC80800u);
    send({19, 1, 16, 255, 0, 0});
    EXPECT_EQ(vdu.palette(1), 0xFF0000u);
    send({19, 1, 255, 63, 0, 0});
    EXPECT_EQ(vdu.palette(1), 0xFC0000u);
    // Four colours: colour numbers are masked.
    send({22, 1, 17, 5, 17, 130});
    EXPECT_EQ(vdu.get8(blk::TextFg), 1);
    EXPECT_EQ(vdu.get8(blk::TextBg), 2);
    EXPECT_EQ(vdu.palette(1), 0xC800C8u);
    send({18, 0, 129});
    EXPECT_EQ(vdu.get8(blk::BgCol), 1);
    EXPECT_EQ(vdu.get8(blk::BgMix), rop::Copy);
    send({18, 4, 0});
    EXPECT_EQ(vdu.get8(blk::FgMix), rop::Xor);
    EXPECT_EQ(vdu.get8(blk::FgCol), 3);
    send({18, 6, 2});
    EXPECT_EQ(vdu.get8(blk::FgMix), rop::Nop);
    // A parameter of 10 is a colour, never a line feed.
    send({22, 0, 17, 10});
    EXPECT_EQ(vdu.get8(blk::TextFg), 0);
    EXPECT_EQ(vdu.row(), 0);
    send({20});
    EXPECT_EQ(vdu.get8(blk::TextFg), 1);
    EXPECT_EQ(vdu.palette(1), 0xC8C8C8u);
}

TEST_F(VduTest, UserDefinedCharactersAreDotBlocks) {
    send({22, 1});   // 16×16 cells: dots of 2×2
    send({23, 200, 0x80, 0x01, 0, 0, 0, 0, 0, 0xFF});
    text("\xC8");
    const uint32_t fg = vdu.palette(3);
    EXPECT_EQ(count_not(0, 0, 2, 2, fg), 0);        // row 0, bit 7
    EXPECT_EQ(count_not(2, 0, 16, 2, 0), 0);
    EXPECT_EQ(count_not(14, 2, 16, 4, fg), 0);      // row 1, bit 0
    EXPECT_EQ(count_not(0, 14, 16, 16, fg), 0);     // row 7, all set
    EXPECT_EQ(count_not(0, 4, 16, 14, 0), 0);
    uint8_t pat[8];
    vdu.char_pattern(200, pat);
    EXPECT_EQ(pat[0], 0x80);
    EXPECT_EQ(pat[7], 0xFF);
    EXPECT_EQ(map_at(0, 0), 200);
    send({30});
    EXPECT_EQ(vdu.char_at_cursor(), 200);
}

TEST_F(VduTest, DisabledOutputConsumesSequences) {
    send({21});
    text("hidden");
    send({22, 3});   // consumed with its parameter, no effect
    EXPECT_EQ(vdu.get8(blk::Mode), 0);
    EXPECT_EQ(vdu.get32(blk::ClientH), 512);
    EXPECT_EQ(count_not(0, 0, 640, 512, kWhite15), 0);
    EXPECT_EQ(mirror.text, "");
    send({6});
    text("x");
    EXPECT_EQ(mirror.text, "x");
    EXPECT_EQ(vdu.column(), 1);
}

TEST_F(VduTest, TheQueueSitsAtItsOffsets) {
    send({25, 4, 0x34, 0x12});
    EXPECT_EQ(vdu.get8(blk::QueueCode), 25);
    EXPECT_EQ(vdu.get8(blk::QueueCount), 2);
    EXPECT_EQ(vdu.get8(196), 4);
    EXPECT_EQ(vdu.get8(197), 0x34);
    EXPECT_EQ(vdu.get8(198), 0x12);
    send({0x78, 0x56});
    EXPECT_EQ(vdu.get8(200), 0x56);
    EXPECT_EQ(vdu.get8(blk::QueueCount), 0);
    // VDU 27 prints any byte as a character; VDU 65; sends a VDU 0 after it.
    send({27, 7, 65, 0});
    EXPECT_EQ(map_at(0, 0), 7);
    EXPECT_EQ(map_at(1, 0), 'A');
    EXPECT_EQ(vdu.column(), 2);
    // A poked count cannot push parameters out of the block.
    vdu.set8(blk::QueueCount, 250);
    vdu.set8(blk::QueueCode, 0);
    send({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(vdu.get8(blk::QueueCount), 0);
}

TEST_F(VduTest, CaretShapesAndHiding) {
    send({22, 0});
    EXPECT_TRUE(surface.caret().visible);
    EXPECT_EQ(surface.caret().height, 2);          // underline: end line - 2
    send({23, 0, 10, 0, 0, 0, 0, 0, 0, 0});       // block from line 0
    EXPECT_EQ(surface.caret().height, 16);
    send({23, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(surface.caret().visible);
    send({23, 1, 1, 0, 0, 0, 0, 0, 0, 0, 31, 4, 5});
    EXPECT_TRUE(surface.caret().visible);
    EXPECT_EQ(surface.caret().x, 32);
    EXPECT_EQ(surface.caret().y, 80);
    send({5});
    EXPECT_FALSE(surface.caret().visible);
    send({4});
    EXPECT_TRUE(surface.caret().visible);
}

// VDU 14 on the top row of a 32-row window: a wait before the first
// scroll, then before every 26th.
TEST_F(VduTest, PagedModeWaitsAfterAPageful) {
    send({22, 0, 14});
    EXPECT_EQ(vdu.get8(blk::Paged), 128);
    int waits_at_scroll[60];
    for (int i = 0; i < 31 + 53; ++i) {
        send({10});
        if (i >= 31) waits_at_scroll[i - 31] = client.waits;
    }
    EXPECT_EQ(waits_at_scroll[0], 1);
    EXPECT_EQ(waits_at_scroll[25], 1);
    EXPECT_EQ(waits_at_scroll[26], 2);
    EXPECT_EQ(waits_at_scroll[52], 3);
    send({15});
    EXPECT_EQ(vdu.get8(blk::Paged), 0);
}

TEST_F(VduTest, StarFontByNameSizeAndStyle) {
    EXPECT_EQ(test::error_of([&] {
        try { vdu.star_font("\"DejaVu Sans"); } catch (const VduError& e) { throw BasicError{e.number, ""}; }
    }), 253);
    host::FontLoader* fonts = host::platform_font_loader();
    if (!fonts) GTEST_SKIP() << "built without a font loader";
    vdu.set_font_loader(fonts);
    auto number = [&](std::string_view arg) {
        try {
            vdu.star_font(arg);
        } catch (const VduError& e) {
            return e.number;
        }
        return -1;
    };
    EXPECT_EQ(number("No Such Family Anywhere,12"), 246);
    EXPECT_EQ(vdu.get8(blk::Flags) & vflag::Proportional, 0);
    ASSERT_EQ(number("DejaVu Sans,12,BI"), -1);
    EXPECT_NE(vdu.get8(blk::Flags) & vflag::Proportional, 0);
    EXPECT_NE(vdu.get32(blk::FontHandle), 0);
    const int ch = vdu.get32(blk::CharH);
    EXPECT_GE(ch, 16);   // 12 points at 96 dpi: a 16-pixel em plus leading
    EXPECT_LE(ch, 24);
    // Proportional advance: "i" is narrower than "W".
    text("i");
    const int after_i = vdu.get32(blk::CurX);
    text("W");
    EXPECT_GT(vdu.get32(blk::CurX) - after_i, after_i);
    EXPECT_GT(count_not(0, 0, 40, ch, kWhite15), 0);
    ASSERT_EQ(number(""), -1);
    EXPECT_EQ(vdu.get32(blk::CharW), 8);
    EXPECT_EQ(vdu.get32(blk::CharH), 16);
    EXPECT_EQ(vdu.get32(blk::FontHandle), 0);
    // A MODE with wide cells uses the scalable fixed font.
    send({22, 1});
    EXPECT_NE(vdu.get32(blk::FontHandle), 0);
    EXPECT_EQ(vdu.get8(blk::Flags) & vflag::Proportional, 0);
}

// Whatever a program pokes into the state block, drawing stays inside
// the bitmap and the character map.
TEST_F(VduTest, PokedStateIsCheckedBeforeUse) {
    for (int32_t v : {-2147483647 - 1, -100000, -17, 0, 1599, 1601, 100000, 2147483647}) {
        SCOPED_TRACE(v);
        vdu.start();
        for (int off : {blk::CurX, blk::CurY, blk::TwLeft, blk::TwRight, blk::TwTop, blk::TwBottom, blk::CharW,
                        blk::CharH, blk::DotW, blk::DotH, blk::GCurX, blk::GCurY, blk::ClientW, blk::ClientH}) {
            vdu.set32(off, v);
            send({23, 240, 255, 255, 255, 255, 255, 255, 255, 255});
            text("x\xF0");
            send({8, 9, 10, 11, 127, 13, 23, 7, 0, 2, 0, 0, 0, 0, 0, 0, 5});
            text("y\xF0");
            send({127, 4, 12, 16});
            vdu.column();
            vdu.row();
            vdu.char_at_cursor();
        }
    }
}

// The state block lies in the fixed area above the system variables and
// the sign-on text, and survives the interpreter's start.
TEST(VduBlock, LiesAboveTheSystemVariables) {
    interp::Memory& mem = test::shared_memory();
    std::FILE* out = std::tmpfile();
    host::HeadlessHost h(-1, out);
    interp::Interp in(mem, h);
    host::Screen screen(in, h);
    in.init_fixed_area("");
    in.vdu_start();
    uint32_t sign_on = mem.fixed32(interp::fixed::ErrMsgAddr);
    const char* text = reinterpret_cast<const char*>(mem.fixed_area() + sign_on);
    EXPECT_LE(sign_on + std::strlen(text) + 1, interp::fixed::VduBlock + blk::First);
    EXPECT_LE(interp::fixed::VduBlock + blk::End, interp::fixed::Size);
    EXPECT_EQ(screen.vdu().get32(blk::ClientW), 640);
    EXPECT_EQ(mem.read32(interp::fixed::VduBlock + blk::ClientW), 640u);   // as indirection sees it
    std::fclose(out);
}

}  // namespace
}  // namespace kov::vdu
