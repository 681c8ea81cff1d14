// The emulated operating system the interpreter talks to: the character
// entry points (OSWRCH, OSASCI, OSNEWL, OSRDCH), the key buffer with the
// function-key strings of *KEY, the event queue, INKEY and ADVAL's buffer
// figures, and OSCLI with its star-command table. It knows the BASIC
// memory and the host interfaces, never the interpreter: star commands
// report errors and requests to the interpreter through an Outcome.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/host.h"
#include "interp/memory.h"
#include "os/channels.h"
#include "os/file_commands.h"
#include "os/rings.h"

namespace kov::vdu { class Vdu; }

namespace kov::os {

// Offsets of the OS's pages from the memory base.
namespace page {
constexpr uint32_t KeyStrings = 0x300;   // the 24 *KEY strings, packed
constexpr uint32_t KeyBuffer = 0x400;    // key ring
constexpr uint32_t Events = 0x500;       // event ring
}  // namespace page

// What a star command leaves for the interpreter to do.
struct Outcome {
    enum Kind : uint8_t {
        Done,             // nothing more
        Error,            // raise error `number` with `message`
        Quit,             // *BYE, *QUIT: end the program and the application
        OptionsChanged,   // the option flags changed (decodings are stale)
    };
    Kind kind = Done;
    uint8_t number = 0;
    std::string message;

    static Outcome error(uint8_t n, std::string text) { return {Error, n, std::move(text)}; }
    static Outcome of(Kind k) { return {k, 0, {}}; }
};

// Results of the key-waiting entry points besides key codes.
constexpr int kNoKey = -1;   // INKEY's time limit passed
constexpr int kQuit = -2;    // the quit flag was seen: the interpreter must end

// How many *KEY strings there are (numbered 1..24).
constexpr int kKeyStrings = 24;

class Os final : public host::InputSink {
public:
    Os(interp::Memory& memory, host::Host& host);
    ~Os() override;

    // OS initialisation: empties the rings, the function-key strings and
    // the stream byte, takes `screen` for OSWRCH and lets the host deliver
    // keys and events.
    void start(vdu::Vdu* screen);
    // Stops the host's input delivery (before the memory goes away).
    void stop();

    // ---- character entry points ----
    void oswrch(uint8_t c);
    void osasci(uint8_t c) {
        if (c == 13) osnewl();
        else oswrch(c);
    }
    void osnewl() { oswrch(10); oswrch(13); }
    // The next character: from *INPUT or the keyboard with *KEY expansion;
    // 27 when an Escape is pending; kQuit when the engine is closing.
    int osrdch();
    // A key code, without waiting (kNoKey when none).
    int take_key();
    // INKEY(n) for n >= 0: waits up to n centiseconds for a key.
    int inkey_wait(int32_t centiseconds);
    // INKEY(n) for n < 0: TRUE/FALSE for a key scan, 87 for the
    // identification (low 8 bits 0..&7F).
    int32_t inkey_scan(int32_t n);
    static constexpr int32_t kPlatformId = 87;
    static bool is_identification(int32_t n) { return (n & 0xFF) < 0x80; }
    // ADVAL(n): joystick (n >= 0), key buffer space (-1..-4), sound
    // queue space (n <= -5).
    int32_t adval(int32_t n);
    // MOUSE x,y,b: the pointer in client pixels (outside the client area
    // too) and its buttons as 4·left + 2·middle + right.
    void mouse(int& x, int& y, int& buttons);
    // MOUSE ON n (0..255) and MOUSE OFF (-1): sets the pointer's shape and
    // returns the new @hcsr% (0 for a shape that does not exist, which
    // leaves the pointer invisible over the window, and after OFF).
    uint32_t pointer_shape(int shape);
    // Reads keys until none are left (also ending an expansion).
    void flush_keys();
    // Resets the stream byte and any key expansion (error reports, stop).
    void reset_stream() {
        m_stream = 0;
        m_expand_count = 0;
    }
    uint8_t stream() const { return m_stream; }

    // ---- events (interpreter side) ----
    // Takes the oldest event record, setting the event flag again when
    // more remain. False when the queue is empty.
    bool take_event(EventRecord& e);

    // ---- star commands ----
    Outcome oscli(std::string_view command);
    // *KEY n string (the text after KEY).
    Outcome define_key(std::string_view arg);
    // The string of *KEY k (1..24); empty when undefined.
    std::string_view key_string(int k) const;

    // ---- files ----
    // The file and serial channels (also *EXEC and *SPOOL).
    Channels& files() { return m_files; }
    // The file commands print through the interpreter's counting output;
    // the picture commands draw on `screen` (nullptr: none).
    void set_console(Console* console) { m_console = console; }
    void set_picture_screen(Screen* screen) { m_picture_screen = screen; }

    // ---- requests ----
    // Commits memory up to `top` on the window thread: the new committed
    // top, or 0 when the request is refused.
    uint32_t commit_memory(uint32_t top);

    // ---- host::InputSink (called from host threads) ----
    bool push_key(int code) override { return m_keys.insert(static_cast<uint8_t>(code)); }
    int key_space() override { return m_keys.space(); }
    void raise_escape() override;
    void end_of_input() override { m_input_ended.store(true, std::memory_order_release); }
    void timer_tick() override;
    bool post_event(host::EventKind kind, uint32_t message, uint32_t wparam, uint32_t lparam) override;

    host::Flags& flags() { return m_host.flags; }

private:
    // The *KEY string number a key code names (0: none).
    static int key_number(uint8_t code);
    // Offset in the key page of string k (0..23), or -1 when the page is
    // corrupt (its lengths run past the end).
    int key_offset(int k) const;
    uint8_t* key_page() const { return interp::Memory::unchecked_ptr(m_memory.base() + page::KeyStrings); }
    // One step of a waiting loop: sleeps 10 ms and looks at the flags.
    // Returns 0 to go on waiting, or 27 / kQuit to stop.
    int wait_step();
    // A wait that finds the ring empty and the input ended sees Escape.
    bool input_over();

    interp::Memory& m_memory;
    host::Host& m_host;
    vdu::Vdu* m_screen = nullptr;
    bool m_started = false;
    KeyBuffer m_keys;
    EventQueue m_events;
    std::atomic<bool> m_input_ended{false};
    uint8_t m_stream = 0;          // high nibble *INPUT channel, low nibble *OUTPUT channel
    Channels m_files;
    Console* m_console = nullptr;
    Screen* m_picture_screen = nullptr;
    // OSWRCH with a redirection in force (kept out of the common path).
    void oswrch_redirected(uint8_t c);
    // Runs a file command with what it needs, its errors as an Outcome.
    Outcome file_command(void (*command)(FileContext&, std::string_view), std::string_view name, std::string_view arg);
    uint32_t m_expand_at = 0;      // next byte of the expansion (offset in the key page)
    uint32_t m_expand_count = 0;   // bytes of it left
};

}  // namespace kov::os
