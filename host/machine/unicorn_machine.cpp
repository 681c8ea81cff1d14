// The x86-32 CPU for machine code: Unicorn in 32-bit mode with the BASIC
// memory mapped at its own addresses, a stack block and a page of trap
// entries (each a RET the engine can see before it runs).
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include "host/machine.h"

#ifdef KOV_HAVE_UNICORN
#include <unicorn/unicorn.h>
#endif

namespace kov::host {

#ifdef KOV_HAVE_UNICORN

namespace {

constexpr uint32_t kStackSize = 1u << 20;
constexpr uint32_t kTrapBytes = Machine::kTrapEntries * Machine::kTrapEntrySize;
// The last trap entry is where code returns to the engine.
constexpr uint32_t kExitEntry = Machine::kTrapEntries - 1;

class UnicornMachine final : public Machine {
public:
    UnicornMachine(uint32_t base, uint32_t size, std::atomic<uint8_t>* flags, uint8_t mask)
        : m_flags(flags), m_mask(mask) {
        if (uc_open(UC_ARCH_X86, UC_MODE_32, &m_uc) != UC_ERR_OK) {
            m_uc = nullptr;
            return;
        }
        // One stack and one trap page for the process, whichever machine
        // uses them: their addresses stay valid for as long as the memory
        // class may have them registered.
        static const uint32_t stack = alloc_low(kStackSize);
        static const uint32_t traps = alloc_low(kTrapBytes);
        m_stack = stack;
        m_traps = traps;
        if (!m_stack || !m_traps) { close(); return; }
        uint8_t* t = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(m_traps));
        std::memset(t, 0xCC, kTrapBytes);
        for (uint32_t i = 0; i < kTrapEntries; ++i) t[i * kTrapEntrySize] = 0xC3;
        if (uc_mem_map_ptr(m_uc, base, size, UC_PROT_ALL, reinterpret_cast<void*>(static_cast<uintptr_t>(base))) ||
            uc_mem_map_ptr(m_uc, m_stack, kStackSize, UC_PROT_READ | UC_PROT_WRITE,
                           reinterpret_cast<void*>(static_cast<uintptr_t>(m_stack))) ||
            uc_mem_map_ptr(m_uc, m_traps, kTrapBytes, UC_PROT_READ | UC_PROT_EXEC, t))
            { close(); return; }
        // A flat 32-bit code and data segment in a descriptor table at the
        // bottom of the stack block, so that far returns load a real
        // code segment.
        uint64_t* gdt = reinterpret_cast<uint64_t*>(static_cast<uintptr_t>(m_stack));
        gdt[0] = 0;
        gdt[1] = 0x00CF9A000000FFFFull;   // selector 8: code, base 0, 4 GiB
        gdt[2] = 0x00CF92000000FFFFull;   // selector 16: data, base 0, 4 GiB
        uc_x86_mmr gdtr{};
        gdtr.base = m_stack;
        gdtr.limit = 3 * 8 - 1;
        uint32_t code_sel = 8, data_sel = 16;
        if (uc_reg_write(m_uc, UC_X86_REG_GDTR, &gdtr) || uc_reg_write(m_uc, UC_X86_REG_CS, &code_sel) ||
            uc_reg_write(m_uc, UC_X86_REG_SS, &data_sel) || uc_reg_write(m_uc, UC_X86_REG_DS, &data_sel) ||
            uc_reg_write(m_uc, UC_X86_REG_ES, &data_sel))
            { close(); return; }
        // Hooks go in before the first run.
        uc_hook h;
        if (uc_hook_add(m_uc, &h, UC_HOOK_CODE, reinterpret_cast<void*>(&UnicornMachine::on_trap), this,
                        static_cast<uint64_t>(m_traps), static_cast<uint64_t>(m_traps) + kTrapBytes - 1) ||
            uc_hook_add(m_uc, &h, UC_HOOK_INTR, reinterpret_cast<void*>(&UnicornMachine::on_interrupt), this, 1, 0) ||
            uc_hook_add(m_uc, &h, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&UnicornMachine::on_bad_memory), this,
                        1, 0))
            { close(); return; }
        m_watcher = std::thread([this] { watch(); });
    }

