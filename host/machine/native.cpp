// Calls into native functions of the process with 32-bit integer
// arguments, and blocks of memory below 4 GiB.
#include <sys/mman.h>

#include "host/machine.h"

namespace kov::host {

uint32_t call_native(void* fn, const uint32_t* a, int nargs) {
    // Every argument goes as a zero-extended 64-bit word: integers and
    // pointers into the low 4 GiB arrive as the callee expects them;
    // surplus arguments are ignored by the callee.
    uint64_t w[16] = {};
    for (int i = 0; i < nargs && i < 16; ++i) w[i] = a[i];
    using Fn = uint64_t (*)(uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t,
                            uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t);
    uint64_t r = reinterpret_cast<Fn>(fn)(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10],
                                          w[11], w[12], w[13], w[14], w[15]);
    return static_cast<uint32_t>(r);
}

uint32_t alloc_low(uint32_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (p == MAP_FAILED) return 0;
    uintptr_t a = reinterpret_cast<uintptr_t>(p);
    if (a == 0 || a + size > 0x80000000u) {
        munmap(p, size);
        return 0;
    }
    return static_cast<uint32_t>(a);
}

void free_low(uint32_t addr, uint32_t size) {
    if (addr) munmap(reinterpret_cast<void*>(static_cast<uintptr_t>(addr)), size);
}

}  // namespace kov::host
