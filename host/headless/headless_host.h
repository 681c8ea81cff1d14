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
#include <mutex>
#include <string>
#include <thread>

#include "host/engine.h"
#include "host/host.h"

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

    // Serves requests to the window thread on the calling thread until
    // `finished` is set.
    void serve(const std::atomic<bool>& finished) override;

    void flush_output();

private:
    void feed_keys();
    void run_timer();

    int m_fd;
    std::FILE* m_out;
    std::string m_buffer;
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
