#include "host/terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "host/signals.h"

namespace kov::host {

namespace {

// Key codes of the keys without a character.
constexpr int kHome = 0x82, kEnd = 0x83, kPageUp = 0x84, kPageDown = 0x85;
constexpr int kInsert = 0x86, kDelete = 0x87, kLeft = 0x88, kRight = 0x89;
constexpr int kDown = 0x8A, kUp = 0x8B, kShiftTab = 0x9B;
constexpr int kFunction = 0x100;   // marks F1..F12 as kFunction + n until finished

// A key with the modifier number of an xterm sequence (1 none, then
// 1 + Shift 1 + Alt 2 + Ctrl 4) applied as the key table says.
int with_modifiers(int key, int modifier) {
    int bits = modifier > 1 ? modifier - 1 : 0;
    bool shift = bits & 1, alt = bits & 2, ctrl = bits & 4;
    if (key > kFunction) {
        int n = key - kFunction;
        if (alt) return 0xC0 + n;
        return 0x90 + n + (shift ? 0x10 : 0) + (ctrl ? 0x20 : 0);
    }
    if (ctrl && key >= kHome && key <= kPageDown) return key + 0x1A;
    if (ctrl && (key == kLeft || key == kRight)) return key - 8;
    return key;
}

// The key of a "CSI number ~" sequence, 0 when unknown.
int tilde_key(int n) {
    switch (n) {
        case 1: case 7: return kHome;
        case 2: return kInsert;
        case 3: return kDelete;
        case 4: case 8: return kEnd;
        case 5: return kPageUp;
        case 6: return kPageDown;
        case 11: case 12: case 13: case 14: case 15: return kFunction + (n - 10);
        case 17: case 18: case 19: case 20: case 21: return kFunction + (n - 11);
        case 23: case 24: return kFunction + (n - 12);
        default: return 0;
    }
}

// The key of a sequence ending in a letter (CSI or SS3), 0 when unknown.
int letter_key(char c) {
    switch (c) {
        case 'A': return kUp;
        case 'B': return kDown;
        case 'C': return kRight;
        case 'D': return kLeft;
        case 'H': return kHome;
        case 'F': return kEnd;
        case 'P': return kFunction + 1;
        case 'Q': return kFunction + 2;
        case 'R': return kFunction + 3;
        case 'S': return kFunction + 4;
        default: return 0;
    }
}

}  // namespace

void KeyDecoder::finish(int code) {
    m_sequence.clear();
    if (code > 0) m_push_key(code);
}

void KeyDecoder::decode_csi() {
    // m_sequence: ESC [ parameters final
    char final = m_sequence.back();
    std::vector<int> params;
    int value = -1;
    for (size_t i = 2; i + 1 < m_sequence.size(); ++i) {
        char c = m_sequence[i];
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value) * 10 + (c - '0');
            if (value > 1000) value = 1000;
        } else if (c == ';') {
            params.push_back(value < 0 ? 1 : value);
            value = -1;
        }
    }
    if (value >= 0) params.push_back(value);
    int modifier = params.size() >= 2 ? params[1] : 1;
    int key = 0;
    if (final == '~') {
        key = params.empty() ? 0 : tilde_key(params[0]);
    } else if (final == 'Z') {
        finish(kShiftTab);
        return;
    } else {
        key = letter_key(final);
    }
    finish(key ? with_modifiers(key, modifier) : 0);
}

void KeyDecoder::feed(uint8_t byte) {
    if (m_discarding) {
        // Parameter bytes go on until the sequence's final byte.
        if (byte < 0x20 || byte > 0x3F) m_discarding = false;
        if (byte >= 0x20 && byte <= 0x7E) return;
    }
    if (m_sequence.empty()) {
        if (byte == 27) {
            m_sequence.push_back(static_cast<char>(byte));
            return;
        }
        m_push_key(byte == 127 ? 8 : byte);
        return;
    }
    m_sequence.push_back(static_cast<char>(byte));
    const size_t n = m_sequence.size();
    char kind = m_sequence[1];
    if (n == 2) {
        if (kind == '[' || kind == 'O') return;
        // Escape followed by another key (Alt+key is sent this way).
        m_sequence.clear();
        m_raise_escape();
        feed(byte);
        return;
    }
    if (n > 16) {   // no sequence is that long: drop it, to its end
        m_sequence.clear();
        m_discarding = byte >= 0x20 && byte <= 0x3F;
        return;
    }
    if (kind == 'O') {
        // SS3: optional modifier digits, then the final letter.
        if (byte >= '0' && byte <= '9') return;
        int modifier = n > 3 ? m_sequence[2] - '0' : 1;
        int key = letter_key(static_cast<char>(byte));
        finish(key ? with_modifiers(key, modifier) : 0);
        return;
    }
    // The Linux console's F1..F5: ESC [ [ A..E.
    if (n == 3 && byte == '[') return;
    if (n == 4 && m_sequence[2] == '[') {
        finish(byte >= 'A' && byte <= 'E' ? 0x90 + (byte - 'A' + 1) : 0);
        return;
    }
    if (byte >= 0x40 && byte <= 0x7E) decode_csi();
}

void KeyDecoder::timeout() {
    if (m_sequence.empty()) return;
    std::string held = m_sequence;
    m_sequence.clear();
    // A lone Escape; or Escape and "[" / "O" typed on their own.
    m_raise_escape();
    if (held.size() == 2) m_push_key(static_cast<uint8_t>(held[1]));
}

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

bool RawTerminal::enter(int fd) {
    static_assert(sizeof(termios) <= sizeof m_saved, "termios must fit the saved area");
    if (m_active || !is_terminal(fd)) return false;
    // A job in the background leaves the terminal alone (changing its
    // mode from there would stop the process).
    if (tcgetpgrp(fd) != getpgrp()) return false;
    termios saved;
    if (tcgetattr(fd, &saved) != 0) return false;
    termios raw = saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
    raw.c_lflag |= ISIG;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    std::memcpy(m_saved, &saved, sizeof saved);
    m_fd = fd;
    m_active = true;
    // Registered before the mode changes: a signal in between still
    // finds the way back.
    m_slot = signals::add_restore_action(restore_action, this);
    if (tcsetattr(fd, TCSAFLUSH, &raw) != 0) {
        restore();
        return false;
    }
    return true;
}

void RawTerminal::restore_action(void* self) {
    // Async-signal-safe: tcsetattr only.
    auto* t = static_cast<RawTerminal*>(self);
    if (!t->m_active) return;
    termios saved;
    std::memcpy(&saved, t->m_saved, sizeof saved);
    tcsetattr(t->m_fd, TCSANOW, &saved);
    t->m_active = false;
}

void RawTerminal::restore() {
    if (!m_active) return;
    signals::remove_restore_action(m_slot);
    m_slot = -1;
    restore_action(this);
}

}  // namespace kov::host
