// The headless back-end: the text mirror goes to standard output, keys come
// from --keys and standard input, the message box goes to standard error.
#pragma once

#include <cstdio>
#include <deque>
#include <string>

#include "host/host.h"

namespace kov::host {

class HeadlessHost : public Host {
public:
    // `input_fd` is read for keys (-1: no input at all).
    explicit HeadlessHost(int input_fd = 0, std::FILE* out = stdout);
    ~HeadlessHost() override;

    void queue_keys(std::string_view keys);

    void mirror_char(uint8_t c) override;
    void mirror_newline() override;
    int read_key(int timeout_cs) override;
    bool key_waiting() override;
    void flush_keys() override;
    uint32_t centiseconds() override;
    void sleep_ms(int ms) override;
    void message_box(std::string_view text) override;
    void diagnostic(std::string_view text) override;

    void flush_output() override;

private:
    // Reads what standard input has within `timeout_ms` (-1: wait) into
    // the key queue. Returns false at the end of input.
    bool fill(int timeout_ms);

    int m_fd;
    std::FILE* m_out;
    bool m_eof = false;
    std::deque<uint8_t> m_keys;
    std::string m_buffer;
};

}  // namespace kov::host
