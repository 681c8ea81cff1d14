#include "host/headless/headless_host.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "os/loader.h"

namespace kov::host {

namespace {

// True when both descriptors are the same terminal (then the report on
// the screen and a diagnostic on standard error would show twice).
bool same_terminal(int a, int b) {
    if (!is_terminal(a) || !is_terminal(b)) return false;
    struct stat sa, sb;
    if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0) return false;
    return sa.st_rdev == sb.st_rdev;
}

}  // namespace

HeadlessHost::HeadlessHost(int input_fd, std::FILE* out)
    : m_fd(input_fd), m_out(out), m_out_is_terminal(is_terminal(fileno(out))) {}

HeadlessHost::~HeadlessHost() {
    attach_input(nullptr);
    flush_output();
    detach_terminal();
}

bool HeadlessHost::attach_terminal() {
    if (m_fd < 0 || !m_terminal.enter(m_fd)) return false;
    // The decoder runs on the feeder thread: finished keys join the input
    // in order; the Escape key raises Escape at once, as a keyboard does.
    m_decoder = std::make_unique<KeyDecoder>(
        [this](int code) { m_decoded.push_back(static_cast<char>(code)); },
        [this] {
            if (m_sink) m_sink->raise_escape();
            else flags.fetch_or(flag::Escape);
        });
    return true;
}

void HeadlessHost::detach_terminal() {
    m_terminal.restore();
    m_decoder.reset();
}

void HeadlessHost::decode_terminal(const char* bytes, size_t n, std::string& input) {
    for (size_t i = 0; i < n; ++i) m_decoder->feed(static_cast<uint8_t>(bytes[i]));
    if (m_decoder->pending()) {
        if (!m_escape_since_ms) m_escape_since_ms = milliseconds() | 1;
    } else {
        m_escape_since_ms = 0;
    }
    input += m_decoded;
    m_decoded.clear();
}

void HeadlessHost::decoder_idle(std::string& input) {
    if (!m_decoder || !m_decoder->pending()) return;
    if (!m_eof && milliseconds() - m_escape_since_ms < static_cast<uint32_t>(KeyDecoder::kLoneEscapeMs)) return;
    m_decoder->timeout();
    m_escape_since_ms = 0;
    input += m_decoded;
    m_decoded.clear();
}

void HeadlessHost::queue_keys(std::string_view keys) { m_pending_keys.append(keys); }

uint32_t HeadlessHost::milliseconds() {
    // The monotonic clock counts from the computer's start, so TIME does.
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void HeadlessHost::sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---- input ----

void HeadlessHost::attach_input(InputSink* sink) {
    if (m_sink) {
        {
            std::lock_guard<std::mutex> lock(m_input_mutex);
            m_stopping = true;
        }
        m_input_cv.notify_all();
        if (m_feeder.joinable()) m_feeder.join();
        if (m_timer.joinable()) m_timer.join();
        m_sink = nullptr;
    }
    if (!sink) return;
    m_sink = sink;
    m_stopping = false;
    m_primed = false;
    m_eof = false;
    m_asked.store(false);
    m_feeder = std::thread([this] { feed_keys(); });
    m_timer = std::thread([this] { run_timer(); });
    // The program starts once the keys at hand are in the buffer, so that
    // what --keys and a redirected standard input hold is there at once.
    std::unique_lock<std::mutex> lock(m_input_mutex);
    m_input_cv.wait(lock, [this] { return m_primed; });
}

void HeadlessHost::input_wanted() {
    flush_output();
    m_asked.store(true);
}

// Delivers the pending keys, then standard input, in order. Escape is
// pressed only when the program waits for a key with the buffer empty,
// so that a test's keys arrive as if typed when the program asks for
// them. A full buffer holds the rest back rather than dropping it (the
// bytes are input, not key presses a user would repeat).
void HeadlessHost::feed_keys() {
    auto prime = [this] {
        std::lock_guard<std::mutex> lock(m_input_mutex);
        m_primed = true;
        m_input_cv.notify_all();
    };
    // Waits up to 10 ms; true when stopping.
    auto pause = [this] {
        std::unique_lock<std::mutex> lock(m_input_mutex);
        return m_input_cv.wait_for(lock, std::chrono::milliseconds(10), [this] { return m_stopping; });
    };
    std::string input = std::move(m_pending_keys);
    m_pending_keys.clear();
    size_t next = 0;
    bool primed = false;
    for (;;) {
        // Keys at hand go in without waiting before the program starts;
        // after that, delivery waits for room (or, for Escape, a request).
        while (next < input.size()) {
            const uint8_t c = static_cast<uint8_t>(input[next]);
            const bool ready = c == 27 ? m_sink->key_space() == 255 && m_asked.load() : m_sink->key_space() > 0;
            if (!ready) {
                if (!primed) {
                    prime();
                    primed = true;
                }
                if (pause()) return;
                continue;
            }
            m_asked.store(false);
            if (c == 27) m_sink->raise_escape();
            else m_sink->push_key(c);
            ++next;
        }
        input.clear();
        next = 0;
        if (m_eof || m_fd < 0) {
            m_sink->end_of_input();
            prime();
            return;
        }
        pollfd pfd{m_fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, primed ? 10 : 0);
        if (r > 0) {
            char buf[256];
            ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) {
                m_eof = true;
                decoder_idle(input);
            } else if (m_decoder) {
                decode_terminal(buf, static_cast<size_t>(n), input);
            } else {
                for (ssize_t i = 0; i < n; ++i) input.push_back(buf[i] == '\n' ? '\r' : buf[i]);
            }
            continue;
        }
        decoder_idle(input);
        if (!input.empty()) continue;
        if (!primed) {
            prime();
            primed = true;
        }
        std::lock_guard<std::mutex> lock(m_input_mutex);
        if (m_stopping) return;
    }
}

void HeadlessHost::run_timer() {
    std::unique_lock<std::mutex> lock(m_input_mutex);
    auto next = std::chrono::steady_clock::now();
    for (;;) {
        next += std::chrono::milliseconds(250);
        if (m_input_cv.wait_until(lock, next, [this] { return m_stopping; })) return;
        lock.unlock();
        m_sink->timer_tick();
        lock.lock();
    }
}

// ---- requests ----

std::future<uint32_t> HeadlessHost::on_window_thread(std::function<uint32_t()> job) {
    std::packaged_task<uint32_t()> task(std::move(job));
    std::future<uint32_t> answer = task.get_future();
    if (!m_serving.load()) {
        // Nobody serves requests (a program run on the calling thread):
        // the caller is the window thread.
        task();
        return answer;
    }
    {
        std::lock_guard<std::mutex> lock(m_request_mutex);
        m_requests.push_back(std::move(task));
    }
    m_request_cv.notify_one();
    return answer;
}

void HeadlessHost::serve(const std::atomic<bool>& finished) {
    m_serving.store(true);
    for (;;) {
        std::unique_lock<std::mutex> lock(m_request_mutex);
        m_request_cv.wait_for(lock, std::chrono::milliseconds(10), [this] { return !m_requests.empty(); });
        while (!m_requests.empty()) {
            std::packaged_task<uint32_t()> task = std::move(m_requests.front());
            m_requests.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
        if (finished.load()) break;
    }
    m_serving.store(false);
}

void* HeadlessHost::find_function(const std::string& name) { return ::dlsym(RTLD_DEFAULT, name.c_str()); }

// ---- output ----

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
