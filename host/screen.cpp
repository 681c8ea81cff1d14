#include "host/screen.h"

namespace kov::host {

Screen::Screen(interp::Interp& in, Host& host, Surface* surface)
    : m_in(in), m_mirror(host), m_client(in) {
    if (!surface) {
        m_own_surface = std::make_unique<HeadlessSurface>();
        surface = m_own_surface.get();
    }
    m_vdu = std::make_unique<vdu::Vdu>(in.mem, *surface, m_client);
    if (m_own_surface) m_vdu->set_text_sink(&m_mirror);
    m_vdu->set_font_loader(platform_font_loader());
    in.vdu = m_vdu.get();
}

Screen::~Screen() {
    if (m_in.vdu == m_vdu.get()) m_in.vdu = nullptr;
}

}  // namespace kov::host
