// Text output and input statements: PRINT, INPUT, READ, DATA, RESTORE,
// WIDTH and the keyboard functions. Implemented in values/print.cpp.
#pragma once

#include "interp/interp.h"

namespace kov::values {

// Points the DATA pointer at the first program line whose first token is
// DATA (0, "not set", when there is none). Used by RUN, CLEAR and RESTORE.
void restore_to_first_data(interp::Interp& in);

}  // namespace kov::values
