// Machine code that never returns is stopped by Escape and quit from
// another thread; the stop is a trappable Escape error. Also reports the
// emulator's speed on a loop of simple integer instructions.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "host/headless/headless_host.h"
#include "host/machine.h"
#include "interp/interp.h"
#include "interp/program_text.h"
#include "tests/unit/test_support.h"
#include "host/screen.h"

namespace kov::interp {
namespace {

// The program's machine code stores 1 at the address in Z% once it runs;
// `when_running` is called on another thread after that.
std::string run_with(const char* text, const std::function<void(host::HeadlessHost&)>& when_running,
                     int* status = nullptr) {
    TextLoadResult r = tokenise_program(text, "machine");
    EXPECT_EQ(r.error, "");
    Memory& mem = test::shared_memory();
    std::memcpy(Memory::ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
    std::FILE* out = std::tmpfile();
    EXPECT_NE(out, nullptr);
    {
        host::HeadlessHost host(-1, out);
        Interp in(mem, host);
        host::Screen screen{in, host};
        std::atomic<bool> finished{false};
        std::thread other([&] {
            // Wait for the marker the code writes (no time limit: the test's
            // own limit fails a program that never gets there).
            while (!finished.load()) {
                uint32_t marker = mem.fixed32(4 * ('Z' - '@'));
                if (marker && mem.valid(marker, 4) && mem.read32(marker) == 1) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (!finished.load()) when_running(host);
        });
        int rc = in.run_program("");
        if (status) *status = rc;
        finished = true;
        other.join();
    }
    std::fflush(out);
    std::string printed;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) printed += static_cast<char>(c);
    std::fclose(out);
    return printed;
}

const char* kEndless =
    "DIM code% 64, flag% 4 : !flag% = 0 : Z% = flag%\n"
    "P% = code%\n"
    "[OPT 0\n"
    "MOV DWORD [flag%], 1\n"
    ".forever INC EAX : JMP forever\n"
    "]\n"
    "ON ERROR PRINT \"stopped \"; ERR; \" \"; REPORT$ : END\n"
    "CALL code%\n"
    "PRINT \"returned\"\n";

TEST(Machine, EscapeStopsAnEndlessLoop) {
    std::chrono::steady_clock::time_point raised;
    std::string out = run_with(kEndless, [&](host::HeadlessHost& host) {
        raised = std::chrono::steady_clock::now();
        host.flags.fetch_or(host::flag::Escape);
    });
    const auto latency = std::chrono::steady_clock::now() - raised;
    EXPECT_EQ(out, "stopped 17 Escape\n");
    std::printf("Escape to the end of the run: %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(latency).count()));
}

TEST(Machine, QuitEndsAnEndlessLoop) {
    int status = -1;
    std::string out = run_with(kEndless, [](host::HeadlessHost& host) { host.flags.fetch_or(host::flag::Quit); },
                               &status);
    EXPECT_EQ(out.find("returned"), std::string::npos);
    EXPECT_EQ(out.find("stopped"), std::string::npos);
}

TEST(Machine, Speed) {
    // 5 instructions a round, 40 million rounds.
    const char* program =
        "DIM code% 64, flag% 4 : Z% = 0\n"
        "P% = code%\n"
        "[OPT 0\n"
        "MOV ECX, 40000000\n"
        ".loop ADD EAX, 3 : XOR EBX, EAX : SUB EDX, 1 : DEC ECX : JNZ loop\n"
        "RET\n"
        "]\n"
        "A% = 0 : T% = TIME : PRINT USR(code%) : PRINT TIME - T%\n";
    const auto start = std::chrono::steady_clock::now();
    std::string out = run_with(program, [](host::HeadlessHost&) {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(out.substr(0, out.find('\n')), " 120000000");
    std::printf("machine code: %.0f million instructions per second\n", 200.0 / seconds);
}

}  // namespace
}  // namespace kov::interp
