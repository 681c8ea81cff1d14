// BMP files: reading every common kind into RGB pixels (stb_image), the
// nearest-pixel scaling that stretches a picture, and writing a 24-bit
// file from pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kov::os {

// Pixels 0xRRGGBB, the top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The screen as the picture commands see it: its size, the graphics
// origin, and pixels drawn or read under the drawing lock.
class Screen {
public:
    virtual ~Screen() = default;
    virtual int width_px() = 0;
    virtual int height_px() = 0;
    virtual int origin_x() = 0;   // graphics units
    virtual int origin_y() = 0;
    // Draws the image with its top-left pixel at (left, top), clipped to
    // the screen, and shows the changed rectangle.
    virtual void draw(int left, int top, const Image& image) = 0;
    // The pixels of a rectangle (black outside the screen).
    virtual Image read(int left, int top, int width, int height) = 0;
};

// True when BMP files can be read (the image library was there at build
// time).
bool bitmaps_available();

// Reads a BMP file image of `size` bytes. False with a reason in `error`
// for bytes that are no picture it can draw; the header's sizes are
// checked against the bytes there before anything is allocated.
bool decode_bmp(const uint8_t* data, size_t size, Image& out, std::string& error);

// `src` scaled to width × height by taking the nearest source pixel.
Image scale_nearest(const Image& src, int width, int height);
// Only the part_w × part_h block at (x0, y0) of that scaled image (clipped
// to it), so that a picture stretched far beyond the screen costs no more
// than the part that shows.
Image scale_nearest_part(const Image& src, int width, int height, int x0, int y0, int part_w, int part_h);

// A 24-bit BMP file of the image (bottom row first, rows padded to 4
// bytes, no colour table).
std::vector<uint8_t> encode_bmp24(const Image& image);

}  // namespace kov::os
