// The number forms, their conversions and the operator banks, with a
// randomized cross-check of the 5-byte bank against a reference that works
// on exact values in 128-bit integers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "interp/errors.h"
#include "values/number.h"
#include "tests/unit/test_support.h"

namespace kov::values {
namespace {

constexpr RealMode kFive = RealMode::Five;
constexpr RealMode kEight = RealMode::Eight;

Num r8(double d) { return double_to_bits(d); }

using test::error_of;

TEST(Real5, ExactPatterns) {
    const Num third = num_div(num_int(1), num_int(3), kFive);
    EXPECT_EQ(third, num_r5(0x2AAAAAABu, 0x7E));
    EXPECT_EQ(num_mul(third, num_int(3), kFive), num_r5(0, 0x80));
    const Num half = num_div(num_int(1), num_int(2), kFive);
    EXPECT_EQ(num_add(half, half, kFive), num_r5(0, 0x80));
    EXPECT_EQ(num_sub(num_r5(0, 0x80), num_r5(0, 0x80), kFive), 0u);
    EXPECT_EQ(int_to_r5(7), num_r5(0x60000000u, 0x82));
    EXPECT_EQ(int_to_r5(-1), num_r5(0x80000000u, 0x80));
    EXPECT_EQ(int_to_r5(10), num_r5(0x20000000u, 0x83));
    EXPECT_EQ(int_to_r5(INT32_MIN), num_r5(0x80000000u, 0x9F));
    EXPECT_EQ(to_r5(r8(7.5)), num_r5(0x70000000u, 0x82));
}

TEST(Real5, IntegerOverflowFallsBackToReal) {
    const Num sum = num_add(num_int(INT32_MAX), num_int(1), kFive);
    EXPECT_EQ(sum, num_r5(0, 0x9F));  // 2^31
    EXPECT_EQ(error_of([&] { to_int(sum); }), 20);
    EXPECT_TRUE(is_r5(num_sub(num_int(-INT32_MAX), num_int(2), kFive)));
    EXPECT_EQ(num_mul(num_int(65536), num_int(65536), kEight), r8(4294967296.0));
    EXPECT_EQ(num_neg(num_int(INT32_MIN), kFive), num_r5(0, 0x9F));
    EXPECT_EQ(num_abs(num_int(INT32_MIN), kEight), r8(2147483648.0));
    EXPECT_EQ(num_neg(num_int(5), kFive), num_int(-5));
}

TEST(Real5, RangeLimits) {
    const Num big = num_r5(0x16769951u, 0xFE);  // 1E38
    EXPECT_EQ(error_of([&] { num_mul(big, num_int(10), kFive); }), 20);
    const Num tiny = num_r5(0x59C7DCEDu, 0x01);  // 1E-38
    EXPECT_EQ(num_div(tiny, int_to_r5(1000000000), kFive), 0u);
    EXPECT_EQ(error_of([&] { num_div(num_int(1), num_int(0), kFive); }), 18);
    EXPECT_EQ(error_of([&] { r5_div(0, 0); }), 18);
    EXPECT_EQ(error_of([&] { num_mul(r8(1e308), num_int(10), kFive); }), 20);
    EXPECT_EQ(num_div(r8(1e-308), r8(1e10), kFive), 0u);
    EXPECT_EQ(num_sub(r8(0.25), r8(0.25), kFive), 0u);
}

TEST(Real5, Power) {
    EXPECT_EQ(num_pow(num_int(2), num_int(-1), kFive), num_r5(0, 0x7F));
    EXPECT_EQ(num_pow(num_int(-2), num_int(3), kFive), num_int(-8));
    EXPECT_EQ(num_pow(num_int(0), num_int(0), kFive), num_int(1));
    EXPECT_EQ(num_pow(num_int(2), num_int(31), kFive), num_r5(0, 0x9F));
    EXPECT_EQ(num_pow(num_int(2), int_to_r5(3), kFive), int_to_r5(8));
    const Num third = num_div(num_int(1), num_int(3), kFive);
    EXPECT_EQ(error_of([&] { num_pow(num_int(-8), third, kFive); }), 22);
    EXPECT_EQ(error_of([&] { num_pow(num_int(2), int_to_r5(INT32_MIN), kFive); }), 20);
    EXPECT_NEAR(to_double(num_pow(num_int(2), num_r5(0, 0x7F), kFive)), std::sqrt(2.0), 1e-9);
    // The 8-byte bank: integral doubles square and multiply, others use EXP/LN.
    EXPECT_EQ(num_pow(r8(-1.5), r8(3.0), kFive), r8(-3.375));
    EXPECT_EQ(num_pow(num_int(10), num_int(-2), kEight), r8((1.0 / 10) * (1.0 / 10)));
    EXPECT_NEAR(to_double(num_pow(r8(2.0), r8(0.5), kFive)), std::sqrt(2.0), 1e-15);
    EXPECT_EQ(num_pow(r8(-1.0), r8(1e300), kFive), r8(1.0));
}

TEST(Real5, Conversions) {
    // 8-byte to 5-byte rounds half-up on the first dropped bit.
    EXPECT_EQ(to_r5(r8(1.0 + std::ldexp(1.0, -32))), num_r5(1, 0x80));
    EXPECT_EQ(to_r5(r8(1.0 + std::ldexp(1.0, -33))), num_r5(0, 0x80));
    EXPECT_EQ(to_r5(r8(2.0 - std::ldexp(1.0, -40))), num_r5(0, 0x81));
    EXPECT_EQ(error_of([] { to_r5(r8(1e39)); }), 20);
    EXPECT_EQ(to_r5(r8(1e-39)), 0u);
    EXPECT_EQ(to_r8(num_r5(0x490FDAA2u, 0x81)), r8(3.1415926534682512));
    EXPECT_EQ(to_real(num_int(0), kEight), 0u);
    EXPECT_EQ(to_real(num_int(3), kEight), r8(3.0));
    // Truncation toward zero.
    EXPECT_EQ(to_int(num_r5(0x20000000u, 0x81)), 2);   // 2.5
    EXPECT_EQ(to_int(num_r5(0xA0000000u, 0x81)), -2);  // -2.5
    EXPECT_EQ(to_int(r8(-0.75)), 0);
    EXPECT_EQ(to_int(r8(2147483647.9)), INT32_MAX);
    EXPECT_EQ(error_of([] { to_int(r8(-2147483648.0)); }), 20);
    EXPECT_EQ(error_of([] { to_int(r8(1e300)); }), 20);
    EXPECT_EQ(from_double(1e-310), 0u);
    EXPECT_EQ(error_of([] { from_double(HUGE_VAL); }), 20);
}

TEST(Real5, IntegerDivisionAndComparison) {
    EXPECT_EQ(num_idiv(num_int(7), num_int(-2)), -3);
    EXPECT_EQ(num_imod(num_int(-7), num_int(2)), -1);
    EXPECT_EQ(num_idiv(r8(7.9), num_int(2)), 3);
    EXPECT_EQ(error_of([] { num_imod(num_int(1), num_int(0)); }), 18);
    EXPECT_EQ(error_of([] { num_idiv(num_int(1), r8(0.5)); }), 18);

    EXPECT_EQ(num_compare(num_int(-1), num_int(1), kFive), -1);
    EXPECT_EQ(num_compare(int_to_r5(3), num_int(3), kFive), 0);
    EXPECT_EQ(num_compare(num_r5(0x60000000u, 0x81), num_int(3), kEight), 1);  // 3.5 > 3
    EXPECT_EQ(num_compare(r8(-0.5), num_int(0), kFive), -1);
    EXPECT_EQ(num_compare(r8(2.5), num_r5(0x20000000u, 0x81), kFive), 0);
    EXPECT_EQ(num_compare(num_r5(0x80000000u, 0x90), num_r5(0x80000000u, 0x80), kFive), -1);
    EXPECT_EQ(num_compare(num_int(0), num_r5(0x80000000u, 0x01), kFive), 1);
}

TEST(Real5, BankChoice) {
    // 5-byte and double operands meet in the 8-byte bank; integers widen by mode.
    EXPECT_EQ(num_add(num_r5(0, 0x80), r8(0.5), kFive), r8(1.5));
    EXPECT_EQ(num_add(num_r5(0, 0x80), num_int(1), kEight), r8(2.0));
    EXPECT_EQ(num_add(num_r5(0, 0x80), num_int(0), kEight), num_r5(0, 0x80));
    EXPECT_EQ(num_div(num_int(6), num_int(2), kFive), int_to_r5(3));
    EXPECT_EQ(num_div(num_int(1), num_int(3), kEight), r8(1.0 / 3.0));
}

// ---- randomized cross-check ----

// A 5-byte operand as sign, 32-bit significand (leading 1 set) and exponent.
struct Parts {
    bool zero;
    bool negative;
    uint64_t significand;
    int exponent;
};

Parts parts_of(Num n) {
    if (n == 0) return {true, false, 0, 0};
    return {false, (r5_mantissa(n) >> 31) != 0, uint64_t{r5_mantissa(n) | 0x80000000u},
            r5_exponent(n)};
}

// An expected result: a number, or the error it raises.
struct Expected {
    int error;  // -1 for none
    Num value;
};

int bit_length(unsigned __int128 v) {
    int length = 0;
    for (; v != 0; v >>= 1) ++length;
    return length;
}

// The value v * 2^(scale - 128) cut to 32 significant bits: the next 32 bits
// alone decide (more than half rounds up, exactly half makes the last bit
// odd), anything below them is ignored. `zero_below` is the lowest exponent
// at which the value is still kept before rounding.
Expected round_value(bool negative, unsigned __int128 v, int scale, bool check_before_rounding) {
    const int length = bit_length(v);
    int exponent = scale + length - 1;
    if (check_before_rounding && exponent < 1) return {-1, 0};
    const unsigned __int128 aligned =
        length >= 64 ? v >> (length - 64) : v << (64 - length);  // 64 significant bits
    uint64_t mantissa = static_cast<uint64_t>(aligned >> 32);
    const uint32_t next = static_cast<uint32_t>(aligned);
    if (next > 0x80000000u) {
        ++mantissa;
    } else if (next == 0x80000000u) {
        mantissa |= 1;
    }
    if (mantissa == (uint64_t{1} << 32)) {
        mantissa >>= 1;
        ++exponent;
    }
    if (exponent > 255) return {20, 0};
    if (exponent < 1) return {-1, 0};
    const uint32_t word = (static_cast<uint32_t>(mantissa) & 0x7FFFFFFFu) | (negative ? 0x80000000u : 0);
    return {-1, num_r5(word, static_cast<uint8_t>(exponent))};
}

Expected reference_add(Num a, Num b) {
    const Parts x = parts_of(a);
    const Parts y = parts_of(b);
    if (x.zero) return {-1, b};
    if (y.zero) return {-1, a};
    const Parts& big = x.exponent >= y.exponent ? x : y;
    const Parts& small = x.exponent >= y.exponent ? y : x;
    // Work in units of the last bit of a 64-bit register holding the larger
    // operand; the smaller one loses whatever falls below that unit.
    const int distance = big.exponent - small.exponent;
    const __int128 big_units = static_cast<__int128>(big.significand) << 32;
    const __int128 small_units =
        distance >= 64 ? 0 : static_cast<__int128>((small.significand << 32) >> distance);
    const __int128 total = (big.negative ? -big_units : big_units) + (small.negative ? -small_units : small_units);
    if (total == 0) return {-1, 0};
    const bool negative = total < 0;
    const unsigned __int128 magnitude = static_cast<unsigned __int128>(negative ? -total : total);
    return round_value(negative, magnitude, big.exponent - 63, true);
}

Expected reference_mul(Num a, Num b) {
    const Parts x = parts_of(a);
    const Parts y = parts_of(b);
    if (x.zero || y.zero) return {-1, 0};
    const unsigned __int128 product = static_cast<unsigned __int128>(x.significand) * y.significand;
    return round_value(x.negative != y.negative, product, x.exponent + y.exponent - 190, false);
}

Expected reference_div(Num a, Num b) {
    const Parts x = parts_of(a);
    const Parts y = parts_of(b);
    if (y.zero) return {18, 0};
    if (x.zero) return {-1, 0};
    // A 32-bit quotient with its top bit set, and the remainder deciding:
    // twice the remainder beyond the divisor (less one for an odd divisor)
    // rounds up, equal to it makes the last bit odd.
    unsigned __int128 numerator = static_cast<unsigned __int128>(x.significand) << 32;
    int exponent = x.exponent - y.exponent + 127;
    if (numerator / y.significand >= (static_cast<unsigned __int128>(1) << 32)) {
        numerator >>= 1;
        ++exponent;
    }
    uint64_t quotient = static_cast<uint64_t>(numerator / y.significand);
    const uint64_t twice_remainder = 2 * static_cast<uint64_t>(numerator % y.significand);
    const uint64_t threshold = y.significand - (y.significand & 1);
    if (twice_remainder > threshold) {
        ++quotient;
    } else if (twice_remainder == threshold) {
        quotient |= 1;
    }
    if (exponent > 255) return {20, 0};
    if (exponent < 1) return {-1, 0};
    const uint32_t word = (static_cast<uint32_t>(quotient) & 0x7FFFFFFFu) |
                          (x.negative != y.negative ? 0x80000000u : 0);
    return {-1, num_r5(word, static_cast<uint8_t>(exponent))};
}

long double exact_value(Num n) {
    const Parts p = parts_of(n);
    if (p.zero) return 0;
    const long double magnitude = std::ldexp(static_cast<long double>(p.significand), p.exponent - 159);
    return p.negative ? -magnitude : magnitude;
}

// Operands that hit the interesting paths often: nearby exponents (long
// cancellations, carries), sparse low mantissa bits (exact halves), the
// whole range now and then (overflow and underflow), and zero.
class OperandSource {
  public:
    explicit OperandSource(uint64_t seed) : m_random(seed) {}

