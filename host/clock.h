// Time for the core: a monotonic millisecond counter and a sleep.
#pragma once

#include <cstdint>

namespace kov::host {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps at 2^32.
    virtual uint32_t milliseconds() = 0;
    virtual void sleep_ms(int ms) = 0;
    // The centisecond counter behind TIME.
    uint32_t centiseconds() { return milliseconds() / 10; }
};

}  // namespace kov::host
