#include "host/sdl/sdl_host.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/sdl/screen_text.h"
#include "os/loader.h"

namespace kov::host::sdl {

namespace {

constexpr uint32_t kFrameMs = 16;    // the painting pace (~60 Hz, never vsync)
constexpr uint32_t kTickMs = 250;    // the timer of ON TIME and the teletext flash
constexpr uint32_t kBlinkMs = 500;   // half a period of the caret's blink

// Values for the handles of objects that exist only inside the engine
// (below 65536, so that no program mistakes one for a memory address).
constexpr uint32_t kPalette = 0xA101;
constexpr uint32_t kArrowCursor = 0xC501;

// Message numbers and key-state bits of the mouse-button events.
constexpr uint32_t kLeftButtonDown = 0x0201, kRightButtonDown = 0x0204, kMiddleButtonDown = 0x0207;
constexpr uint32_t kMkLeft = 0x01, kMkRight = 0x02, kMkShift = 0x04, kMkControl = 0x08, kMkMiddle = 0x10;
// WM_SIZE's kinds.
constexpr uint32_t kSizeRestored = 0, kSizeMinimised = 1, kSizeMaximised = 2;

// Virtual keys of the mouse buttons and of the modifier pairs.
constexpr uint8_t kVkLButton = 0x01, kVkRButton = 0x02, kVkMButton = 0x04;
constexpr uint8_t kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12;
constexpr uint8_t kVkLShift = 0xA0, kVkLControl = 0xA2, kVkLMenu = 0xA4;

uint32_t pack(int low, int high) {
    return (static_cast<uint32_t>(high) & 0xFFFF) << 16 | (static_cast<uint32_t>(low) & 0xFFFF);
}

Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return r.empty() ? Rect{} : r;
}

static_assert(SDL_NUM_SYSTEM_CURSORS <= 12, "room for every system cursor");

SDL_Rect scaled(const Rect& r, int zoom) {
    return SDL_Rect{r.left * zoom, r.top * zoom, (r.right - r.left) * zoom, (r.bottom - r.top) * zoom};
}

}  // namespace

SdlHost::SdlHost(int zoom, std::string title) : m_zoom(std::clamp(zoom, 1, 8)), m_title(std::move(title)) {}

SdlHost::~SdlHost() {
    attach_input(nullptr);
    for (SDL_Cursor* c : m_cursors)
        if (c) SDL_FreeCursor(c);
    if (m_shadow) SDL_FreeSurface(m_shadow);
    if (m_window) SDL_DestroyWindow(m_window);
    if (m_sdl_started) SDL_Quit();
}

bool SdlHost::open(std::string& error) {
    // The engine handles its signals itself; closing the window is a
    // close attempt, never an SDL quit.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // The window's own framebuffer (shared memory on X), not a texture:
    // giving a window a texture makes SDL create it again, and the handles
    // a program has read must name the window that stays.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Only the desktop's display will do: when it cannot be opened the
    // engine runs headless rather than on some other video driver (a
    // console or an off-screen one nobody sees). SDL_VIDEODRIVER still
    // chooses when it is set.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!std::getenv("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland && *wayland ? "wayland,x11" : "x11");
#if defined(SDL_VIDEO_DRIVER_X11) && defined(KOV_HAVE_X11)
    // An X request that fails is reported after the fact, and Xlib's own
    // handler then ends the process. SDL wakes its loop from other threads
    // by sending an event through a second connection, which can reach the
    // server after the window has gone at the end of a run; that, or a
    // window of another program that has gone, must not end the program
    // with a wrong status. Set before SDL starts, this is the handler SDL's
    // own passes errors on to, and the one it puts back when it ends.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
#endif
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return false;
    }
    m_sdl_started = true;
    m_window = SDL_CreateWindow(m_title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                m_client_width * m_zoom, m_client_height * m_zoom,
                                SDL_WINDOW_RESIZABLE | (m_maximised ? SDL_WINDOW_MAXIMIZED : 0));
    if (!m_window) {
        error = SDL_GetError();
        return false;
    }
    m_event_wake = SDL_RegisterEvents(1);
    m_window_thread = std::this_thread::get_id();
    SDL_StartTextInput();

    m_handles.hwnd = SDL_GetWindowID(m_window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
#if defined(SDL_VIDEO_DRIVER_X11)
    // On X the window's own identifier, which other X programs know it by.
    if (SDL_GetWindowWMInfo(m_window, &info) && info.subsystem == SDL_SYSWM_X11)
        m_handles.hwnd = static_cast<uint32_t>(info.info.x11.window);
#endif
    m_handles.hpal = kPalette;
    m_handles.hcsr = kArrowCursor;
    m_handles.ispal = 0;
    return true;
}