    std::pair<Num, Num> pair() {
        int ea, eb;
        if (m_random() % 8 == 0) {
            ea = 1 + static_cast<int>(m_random() % 255);
            eb = 1 + static_cast<int>(m_random() % 255);
        } else {
            ea = 108 + static_cast<int>(m_random() % 41);
            eb = std::clamp(ea + static_cast<int>(m_random() % 81) - 40, 1, 255);
        }
        return {operand(ea), operand(eb)};
    }

  private:
    Num operand(int exponent) {
        const uint64_t r = m_random();
        if (r % 32 == 0) return 0;
        uint32_t mantissa = static_cast<uint32_t>(r >> 32);
        switch ((r >> 8) % 4) {
            case 0: mantissa &= ~0u << ((r >> 16) % 32); break;  // sparse low bits
            case 1: mantissa |= (1u << ((r >> 16) % 32)) - 1; break;  // runs of ones
            default: break;
        }
        return num_r5(mantissa, static_cast<uint8_t>(exponent));
    }

    std::mt19937_64 m_random;
};

// Divisions whose remainder is exactly floor(d/2) for an odd divisor d:
// a * 2^32 = q * d + (d - 1) / 2, solved for q modulo 2^32.
std::pair<Num, Num> division_tie(std::mt19937_64& random) {
    for (;;) {
        const uint64_t r = random();
        const uint32_t d = static_cast<uint32_t>(r) | 0x80000001u;
        uint32_t inverse = d;  // Newton's iteration for d^-1 mod 2^32
        for (int i = 0; i < 5; ++i) inverse *= 2 - d * inverse;
        const uint32_t half = (d - 1) / 2;
        const uint32_t q = (0u - half) * inverse;
        const uint64_t a = (static_cast<uint64_t>(q) * d + half) >> 32;
        if (!(q >> 31) || !(a >> 31)) continue;
        const auto ea = static_cast<uint8_t>(100 + (r >> 32) % 56);
        const auto eb = static_cast<uint8_t>(100 + (r >> 40) % 56);
        const uint32_t sign_a = static_cast<uint32_t>(r >> 32) & 0x80000000u;
        const uint32_t sign_b = static_cast<uint32_t>(r >> 31) & 0x80000000u;
        return {num_r5((static_cast<uint32_t>(a) & 0x7FFFFFFFu) | sign_a, ea),
                num_r5((d & 0x7FFFFFFFu) | sign_b, eb)};
    }
}

template <typename Op, typename Reference>
void cross_check(const char* name, int count, uint64_t seed, Op op, Reference reference) {
    OperandSource source(seed);
    std::mt19937_64 tie_random(seed);
    const bool division = name[0] == 'd';
    int failures = 0;
    for (int i = 0; i < count && failures < 10; ++i) {
        const auto [a, b] = division && i % 4 == 0 ? division_tie(tie_random) : source.pair();
        const Expected expected = reference(a, b);
        Num actual = 0;
        const int error = error_of([&] { actual = op(a, b); });
        const bool ok = error == expected.error && (error != -1 || actual == expected.value);
        if (!ok) {
            ++failures;
            ADD_FAILURE() << name << std::hex << " a=" << a << " b=" << b << " expected=" << expected.value
                          << " actual=" << actual << std::dec << " errors " << expected.error << "/" << error;
        }
    }
}

TEST(Real5, RandomAddMatchesReference) {
    cross_check("add", 250000, 1, r5_add, reference_add);
}

TEST(Real5, RandomSubMatchesReference) {
    cross_check("sub", 150000, 2, r5_sub, [](Num a, Num b) { return reference_add(a, r5_negate(b)); });
}

TEST(Real5, RandomMulMatchesReference) {
    cross_check("mul", 250000, 3, r5_mul, reference_mul);
}

TEST(Real5, RandomDivMatchesReference) {
    cross_check("div", 200000, 4, r5_div, reference_div);
}

TEST(Real5, RandomCompareMatchesValues) {
    OperandSource source(5);
    for (int i = 0; i < 150000; ++i) {
        const auto [a, b] = source.pair();
        const long double x = exact_value(a);
        const long double y = exact_value(b);
        ASSERT_EQ(r5_compare(a, b), (x > y) - (x < y)) << std::hex << a << " " << b;
    }
}

}  // namespace
}  // namespace kov::values
