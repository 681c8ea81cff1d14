// The screen of a run: the VDU driver drawing into a surface (the host's
// own unless another is given), its text mirror going to that surface.
#pragma once

#include <memory>

#include "host/host.h"
#include "host/surface.h"
#include "interp/interp.h"
#include "interp/vdu_client.h"
#include "os/bitmap.h"
#include "vdu/vdu.h"

namespace kov::host {

class Screen {
public:
    // Attaches a new VDU driver to `in` (in.vdu).
    Screen(interp::Interp& in, Host& host, Surface* surface = nullptr);
    ~Screen();

    vdu::Vdu& vdu() { return *m_vdu; }

private:
    struct Mirror : vdu::TextSink {
        explicit Mirror(Surface& s) : surface(s) {}
        void text_char(uint8_t c) override { surface.mirror_char(c); }
        void text_newline() override { surface.mirror_newline(); }
        Surface& surface;
    };

    // The screen as the picture commands see it.
    struct Pictures : os::Screen {
        explicit Pictures(vdu::Vdu& v) : vdu(v) {}
        int width_px() override { return vdu.screen_width(); }
        int height_px() override { return vdu.screen_height(); }
        int origin_x() override { return vdu.get32(vdu::blk::OriginX); }
        int origin_y() override { return vdu.get32(vdu::blk::OriginY); }
        void draw(int left, int top, const os::Image& image) override {
            vdu.put_pixels(left, top, image.width, image.height, image.pixels.data());
        }
        os::Image read(int left, int top, int width, int height) override;
        vdu::Vdu& vdu;
    };

    interp::Interp& m_in;
    Mirror m_mirror;
    interp::VduClient m_client;
    std::unique_ptr<vdu::Vdu> m_vdu;
    std::unique_ptr<Pictures> m_pictures;
};

}  // namespace kov::host
