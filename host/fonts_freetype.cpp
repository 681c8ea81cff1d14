// Fonts through fontconfig (finding a file by family and style) and
// FreeType (rendering one bit deep with the monochrome target).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cmath>
#include <mutex>

#include "host/fonts.h"

namespace kov::host {

namespace {

bool same_name(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

class FreeTypeFont : public Font {
public:
    FreeTypeFont(FT_Face face, bool underline) : m_face(face), m_underline(underline) {}
    ~FreeTypeFont() override { FT_Done_Face(m_face); }

    // Sizes the face: `height` > 0 is the whole cell (ascent + descent),
    // < 0 the em size; `width` > 0 stretches the advance of "0" to it.
    bool size(int req_height, int req_width) {
        const double units = m_face->units_per_EM ? m_face->units_per_EM : 2048;
        const double asc = m_face->ascender / units, desc = -m_face->descender / units;
        double em_y = req_height > 0 ? req_height / std::max(0.5, asc + desc) : -req_height;
        if (em_y < 1) em_y = 1;
        double em_x = em_y;
        if (req_width > 0) {
            double adv = 0.6;
            if (FT_Load_Char(m_face, '0', FT_LOAD_NO_SCALE) == 0 && m_face->glyph->advance.x > 0)
                adv = m_face->glyph->advance.x / units;
            em_x = req_width / adv;
        }
        if (FT_Set_Char_Size(m_face, static_cast<FT_F26Dot6>(em_x * 64), static_cast<FT_F26Dot6>(em_y * 64), 72, 72)) return false;
        m_width = req_width;
        if (req_height > 0) {
            height = req_height;
            ascent = static_cast<int>(std::lround(req_height * asc / (asc + desc)));
        } else {
            ascent = static_cast<int>(std::lround(em_y * asc));
            height = ascent + static_cast<int>(std::lround(em_y * desc));
        }
        if (height <= 0) return false;
        average_width = req_width > 0 ? req_width : std::max(1, render_advance('x'));
        return true;
    }

    int render(uint32_t code, std::vector<uint8_t>& mask) override {
        FT_UInt index = FT_Get_Char_Index(m_face, code);
        if (!index || FT_Load_Glyph(m_face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME)) return 0;
        FT_GlyphSlot g = m_face->glyph;
        int adv = m_width > 0 ? m_width : static_cast<int>((g->advance.x + 32) >> 6);
        if (adv <= 0 || adv > 1024) return 0;
        mask.assign(static_cast<size_t>(adv) * height, 0);
        const FT_Bitmap& bm = g->bitmap;
        // Centre a fixed-pitch glyph in its cell.
        int ox = g->bitmap_left;
        if (m_width > 0) ox += (adv - static_cast<int>((g->advance.x + 32) >> 6)) / 2;
        int oy = ascent - g->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r) {
            int y = oy + static_cast<int>(r);
            if (y < 0 || y >= height) continue;
            const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
            for (unsigned c = 0; c < bm.width; ++c) {
                int x = ox + static_cast<int>(c);
                if (x < 0 || x >= adv) continue;
                bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (src[c >> 3] & (0x80 >> (c & 7))) : src[c] >= 128;
                if (on) mask[static_cast<size_t>(y) * adv + x] = 1;
            }
        }
        if (m_underline) {
            int y = std::min(height - 1, ascent + 1);
            for (int x = 0; x < adv; ++x) mask[static_cast<size_t>(y) * adv + x] = 1;
        }
        return adv;
    }

private:
    int render_advance(uint32_t code) {
        if (FT_Load_Char(m_face, code, FT_LOAD_DEFAULT)) return 0;
        return static_cast<int>((m_face->glyph->advance.x + 32) >> 6);
    }

    FT_Face m_face;
    bool m_underline;
    int m_width = 0;
};

class FreeTypeLoader : public FontLoader {
public:
    ~FreeTypeLoader() override {
        if (m_lib) FT_Done_FreeType(m_lib);
    }

    std::unique_ptr<Font> open(const FontRequest& req, std::string& error) override {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_lib && FT_Init_FreeType(&m_lib)) {
            m_lib = nullptr;
            error = "FreeType cannot start";
            return nullptr;
        }
        std::string family = req.name.empty() ? "DejaVu Sans Mono" : req.name;
        FcPattern* pat = FcPatternCreate();
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pat, FC_WEIGHT, req.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pat, FC_SLANT, req.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        if (req.name.empty()) FcPatternAddInteger(pat, FC_SPACING, FC_MONO);
        FcConfigSubstitute(nullptr, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pat, &result);
        FcPatternDestroy(pat);
        if (!match) {
            error = "no font matches " + family;
            return nullptr;
        }
        FcChar8* file = nullptr;
        FcChar8* found = nullptr;
        int index = 0;
        FcPatternGetString(match, FC_FILE, 0, &file);
        FcPatternGetString(match, FC_FAMILY, 0, &found);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        std::string path = file ? reinterpret_cast<const char*>(file) : "";
        bool named = false;
        for (int i = 0; found; ++i) {
            if (same_name(family, reinterpret_cast<const char*>(found))) named = true;
            found = nullptr;
            FcPatternGetString(match, FC_FAMILY, i + 1, &found);
        }
        FcPatternDestroy(match);
        if (path.empty() || (req.exact_name && !named)) {
            error = "no font named " + family;
            return nullptr;
        }
        FT_Face face;
        if (FT_New_Face(m_lib, path.c_str(), index, &face)) {
            error = "cannot read " + path;
            return nullptr;
        }
        auto font = std::make_unique<FreeTypeFont>(face, req.underline);
        if (!font->size(req.height, req.width)) {
            error = "cannot size " + path;
            return nullptr;
        }
        return font;
    }

private:
    std::mutex m_lock;
    FT_Library m_lib = nullptr;
};

}  // namespace

FontLoader* platform_font_loader() {
    static FreeTypeLoader loader;
    return &loader;
}

}  // namespace kov::host
