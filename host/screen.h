// The screen of a run: the VDU driver drawing into a surface (the host's
// own unless another is given), its text mirror going to that surface.
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

    interp::Interp& m_in;
    Mirror m_mirror;
    interp::VduClient m_client;
    std::unique_ptr<vdu::Vdu> m_vdu;
};

}  // namespace kov::host
