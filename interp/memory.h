// The BASIC memory: one fixed-address reservation holding the buffers,
// the program, the heap, the BASIC stack and the library area, plus the
// 1024-byte fixed variable area that addresses 0..1023 map onto.
//
// Every BASIC address is a real address of this process (the region sits
// at a low fixed address, so addresses fit a positive 32-bit integer). All
// checked access from the core goes through this class.
#pragma once

#include <cstdint>
#include <cstring>

#include "interp/errors.h"

namespace kov::interp {

// Offsets of the fields of the fixed variable area.
namespace fixed {
constexpr uint32_t AtPercent = 0;      // @%
constexpr uint32_t StaticVars = 4;     // A% .. Z%
constexpr uint32_t ChainHeads = 108;   // 54 variable chain heads
constexpr uint32_t FnChain = 324;
constexpr uint32_t ProcChain = 328;
constexpr uint32_t AccAddr = 332;      // string accumulator
constexpr uint32_t ImmAddr = 336;      // immediate line buffer
constexpr uint32_t Page = 340;
constexpr uint32_t Top = 344;
constexpr uint32_t Lomem = 348;
constexpr uint32_t HeapTop = 352;
constexpr uint32_t Himem = 356;
constexpr uint32_t LibStart = 360;     // 0 = no library installed
constexpr uint32_t ErrMsgAddr = 364;   // text of the last error message
constexpr uint32_t OnErrorLocalSp = 368;
constexpr uint32_t OnError = 372;      // handler text pointer, 0 = none
constexpr uint32_t DataPtr = 376;
constexpr uint32_t Count = 380;
constexpr uint32_t StmtPtr = 384;
constexpr uint32_t OnTime = 388;       // five event handlers, 4 bytes each
constexpr uint32_t OnClose = 392;
constexpr uint32_t OnMove = 396;
constexpr uint32_t OnSys = 400;
constexpr uint32_t OnMouse = 404;
constexpr uint32_t Erl = 408;          // 16 bits
constexpr uint32_t TraceLimit = 410;   // 16 bits
constexpr uint32_t RndSeed = 412;      // 5 bytes
constexpr uint32_t Width = 417;        // 8 bits
constexpr uint32_t ErrNum = 418;       // 8 bits
constexpr uint32_t Options = 419;      // bit 0 FLOAT 64, bit 3 lower case, bits 4..7 OPT
constexpr uint32_t SysVars = 420;      // the system-variable chain
constexpr uint32_t Size = 1024;
}  // namespace fixed

// Option flag bits.
constexpr uint8_t kOptFloat64 = 0x01;
constexpr uint8_t kOptLowercase = 0x08;

class Memory {
public:
    static constexpr uint32_t kReserveSize = 256u << 20;
    // Committed at start: enough for programs with multi-megabyte arrays
    // (the pages cost nothing until they are touched).
    static constexpr uint32_t kInitialCommit = 16u << 20;
    static constexpr uint32_t kPageOffset = 0x1800;
    // Bytes at the very top of the reservation kept for the command-line
    // tail that @cmd$ points at.
    static constexpr uint32_t kCmdAreaSize = 256;
    // Mapped after the reservation and never reachable from BASIC: CR and
    // zero bytes in turn. Any scan that runs on past the last byte a
    // program can write meets a CR (a byte-by-byte scan stops there) and
    // then a zero length byte (the end of the program for a line walk or
    // the execution loop), within a line's length of the end. So scanners
    // need no bound of their own for the end of memory.
    static constexpr uint32_t kGuardSize = 4096;

    // Maps the region at a fixed low address. Returns false when no
    // candidate address could be mapped.
    bool map();
    void unmap();
    ~Memory() { unmap(); }

    uint32_t base() const { return m_base; }
    uint32_t committed_top() const { return m_committed_top; }
    uint32_t committed_size() const { return m_committed_size; }
    // True for an address in the guard after the reservation.
    bool in_guard(uint32_t addr) const { return addr - reserve_end() < kGuardSize; }
    uint32_t reserve_end() const { return m_base + kReserveSize; }
    uint32_t cmd_area() const { return reserve_end() - kCmdAreaSize; }
    // Raises the committed top (bookkeeping only: the whole region is
    // mapped). False if `top` lies beyond the reservation.
    bool commit(uint32_t top);

    // The fixed variable area.
    uint8_t* fixed_area() { return m_fixed; }
    uint32_t fixed32(uint32_t off) const { uint32_t v; std::memcpy(&v, m_fixed + off, 4); return v; }
    void set_fixed32(uint32_t off, uint32_t v) { std::memcpy(m_fixed + off, &v, 4); }
    uint16_t fixed16(uint32_t off) const { uint16_t v; std::memcpy(&v, m_fixed + off, 2); return v; }
    void set_fixed16(uint32_t off, uint16_t v) { std::memcpy(m_fixed + off, &v, 2); }
    uint8_t fixed8(uint32_t off) const { return m_fixed[off]; }
    void set_fixed8(uint32_t off, uint8_t v) { m_fixed[off] = v; }

