// Helpers of the expression machine: loading values, the binary
// operators on number words, and the operands fused operators load.
#pragma once

#include <cstring>

#include "interp/interp.h"
#include "values/operators.h"

namespace kov::interp::vm {

using namespace values;
using namespace values::ops;
using namespace cop;

inline const uint8_t* value_ptr(Interp& in, uint32_t a) {
    return a < fixed::Size ? in.mem.fixed_area() + a : Memory::unchecked_ptr(a);
}

inline Num load_value(const uint8_t* v, uint8_t type) { return load_stored(v, type); }


// The binary operators on two values: integers inline; the rest out of
// line (so that the machine's code stays small and the same from build to
// build). With no 8-byte operand, 5-byte reals and integers widened to
// them (exactly) use the 5-byte bank, as the general operators do when
// integers widen to 5-byte reals; anything else goes to those operators.
inline Num widen_r5(Num n) { return is_int(n) ? int_to_r5(as_int(n)) : n; }
inline bool five_byte_pair(Num a, Num b, RealMode m) {
    return (is_r5(a) && is_r5(b)) || (m == RealMode::Five && !is_r8(a) && !is_r8(b));
}
[[gnu::noinline]] inline Num add_reals(Num a, Num b, RealMode m) {
    if (five_byte_pair(a, b, m)) return r5_add(widen_r5(a), widen_r5(b));
    return num_add(a, b, m);
}
[[gnu::noinline]] inline Num sub_reals(Num a, Num b, RealMode m) {
    if (five_byte_pair(a, b, m)) return r5_sub(widen_r5(a), widen_r5(b));
    return num_sub(a, b, m);
}
[[gnu::noinline]] inline Num mul_reals(Num a, Num b, RealMode m) {
    if (five_byte_pair(a, b, m)) return r5_mul(widen_r5(a), widen_r5(b));
    return num_mul(a, b, m);
}
[[gnu::noinline]] inline int compare_reals(Num a, Num b, RealMode m) {
    // Comparison widens by value whatever the mode: every form converts
    // exactly.
    if (!is_r8(a) && !is_r8(b)) return r5_compare(widen_r5(a), widen_r5(b));
    return num_compare(a, b, m);
}
[[gnu::always_inline]] inline Num op_Add(Num a, Num b, RealMode m, uint8_t) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_add_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    return add_reals(a, b, m);
}
[[gnu::always_inline]] inline Num op_Sub(Num a, Num b, RealMode m, uint8_t) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_sub_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    return sub_reals(a, b, m);
}
[[gnu::always_inline]] inline Num op_Mul(Num a, Num b, RealMode m, uint8_t) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_mul_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    return mul_reals(a, b, m);
}
inline Num op_Div(Num a, Num b, RealMode m, uint8_t) { return num_div(a, b, m); }
inline Num op_IDiv(Num a, Num b, RealMode, uint8_t) { return num_int(num_idiv(a, b)); }
inline Num op_Mod(Num a, Num b, RealMode, uint8_t) { return num_int(num_imod(a, b)); }
inline Num op_And(Num a, Num b, RealMode, uint8_t) { return num_int(int_of(a) & int_of(b)); }
inline Num op_Or(Num a, Num b, RealMode, uint8_t) { return num_int(int_of(a) | int_of(b)); }
inline Num op_Eor(Num a, Num b, RealMode, uint8_t) { return num_int(int_of(a) ^ int_of(b)); }
[[gnu::always_inline]] inline Num op_Compare(Num a, Num b, RealMode m, uint8_t code) {
    int c;
    if (is_int(a) && is_int(b)) c = as_int(a) < as_int(b) ? -1 : as_int(a) > as_int(b) ? 1 : 0;
    else c = compare_reals(a, b, m);
    return num_int(compare_result(c, code) ? -1 : 0);
}

// A fused operator with its kind of right operand: the binary operator,
// except that with a 5-byte variable on the right a pair of 5-byte reals,
// the common case there, is worked out inline.
#define KOV_FUSED_DEFAULT(OP)                                                          \
    template <int Leaf>                                                                \
    [[gnu::always_inline]] inline Num fused_##OP(Num a, Num b, RealMode m, const CIns* pc) { \
        return op_##OP(a, b, m, pc->type);                                             \
    }
