// OSCLI, the star-command interpreter: the table of command names walked
// with "." abbreviations, the argument readers, the option commands and
// *KEY with its packed page of function-key strings.
#include <cstring>
#include <string>

#include "os/os.h"
#include "vdu/vdu.h"

namespace kov::os {

namespace {

enum class Command : uint8_t {
    Quit, Esc, Float, Fx, Help, Input, Key, Lowercase, Output, Tv, Ega, NoEga, Font, File, Pending,
};

using FileFn = void (*)(FileContext&, std::string_view);

struct StarCommand {
    const char* name;
    Command command;
    FileFn file;   // the handler of a File row
};

// In table order: sorted by first letter and, within a letter, a longer
// name before a shorter one that is its prefix; the first entry that
// matches wins. "SPOOL " keeps its trailing blank so that *SPOOL followed
// by a name matches it. Pending rows arrive with their subsystems.
constexpr StarCommand kStarCommands[] = {
    {"BYE", Command::Quit, nullptr},                // end the program and the application
    {"CD", Command::File, star_cd},                 // change directory
    {"CHDIR", Command::File, star_cd},
    {"COPY", Command::File, star_copy},             // copy a file
    {"DIR", Command::File, star_dir},               // list a directory
    {"DELETE", Command::File, star_delete},         // delete a file
    {"DEL", Command::File, star_delete},
    {"DISPLAY", Command::File, star_display},       // show a bitmap file
    {"ERASE", Command::File, star_delete},
    {"ERA", Command::File, star_delete},
    {"ESC", Command::Esc, nullptr},                 // Escape key on or off
    {"EXEC", Command::File, star_exec},             // keys from a file
    {"EGA", Command::Ega, nullptr},                 // MODE-number remapping
    {"FLOAT", Command::Float, nullptr},             // 5-byte or 8-byte reals
    {"FONT", Command::Font, nullptr},               // screen font
    {"FX", Command::Fx, nullptr},                   // flush keyboard or sound buffers
    {"HELP", Command::Help, nullptr},               // the version line
    {"INPUT", Command::Input, nullptr},             // input from a channel
    {"KEY", Command::Key, nullptr},                 // function-key string
    {"LOAD", Command::File, star_load},             // memory image
    {"LOCK", Command::File, star_lock},             // read-only
    {"LOWERCASE", Command::Lowercase, nullptr},     // lower-case keywords
    {"MARGINS", Command::Pending, nullptr},         // printer margins
    {"MDISPLAY", Command::File, star_mdisplay},     // bitmap in memory
    {"MD", Command::File, star_md},                 // make a directory
    {"MKDIR", Command::File, star_md},
    {"NOEGA", Command::NoEga, nullptr},
    {"OPT", Command::Output, nullptr},              // output to a channel
    {"OUTPUT", Command::Output, nullptr},
    {"PLAY", Command::Pending, nullptr},            // MIDI file
    {"PRINTERFONT", Command::Pending, nullptr},
    {"PRINTER", Command::Pending, nullptr},
    {"QUIT", Command::Quit, nullptr},
    {"RENAME", Command::File, star_rename},         // rename a file
    {"REN", Command::File, star_rename},
    {"RD", Command::File, star_rd},                 // remove a directory
    {"RMDIR", Command::File, star_rd},
    {"RUN", Command::File, star_run},               // external program
    {"SAVE", Command::File, star_save},             // memory image
    {"SPOOL ", Command::File, star_spool},          // copy output to a file
    {"SPOOLON", Command::File, star_spoolon},
    {"SPOOL", Command::File, star_spool},
    {"SCREENSAVE", Command::File, star_screensave}, // screen to a bitmap
    {"TYPE", Command::File, star_type},             // print a file
    {"TV", Command::Tv, nullptr},                   // accepted and ignored
    {"UNLOCK", Command::File, star_unlock},
};
static_assert(sizeof kStarCommands / sizeof *kStarCommands == 46);

constexpr uint8_t kBadKey = 251;
constexpr uint8_t kBadString = 253;
constexpr uint8_t kBadCommand = 254;
constexpr uint8_t kNotAvailable = 255;

void skip_blanks(std::string_view& s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
}

// A decimal number: digits with blanks around them (none gives 0).
uint32_t decimal_arg(std::string_view& s) {
    skip_blanks(s);
    uint32_t n = 0;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        if (n < 100000000) n = n * 10 + static_cast<uint32_t>(s.front() - '0');
        s.remove_prefix(1);
    }
    skip_blanks(s);
    return n;
}

// ON/OFF: one optional letter O, then hexadecimal digits, so OFF reads
// &FF (non-zero) and ON or nothing reads 0.
bool off_arg(std::string_view s) {
    skip_blanks(s);
    if (!s.empty() && (s.front() == 'O' || s.front() == 'o')) s.remove_prefix(1);
    unsigned v = 0;
    for (; !s.empty(); s.remove_prefix(1)) {
        char c = s.front();
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) break;
        v = ((v << 4) | static_cast<unsigned>(d)) & 0xFF;
    }
    return v != 0;
}

