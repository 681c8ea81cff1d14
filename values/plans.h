// Decoded expressions: expressions the numeric compiler leaves alone
// (strings, string functions) parsed once into a list of steps,
// remembered by text address, and from then on run from the list.
//
// A list does what the evaluator does on the same text, step for step:
// the same "No room" checks at the same points, the same pushes of
// strings on the BASIC stack, the same accumulator contents, the same
// errors in the same order, and it ends the expression where binary(1)
// would. A name or literal is read through the text cache at each run,
// as the evaluator reads it; when the cache has lost it, that one operand
// is evaluated the general way. Anything the decoder does not know, or any
// text that would raise an error while being parsed, is left to the
// evaluator.
#pragma once

#include <cstdint>
#include <vector>

namespace kov::interp {

class Interp;
struct Value;

struct PlanStep {
    uint8_t entry = 0;     // where the runner enters it
    uint8_t op = 0;
    uint8_t arg = 0;       // type code, operator byte or comparison code
    uint8_t len = 0;       // string literal length
    uint32_t text = 0;     // text address of the operand
    uint64_t value = 0;    // value address or number word
};

struct PlanSlot {
    uint32_t key = 0;      // text address of the expression (0: empty)
    uint8_t state = 0;
    uint8_t is_str = 0;    // type of the result
    uint8_t retries = 0;   // decodings put off for a name not yet resolved
    uint16_t len = 0;      // text length of the expression
    uint32_t start = 0;    // first step
    enum : uint8_t { Empty = 0, Ready, Refused, Later };
};

class ExprPlans {
public:
    static constexpr uint32_t kSlots = 2048;
    static constexpr uint32_t kMaxSteps = 60000;     // then the list starts again
    static constexpr uint32_t kReserve = 65536;      // steps the list can hold
    static constexpr int kMaxDepth = 16;       // values waiting at once
    static constexpr int kMaxRetries = 8;

    ExprPlans() { m_steps.reserve(kReserve); }

    PlanSlot* slot(const uint8_t* p) {
        return &m_slots[static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)) & (kSlots - 1)];
    }
    const PlanSlot* slot(const uint8_t* p) const {
        return &m_slots[static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)) & (kSlots - 1)];
    }
    // Decodes the expression at `p` into `slot` (its key is set, the
    // state Ready, Refused, or Later when a name or literal has not been
    // decoded by the evaluator yet). Only for text that stays put
    // (Interp::text_cacheable).
    void build(Interp& in, const uint8_t* p, PlanSlot& slot);
    // Runs the steps from `start`; the value of the expression.
    Value run(Interp& in, uint32_t start);
    void flush();
    // Off: nothing is decoded (the tests compare with the evaluator).
    bool enabled = true;

private:
    PlanSlot m_slots[kSlots];
    std::vector<PlanStep> m_steps;
    int m_running = 0;     // steps handing work to the evaluator, which may start runs
    [[gnu::noinline, gnu::cold]] Value nested_factor(Interp& in, uint32_t text);
    [[gnu::noinline]] uint64_t nested_num_expr(Interp& in, uint32_t text);
    [[gnu::always_inline]] inline uint64_t string_var(Interp& in, uint32_t text);
};

}  // namespace kov::interp
