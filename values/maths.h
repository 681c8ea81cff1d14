// The numeric functions: trigonometry, exponential and logarithm, roots,
// INT, SGN, DEG, RAD, PI and the random-number generator.
//
// Every function takes its argument as a number word. Integers are first
// widened by the real mode (the integer 0 stays 0 and is computed in the
// mode's form); a 5-byte real is computed in software with the bank of
// real5.cpp, a double with <cmath> and the usual result checks.
#pragma once

#include <cstdint>

#include "values/number.h"

namespace kov::values {

Num m_sin(Num x, RealMode mode);
Num m_cos(Num x, RealMode mode);
Num m_tan(Num x, RealMode mode);
Num m_atn(Num x, RealMode mode);
Num m_asn(Num x, RealMode mode);   // "Negative root" for |x| > 1
Num m_acs(Num x, RealMode mode);
Num m_exp(Num x, RealMode mode);   // "Exponent range" when too large
Num m_ln(Num x, RealMode mode);    // "Logarithm range" for x <= 0
Num m_log(Num x, RealMode mode);
Num m_sqr(Num x, RealMode mode);   // "Negative root" for x < 0
Num m_deg(Num x, RealMode mode);
Num m_rad(Num x, RealMode mode);
Num m_int(Num x, RealMode mode);   // floor to an integer; "Number too big"
Num m_sgn(Num x, RealMode mode);   // integer -1, 0 or 1
Num m_pi(RealMode mode);

// The random-number generator keeps a 33-bit shift register in five bytes:
// the 32-bit word S little-endian, then a byte whose bit 0 is the extra bit.
void rnd_seed(uint8_t state[5], uint32_t centiseconds);
// RND: one step; S as a signed integer.
Num rnd_plain(uint8_t state[5]);
// RND(n) with n already an integer: n < 0 reseeds and returns n; 0 repeats
// the last fraction; 1 steps and gives a real in [0, 1); n > 1 steps and
// gives an integer in 1..n. Reals take the mode's form.
Num rnd_call(uint8_t state[5], int32_t n, RealMode mode);

}  // namespace kov::values
