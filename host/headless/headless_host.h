// The headless back-end: the text mirror goes to standard output, keys come
// from --keys and standard input (through the terminal key decoder when it
// is a terminal), the message box goes to standard error.
#pragma once

#include <cstdio>
#include <deque>
#include <memory>
#include <string>

#include "host/host.h"
#include "host/terminal.h"

namespace kov::host {

class HeadlessHost : public Host {
public:
    // `input_fd` is read for keys (-1: no input at all).
    explicit HeadlessHost(int input_fd = 0, std::FILE* out = stdout);
    ~HeadlessHost() override;

    void queue_keys(std::string_view keys);

    // When the input is a terminal: raw mode for the run, keys through the
    // decoder. False when the input is not a terminal.
    bool attach_terminal();
    // Leaves raw mode (also done on destruction and by the exit actions).
    void detach_terminal();

    void mirror_char(uint8_t c) override;
    void mirror_newline() override;
    int read_key(int timeout_cs) override;
    bool key_waiting() override;
    void flush_keys() override;
    uint32_t centiseconds() override;
    void sleep_ms(int ms) override;
    void message_box(std::string_view text) override;
    void diagnostic(std::string_view text) override;
    void error_location(std::string_view text) override;

    // Writes out what the mirror holds. A failed write is remembered (see
    // write_error), stops the program, and drops further output.
    void flush_output();
    // The errno of the first failed write to the output, 0 when none failed.
    int write_error() const { return m_write_error; }

private:
    // Reads what standard input has within `timeout_ms` (-1: wait) into
    // the key queue. Returns false at the end of input.
    bool fill(int timeout_ms);
    void take_byte(uint8_t c);

    int m_fd;
    std::FILE* m_out;
    bool m_out_is_terminal;
    bool m_eof = false;
    int m_write_error = 0;
    std::deque<uint8_t> m_keys;
    std::string m_buffer;
    RawTerminal m_terminal;
    std::unique_ptr<KeyDecoder> m_decoder;
    uint32_t m_escape_since_ms = 0;   // when the decoder began holding bytes back
};

}  // namespace kov::host
