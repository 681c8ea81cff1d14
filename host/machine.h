// Machine code and native calls: the x86-32 CPU that runs CALL, USR and
// assembled code over the BASIC memory, the trap entries through which
// that code reaches the engine, and calls into the process's own
// libraries. Built on Unicorn when it is available; without it every run
// reports that machine code is not available.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace kov::host {

struct CpuRegs {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0, esi = 0, edi = 0, ebp = 0, esp = 0;
    uint32_t eflags = 0x202;
};

// What machine code reaches through a trap entry.
class TrapHandler {
public:
    virtual ~TrapHandler() = default;
    // Trap entry `index` was called. `args` are the 16 words above the
    // return address; the handler may change `regs` (EAX is the result).
    virtual void trap(uint32_t index, CpuRegs& regs, const uint32_t* args) = 0;
};

enum class RunEnd : uint8_t {
    Returned,     // the code returned to the engine
    Stopped,      // stop() was called (Escape, quit)
    Unmapped,     // read, write or fetch outside the memory it may reach
    Divide,       // divide error
    Invalid,      // invalid instruction or another processor exception
    Unavailable,  // no CPU emulator in this build
};

struct RunResult {
    RunEnd end = RunEnd::Returned;
    uint32_t address = 0;   // where a fault happened
};

class Machine {
public:
    static constexpr uint32_t kTrapEntries = 1024;
    static constexpr uint32_t kTrapEntrySize = 16;

    virtual ~Machine() = default;
    virtual bool available() const = 0;
    // The 32-bit address of trap entry `index`, and whether an address is one.
    virtual uint32_t trap_address(uint32_t index) const = 0;
    virtual bool trap_index(uint32_t address, uint32_t& index) const = 0;
    // How trap entry `index` returns: RET, or RET n removing `pop` bytes.
    virtual void set_trap_return(uint32_t index, uint16_t pop) = 0;
    // Runs the code at `entry` on the machine-code stack with `regs`. A
    // far frame (marker -1, code segment, return point) lets the code end
    // with a near or a far return; otherwise `args` are pushed as for a
    // call (first argument at the lowest address) under a near return
    // address, and the stack pointer is restored afterwards. The final
    // registers are left in `regs`. Exceptions thrown by the handler are
    // carried out of the run.
    virtual RunResult run(uint32_t entry, CpuRegs& regs, const uint32_t* args, int nargs, bool far_frame,
                          TrapHandler& handler) = 0;
    // Ends a run from another thread (Escape, quit).
    virtual void stop() = 0;
    // The engine wrote [addr, addr + len): forget what was translated there.
    virtual void code_changed(uint32_t addr, uint32_t len) = 0;
    // The machine-code stack (system functions may be handed pointers into it).
    virtual void stack_block(uint32_t& addr, uint32_t& size) const = 0;
    // Makes a host block reachable by machine code at its own address.
    virtual bool map_block(void* host, uint32_t size) = 0;
};

// The machine over the BASIC memory [base, base + size). `flags` and
// `stop_mask`: a watcher stops a run within a few milliseconds once any
// of those flags is raised.
std::unique_ptr<Machine> make_machine(uint32_t base, uint32_t size, std::atomic<uint8_t>* flags, uint8_t stop_mask);

// Calls a native function of the process (found through Native) with
// 32-bit integer arguments (pointers into the BASIC memory fit).
uint32_t call_native(void* fn, const uint32_t* args, int nargs);
// A block of zeroed host memory below 4 GiB (0 on failure), and its release.
uint32_t alloc_low(uint32_t size);
void free_low(uint32_t addr, uint32_t size);

}  // namespace kov::host
