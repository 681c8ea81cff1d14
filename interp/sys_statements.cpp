// SYS, CALL and USR: system functions by name or address and machine
// code run on the CPU emulator (host/machine.h).
//
// Every function a program can reach has a trap entry: a 32-bit address
// in a page the CPU treats as code. Machine code that calls one, SYS by
// name and SYS by its address all arrive at the same implementation:
//   entries 0..11   the built-in entry points (osbget ... csleave)
//   entries 16..    the Windows functions implemented here (sys_windows.cpp)
//   then            functions of the process's own libraries (dlsym)
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/machine.h"
#include "interp/interp.h"
#include "interp/machine_code.h"
#include "interp/statements.h"
#include "interp/sys_gdi.h"
#include "interp/sys_windows.h"
#include "values/functions.h"

namespace kov::interp {

namespace {

constexpr uint32_t kBuiltinCount = 12;
constexpr const char* kBuiltins[kBuiltinCount] = {"osbget", "osbput", "osrdch", "osasci", "osnewl", "oswrch",
                                                  "osword", "osbyte", "oscli",  "oskey",  "csenter", "csleave"};
constexpr uint32_t kFirstWindows = 16;

// OSWORD: reason 10 copies the 8-byte pattern of the character code in
// the block's first byte into the next 8 bytes.
void os_word(Interp& in, uint8_t reason, uint32_t block) {
    if (reason != 10) return;
    uint8_t code = in.mem.read8(block);
    uint8_t pattern[8] = {};
    character_pattern(in, code, pattern);
    for (int i = 0; i < 8; ++i) in.mem.write8(block + 1 + static_cast<uint32_t>(i), pattern[i]);
}

// OSBYTE: the character at the text cursor in bits 8..15.
uint32_t os_byte(Interp& in, uint8_t reason, uint32_t, uint32_t) {
    return (static_cast<uint32_t>(character_at_cursor(in)) << 8) | reason;
}

struct Function {
    std::string name;
    void* native = nullptr;            // a function of the process (dlsym)
    const WinFunction* win = nullptr;  // one of the Windows functions
};

struct MachineState {
    std::unique_ptr<host::Machine> machine;
    std::vector<Function> functions;   // by trap index
    std::unordered_map<std::string, uint32_t> by_name;
    uint32_t last_block = 0;           // EBP for USR: the last CALL's parameter block
    bool sandbox = false;
    bool lock_held = false;            // csenter has taken the drawing lock
    std::vector<std::pair<uint32_t, uint32_t>> handed;   // blocks mapped for the CPU
};

MachineState& state(Interp& in) {
    if (!in.machine_state) {
        auto s = std::make_shared<MachineState>();
        s->machine = host::make_machine(in.mem.base(), interp::Memory::kReserveSize, &in.host.flags,
                                        host::flag::Escape | host::flag::Quit);
        uint32_t stack = 0, stack_size = 0;
        s->machine->stack_block(stack, stack_size);
        if (stack_size && !in.mem.valid(stack, stack_size)) in.mem.register_region(stack, stack_size);
        s->functions.resize(kFirstWindows);
        for (uint32_t i = 0; i < kBuiltinCount; ++i) s->functions[i].name = kBuiltins[i];
        // KOV_SYS_SANDBOX (the fuzz targets set it): no functions of the
        // process's libraries and none that change files.
        s->sandbox = std::getenv("KOV_SYS_SANDBOX") != nullptr;
        for (auto tables : {windows_functions, gdi_functions}) {
            size_t n = 0;
            const WinFunction* table = tables(n);
            for (size_t i = 0; i < n; ++i) {
                if (s->sandbox && table[i].changes_files) continue;
                uint32_t index = static_cast<uint32_t>(s->functions.size());
                s->functions.push_back(Function{table[i].name, nullptr, &table[i]});
                s->by_name.emplace(table[i].name, index);
                // Windows functions remove their arguments.
                s->machine->set_trap_return(index, static_cast<uint16_t>(4 * table[i].args));
            }
        }
        in.machine_state = s;
    }
    return *static_cast<MachineState*>(in.machine_state.get());
}

// Step 3 of the lookup for one spelling: the Windows functions, then the
// process's libraries.
uint32_t lookup_libraries(Interp& in, MachineState& s, const std::string& name) {
    auto it = s.by_name.find(name);
    if (it != s.by_name.end()) return s.machine->trap_address(it->second);
    void* fn = s.sandbox || name.empty() ? nullptr : in.host.find_function(name);
    if (!fn) return 0;
    const uint32_t index = static_cast<uint32_t>(s.functions.size());
    if (index + 1 >= host::Machine::kTrapEntries) return 0;
    s.functions.push_back(Function{name, fn, nullptr});
    s.by_name.emplace(name, index);
    return s.machine->trap_address(index);
}

std::string hex_address(uint32_t a) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "&";
    for (int i = 7; i >= 0; --i) s.push_back(kHex[(a >> (4 * i)) & 15]);
    return s;
}

void release_lock(Interp& in, MachineState& s) {
    if (s.lock_held) {
        in.host.drawing_lock().unlock();
        s.lock_held = false;
    }
}

// Calls trap entry `index`: built-ins take registers, the others their
// arguments.
void call_function(Interp& in, MachineState& s, uint32_t index, host::CpuRegs& r, const uint32_t* args) {
    if (index >= s.functions.size()) raise(Err::NoSuchSystemCall);
    const Function& f = s.functions[index];
    if (f.win) {
        r.eax = f.win->fn(in, args);
        return;
    }
    if (f.native) {
        r.eax = host::call_native(f.native, args, 16);
        return;
    }
    const uint8_t a = static_cast<uint8_t>(r.eax);
    switch (index) {
        case 0:  // osbget: EBX channel -> AL
            if (!in.files) not_available("osbget");
            r.eax = in.files->read_byte(static_cast<int>(r.ebx & 0xFF));
            return;
        case 1:  // osbput: EBX channel, AL byte
            if (!in.files) not_available("osbput");
            in.files->write_byte(static_cast<int>(r.ebx & 0xFF), a);
            return;
        case 2:  // osrdch -> AL
            r.eax = static_cast<uint32_t>(in.read_key(-1)) & 0xFF;
            return;
        case 3:  // osasci: AL, CR as LF CR
            if (a == 13) in.oswrch(10);
            in.oswrch(a);
            return;
        case 4:  // osnewl
            in.oswrch(10);
            in.oswrch(13);
            return;
        case 5:  // oswrch: AL
            in.oswrch(a);
            return;
        case 6:  // osword: AL reason, EDX block
            os_word(in, a, r.edx);
            return;
        case 7:  // osbyte: AL reason -> EAX
            r.eax = os_byte(in, a, r.ebx, r.ecx);
            return;
        case 8: {  // oscli: EDX command ended by CR
            std::string cmd;
            for (uint32_t p = r.edx;; ++p) {
                uint8_t c = in.mem.read8(p);
                if (c == 13 || cmd.size() >= 255) break;
                cmd.push_back(static_cast<char>(c));
            }
            in.oscli(cmd);
            return;
        }
        case 9:  // oskey: ECX time-out in centiseconds -> EAX key or -1
            r.eax = static_cast<uint32_t>(in.read_key(static_cast<int32_t>(r.ecx)));
            return;
        case 10:  // csenter: the drawing lock
            if (!s.lock_held) {
                in.host.drawing_lock().lock();
                s.lock_held = true;
            }
            return;
        case 11:  // csleave
            release_lock(in, s);
            return;
        default:
            raise(Err::NoSuchSystemCall);
    }
}

class Traps final : public host::TrapHandler {
public:
    Traps(Interp& in, MachineState& s) : m_in(in), m_s(s) {}
    void trap(uint32_t index, host::CpuRegs& regs, const uint32_t* args) override {
        call_function(m_in, m_s, index, regs, args);
    }

private:
    Interp& m_in;
    MachineState& m_s;
};

// Runs machine code and turns the way it ended into BASIC errors.
void run_code(Interp& in, MachineState& s, uint32_t entry, host::CpuRegs& regs, const uint32_t* args, int nargs,
              bool far_frame) {
    Traps traps(in, s);
    const uint8_t* saved_p = in.p;
    host::RunResult r;
    try {
        r = s.machine->run(entry, regs, args, nargs, far_frame, traps);
    } catch (...) {
        release_lock(in, s);
        in.p = saved_p;
        throw;
    }
    // Code that ends holding the drawing lock would stop the window.
    release_lock(in, s);
    in.p = saved_p;
    switch (r.end) {
        case host::RunEnd::Returned:
            return;
        case host::RunEnd::Stopped:
            in.poll();
            raise(Err::Escape);
        case host::RunEnd::Unmapped:
            raise(8, "Address out of range in machine code at " + hex_address(r.address));
        case host::RunEnd::Divide:
            raise(18, "Division by zero in machine code at " + hex_address(r.address));
        case host::RunEnd::Invalid:
            raise(254, "Bad instruction in machine code at " + hex_address(r.address));
        case host::RunEnd::Unavailable:
            not_available("Machine code");
    }
}

// The fixed operating-system addresses &FFE0..&FFFF: A% is the character
// or reason code, X% + 256 * Y% the block address.
uint32_t fixed_service(Interp& in, uint32_t address) {
    const uint8_t a = static_cast<uint8_t>(in.static_int('A' - '@'));
    const uint32_t block = (static_cast<uint32_t>(in.static_int('X' - '@')) & 0xFF) +
                           (static_cast<uint32_t>(in.static_int('Y' - '@')) << 8);
    switch (address) {
        case 0xFFE0:
            return static_cast<uint32_t>(in.read_key(-1)) & 0xFF;
        case 0xFFE3:
            if (a == 13) in.oswrch(10);
            in.oswrch(a);
            return a;
        case 0xFFE7:
            in.oswrch(10);
            in.oswrch(13);
            return a;
        case 0xFFEE:
            in.oswrch(a);
            return a;
        case 0xFFF1:
            os_word(in, 10, block);
            return a;
        case 0xFFF4:
            return os_byte(in, 135, 0, 0);
        case 0xFFF7: {
            std::string cmd;
            for (uint32_t p = block;; ++p) {
                uint8_t c = in.mem.read8(p);
                if (c == 13 || cmd.size() >= 255) break;
                cmd.push_back(static_cast<char>(c));
            }
            in.oscli(cmd);
            return a;
        }
        default:
            return a;
    }
}

// CALL and USR: the register image and the run.
uint32_t machine_call(Interp& in, uint32_t address, uint32_t block) {
    if (address < 0x10000) {
        if (address < 0xFFE0) raise(Err::AddressOutOfRange);
        return fixed_service(in, address);
    }
    MachineState& s = state(in);
    host::CpuRegs r;
    r.eax = static_cast<uint32_t>(in.static_int('A' - '@'));
    r.ebx = static_cast<uint32_t>(in.static_int('B' - '@'));
    r.ecx = static_cast<uint32_t>(in.static_int('C' - '@'));
    r.edx = static_cast<uint32_t>(in.static_int('D' - '@'));
    r.ebp = block;
    // Flags from F%: trap flag clear, interrupt flag set.
    r.eflags = ((static_cast<uint32_t>(in.static_int('F' - '@')) & 0xFFFF) & ~0x100u) | 0x202u;
    uint32_t index;
    if (s.machine->trap_index(address, index)) {
        uint32_t none[16] = {};
        call_function(in, s, index, r, none);
        return r.eax;
    }
    run_code(in, s, address, r, nullptr, 0, true);
    return r.eax;
}

}  // namespace

