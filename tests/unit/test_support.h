// Small helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include "interp/errors.h"
#include "interp/memory.h"

namespace kov::test {

// The number of the BASIC error `action` raises, or -1 when it raises none.
int error_of(auto&& action) {
    try {
        action();
    } catch (const BasicError& e) {
        return e.number;
    }
    return -1;
}

// The BASIC memory region sits at a fixed address, so a test program
// maps it once and every test shares it.
inline interp::Memory& shared_memory() {
    static interp::Memory m;
    static bool mapped = m.map();
    EXPECT_TRUE(mapped);
    return m;
}

}  // namespace kov::test
