// The platform side of the BASIC memory: reserving the fixed-address
// region. Implemented in host/ (the only place that may use the platform).
#pragma once

#include <cstdint>

namespace kov::host {

// Maps `size` bytes read-write at a fixed low address (trying several
// candidates). Returns the address, or 0 on failure.
uint32_t map_basic_memory(uint32_t size);
void unmap_basic_memory(uint32_t addr, uint32_t size);

}  // namespace kov::host