    ~UnicornMachine() override {
        if (m_watcher.joinable()) {
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_quit = true;
            }
            m_cv.notify_all();
            m_watcher.join();
        }
        close();
    }

    bool available() const override { return m_uc != nullptr; }

    uint32_t trap_address(uint32_t index) const override { return m_traps + index * kTrapEntrySize; }

    bool trap_index(uint32_t address, uint32_t& index) const override {
        if (!m_uc || address < m_traps || address >= m_traps + kTrapBytes) return false;
        if ((address - m_traps) % kTrapEntrySize) return false;
        index = (address - m_traps) / kTrapEntrySize;
        return true;
    }

    void set_trap_return(uint32_t index, uint16_t pop) override {
        if (!m_uc || index >= kTrapEntries) return;
        uint8_t* e = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(trap_address(index)));
        if (pop) {
            e[0] = 0xC2;
            e[1] = static_cast<uint8_t>(pop);
            e[2] = static_cast<uint8_t>(pop >> 8);
        } else {
            e[0] = 0xC3;
        }
        uc_ctl_remove_cache(m_uc, static_cast<uint64_t>(trap_address(index)),
                            static_cast<uint64_t>(trap_address(index)) + kTrapEntrySize);
    }

    void stack_block(uint32_t& addr, uint32_t& size) const override {
        addr = m_stack + 4096;   // above the descriptor table
        size = kStackSize - 4096;
    }

    void code_changed(uint32_t addr, uint32_t len) override {
        if (!len) return;
        if (m_dirty_end == 0) {
            m_dirty_start = addr;
            m_dirty_end = addr + len;
        } else {
            if (addr < m_dirty_start) m_dirty_start = addr;
            if (addr + len > m_dirty_end) m_dirty_end = addr + len;
        }
    }

    bool map_block(void* host, uint32_t size) override {
        uint64_t a = reinterpret_cast<uintptr_t>(host);
        return m_uc && uc_mem_map_ptr(m_uc, a, (size + 4095) & ~4095u, UC_PROT_ALL, host) == UC_ERR_OK;
    }

    void stop() override {
        std::lock_guard<std::mutex> g(m_lock);
        if (m_running) {
            m_stopped = true;
            uc_emu_stop(m_uc);
        }
    }

    RunResult run(uint32_t entry, CpuRegs& regs, const uint32_t* args, int nargs, bool far_frame,
                  TrapHandler& handler) override {
        if (!m_uc) return {RunEnd::Unavailable, 0};
        // The emulator cannot be re-entered from a trap.
        if (m_depth) return {RunEnd::Invalid, entry};
        // The engine may have written code since the last run (the CPU sees
        // its own writes; ours it does not): forget what was translated
        // there, and near the entry, where a program pokes code bytes.
        forget_written();
        uc_ctl_remove_cache(m_uc, static_cast<uint64_t>(entry), static_cast<uint64_t>(entry) + 4096);
        const uint32_t exit = trap_address(kExitEntry);
        // Nested runs (a trap handler running code again) use the stack
        // below the outer run's.
        uint32_t esp = m_depth ? m_inner_esp - 256 : m_stack + kStackSize - 64;
        auto push = [&](uint32_t v) {
            esp -= 4;
            std::memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(esp)), &v, 4);
        };
        if (esp < m_stack + 4096) return {RunEnd::Unmapped, esp};
        if (far_frame) {
            uint32_t cs = 0;
            uc_reg_read(m_uc, UC_X86_REG_CS, &cs);
            push(0xFFFFFFFFu);
            push(cs);
            push(exit);
        } else {
            for (int i = nargs - 1; i >= 0; --i) push(args[i]);
            push(exit);
        }
        const uint32_t start_esp = esp;
        write_regs(regs, esp);
        TrapHandler* outer_handler = m_handler;
        m_handler = &handler;
        ++m_depth;
        const uint32_t saved_inner = m_inner_esp;
        m_inner_esp = esp;
        m_fault = RunEnd::Returned;
        {
            std::lock_guard<std::mutex> g(m_lock);
            m_running = true;
            m_stopped = false;
        }
        m_cv.notify_all();
        uc_err err = uc_emu_start(m_uc, entry, exit, 0, 0);
        bool stopped;
        {
            std::lock_guard<std::mutex> g(m_lock);
            m_running = m_depth > 1;
            stopped = m_stopped;
        }
        --m_depth;
        m_inner_esp = saved_inner;
        m_handler = outer_handler;
        uint32_t eip = 0;
        uc_reg_read(m_uc, UC_X86_REG_EIP, &eip);
        read_regs(regs);
        if (!far_frame) regs.esp = start_esp + 4;
        if (m_pending) {
            std::exception_ptr e = m_pending;
            m_pending = nullptr;
            std::rethrow_exception(e);
        }
        if (m_fault != RunEnd::Returned) return {m_fault, m_fault_address};
        switch (err) {
            case UC_ERR_OK: break;
            case UC_ERR_INSN_INVALID: return {RunEnd::Invalid, eip};
            case UC_ERR_EXCEPTION: return {RunEnd::Invalid, eip};
            default: return {RunEnd::Unmapped, eip};
        }
        if (eip != exit) return {stopped ? RunEnd::Stopped : RunEnd::Invalid, eip};
        return {RunEnd::Returned, 0};
    }

