// The interpreter's start, the program check, CLEAR, RUN, CHAIN and the
// memory-limit statements PAGE=, LOMEM=, HIMEM=.
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "interp/interp.h"
#include "interp/sys_gdi.h"
#include "interp/program_text.h"
#include "interp/statements.h"
#include "os/channels.h"
#include "values/maths.h"
#include "values/plans.h"

namespace kov::values {
void restore_to_first_data(interp::Interp& in);
}

namespace kov::interp {

namespace {

const char kSignOn[] = "KOV BASIC version " KOV_VERSION_STRING "\r\n";

// Builds the system-variable chain in the fixed area: a head word at
// SysVars, then records (link, name tail, 0, value) linked in order.
// Returns the address of @hfile%(0).
uint32_t build_system_variables(Memory& mem, uint32_t cmd_addr, uint8_t cmd_len, const host::WindowHandles& window) {
    uint32_t handles = 0;
    struct Row { const char* tail; uint32_t value_size; };
    static const Row rows[] = {
        {"memhdc%", 4}, {"prthdc%", 4}, {"wparam%", 4}, {"lparam%", 4}, {"hpal%", 4},
        {"hwnd%", 4},   {"midi%", 4},   {"hcsr%", 4},   {"ispal%", 4},  {"msg%", 4},
        {"hfile%(", 4}, {"vdu%", 4},    {"cmd$", 6},
    };
    uint8_t* f = mem.fixed_area();
    uint32_t off = fixed::SysVars + 4;
    mem.set_fixed32(fixed::SysVars, off);
    uint32_t prev_link = 0;
    for (const Row& r : rows) {
        if (prev_link) mem.set_fixed32(prev_link, off);
        prev_link = off;
        mem.set_fixed32(off, 0);
        size_t n = std::strlen(r.tail);
        std::memcpy(f + off + 4, r.tail, n + 1);
        uint32_t value = off + 4 + static_cast<uint32_t>(n) + 1;
        std::memset(f + value, 0, r.value_size);
        off = value + r.value_size;
        if (std::strcmp(r.tail, "vdu%") == 0) mem.set_fixed32(value, fixed::VduBlock);
        if (std::strcmp(r.tail, "memhdc%") == 0) mem.set_fixed32(value, kMemoryDc);
        if (std::strcmp(r.tail, "hwnd%") == 0) mem.set_fixed32(value, window.hwnd);
        if (std::strcmp(r.tail, "hpal%") == 0) mem.set_fixed32(value, window.hpal);
        if (std::strcmp(r.tail, "hcsr%") == 0) mem.set_fixed32(value, window.hcsr);
        if (std::strcmp(r.tail, "ispal%") == 0) mem.set_fixed32(value, window.ispal);
        if (r.tail[n - 1] == '(') {
            // @hfile%( : one dimension of 13 elements, all in the fixed area.
            mem.set_fixed32(value, off);
            f[off] = 1;
            mem.set_fixed32(off + 1, 13);
            std::memset(f + off + 5, 0, 13 * 4);
            handles = off + 5;
            off += 5 + 13 * 4;
        } else if (r.tail[n - 1] == '$') {
            mem.set_fixed32(value, cmd_addr);
            f[value + 4] = cmd_len;
            f[value + 5] = 0;
        }
    }
    // The sign-on line follows; it is the message REPORT shows before any error.
    std::memcpy(f + off, kSignOn, sizeof kSignOn);
    mem.set_fixed32(fixed::ErrMsgAddr, off);
    return handles;
}

}  // namespace

Interp::Interp(Memory& memory, host::Host& h)
    : mem(memory), host(h), m_os(std::make_unique<os::Os>(memory, h)) {
    os = m_os.get();
    m_text_cache = new TextCacheEntry[kTextCacheSize];
    m_formal_plans = new FormalPlan[kFormalPlans];
    m_local_plans = new LocalPlan[kLocalPlans];
    // Every store that reaches program or library text makes what the
    // caches remember about the text stale.
    mem.set_watcher([](void* self, uint32_t, uint32_t) { static_cast<Interp*>(self)->flush_text_cache(); }, this);
    files = &os->files();
    m_console = make_console(*this);
    os->set_console(m_console.get());
}
Interp::~Interp() {
    mem.set_watcher(nullptr, nullptr);
    delete[] m_text_cache;
    delete[] m_formal_plans;
    delete[] m_local_plans;
}

void Interp::flush_text_cache() {
    for (uint32_t i = 0; i < kTextCacheSize; ++i) m_text_cache[i].key = 0;
    for (uint32_t i = 0; i < kFormalPlans; ++i) m_formal_plans[i].key = 0;
    for (uint32_t i = 0; i < kLocalPlans; ++i) m_local_plans[i].key = 0;
    for (auto& entry : m_line_cache) entry[1] = 0;
    m_compiler.flush();
    m_plans.flush();
}

void Interp::init_fixed_area(std::string_view command_tail) {
    uint8_t* f = mem.fixed_area();
    std::memset(f, 0, fixed::Size);
    mem.set_fixed32(fixed::AtPercent, 0x90A);
    mem.set_fixed8(fixed::Options, 0x30);
    uint32_t base = mem.base();
    mem.set_fixed32(fixed::AccAddr, base);
    mem.set_fixed32(fixed::ImmAddr, base + 256);
    // @cmd$ points at the command-line tail kept at the top of the region.
    size_t n = command_tail.size() > 255 ? 255 : command_tail.size();
    std::memcpy(Memory::unchecked_ptr(mem.cmd_area()), command_tail.data(), n);
    files->set_handle_array(build_system_variables(mem, mem.cmd_area(), static_cast<uint8_t>(command_tail.size()),
                                                  host.window_handles()));
    uint32_t himem = mem.committed_top() - 4;
    std::memset(Memory::unchecked_ptr(himem), 0, 4);
    mem.set_fixed32(fixed::Himem, himem);
    sp = himem;
    uint32_t page = base + Memory::kPageOffset;
    mem.set_fixed32(fixed::Page, page);
    mem.set_fixed32(fixed::StmtPtr, page);
}

bool Interp::program_check(uint32_t start, uint32_t* end_marker) {
    uint32_t a = start;
    uint32_t limit = mem.committed_top();
    for (;;) {
        if (a >= limit || a < mem.base()) return false;
        uint8_t len = *Memory::unchecked_ptr(a);
        if (len == 0) break;
        if (a + len > limit || *Memory::unchecked_ptr(a + len - 1) != 13) return false;
        a += len;
    }
    if (a + 3 > limit) return false;
    if (end_marker) *end_marker = a;
    return true;
}

void Interp::clear() {
    flush_text_cache();
    mem.set_fixed32(fixed::Lomem, top());
    set_heap_top(top());
    std::memset(mem.fixed_area() + fixed::ChainHeads, 0, 54 * 4 + 8);
}

uint32_t Interp::heap_alloc(uint32_t size) {
    uint32_t a = heap_top_checked();
    if (static_cast<uint64_t>(a) + size + 1024u >= sp) raise(Err::NoRoom);
    std::memset(Memory::unchecked_ptr(a), 0, size);
    set_heap_top(a + size);
    return a;
}

// Checks the program at PAGE and sets TOP. Prints "Bad program" and stops
// when the check fails.
static void check_program_or_stop(Interp& in) {
    uint32_t end;
    if (!in.program_check(in.page(), &end)) {
        in.count_text("Bad program");
        in.count_newline();
        in.stop_sequence(1);
    }
    Memory::unchecked_ptr(end)[1] = 0xFF;
    Memory::unchecked_ptr(end)[2] = 0xFF;
    in.mem.set_fixed32(fixed::Top, end + 3);
    in.clear();
}

void Interp::run_from_start() {
    sp = stack_base();
    clear();
    mem.set_fixed32(fixed::OnError, 0);
    mem.set_fixed32(fixed::OnErrorLocalSp, 0);
    for (uint32_t off = fixed::OnTime; off <= fixed::OnMouse; off += 4) mem.set_fixed32(off, 0);
    values::restore_to_first_data(*this);
    goto_line(program_start());
}

int Interp::run_program(std::string_view command_tail) {
    char marker;
    native_stack_floor = native_stack_limit_bytes ? &marker - native_stack_limit_bytes : nullptr;
    int status;
    // The interpreter's end: the host's input stops and the flags byte
    // reads 0 (the host waits for that in its shutdown).
    struct End {
        Interp& in;
        ~End() {
            in.os->stop();
            in.host.flags.store(0);
        }
    } end{*this};
    try {
        init_fixed_area(command_tail);
        vdu_start();
        os->start(vdu);
        check_program_or_stop(*this);
        values::rnd_seed(mem.fixed_area() + fixed::RndSeed, host.centiseconds());
        run_loop(true);
        status = exit_status;
    } catch (const StopRun& s) {
        status = s.status;
    } catch (const BasicError& e) {
        // An error outside any statement (e.g. during start-up).
        host.diagnostic(e.message);
        status = 1;
    }
    // However the program ended, what it wrote reaches its files; data
    // that cannot be written is reported and fails the run.
    std::string lost = files->shutdown();
    if (!lost.empty()) {
        host.diagnostic("data not written to " + lost);
        if (status == 0) status = 1;
    }
    return status;
}

void stmt_clear(Interp& in) {
    in.clear();
    values::restore_to_first_data(in);
}

// Loads a program file at PAGE (tokenised image or plain text) through the
// one loader, and remembers where it came from for diagnostics.
static void load_chained_program(Interp& in, const std::string& name) {
    int64_t room = static_cast<int64_t>(in.sp) - 1024 - in.page();
    if (room <= 1) raise(Err::NoRoom);
    os::LoadedProgram loaded =
        interp::load_program_file(name, static_cast<size_t>(room - 1), os::Separators::AlsoBackslash);
    raise_load_failure(loaded);
    std::memcpy(Memory::unchecked_ptr(in.page()), loaded.image.data(), loaded.image.size());
    in.program_file = loaded.path;
    in.program_text_lines = std::move(loaded.text_lines);
}

void stmt_chain(Interp& in) {
    Value s = in.str_expr();
    std::string name(s.view());
    in.sp = in.stack_base();
    load_chained_program(in, name);
    check_program_or_stop(in);
    in.run_from_start();
}

void stmt_run(Interp& in) {
    if (!in.at_statement_end()) {
        stmt_chain(in);
        return;
    }
    // After PAGE= the text at PAGE may not be a program at all; walking
    // it unchecked could run past the end of memory.
    uint32_t end;
    if (!in.program_check(in.page(), &end)) {
        in.count_text("Bad program");
        in.count_newline();
        in.stop_sequence(1);
    }
    in.run_from_start();
}

void stmt_page(Interp& in) {
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    uint32_t n = static_cast<uint32_t>(in.int_expr());
    if (n < in.mem.base() || n + 1024u < n || n + 1024u >= in.sp) raise(Err::AddressOutOfRange);
    in.mem.set_fixed32(fixed::Page, n);
    in.flush_text_cache();
}

void stmt_lomem(Interp& in) {
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    uint32_t n = static_cast<uint32_t>(in.int_expr());
    if (n < in.mem.base() || n + 1024u < n || n + 1024u >= in.sp) raise(Err::AddressOutOfRange);
    in.clear();
    in.mem.set_fixed32(fixed::Lomem, n);
    in.set_heap_top(n);
}

void stmt_himem(Interp& in) {
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    uint32_t n = static_cast<uint32_t>(in.int_expr());
    uint32_t old = in.himem();
    if (in.heap_top() + 1024u < in.heap_top() || n < in.heap_top() + 1024u) raise(Err::NoRoom);
    if (n >= old) {
        if (n + 4u < n || !in.os->commit_memory(n + 4)) raise(Err::NoRoom);
    }
    in.mem.set_fixed32(fixed::Himem, n);
    if (in.sp == old) in.sp = n;
    uint32_t lib = in.mem.fixed32(fixed::LibStart);
    if (lib && n > lib) {
        in.mem.set_fixed32(fixed::LibStart, 0);
        in.mem.set_fixed32(fixed::FnChain, 0);
        in.mem.set_fixed32(fixed::ProcChain, 0);
        in.flush_text_cache();
    }
}

}  // namespace kov::interp
