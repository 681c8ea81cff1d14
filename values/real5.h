// The hot part of the 5-byte real bank, inline so that the evaluator and
// the compiled expressions call it without a function call: rounding,
// normalising, conversion from integers, addition, subtraction,
// multiplication and comparison. Division is in real5.cpp.
//
// A working value is a sign, a mantissa with its leading 1 explicit and the
// exponent byte. Results are rounded on 32 guard bits below the 32-bit
// mantissa; an exact half sets the lowest mantissa bit (ties go to odd).
#pragma once

#include <bit>
#include <cstdint>
#include <utility>

#include "interp/errors.h"
#include "values/number.h"

namespace kov::values {

namespace r5detail {
constexpr uint32_t kSignBit = 0x80000000u;
// The mantissa with its leading 1 made explicit.
inline uint32_t full_mantissa(Num n) { return r5_mantissa(n) | kSignBit; }
inline uint32_t sign_of(Num n) { return r5_mantissa(n) & kSignBit; }
}  // namespace r5detail

// `sign` is 0 or 0x80000000; bit 63 of `reg` weighs 2^(exponent - 128).
// r5_round: `reg` has bit 63 set; rounds on its low 32 bits (above half up,
// exactly half sets the lowest mantissa bit); exponent past 255 "Number too
// big", below 1 the integer 0.
// r5_normalise: shifts `reg` left until bit 63 is set, lowering the
// exponent; 0 or an exponent reaching 0 gives the integer 0; then rounds.

inline Num r5_round(uint32_t sign, uint64_t reg, int exponent) {
    uint32_t mantissa = static_cast<uint32_t>(reg >> 32);
    const uint32_t guard = static_cast<uint32_t>(reg);
    if (guard > 0x80000000u) {
        if (++mantissa == 0) {
            mantissa = r5detail::kSignBit;
            ++exponent;
        }
    } else if (guard == 0x80000000u) {
        mantissa |= 1;
    }
    if (exponent > 255) raise(Err::NumberTooBig);
    if (exponent < 1) return 0;
    return num_r5((mantissa & ~r5detail::kSignBit) | sign, static_cast<uint8_t>(exponent));
}

inline Num r5_normalise(uint32_t sign, uint64_t reg, int exponent) {
    if (reg == 0) return 0;
    const int shift = std::countl_zero(reg);
    exponent -= shift;
    if (exponent < 1) return 0;
    return r5_round(sign, reg << shift, exponent);
}

inline Num int_to_r5(int32_t i) {
    if (i == 0) return 0;
    const uint32_t sign = static_cast<uint32_t>(i) & r5detail::kSignBit;
    const uint32_t magnitude = sign ? 0u - static_cast<uint32_t>(i) : static_cast<uint32_t>(i);
    const int zeros = std::countl_zero(magnitude);
    const uint32_t mantissa = (magnitude << zeros) & ~r5detail::kSignBit;
    return num_r5(mantissa | sign, static_cast<uint8_t>(128 + 31 - zeros));
}

[[gnu::always_inline]] inline Num r5_add(Num a, Num b) {
    if (a == 0) return b;
    if (b == 0) return a;
    // b gets the larger exponent; a is shifted down to it.
    if (r5_exponent(a) > r5_exponent(b)) std::swap(a, b);
    int exponent = r5_exponent(b);
    const unsigned distance = static_cast<unsigned>(exponent - r5_exponent(a));
    const uint64_t big = static_cast<uint64_t>(r5detail::full_mantissa(b)) << 32;
    const uint64_t small =
        distance >= 64 ? 0 : (static_cast<uint64_t>(r5detail::full_mantissa(a)) << 32) >> distance;

    if (r5detail::sign_of(a) == r5detail::sign_of(b)) {
        uint64_t sum = big + small;
        if (sum < big) {
            // Carry out of bit 63: shift it back in and raise the exponent.
            sum = (sum >> 1) | (uint64_t{1} << 63);
            ++exponent;
        }
        return r5_round(r5detail::sign_of(b), sum, exponent);
    }
    // Different signs: the larger magnitude gives the sign. Only equal
    // exponents can make the shifted operand the larger one.
    if (small > big) return r5_normalise(r5detail::sign_of(a), small - big, exponent);
    return r5_normalise(r5detail::sign_of(b), big - small, exponent);
}

[[gnu::always_inline]] inline Num r5_sub(Num a, Num b) { return r5_add(a, r5_negate(b)); }

inline Num r5_mul(Num a, Num b) {
    if (a == 0 || b == 0) return 0;
    uint64_t product = static_cast<uint64_t>(r5detail::full_mantissa(a)) * r5detail::full_mantissa(b);
    int exponent = r5_exponent(a) + r5_exponent(b) - 128;
    if (product >> 63) {
        ++exponent;  // the product of the mantissas is 2 or more
    } else {
        product <<= 1;
    }
    return r5_round(r5detail::sign_of(a) ^ r5detail::sign_of(b), product, exponent);
}

inline int r5_compare(Num a, Num b) {
    // Exponent and fraction side by side order the magnitudes; the integer 0
    // has neither and maps to 0. Negative values mirror their key.
    auto key = [](Num n) {
        const int64_t magnitude = (static_cast<int64_t>(r5_exponent(n)) << 31) |
                                  (r5_mantissa(n) & ~r5detail::kSignBit);
        return r5detail::sign_of(n) ? -magnitude : magnitude;
    };
    const int64_t ka = key(a);
    const int64_t kb = key(b);
    return (ka > kb) - (ka < kb);
}


}  // namespace kov::values