private:
    void forget_written() {
        if (m_dirty_end > m_dirty_start)
            uc_ctl_remove_cache(m_uc, static_cast<uint64_t>(m_dirty_start), static_cast<uint64_t>(m_dirty_end));
        m_dirty_start = m_dirty_end = 0;
    }

    void close() {
        if (m_uc) uc_close(m_uc);
        m_uc = nullptr;
    }

    void write_regs(const CpuRegs& r, uint32_t esp) {
        uc_reg_write(m_uc, UC_X86_REG_EAX, &r.eax);
        uc_reg_write(m_uc, UC_X86_REG_EBX, &r.ebx);
        uc_reg_write(m_uc, UC_X86_REG_ECX, &r.ecx);
        uc_reg_write(m_uc, UC_X86_REG_EDX, &r.edx);
        uc_reg_write(m_uc, UC_X86_REG_ESI, &r.esi);
        uc_reg_write(m_uc, UC_X86_REG_EDI, &r.edi);
        uc_reg_write(m_uc, UC_X86_REG_EBP, &r.ebp);
        uc_reg_write(m_uc, UC_X86_REG_ESP, &esp);
        uc_reg_write(m_uc, UC_X86_REG_EFLAGS, &r.eflags);
    }

    void read_regs(CpuRegs& r) {
        uc_reg_read(m_uc, UC_X86_REG_EAX, &r.eax);
        uc_reg_read(m_uc, UC_X86_REG_EBX, &r.ebx);
        uc_reg_read(m_uc, UC_X86_REG_ECX, &r.ecx);
        uc_reg_read(m_uc, UC_X86_REG_EDX, &r.edx);
        uc_reg_read(m_uc, UC_X86_REG_ESI, &r.esi);
        uc_reg_read(m_uc, UC_X86_REG_EDI, &r.edi);
        uc_reg_read(m_uc, UC_X86_REG_EBP, &r.ebp);
        uc_reg_read(m_uc, UC_X86_REG_ESP, &r.esp);
        uc_reg_read(m_uc, UC_X86_REG_EFLAGS, &r.eflags);
    }

    static void on_trap(uc_engine*, uint64_t address, uint32_t, void* user) {
        auto* self = static_cast<UnicornMachine*>(user);
        const uint32_t offset = static_cast<uint32_t>(address) - self->m_traps;
        if (offset % kTrapEntrySize) {
            // Inside an entry: not a place code may jump to.
            self->fault(RunEnd::Invalid, static_cast<uint32_t>(address));
            return;
        }
        const uint32_t index = offset / kTrapEntrySize;
        if (index == kExitEntry || self->m_pending) return;
        CpuRegs r;
        self->read_regs(r);
        uint32_t args[16] = {};
        uc_mem_read(self->m_uc, static_cast<uint64_t>(r.esp) + 4, args, sizeof args);
        try {
            self->m_handler->trap(index, r, args);
        } catch (...) {
            self->m_pending = std::current_exception();
            uc_emu_stop(self->m_uc);
            return;
        }
        uc_reg_write(self->m_uc, UC_X86_REG_EAX, &r.eax);
        uc_reg_write(self->m_uc, UC_X86_REG_EBX, &r.ebx);
        uc_reg_write(self->m_uc, UC_X86_REG_ECX, &r.ecx);
        uc_reg_write(self->m_uc, UC_X86_REG_EDX, &r.edx);
        self->forget_written();
    }

    static void on_interrupt(uc_engine* uc, uint32_t intno, void* user) {
        auto* self = static_cast<UnicornMachine*>(user);
        uint32_t eip = 0;
        uc_reg_read(uc, UC_X86_REG_EIP, &eip);
        self->fault(intno == 0 ? RunEnd::Divide : RunEnd::Invalid, eip);
    }

    static bool on_bad_memory(uc_engine*, uc_mem_type, uint64_t address, int, int64_t, void* user) {
        auto* self = static_cast<UnicornMachine*>(user);
        self->m_fault = RunEnd::Unmapped;
        self->m_fault_address = static_cast<uint32_t>(address);
        return false;
    }

    void fault(RunEnd what, uint32_t address) {
        if (m_fault == RunEnd::Returned) {
            m_fault = what;
            m_fault_address = address;
        }
        uc_emu_stop(m_uc);
    }

    // Stops a run soon after a stop flag is raised.
    void watch() {
        std::unique_lock<std::mutex> g(m_lock);
        while (!m_quit) {
            if (!m_running) {
                m_cv.wait(g);
                continue;
            }
            if (m_flags && (m_flags->load() & m_mask) && !m_stopped) {
                m_stopped = true;
                uc_emu_stop(m_uc);
            }
            m_cv.wait_for(g, std::chrono::milliseconds(5));
        }
    }

    uc_engine* m_uc = nullptr;
    uint32_t m_stack = 0, m_traps = 0;
    std::atomic<uint8_t>* m_flags;
    uint8_t m_mask;
    TrapHandler* m_handler = nullptr;
    std::exception_ptr m_pending;
    RunEnd m_fault = RunEnd::Returned;
    uint32_t m_fault_address = 0;
    int m_depth = 0;
    uint32_t m_inner_esp = 0;
    uint32_t m_dirty_start = 0, m_dirty_end = 0;
    std::thread m_watcher;
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_running = false, m_stopped = false, m_quit = false;
};

}  // namespace

