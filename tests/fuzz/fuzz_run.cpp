// Fuzz whole programs: the input is taken as a plain-text program, loaded
// as the command line would load it, and run headless with no keyboard
// input. A watchdog raises the quit flag after a short time, so programs
// that loop for ever end too. BASIC errors and every way a program can
// stop are expected outcomes; crashes, hangs and leaks are not.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "host/headless/headless_host.h"
#include "interp/interp.h"
#include "interp/memory.h"
#include "interp/program_text.h"
#include "host/screen.h"

using namespace kov;
using namespace kov::interp;

namespace {

Memory& memory() {
    static Memory m;
    static bool mapped = m.map();
    if (!mapped) std::abort();
    return m;
}

std::FILE* sink() {
    static std::FILE* f = std::fopen("/dev/null", "w");
    return f;
}

}  // namespace

// Programs may call SYS: keep them away from files and native functions.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KOV_SYS_SANDBOX", "1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2000) return 0;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    TextLoadResult r = tokenise_program(text, "fuzz");
    if (!r.error.empty()) return 0;
    if (r.image.size() + Memory::kPageOffset >= Memory::kInitialCommit) return 0;

    Memory& mem = memory();
    std::memset(Memory::unchecked_ptr(mem.base()), 0, Memory::kPageOffset);
    std::memcpy(Memory::unchecked_ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
    host::HeadlessHost host(-1, sink());
    // Random programs must not delete files, start programs or set the clock.
    host.allow_files = false;
    host.allow_programs = false;
    host.allow_clock = false;
    Interp in(mem, host);
    host::Screen screen{in, host};
    in.native_stack_limit_bytes = size_t{1} << 20;

    // The watchdog: quit after 50 ms unless the program has ended.
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> hold(lock);
        if (!done.wait_for(hold, std::chrono::milliseconds(50), [&] { return finished; }))
            host.flags.fetch_or(host::flag::Quit);
    });
    in.run_program("");
    {
        std::lock_guard<std::mutex> hold(lock);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    return 0;
}
