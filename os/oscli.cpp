// The operating-system entry points the interpreter uses: OSWRCH into the
// VDU stream and the star-command interpreter.
#include <cctype>
#include <string>

#include "interp/interp.h"
#include "interp/statements.h"
#include "vdu/vdu.h"

namespace kov::interp {

void Interp::oswrch(uint8_t c) { vdu->write(c); }

void Interp::vdu_write_unmirrored(uint8_t c) {
    vdu->set_mirror(false);
    vdu->write(c);
    vdu->set_mirror(true);
}

void Interp::vdu_reset() { vdu->reset(); }

namespace {

// Matches a command name (case-insensitive, "." abbreviates) at the start
// of `s`; on success removes it and the blanks after it.
bool take_command(std::string_view& s, const char* name) {
    size_t i = 0;
    for (; name[i]; ++i) {
        if (i < s.size() && s[i] == '.' && i > 0) {
            s.remove_prefix(i + 1);
            while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
            return true;
        }
        if (i >= s.size() || std::toupper(static_cast<unsigned char>(s[i])) != name[i]) return false;
    }
    if (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) return false;
    s.remove_prefix(i);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return true;
}

bool take_word(std::string_view& s, const char* word) {
    std::string_view t = s;
    if (!take_command(t, word)) return false;
    s = t;
    return true;
}

}  // namespace

void Interp::oscli(std::string_view command) {
    std::string_view s = command;
    while (!s.empty() && (s.front() == ' ' || s.front() == '*')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    if (s.empty() || s.front() == '|') return;   // empty command or comment
    uint8_t& opts = mem.fixed_area()[fixed::Options];
    if (take_command(s, "FLOAT")) {
        opts &= static_cast<uint8_t>(~kOptFloat64);
        int n = 0;
        bool digits = false;
        while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) {
            n = n * 10 + (s.front() - '0');
            s.remove_prefix(1);
            digits = true;
            if (n > 1000) break;
        }
        if (!digits || (n != 40 && n != 64)) raise(254, "Bad command");
        if (n == 64) opts |= kOptFloat64;
        // Name matching depends on the mode: forget resolved names.
        flush_text_cache();
        return;
    }
    if (take_command(s, "LOWERCASE")) {
        if (take_word(s, "OFF")) opts &= static_cast<uint8_t>(~kOptLowercase);
        else opts |= kOptLowercase;
        flush_text_cache();
        return;
    }
    if (take_command(s, "QUIT") || take_command(s, "BYE")) {
        close_all_files(*this);
        throw StopRun{0};
    }
    if (take_command(s, "ESC")) return;   // Escape is always enabled headless
    raise(254, "Bad command");
}

// No file channels exist yet, so there is nothing to close.
void close_all_files(Interp&) {}

}  // namespace kov::interp
