// Requests the interpreter sends to the window thread. Each is posted and
// answered through a future, so that objects the window thread owns are
// only ever changed there.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <string_view>

namespace kov::host {

class Requests {
public:
    virtual ~Requests() = default;
    // Runs `job` on the window thread; the future holds its result.
    virtual std::future<uint32_t> on_window_thread(std::function<uint32_t()> job) = 0;
    // The close request (QUIT): the window goes away and the quit flag is set.
    virtual void close_request() = 0;
    // A message box (error 0); headless it goes to standard error.
    virtual void message_box(std::string_view text) = 0;

    // The clipboard's text. Headless it is the engine's own; a window
    // back-end hands it to the desktop's clipboard.
    virtual void set_clipboard_text(std::string text) {
        std::lock_guard<std::mutex> hold(m_clipboard_lock);
        m_clipboard = std::move(text);
    }
    virtual std::string clipboard_text() {
        std::lock_guard<std::mutex> hold(m_clipboard_lock);
        return m_clipboard;
    }

private:
    std::mutex m_clipboard_lock;
    std::string m_clipboard;
};

}  // namespace kov::host
