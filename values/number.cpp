// Conversions between the three number forms and the arithmetic operators,
// which pick the integer, 5-byte or 8-byte bank from their operands.
#include <bit>
#include <cmath>

#include "interp/errors.h"
#include "values/maths.h"
#include "values/number.h"

namespace kov::values {

namespace {

constexpr uint64_t kDoubleSign = uint64_t{1} << 63;
constexpr uint32_t kR5Sign = 0x80000000u;
constexpr Num kR5One = num_r5(0, 0x80);

// Integer -> real of the mode; the integer 0 and reals pass unchanged.
inline Num widen(Num n, RealMode mode) {
    if (!is_int(n) || n == 0) return n;
    if (mode == RealMode::Five) return int_to_r5(as_int(n));
    return double_to_bits(static_cast<double>(as_int(n)));
}

// 5-byte real -> the same value as double bits (exact).
inline Num r5_to_bits(Num n) {
    const uint64_t sign = static_cast<uint64_t>(r5_mantissa(n) & kR5Sign) << 32;
    const uint64_t exponent = static_cast<uint64_t>(r5_exponent(n) + 895) << 52;
    const uint64_t fraction = static_cast<uint64_t>(r5_mantissa(n) & ~kR5Sign) << 21;
    return sign | exponent | fraction;
}

inline double value_of(Num n) {
    if (is_int(n)) return as_int(n);
    if (is_r5(n)) return bits_to_double(r5_to_bits(n));
    return bits_to_double(n);
}

// Both operands are reals of the 5-byte bank (or the integer 0) once
// integers are widened.
inline bool both_r5(Num a, Num b) { return (num_high(a) | num_high(b)) <= 255u; }

enum class Op { Add, Sub, Mul, Div };

// Real arithmetic: integers widen by the mode; two 5-byte operands use the
// 5-byte bank, anything else is done on doubles.
template <Op op>
Num real_op(Num a, Num b, RealMode mode) {
    a = widen(a, mode);
    b = widen(b, mode);
    if (both_r5(a, b)) {
        switch (op) {
            case Op::Add: return r5_add(a, b);
            case Op::Sub: return r5_sub(a, b);
            case Op::Mul: return r5_mul(a, b);
            case Op::Div: return r5_div(a, b);
        }
    }
    const double x = value_of(a);
    const double y = value_of(b);
    switch (op) {
        case Op::Add: return from_double(x + y);
        case Op::Sub: return from_double(x - y);
        case Op::Mul: return from_double(x * y);
        case Op::Div:
            if (y == 0) raise(Err::DivisionByZero);
            return from_double(x / y);
    }
    return 0;
}

// x^n for n >= 1 by binary exponentiation from the top bit of n, each step
// with the `*` of the operands' forms. Starting from x rather than from 1
// skips the exact first square and product.
Num power_by_squaring(Num x, uint64_t n, RealMode mode) {
    Num result = x;
    for (int bit = 62 - std::countl_zero(n); bit >= 0; --bit) {
        result = num_mul(result, result, mode);
        if ((n >> bit) & 1) result = num_mul(result, x, mode);
    }
    return result;
}

}  // namespace

// ---- conversions ----

Num to_real(Num n, RealMode mode) { return widen(n, mode); }

Num to_r5(Num n) {
    if (is_int(n)) return int_to_r5(as_int(n));
    if (is_r5(n)) return n;
    // Top 32 bits of the 52-bit fraction, plus one at the lowest of them,
    // shifted right once: rounded half-up on the first dropped bit.
    const uint32_t sign = static_cast<uint32_t>(n >> 32) & kR5Sign;
    int exponent = static_cast<int>((n >> 52) & 0x7FF) - 895;
    uint64_t fraction = (((n >> 20) & 0xFFFFFFFFu) + 1) >> 1;
    if (fraction >> 31) {
        fraction = 0;
        ++exponent;
    }
    if (exponent <= 0) return 0;
    if (exponent > 255) raise(Err::NumberTooBig);
    return num_r5(static_cast<uint32_t>(fraction) | sign, static_cast<uint8_t>(exponent));
}

Num to_r8(Num n) {
    if (is_int(n)) return double_to_bits(static_cast<double>(as_int(n)));
    if (is_r5(n)) return r5_to_bits(n);
    return n;
}

int32_t to_int(Num n) {
    if (is_int(n)) return as_int(n);
    uint32_t mantissa;
    int exponent;
    if (is_r5(n)) {
        mantissa = r5_mantissa(n);
        exponent = r5_exponent(n);
    } else {
        // A double is cut to the 5-byte form without rounding first.
        exponent = static_cast<int>((n >> 52) & 0x7FF) - 895;
        if (exponent <= 0) return 0;
        mantissa = static_cast<uint32_t>((n >> 21) & 0x7FFFFFFF) |
                   (static_cast<uint32_t>(n >> 32) & kR5Sign);
    }
    if (exponent >= 0x9F) raise(Err::NumberTooBig);
    if (exponent < 0x80) return 0;
    const uint32_t magnitude = (mantissa | kR5Sign) >> (0x9F - exponent);
    return static_cast<int32_t>((mantissa & kR5Sign) ? 0u - magnitude : magnitude);
}

double to_double(Num n) { return value_of(n); }

Num from_double(double d) {
    const Num bits = double_to_bits(d);
    const uint32_t exponent_field = static_cast<uint32_t>(bits >> 52) & 0x7FF;
    if (exponent_field == 0x7FF) raise(Err::NumberTooBig);
    if (exponent_field == 0) return 0;
    return bits;
}

// ---- operators ----

Num num_add(Num a, Num b, RealMode mode) {
    int32_t sum;
    if (is_int(a) && is_int(b) && !__builtin_add_overflow(as_int(a), as_int(b), &sum)) {
        return num_int(sum);
    }
    return real_op<Op::Add>(a, b, mode);
}

Num num_sub(Num a, Num b, RealMode mode) {
    int32_t difference;
    if (is_int(a) && is_int(b) && !__builtin_sub_overflow(as_int(a), as_int(b), &difference)) {
        return num_int(difference);
    }
    return real_op<Op::Sub>(a, b, mode);
}

Num num_mul(Num a, Num b, RealMode mode) {
    int32_t product;
    if (is_int(a) && is_int(b) && !__builtin_mul_overflow(as_int(a), as_int(b), &product)) {
        return num_int(product);
    }
    return real_op<Op::Mul>(a, b, mode);
}

Num num_div(Num a, Num b, RealMode mode) { return real_op<Op::Div>(a, b, mode); }

Num num_neg(Num a, RealMode mode) {
    if (is_int(a)) {
        if (a != 0x80000000u) return num_int(static_cast<int32_t>(0u - static_cast<uint32_t>(a)));
        a = widen(a, mode);  // +2147483648 needs a real
    }
    return a ^ (is_r5(a) ? Num{kR5Sign} : kDoubleSign);
}

Num num_abs(Num a, RealMode mode) {
    if (is_int(a)) return as_int(a) < 0 ? num_neg(a, mode) : a;
    return a & ~(is_r5(a) ? Num{kR5Sign} : kDoubleSign);
}

int32_t num_idiv(Num a, Num b) {
    const int32_t x = to_int(a);
    const int32_t y = to_int(b);
    if (y == 0) raise(Err::DivisionByZero);
    if (y == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(x));
    return x / y;
}

int32_t num_imod(Num a, Num b) {
    const int32_t x = to_int(a);
    const int32_t y = to_int(b);
    if (y == 0) raise(Err::DivisionByZero);
    if (y == -1) return 0;
    return x % y;
}

int num_compare(Num a, Num b, RealMode) {
    if (is_int(a) && is_int(b)) return (as_int(a) > as_int(b)) - (as_int(a) < as_int(b));
    // Every conversion between the forms is exact, so any common form
    // compares by value.
    if (is_r8(a) || is_r8(b)) {
        const double x = value_of(a);
        const double y = value_of(b);
        return (x > y) - (x < y);
    }
    return r5_compare(widen(a, RealMode::Five), widen(b, RealMode::Five));
}

Num num_pow(Num a, Num b, RealMode mode) {
    if (b == 0) return num_int(1);
    Num x = a;
    int64_t n;
    if (is_int(a) && is_int(b)) {
        n = as_int(b);
        if (n < 0) x = num_div(num_int(1), x, mode);
    } else {
        x = widen(a, mode);
        const Num y = widen(b, mode);
        if (both_r5(x, y)) {
            // A 5-byte exponent below 2^32 without fractional bits is taken
            // as an integer (from 2^31 up that is "Number too big").
            const int e = r5_exponent(y);
            const bool whole =
                e >= 0x80 && e <= 0x9F && (e == 0x9F || (r5_mantissa(y) << (e - 0x7F)) == 0);
            if (!whole) {
                return m_exp(r5_mul(y, m_ln(x, RealMode::Five)), RealMode::Five);
            }
            n = to_int(y);
            if (n < 0) x = r5_div(kR5One, x);
        } else {
            const double yd = value_of(y);
            if (std::nearbyint(yd) != yd) {
                const Num product = real_op<Op::Mul>(y, m_ln(to_r8(x), RealMode::Eight),
                                                     RealMode::Eight);
                return m_exp(product, RealMode::Eight);
            }
            // Integral exponents beyond 2^62 are all even; their results only
            // differ between overflow, underflow and 1.
            const double limit = 4611686018427387904.0;  // 2^62
            n = std::fabs(yd) >= limit ? (yd < 0 ? -(int64_t{1} << 62) : int64_t{1} << 62)
                                       : static_cast<int64_t>(yd);
            x = to_r8(x);
            if (n < 0) x = real_op<Op::Div>(double_to_bits(1.0), x, RealMode::Eight);
        }
    }
    if (n == 0) return num_int(1);
    return power_by_squaring(x, static_cast<uint64_t>(n < 0 ? -n : n), mode);
}

}  // namespace kov::values
