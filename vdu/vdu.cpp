// The VDU stream: the parameter queue, the control-code table and the
// routing of printable bytes.
#include "vdu/vdu.h"

#include <algorithm>
#include <cstring>

namespace kov::vdu {

namespace {
// Number of parameter bytes each control code 0..31 takes.
constexpr uint8_t kParamCount[32] = {
    0, 1, 0, 0, 0, 0, 0, 0,   // 0..7
    0, 0, 0, 0, 0, 0, 0, 0,   // 8..15
    0, 1, 2, 5, 0, 0, 1, 9,   // 16..23
    8, 5, 0, 1, 4, 4, 0, 2,   // 24..31
};
}  // namespace

const ModeInfo kModes[34] = {
    {640, 512, 8, 16, 2},     {640, 512, 16, 16, 4},    {640, 512, 32, 16, 16},   {640, 500, 8, 20, 16},
    {640, 512, 16, 16, 2},    {640, 512, 32, 16, 4},    {640, 500, 16, 20, 16},   {640, 500, 16, 20, 8},
    {640, 512, 8, 16, 16},    {640, 512, 16, 16, 16},   {720, 576, 8, 16, 16},    {720, 576, 16, 16, 16},
    {960, 768, 8, 16, 16},    {960, 768, 16, 16, 16},   {1280, 1024, 8, 16, 16},  {1280, 1024, 16, 16, 16},
    {640, 400, 8, 16, 16},    {640, 400, 16, 16, 16},   {640, 480, 8, 16, 16},    {640, 480, 16, 16, 16},
    {800, 600, 8, 20, 16},    {800, 600, 16, 20, 16},   {1024, 768, 8, 16, 16},   {1024, 768, 16, 16, 16},
    {1152, 864, 8, 16, 16},   {1152, 864, 16, 16, 16},  {1280, 960, 8, 16, 16},   {1280, 960, 16, 16, 16},
    {1440, 1080, 8, 20, 16},  {1440, 1080, 16, 20, 16}, {1600, 1200, 8, 16, 16},  {1600, 1200, 16, 16, 16},
    {640, 400, 8, 16, 2},     {640, 400, 16, 16, 4},
};

namespace {
std::mutex g_spare_lock;
uint32_t* g_spare = nullptr;
}  // namespace

ShadowPixels::ShadowPixels() {
    {
        std::lock_guard<std::mutex> hold(g_spare_lock);
        m_p = g_spare;
        g_spare = nullptr;
    }
    if (!m_p) m_p = new uint32_t[kCount];
}

ShadowPixels::~ShadowPixels() {
    std::lock_guard<std::mutex> hold(g_spare_lock);
    if (!g_spare) {
        g_spare = m_p;
    } else {
        delete[] m_p;
    }
}

const uint8_t kEgaRemap[16] = {32, 33, 33, 3, 33, 33, 6, 7, 16, 17, 17, 3, 17, 17, 6, 3};

Vdu::Vdu(interp::Memory& memory, host::Surface& surface, Client& client)
    : m_mem(memory), m_surface(surface), m_client(client),
      m_s(memory.fixed_area() + interp::fixed::VduBlock),
      m_udc(interp::Memory::ptr(memory.base() + 0x1000)),
      m_pixels() {
    std::fill(m_pixels.begin(), m_pixels.end(), 0xFFFFFF);
    std::memset(m_map, ' ', sizeof m_map);
    std::memcpy(m_palette, kPalette16, sizeof m_palette);
    m_surface.attach(m_pixels.data());
    m_surface.attach_char_map(m_map);
}

Vdu::~Vdu() = default;

void Vdu::start(int width, int height) {
    if (m_stopped) {
        // A new run (tests run several programs on one driver).
        m_stopped = false;
        m_screenshot_error.clear();
        if (m_stopped_sink) m_sink = m_stopped_sink;
        m_stopped_sink = nullptr;
    }
    width = std::clamp(width, 1, host::kShadowWidth);
    height = std::clamp(height, 1, host::kShadowHeight);
    std::memset(m_s + blk::First, 0, blk::End - blk::First);
    {
        std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
        std::fill(m_pixels.begin(), m_pixels.end(), 0xFFFFFF);
        std::memcpy(m_palette, kPalette16, sizeof m_palette);
        m_surface.set_client_size(width, height);
    }
    std::memset(m_udc, 0, 256);
    set32(blk::ClientW, width);
    set32(blk::ClientH, height);
    set32(blk::CharW, 8);
    set32(blk::CharH, 16);
    set32(blk::DotW, 1);
    set32(blk::DotH, 1);
    m_s[blk::TextFg] = 0;
    m_s[blk::TextBg] = 15;
    m_s[blk::ColourMask] = 15;
    m_s[blk::FgMix] = rop::Copy;
    m_s[blk::FgCol] = 0;
    m_s[blk::BgMix] = rop::Copy;
    m_s[blk::BgCol] = 15;
    m_s[blk::CaretEnd] = 16;
    load_mode_font(8, 16, false);
    end_mode_change();
    std::lock_guard<std::mutex> hold(m_surface.drawing_lock());
    present({0, 0, host::kShadowWidth, host::kShadowHeight});
}

void Vdu::reset() { m_s[blk::QueueCount] = 0; }

void Vdu::write(uint8_t c) {
    uint8_t* s = m_s;
    if (uint8_t left = s[blk::QueueCount]) {
        // A poked count cannot push the queue out of the block.
        if (left > 9) left = 9;
        s[blk::QueueCode - left] = c;
        s[blk::QueueCount] = --left;
        if (left == 0) control(s[blk::QueueCode] & 31);
        return;
    }
    if (c < 32) {
        if (uint8_t n = kParamCount[c]) {
            s[blk::QueueCode] = c;
            s[blk::QueueCount] = n;
            return;
        }
        control(c);
        return;
    }
    uint8_t flags = s[blk::Flags];
    if (flags & (vflag::Printer | vflag::Disabled | vflag::GraphicsText)) {
        // The printer arrives with its own driver; its flag is kept.
        if (flags & vflag::Disabled) return;
        if (flags & vflag::GraphicsText) {
            if (c == 127) delete_graphics_char();
            else print_graphics_char(c);
            return;
        }
    }
    if (c == 127) {
        cursor_left();
        print_char(' ');
        cursor_left();
        return;
    }
    print_char(c);
}

void Vdu::printer_control(uint8_t) {
    // Printer positioning belongs to the printer driver (not built yet).
}

void Vdu::control(uint8_t code) {
    uint8_t* s = m_s;
    uint8_t flags = s[blk::Flags];
    if ((flags & vflag::Disabled) && code != 1 && code != 6) {
        if (flags & vflag::Printer) printer_control(code);
        return;
    }
    const bool graphics = flags & vflag::GraphicsText;
    switch (code) {
        case 0: case 1: case 2: case 3:
            if (code == 2) s[blk::Flags] |= vflag::Printer;
            if (code == 3) s[blk::Flags] &= static_cast<uint8_t>(~vflag::Printer);
            break;
        case 4:
            s[blk::Flags] &= static_cast<uint8_t>(~vflag::GraphicsText);
            s[blk::CaretStart] &= static_cast<uint8_t>(~0x40);
            update_caret();
            break;
        case 5:
            if (s[blk::Mode] == 7) {
                control(4);
                break;
            }
            s[blk::Flags] |= vflag::GraphicsText;
            s[blk::CaretStart] |= 0x40;
            update_caret();
            break;
        case 6: s[blk::Flags] &= static_cast<uint8_t>(~vflag::Disabled); break;
        case 7: m_client.beep(); break;
        case 8: case 9: case 10: case 11: case 13: case 30:
            if (graphics) graphics_control(code);
            else {
                switch (code) {
                    case 8: cursor_left(); break;
                    case 9: cursor_right(); break;
                    case 10:
                        line_feed();
                        if (m_sink) m_sink->text_newline();
                        break;
                    case 11: cursor_up(); break;
                    case 13: set32(blk::CurX, get32(blk::TwLeft)); break;
                    default:
                        set32(blk::CurX, get32(blk::TwLeft));
                        set32(blk::CurY, get32(blk::TwTop));
                        break;
                }
                update_caret();
            }
            break;
        case 12: clear_text_window(); update_caret(); break;
        case 14: paged_on(); break;
        case 15: s[blk::Paged] = 0; break;
        case 16: clear_graphics(); break;
        case 17: text_colour(param(0, 1)); break;
        case 18: graphics_colour(param(0, 2), param(1, 2)); break;
        case 19: define_colour(param(0, 5), param(1, 5), param(2, 5), param(3, 5), param(4, 5)); break;
        case 20: default_colours(); break;
        case 21: s[blk::Flags] |= vflag::Disabled; break;
        case 22: select_mode(param(0, 1)); break;
        case 23: {
            uint8_t sub = param(0, 9);
            if (sub >= 32) {
                uint8_t* pat = m_udc + 8 * sub;
                for (int i = 0; i < 8; ++i) pat[i] = param(1 + i, 9);
                m_udc[sub] = 255;
                break;
            }
            switch (sub) {
                case 0:
                    if (param(1, 9) == 10) s[blk::CaretStart] = param(2, 9);
                    else if (param(1, 9) == 11) s[blk::CaretEnd] = param(2, 9);
                    else break;
                    update_caret();
                    break;
                case 1:
                    if (param(1, 9) == 0) s[blk::CaretStart] |= 0x20;
                    else s[blk::CaretStart] &= static_cast<uint8_t>(~0x20);
                    update_caret();
                    break;
                case 7: scroll_command(); break;
                case 22: user_mode(); break;
                default: break;
            }
            break;
        }
        case 24: graphics_window(param16(0, 8), param16(2, 8), param16(4, 8), param16(6, 8)); break;
        case 25:
            if (s[blk::Mode] != 7) plot(param(0, 5), param16(1, 5), param16(3, 5));
            break;
        case 26: reset_windows(true); update_caret(); break;
        case 27: {
            // The byte is printed as a character at the text cursor, whatever it is.
            print_char(param(0, 1));
            break;
        }
        case 28: text_window(param(0, 4), param(1, 4), param(2, 4), param(3, 4)); update_caret(); break;
        case 29:
            set32(blk::OriginX, param16(0, 4));
            set32(blk::OriginY, param16(2, 4));
            break;
        case 31: move_cursor(param(0, 2), param(1, 2)); update_caret(); break;
        default: break;
    }
}

}  // namespace kov::vdu