    // Checked translation of a BASIC address range to a host pointer:
    // 0..1023 is the fixed area, 1024..65535 and anything outside
    // committed memory (or a registered extra region) raise
    // "Address out of range".
    uint8_t* at(uint32_t addr, uint32_t len) {
        if (addr - m_base <= m_committed_size && len <= m_committed_size - (addr - m_base))
            return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(addr));
        if (addr < fixed::Size && len <= fixed::Size - addr) return m_fixed + addr;
        return at_slow(addr, len);
    }
    // The range's host address when it lies in committed memory; nullptr
    // otherwise (the range may still be accessible: see at).
    uint8_t* committed(uint32_t addr, uint32_t len) const {
        if (addr - m_base <= m_committed_size && len <= m_committed_size - (addr - m_base))
            return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(addr));
        return nullptr;
    }
    // True when the range is accessible (no error).
    bool valid(uint32_t addr, uint32_t len) const;

    uint8_t read8(uint32_t a) { return *at(a, 1); }
    uint32_t read32(uint32_t a) { uint32_t v; std::memcpy(&v, at(a, 4), 4); return v; }
    uint64_t read64(uint32_t a) { uint64_t v; std::memcpy(&v, at(a, 8), 8); return v; }
    // Checked stores (see store_bytes).
    void write8(uint32_t a, uint8_t v) { store_bytes(a, &v, 1); }
    void write32(uint32_t a, uint32_t v) { store_bytes(a, &v, 4); }
    void write64(uint32_t a, uint64_t v) { store_bytes(a, &v, 8); }

    // Checked store of `len` bytes from `data` at BASIC address `addr`
    // ("Address out of range" unless the whole range is accessible). This
    // is the one way bytes are written where program or library text may
    // lie: it tells the text watcher (the interpreter, whose decoding caches
    // remember the text) about every store that reaches watched memory.
    // Every writer of BASIC memory outside the core (files, *LOAD, native
    // call buffers, machine code) uses it too. `data` may overlap the
    // destination.
    void store_bytes(uint32_t addr, const void* data, uint32_t len) {
        uint8_t* d = at(addr, len);
        if (len) std::memmove(d, data, len);
        note_store(addr, len);
    }
    // Reports a store of `len` bytes at `addr` that was made through a host
    // pointer obtained from at() (a string written in place, a block copy).
    void note_store(uint32_t addr, uint32_t len) {
        if (m_watcher && watched(addr, len)) m_watcher(m_watcher_ctx, addr, len);
    }
    // The text watcher: called for stores reaching [lo, hi) or at and above
    // `above` (0 = nothing above). Set by the interpreter as the program's
    // limits move.
    using Watcher = void (*)(void* ctx, uint32_t addr, uint32_t len);
    void set_watcher(Watcher w, void* ctx) { m_watcher = w; m_watcher_ctx = ctx; }
    bool watched(uint32_t addr, uint32_t len) const {
        // Program text lies in [PAGE, TOP), libraries at and above HIMEM.
        const uint64_t end = static_cast<uint64_t>(addr) + (len ? len : 1);
        return end > fixed32(fixed::Himem) || (addr < fixed32(fixed::Top) && end > fixed32(fixed::Page));
    }

    // Unchecked host pointer for addresses the interpreter itself manages
    // and has already checked (program text it is running, heap records,
    // the BASIC stack). Never for an address taken from a BASIC value or
    // read back from memory the program can write.
    static uint8_t* unchecked_ptr(uint32_t addr) { return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(addr)); }
    // The same under its former name, for the start-up code in host/.
    static uint8_t* ptr(uint32_t addr) { return unchecked_ptr(addr); }
    static uint32_t addr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

    // A host-owned region that BASIC addresses may also reach (native-call
    // buffers). Must lie below 4 GiB.
    void register_region(uint32_t start, uint32_t size);

private:
    uint8_t* at_slow(uint32_t addr, uint32_t len);

    uint32_t m_base = 0;
    uint32_t m_committed_top = 0;
    uint32_t m_committed_size = 0;
    alignas(8) uint8_t m_fixed[fixed::Size] = {};
    struct Region { uint32_t start, size; };
    Region m_regions[8] = {};
    int m_region_count = 0;
    Watcher m_watcher = nullptr;
    void* m_watcher_ctx = nullptr;
};

}  // namespace kov::interp