uint32_t system_address(Interp& in, std::string_view name) {
    std::string n(name);
    for (uint32_t i = 0; i < kBuiltinCount; ++i)
        if (n == kBuiltins[i]) return state(in).machine->trap_address(i);
    MachineState& s = state(in);
    if (uint32_t a = lookup_libraries(in, s, n)) return a;
    if (n.empty() || n.back() != 'A') {
        if (uint32_t a = lookup_libraries(in, s, n + "A")) return a;
    }
    return 0;
}

bool hand_block(Interp& in, uint32_t addr, uint32_t size) {
    MachineState& s = state(in);
    bool mapped = false;
    for (const auto& h : s.handed) mapped |= h.first == addr && h.second == size;
    if (!mapped) {
        if (s.machine->available() &&
            !s.machine->map_block(reinterpret_cast<void*>(static_cast<uintptr_t>(addr)), size))
            return false;
        s.handed.emplace_back(addr, size);
    }
    if (!in.mem.valid(addr, size)) in.mem.register_region(addr, size);
    return in.mem.valid(addr, size);
}

void code_written(Interp& in, uint32_t addr, uint32_t len) {
    if (in.machine_state) state(in).machine->code_changed(addr, len);
}

uint32_t sys_call(Interp& in, uint32_t address, const uint32_t* args, int nargs) {
    MachineState& s = state(in);
    host::CpuRegs r;
    uint32_t index;
    if (s.machine->trap_index(address, index)) {
        uint32_t all[16] = {};
        for (int i = 0; i < nargs && i < 16; ++i) all[i] = args[i];
        // Built-ins called by SYS take their registers from the arguments.
        r.eax = all[0];
        r.ebx = all[1];
        r.ecx = all[2];
        r.edx = all[3];
        call_function(in, s, index, r, all);
        return r.eax;
    }
    run_code(in, s, address, r, args, nargs, false);
    return r.eax;
}