// ---- clock ----

uint32_t SdlHost::milliseconds() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void SdlHost::sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---- input ----

void SdlHost::attach_input(InputSink* sink) {
    std::lock_guard<std::mutex> hold(m_sink_mutex);
    m_sink = sink;
    m_asked.store(false);
    // The queued keys are there when the program starts.
    if (sink) deliver_pending_keys_to(*sink);
}

bool SdlHost::key_down(uint8_t vk) {
    // The plain modifiers are down when either of their keys is.
    if (vk == kVkShift || vk == kVkControl || vk == kVkMenu) {
        const uint8_t left = vk == kVkShift ? kVkLShift : vk == kVkControl ? kVkLControl : kVkLMenu;
        return m_keys_down[left].load() || m_keys_down[left + 1].load();
    }
    return m_keys_down[vk].load();
}

void SdlHost::pointer_position(int& x, int& y) {
    x = y = 0;
    on_window_thread([this, &x, &y]() -> uint32_t {
        if (!m_window) return 0;
        int px = 0, py = 0;
        bool known = false;
#if defined(SDL_VIDEO_DRIVER_X11) && defined(KOV_HAVE_X11)
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(m_window, &info) && info.subsystem == SDL_SYSWM_X11) {
            Window root, child;
            int root_x, root_y;
            unsigned int mask;
            known = XQueryPointer(info.info.x11.display, info.info.x11.window, &root, &child, &root_x, &root_y, &px, &py,
                                  &mask);
        }
#endif
        if (!known && SDL_GetMouseFocus() == m_window) {
            SDL_GetMouseState(&px, &py);
            known = true;
        }
        if (!known) {
            int wx = 0, wy = 0;
            SDL_GetGlobalMouseState(&px, &py);
            SDL_GetWindowPosition(m_window, &wx, &wy);
            px -= wx;
            py -= wy;
        }
        // Whole pixels of the shadow bitmap, rounded down left of and above the window.
        auto unzoom = [z = m_zoom](int v) { return v >= 0 ? v / z : -((-v + z - 1) / z); };
        x = unzoom(px);
        y = unzoom(py);
        return 1;
    }).wait();
}

void SdlHost::set_pointer_shape(int shape) {
    on_window_thread([this, shape]() -> uint32_t {
        if (shape < 0) {
            SDL_ShowCursor(SDL_DISABLE);
            return 0;
        }
        // The nearest of SDL's shapes (the arrow where it has none).
        SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
        switch (shape) {
            case 1: id = SDL_SYSTEM_CURSOR_IBEAM; break;
            case 2: id = SDL_SYSTEM_CURSOR_WAIT; break;
            case 3: id = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
            case 128: case 134: id = SDL_SYSTEM_CURSOR_SIZEALL; break;
            case 130: id = SDL_SYSTEM_CURSOR_SIZENWSE; break;
            case 131: id = SDL_SYSTEM_CURSOR_SIZENESW; break;
            case 132: id = SDL_SYSTEM_CURSOR_SIZEWE; break;
            case 133: id = SDL_SYSTEM_CURSOR_SIZENS; break;
            case 136: id = SDL_SYSTEM_CURSOR_NO; break;
            case 137: id = SDL_SYSTEM_CURSOR_HAND; break;
            case 138: id = SDL_SYSTEM_CURSOR_WAITARROW; break;
            default: break;
        }
        if (!m_cursors[id]) m_cursors[id] = SDL_CreateSystemCursor(id);
        if (m_cursors[id]) SDL_SetCursor(m_cursors[id]);
        SDL_ShowCursor(SDL_ENABLE);
        return 1;
    });
}