std::unique_ptr<Machine> make_machine(uint32_t base, uint32_t size, std::atomic<uint8_t>* flags, uint8_t mask) {
    return std::make_unique<UnicornMachine>(base, size, flags, mask);
}

#else

namespace {
// Without a CPU the trap entries still have addresses, so that system
// functions resolve and SYS can call them.
constexpr uint32_t kNoMachineTraps = 0x7FF00000;
class NoMachine final : public Machine {
public:
    bool available() const override { return false; }
    uint32_t trap_address(uint32_t index) const override { return kNoMachineTraps + index * kTrapEntrySize; }
    bool trap_index(uint32_t address, uint32_t& index) const override {
        if (address < kNoMachineTraps || address >= kNoMachineTraps + kTrapEntries * kTrapEntrySize) return false;
        if ((address - kNoMachineTraps) % kTrapEntrySize) return false;
        index = (address - kNoMachineTraps) / kTrapEntrySize;
        return true;
    }
    void set_trap_return(uint32_t, uint16_t) override {}
    RunResult run(uint32_t, CpuRegs&, const uint32_t*, int, bool, TrapHandler&) override {
        return {RunEnd::Unavailable, 0};
    }
    void stop() override {}
    void code_changed(uint32_t, uint32_t) override {}
    void stack_block(uint32_t& addr, uint32_t& size) const override { addr = size = 0; }
    bool map_block(void*, uint32_t) override { return false; }
};
}  // namespace

std::unique_ptr<Machine> make_machine(uint32_t, uint32_t, std::atomic<uint8_t>*, uint8_t) {
    return std::make_unique<NoMachine>();
}

#endif

}  // namespace kov::host