// The value of @memhdc% (0: none).
uint32_t memhdc(Interp& in) {
    static const uint8_t kName[] = "@memhdc%\r";
    VarRef ref;
    const uint8_t* end = kName;
    if (in.find_var_name(kName, ref, end) != Lookup::Found || ref.type != vtype::Int) return 0;
    return static_cast<uint32_t>(values::to_int(in.load_num(ref)));
}

// SYS func [, arg]... [TO var]
void stmt_sys(Interp& in) {
    const uint32_t saved_sp = in.sp;
    Value f = in.expr();
    uint32_t address;
    if (f.is_str) {
        std::string name(f.view());
        address = system_address(in, name);
        if (!address) raise(Err::NoSuchSystemCall);
    } else {
        const int32_t a = in.to_int(f.num);
        if (a < 0x10000) raise(Err::AddressOutOfRange);
        address = static_cast<uint32_t>(a);
    }
    uint32_t args[16] = {};
    int n = 0;
    while (in.skip_spaces() == ',') {
        // More than 16 arguments: the statement is rejected before the call.
        if (n == 16) raise(Err::SyntaxError);
        ++in.p;
        Value v = in.expr();
        if (v.is_str) {
            // A NUL-terminated copy on the BASIC stack.
            in.push_room_check(v.str_len + 8u);
            in.sp -= (v.str_len + 4u) & ~3u;
            std::memmove(Memory::ptr(in.sp), Memory::ptr(v.str_addr), v.str_len);
            Memory::ptr(in.sp)[v.str_len] = 0;
            args[n++] = in.sp;
        } else {
            args[n++] = static_cast<uint32_t>(in.to_int(v.num));
        }
    }
    // A call handed the memory device context draws into the shadow
    // bitmap: it holds the drawing lock.
    bool lock = false;
    if (const uint32_t hdc = memhdc(in)) {
        for (int i = 0; i < n; ++i) lock |= args[i] == hdc;
    }
    MachineState& ms = state(in);
    if (lock && !ms.lock_held) {
        in.host.drawing_lock().lock();
        ms.lock_held = true;
    }
    uint32_t result;
    try {
        result = sys_call(in, address, args, n);
    } catch (...) {
        if (lock) release_lock(in, ms);
        in.sp = saved_sp;
        throw;
    }
    if (lock) release_lock(in, ms);
    in.sp = saved_sp;
    if (in.skip_spaces() == 0xB8) {  // TO
        ++in.p;
        in.skip_spaces();
        VarRef ref = in.get_ref_create();
        if (ref.type == vtype::StrVar || ref.type == vtype::StrMem) raise(Err::TypeMismatch);
        if (ref.type & vtype::Array) raise(Err::BadUseOfArray);
        in.store_num(ref, values::num_int(static_cast<int32_t>(result)));
    }
}

// CALL address [, var]...
void stmt_call(Interp& in) {
    const int32_t address = in.int_expr();
    const uint32_t block = in.mem.fixed32(fixed::ImmAddr);
    uint8_t count = 0;
    uint32_t at = block + 1;
    while (in.skip_spaces() == ',') {
        ++in.p;
        VarRef ref;
        if (!in.get_ref(ref)) raise(Err::SyntaxError);
        if (count == 50) raise(Err::SyntaxError);
        in.mem.write8(at, ref.type);
        in.mem.write32(at + 1, ref.addr);
        at += 5;
        ++count;
    }
    in.mem.write8(block, count);
    MachineState& s = state(in);
    s.last_block = block;
    machine_call(in, static_cast<uint32_t>(address), block);
}

}  // namespace kov::interp

namespace kov::values {

// USR(address): runs machine code; the value is EAX.
interp::Value fn_usr(interp::Interp& in) {
    const int32_t address = in.int_factor();
    uint32_t block = in.machine_state ? interp::state(in).last_block : 0;
    return interp::Value::integer(static_cast<int32_t>(interp::machine_call(in, static_cast<uint32_t>(address), block)));
}

}  // namespace kov::values
