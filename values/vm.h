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
    return a < fixed::Size ? in.mem.fixed_area() + a : Memory::ptr(a);
}

inline Num load_value(const uint8_t* v, uint8_t type) { return load_stored(v, type); }


// The binary operators on two values: integers and pairs of 5-byte reals
// go straight to their bank; other mixtures through the general operator.
inline Num op_Add(Num a, Num b, RealMode m, uint8_t) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_add_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    if (is_r5(a) && is_r5(b)) return r5_add(a, b);
    return num_add(a, b, m);
}
inline Num op_Sub(Num a, Num b, RealMode m, uint8_t) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_sub_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    if (is_r5(a) && is_r5(b)) return r5_sub(a, b);
    return num_sub(a, b, m);
}
inline Num op_Mul(Num a, Num b, RealMode m, uint8_t) {
    int32_t r;
    if (is_int(a) && is_int(b) && !__builtin_mul_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    if (is_r5(a) && is_r5(b)) return r5_mul(a, b);
    return num_mul(a, b, m);
}
inline Num op_Div(Num a, Num b, RealMode m, uint8_t) { return num_div(a, b, m); }
inline Num op_IDiv(Num a, Num b, RealMode, uint8_t) { return num_int(num_idiv(a, b)); }
inline Num op_Mod(Num a, Num b, RealMode, uint8_t) { return num_int(num_imod(a, b)); }
inline Num op_And(Num a, Num b, RealMode, uint8_t) { return num_int(int_of(a) & int_of(b)); }
inline Num op_Or(Num a, Num b, RealMode, uint8_t) { return num_int(int_of(a) | int_of(b)); }
inline Num op_Eor(Num a, Num b, RealMode, uint8_t) { return num_int(int_of(a) ^ int_of(b)); }
inline Num op_Compare(Num a, Num b, RealMode m, uint8_t code) {
    int c;
    if (is_int(a) && is_int(b)) c = as_int(a) < as_int(b) ? -1 : as_int(a) > as_int(b) ? 1 : 0;
    else if (is_r5(a) && is_r5(b)) c = r5_compare(a, b);
    else c = num_compare(a, b, m);
    return num_int(compare_result(c, code) ? -1 : 0);
}

// The right operands a fused operator loads.
inline Num leaf_Const(const Interp&, const CIns* pc) { return pc->k; }
inline Num leaf_StaticInt(const Interp& in, const CIns* pc) {
    return num_int(static_cast<int32_t>(in.mem.fixed32(pc->addr)));
}
inline Num leaf_VarInt(Interp& in, const CIns* pc) { return load_value(value_ptr(in, pc->addr), vtype::Int); }
inline Num leaf_VarReal5(Interp& in, const CIns* pc) { return load_value(value_ptr(in, pc->addr), vtype::Real5); }
inline Num leaf_VarReal8(Interp& in, const CIns* pc) { return load_value(value_ptr(in, pc->addr), vtype::Real8); }


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
