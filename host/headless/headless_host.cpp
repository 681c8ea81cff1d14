#include "host/headless/headless_host.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace kov::host {

HeadlessHost::HeadlessHost(int input_fd, std::FILE* out) : m_fd(input_fd), m_out(out) {
    if (m_fd < 0) m_eof = true;
}

HeadlessHost::~HeadlessHost() { flush_output(); }

void HeadlessHost::queue_keys(std::string_view keys) {
    for (char c : keys) m_keys.push_back(static_cast<uint8_t>(c));
}

void HeadlessHost::mirror_char(uint8_t c) {
    if (c < 0x80) {
        m_buffer.push_back(static_cast<char>(c));
    } else {
        // Latin-1 to UTF-8.
        m_buffer.push_back(static_cast<char>(0xC0 | (c >> 6)));
        m_buffer.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    if (m_buffer.size() >= 4096) HeadlessHost::flush_output();
}

void HeadlessHost::mirror_newline() {
    m_buffer.push_back('\n');
    if (m_buffer.size() >= 4096) HeadlessHost::flush_output();
}

void HeadlessHost::flush_output() {
    if (!m_buffer.empty()) {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out);
        m_buffer.clear();
    }
    std::fflush(m_out);
}

bool HeadlessHost::fill(int timeout_ms) {
    if (m_eof) return false;
    pollfd pfd{m_fd, POLLIN, 0};
    int r = ::poll(&pfd, 1, timeout_ms);
    if (r <= 0) return true;
    char buf[256];
    ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n <= 0) {
        m_eof = true;
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
        uint8_t c = static_cast<uint8_t>(buf[i]);
        m_keys.push_back(c == 10 ? 13 : c);
    }
    return true;
}

int HeadlessHost::read_key(int timeout_cs) {
    flush_output();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t{timeout_cs} * 10);
    for (;;) {
        if (!m_keys.empty()) {
            int k = m_keys.front();
            m_keys.pop_front();
            return k;
        }
        if (m_eof) {
            // Input has ended for good: a wait for a key sees Escape.
            flags.fetch_or(flag::Escape);
            return 27;
        }
        int wait_ms = -1;
        if (timeout_cs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                fill(0);
                if (m_keys.empty() && !m_eof) return -1;
                continue;
            }
            wait_ms = static_cast<int>(left.count());
        }
        fill(wait_ms);
    }
}

bool HeadlessHost::key_waiting() {
    if (m_keys.empty()) fill(0);
    return !m_keys.empty();
}

void HeadlessHost::flush_keys() { m_keys.clear(); }

uint32_t HeadlessHost::centiseconds() {
    // The monotonic clock counts from the computer's start.
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 10);
}

void HeadlessHost::sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void HeadlessHost::message_box(std::string_view text) {
    flush_output();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void HeadlessHost::diagnostic(std::string_view text) {
    flush_output();
    std::fprintf(stderr, "kov: %.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace kov::host
