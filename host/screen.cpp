#include "host/screen.h"

namespace kov::host {

Screen::Screen(interp::Interp& in, Host& host, Surface* surface)
    : m_in(in), m_mirror(surface ? *surface : host), m_client(in) {
    m_vdu = std::make_unique<vdu::Vdu>(in.mem, m_mirror.surface, m_client);
    m_vdu->set_text_sink(&m_mirror);
    m_vdu->set_font_loader(platform_font_loader());
    in.vdu = m_vdu.get();
    m_pictures = std::make_unique<Pictures>(*m_vdu);
    in.os->set_picture_screen(m_pictures.get());
}

Screen::~Screen() {
    if (m_in.vdu == m_vdu.get()) {
        m_in.vdu = nullptr;
        m_in.os->set_picture_screen(nullptr);
    }
}

os::Image Screen::Pictures::read(int left, int top, int width, int height) {
    os::Image image;
    if (width <= 0 || height <= 0) return image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    vdu.get_pixels(left, top, width, height, image.pixels.data());
    return image;
}

}  // namespace kov::host
