// The screen of a run: the VDU driver drawing into a surface, with the
// text mirror going to the host when there is no window.
#pragma once

#include <memory>

#include "host/host.h"
#include "host/surface.h"
#include "interp/interp.h"
#include "interp/vdu_client.h"
#include "vdu/vdu.h"

namespace kov::host {

class Screen {
public:
    // Attaches a new VDU driver to `in` (in.vdu). `surface` null: a
    // headless surface of the screen's own, with the text mirror.
    Screen(interp::Interp& in, Host& host, Surface* surface = nullptr);
    ~Screen();

    vdu::Vdu& vdu() { return *m_vdu; }
    HeadlessSurface* headless() { return m_own_surface.get(); }

private:
    struct Mirror : vdu::TextSink {
        explicit Mirror(Host& h) : host(h) {}
        void text_char(uint8_t c) override { host.mirror_char(c); }
        void text_newline() override { host.mirror_newline(); }
        Host& host;
    };

    interp::Interp& m_in;
    std::unique_ptr<HeadlessSurface> m_own_surface;
    Mirror m_mirror;
    interp::VduClient m_client;
    std::unique_ptr<vdu::Vdu> m_vdu;
};

}  // namespace kov::host
