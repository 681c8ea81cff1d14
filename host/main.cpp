// The kov command: runs a BASIC program, or lists, tokenises or bundles one.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/engine.h"
#include "host/headless/headless_host.h"
#ifdef KOV_HAVE_SDL
#include "host/sdl/sdl_host.h"
#endif
#include "host/signals.h"
#include "interp/program_text.h"
#include "os/loader.h"

namespace {

const char kUsage[] =
    "Usage: kov [options] PROGRAM [ARGS...]\n"
    "Runs a BASIC program (a tokenised program file or plain text; - reads\n"
    "standard input). A PROGRAM without an extension is looked for as\n"
    "PROGRAM.kov, PROGRAM.KOV, PROGRAM.bas, then PROGRAM.\n"
    "\n"
    "Options:\n"
    "  --headless          no window (the default when there is no display)\n"
    "  --zoom N            show the window N times larger (1 to 8; the screen\n"
    "                      the program draws keeps its size)\n"
    "  --keys TEXT         queue key codes before the program starts (C escapes, \\e = Escape)\n"
    "  --screenshot FILE.png\n"
    "                      save the screen as a PNG file when the program stops\n"
    "  --com1 PATH ... --com4 PATH\n"
    "                      the device for the serial port COM1: to COM4: (default\n"
    "                      /dev/ttyS0 to /dev/ttyS3, or $KOV_COM1 to $KOV_COM4)\n"
    "  --list FILE         print a program as text\n"
    "  --tokenise IN OUT   write a text program in the tokenised program format\n"
    "  --bundle PROGRAM -o APP [--size WxH] [--maximised]\n"
    "                      write a standalone executable running PROGRAM; its\n"
    "                      window opens with a client area of W x H pixels\n"
    "                      (default 640x512), maximised if asked\n"
    "  --help              show this help\n"
    "  --version           show the version and the features built in\n"
    "\n"
    "Exit status: 0 at the end of the program, n after QUIT n, 1 after an\n"
    "untrapped error, 2 for a command-line or load error, 130/143/129 after\n"
    "SIGINT/SIGTERM/SIGHUP.\n";

// "WxH" within the shadow bitmap, as a client size.
bool parse_size(const std::string& text, kov::host::WindowRequest& window) {
    int w = 0, h = 0, used = 0;
    if (std::sscanf(text.c_str(), "%5dx%5d%n", &w, &h, &used) != 2 || used != static_cast<int>(text.size())) return false;
    if (w < 1 || h < 1 || w > kov::host::kShadowWidth || h > kov::host::kShadowHeight) return false;
    window.client_width = w;
    window.client_height = h;
    return true;
}

int usage_error(const std::string& msg) {
    std::fprintf(stderr, "kov: %s\nTry 'kov --help'.\n", msg.c_str());
    return 2;
}

// Decodes C-style escapes (\n \r \t \e \\ \xHH \NNN).
bool unescape(const std::string& s, std::string& out) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') { out += s[i]; continue; }
        if (++i >= s.size()) return false;
        switch (s[i]) {
            case 'n': out += '\r'; break;   // a typed Return
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'e': out += '\x1b'; break;
            case '\\': out += '\\'; break;
            case 'x': {
                int v = 0, n = 0;
                while (n < 2 && i + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1]))) {
                    char c = s[++i];
                    v = v * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
                    ++n;
                }
                if (!n) return false;
                out += static_cast<char>(v);
                break;
            }
            default:
                if (s[i] >= '0' && s[i] <= '7') {
                    int v = 0, n = 0;
                    --i;
                    while (n < 3 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7') {
                        v = v * 8 + (s[++i] - '0');
                        ++n;
                    }
                    out += static_cast<char>(v);
                } else {
                    return false;
                }
        }
    }
    return true;
}

std::string self_path() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

// The arguments after the program name as one string for @cmd$: joined by
// blanks, an argument that is empty or holds a blank or a quote is put in
// double quotes again (a quote inside doubled, as in a BASIC string).
std::string join_arguments(const std::vector<std::string>& args, size_t from) {
    std::string tail;
    for (size_t k = from; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (k > from) tail += ' ';
        if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
            tail += a;
            continue;
        }
        tail += '"';
        for (char c : a) {
            if (c == '"') tail += '"';
            tail += c;
        }
        tail += '"';
    }
    return tail;
}

// True when `a` and `b` name the same existing file.
bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

