// The operating-system entry points the interpreter uses: OSWRCH into the
// VDU stream, and OSCLI, the star-command interpreter with its table of
// command names.
#include <cctype>
#include <string>

#include "interp/interp.h"
#include "interp/statements.h"
#include "vdu/vdu.h"

namespace kov::interp {

void Interp::oswrch(uint8_t c) { vdu->write(c); }

void Interp::vdu_reset() { vdu->reset(); }

namespace {

// Star commands. X(name, handler): in table order, sorted by first letter
// and, within a letter, a longer name before a shorter one that is its
// prefix; the first entry that matches wins. "SPOOL " keeps its trailing
// blank so that *SPOOL followed by a name matches it.
#define KOV_STAR_COMMANDS(X)                                                    \
    X("BYE", star_quit)              /* end the program */                     \
    X("CD", star_pending)            /* change directory */                    \
    X("CHDIR", star_pending)                                                   \
    X("COPY", star_pending)          /* copy a file */                         \
    X("DIR", star_pending)           /* list a directory */                    \
    X("DELETE", star_pending)        /* delete a file */                       \
    X("DEL", star_pending)                                                     \
    X("DISPLAY", star_pending)       /* show a bitmap */                       \
    X("ERASE", star_pending)                                                   \
    X("ERA", star_pending)                                                     \
    X("ESC", star_esc)               /* Escape key on or off */                \
    X("EXEC", star_pending)          /* keys from a file */                    \
    X("EGA", star_ega)              /* screen modes */                        \
    X("FLOAT", star_float)           /* 5-byte or 8-byte reals */              \
    X("FONT", star_font)             /* screen font */                         \
    X("FX", star_fx)                 /* buffer operations */                   \
    X("HELP", star_help)             /* the version line */                    \
    X("INPUT", star_nibble)          /* input redirection */                   \
    X("KEY", star_pending)           /* function-key strings */                \
    X("LOAD", star_pending)          /* memory image */                        \
    X("LOCK", star_pending)          /* file attributes */                     \
    X("LOWERCASE", star_lowercase)   /* lower-case keywords */                 \
    X("MARGINS", star_pending)       /* printer margins */                     \
    X("MDISPLAY", star_pending)      /* bitmap from memory */                  \
    X("MD", star_pending)            /* make a directory */                    \
    X("MKDIR", star_pending)                                                   \
    X("NOEGA", star_noega)                                                      \
    X("OPT", star_nibble)            /* output redirection */                  \
    X("OUTPUT", star_nibble)                                                   \
    X("PLAY", star_pending)          /* MIDI file */                           \
    X("PRINTERFONT", star_pending)                                             \
    X("PRINTER", star_pending)                                                 \
    X("QUIT", star_quit)             /* end the program */                     \
    X("RENAME", star_pending)        /* rename a file */                       \
    X("REN", star_pending)                                                     \
    X("RD", star_pending)            /* remove a directory */                  \
    X("RMDIR", star_pending)                                                   \
    X("RUN", star_pending)           /* external program */                    \
    X("SAVE", star_pending)          /* memory image */                        \
    X("SPOOL ", star_pending)        /* output to a file */                    \
    X("SPOOLON", star_pending)                                                 \
    X("SPOOL", star_pending)                                                   \
    X("SCREENSAVE", star_pending)    /* screen to a bitmap */                  \
    X("TYPE", star_pending)          /* print a file */                        \
    X("TV", star_nothing)            /* no effect */                           \
    X("UNLOCK", star_pending)

using StarFn = void (*)(Interp&, const char* name, std::string_view arg);

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

void star_font(Interp& in, const char*, std::string_view arg) { in.vdu->star_font(arg); }
void star_ega(Interp& in, const char*, std::string_view arg) { in.vdu->star_ega(arg); }
void star_noega(Interp& in, const char*, std::string_view) { in.vdu->star_noega(); }

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

void star_nibble(Interp&, const char*, std::string_view arg) {
    // Redirection of input and output through files comes with file
    // channels; the number is read and accepted.
    decimal_arg(arg);
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
    while (!s.empty() && (s.front() == ' ' || s.front() == '*')) s.remove_prefix(1);
    while (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    if (s.empty() || s.front() == '|') return;   // empty command or comment
    if (s.front() == '/') not_available("*RUN");
    if (s.front() == '.') not_available("*DIR");
    std::string_view rest;
    const StarCommand* cmd = find_star_command(s, rest);
    // No entry: the text would run as an external program.
    if (!cmd) not_available("*RUN");
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    std::string name(cmd->name);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    cmd->handler(*this, name.c_str(), rest);
}

// No file channels exist yet, so there is nothing to close.
void close_all_files(Interp&) {}

}  // namespace kov::interp
