// Reserves the BASIC memory at a fixed low address so that every BASIC
// address is a real address that fits a positive 32-bit integer.
#include "interp/memory_map.h"

#include <sys/mman.h>

#include <cstdint>

namespace kov::host {

uint32_t map_basic_memory(uint32_t size) {
    // Candidates: 0x10000000 first, then other 16 MiB-aligned addresses
    // below 0x70000000.
    for (uint64_t addr = 0x10000000; addr + size <= 0x70000000; addr += 0x1000000) {
        void* want = reinterpret_cast<void*>(addr);
        void* got = mmap(want, size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
        if (got == MAP_FAILED) continue;
        if (got != want) {
            munmap(got, size);
            continue;
        }
        return static_cast<uint32_t>(addr);
    }
    return 0;
}

void unmap_basic_memory(uint32_t addr, uint32_t size) {
    munmap(reinterpret_cast<void*>(static_cast<uintptr_t>(addr)), size);
}

}  // namespace kov::host