void SdlHost::deliver_pending_keys_to(InputSink& sink) {
    while (m_pending_next < m_pending_keys.size()) {
        const uint8_t c = static_cast<uint8_t>(m_pending_keys[m_pending_next]);
        if (c == 27) {
            // Escape waits until the program asks for a key with the buffer empty.
            if (sink.key_space() != 255 || !m_asked.load()) return;
            sink.raise_escape();
        } else {
            if (sink.key_space() == 0) return;
            sink.push_key(c);
        }
        m_asked.store(false);
        ++m_pending_next;
    }
}

void SdlHost::store_key(int code) {
    bool stored = true;
    with_sink([&](InputSink& sink) { stored = sink.push_key(code); });
    if (!stored) beep();
}

void SdlHost::beep() {
    // SDL has no bell of its own; a terminal behind the engine rings.
    if (::isatty(2)) {
        const char bell = '\a';
        [[maybe_unused]] ssize_t n = ::write(2, &bell, 1);
    }
}

void SdlHost::key_pressed(const SDL_Event& event) {
    const SDL_Keysym& key = event.key.keysym;
    if (uint8_t vk = virtual_key(key.scancode)) m_keys_down[vk].store(1);
    const KeyAction press = translate_key(key.sym, key.mod);
    if (press.copy_text) copy_screen_text();
    if (press.escape) with_sink([](InputSink& sink) { sink.raise_escape(); });
    if (press.code >= 0) store_key(press.code);
    if (press.close) close_attempt();
}

void SdlHost::text_typed(const char* utf8) {
    if (text_swallowed(static_cast<uint16_t>(SDL_GetModState()))) return;
    for (char c : text_codes(utf8)) store_key(static_cast<uint8_t>(c));
}

void SdlHost::mouse_button(const SDL_Event& event) {
    const SDL_MouseButtonEvent& b = event.button;
    const uint8_t vk = b.button == SDL_BUTTON_LEFT ? kVkLButton : b.button == SDL_BUTTON_RIGHT ? kVkRButton
                       : b.button == SDL_BUTTON_MIDDLE ? kVkMButton : 0;
    if (!vk) return;
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    m_keys_down[vk].store(down);
    if (!down) return;   // button-up messages are never queued
    const uint32_t message = vk == kVkLButton ? kLeftButtonDown : vk == kVkRButton ? kRightButtonDown : kMiddleButtonDown;
    // The buttons and keys held as this event left them (SDL's own state
    // may already be past a quick release).
    uint32_t wparam = 0;
    if (key_down(kVkLButton)) wparam |= kMkLeft;
    if (key_down(kVkRButton)) wparam |= kMkRight;
    if (key_down(kVkMButton)) wparam |= kMkMiddle;
    if (key_down(kVkShift)) wparam |= kMkShift;
    if (key_down(kVkControl)) wparam |= kMkControl;
    // Client coordinates in pixels of the shadow bitmap.
    const uint32_t lparam = pack(b.x / m_zoom, b.y / m_zoom);
    with_sink([&](InputSink& sink) { sink.post_event(EventKind::Mouse, message, wparam, lparam); });
}

void SdlHost::close_attempt() {
    bool handled = false;
    with_sink([&](InputSink& sink) { handled = sink.post_event(EventKind::Close, message::Close, 0, 0); });
    // Without an ON CLOSE handler the window goes: the engine ends.
    if (!handled) flags.fetch_or(flag::Quit);
}

