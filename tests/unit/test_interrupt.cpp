// Long-running single statements still see the quit flag: a program that
// prints thousands of millions of spaces ends when the host asks it to.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "host/headless/headless_host.h"
#include "interp/interp.h"
#include "interp/program_text.h"
#include "tests/unit/test_support.h"
#include "vdu/vdu.h"

namespace kov::interp {
namespace {

// Runs `text` while another thread raises the quit flag; returns once the
// program has ended (a statement that never looks at the flag would keep
// the test from ending, and the test's time limit would fail it).
void run_until_quit(const char* text) {
    TextLoadResult r = tokenise_program(text, "interrupt");
    ASSERT_EQ(r.error, "");
    Memory& mem = test::shared_memory();
    std::memcpy(Memory::ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
    std::FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    host::HeadlessHost host(-1, sink);
    vdu::Vdu vdu(host);
    Interp in(mem, host);
    in.vdu = &vdu;
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::thread quitter([&] {
        std::unique_lock<std::mutex> hold(lock);
        if (!done.wait_for(hold, std::chrono::milliseconds(20), [&] { return finished; }))
            host.flags.fetch_or(host::flag::Quit);
    });
    in.run_program("");
    {
        std::lock_guard<std::mutex> hold(lock);
        finished = true;
    }
    done.notify_one();
    quitter.join();
    std::fclose(sink);
}

TEST(Interrupt, LongSpcRunSeesQuit) {
    // Without a look at the flag this would print for many minutes.
    run_until_quit("FOR I%=1 TO 100:PRINT SPC(2000000000);:NEXT\n");
}

}  // namespace
}  // namespace kov::interp
