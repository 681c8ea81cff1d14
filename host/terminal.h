// A real terminal as the keyboard: raw mode for the run, and a decoder
// from the bytes a terminal sends to the engine's key codes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kov::host {

// Turns terminal input bytes into key codes. Plain bytes are keys as they
// are (Backspace's 127 becomes 8, as the key gives); escape sequences of
// the cursor, editing and function keys become their key codes, with the
// Shift, Ctrl and Alt forms the terminal reports; an unknown sequence is
// dropped. A lone Escape, with no further byte within `kLoneEscapeMs`,
// raises the Escape condition.
class KeyDecoder {
public:
    static constexpr int kLoneEscapeMs = 50;

    KeyDecoder(std::function<void(int)> push_key, std::function<void()> raise_escape)
        : m_push_key(std::move(push_key)), m_raise_escape(std::move(raise_escape)) {}

    // One byte from the terminal.
    void feed(uint8_t byte);
    // No byte came within the lone-Escape time: a pending Escape is a key.
    void timeout();
    // True while bytes of a possible sequence are held back.
    bool pending() const { return !m_sequence.empty(); }

private:
    void finish(int code);
    void decode_csi();

    std::function<void(int)> m_push_key;
    std::function<void()> m_raise_escape;
    std::string m_sequence;   // ESC and what followed it so far
    bool m_discarding = false;   // the rest of an overlong sequence is dropped
};

// Raw mode of a terminal for the run: keys arrive one at a time without
// echo; ISIG stays on (Ctrl-C is SIGINT) and output processing stays on.
// The old mode comes back on restore(), on destruction, and from the
// restore-on-exit actions (signals and fatal faults included).
class RawTerminal {
public:
    RawTerminal() = default;
    ~RawTerminal() { restore(); }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    // Enters raw mode when `fd` is a terminal; false when it is not.
    bool enter(int fd);
    void restore();
    bool active() const { return m_active; }

private:
    static void restore_action(void* self);

    int m_fd = -1;
    bool m_active = false;
    int m_slot = -1;
    unsigned char m_saved[256];   // the saved termios, kept opaque here
};

// True when `fd` is a terminal.
bool is_terminal(int fd);

}  // namespace kov::host
