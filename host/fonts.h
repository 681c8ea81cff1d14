// Scalable fonts for the screen: found by name and rendered one colour
// deep (every pixel on or off), so every drawn pixel is a logical colour.
// Implemented in host/ with fontconfig and FreeType; without them there is
// no loader and the VDU scales its built-in 8x16 font instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kov::host {

struct FontRequest {
    std::string name;      // family name; empty: the fixed-pitch MODE font
    int height = 16;       // > 0: cell height in pixels; < 0: em size (height without leading)
    int width = 0;         // > 0: stretch so the advance is this many pixels; 0: natural
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool exact_name = false;   // fail unless the family found is the one named
};

class Font {
public:
    virtual ~Font() = default;
    // Cell height (ascent + descent), ascent, and the average advance.
    int height = 0;
    int ascent = 0;
    int average_width = 0;
    // Renders the character with Unicode code point `code` on its
    // baseline at `ascent`: fills `mask` with advance × height bytes (1 =
    // pixel on), row-major, and returns the advance (0: no such glyph).
    virtual int render(uint32_t code, std::vector<uint8_t>& mask) = 0;
};

class FontLoader {
public:
    virtual ~FontLoader() = default;
    // Opens a font; nullptr (with a reason in `error`) when there is none.
    virtual std::unique_ptr<Font> open(const FontRequest& request, std::string& error) = 0;
};

// The platform's loader, or nullptr when the engine was built without one.
FontLoader* platform_font_loader();

}  // namespace kov::host
