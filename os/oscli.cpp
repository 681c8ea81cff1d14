// The operating-system entry points the interpreter uses: OSWRCH into the
// VDU stream, and OSCLI, the star-command interpreter with its table of
// command names.
#include <cctype>
#include <string>

#include "interp/interp.h"
#include "interp/statements.h"
#include "os/channels.h"
#include "os/file_commands.h"
#include "vdu/vdu.h"

namespace kov::interp {

// *OUTPUT takes the character instead of the screen; *SPOOL copies it.
// Kept out of line: every printed character passes OSWRCH.
[[gnu::noinline]] static void oswrch_redirected(Interp& in, uint8_t c) {
    if (!in.files->redirect_output(c)) in.vdu->write(c);
}

void Interp::oswrch(uint8_t c) {
    if (files->output_redirected()) [[unlikely]] return oswrch_redirected(*this, c);
    vdu->write(c);
}

void Interp::vdu_write_unmirrored(uint8_t c) {
    vdu->set_mirror(false);
    vdu->write(c);
    vdu->set_mirror(true);
}

void Interp::vdu_reset() {
    vdu->reset();
    files->stream = 0;
}

namespace {

// Star commands. X(name, handler): in table order, sorted by first letter
// and, within a letter, a longer name before a shorter one that is its
// prefix; the first entry that matches wins. "SPOOL " keeps its trailing
// blank so that *SPOOL followed by a name matches it.
#define KOV_STAR_COMMANDS(X)                                                    \
    X("BYE", star_quit)              /* end the program */                     \
    X("CD", file_cmd<os::star_cd>)            /* change directory */                    \
    X("CHDIR", file_cmd<os::star_cd>)                                                   \
    X("COPY", file_cmd<os::star_copy>)          /* copy a file */                         \
    X("DIR", file_cmd<os::star_dir>)           /* list a directory */                    \
    X("DELETE", file_cmd<os::star_delete>)        /* delete a file */                       \
    X("DEL", file_cmd<os::star_delete>)                                                     \
    X("DISPLAY", file_cmd<os::star_display>)       /* show a bitmap */                       \
    X("ERASE", file_cmd<os::star_delete>)                                                   \
    X("ERA", file_cmd<os::star_delete>)                                                     \
    X("ESC", star_esc)               /* Escape key on or off */                \
    X("EXEC", file_cmd<os::star_exec>)          /* keys from a file */                    \
    X("EGA", star_pending)           /* screen modes */                        \
    X("FLOAT", star_float)           /* 5-byte or 8-byte reals */              \
    X("FONT", star_pending)          /* screen font */                         \
    X("FX", star_fx)                 /* buffer operations */                   \
    X("HELP", star_help)             /* the version line */                    \
    X("INPUT", star_nibble)          /* input redirection */                   \
    X("KEY", star_pending)           /* function-key strings */                \
    X("LOAD", file_cmd<os::star_load>)          /* memory image */                        \
    X("LOCK", file_cmd<os::star_lock>)          /* file attributes */                     \
    X("LOWERCASE", star_lowercase)   /* lower-case keywords */                 \
    X("MARGINS", star_pending)       /* printer margins */                     \
    X("MDISPLAY", file_cmd<os::star_mdisplay>)      /* bitmap from memory */                  \
    X("MD", file_cmd<os::star_md>)            /* make a directory */                    \
    X("MKDIR", file_cmd<os::star_md>)                                                   \
    X("NOEGA", star_pending)                                                   \
    X("OPT", star_nibble)            /* output redirection */                  \
    X("OUTPUT", star_nibble)                                                   \
    X("PLAY", star_pending)          /* MIDI file */                           \
    X("PRINTERFONT", star_pending)                                             \
    X("PRINTER", star_pending)                                                 \
    X("QUIT", star_quit)             /* end the program */                     \
    X("RENAME", file_cmd<os::star_rename>)        /* rename a file */                       \
    X("REN", file_cmd<os::star_rename>)                                                     \
    X("RD", file_cmd<os::star_rd>)            /* remove a directory */                  \
    X("RMDIR", file_cmd<os::star_rd>)                                                   \
    X("RUN", file_cmd<os::star_run>)           /* external program */                    \
    X("SAVE", file_cmd<os::star_save>)          /* memory image */                        \
    X("SPOOL ", file_cmd<os::star_spool>)        /* output to a file */                    \
    X("SPOOLON", file_cmd<os::star_spoolon>)                                                 \
    X("SPOOL", file_cmd<os::star_spool>)                                                   \
    X("SCREENSAVE", file_cmd<os::star_screensave>)    /* screen to a bitmap */                  \
    X("TYPE", file_cmd<os::star_type>)          /* print a file */                        \
    X("TV", star_nothing)            /* no effect */                           \
    X("UNLOCK", file_cmd<os::star_unlock>)

using StarFn = void (*)(Interp&, const char* name, std::string_view arg);

// The file commands see the interpreter as a console: the counting
// output, and word of memory written from files.
class InterpConsole final : public os::Console {
public:
    explicit InterpConsole(Interp& in) : m_in(in) {}
    void out(uint8_t c) override { m_in.count_out(c); }
    uint32_t column() override { return m_in.count(); }
    void stored(uint32_t addr, uint32_t len) override {
        uint64_t end = uint64_t{addr} + len;
        if ((addr < m_in.top() && end > m_in.page()) || end > m_in.himem()) m_in.flush_text_cache();
    }

private:
    Interp& m_in;
};

template <void (*Fn)(os::FileContext&, std::string_view)>
void file_cmd(Interp& in, const char*, std::string_view arg) {
    InterpConsole console(in);
    os::FileContext ctx{in.mem, in.host, *in.files, console, in.sp, nullptr};
    Fn(ctx, arg);
}

// A decimal argument: digits with blanks around them (none gives 0).
int decimal_arg(std::string_view& s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    int n = 0;
    while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) {
        if (n < 100000) n = n * 10 + (s.front() - '0');
        s.remove_prefix(1);
    }
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return n;
}

// ON/OFF arguments: an optional letter O, then hexadecimal digits, so OFF
// reads non-zero and ON or nothing reads 0.
bool off_arg(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (!s.empty() && (s.front() == 'O' || s.front() == 'o')) s.remove_prefix(1);
    unsigned v = 0;
    while (!s.empty() && std::isxdigit(static_cast<unsigned char>(s.front()))) {
        v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(s.front()))
                                               ? s.front() - '0'
                                               : (std::toupper(s.front()) - 'A' + 10));
        v &= 0xFF;
        s.remove_prefix(1);
    }
    return v != 0;
}