uint8_t capital(char c) {
    uint8_t u = static_cast<uint8_t>(c) & 0x7F;
    return u >= 96 ? static_cast<uint8_t>(u & ~0x20) : u;
}

// The first entry matching the start of `s`: a "." after at least one
// letter accepts an abbreviation, reaching the end of the entry's name
// accepts it whatever follows. `rest` is the text after the name.
const StarCommand* find_command(std::string_view s, std::string_view& rest) {
    const uint8_t first = capital(s.front());
    for (const StarCommand& cmd : kStarCommands) {
        if (first < static_cast<uint8_t>(cmd.name[0])) return nullptr;
        for (size_t i = 0;; ++i) {
            if (cmd.name[i] == 0) {
                rest = s.substr(i);
                return &cmd;
            }
            if (i >= s.size()) break;
            if (s[i] == '.' && i > 0) {
                rest = s.substr(i + 1);
                return &cmd;
            }
            if (capital(s[i]) != static_cast<uint8_t>(cmd.name[i])) break;
        }
    }
    return nullptr;
}

Outcome not_available(std::string_view name) {
    std::string n(name);
    while (!n.empty() && n.back() == ' ') n.pop_back();
    return Outcome::error(kNotAvailable, "*" + n + " is not available in this version");
}

// One character of a string with "|" escapes at s[i], advancing i.
uint8_t escaped_char(std::string_view s, size_t& i) {
    uint8_t c = static_cast<uint8_t>(s[i++]);
    if (c != '|' || i >= s.size()) return c;
    uint8_t e = static_cast<uint8_t>(s[i++]);
    if (e == '!') {
        if (i >= s.size()) return 0x80;
        return static_cast<uint8_t>(escaped_char(s, i) | 0x80);
    }
    if (e == '?') return 127;
    if (e >= '@' && e <= '_') return static_cast<uint8_t>(e - 64);
    return e;
}

}  // namespace

Outcome Os::oscli(std::string_view s) {
    skip_blanks(s);
    if (const size_t cr = s.find('\r'); cr != std::string_view::npos) s = s.substr(0, cr);
    if (s.empty() || s.front() == '|') return {};   // nothing, or a comment
    // "*/name" and "**name" run a program; "*.dir" lists a directory.
    if (s.front() == '/' || s.front() == '*') {
        s.remove_prefix(1);
        skip_blanks(s);
        return file_command(star_run, "RUN", s);
    }
    if (s.front() == '.') {
        s.remove_prefix(1);
        skip_blanks(s);
        return file_command(star_dir, "DIR", s);
    }
    std::string_view rest;
    const StarCommand* cmd = find_command(s, rest);
    // A name that is not in the table runs as an external program.
    if (!cmd) return file_command(star_run, "RUN", s);
    skip_blanks(rest);
    uint8_t& options = m_memory.fixed_area()[interp::fixed::Options];
    switch (cmd->command) {
        case Command::Quit:
            return Outcome::of(Outcome::Quit);
        case Command::Esc:
            if (off_arg(rest)) m_host.flags.fetch_or(host::flag::EscapeOff);
            else m_host.flags.fetch_and(static_cast<uint8_t>(~host::flag::EscapeOff));
            return {};
        case Command::Float: {
            uint32_t n = decimal_arg(rest);
            if (n == 40) options &= static_cast<uint8_t>(~interp::kOptFloat64);
            else if (n == 64) options |= interp::kOptFloat64;
            else return Outcome::error(kBadCommand, "Bad command");
            return Outcome::of(Outcome::OptionsChanged);
        }
        case Command::Lowercase:
            if (off_arg(rest)) options &= static_cast<uint8_t>(~interp::kOptLowercase);
            else options |= interp::kOptLowercase;
            return Outcome::of(Outcome::OptionsChanged);
        case Command::Fx: {
            uint32_t n = decimal_arg(rest);
            uint32_t m = 0;
            if (!rest.empty() && rest.front() == ',') {
                rest.remove_prefix(1);
                m = decimal_arg(rest);
            }
            // The sound queues these also empty arrive with sound.
            if (n == 15 || (n == 21 && m == 0)) flush_keys();
            return {};
        }
        case Command::Help:
            for (const char* c = "KOV BASIC version " KOV_VERSION_STRING; *c; ++c) oswrch(static_cast<uint8_t>(*c));
            osnewl();
            return {};
        case Command::Input:
        case Command::Output: {
            const uint8_t n = static_cast<uint8_t>(decimal_arg(rest) & 0x0F);
            if (cmd->command == Command::Input) m_stream = static_cast<uint8_t>((m_stream & 0x0F) | (n << 4));
            else m_stream = static_cast<uint8_t>((m_stream & 0xF0) | n);
            return {};
        }
        case Command::File:
            return file_command(cmd->file, cmd->name, rest);
        case Command::Key:
            return define_key(rest);
        case Command::Tv:
            return {};
        // The screen's commands; the VDU raises its own errors.
        case Command::Ega:
            if (m_screen) m_screen->star_ega(rest);
            return {};
        case Command::NoEga:
            if (m_screen) m_screen->star_noega();
            return {};
        case Command::Font:
            if (m_screen) m_screen->star_font(rest);
            return {};
        case Command::Pending:
            return not_available(cmd->name);
    }
    return {};
}

