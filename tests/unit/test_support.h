// Small helpers shared by the unit tests.
#pragma once

#include "interp/errors.h"

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

}  // namespace kov::test
