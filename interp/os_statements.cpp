// The interpreter's side of the OS layer: OSWRCH and OSCLI as the
// statements reach them, star-command outcomes turned into BASIC errors,
// the delivery of queued events between statements, the waiting poll,
// QUIT, and the memory commit behind HIMEM= and INSTALL.
#include <cstring>
#include <string>

#include "interp/frames.h"
#include "interp/interp.h"
#include "interp/statements.h"
#include "vdu/vdu.h"

namespace kov::interp {

void Interp::oswrch(uint8_t c) { os->oswrch(c); }

void Interp::vdu_reset() {
    vdu->reset();
    os->reset_stream();
}

void Interp::oscli(std::string_view command) {
    os::Outcome r = os->oscli(command);
    switch (r.kind) {
        case os::Outcome::Done:
            return;
        case os::Outcome::Error:
            raise(r.number, r.message);
        case os::Outcome::Quit:
            close_all_files(*this);
            quit(0);
        case os::Outcome::OptionsChanged:
            // Name matching and literals depend on the options.
            flush_text_cache();
            return;
    }
}

void Interp::poll_waiting() {
    for (;;) {
        uint8_t f = host.flags.load();
        if (f & host::flag::Quit) throw StopRun{exit_status};
        if (f & host::flag::Tick) {
            host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Tick));
            if (vdu) vdu->flash_tick();
            continue;
        }
        if (f & host::flag::Escape) {
            host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Escape));
            os->flush_keys();
            raise(Err::Escape);
        }
        return;
    }
}

namespace {

// The value address of the system variable @<tail> in the fixed area
// (0 when the chain does not hold it: a program may have overwritten it).
uint32_t system_variable(Memory& mem, const char* tail) {
    const size_t n = std::strlen(tail);
    uint32_t rec = mem.fixed32(fixed::SysVars);
    for (int steps = 0; steps < 64 && rec >= fixed::SysVars && rec + 4 + n + 1 + 4 <= fixed::Size; ++steps) {
        const uint8_t* name = mem.fixed_area() + rec + 4;
        if (std::memcmp(name, tail, n + 1) == 0) return rec + 4 + static_cast<uint32_t>(n) + 1;
        rec = mem.fixed32(rec);
    }
    return 0;
}

}  // namespace

bool Interp::deliver_event() {
    os::EventRecord e;
    if (!os->take_event(e)) return false;
    const struct { const char* name; uint32_t value; } vars[] = {
        {"lparam%", e.lparam}, {"wparam%", e.wparam}, {"msg%", e.message}};
    for (const auto& v : vars)
        if (uint32_t a = system_variable(mem, v.name)) mem.set_fixed32(a, v.value);
    // The record lies in memory the program can write: its handler must
    // point into the program or a library to be followed.
    const uint32_t h = e.handler;
    const uint32_t lib = mem.fixed32(fixed::LibStart);
    const bool in_text = (h >= page() && h < top()) || (lib && h >= lib && mem.valid(h, 1));
    if (!h || !in_text) return false;
    // The handler runs as a subroutine that RETURN leaves for the
    // statement the event interrupted.
    push_room_check(kLinkFrame);
    push32(Memory::addr(p));
    push32(ftag::Gosub);
    p = Memory::unchecked_ptr(h);
    return true;
}

int Interp::get_key(int timeout_cs) {
    int k = timeout_cs < 0 ? os->osrdch() : os->inkey_wait(timeout_cs);
    if (k == os::kQuit) throw StopRun{exit_status};
    return k;
}

int Interp::read_key(int timeout_cs) {
    int k = get_key(timeout_cs);
    if (host.flags.load() & host::flag::Escape) poll_waiting();
    return k;
}

void Interp::quit(int status) {
    exit_status = status;
    host.close_request();
    for (;;) {
        if (host.flags.load() & host::flag::Quit) throw StopRun{status};
        host.sleep_ms(10);
    }
}

void stmt_quit(Interp& in) {
    int status = in.at_statement_end() ? 0 : in.int_expr() & 0xFF;
    close_all_files(in);
    in.quit(status);
}

}  // namespace kov::interp