kov::os::LoadedProgram load_for_command_line(const std::string& name) {
    return kov::interp::load_program_file(name, kov::host::max_program_image());
}

int load_error(const kov::os::LoadedProgram& loaded) {
    std::fprintf(stderr, "kov: %s\n", loaded.message.c_str());
    return 2;
}

// Output that could not be written: said on standard error, status 1. A
// closed pipe ends the engine quietly (the reader has gone).
int output_status(const kov::host::HeadlessHost& host, int status) {
    int err = host.write_error();
    if (!err) return status;
    if (err == EPIPE) return 141;
    std::fprintf(stderr, "kov: cannot write standard output: %s\n", std::strerror(err));
    return status ? status : 1;
}

// Immediate exit from a signal: standard output is flushed as far as it
// can be without touching the interpreter's buffer.
void emergency_flush() { std::fflush(stdout); }

// The exit status once the run is over: a terminating signal's own, and
// 130 for an Escape that came from SIGINT and was not trapped.
int status_after_signals(int status, int last_error) {
    if (int s = kov::host::signals::requested_status()) return s;
    if (status == 1 && last_error == 17 && kov::host::signals::interrupted()) return 130;
    return status;
}

// True when a window can be opened: a display is named.
bool display_named() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v) return true;
    }
    return false;
}

#ifdef KOV_HAVE_SDL
// Runs the program in a window. False (with nothing run) when no window
// opens; the reason is in `error`.
bool run_in_window(const kov::host::ProgramToRun& program, std::string_view tail, const std::string& keys, int zoom,
                   int& status, std::string& error) {
    const std::string title = std::filesystem::path(program.file).filename().string();
    kov::host::sdl::SdlHost host(zoom, title);
    host.set_initial_window(program.window.width(), program.window.height(), program.window.maximised);
    if (!host.open(error)) return false;
    host.queue_keys(keys);
    kov::host::signals::start(host.flags, emergency_flush);
    int last_error = 0;
    status = kov::host::run_image(program, host, host, tail, &last_error);
    kov::host::signals::run_finished();
    status = status_after_signals(status, last_error);
    return true;
}
#endif

