// The character entry points, the key side of the OS (take-key with *KEY
// expansion, the waiting loops of OSRDCH and INKEY, key scans, ADVAL's
// buffer space) and the producer side of the key and event rings.
#include "os/os.h"

#include <chrono>
#include <cstring>
#include <future>

#include "vdu/vdu.h"

namespace kov::os {

namespace {

// INKEY(-1) .. INKEY(-128): the virtual-key code each scan looks at
// (0: no key, never down).
constexpr uint8_t kKeyScan[128] = {
    0x10, 0x11, 0x12, 0xA0, 0xA2, 0xA4, 0xA1, 0xA3,   // -1..-8   Shift Ctrl Alt, left and right
    0xA5, 0x01, 0x04, 0x02, 0, 0, 0, 0,               // -9..-16  right Alt, mouse buttons
    'Q', '3', '4', '5', 0x73, '8', 0x76, 0xBD,        // -17..-24 F4 F7 minus
    0xBB, 0x25, 0x66, 0x67, 0x7A, 0x7B, 0x79, 0x91,   // -25..-32 plus Left pad6 pad7 F11 F12 F10 Scroll
    0x2C, 'W', 'E', 'T', '7', 'I', '9', '0',          // -33..-40 Print Screen
    0xDD, 0x28, 0x68, 0x69, 0x13, 0xDF, 0xDE, 0x08,   // -41..-48 ] Down pad8 pad9 Pause OEM8 ' Backspace
    '1', '2', 'D', 'R', '6', 'U', 'O', 'P',           // -49..-56
    0xDB, 0x26, 0x6B, 0x6D, 0x6C, 0x2D, 0x24, 0x21,   // -57..-64 [ Up pad+ pad- separator Insert Home PgUp
    0x14, 'A', 'X', 'F', 'Y', 'J', 'K', 0xC0,         // -65..-72 Caps Lock `
    0xC0, 0x0D, 0x6F, 0, 0x6E, 0x90, 0x22, 0xC0,      // -73..-80 Return pad/ pad. Num Lock PgDn
    0, 'S', 'C', 'G', 'H', 'N', 'L', 0xBA,            // -81..-88 ;
    0xDD, 0x2E, 0xDE, 0x6A, 0, 0xBB, 0xDC, 0,         // -89..-96 Delete pad* backslash
    0x09, 'Z', 0x20, 'V', 'B', 'M', 0xBC, 0xBE,       // -97..-104 Tab Space , .
    0xBF, 0x23, 0x60, 0x61, 0x63, 0, 0, 0,            // -105..-112 / End pad0 pad1 pad3
    0x1B, 0x70, 0x71, 0x72, 0x74, 0x75, 0x77, 0x78,   // -113..-120 Escape F1 F2 F3 F5 F6 F8 F9
    0xDC, 0x27, 0x64, 0x65, 0x62, 0, 0, 0,            // -121..-128 backslash Right pad4 pad5 pad2
};

}  // namespace

Os::Os(interp::Memory& memory, host::Host& host) : m_memory(memory), m_host(host), m_files(memory, host) {}

Os::~Os() { stop(); }

void Os::start(vdu::Vdu* screen) {
    stop();
    m_screen = screen;
    uint8_t* base = interp::Memory::unchecked_ptr(m_memory.base());
    std::memset(base + page::KeyStrings, 0, 0x300);
    m_keys.attach(base + page::KeyBuffer);
    m_events.attach(base + page::Events);
    m_input_ended.store(false, std::memory_order_relaxed);
    m_stream = 0;
    m_expand_count = 0;
    m_started = true;
    m_host.attach_input(this);
}

void Os::stop() {
    if (!m_started) return;
    m_started = false;
    m_host.attach_input(nullptr);
}

// ---- output ----

void Os::oswrch(uint8_t c) {
    // *OUTPUT takes the byte instead of the screen; *SPOOL copies it.
    if ((m_stream & 0x0F) | m_files.spool_channel) [[unlikely]] return oswrch_redirected(c);
    if (m_screen) m_screen->write(c);
}

void Os::oswrch_redirected(uint8_t c) {
    if (!m_files.redirect_output(c, m_stream & 0x0F) && m_screen) m_screen->write(c);
}

// ---- keys ----

int Os::key_number(uint8_t code) {
    if (code == 8) return 24;
    if (code >= 0x80 && code <= 0x87) return code - 0x70;
    if (code >= 0x88 && code <= 0x8F) return code - 0x7C;
    if (code >= 0x91 && code <= 0x9B) return code - 0x90;
    return 0;
}

int Os::key_offset(int k) const {
    const uint8_t* pg = key_page();
    int off = 0;
    for (int i = 0; i < k; ++i) {
        off += 1 + pg[off];
        if (off >= 256) return -1;
    }
    return off + 1 + pg[off] <= 256 ? off : -1;
}

std::string_view Os::key_string(int k) const {
    if (k < 1 || k > kKeyStrings) return {};
    int off = key_offset(k - 1);
    if (off < 0) return {};
    const uint8_t* pg = key_page();
    return {reinterpret_cast<const char*>(pg + off + 1), pg[off]};
}

int Os::take_key() {
    if (m_expand_count) {
        --m_expand_count;
        return key_page()[m_expand_at++ & 0xFF];
    }
    uint8_t code;
    if (!m_keys.take(code)) return kNoKey;
    int k = key_number(code);
    if (k == 0) return code;
    int off = key_offset(k - 1);
    if (off < 0 || key_page()[off] == 0) return code;
    m_expand_at = static_cast<uint32_t>(off + 2);
    m_expand_count = key_page()[off] - 1u;
    return key_page()[off + 1];
}

void Os::flush_keys() {
    while (take_key() != kNoKey) {
    }
}

bool Os::input_over() {
    if (!m_input_ended.load(std::memory_order_acquire) || !m_keys.empty()) return false;
    // The producer stored its last key before saying so: the ring is
    // truly empty now.
    m_host.flags.fetch_or(host::flag::Escape);
    return true;
}

int Os::wait_step() {
    m_host.sleep_ms(10);
    uint8_t f = m_host.flags.load();
    if (f & host::flag::Quit) return kQuit;
    if (f & host::flag::Escape) return 27;
    if (f & host::flag::Tick) {
        m_host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Tick));
        if (m_screen) m_screen->flash_tick();
    }
    return 0;
}

