// The numeric functions. The 5-byte versions reduce their argument with
// exact integer arithmetic and evaluate short polynomials with the 5-byte
// bank; the double versions use <cmath> and check their results.
#include <bit>
#include <cmath>
#include <cstddef>

#include "interp/errors.h"
#include "values/maths.h"

namespace kov::values {

namespace {

constexpr uint32_t kSign = 0x80000000u;

// 5-byte constants (mantissa word, exponent byte).
constexpr Num kOne = num_r5(0x00000000u, 0x80);
constexpr Num kPi = num_r5(0x490FDAA2u, 0x81);
constexpr Num kHalfPi = num_r5(0x490FDAA2u, 0x80);
constexpr Num kQuarterPi = num_r5(0x490FDAA2u, 0x7F);
constexpr Num kLn2 = num_r5(0x317217F8u, 0x7F);
constexpr Num kInverseLn10 = num_r5(0x5E5BD8A9u, 0x7E);
constexpr Num kDegreesPerRadian = num_r5(0x652EE0D3u, 0x85);
constexpr Num kRoot2Minus1 = num_r5(0x5413CCD0u, 0x7E);
constexpr Num kRoot2Plus1 = num_r5(0x1A82799Au, 0x81);
// Fraction bits of sqrt(2): mantissas from here on are halved for LN.
constexpr uint32_t kRoot2Fraction = 0x3504F333u;
// Reduction divisors as 64-bit mantissas worth mantissa * 2^-64.
constexpr uint64_t kQuarterPi64 = 0xC90FDAA221690000u;
constexpr uint64_t kLn2_64 = 0xB17217F7D1CF0000u;

// Double constants.
constexpr double kPiDouble = 3.141592653589793;
constexpr double kHalfPiDouble = 1.5707963267948966;
constexpr double kDegreesPerRadianDouble = 57.29577951308232;

// Polynomial coefficients, highest power first; evaluated by Horner's rule.
// sin r / r in z = r^2.
constexpr Num kSinePoly[] = {num_r5(0x3611A8B7u, 0x6D), num_r5(0xD005DE26u, 0x73),
                             num_r5(0x088880C0u, 0x79), num_r5(0xAAAAAA9Du, 0x7D), kOne};
// cos r in z = r^2.
constexpr Num kCosinePoly[] = {num_r5(0x4C78D571u, 0x70), num_r5(0xB60394AFu, 0x76),
                               num_r5(0x2AAA9CC8u, 0x7B), num_r5(0xFFFFFFDDu, 0x7E), kOne};
// e^-r in z = r.
constexpr Num kExpPoly[] = {num_r5(0x942E4072u, 0x73), num_r5(0x2E4F6F65u, 0x76),
                            num_r5(0x88026D37u, 0x79), num_r5(0x2AA0E512u, 0x7B),
                            num_r5(0xAAAA4F14u, 0x7D), num_r5(0x7FFFFD56u, 0x7E),
                            num_r5(0xFFFFFFFEu, 0x7F), kOne};
// ln((1 + t) / (1 - t)) / t in z = t^2.
constexpr Num kLogPoly[] = {num_r5(0x74FBCC48u, 0x7D), num_r5(0x11FFAEAFu, 0x7E),
                            num_r5(0x4CCDD98Cu, 0x7E), num_r5(0x2AAAA9E3u, 0x7F),
                            num_r5(0x00000000u, 0x81)};
// atan t / t in z = t^2.
constexpr Num kArctanPoly[] = {num_r5(0x37D8F335u, 0x7B), num_r5(0xAAB96B91u, 0x7C),
                               num_r5(0x619741DEu, 0x7C), num_r5(0x92379D7Bu, 0x7D),
                               num_r5(0x4CCC2A5Au, 0x7D), num_r5(0xAAAAA95Cu, 0x7E), kOne};

template <size_t N>
Num horner(const Num (&coefficients)[N], Num z) {
    Num p = coefficients[0];
    for (size_t i = 1; i < N; ++i) p = r5_add(r5_mul(p, z), coefficients[i]);
    return p;
}

inline bool negative(Num x) { return is_r5(x) && (r5_mantissa(x) & kSign); }
inline Num magnitude(Num x) { return x & ~Num{kSign}; }

struct Reduction {
    uint32_t quotient;  // only the low bits are meaningful
    Num remainder;
};

// x = q * c + r with 0 <= r < c for a positive 5-byte x and c = divisor *
// 2^-64, by restoring division of the mantissas, one quotient bit per
// exponent step.
Reduction reduce(Num x, uint64_t divisor) {
    if (x == 0) return {0, 0};
    const int steps = r5_exponent(x) - 127;
    if (steps < 0) return {0, x};
    uint64_t remainder = static_cast<uint64_t>(r5_mantissa(x) | kSign) << 32;
    bool carry = false;  // bit 64 of the remainder after a shift
    uint32_t quotient = 0;
    for (int i = 0;; ++i) {
        quotient <<= 1;
        if (carry || remainder >= divisor) {
            remainder -= divisor;
            quotient |= 1;
        }
        if (i == steps) break;
        carry = remainder >> 63;
        remainder <<= 1;
    }
    return {quotient, r5_normalise(0, remainder, 127)};
}

// ---- 5-byte functions ----

Num sin_cos5(Num x, bool cosine) {
    if (x != 0 && r5_exponent(x) >= 0x97) raise(Err::AccuracyLost);
    auto [octant, r] = reduce(magnitude(x), kQuarterPi64);
    if (cosine) {
        octant += 2;
    } else if (negative(x)) {
        octant += 4;
    }
    if (octant & 1) r = r5_sub(kQuarterPi, r);
    const Num z = r5_mul(r, r);
    // Octants 0 and 3 (mod 4) follow the sine series, 1 and 2 the cosine.
    const Num result = ((octant + 1) & 2) == 0 ? r5_mul(r, horner(kSinePoly, z)) : horner(kCosinePoly, z);
    return (octant & 4) ? r5_negate(result) : result;
}

Num sin5(Num x) { return sin_cos5(x, false); }
Num cos5(Num x) { return sin_cos5(x, true); }
Num tan5(Num x) { return r5_div(sin_cos5(x, false), sin_cos5(x, true)); }

Num arctan_series(Num t) { return r5_mul(t, horner(kArctanPoly, r5_mul(t, t))); }

Num atn5(Num x) {
    const Num a = magnitude(x);
    Num result;
    if (r5_compare(a, kRoot2Minus1) < 0) {
        result = arctan_series(a);
    } else if (r5_compare(a, kRoot2Plus1) < 0) {
        result = r5_add(arctan_series(r5_div(r5_sub(a, kOne), r5_add(a, kOne))), kQuarterPi);
    } else {
        result = r5_sub(kHalfPi, arctan_series(r5_div(kOne, a)));
    }
    return negative(x) ? r5_negate(result) : result;
}

Num sqr5(Num x) {
    if (negative(x)) raise(Err::NegativeRoot);
    if (x == 0) return 0;
    // Make the exponent odd, so the value is N * 2^-62 * 4^j with N in
    // [2^62, 2^64) and the root sqrt(N) * 2^-31 * 2^j.
    int exponent = r5_exponent(x);
    const uint64_t mantissa = r5_mantissa(x) | kSign;
    uint64_t n;
    if (exponent & 1) {
        n = mantissa << 32;
    } else {
        n = mantissa << 31;
        ++exponent;
    }
    exponent = 128 + ((exponent - 128) >> 1);
    // Restoring square root, one bit per step.
    uint64_t root = 0;
    uint64_t remainder = 0;
    for (int i = 0; i < 32; ++i) {
        remainder = (remainder << 2) | (n >> 62);
        n <<= 2;
        root <<= 1;
        const uint64_t trial = (root << 1) | 1;
        if (remainder >= trial) {
            remainder -= trial;
            root |= 1;
        }
    }
    // remainder = N - root^2; above root means the root is past the half.
    if (remainder > root) ++root;
    if (root >> 32) {
        root = kSign;
        ++exponent;
    }
    if (exponent > 255) raise(Err::NumberTooBig);
    return num_r5(static_cast<uint32_t>(root) & ~kSign, static_cast<uint8_t>(exponent));
}

Num asn5(Num x) {
    const Num s = sqr5(r5_sub(kOne, r5_mul(x, x)));
    if (s == 0) return negative(x) ? r5_negate(kHalfPi) : kHalfPi;
    return atn5(r5_div(x, s));
}

Num acs5(Num x) { return r5_sub(kHalfPi, asn5(x)); }

Num exp5(Num x) {
    if (x == 0) return kOne;
    const Num a = magnitude(x);
    // |x| >= 128 would give n of 184 or more.
    uint32_t n = 255;
    Num r = 0;
    if (r5_exponent(a) < 0x87) {
        const Reduction reduction = reduce(a, kLn2_64);
        n = reduction.quotient & 0xFF;
        r = reduction.remainder;
    }
    if (n >= 128) {
        if (negative(x)) return 0;
        raise(Err::ExponentRange);
    }
    const Num p = horner(kExpPoly, r);  // e^-r
    const Num v = negative(x) ? p : r5_div(kOne, p);
    const int exponent = r5_exponent(v) + (negative(x) ? -static_cast<int>(n) : static_cast<int>(n));
    if (exponent > 255) raise(Err::NumberTooBig);
    if (exponent < 1) return 0;
    return num_r5(r5_mantissa(v), static_cast<uint8_t>(exponent));
}

Num ln5(Num x) {
    if (x == 0 || negative(x)) raise(Err::LogRange);
    // x = m * 2^k with m in [sqrt(2)/2, sqrt(2)).
    const uint32_t fraction = r5_mantissa(x);
    const bool below_root2 = fraction < kRoot2Fraction;
    const Num m = num_r5(fraction, below_root2 ? 0x80 : 0x7F);
    const int k = r5_exponent(x) - (below_root2 ? 128 : 127);
    const Num t = r5_div(r5_sub(m, kOne), r5_add(m, kOne));
    Num result = r5_mul(t, horner(kLogPoly, r5_mul(t, t)));
    if (k != 0) result = r5_add(result, r5_mul(int_to_r5(k), kLn2));
    return result;
}

Num log5(Num x) { return r5_mul(ln5(x), kInverseLn10); }
Num deg5(Num x) { return r5_mul(x, kDegreesPerRadian); }
Num rad5(Num x) { return r5_div(x, kDegreesPerRadian); }

Num int5(Num x) {
    const int exponent = r5_exponent(x);
    if (exponent >= 0xA0) raise(Err::NumberTooBig);
    uint64_t whole = 0;
    bool fraction = true;
    if (exponent >= 0x80) {
        const uint32_t mantissa = r5_mantissa(x) | kSign;
        const int shift = 0x9F - exponent;
        whole = mantissa >> shift;
        fraction = shift != 0 && (mantissa << (32 - shift)) != 0;
    }
    if (negative(x)) {
        whole += fraction;
        if (whole > 0x80000000u) raise(Err::NumberTooBig);
        return num_int(static_cast<int32_t>(0u - static_cast<uint32_t>(whole)));
    }
    if (whole > 0x7FFFFFFFu) raise(Err::NumberTooBig);
    return num_int(static_cast<int32_t>(whole));
}

// ---- double functions ----

// Beyond 2^63 the unit cannot reduce a trigonometric argument.
void check_trig_range(double x) {
    if (std::fabs(x) >= 9223372036854775808.0) raise(Err::AccuracyLost);
}

Num sin8(double x) {
    check_trig_range(x);
    return from_double(std::sin(x));
}

Num cos8(double x) {
    check_trig_range(x);
    return from_double(std::cos(x));
}

Num tan8(double x) {
    check_trig_range(x);
    return from_double(std::sin(x) / std::cos(x));
}

Num atn8(double x) { return from_double(std::atan(x)); }

double asn_value(double x) {
    const double t = 1 - x * x;
    if (t < 0) raise(Err::NegativeRoot);
    if (t == 0) return std::copysign(kHalfPiDouble, x);
    return std::atan(x / std::sqrt(t));
}

Num asn8(double x) { return from_double(asn_value(x)); }
Num acs8(double x) { return from_double(kHalfPiDouble - asn_value(x)); }

Num exp8(double x) {
    const double result = std::exp(x);
    if (std::isinf(result)) raise(Err::ExponentRange);
    return from_double(result);
}

Num ln8(double x) {
    if (x <= 0) raise(Err::LogRange);
    return from_double(std::log(x));
}

Num log8(double x) {
    if (x <= 0) raise(Err::LogRange);
    return from_double(std::log10(x));
}

Num sqr8(double x) {
    if (x < 0) raise(Err::NegativeRoot);
    return from_double(std::sqrt(x));
}

Num deg8(double x) { return from_double(x * kDegreesPerRadianDouble); }
Num rad8(double x) { return from_double(x / kDegreesPerRadianDouble); }

Num int8(double x) {
    const double whole = std::floor(x);
    if (!(whole >= -2147483648.0 && whole < 2147483648.0)) raise(Err::NumberTooBig);
    return num_int(static_cast<int32_t>(whole));
}

// Widens an integer argument by the mode and runs the version of its form;
// the integer 0 goes to the mode's version.
template <Num (*five)(Num), Num (*eight)(double)>
Num apply(Num x, RealMode mode) {
    x = to_real(x, mode);
    if (is_r8(x) || (x == 0 && mode == RealMode::Eight)) return eight(to_double(x));
    return five(x);
}

// ---- random numbers ----

uint32_t load_word(const uint8_t state[5]) {
    return static_cast<uint32_t>(state[0]) | (static_cast<uint32_t>(state[1]) << 8) |
           (static_cast<uint32_t>(state[2]) << 16) | (static_cast<uint32_t>(state[3]) << 24);
}

void store(uint8_t state[5], uint32_t word, uint32_t extra_bit) {
    state[0] = static_cast<uint8_t>(word);
    state[1] = static_cast<uint8_t>(word >> 8);
    state[2] = static_cast<uint8_t>(word >> 16);
    state[3] = static_cast<uint8_t>(word >> 24);
    state[4] = static_cast<uint8_t>(extra_bit & 1);
}

// 32 shifts of the 33-bit register (extra bit below S), feeding back bit 31
// of S exclusive-or bit 18 of S.
uint32_t rnd_step(uint8_t state[5]) {
    uint32_t word = load_word(state);
    uint32_t extra = state[4] & 1;
    for (int i = 0; i < 32; ++i) {
        const uint32_t feedback = ((word >> 31) ^ (word >> 18)) & 1;
        word = (word << 1) | extra;
        extra = feedback;
    }
    store(state, word, extra);
    return word;
}

// (S rotated right by 16) / 2^32 in the mode's real form, exactly.
Num rnd_fraction(uint32_t word, RealMode mode) {
    const uint32_t bits = std::rotr(word, 16);
    if (bits == 0) return 0;
    if (mode == RealMode::Five) return r5_normalise(0, static_cast<uint64_t>(bits) << 32, 127);
    return from_double(std::ldexp(static_cast<double>(bits), -32));
}

}  // namespace

Num m_sin(Num x, RealMode mode) { return apply<sin5, sin8>(x, mode); }
Num m_cos(Num x, RealMode mode) { return apply<cos5, cos8>(x, mode); }
Num m_tan(Num x, RealMode mode) { return apply<tan5, tan8>(x, mode); }
Num m_atn(Num x, RealMode mode) { return apply<atn5, atn8>(x, mode); }
Num m_asn(Num x, RealMode mode) { return apply<asn5, asn8>(x, mode); }
Num m_acs(Num x, RealMode mode) { return apply<acs5, acs8>(x, mode); }
Num m_exp(Num x, RealMode mode) { return apply<exp5, exp8>(x, mode); }
Num m_ln(Num x, RealMode mode) { return apply<ln5, ln8>(x, mode); }
Num m_log(Num x, RealMode mode) { return apply<log5, log8>(x, mode); }
Num m_sqr(Num x, RealMode mode) { return apply<sqr5, sqr8>(x, mode); }
Num m_deg(Num x, RealMode mode) { return apply<deg5, deg8>(x, mode); }
Num m_rad(Num x, RealMode mode) { return apply<rad5, rad8>(x, mode); }

Num m_int(Num x, RealMode) {
    if (is_int(x)) return x;
    if (is_r5(x)) return int5(x);
    return int8(bits_to_double(x));
}

Num m_sgn(Num x, RealMode) {
    if (is_int(x)) return num_int((as_int(x) > 0) - (as_int(x) < 0));
    const bool minus = is_r5(x) ? (r5_mantissa(x) & kSign) != 0 : (x >> 63) != 0;
    return num_int(minus ? -1 : 1);
}

Num m_pi(RealMode mode) {
    return mode == RealMode::Five ? kPi : double_to_bits(kPiDouble);
}

void rnd_seed(uint8_t state[5], uint32_t centiseconds) {
    store(state, centiseconds == 0 ? 1 : centiseconds, centiseconds & 1);
}

Num rnd_plain(uint8_t state[5]) { return num_int(static_cast<int32_t>(rnd_step(state))); }

Num rnd_call(uint8_t state[5], int32_t n, RealMode mode) {
    if (n < 0) {
        store(state, static_cast<uint32_t>(n), 1);
        return num_int(n);
    }
    if (n == 0) return rnd_fraction(load_word(state), mode);
    const uint32_t word = rnd_step(state);
    if (n == 1) return rnd_fraction(word, mode);
    const uint64_t scaled = (static_cast<uint64_t>(std::rotr(word, 16)) * static_cast<uint32_t>(n)) >> 32;
    return num_int(static_cast<int32_t>(scaled + 1));
}

}  // namespace kov::values