void SdlHost::window_event(const SDL_Event& event) {
    const SDL_WindowEvent& w = event.window;
    switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE: close_attempt(); break;
        case SDL_WINDOWEVENT_EXPOSED: m_repaint_all = true; break;
        case SDL_WINDOWEVENT_MOVED:
            with_sink([&](InputSink& sink) { sink.post_event(EventKind::Move, message::Move, 0, pack(w.data1, w.data2)); });
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            m_repaint_all = true;
            const uint32_t kind = m_maximised ? kSizeMaximised : kSizeRestored;
            const uint32_t size = pack(w.data1 / m_zoom, w.data2 / m_zoom);
            with_sink([&](InputSink& sink) { sink.post_event(EventKind::Move, message::Size, kind, size); });
            break;
        }
        case SDL_WINDOWEVENT_MINIMIZED:
            with_sink([&](InputSink& sink) { sink.post_event(EventKind::Move, message::Size, kSizeMinimised, 0); });
            break;
        case SDL_WINDOWEVENT_MAXIMIZED: m_maximised = true; break;
        case SDL_WINDOWEVENT_RESTORED: m_maximised = false; m_repaint_all = true; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            m_focused = true;
            m_blink_on = true;
            m_blink_due = milliseconds() + kBlinkMs;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            m_focused = false;
            // Keys released elsewhere would never be seen going up.
            for (auto& k : m_keys_down) k.store(0);
            break;
        default: break;
    }
}

void SdlHost::handle(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN: key_pressed(event); break;
        case SDL_KEYUP:
            if (uint8_t vk = virtual_key(event.key.keysym.scancode)) m_keys_down[vk].store(0);
            break;
        case SDL_TEXTINPUT: text_typed(event.text.text); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: mouse_button(event); break;
        case SDL_MOUSEWHEEL: {
            float notches = event.wheel.preciseY;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            const std::string codes = m_wheel.turn(static_cast<int>(std::lround(notches * 120.0f)));
            // A full buffer drops wheel codes without a beep.
            with_sink([&](InputSink& sink) {
                for (char c : codes) sink.push_key(static_cast<uint8_t>(c));
            });
            break;
        }
        case SDL_WINDOWEVENT: window_event(event); break;
        case SDL_QUIT: close_attempt(); break;
        default: break;
    }
}

namespace {

std::string utf8_from_1252(std::string_view text) {
    std::string utf8;
    for (char c : text) os::append_utf8(utf8, static_cast<uint8_t>(c));
    return utf8;
}

// UTF-8 text as Windows-1252, control characters (CR, LF, TAB) kept; a
// character without a code becomes '?'.
std::string windows1252_from_utf8(std::string_view utf8) {
    std::string out;
    for (uint32_t cp : code_points(utf8)) {
        const int code = cp < 0x80 ? static_cast<int>(cp) : os::windows1252_from_unicode(cp);
        out.push_back(code >= 0 ? static_cast<char>(code) : '?');
    }
    return out;
}

}  // namespace

void SdlHost::set_clipboard_text(std::string text) {
    std::string utf8 = utf8_from_1252(text);
    on_window_thread([utf8 = std::move(utf8)]() -> uint32_t { return SDL_SetClipboardText(utf8.c_str()) == 0; }).wait();
}

std::string SdlHost::clipboard_text() {
    std::string text;
    on_window_thread([&text]() -> uint32_t {
        char* utf8 = SDL_GetClipboardText();
        if (!utf8) return 0;
        text = windows1252_from_utf8(utf8);
        SDL_free(utf8);
        return 1;
    }).wait();
    return text;
}

void SdlHost::copy_screen_text() {
    std::string text;
    {
        std::lock_guard<std::mutex> hold(drawing_lock());
        text = screen_text(char_map(), kCharMapColumns, kCharMapRows);
    }
    // The map holds Windows-1252; the clipboard takes UTF-8.
    if (SDL_SetClipboardText(utf8_from_1252(text).c_str()) != 0)
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "KOVWin", "Could not open clipboard", m_window);
}

// ---- surface ----

void SdlHost::present(int x, int y, int width, int height) { m_dirty.unite({x, y, x + width, y + height}); }

void SdlHost::set_client_size(int width, int height) {
    m_client_width = width;
    m_client_height = height;
    m_resize_wanted = true;
}

