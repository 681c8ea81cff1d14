// Long-running single statements still see the quit flag: a program that
// prints thousands of millions of spaces ends when the host asks it to.
// Flags raised while statements run are looked at between statements and
// change nothing else.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
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
    std::memcpy(Memory::unchecked_ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
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

// Runs `text` and returns what it printed. `meanwhile` runs on another
// thread while the program runs, with the host and a flag that becomes
// true when the program has ended.
std::string run_printing(const char* text,
                         const std::function<void(host::HeadlessHost&, const std::atomic<bool>&)>& meanwhile) {
    TextLoadResult r = tokenise_program(text, "flags");
    EXPECT_EQ(r.error, "");
    Memory& mem = test::shared_memory();
    std::memcpy(Memory::unchecked_ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
    std::FILE* out = std::tmpfile();
    EXPECT_NE(out, nullptr);
    {
        host::HeadlessHost host(-1, out);
        vdu::Vdu vdu(host);
        Interp in(mem, host);
        in.vdu = &vdu;
        std::atomic<bool> finished{false};
        std::thread other([&] { meanwhile(host, finished); });
        in.run_program("");
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

// With `ticks`, the tick flag (which the loop clears and ignores) is
// raised again and again until the program ends.
std::string run_with_ticks(const char* text, bool ticks) {
    return run_printing(text, [ticks](host::HeadlessHost& host, const std::atomic<bool>& finished) {
        while (ticks && !finished.load()) {
            host.flags.fetch_or(host::flag::Tick);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
}

TEST(Interrupt, FlagsBetweenDecodedStatementsChangeNothing) {
    // Every kind of decoded statement, often enough for the ticks to land
    // between all of them.
    const char* program =
        "DIM V%(9),R(9)\n"
        "S%=0:T=0:C%=0\n"
        "FOR I%=1 TO 60000\n"
        "  S%=(S%+I%) AND &FFFF:V%(I% MOD 10)=S%\n"
        "  R(I% MOD 10)=T/2\n"
        "  T=T+0.5\n"
        "  IF S% AND 1 THEN C%=C%+1 ELSE C%=C%-1\n"
        "  J%=0\n"
        "  REPEAT J%=J%+1:UNTIL J%>=2\n"
        "  WHILE J%>0:J%=J%-1:ENDWHILE\n"
        "  GOSUB 100\n"
        "  N%=FNtwice(I%)\n"
        "NEXT\n"
        "PRINT S%;\" \";T;\" \";C%;\" \";V%(3);\" \";R(7);\" \";N%;\" \";K%\n"
        "END\n"
        "100 K%=K%+1:RETURN\n"
        "DEF FNtwice(A%)=A%*2\n";
    const std::string quiet = run_with_ticks(program, false);
    EXPECT_NE(quiet, "");
    for (int run = 0; run < 3; ++run) EXPECT_EQ(run_with_ticks(program, true), quiet);
}

// The Escape flag is raised once, when the program's counter J% shows
// that its loop is running (not by the clock: a slow start must not let
// Escape arrive before the program has set its handler).
std::string run_until_escape(const char* text) {
    Memory& mem = test::shared_memory();
    constexpr uint32_t kJ = 4 * ('J' - '@');
    mem.set_fixed32(kJ, 0);
    return run_printing(text, [&mem](host::HeadlessHost& host, const std::atomic<bool>& finished) {
        while (!finished.load() && std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(mem.fixed_area() + kJ)).load() < 1000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        host.flags.fetch_or(host::flag::Escape);
    });
}

TEST(Interrupt, EscapeStopsADecodedLoopBetweenStatements) {
    // The loop would run for minutes; Escape is trapped between two of its
    // statements, with every element and counter consistent.
    const char* program =
        "ON ERROR PRINT \"escape \";ERR;\" \";ok%;\" \";(J%=I% OR J%=I%-1):END\n"
        "ok%=TRUE:J%=0\n"
        "DIM V%(9)\n"
        "FOR I%=1 TO 2000000000\n"
        "  V%(I% MOD 10)=I%\n"
        "  IF V%(I% MOD 10)<>I% THEN ok%=FALSE\n"
        "  J%=J%+1\n"
        "NEXT\n"
        "PRINT \"not reached\"\n";
    EXPECT_EQ(run_until_escape(program), "escape 17 -1 -1\n");
}

// Events posted by another thread run their ON handlers between
// statements, in order, as subroutines that return to the interrupted loop.
// A handler's own statements are interrupted too, so each reads the event
// variables in its first statement.
TEST(Interrupt, EventsRunTheirHandlersInOrder) {
    const char* program =
        "ON MOUSE X%=X%*16+@wparam%:M%=M%+1:Y%=@msg%:Z%=@lparam%:RETURN\n"
        "ON CLOSE C%=C%+1:RETURN\n"
        "REPEAT I%=I%+1:UNTIL M%>=3 AND C%>=1\n"
        "PRINT M%;\" \";C%;\" \";~X%;\" \";~Y%;\" \";~Z%\n";
    TextLoadResult r = tokenise_program(program, "events");
    ASSERT_EQ(r.error, "");
    Memory& mem = test::shared_memory();
    std::memcpy(Memory::unchecked_ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        host::HeadlessHost host(-1, out);
        vdu::Vdu vdu(host);
        Interp in(mem, host);
        in.vdu = &vdu;
        std::thread window([&] {
            // Until the program has set its handler, events are refused.
            while (!in.os->post_event(host::EventKind::Close, host::message::Close, 0, 0))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            for (uint32_t i = 1; i <= 3; ++i)
                in.os->post_event(host::EventKind::Mouse, 0x200 + i, i, 0x10000 * i + 7);
        });
        in.run_program("");
        window.join();
    }
    std::rewind(out);
    std::string printed;
    for (int c; (c = std::fgetc(out)) != EOF;) printed += static_cast<char>(c);
    std::fclose(out);
    EXPECT_EQ(printed, "         3 1 123 203 30007\n");
}

TEST(Interrupt, LongSpcRunSeesQuit) {
    // Without a look at the flag this would print for many minutes.
    run_until_quit("FOR I%=1 TO 100:PRINT SPC(2000000000);:NEXT\n");
}

}  // namespace
}  // namespace kov::interp
