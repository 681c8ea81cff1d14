#include "os/bitmap.h"

#include <algorithm>
#include <cstring>

#ifdef KOV_HAVE_STB
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_THREAD_LOCALS
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop
#endif

namespace kov::os {

namespace {

uint32_t get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
void put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}

// The largest picture drawn: well beyond any screen, small enough that
// its pixels always fit in memory.
constexpr uint64_t kMaxPixels = uint64_t{1} << 24;

// A run-length coded file (8 bits per pixel for compression 1, 4 for 2),
// bottom row first. Pixels the coding skips (end of line, delta) keep
// colour 0 of the table. A file expands at most 256 times: more is taken
// for a lying header, before memory is allocated.
bool decode_rle(const uint8_t* data, size_t size, uint32_t header, int64_t width, int64_t height, uint32_t bits,
                uint32_t compression, Image& out, std::string& error) {
    const bool four = compression == 2;
    if (bits != (four ? 4u : 8u)) {
        error = "bad run-length coding";
        return false;
    }
    const uint32_t offset = get32(data + 10);
    if (offset > size || static_cast<uint64_t>(width) * height > (size - offset) * uint64_t{256}) {
        error = "pixel data missing";
        return false;
    }
    uint32_t colours = header >= 40 && size >= 50 ? get32(data + 46) : 0;
    if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
    uint32_t table[256] = {};
    const uint64_t table_at = 14 + uint64_t{header};
    for (uint32_t i = 0; i < colours && table_at + 4 * i + 3 <= size; ++i) {
        const uint8_t* e = data + table_at + 4 * i;
        table[i] = (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
    }
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    out.width = w;
    out.height = h;
    out.pixels.assign(static_cast<size_t>(w) * h, table[0]);
    int x = 0, y = 0;   // y counts from the bottom row
    auto put = [&](uint8_t index) {
        if (x < w && y < h) out.pixels[static_cast<size_t>(h - 1 - y) * w + x] = table[index];
        ++x;
    };
    size_t p = offset;
    while (p + 1 < size && y < h) {
        const uint8_t n = data[p], c = data[p + 1];
        p += 2;
        if (n > 0) {   // a run of n pixels
            for (int i = 0; i < n; ++i) put(four ? ((i & 1) ? (c & 15) : (c >> 4)) : c);
            continue;
        }
        if (c == 0) {   // end of line
            x = 0;
            ++y;
        } else if (c == 1) {   // end of the picture
            break;
        } else if (c == 2) {   // delta
            if (p + 1 >= size) break;
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {   // c pixels given one by one, padded to a 16-bit boundary
            const size_t bytes = four ? (c + 1u) / 2 : c;
            if (bytes > size - p) break;
            for (int i = 0; i < c; ++i) put(four ? ((i & 1) ? (data[p + i / 2] & 15) : (data[p + i / 2] >> 4)) : data[p + i]);
            p += (bytes + 1) & ~size_t{1};
        }
    }
    return true;
}

}  // namespace

#ifdef KOV_HAVE_STB
bool bitmaps_available() { return true; }
#else
bool bitmaps_available() { return false; }
#endif

bool decode_bmp(const uint8_t* data, size_t size, Image& out, std::string& error) {
    if (size < 26 || data[0] != 'B' || data[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    uint32_t offset = get32(data + 10);
    uint32_t header = get32(data + 14);
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (header == 12) {
        width = get16(data + 18);
        height = static_cast<int16_t>(get16(data + 20));
        bits = size >= 26 ? get16(data + 24) : 0;
    } else {
        if (size < 54 || header < 40) {
            error = "truncated header";
            return false;
        }
        width = static_cast<int32_t>(get32(data + 18));
        height = static_cast<int32_t>(get32(data + 22));
        bits = get16(data + 28);
        compression = get32(data + 30);
    }
    if (height < 0) height = -height;   // top-down rows
    if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixels) {
        error = "bad picture size";
        return false;
    }
    if (compression == 1 || compression == 2) return decode_rle(data, size, header, width, height, bits, compression, out, error);
    // The rows must be in the file before memory is taken for them.
    uint64_t row = ((static_cast<uint64_t>(bits) * width + 31) / 32) * 4;
    if (bits == 0 || offset > size || row * height > size - offset) {
        error = "pixel data missing";
        return false;
    }
#ifdef KOV_HAVE_STB
    int w = 0, h = 0, comp = 0;
    unsigned char* rgb = stbi_load_from_memory(data, static_cast<int>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size), &w, &h, &comp, 3);
    if (!rgb) {
        error = stbi_failure_reason() ? stbi_failure_reason() : "bad BMP file";
        return false;
    }
    out.width = w;
    out.height = h;
    out.pixels.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
    stbi_image_free(rgb);
    return true;
#else
    error = "BMP files are not available in this version";
    return false;
#endif
}

Image scale_nearest(const Image& src, int width, int height) {
    return scale_nearest_part(src, width, height, 0, 0, width, height);
}

Image scale_nearest_part(const Image& src, int width, int height, int x0, int y0, int part_w, int part_h) {
    Image out;
    if (width <= 0 || height <= 0 || src.width <= 0 || src.height <= 0) return out;
    if (x0 < 0 || y0 < 0 || part_w <= 0 || part_h <= 0 || x0 >= width || y0 >= height) return out;
    part_w = std::min(part_w, width - x0);
    part_h = std::min(part_h, height - y0);
    out.width = part_w;
    out.height = part_h;
    out.pixels.resize(static_cast<size_t>(part_w) * part_h);
    for (int y = 0; y < part_h; ++y) {
        int sy = static_cast<int>(static_cast<int64_t>(y0 + y) * src.height / height);
        for (int x = 0; x < part_w; ++x) {
            int sx = static_cast<int>(static_cast<int64_t>(x0 + x) * src.width / width);
            out.pixels[static_cast<size_t>(y) * part_w + x] = src.at(sx, sy);
        }
    }
    return out;
}

std::vector<uint8_t> encode_bmp24(const Image& image) {
    const uint32_t row = ((24u * static_cast<uint32_t>(image.width) + 7) / 8 + 3) & ~3u;
    const uint32_t image_size = row * static_cast<uint32_t>(image.height);
    const uint32_t offset = 54;
    std::vector<uint8_t> f(offset + image_size, 0);
    f[0] = 'B';
    f[1] = 'M';
    put32(f, 2, offset + image_size);
    put32(f, 10, offset);
    put32(f, 14, 40);
    put32(f, 18, static_cast<uint32_t>(image.width));
    put32(f, 22, static_cast<uint32_t>(image.height));
    put16(f, 26, 1);
    put16(f, 28, 24);
    put32(f, 30, 0);
    put32(f, 34, image_size);
    for (int y = 0; y < image.height; ++y) {
        uint8_t* out = f.data() + offset + static_cast<size_t>(image.height - 1 - y) * row;
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.at(x, y);
            out[3 * x] = static_cast<uint8_t>(p);
            out[3 * x + 1] = static_cast<uint8_t>(p >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    return f;
}

}  // namespace kov::os
