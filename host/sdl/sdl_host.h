// The window back-end: an SDL window showing the shadow bitmap, its keys,
// mouse buttons and window events delivered to the engine, and the
// requests of the interpreter served on the main thread (the window
// thread), whose loop also paints (about 60 times a second, only what
// changed) and gives the 250 ms ticks.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "host/engine.h"
#include "host/host.h"
#include "host/sdl/keymap.h"

struct SDL_Window;
struct SDL_Surface;
struct SDL_Cursor;
union SDL_Event;

namespace kov::host::sdl {

class SdlHost : public Host, public WindowThread {
public:
    // `zoom` scales the presentation only (1..8); `title` is the window's.
    SdlHost(int zoom, std::string title);
    ~SdlHost() override;
    SdlHost(const SdlHost&) = delete;
    SdlHost& operator=(const SdlHost&) = delete;

    // Opens the window on the calling thread, which becomes the window
    // thread. False, with the reason in `error`, when there is no display.
    bool open(std::string& error);
    // The client size and state the window opens with (before open()).
    void set_initial_window(int width, int height, bool maximised) {
        m_client_width = width;
        m_client_height = height;
        m_maximised = maximised;
    }

    // Keys delivered as if typed before any other (the --keys text). A 27
    // among them is the Escape key, pressed once the keys before it are read.
    void queue_keys(std::string_view keys) { m_pending_keys.append(keys); }

    // Clock
    uint32_t milliseconds() override;
    void sleep_ms(int ms) override;
    // Input
    void attach_input(InputSink* sink) override;
    bool key_down(uint8_t virtual_key) override;
    void input_wanted() override { m_asked.store(true); }
    void pointer_position(int& x, int& y) override;
    void set_pointer_shape(int shape) override;
    // Surface: no text mirror in a window.
    void mirror_char(uint8_t) override {}
    void mirror_newline() override {}
    void present(int x, int y, int width, int height) override;
    void set_client_size(int width, int height) override;
    void set_caret(const Caret& caret) override;
    // Requests
    std::future<uint32_t> on_window_thread(std::function<uint32_t()> job) override;
    void close_request() override;
    void message_box(std::string_view text) override;
    // The desktop's clipboard (SDL's), text in Windows-1252 on the
    // engine's side and UTF-8 on the desktop's.
    void set_clipboard_text(std::string text) override;
    std::string clipboard_text() override;
    // Audio: not through the window.
    bool open_audio(Pull) override { return false; }
    void close_audio() override {}
    // Native
    void* find_function(const std::string& name) override;

    void diagnostic(std::string_view text) override;
    void error_location(std::string_view text) override;
    WindowHandles window_handles() override { return m_handles; }
    bool stop_waits() override { return true; }

    // The window thread's loop until `finished` is set.
    void serve(const std::atomic<bool>& finished) override;

private:
    void handle(const SDL_Event& event);
    void key_pressed(const SDL_Event& event);
    void text_typed(const char* utf8);
    void mouse_button(const SDL_Event& event);
    void window_event(const SDL_Event& event);
    // One attempt to close the window (close box, Alt+F4): the ON CLOSE
    // event when a handler is set, otherwise the engine ends.
    void close_attempt();
    void copy_screen_text();
    // Stores a key code; a full buffer beeps and drops it.
    void store_key(int code);
    void beep();
    // Delivers the queued keys as far as the buffer takes them (the
    // caller holds the sink lock, as every producer of keys does).
    void deliver_pending_keys_to(InputSink& sink);
    void run_requests();
    void paint();
    // After a MODE change: moves the window of this client size left or up
    // so that it ends within the desktop's work area where it can.
    void keep_on_work_area(int width, int height);
    // Runs `f` with the input sink when one is attached.
    template <typename F>
    bool with_sink(F&& f) {
        std::lock_guard<std::mutex> hold(m_sink_mutex);
        if (!m_sink) return false;
        f(*m_sink);
        return true;
    }

    int m_zoom;
    std::string m_title;
    SDL_Window* m_window = nullptr;
    SDL_Surface* m_shadow = nullptr;   // the shadow bitmap as an SDL surface (no copy)
    uint32_t m_event_wake = 0;         // the user event that wakes the loop
    bool m_sdl_started = false;
    std::thread::id m_window_thread;
    WindowHandles m_handles;

    // Shared with the interpreter thread under the drawing lock.
    Rect m_dirty;
    Caret m_caret;
    int m_client_width = 640, m_client_height = 512;
    bool m_resize_wanted = false;

    // The window thread's own.
    bool m_repaint_all = true;
    bool m_focused = false;
    bool m_maximised = false;
    bool m_blink_on = true;
    Caret m_caret_painted;             // the caret as last painted (its blink restarts when it changes)
    Rect m_caret_drawn;                // where the inverted caret is on the window
    uint32_t m_blink_due = 0;
    WheelAccumulator m_wheel;
    static constexpr int kSystemCursors = 12;   // SDL's system cursor shapes
    SDL_Cursor* m_cursors[kSystemCursors] = {};
    std::string m_pending_keys;
    size_t m_pending_next = 0;

    std::mutex m_sink_mutex;
    InputSink* m_sink = nullptr;
    std::atomic<bool> m_asked{false};
    std::atomic<uint8_t> m_keys_down[256] = {};

    std::mutex m_request_mutex;
    std::deque<std::packaged_task<uint32_t()>> m_requests;
};

}  // namespace kov::host::sdl
