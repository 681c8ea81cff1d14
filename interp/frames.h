// Layouts of the frames that loops and subroutines keep on the BASIC
// stack, shared by the statement handlers and the decoded-statement loop.
#pragma once

#include <cstdint>

namespace kov::interp {

// Sizes of the frames, tag included.
constexpr uint32_t kForFrame = 32;
constexpr uint32_t kLinkFrame = 8;   // REPEAT, WHILE and GOSUB: pointer and tag

// Offsets in a FOR frame, counted from its tag on top of the stack.
constexpr uint32_t kForBody = 4;
constexpr uint32_t kForStep = 8;     // low half at +8, high half at +12
constexpr uint32_t kForLimit = 16;   // low half at +16, high half at +20
constexpr uint32_t kForType = 24;
constexpr uint32_t kForVar = 28;

// The FOR frame as it lies on the stack, tag first.
struct ForFrame {
    uint32_t tag, body, step_low, step_high, limit_low, limit_high, type, var;
};
static_assert(sizeof(ForFrame) == kForFrame);

}  // namespace kov::interp