Outcome Os::file_command(FileFn command, std::string_view name, std::string_view arg) {
    // Without the interpreter's output (the OS layer on its own) nothing
    // can be listed or typed.
    if (!m_console) return not_available(name);
    FileContext ctx{m_memory, m_host, m_files, *m_console, m_console->stack_pointer(), m_picture_screen};
    try {
        command(ctx, arg);
    } catch (const BasicError& e) {
        return Outcome::error(static_cast<uint8_t>(e.number), e.message);
    }
    return {};
}

Outcome Os::define_key(std::string_view arg) {
    skip_blanks(arg);
    uint32_t k = 0;
    bool any = false;
    while (!arg.empty() && arg.front() >= '0' && arg.front() <= '9') {
        if (k < 1000) k = k * 10 + static_cast<uint32_t>(arg.front() - '0');
        arg.remove_prefix(1);
        any = true;
    }
    if (!any || k >= 25) return Outcome::error(kBadKey, "Bad key");
    if (k == 0) return {};
    // The string: to the end of the line, or between double quotes.
    skip_blanks(arg);
    if (!arg.empty() && arg.front() == ',') {
        arg.remove_prefix(1);
        skip_blanks(arg);
    }
    bool bad = false;
    std::string text;
    if (!arg.empty() && arg.front() == '"') {
        arg.remove_prefix(1);
        size_t i = 0;
        for (;;) {
            if (i >= arg.size()) {
                bad = true;   // no closing quote
                break;
            }
            if (arg[i] == '"') break;
            text.push_back(static_cast<char>(escaped_char(arg, i)));
        }
    } else {
        for (size_t i = 0; i < arg.size();) text.push_back(static_cast<char>(escaped_char(arg, i)));
    }

    uint8_t* pg = key_page();
    // A page whose lengths run past its end is cleared.
    if (key_offset(kKeyStrings - 1) < 0) std::memset(pg, 0, 256);
    const int at = key_offset(static_cast<int>(k) - 1);
    const int old_end = at + 1 + pg[at];
    int used = old_end;
    for (int i = static_cast<int>(k); i < kKeyStrings; ++i) used += 1 + pg[used];
    // The strings after this one keep their order; the new one gets what
    // room is left.
    const int after = used - old_end;
    const int room = 256 - at - 1 - after;
    int len = static_cast<int>(text.size());
    if (len > room) {
        len = room;
        bad = true;
    }
    if (len > 255) {
        len = 255;
        bad = true;
    }
    std::memmove(pg + at + 1 + len, pg + old_end, static_cast<size_t>(after));
    pg[at] = static_cast<uint8_t>(len);
    std::memcpy(pg + at + 1, text.data(), static_cast<size_t>(len));
    // A changed definition ends any expansion in progress (its bytes moved).
    m_expand_count = 0;
    if (bad) return Outcome::error(kBadString, "Bad string");
    return {};
}

}  // namespace kov::os
