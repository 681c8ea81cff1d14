#include "host/headless/headless_host.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "os/loader.h"

namespace kov::host {

namespace {

uint32_t now_ms() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

// True when both descriptors are the same terminal (then the report on
// the screen and a diagnostic on standard error would show twice).
bool same_terminal(int a, int b) {
    if (!is_terminal(a) || !is_terminal(b)) return false;
    struct stat sa, sb;
    if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0) return false;
    return sa.st_rdev == sb.st_rdev;
}

constexpr int kPollSliceMs = 10;

}  // namespace

HeadlessHost::HeadlessHost(int input_fd, std::FILE* out)
    : m_fd(input_fd), m_out(out), m_out_is_terminal(is_terminal(fileno(out))) {
    if (m_fd < 0) m_eof = true;
}

HeadlessHost::~HeadlessHost() {
    flush_output();
    detach_terminal();
}

bool HeadlessHost::attach_terminal() {
    if (m_fd < 0 || !m_terminal.enter(m_fd)) return false;
    m_decoder = std::make_unique<KeyDecoder>(
        [this](int code) { m_keys.push_back(static_cast<uint8_t>(code)); },
        [this] { flags.fetch_or(flag::Escape); });
    return true;
}

void HeadlessHost::detach_terminal() {
    m_terminal.restore();
    m_decoder.reset();
}

void HeadlessHost::queue_keys(std::string_view keys) {
    for (char c : keys) m_keys.push_back(static_cast<uint8_t>(c));
}

void HeadlessHost::mirror_char(uint8_t c) {
    // Text is Windows-1252 inside; the mirror writes UTF-8.
    if (c < 0x80) {
        m_buffer.push_back(static_cast<char>(c));
    } else {
        os::append_utf8(m_buffer, c);
    }
    if (m_buffer.size() >= 4096) flush_output();
}

void HeadlessHost::mirror_newline() {
    m_buffer.push_back('\n');
    // A terminal shows each line as it is finished.
    if (m_out_is_terminal || m_buffer.size() >= 4096) flush_output();
}

void HeadlessHost::flush_output() {
    if (m_write_error) {
        m_buffer.clear();
        return;
    }
    bool ok = true;
    errno = 0;
    if (!m_buffer.empty()) ok = std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) == m_buffer.size();
    m_buffer.clear();
    if (std::fflush(m_out) != 0) ok = false;
    if (!ok) {
        m_write_error = errno ? errno : EIO;
        flags.fetch_or(flag::Quit);   // nothing more can be shown: stop the program
    }
}

void HeadlessHost::take_byte(uint8_t c) {
    if (m_decoder) {
        m_decoder->feed(c);
        if (m_decoder->pending() && !m_escape_since_ms) m_escape_since_ms = now_ms() | 1;
        if (!m_decoder->pending()) m_escape_since_ms = 0;
    } else {
        m_keys.push_back(c == 10 ? 13 : c);
    }
}

bool HeadlessHost::fill(int timeout_ms) {
    if (m_eof) return false;
    int wait_ms = timeout_ms;
    bool holding = m_decoder && m_decoder->pending();
    if (holding) {
        int left = KeyDecoder::kLoneEscapeMs - static_cast<int>(now_ms() - m_escape_since_ms);
        if (left < 0) left = 0;
        if (wait_ms < 0 || wait_ms > left) wait_ms = left;
    }
    pollfd pfd{m_fd, POLLIN, 0};
    int r = ::poll(&pfd, 1, wait_ms);
    if (r <= 0) {
        if (holding && now_ms() - m_escape_since_ms >= static_cast<uint32_t>(KeyDecoder::kLoneEscapeMs)) {
            m_decoder->timeout();
            m_escape_since_ms = 0;
        }
        return true;
    }
    char buf[256];
    ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) {
        if (m_decoder && m_decoder->pending()) m_decoder->timeout();
        m_eof = true;
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) take_byte(static_cast<uint8_t>(buf[i]));
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
        // Escape or a request to stop ends the wait; the caller polls.
        if (flags.load() & (flag::Escape | flag::Quit)) return -1;
        if (m_eof) {
            // Input has ended for good: a wait for a key sees Escape.
            flags.fetch_or(flag::Escape);
            return 27;
        }
        // Wait in short slices so that signals and flags are seen.
        int wait_ms = kPollSliceMs;
        if (timeout_cs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                fill(0);
                if (m_keys.empty() && !m_eof) return -1;
                continue;
            }
            if (left.count() < wait_ms) wait_ms = static_cast<int>(left.count());
        }
        fill(wait_ms);
    }
}

bool HeadlessHost::key_waiting() {
    if (m_keys.empty()) fill(0);
    return !m_keys.empty();
}

void HeadlessHost::flush_keys() { m_keys.clear(); }

uint32_t HeadlessHost::centiseconds() { return now_ms() / 10; }

void HeadlessHost::sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void HeadlessHost::message_box(std::string_view text) {
    flush_output();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void HeadlessHost::diagnostic(std::string_view text) {
    flush_output();
    std::fprintf(stderr, "kov: %.*s\n", static_cast<int>(text.size()), text.data());
}

void HeadlessHost::error_location(std::string_view text) {
    flush_output();
    if (same_terminal(fileno(m_out), 2)) return;
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace kov::host