int Os::osrdch() {
    // *EXEC, then the *INPUT channel, then the keyboard.
    if (m_files.exec_channel | (m_stream & 0xF0)) {
        uint8_t c;
        bool ended = false;
        if (m_files.redirected_input(c, m_stream >> 4, ended)) {
            uint8_t f = m_host.flags.load();
            if (f & host::flag::Quit) return kQuit;
            return f & host::flag::Escape ? 27 : c;
        }
        if (ended) m_stream &= 0x0F;
    }
    for (;;) {
        int k = take_key();
        if (k != kNoKey) return k;
        m_host.input_wanted();
        if (input_over()) return 27;
        if (int stop = wait_step()) return stop;
    }
}

int Os::inkey_wait(int32_t centiseconds) {
    const uint32_t deadline = m_host.milliseconds() + 10u * static_cast<uint32_t>(centiseconds);
    for (;;) {
        int k = take_key();
        if (k != kNoKey) return k;
        m_host.input_wanted();
        if (input_over()) return 27;
        if (static_cast<int32_t>(m_host.milliseconds() - deadline) >= 0) return kNoKey;
        if (int stop = wait_step()) return stop;
    }
}

int32_t Os::inkey_scan(int32_t n) {
    if (is_identification(n)) return kPlatformId;
    // (-n - 1) mod 256, which is 0..127 here.
    uint8_t index = static_cast<uint8_t>(~static_cast<uint32_t>(n));
    uint8_t vk = kKeyScan[index];
    return vk && m_host.key_down(vk) ? -1 : 0;
}

int32_t Os::adval(int32_t n) {
    if (n >= 0) return 0;               // no joystick
    if (n >= -4) return m_keys.space();
    return 16;                          // sound queues: no sound system, all four empty
}

void Os::mouse(int& x, int& y, int& buttons) {
    constexpr uint8_t kLeft = 0x01, kRight = 0x02, kMiddle = 0x04;   // the buttons' virtual keys
    m_host.pointer_position(x, y);
    buttons = (m_host.key_down(kLeft) ? 4 : 0) | (m_host.key_down(kMiddle) ? 2 : 0) | (m_host.key_down(kRight) ? 1 : 0);
}

uint32_t Os::pointer_shape(int shape) {
    const uint32_t handle = shape < 0 ? 0 : host::pointer_handle(shape);
    m_host.set_pointer_shape(handle ? shape : -1);
    return handle;
}

// ---- producer side ----

void Os::raise_escape() {
    if (m_host.flags.load() & host::flag::EscapeOff) m_keys.insert(27);
    else m_host.flags.fetch_or(host::flag::Escape);
}

namespace {
// The fixed-area offset of each event's ON handler, by EventKind.
constexpr uint32_t kHandler[] = {interp::fixed::OnTime, interp::fixed::OnClose, interp::fixed::OnMove,
                                 interp::fixed::OnSys, interp::fixed::OnMouse};
}  // namespace

bool Os::post_event(host::EventKind kind, uint32_t message, uint32_t wparam, uint32_t lparam) {
    // The handler word is written by the interpreter thread; it is read
    // here as one aligned word.
    auto* word = reinterpret_cast<uint32_t*>(m_memory.fixed_area() + kHandler[static_cast<int>(kind)]);
    uint32_t handler = std::atomic_ref<uint32_t>(*word).load(std::memory_order_relaxed);
    if (!handler) return false;
    m_events.insert({lparam, wparam, message, handler});   // a full queue drops it
    m_host.flags.fetch_or(host::flag::Event);
    return true;
}

void Os::timer_tick() {
    m_host.flags.fetch_or(host::flag::Tick);
    post_event(host::EventKind::Time, host::message::Timer, 101, 0);
}

bool Os::take_event(EventRecord& e) {
    if (!m_events.take(e)) return false;
    if (!m_events.empty()) m_host.flags.fetch_or(host::flag::Event);
    return true;
}

// ---- requests ----

uint32_t Os::commit_memory(uint32_t top) {
    interp::Memory& mem = m_memory;
    std::future<uint32_t> answer = m_host.on_window_thread([&mem, top]() -> uint32_t {
        if (top < mem.base()) return 0;
        if (top <= mem.committed_top()) return top;
        if (top > mem.reserve_end()) return 0;
        return mem.commit(top) ? top : 0;
    });
    // The window thread always answers; quit does not abandon the wait,
    // because the job refers to this frame.
    while (answer.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
    }
    return answer.get();
}

}  // namespace kov::os
