// String storage and the string operations the evaluator and the
// assignment code share. Implemented in values/strings.cpp.
#pragma once

#include <cstdint>

#include "interp/interp.h"

namespace kov::values {

// A string's bytes: address and length, passed in one register.
struct StrBytes {
    uint32_t addr;
    uint32_t len;
};
inline StrBytes bytes_of(const interp::Value& v) { return {v.str_addr, v.str_len}; }

// Assigns `s` to the string variable whose 6-byte descriptor is at
// `descriptor` (allocation policy: reuse, extend at the heap top, or a new
// block of L+7 bytes capped at 255; "No room" when the heap is full).
void store_string_var(interp::Interp& in, uint32_t descriptor, const interp::Value& s);
// $addr = s: the bytes followed by CR.
void store_dollar_string(interp::Interp& in, uint32_t addr, const interp::Value& s);
// $addr as a value: the bytes up to the first CR copied to the accumulator.
// Without a CR in the first 256 bytes the length wraps to 0.
interp::Value load_dollar_string(interp::Interp& in, uint32_t addr);
// Concatenation: the left operand was pushed with Interp::push_string;
// `right` is the right operand (a number gives "Type mismatch"). The right
// string is moved up to its place behind the left one first, so a right
// operand already in the accumulator survives. Result in the accumulator;
// "String too long" above 255 bytes.
interp::Value concat_with_pushed(interp::Interp& in, StrBytes right);
inline interp::Value concat_with_pushed(interp::Interp& in, const interp::Value& right) {
    if (!right.is_str) raise(Err::TypeMismatch);
    return concat_with_pushed(in, bytes_of(right));
}
// Unsigned bytewise comparison, shorter string smaller: -1, 0 or 1.
int compare_strings(StrBytes a, StrBytes b);
inline int compare_strings(const interp::Value& a, const interp::Value& b) {
    return compare_strings(bytes_of(a), bytes_of(b));
}

// Keeps a string argument valid while the next arguments are evaluated.
// A string in the accumulator would be overwritten by the next string
// operation, so it is pushed on the BASIC stack and the returned value
// points at the copy there; a string that lives elsewhere (a variable's
// storage) is used where it is. The caller puts `in.sp` back afterwards.
interp::Value hold(interp::Interp& in, const interp::Value& s);

// The string functions once their arguments are known; results are built
// in the accumulator. Counts and positions are the low bytes of the
// arguments (taken by the caller).
interp::Value chr_of(interp::Interp& in, int32_t code);                               // CHR$
interp::Value left_of(interp::Interp& in, StrBytes s, uint32_t n);                  // LEFT$(s, n)
interp::Value right_of(interp::Interp& in, StrBytes s, uint32_t n);                 // RIGHT$(s, n)
interp::Value mid_of(interp::Interp& in, StrBytes s, uint32_t m, uint32_t n);       // MID$(s, m, n)
// INSTR(s, t, from): position of t in s at or after `from` (0 when absent).
int32_t instr_of(StrBytes s, StrBytes t, int32_t from);
// STR$ and STR$~ of a number.
interp::Value str_of(interp::Interp& in, Num x, bool hex);

}  // namespace kov::values

namespace kov::interp {
// Applies a compound assignment operator ('+', '-', '*', '/' or the
// AND/DIV/EOR/MOD/OR token) to two numbers as the evaluator would.
values::Num apply_compound(Interp& in, uint8_t op, values::Num a, values::Num b);
// Size in bytes of a value of the given (non-array) type code.
uint32_t element_size_of(uint8_t type);
}  // namespace kov::interp
