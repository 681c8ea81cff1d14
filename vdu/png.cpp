// Screenshots: the visible part of the shadow bitmap as a PNG file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef KOV_HAVE_PNG
#include <png.h>
#endif

#include "vdu/vdu.h"

namespace kov::vdu {

#ifdef KOV_HAVE_PNG
namespace {
// Writes rows of 8-bit RGB; false on a libpng failure.
bool write_png(std::FILE* f, png_uint_32 w, png_uint_32 h, const uint8_t* rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (png_uint_32 y = 0; y < h; ++y) png_write_row(png, rgb + static_cast<size_t>(y) * w * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
}  // namespace
#endif

bool Vdu::save_png(const std::string& path, std::string& error) {
#ifdef KOV_HAVE_PNG
    const int w = std::clamp<int32_t>(get32(blk::ClientW), 1, host::kShadowWidth);
    const int h = std::clamp<int32_t>(get32(blk::ClientH), 1, host::kShadowHeight);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    {
        std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
        for (int y = 0; y < h; ++y) {
            const uint32_t* src = m_pixels.data() + static_cast<size_t>(y) * host::kShadowWidth;
            uint8_t* dst = rgb.data() + static_cast<size_t>(y) * w * 3;
            for (int x = 0; x < w; ++x) {
                dst[3 * x] = static_cast<uint8_t>(src[x] >> 16);
                dst[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
                dst[3 * x + 2] = static_cast<uint8_t>(src[x]);
            }
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = write_png(f, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), rgb.data());
    if (std::fclose(f) != 0 || !ok) {
        error = "cannot write " + path;
        return false;
    }
    return true;
#else
    (void)path;
    error = "screenshots need libpng, which this engine was built without";
    return false;
#endif
}

void Vdu::program_stopped() {
    if (m_stopped) return;
    m_stopped = true;
    m_stopped_sink = m_sink;
    m_sink = nullptr;
    if (!m_screenshot_path.empty() && !save_png(m_screenshot_path, m_screenshot_error) && m_screenshot_error.empty())
        m_screenshot_error = "cannot write " + m_screenshot_path;
}

}  // namespace kov::vdu