void SdlHost::keep_on_work_area(int width, int height) {
    const int display = SDL_GetWindowDisplayIndex(m_window);
    SDL_Rect work;
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &work) != 0) return;
    int x = 0, y = 0, top = 0, left = 0, bottom = 0, right = 0;
    SDL_GetWindowPosition(m_window, &x, &y);
    if (SDL_GetWindowBordersSize(m_window, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
    // The outer rectangle ends at the work area's right and bottom edges at
    // most, but never starts left of or above it.
    const int new_x = std::max(std::min(x - left, work.x + work.w - (width + left + right)), work.x) + left;
    const int new_y = std::max(std::min(y - top, work.y + work.h - (height + top + bottom)), work.y) + top;
    if (new_x != x || new_y != y) SDL_SetWindowPosition(m_window, new_x, new_y);
}

void SdlHost::set_caret(const Caret& caret) { m_caret = caret; }

void SdlHost::paint() {
    if (!m_pixels) return;
    // A MODE change sizes the window to its client area.
    {
        int width = 0, height = 0;
        {
            std::lock_guard<std::mutex> hold(drawing_lock());
            if (m_resize_wanted) {
                width = m_client_width;
                height = m_client_height;
                m_resize_wanted = false;
            }
        }
        // A maximised window keeps its size; the screen shows at its top-left.
        if (width > 0 && !m_maximised) {
            int now_w = 0, now_h = 0;
            SDL_GetWindowSize(m_window, &now_w, &now_h);
            if (now_w != width * m_zoom || now_h != height * m_zoom) {
                SDL_SetWindowSize(m_window, width * m_zoom, height * m_zoom);
                keep_on_work_area(width * m_zoom, height * m_zoom);
            }
            m_repaint_all = true;
        }
    }
    SDL_Surface* window = SDL_GetWindowSurface(m_window);
    if (!window) return;
    if (!m_shadow) {
        // The surface reads the shadow bitmap where it is: no copy.
        m_shadow = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(m_pixels), kShadowWidth, kShadowHeight, 32,
                                                      kShadowWidth * 4, SDL_PIXELFORMAT_RGB888);
        if (!m_shadow) return;
        SDL_SetSurfaceBlendMode(m_shadow, SDL_BLENDMODE_NONE);
    }
    const int z = m_zoom;
    // The client area in pixels of the shadow bitmap; a window made larger
    // than the bitmap has nothing of it to show beyond its edges.
    const Rect client{0, 0, (window->w + z - 1) / z, (window->h + z - 1) / z};
    const Rect shown = intersect(client, Rect{0, 0, kShadowWidth, kShadowHeight});
    const bool all = m_repaint_all;
    m_repaint_all = false;

    Rect dirty, caret_rect;
    {
        std::lock_guard<std::mutex> hold(drawing_lock());
        dirty = m_dirty;
        m_dirty = Rect{};
        const Caret caret = m_caret;
        // The blink starts again wherever the caret goes.
        const uint32_t now = milliseconds();
        if (caret.x != m_caret_painted.x || caret.y != m_caret_painted.y || caret.visible != m_caret_painted.visible ||
            caret.width != m_caret_painted.width || caret.height != m_caret_painted.height) {
            m_caret_painted = caret;
            m_blink_on = true;
            m_blink_due = now + kBlinkMs;
        } else if (static_cast<int32_t>(now - m_blink_due) >= 0) {
            m_blink_on = !m_blink_on;
            m_blink_due = now + kBlinkMs;
        }
        if (caret.visible && m_focused && m_blink_on)
            caret_rect = intersect(Rect{caret.x, caret.y, caret.x + caret.width, caret.y + caret.height}, shown);
        if (all) dirty = client;
        // The caret's old place shows the bitmap again, its new one is inverted.
        dirty.unite(m_caret_drawn);
        dirty.unite(caret_rect);
        dirty = intersect(dirty, shown);
        if (!dirty.empty()) {
            SDL_Rect from{dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top};
            SDL_Rect to = scaled(dirty, z);
            if (z == 1) SDL_BlitSurface(m_shadow, &from, window, &to);
            else SDL_BlitScaled(m_shadow, &from, window, &to);
        }
    }
    if (all) {
        // Beyond the bitmap: black.
        SDL_Rect right{shown.right * z, 0, window->w - shown.right * z, window->h};
        SDL_Rect below{0, shown.bottom * z, window->w, window->h - shown.bottom * z};
        if (right.w > 0) SDL_FillRect(window, &right, 0);
        if (below.h > 0) SDL_FillRect(window, &below, 0);
    }
    m_caret_drawn = caret_rect;
    if (!caret_rect.empty() && window->format->BytesPerPixel == 4) {
        // The caret inverts what lies beneath it.
        const uint32_t mask = window->format->Rmask | window->format->Gmask | window->format->Bmask;
        const SDL_Rect c = scaled(caret_rect, z);
        if (SDL_MUSTLOCK(window)) SDL_LockSurface(window);
        for (int y = c.y; y < c.y + c.h && y < window->h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(window->pixels) + static_cast<size_t>(y) * window->pitch);
            for (int x = c.x; x < c.x + c.w && x < window->w; ++x) row[x] ^= mask;
        }
        if (SDL_MUSTLOCK(window)) SDL_UnlockSurface(window);
    }
    if (all) {
        SDL_UpdateWindowSurface(m_window);
    } else if (!dirty.empty()) {
        SDL_Rect r = scaled(dirty, z);
        SDL_UpdateWindowSurfaceRects(m_window, &r, 1);
    }
}

