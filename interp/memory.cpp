#include "interp/memory.h"

#include "interp/memory_map.h"

namespace kov::interp {

bool Memory::map() {
    if (m_base) return true;
    m_base = host::map_basic_memory(kReserveSize + kGuardSize);
    if (!m_base) return false;
    uint8_t* guard = unchecked_ptr(reserve_end());
    for (uint32_t i = 0; i < kGuardSize; ++i) guard[i] = (i & 1) ? 0 : 13;
    m_committed_top = m_base + kInitialCommit;
    m_committed_size = kInitialCommit;
    register_region(cmd_area(), kCmdAreaSize);
    return true;
}

void Memory::unmap() {
    if (!m_base) return;
    host::unmap_basic_memory(m_base, kReserveSize + kGuardSize);
    m_base = 0;
    m_committed_top = 0;
    m_committed_size = 0;
    m_region_count = 0;
}

bool Memory::commit(uint32_t top) {
    if (top < m_base || top > cmd_area()) return false;
    if (top > m_committed_top) {
        // Round up to a 64 KiB boundary, as a page-granular commit would.
        uint64_t rounded = (static_cast<uint64_t>(top) + 0xFFFF) & ~uint64_t{0xFFFF};
        if (rounded > cmd_area()) rounded = cmd_area();
        m_committed_top = static_cast<uint32_t>(rounded);
        m_committed_size = m_committed_top - m_base;
    }
    return true;
}

bool Memory::valid(uint32_t addr, uint32_t len) const {
    if (addr < fixed::Size) return len <= fixed::Size - addr;
    if (addr < 65536) return false;
    if (addr >= m_base && addr - m_base <= m_committed_size && len <= m_committed_size - (addr - m_base))
        return true;
    for (int i = 0; i < m_region_count; ++i) {
        const Region& r = m_regions[i];
        if (addr >= r.start && addr - r.start <= r.size && len <= r.size - (addr - r.start)) return true;
    }
    return false;
}

uint8_t* Memory::at_slow(uint32_t addr, uint32_t len) {
    if (!valid(addr, len)) raise(Err::AddressOutOfRange);
    if (addr < fixed::Size) return m_fixed + addr;
    return ptr(addr);
}

void Memory::register_region(uint32_t start, uint32_t size) {
    if (m_region_count < 8) m_regions[m_region_count++] = Region{start, size};
}

}  // namespace kov::interp
