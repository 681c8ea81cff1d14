// The kov command: runs a BASIC program, or lists, tokenises or bundles one.
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/engine.h"
#include "host/headless/headless_host.h"
#include "interp/program_text.h"

namespace {

const char kUsage[] =
    "Usage: kov [options] PROGRAM [ARGS...]\n"
    "Runs a BASIC program (a tokenised program file or plain text).\n"
    "\n"
    "Options:\n"
    "  --headless          no window (the default when there is no display)\n"
    "  --keys TEXT         queue key codes before the program starts (C escapes, \\e = Escape)\n"
    "  --com1 PATH ... --com4 PATH\n"
    "                      the device for the serial port COM1: to COM4: (default\n"
    "                      /dev/ttyS0 to /dev/ttyS3, or $KOV_COM1 to $KOV_COM4)\n"
    "  --list FILE         print a program as text\n"
    "  --tokenise IN OUT   write a text program in the tokenised program format\n"
    "  --bundle PROGRAM -o APP\n"
    "                      write a standalone executable running PROGRAM\n"
    "  --help              show this help\n"
    "  --version           show the version and the features built in\n";

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

std::string with_extension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".kov";
    return path;
}

// Signals end the engine the orderly way: the interpreter sees the quit
// flag at its next poll and closes its files on the way out. SIGINT is
// the Escape key; a second one while the first is pending quits.
kov::host::Host* g_host = nullptr;
volatile sig_atomic_t g_signal = 0;

void on_signal(int sig) {
    if (!g_host) return;
    if (sig == SIGINT && !(g_host->flags.load() & kov::host::flag::Escape)) {
        g_host->flags.fetch_or(kov::host::flag::Escape);
        return;
    }
    g_signal = sig;
    g_host->flags.fetch_or(kov::host::flag::Quit);
}

void install_signal_handlers(kov::host::Host& host) {
    g_host = &host;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string keys;
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
            std::printf("kov %s\nfeatures: headless\n", KOV_VERSION_STRING);
            return 0;
        }
        if (a == "--headless") continue;
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
            std::vector<uint8_t> image;
            std::string error;
            if (!kov::host::load_program_file(args[i + 1], image, error)) return usage_error(error);
            std::string text = kov::interp::list_program(image.data(), image.size(), error);
            if (!error.empty()) return usage_error(args[i + 1] + ": " + error);
            std::fwrite(text.data(), 1, text.size(), stdout);
            return 0;
        }
        if (a == "--tokenise" || a == "--tokenize") {
            if (i + 2 >= args.size()) return usage_error("--tokenise needs an input and an output file");
            std::vector<uint8_t> image;
            std::string error;
            if (!kov::host::load_program_file(args[i + 1], image, error)) return usage_error(error);
            std::ofstream out(args[i + 2], std::ios::binary | std::ios::trunc);
            if (!out || !out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size())))
                return usage_error("cannot write " + args[i + 2]);
            return 0;
        }
        if (a == "--bundle") {
            if (i + 3 >= args.size() || args[i + 2] != "-o") return usage_error("usage: --bundle PROGRAM -o APP");
            std::vector<uint8_t> image;
            std::string error;
            if (!kov::host::load_program_file(args[i + 1], image, error)) return usage_error(error);
            if (!kov::host::write_bundle(self_path(), image, args[i + 3], error)) return usage_error(error);
            return 0;
        }
        return usage_error("unknown option " + a);
    }

    kov::host::HeadlessHost host(0);
    host.queue_keys(keys);

    std::vector<uint8_t> image;
    std::string tail;
    if (kov::host::read_appended_image(self_path(), image)) {
        for (size_t k = i; k < args.size(); ++k) tail += (k > i ? " " : "") + args[k];
    } else {
        if (i >= args.size()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        std::string error;
        if (!kov::host::load_program_file(with_extension(args[i]), image, error)) {
            std::fprintf(stderr, "kov: %s\n", error.c_str());
            return 2;
        }
        for (size_t k = i + 1; k < args.size(); ++k) tail += (k > i + 1 ? " " : "") + args[k];
    }
    install_signal_handlers(host);
    int status = kov::host::run_image(image, host, tail);
    host.flush_output();
    if (g_signal) return 128 + g_signal;
    return status;
}
