#include "vdu/vdu.h"

namespace kov::vdu {

namespace {
// Number of parameter bytes each control code 0..31 takes.
constexpr uint8_t kParamCount[32] = {
    0, 1, 0, 0, 0, 0, 0, 0,   // 0..7
    0, 0, 0, 0, 0, 0, 0, 0,   // 8..15
    0, 1, 2, 5, 0, 0, 1, 9,   // 16..23
    8, 5, 0, 0, 4, 4, 0, 2,   // 24..31
};
}  // namespace

void Vdu::write(uint8_t c) {
    if (m_pending) {
        m_params[m_have++] = c;
        if (--m_pending == 0) control(m_code, m_params);
        return;
    }
    if (c < 32) {
        m_code = c;
        m_have = 0;
        m_pending = kParamCount[c];
        if (m_pending == 0) control(c, m_params);
        return;
    }
    if (c == 127) {
        if (m_column > 0) --m_column;
        return;
    }
    if (m_mirror) m_host.mirror_char(c);
    ++m_column;
}

void Vdu::control(uint8_t code, const uint8_t* params) {
    switch (code) {
        case 8: if (m_column > 0) --m_column; break;
        case 9: ++m_column; break;
        case 10:
            ++m_row;
            if (m_mirror) m_host.mirror_newline();
            break;
        case 11: if (m_row > 0) --m_row; break;
        case 12: case 16: case 22: m_column = 0; m_row = 0; break;
        case 13: m_column = 0; break;
        case 30: m_column = 0; m_row = 0; break;
        case 31: m_column = params[0]; m_row = params[1]; break;
        default: break;
    }
}

}  // namespace kov::vdu
