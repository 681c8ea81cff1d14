// Colours: text and graphics colours, the plotting mixes, the logical
// palette and its defaults. The display is true-colour: pixels hold RGB
// values, so a palette change affects later drawing only.
#include "vdu/vdu.h"

namespace kov::vdu {

namespace {
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

constexpr uint32_t kPalette4[4] = {rgb(0, 0, 0), rgb(200, 0, 200), rgb(0, 200, 0), rgb(200, 200, 200)};
constexpr uint32_t kPalette2[2] = {rgb(0, 0, 0), rgb(200, 200, 200)};

// SetROP2 mode of each GCOL mix (m & 7).
constexpr uint8_t kMixes[8] = {rop::Copy, rop::Or, rop::And, rop::Xor, rop::Xor, rop::Nop, rop::Nop, rop::Nop};
}  // namespace

const uint32_t kPalette16[16] = {
    rgb(0, 0, 0),      rgb(200, 0, 0),    rgb(0, 200, 0),    rgb(200, 200, 0),
    rgb(0, 0, 200),    rgb(200, 0, 200),  rgb(0, 200, 200),  rgb(200, 200, 200),
    rgb(56, 56, 56),   rgb(248, 56, 56),  rgb(56, 248, 56),  rgb(248, 248, 56),
    rgb(56, 56, 248),  rgb(248, 56, 248), rgb(56, 248, 248), rgb(248, 248, 248),
};

void Vdu::text_colour(uint8_t c) {
    uint8_t mask = m_s[blk::ColourMask];
    if (c < 128) m_s[blk::TextFg] = c & mask;
    else m_s[blk::TextBg] = c & mask;
}

void Vdu::graphics_colour(uint8_t m, uint8_t c) {
    uint8_t mix = kMixes[m & 7];
    if ((m & 7) == 4) c |= 127;
    uint8_t colour = c & m_s[blk::ColourMask];
    if (c >= 128) {
        m_s[blk::BgMix] = mix;
        m_s[blk::BgCol] = colour;
    } else {
        m_s[blk::FgMix] = mix;
        m_s[blk::FgCol] = colour;
    }
}

void Vdu::define_colour(uint8_t l, uint8_t p, uint8_t r, uint8_t g, uint8_t b) {
    uint32_t value;
    if (p == 16) {
        value = rgb(r, g, b);
    } else if (p == 255) {
        // Components of 0..63 scaled by 4; larger ones carry into the next.
        uint32_t word = r | (uint32_t{g} << 8) | (uint32_t{b} << 16);
        word = (word * 4) & 0xFFFFFF;
        value = rgb(word & 0xFF, (word >> 8) & 0xFF, word >> 16);
    } else {
        // The physical colour with the logical colour in its low bits, so
        // that every logical colour stays distinct.
        uint32_t phys = kPalette16[p & 15];
        uint32_t red = ((phys >> 16) & 0xF0) | 8u * (l & 1);
        uint32_t green = ((phys >> 8) & 0xF0) | 8u * ((l >> 1) & 1);
        uint32_t blue = (phys & 0xE0) | 8u * ((l >> 2) & 3);
        value = rgb(red, green, blue);
    }
    std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
    m_palette[l & 15] = value;
}

void Vdu::default_colours() {
    uint8_t mask = m_s[blk::ColourMask];
    int n = (mask & 15) + 1;
    {
        std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
        for (int i = 0; i < n; ++i) {
            if (n < 4) m_palette[i] = i < 2 ? kPalette2[i] : kPalette16[i];
            else if (n == 4) m_palette[i] = kPalette4[i];
            else m_palette[i] = kPalette16[i];
        }
    }
    m_s[blk::TextFg] = 7 & mask;
    m_s[blk::TextBg] = 0;
    m_s[blk::FgMix] = rop::Copy;
    m_s[blk::FgCol] = 7 & mask;
    m_s[blk::BgMix] = rop::Copy;
    m_s[blk::BgCol] = 0;
}

int Vdu::nearest_palette_index(uint32_t value) const {
    int best = 0;
    int64_t best_d = -1;
    for (int i = 0; i < 16; ++i) {
        int64_t dr = int64_t((value >> 16) & 0xFF) - ((m_palette[i] >> 16) & 0xFF);
        int64_t dg = int64_t((value >> 8) & 0xFF) - ((m_palette[i] >> 8) & 0xFF);
        int64_t db = int64_t(value & 0xFF) - (m_palette[i] & 0xFF);
        int64_t d = dr * dr + dg * dg + db * db;
        if (best_d < 0 || d < best_d) {
            best = i;
            best_d = d;
        }
    }
    return best;
}

}  // namespace kov::vdu