KOV_FUSED_OPS(KOV_FUSED_DEFAULT)
#undef KOV_FUSED_DEFAULT
template <>
[[gnu::always_inline]] inline Num fused_Add<VarReal5>(Num a, Num b, RealMode m, const CIns* pc) {
    if (is_r5(a) && is_r5(b)) return r5_add(a, b);
    return op_Add(a, b, m, pc->type);
}
template <>
[[gnu::always_inline]] inline Num fused_Sub<VarReal5>(Num a, Num b, RealMode m, const CIns* pc) {
    if (is_r5(a) && is_r5(b)) return r5_sub(a, b);
    return op_Sub(a, b, m, pc->type);
}
template <>
[[gnu::always_inline]] inline Num fused_Mul<VarReal5>(Num a, Num b, RealMode m, const CIns* pc) {
    if (is_r5(a) && is_r5(b)) return r5_mul(a, b);
    return op_Mul(a, b, m, pc->type);
}
// With an integer constant on the right and a 5-byte real on the left,
// the constant's 5-byte form (see the compiler) is what widening it would
// give: in the 5-byte mode, and for a comparison in either mode.
inline bool const_has_r5(const CIns* pc) { return pc->count != 0; }
inline Num const_r5(const CIns* pc) { return (static_cast<Num>(pc->count) << 32) | pc->addr; }
// (Two integers are tried first, as the operators do.)
template <>
[[gnu::always_inline]] inline Num fused_Add<Const>(Num a, Num b, RealMode m, const CIns* pc) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_add_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    if (is_r5(a) && const_has_r5(pc) && m == RealMode::Five) return r5_add(a, const_r5(pc));
    return add_reals(a, b, m);
}
template <>
[[gnu::always_inline]] inline Num fused_Sub<Const>(Num a, Num b, RealMode m, const CIns* pc) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_sub_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    if (is_r5(a) && const_has_r5(pc) && m == RealMode::Five) return r5_sub(a, const_r5(pc));
    return sub_reals(a, b, m);
}
template <>
[[gnu::always_inline]] inline Num fused_Mul<Const>(Num a, Num b, RealMode m, const CIns* pc) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_mul_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    if (is_r5(a) && const_has_r5(pc) && m == RealMode::Five) return r5_mul(a, const_r5(pc));
    return mul_reals(a, b, m);
}
template <>
[[gnu::always_inline]] inline Num fused_Compare<Const>(Num a, Num b, RealMode m, const CIns* pc) {
    int c;
    if (is_int(a) && is_int(b)) c = as_int(a) < as_int(b) ? -1 : as_int(a) > as_int(b) ? 1 : 0;
    else if (is_r5(a) && const_has_r5(pc)) c = r5_compare(a, const_r5(pc));
    else c = compare_reals(a, b, m);
    return num_int(compare_result(c, pc->type) ? -1 : 0);
}

// The right operands a fused operator loads (and the variables loaded
// alone): a variable's value is at the host address in `k`.
inline const uint8_t* host_value(const CIns* pc) {
    return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(pc->k));
}
inline Num leaf_Const(const Interp&, const CIns* pc) { return pc->k; }
inline Num leaf_VarInt(const Interp&, const CIns* pc) { return load_value(host_value(pc), vtype::Int); }
inline Num leaf_StaticInt(const Interp& in, const CIns* pc) { return leaf_VarInt(in, pc); }
inline Num leaf_VarReal5(const Interp&, const CIns* pc) { return load_value(host_value(pc), vtype::Real5); }
inline Num leaf_VarReal8(const Interp&, const CIns* pc) { return load_value(host_value(pc), vtype::Real8); }


// A compiled FN call, in the evaluator's order.
// CallStart: the FN frame, then a LOCAL frame saving each formal (the
// formals follow the instruction); returns the last formal.
const CIns* call_start(Interp& in, const CIns* pc);
// CallArg: an argument's value on the stack with its formal's address and
// type above it.
void call_arg(Interp& in, const CIns* pc, Num n);
// CallEnter: the arguments assigned from last to first, the return pointer
// stored in the frame, the body run; returns the function's value.
Num call_enter(Interp& in, const CIns* pc);
// CallEnter1: a call with the one argument `n`.
Num call_enter1(Interp& in, const CIns* pc, Num n);

// Counts evaluations waiting for a function call. Retired code is freed
// when an evaluation starts with none waiting: then none is running.
class CallDepth {
public:
    explicit CallDepth(ExprCompiler& c) : m_c(c) { ++m_c.m_eval_depth; }
    ~CallDepth() { --m_c.m_eval_depth; }
    CallDepth(const CallDepth&) = delete;
    CallDepth& operator=(const CallDepth&) = delete;

private:
    ExprCompiler& m_c;
};

}  // namespace kov::interp::vm
