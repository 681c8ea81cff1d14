// The VDU stream: every byte the program outputs passes through here.
// Control codes collect their parameter bytes; printable characters are
// drawn at the text cursor (and mirrored to the host in headless mode).
#pragma once

#include <cstdint>

#include "host/host.h"

namespace kov::vdu {

class Vdu {
public:
    explicit Vdu(host::Host& host) : m_host(host) {}

    // Writes one byte of the VDU stream.
    void write(uint8_t c);
    // Abandons a partially received control sequence.
    void reset() { m_pending = 0; }
    // While false, characters are drawn but not mirrored.
    void set_mirror(bool on) { m_mirror = on; }

    int column() const { return m_column; }
    int row() const { return m_row; }

private:
    void control(uint8_t code, const uint8_t* params);

    host::Host& m_host;
    bool m_mirror = true;
    uint8_t m_code = 0;
    int m_pending = 0;       // parameter bytes still expected
    int m_have = 0;          // parameter bytes received
    uint8_t m_params[9] = {};
    int m_column = 0;
    int m_row = 0;
};

}  // namespace kov::vdu
