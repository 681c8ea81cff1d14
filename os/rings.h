// The key buffer and the event queue: 256-byte rings in BASIC memory,
// each with one producer (a host thread) and one consumer (the
// interpreter). Each side writes only its own 8-bit index; data is stored
// before the write index is published (release), and read after the index
// is seen (acquire).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

namespace kov::os {

// 256 key codes; empty when the indices are equal, full when the write
// index plus 1 equals the read index, so at most 255 codes are held.
class KeyBuffer {
public:
    void attach(uint8_t* bytes) {
        m_bytes = bytes;
        m_write.store(0, std::memory_order_relaxed);
        m_read.store(0, std::memory_order_release);
    }
    // Producer: appends a code; false when full (or not attached).
    bool insert(uint8_t code) {
        if (!m_bytes) return false;
        uint8_t w = m_write.load(std::memory_order_relaxed);
        if (static_cast<uint8_t>(w + 1) == m_read.load(std::memory_order_acquire)) return false;
        m_bytes[w] = code;
        m_write.store(static_cast<uint8_t>(w + 1), std::memory_order_release);
        return true;
    }
    // Consumer: takes the oldest code; false when empty.
    bool take(uint8_t& code) {
        uint8_t r = m_read.load(std::memory_order_relaxed);
        if (!m_bytes || r == m_write.load(std::memory_order_acquire)) return false;
        code = m_bytes[r];
        m_read.store(static_cast<uint8_t>(r + 1), std::memory_order_release);
        return true;
    }
    bool empty() const {
        return m_read.load(std::memory_order_acquire) == m_write.load(std::memory_order_acquire);
    }
    // Free places: (read - write - 1) mod 256, 0..255.
    int space() const {
        return static_cast<uint8_t>(m_read.load(std::memory_order_acquire) -
                                    m_write.load(std::memory_order_acquire) - 1);
    }

private:
    uint8_t* m_bytes = nullptr;
    std::atomic<uint8_t> m_write{0};
    std::atomic<uint8_t> m_read{0};
};

// One event record: four 32-bit words in this order in the ring.
struct EventRecord {
    uint32_t lparam = 0;
    uint32_t wparam = 0;
    uint32_t message = 0;
    uint32_t handler = 0;   // text address of the ON handler (0: none)
};

// 16-byte records in 256 bytes; the indices count bytes. A record is
// dropped when the write index plus 16 equals the read index, so at most
// 15 are held.
class EventQueue {
public:
    static constexpr uint8_t kRecord = 16;
    void attach(uint8_t* bytes) {
        m_bytes = bytes;
        m_write.store(0, std::memory_order_relaxed);
        m_read.store(0, std::memory_order_release);
    }
    bool insert(const EventRecord& e) {
        if (!m_bytes) return false;
        uint8_t w = m_write.load(std::memory_order_relaxed);
        if (static_cast<uint8_t>(w + kRecord) == m_read.load(std::memory_order_acquire)) return false;
        std::memcpy(m_bytes + w, &e, kRecord);
        m_write.store(static_cast<uint8_t>(w + kRecord), std::memory_order_release);
        return true;
    }
    bool take(EventRecord& e) {
        uint8_t r = m_read.load(std::memory_order_relaxed);
        if (!m_bytes || r == m_write.load(std::memory_order_acquire)) return false;
        std::memcpy(&e, m_bytes + r, kRecord);
        m_read.store(static_cast<uint8_t>(r + kRecord), std::memory_order_release);
        return true;
    }
    bool empty() const {
        return m_read.load(std::memory_order_acquire) == m_write.load(std::memory_order_acquire);
    }

private:
    uint8_t* m_bytes = nullptr;
    std::atomic<uint8_t> m_write{0};
    std::atomic<uint8_t> m_read{0};
};

static_assert(sizeof(EventRecord) == EventQueue::kRecord);

}  // namespace kov::os
