// The drawing functions SYS reaches on the memory device context
// (interp/sys_gdi.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "interp/sys_windows.h"

namespace kov::interp {

// The value of @memhdc%: the device context of the shadow bitmap.
constexpr uint32_t kMemoryDc = 0x4D430001u;

// The table, in lookup order (after the other Windows functions).
const WinFunction* gdi_functions(size_t& count);

}  // namespace kov::interp
