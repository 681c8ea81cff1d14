// The numeric functions in both real forms, and the random-number generator.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "interp/errors.h"
#include "values/maths.h"
#include "tests/unit/test_support.h"

namespace kov::values {
namespace {

constexpr RealMode kFive = RealMode::Five;
constexpr RealMode kEight = RealMode::Eight;

Num r5(double d) { return to_r5(double_to_bits(d)); }
Num r8(double d) { return double_to_bits(d); }

using test::error_of;

TEST(Maths, EdgeCases) {
    EXPECT_EQ(m_sin(num_int(0), kFive), num_int(0));
    EXPECT_EQ(m_cos(num_int(0), kFive), num_r5(0, 0x80));
    EXPECT_NEAR(to_double(m_sin(num_int(8000000), kFive)), std::sin(8000000.0), 1e-6);
    EXPECT_EQ(error_of([] { m_sin(r5(9e6), kFive); }), 23);
    EXPECT_EQ(error_of([] { m_cos(num_int(-9000000), kFive); }), 23);
    EXPECT_NEAR(to_double(m_exp(num_int(88), kFive)), std::exp(88.0), 1e30);
    EXPECT_EQ(error_of([] { m_exp(num_int(89), kFive); }), 24);
    EXPECT_EQ(error_of([] { m_exp(r5(1e30), kFive); }), 24);
    EXPECT_EQ(m_exp(num_int(-89), kFive), num_int(0));
    EXPECT_EQ(m_exp(num_int(0), kFive), num_r5(0, 0x80));
    EXPECT_EQ(m_ln(num_int(1), kFive), num_int(0));
    EXPECT_EQ(error_of([] { m_ln(num_int(0), kFive); }), 22);
    EXPECT_EQ(error_of([] { m_ln(num_int(-1), kFive); }), 22);
    EXPECT_EQ(error_of([] { m_log(r5(-0.5), kFive); }), 22);
    EXPECT_EQ(error_of([] { m_sqr(num_int(-1), kFive); }), 21);
    EXPECT_EQ(m_sqr(num_int(0), kFive), num_int(0));
    EXPECT_EQ(m_asn(num_int(1), kFive), num_r5(0x490FDAA2u, 0x80));
    EXPECT_EQ(m_asn(num_int(-1), kFive), num_r5(0xC90FDAA2u, 0x80));
    EXPECT_EQ(error_of([] { m_acs(r5(1.5), kFive); }), 21);
    EXPECT_EQ(m_pi(kFive), num_r5(0x490FDAA2u, 0x81));
    EXPECT_EQ(m_pi(kEight), r8(3.141592653589793));
}

TEST(Maths, SquareRootIsRoundedExactly) {
    EXPECT_EQ(m_sqr(num_int(4), kFive), int_to_r5(2));
    EXPECT_EQ(m_sqr(num_int(2), kFive), num_r5(0x3504F334u, 0x80));
    EXPECT_EQ(m_sqr(r5(0.25), kFive), num_r5(0, 0x7F));
    EXPECT_EQ(m_sqr(num_int(1000000), kFive), int_to_r5(1000));
    EXPECT_EQ(m_sqr(int_to_r5(2147395600), kFive), int_to_r5(46340));  // 46340^2
}

TEST(Maths, IntAndSgn) {
    EXPECT_EQ(m_int(r5(-2.5), kFive), num_int(-3));
    EXPECT_EQ(m_int(r5(2.5), kFive), num_int(2));
    EXPECT_EQ(m_int(r5(-0.5), kFive), num_int(-1));
    EXPECT_EQ(m_int(r5(0.5), kFive), num_int(0));
    EXPECT_EQ(m_int(r5(-3.0), kFive), num_int(-3));
    EXPECT_EQ(m_int(r5(-2147483648.0), kFive), num_int(INT32_MIN));
    EXPECT_EQ(m_int(num_int(7), kFive), num_int(7));
    EXPECT_EQ(error_of([] { m_int(r5(3e9), kFive); }), 20);
    EXPECT_EQ(error_of([] { m_int(r5(-2147483648.5), kFive); }), 20);
    EXPECT_EQ(m_int(r8(-2.5), kFive), num_int(-3));
    EXPECT_EQ(m_int(r8(2147483647.5), kFive), num_int(INT32_MAX));
    EXPECT_EQ(error_of([] { m_int(r8(2147483648.0), kFive); }), 20);

    EXPECT_EQ(m_sgn(r5(-0.1), kFive), num_int(-1));
    EXPECT_EQ(m_sgn(num_int(0), kFive), num_int(0));
    EXPECT_EQ(m_sgn(r8(1e-300), kFive), num_int(1));
    EXPECT_EQ(m_sgn(num_int(-5), kFive), num_int(-1));
}

// The 5-byte functions agree with the library's doubles to about the
// precision of a 32-bit mantissa over their whole argument ranges.
TEST(Maths, FiveByteAccuracy) {
    struct Case {
        const char* name;
        Num (*function)(Num, RealMode);
        double (*reference)(double);
        double from, to;
    };
    const Case cases[] = {
        {"SIN", m_sin, [](double x) { return std::sin(x); }, -20, 20},
        {"COS", m_cos, [](double x) { return std::cos(x); }, -20, 20},
        {"TAN", m_tan, [](double x) { return std::tan(x); }, -1.5, 1.5},
        {"ATN", m_atn, [](double x) { return std::atan(x); }, -50, 50},
        {"ASN", m_asn, [](double x) { return std::asin(x); }, -0.999, 0.999},
        {"ACS", m_acs, [](double x) { return std::acos(x); }, -0.999, 0.999},
        {"EXP", m_exp, [](double x) { return std::exp(x); }, -80, 80},
        {"LN", m_ln, [](double x) { return std::log(x); }, 1e-6, 1e6},
        {"LOG", m_log, [](double x) { return std::log10(x); }, 1e-6, 1e6},
        {"SQR", m_sqr, [](double x) { return std::sqrt(x); }, 0, 1e9},
        {"DEG", m_deg, [](double x) { return x * 180 / std::numbers::pi; }, -10, 10},
        {"RAD", m_rad, [](double x) { return x * std::numbers::pi / 180; }, -1000, 1000},
    };
    for (const Case& c : cases) {
        for (int i = 0; i <= 2000; ++i) {
            const Num x = r5(c.from + (c.to - c.from) * i / 2000);
            const double expected = c.reference(to_double(x));
            const double actual = to_double(c.function(x, kFive));
            const double tolerance = 2e-9 * std::max(1.0, std::fabs(expected));
            ASSERT_NEAR(actual, expected, tolerance) << c.name << " " << to_double(x);
        }
    }
}

TEST(Maths, EightBytePath) {
    EXPECT_EQ(m_sin(r8(0.5), kFive), r8(std::sin(0.5)));
    EXPECT_EQ(m_cos(num_int(0), kEight), r8(1.0));
    EXPECT_EQ(m_sin(num_int(0), kEight), num_int(0));
    EXPECT_EQ(m_sqr(num_int(2), kEight), r8(std::sqrt(2.0)));
    EXPECT_EQ(m_ln(num_int(1), kEight), num_int(0));
    EXPECT_EQ(m_asn(num_int(1), kEight), r8(1.5707963267948966));
    EXPECT_EQ(m_acs(num_int(1), kEight), num_int(0));
    EXPECT_EQ(error_of([] { m_asn(r8(1.0000001), kFive); }), 21);
    EXPECT_EQ(error_of([] { m_sqr(r8(-1e-300), kFive); }), 21);
    EXPECT_EQ(error_of([] { m_ln(num_int(0), kEight); }), 22);
    EXPECT_EQ(error_of([] { m_sin(r8(1e19), kFive); }), 23);
    EXPECT_EQ(error_of([] { m_exp(num_int(710), kEight); }), 24);
    EXPECT_EQ(m_exp(num_int(-1000), kEight), num_int(0));
    EXPECT_EQ(error_of([] { m_deg(r8(1e307), kFive); }), 20);
    EXPECT_NEAR(to_double(m_tan(r8(1.0), kFive)), std::tan(1.0), 1e-15);
    EXPECT_NEAR(to_double(m_log(num_int(1000), kEight)), 3.0, 1e-15);
}

// The generator is a 33-bit shift register: bit 0 the extra bit, bits 1..32
// the word S; each of 32 shifts feeds back register bits 32 and 19.
uint32_t reference_step(uint64_t& reg) {
    for (int i = 0; i < 32; ++i) {
        const uint64_t feedback = ((reg >> 32) ^ (reg >> 19)) & 1;
        reg = ((reg << 1) | feedback) & ((uint64_t{1} << 33) - 1);
    }
    return static_cast<uint32_t>(reg >> 1);
}

TEST(Maths, RandomSequence) {
    uint8_t state[5];
    EXPECT_EQ(rnd_call(state, -5, kFive), num_int(-5));
    uint64_t reg = (uint64_t{0xFFFFFFFBu} << 1) | 1;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(rnd_plain(state), num_int(static_cast<int32_t>(reference_step(reg))));
    }