// ---- requests ----

std::future<uint32_t> SdlHost::on_window_thread(std::function<uint32_t()> job) {
    std::packaged_task<uint32_t()> task(std::move(job));
    std::future<uint32_t> answer = task.get_future();
    if (std::this_thread::get_id() == m_window_thread || !m_window) {
        task();
        return answer;
    }
    {
        std::lock_guard<std::mutex> hold(m_request_mutex);
        m_requests.push_back(std::move(task));
    }
    SDL_Event wake{};
    wake.type = m_event_wake;
    SDL_PushEvent(&wake);
    return answer;
}

void SdlHost::run_requests() {
    for (;;) {
        std::packaged_task<uint32_t()> task;
        {
            std::lock_guard<std::mutex> hold(m_request_mutex);
            if (m_requests.empty()) return;
            task = std::move(m_requests.front());
            m_requests.pop_front();
        }
        task();
    }
}

void SdlHost::close_request() {
    flags.fetch_or(flag::Quit);
}

void SdlHost::message_box(std::string_view text) {
    std::string copy(text);
    std::future<uint32_t> shown = on_window_thread([this, copy]() -> uint32_t {
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "KOV BASIC", copy.c_str(), m_window) != 0)
            std::fprintf(stderr, "%s\n", copy.c_str());
        return 0;
    });
    shown.wait();
}

void* SdlHost::find_function(const std::string& name) { return ::dlsym(RTLD_DEFAULT, name.c_str()); }

void SdlHost::diagnostic(std::string_view text) {
    std::fprintf(stderr, "kov: %.*s\n", static_cast<int>(text.size()), text.data());
}

void SdlHost::error_location(std::string_view text) {
    // The report is in the window; the command line user gets the place.
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

// ---- the window thread ----

void SdlHost::serve(const std::atomic<bool>& finished) {
    uint32_t now = milliseconds();
    uint32_t next_frame = now;
    uint32_t next_tick = now + kTickMs;
    while (!finished.load()) {
        now = milliseconds();
        const int32_t to_frame = static_cast<int32_t>(next_frame - now);
        const int32_t to_tick = static_cast<int32_t>(next_tick - now);
        const int wait = std::clamp<int32_t>(std::min(to_frame, to_tick), 0, static_cast<int32_t>(kFrameMs));
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, wait)) {
            handle(event);
            while (SDL_PollEvent(&event)) handle(event);
        }
        run_requests();
        with_sink([this](InputSink& sink) { deliver_pending_keys_to(sink); });
        now = milliseconds();
        if (static_cast<int32_t>(now - next_tick) >= 0) {
            with_sink([](InputSink& sink) { sink.timer_tick(); });
            next_tick += kTickMs;
            // After a long stall (a message box) the ticks do not catch up.
            if (static_cast<int32_t>(now - next_tick) >= 0) next_tick = now + kTickMs;
        }
        if (static_cast<int32_t>(now - next_frame) >= 0) {
            paint();
            next_frame = now + kFrameMs;
        }
    }
    run_requests();
    // The bitmap belongs to the run that ends now.
    if (m_shadow) {
        SDL_FreeSurface(m_shadow);
        m_shadow = nullptr;
    }
}

}  // namespace kov::host::sdl