int run_program(kov::host::ProgramToRun program, std::string_view tail, const std::string& keys,
                bool program_from_stdin, bool headless = true, int zoom = 1) {
#ifdef KOV_HAVE_SDL
    if (!headless && display_named()) {
        int status = 0;
        std::string error;
        if (run_in_window(program, tail, keys, zoom, status, error)) return status;
        std::fprintf(stderr, "kov: no window (%s): running headless\n", error.c_str());
    }
#else
    (void)headless;
    (void)zoom;
#endif
    kov::host::HeadlessHost host(program_from_stdin ? -1 : 0);
    host.queue_keys(keys);
    kov::host::signals::start(host.flags, emergency_flush);
    if (!program_from_stdin) host.attach_terminal();
    int last_error = 0;
    int status = kov::host::run_image(program, host, host, tail, &last_error);
    kov::host::signals::run_finished();
    host.flush_output();
    host.detach_terminal();
    return output_status(host, status_after_signals(status, last_error));
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);

    // A bundled executable: the whole command line is the program's.
    kov::host::ProgramToRun program;
    if (kov::host::read_appended_image(self_path(), program.image, kov::host::max_program_image(), &program.window)) {
        program.file = self_path();
        return run_program(std::move(program), join_arguments(args, 0), {}, false, false);
    }

    std::string keys;
    bool headless = false;
    int zoom = 1;
    std::string screenshot;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") { ++i; break; }
        if (a.size() < 2 || a[0] != '-' ) break;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("kov %s\nfeatures: headless terminal"
#ifdef KOV_HAVE_SDL
                        " window"
#endif
#ifdef KOV_HAVE_PNG
                        " screenshots"
#endif
#ifdef KOV_HAVE_FONTS
                        " fonts"
#endif
#ifdef KOV_HAVE_UNICORN
                        " machine-code"
#endif
                        "\n", KOV_VERSION_STRING);
            return 0;
        }
        if (a == "--headless") {
            headless = true;
            continue;
        }
        if (a == "--zoom") {
            if (i + 1 >= args.size()) return usage_error("--zoom needs a number");
            const std::string& n = args[++i];
            if (n.size() != 1 || n[0] < '1' || n[0] > '8') return usage_error("--zoom takes a number from 1 to 8");
            zoom = n[0] - '0';
            continue;
        }
        if (a == "--screenshot") {
            if (i + 1 >= args.size()) return usage_error("--screenshot needs a file");
            screenshot = args[++i];
            continue;
        }
        if (a == "--keys") {
            if (i + 1 >= args.size()) return usage_error("--keys needs an argument");
            if (!unescape(args[++i], keys)) return usage_error("bad escape in --keys text");
            continue;
        }
        if (a.size() == 6 && a.compare(0, 5, "--com") == 0 && a[5] >= '1' && a[5] <= '4') {
            if (i + 1 >= args.size()) return usage_error(a + " needs a device");
            // The channel layer takes the devices from the environment.
            ::setenv(("KOV_COM" + a.substr(5)).c_str(), args[++i].c_str(), 1);
            continue;
        }
        if (a == "--list") {
            if (i + 1 >= args.size()) return usage_error("--list needs a file");
            kov::os::LoadedProgram loaded = load_for_command_line(args[i + 1]);
            if (!loaded.ok()) return load_error(loaded);
            std::string error;
            std::string text = kov::interp::list_program(loaded.image.data(), loaded.image.size(), error);
            if (!error.empty()) return usage_error(loaded.path + ": " + error);
            // The listing is Windows-1252 inside; it is shown as UTF-8.
            std::string utf8;
            for (char c : text) kov::os::append_utf8(utf8, static_cast<uint8_t>(c));
            if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() || std::fflush(stdout) != 0) {
                std::fprintf(stderr, "kov: cannot write standard output: %s\n", std::strerror(errno));
                return 1;
            }
            return 0;
        }
        if (a == "--tokenise" || a == "--tokenize") {
            if (i + 2 >= args.size()) return usage_error("--tokenise needs an input and an output file");
            kov::os::LoadedProgram loaded = load_for_command_line(args[i + 1]);
            if (!loaded.ok()) return load_error(loaded);
            const std::string& out_path = args[i + 2];
            if (same_file(loaded.path, out_path))
                return usage_error("--tokenise would overwrite its input " + loaded.path);
            std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
            if (!out || !out.write(reinterpret_cast<const char*>(loaded.image.data()),
                                   static_cast<std::streamsize>(loaded.image.size())) || !out.flush())
                return usage_error("cannot write " + out_path);
            return 0;
        }
        if (a == "--bundle") {
            if (i + 3 >= args.size() || args[i + 2] != "-o") return usage_error("usage: --bundle PROGRAM -o APP");
            kov::os::LoadedProgram loaded = load_for_command_line(args[i + 1]);
            if (!loaded.ok()) return load_error(loaded);
            const std::string& out_path = args[i + 3];
            if (same_file(loaded.path, out_path))
                return usage_error("--bundle would overwrite its input " + loaded.path);
            if (same_file(self_path(), out_path))
                return usage_error("--bundle would overwrite the engine " + out_path);
            kov::host::WindowRequest window;
            for (size_t k = i + 4; k < args.size(); ++k) {
                if (args[k] == "--maximised" || args[k] == "--maximized") {
                    window.maximised = true;
                } else if (args[k] == "--size") {
                    if (k + 1 >= args.size() || !parse_size(args[k + 1], window))
                        return usage_error("--size takes WIDTHxHEIGHT, from 1x1 to 1600x1200");
                    ++k;
                } else {
                    return usage_error("unknown --bundle option " + args[k]);
                }
            }
            std::string error;
            if (!kov::host::write_bundle(self_path(), loaded.image, out_path, error, window)) return usage_error(error);
            return 0;
        }
        return usage_error("unknown option " + a);
    }

    if (i >= args.size()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    kov::os::LoadedProgram loaded = load_for_command_line(args[i]);
    if (!loaded.ok()) return load_error(loaded);
    bool from_stdin = loaded.path == "-";
    program.image = std::move(loaded.image);
    program.file = from_stdin ? "<stdin>" : loaded.path;
    program.text_lines = std::move(loaded.text_lines);
    program.screenshot = screenshot;
    return run_program(std::move(program), join_arguments(args, i + 1), keys, from_stdin, headless, zoom);
}

}  // namespace

int main(int argc, char** argv) {
    // No C++ exception may end the process unreported.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("kov: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kov: internal error: %s\n", e.what());
    } catch (...) {
        std::fputs("kov: internal error\n", stderr);
    }
    return 2;
}
