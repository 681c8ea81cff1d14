// The number word and the arithmetic on it.
//
// A number is one 64-bit word whose high half tells its form:
//   high half 0        -> 32-bit integer in the low half
//   high half 1..255   -> 5-byte real: high half = exponent byte (excess 128),
//                         low half = mantissa word (bit 31 sign, bits 30..0
//                         fraction below an implied leading 1)
//   anything else      -> IEEE 754 double (the 64 bits as they stand)
// Zero is always the integer 0: no routine hands on a real zero.
#pragma once

#include <cstdint>
#include <cstring>

namespace kov::values {

using Num = uint64_t;

// Which real form integers widen to and fractional literals take.
enum class RealMode : uint8_t { Five, Eight };

constexpr Num num_int(int32_t i) { return static_cast<uint32_t>(i); }
constexpr Num num_r5(uint32_t mantissa, uint8_t exponent) {
    return (static_cast<uint64_t>(exponent) << 32) | mantissa;
}
constexpr uint32_t num_high(Num n) { return static_cast<uint32_t>(n >> 32); }
constexpr bool is_int(Num n) { return num_high(n) == 0; }
constexpr bool is_r5(Num n) { return num_high(n) - 1u < 255u; }
constexpr bool is_r8(Num n) { return num_high(n) > 255u; }
constexpr int32_t as_int(Num n) { return static_cast<int32_t>(static_cast<uint32_t>(n)); }
constexpr uint32_t r5_mantissa(Num n) { return static_cast<uint32_t>(n); }
constexpr uint8_t r5_exponent(Num n) { return static_cast<uint8_t>(n >> 32); }
inline double bits_to_double(Num n) { double d; std::memcpy(&d, &n, 8); return d; }
inline Num double_to_bits(double d) { Num n; std::memcpy(&n, &d, 8); return n; }

// ---- conversions (number.cpp) ----
// Integer -> real in the given mode; integer 0 stays integer 0; reals unchanged.
Num to_real(Num n, RealMode mode);
// Any form -> 5-byte real (integer 0 stays 0; other integers convert
// exactly): 8-byte to 5-byte rounds half-up on the first dropped bit;
// exponent above range raises "Number too big", below range gives 0.
// Code storing into a 5-byte variable keeps integers itself.
Num to_r5(Num n);
// Any form -> double bits (exact for integers and 5-byte reals).
Num to_r8(Num n);
// Truncation toward zero to a 32-bit integer ("Number too big" outside).
int32_t to_int(Num n);
// The value as a C++ double (any form), for conversions and tests.
double to_double(Num n);
// A double result -> number word: overflow (inf/nan) "Number too big",
// zero or zero exponent field -> integer 0.
Num from_double(double d);

// ---- operators (number.cpp) ----
// Each picks the bank from the operands' forms: both integers -> integer
// bank; else integers widen by `mode`; both 5-byte -> 5-byte bank;
// otherwise both widened to doubles.
Num num_add(Num a, Num b, RealMode mode);
Num num_sub(Num a, Num b, RealMode mode);
Num num_mul(Num a, Num b, RealMode mode);
Num num_div(Num a, Num b, RealMode mode);   // always real; "Division by zero"
Num num_pow(Num a, Num b, RealMode mode);
Num num_neg(Num a, RealMode mode);          // -2147483648 becomes real
Num num_abs(Num a, RealMode mode);
int32_t num_idiv(Num a, Num b);             // DIV
int32_t num_imod(Num a, Num b);             // MOD
// -1, 0 or 1. Integers signed; reals by value; equality exact.
int num_compare(Num a, Num b, RealMode mode);

// ---- the 5-byte bank proper; operands are 5-byte reals or integer 0,
//      results likewise. The hot operations are inline in real5.h. ----
Num r5_div(Num a, Num b);
// Sign flip of a 5-byte real; the integer 0 stays 0.
constexpr Num r5_negate(Num n) { return n == 0 ? 0 : n ^ 0x80000000u; }

}  // namespace kov::values

#include "values/real5.h"
