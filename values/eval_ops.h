// What the evaluator and the decoded expressions (values/plans.cpp) share:
// the numeric operators with their integer shortcuts, and the load of a
// variable whose name the text cache has resolved. Both must give the
// same results and raise the same errors in the same order.
#pragma once

#include <cstring>

#include "interp/interp.h"
#include "values/operators.h"

namespace kov::values::ops {

inline Num add_fast(Num a, Num b, RealMode m) {
    if (is_int(a) && is_int(b)) {
        int32_t r;
        if (!__builtin_add_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    }
    return num_add(a, b, m);
}

inline Num sub_fast(Num a, Num b, RealMode m) {
    if (is_int(a) && is_int(b)) {
        int32_t r;
        if (!__builtin_sub_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    }
    return num_sub(a, b, m);
}

inline Num mul_fast(Num a, Num b, RealMode m) {
    if (is_int(a) && is_int(b)) {
        int32_t r;
        if (!__builtin_mul_overflow(as_int(a), as_int(b), &r)) return num_int(r);
    }
    return num_mul(a, b, m);
}

// A binary operator of priority 1, 2, 4, 5 or 6 (by its first byte) on
// two numbers, as binary_rest applies it.
inline Num apply_arithmetic(uint8_t c, Num a, Num b, RealMode m) {
    switch (c) {
        case kTokOr: return num_int(int_of(a) | int_of(b));
        case kTokEor: return num_int(int_of(a) ^ int_of(b));
        case kTokAnd: return num_int(int_of(a) & int_of(b));
        case '+': return add_fast(a, b, m);
        case '-': return sub_fast(a, b, m);
        case '*': return mul_fast(a, b, m);
        case '/': return num_div(a, b, m);
        case kTokDiv: return num_int(num_idiv(a, b));
        case kTokMod: return num_int(num_imod(a, b));
        default: return num_pow(a, b, m);
    }
}

// A comparison (TRUE -1 or FALSE 0) or shift of two numbers; `op` is a
// code from read_relation.
inline Num apply_relation(uint8_t op, Num a, Num b, RealMode m) {
    if (op >= Shl) {
        int32_t x = int_of(a);
        uint32_t n = static_cast<uint32_t>(int_of(b)) & 31;
        switch (op) {
            case Shl: case Shl3: return num_int(static_cast<int32_t>(static_cast<uint32_t>(x) << n));
            case Sar: return num_int(x >> n);
            default: return num_int(static_cast<int32_t>(static_cast<uint32_t>(x) >> n));
        }
    }
    int c;
    if (is_int(a) && is_int(b)) {
        int32_t x = as_int(a), y = as_int(b);
        c = x < y ? -1 : x > y ? 1 : 0;
    } else {
        c = num_compare(a, b, m);
    }
    return num_int(compare_result(c, op) ? -1 : 0);
}

// The value of a plain variable at value address `a` with type code
// `type` (not an array), as the evaluator reads one the text cache names.
inline interp::Value load_resolved(interp::Interp& in, uint32_t a, uint8_t type) {
    namespace vtype = interp::vtype;
    const uint8_t* v = a < interp::fixed::Size ? in.mem.fixed_area() + a : interp::Memory::unchecked_ptr(a);
    switch (type) {
        case vtype::Int: {
            int32_t i;
            std::memcpy(&i, v, 4);
            return interp::Value::integer(i);
        }
        case vtype::Real5: {
            uint32_t mant;
            std::memcpy(&mant, v, 4);
            return interp::Value::number((static_cast<uint64_t>(v[4]) << 32) | mant);
        }
        case vtype::Real8: {
            Num n;
            std::memcpy(&n, v, 8);
            return interp::Value::number(n);
        }
        default: {
            uint32_t s;
            std::memcpy(&s, v, 4);
            // The descriptor may have been overwritten through indirection.
            if (v[4]) in.mem.at(s, v[4]);
            return interp::Value::string(s, v[4]);
        }
    }
}

}  // namespace kov::values::ops