    // RND(-n) makes the sequence repeat; RND(0) repeats the last fraction.
    rnd_call(state, -42, kFive);
    const Num first = rnd_call(state, 1, kFive);
    const Num second = rnd_call(state, 1, kFive);
    EXPECT_EQ(rnd_call(state, 0, kFive), second);
    rnd_call(state, -42, kFive);
    EXPECT_EQ(rnd_call(state, 1, kFive), first);
    EXPECT_EQ(rnd_call(state, 1, kFive), second);

    std::set<int32_t> seen;
    for (int i = 0; i < 1000; ++i) {
        const Num die = rnd_call(state, 6, kFive);
        ASSERT_TRUE(is_int(die));
        ASSERT_GE(as_int(die), 1);
        ASSERT_LE(as_int(die), 6);
        seen.insert(as_int(die));
        const double fraction = to_double(rnd_call(state, 1, kEight));
        ASSERT_GE(fraction, 0.0);
        ASSERT_LT(fraction, 1.0);
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST(Maths, RandomFractionIsRotatedWord) {
    uint8_t state[5];
    rnd_seed(state, 0);  // a zero clock seeds S = 1
    EXPECT_EQ(rnd_plain(state), num_int(static_cast<int32_t>([] {
                  uint64_t reg = uint64_t{1} << 1;
                  return reference_step(reg);
              }())));
    rnd_call(state, -65536, kFive);  // S = &FFFF0000, rotated: &0000FFFF
    EXPECT_EQ(rnd_call(state, 0, kEight), r8(65535.0 / 4294967296.0));
    rnd_call(state, -1, kFive);
    EXPECT_EQ(rnd_call(state, 0, kFive), to_r5(r8(4294967295.0 / 4294967296.0)));
}

}  // namespace
}  // namespace kov::values
