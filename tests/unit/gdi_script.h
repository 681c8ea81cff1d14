// Test support for the rasteriser: draws a reference-renderer script
// (tests/screens/raster/*.gdi, the command language of the reference
// renderer) with our rasteriser, and reads the reference PNG images.
// Only the calls the VDU driver makes are understood: lines with a pen,
// NULLPEN polygons, ellipses, chords and pies, Arc with a pen, FillRect,
// flood fills, clipping, SetROP2, BitBlt SRCCOPY within surface 0.
#pragma once

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "vdu/raster.h"

namespace kov::test {

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;   // 0xRRGGBB
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// Reads an 8-bit RGB or RGBA PNG; false on failure.
inline bool read_png(const std::string& path, Image& img) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_expand(png);
    png_set_strip_alpha(png);
    png_read_update_info(png, info);
    img.width = static_cast<int>(png_get_image_width(png, info));
    img.height = static_cast<int>(png_get_image_height(png, info));
    std::vector<uint8_t> row(png_get_rowbytes(png, info));
    img.px.assign(static_cast<size_t>(img.width) * img.height, 0);
    for (int y = 0; y < img.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < img.width; ++x)
            img.px[static_cast<size_t>(y) * img.width + x] =
                (uint32_t{row[3 * x]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x + 2];
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return true;
}

// Draws the script with our rasteriser; an empty image and `error` set on
// a script it does not understand.
inline Image run_gdi(const std::string& text, std::string& error) {
    static const std::map<std::string, long> names = {
        {"PS_SOLID", 0}, {"PS_DASH", 1}, {"PS_DOT", 2}, {"PS_DASHDOT", 3}, {"PS_DASHDOTDOT", 4},
        {"R2_XORPEN", 7}, {"R2_MASKPEN", 9}, {"R2_NOP", 11}, {"R2_COPYPEN", 13}, {"R2_MERGEPEN", 15},
        {"R2_NOT", 6}, {"FLOODFILLBORDER", 0}, {"FLOODFILLSURFACE", 1}, {"TRANSPARENT", 1}, {"OPAQUE", 2},
        {"SRCCOPY", 0xCC0020},
    };
    Image img;
    std::vector<uint32_t> buf;
    std::vector<uint32_t> surface1;
    vdu::Raster* r = nullptr;
    std::unique_ptr<vdu::Raster> holder;
    uint32_t pen = 0, brush = 0xFFFFFF;
    bool null_pen = false;
    uint32_t bk = 0xFFFFFF;
    bool bk_opaque = true;
    int style = 0;
    vdu::Point cur;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(n) + ": " + what;
        return Image{};
    };
    while (std::getline(in, line)) {
        ++n;
        if (auto h = line.find('#'); h != std::string::npos) line.erase(h);
        for (char& c : line)
            if (c == ',') c = ' ';
        std::istringstream words(line);
        std::string cmd;
        if (!(words >> cmd)) continue;
        for (char& c : cmd) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::vector<long> a;
        for (std::string w; words >> w;) {
            std::string u = w;
            for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (auto it = names.find(u); it != names.end()) a.push_back(it->second);
            else a.push_back(std::strtol(w.c_str(), nullptr, 0));
        }
        auto rgb = [&](size_t i) { return static_cast<uint32_t>((a[i] << 16) | (a[i + 1] << 8) | a[i + 2]); };
        if (cmd == "SIZE") {
            img.width = static_cast<int>(a[0]);
            img.height = static_cast<int>(a[1]);
            buf.assign(static_cast<size_t>(img.width) * img.height, 0);
            holder = std::make_unique<vdu::Raster>(buf.data(), img.width, img.height);
            r = holder.get();
            continue;
        }
        if (!r) return fail("SIZE first");
        if (cmd == "PEN") {
            style = static_cast<int>(a[0]);
            pen = rgb(1);
            null_pen = false;
        } else if (cmd == "NULLPEN") {
            null_pen = true;
        } else if (cmd == "BRUSH") {
            brush = rgb(0);
        } else if (cmd == "ROP2") {
            r->set_rop(static_cast<uint8_t>(a[0]));
        } else if (cmd == "BKMODE") {
            bk_opaque = a[0] == 2;
            r->set_background(bk, bk_opaque);
        } else if (cmd == "BKCOLOR") {
            bk = rgb(0);
            r->set_background(bk, bk_opaque);
        } else if (cmd == "MOVE") {
            cur = {a[0], a[1]};
        } else if (cmd == "LINE") {
            if (!null_pen) r->line(cur, {a[0], a[1]}, pen, static_cast<vdu::PenStyle>(style));
            cur = {a[0], a[1]};
        } else if (cmd == "POLY") {
            if (!null_pen) return fail("POLY needs NULLPEN");
            std::vector<vdu::Point> pts;
            for (size_t i = 0; i + 1 < a.size(); i += 2) pts.push_back({a[i], a[i + 1]});
            r->polygon(pts.data(), static_cast<int>(pts.size()), brush);
        } else if (cmd == "ELLIPSE" || cmd == "CHORD" || cmd == "PIE") {
            if (!null_pen) return fail(cmd + " needs NULLPEN");
            if (cmd == "ELLIPSE") r->ellipse(a[0], a[1], a[2], a[3], brush);
            else if (cmd == "CHORD") r->chord(a[0], a[1], a[2], a[3], {a[4], a[5]}, {a[6], a[7]}, brush);
            else r->pie(a[0], a[1], a[2], a[3], {a[4], a[5]}, {a[6], a[7]}, brush);
        } else if (cmd == "ARC") {
            r->arc(a[0], a[1], a[2], a[3], {a[4], a[5]}, {a[6], a[7]}, pen);
        } else if (cmd == "FILLRECT") {
            uint8_t keep = r->rop();
            r->set_rop(13);
            r->fill_rect(a[0], a[1], a[2], a[3], rgb(4));
            r->set_rop(keep);
        } else if (cmd == "FLOOD") {
            r->flood(a[0], a[1], rgb(2), a[5] ? vdu::FloodType::Surface : vdu::FloodType::Border, brush);
        } else if (cmd == "PIXEL") {
            r->put(static_cast<int>(a[0]), static_cast<int>(a[1]), rgb(2));
        } else if (cmd == "CLIP") {
            r->set_clip({static_cast<int>(a[0]), static_cast<int>(a[1]), static_cast<int>(a[2]), static_cast<int>(a[3])});
        } else if (cmd == "CLIPAND") {
            r->clip_and({static_cast<int>(a[0]), static_cast<int>(a[1]), static_cast<int>(a[2]), static_cast<int>(a[3])});
        } else if (cmd == "NOCLIP") {
            r->set_clip({0, 0, img.width, img.height});
        } else if (cmd == "BLT") {
            if (a.size() != 7 || a[6] != 0xCC0020) return fail("BLT: SRCCOPY within the surface only");
            r->blit(a[0], a[1], a[2], a[3], buf.data(), a[4], a[5]);
        } else {
            return fail("not understood: " + cmd);
        }
    }
    img.px = buf;
    return img;
}

}  // namespace kov::test
