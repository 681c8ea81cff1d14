// The headless back-end: the text mirror goes to standard output, keys
// come from --keys and standard input into the key buffer (a feeder
// thread), a timer thread gives the 250 ms ticks, requests to the window
// thread are served by the thread that calls serve() (the main thread),
// and the message box goes to standard error.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/engine.h"
#include "host/host.h"
#include "host/terminal.h"

namespace kov::host {

class HeadlessHost : public Host, public WindowThread {
public:
    // `input_fd` is read for keys (-1: no input at all).
    explicit HeadlessHost(int input_fd = 0, std::FILE* out = stdout);
    ~HeadlessHost() override;

    // Keys delivered before standard input (the --keys text). A 27 among
    // them is the Escape key, pressed once the keys before it are read.
    void queue_keys(std::string_view keys);

    // Clock
    uint32_t milliseconds() override;
    void sleep_ms(int ms) override;
    // Input
    void attach_input(InputSink* sink) override;
    bool key_down(uint8_t) override { return false; }   // no keyboard to scan
    void input_wanted() override;
    // When the input is a terminal: raw mode for the run, keys through the
    // decoder. False when the input is not a terminal.
    bool attach_terminal();
    // Leaves raw mode (also done on destruction and by the exit actions).
    void detach_terminal();

    // Surface
    void mirror_char(uint8_t c) override;
    void mirror_newline() override;
    void present(int, int, int, int) override {}
    // Requests
    std::future<uint32_t> on_window_thread(std::function<uint32_t()> job) override;
    void close_request() override { flags.fetch_or(flag::Quit); }
    void message_box(std::string_view text) override;
    // Audio: no device headless.
    bool open_audio(Pull) override { return false; }
    void close_audio() override {}
    // Native
    void* find_function(const std::string& name) override;

    void diagnostic(std::string_view text) override;
    void error_location(std::string_view text) override;

    // Serves requests to the window thread on the calling thread until
    // `finished` is set.
    void serve(const std::atomic<bool>& finished) override;

    // Writes out what the mirror holds. A failed write is remembered (see
    // write_error), stops the program, and drops further output.
    void flush_output() override;
    // The errno of the first failed write to the output, 0 when none failed.
    int write_error() const { return m_write_error; }

private:
    void feed_keys();
    void run_timer();

    // Terminal bytes through the decoder into `input`; a lone Escape is
    // told from a sequence by the time since its first byte.
    void decode_terminal(const char* bytes, size_t n, std::string& input);
    void decoder_idle(std::string& input);

    int m_fd;
    std::FILE* m_out;
    bool m_out_is_terminal;
    int m_write_error = 0;
    std::string m_buffer;
    RawTerminal m_terminal;
    std::unique_ptr<KeyDecoder> m_decoder;
    std::string m_decoded;              // keys the decoder has finished
    uint32_t m_escape_since_ms = 0;     // when the decoder began holding bytes back
    std::string m_pending_keys;

    InputSink* m_sink = nullptr;
    std::thread m_feeder;
    std::thread m_timer;
    std::mutex m_input_mutex;
    std::condition_variable m_input_cv;
    bool m_stopping = false;
    bool m_primed = false;
    bool m_eof = false;
    std::atomic<bool> m_asked{false};   // the program waits for a key

    std::mutex m_request_mutex;
    std::condition_variable m_request_cv;
    std::deque<std::packaged_task<uint32_t()>> m_requests;
    std::atomic<bool> m_serving{false};
};

}  // namespace kov::host