void star_pending(Interp&, const char* name, std::string_view) {
    not_available((std::string("*") + name).c_str());
}

void star_nothing(Interp&, const char*, std::string_view) {}

void star_quit(Interp& in, const char*, std::string_view) {
    close_all_files(in);
    throw StopRun{0};
}

void star_esc(Interp&, const char*, std::string_view) {
    // Escape cannot be switched off headless: end of input must stop a
    // waiting program. The argument is accepted.
}

void star_float(Interp& in, const char*, std::string_view arg) {
    uint8_t& opts = in.mem.fixed_area()[fixed::Options];
    opts &= static_cast<uint8_t>(~kOptFloat64);
    int n = decimal_arg(arg);
    if (n != 40 && n != 64) raise(254, "Bad command");
    if (n == 64) opts |= kOptFloat64;
    // Name matching and literals depend on the mode: forget decodings.
    in.flush_text_cache();
}

void star_lowercase(Interp& in, const char*, std::string_view arg) {
    uint8_t& opts = in.mem.fixed_area()[fixed::Options];
    if (off_arg(arg)) opts &= static_cast<uint8_t>(~kOptLowercase);
    else opts |= kOptLowercase;
    in.flush_text_cache();
}

void star_fx(Interp& in, const char*, std::string_view arg) {
    int n = decimal_arg(arg);
    int m = 0;
    if (!arg.empty() && arg.front() == ',') {
        arg.remove_prefix(1);
        m = decimal_arg(arg);
    }
    // *FX 15 and *FX 21,0 flush the keyboard buffer; the rest are accepted.
    if (n == 15 || (n == 21 && m == 0)) in.host.flush_keys();
}

// *INPUT n sets the input channel, *OUTPUT n and *OPT n the output one.
void star_nibble(Interp& in, const char* name, std::string_view arg) {
    uint8_t n = static_cast<uint8_t>(decimal_arg(arg) & 0x0F);
    uint8_t& stream = in.files->stream;
    if (name[0] == 'I') stream = static_cast<uint8_t>((stream & 0x0F) | (n << 4));
    else stream = static_cast<uint8_t>((stream & 0xF0) | n);
}

void star_help(Interp& in, const char*, std::string_view) {
    in.count_text("KOV BASIC version " KOV_VERSION_STRING);
    in.count_newline();
}

struct StarCommand {
    const char* name;
    StarFn handler;
};

constexpr StarCommand kStarCommands[] = {
#define KOV_STAR_ROW(name, fn) {name, fn},
    KOV_STAR_COMMANDS(KOV_STAR_ROW)
#undef KOV_STAR_ROW
};

uint8_t capital(char c) {
    uint8_t u = static_cast<uint8_t>(c) & 0x7F;
    return u >= 96 ? static_cast<uint8_t>(u & ~0x20) : u;
}

// Finds the first table entry matching the start of `s`: a "." after at
// least one letter accepts an abbreviation; reaching the end of the
// entry's name accepts it whatever follows. Sets `rest` to the text after
// the matched name.
const StarCommand* find_star_command(std::string_view s, std::string_view& rest) {
    if (s.empty()) return nullptr;
    uint8_t first = capital(s.front());
    for (const StarCommand& cmd : kStarCommands) {
        if (first < static_cast<uint8_t>(cmd.name[0])) return nullptr;
        size_t i = 0;
        for (;; ++i) {
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

}  // namespace

void Interp::oscli(std::string_view command) {
    std::string_view s = command;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    if (s.empty() || s.front() == '|') return;   // empty command or comment
    auto after_blanks = [](std::string_view t) {
        while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
        return t;
    };
    // "*/" and "**" run the rest as an external program, "*." lists.
    if (s.front() == '/' || s.front() == '*') return file_cmd<os::star_run>(*this, "RUN", after_blanks(s.substr(1)));
    if (s.front() == '.') return file_cmd<os::star_dir>(*this, "DIR", after_blanks(s.substr(1)));
    std::string_view rest;
    const StarCommand* cmd = find_star_command(s, rest);
    // No entry: the whole text runs as an external program.
    if (!cmd) return file_cmd<os::star_run>(*this, "RUN", s);
    std::string name(cmd->name);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    cmd->handler(*this, name.c_str(), after_blanks(rest));
}

}  // namespace kov::interp
