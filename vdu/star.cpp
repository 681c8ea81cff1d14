// The screen's star commands: *FONT, *EGA and *NOEGA.
#include <cctype>
#include <string>

#include "vdu/system_font.h"
#include "vdu/vdu.h"

namespace kov::vdu {

namespace {
// Screen resolution the point sizes of *FONT are converted with.
constexpr int kPixelsPerInch = 96;
}

// *FONT [name][,size[,style]]: a quoted name ends at its closing quote,
// an unquoted one at the comma; the size is in points; every style
// character is OR-ed into one byte whose bits 1, 2, 3 select bold,
// underline and italic. Text then advances by each character's width.
void Vdu::star_font(std::string_view arg) {
    size_t i = 0;
    while (i < arg.size() && arg[i] == ' ') ++i;
    std::string name;
    if (i < arg.size() && arg[i] == '"') {
        size_t end = arg.find('"', i + 1);
        if (end == std::string_view::npos) {
            m_client.error(253, "Bad string");
            return;
        }
        name.assign(arg.substr(i + 1, end - i - 1));
        i = end + 1;
        while (i < arg.size() && arg[i] == ' ') ++i;
    } else {
        size_t end = arg.find(',', i);
        if (end == std::string_view::npos) end = arg.size();
        name.assign(arg.substr(i, end - i));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        i = end;
    }
    int height = get32(blk::CharH);
    uint8_t style = 0;
    if (i < arg.size()) {
        ++i;   // the comma (or whatever stands there)
        while (i < arg.size() && arg[i] == ' ') ++i;
        int points = 0;
        while (i < arg.size() && std::isdigit(static_cast<unsigned char>(arg[i]))) {
            if (points < 10000) points = points * 10 + (arg[i] - '0');
            ++i;
        }
        height = -(points * 10 * kPixelsPerInch / 720);
        while (i < arg.size() && arg[i] == ' ') ++i;
        if (i < arg.size() && arg[i] == ',') ++i;
        for (; i < arg.size(); ++i) style |= static_cast<uint8_t>(arg[i]);
    }
    Glyphs g;
    std::unique_ptr<host::Font> font;
    if (name.empty()) {
        // The built-in fixed font.
        g.system = true;
        g.oem = false;
        g.masks.assign(256 * 8 * 16, 0);
        for (int c = 0; c < 256; ++c) {
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 8; ++x) g.masks[(c * 16 + y) * 8 + x] = (kSystemFont[c][y] >> (7 - x)) & 1;
            g.advance[c] = 8;
        }
        g.average = 8;
        g.height = 16;
    } else {
        host::FontRequest req;
        req.name = name;
        req.height = height == 0 ? get32(blk::CharH) : height;
        req.bold = style & 2;
        req.underline = style & 4;
        req.italic = style & 8;
        req.exact_name = true;
        std::string error;
        if (m_fonts) font = m_fonts->open(req, error);
        if (!font || font->height <= 0 || font->height > 1200) {
            m_client.error(246, "No such font");
            return;
        }
        std::vector<uint8_t> mask;
        int widest = 1;
        std::vector<std::vector<uint8_t>> rendered(256);
        for (int c = 0; c < 256; ++c) {
            uint32_t u = kUnicode1252[c];
            int adv = u ? font->render(u, mask) : 0;
            if (adv > 256) adv = 256;
            g.advance[c] = adv > 0 ? adv : font->average_width;
            if (adv > 0) rendered[c] = mask;
            widest = std::max(widest, g.advance[c]);
        }
        g.system = false;
        g.glyph_w = widest;
        g.glyph_h = font->height;
        g.masks.assign(static_cast<size_t>(256) * widest * font->height, 0);
        for (int c = 0; c < 256; ++c) {
            if (rendered[c].empty()) continue;
            int adv = g.advance[c];
            uint8_t* dst = g.masks.data() + static_cast<size_t>(c) * widest * font->height;
            for (int y = 0; y < font->height; ++y)
                for (int x = 0; x < adv; ++x) dst[y * widest + x] = rendered[c][static_cast<size_t>(y) * adv + x] ? 1 : 0;
        }
        g.average = std::max(1, font->average_width);
        g.height = font->height;
    }
    m_glyphs = std::move(g);
    m_font = std::move(font);
    set32(blk::FontHandle, m_font ? ++m_font_serial : 0);
    set32(blk::CharW, m_glyphs.average);
    set32(blk::CharH, m_glyphs.height);
    m_s[blk::CaretEnd] = static_cast<uint8_t>(m_glyphs.height);
    m_s[blk::Flags] |= vflag::Proportional;
    caret_reset();
}

// *EGA [O][hex]: the remapping of old MODE numbers; bit 1 with no number
// (or 0, so *EGA ON), bit 2 alone otherwise (*EGA OFF).
void Vdu::star_ega(std::string_view arg) {
    size_t i = 0;
    while (i < arg.size() && arg[i] == ' ') ++i;
    if (i < arg.size() && (arg[i] == 'O' || arg[i] == 'o')) ++i;
    unsigned v = 0;
    while (i < arg.size() && std::isxdigit(static_cast<unsigned char>(arg[i]))) {
        char c = arg[i++];
        v = (v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10)) & 0xFF;
    }
    uint8_t& f = m_s[blk::Flags];
    f |= vflag::Ega2;
    if (v == 0) f |= vflag::Ega1;
    else f &= static_cast<uint8_t>(~vflag::Ega1);
}

void Vdu::star_noega() { m_s[blk::Flags] &= static_cast<uint8_t>(~(vflag::Ega1 | vflag::Ega2)); }

}  // namespace kov::vdu
