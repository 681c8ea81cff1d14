#include "host/screen.h"

namespace kov::host {

Screen::Screen(interp::Interp& in, Host& host, Surface* surface)
    : m_in(in), m_mirror(surface ? *surface : host), m_client(in) {
    m_vdu = std::make_unique<vdu::Vdu>(in.mem, m_mirror.surface, m_client);
    m_vdu->set_text_sink(&m_mirror);
    m_vdu->set_font_loader(platform_font_loader());
    in.vdu = m_vdu.get();
}

Screen::~Screen() {
    if (m_in.vdu == m_vdu.get()) m_in.vdu = nullptr;
}

}  // namespace kov::host
