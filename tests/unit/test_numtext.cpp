// Number to text (STR$, @% formats, hexadecimal) and text to number
// (literals, VAL).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "interp/errors.h"
#include "values/numtext.h"
#include "tests/unit/test_support.h"

namespace kov::values {
namespace {

constexpr RealMode kFive = RealMode::Five;
constexpr RealMode kEight = RealMode::Eight;

// Parses a literal from text; `rest` receives what follows it.
Num literal(const std::string& text, RealMode mode = kFive, std::string* rest = nullptr,
            bool lowercase = false) {
    const std::string buffer = text + "\r";
    const uint8_t* p = reinterpret_cast<const uint8_t*>(buffer.c_str());
    const Num n = (*p == '&' || *p == '%') ? parse_hex_or_binary(p, lowercase)
                                            : parse_decimal(p, mode, lowercase);
    if (rest) *rest = std::string(reinterpret_cast<const char*>(p), buffer.c_str() + text.size());
    return n;
}

std::string str(const std::string& text, RealMode mode = kFive) {
    return num_str(literal(text, mode), 0x90A, mode);
}

// A leading '-' negates, as unary minus does in an expression.
std::string formatted(const std::string& text, uint32_t format, RealMode mode = kFive) {
    if (text[0] == '-') return num_to_text(num_neg(literal(text.substr(1), mode), mode), format, mode);
    return num_to_text(literal(text, mode), format, mode);
}

using test::error_of;

TEST(NumText, StrDefaultFormat) {
    const Num third = num_div(num_int(1), num_int(3), kFive);
    EXPECT_EQ(num_str(third, 0x90A, kFive), "0.333333333");
    EXPECT_EQ(num_str(num_div(num_int(2), num_int(3), kFive), 0x90A, kFive), "0.666666667");
    EXPECT_EQ(num_str(num_r5(0x490FDAA2u, 0x81), 0x90A, kFive), "3.14159265");
    EXPECT_EQ(str("100"), "100");
    EXPECT_EQ(str("1E10"), "1E10");
    EXPECT_EQ(str("1234567890"), "1.23456789E9");
    EXPECT_EQ(str("123456789"), "123456789");
    EXPECT_EQ(str("0.001"), "0.001");
    EXPECT_EQ(str("0.0001"), "0.0001");
    EXPECT_EQ(str("0.00001"), "1E-5");
    EXPECT_EQ(num_str(num_neg(literal("0.5"), kFive), 0x90A, kFive), "-0.5");
    EXPECT_EQ(str("0"), "0");
    EXPECT_EQ(num_str(num_int(-2147483647 - 1), 0x90A, kFive), "-2.14748365E9");
    EXPECT_EQ(str("999999999.7"), "1E9");
    EXPECT_EQ(str("1E38"), "1E38");
    EXPECT_EQ(str("3.4E38"), "3.4E38");
    EXPECT_EQ(str("6E-39"), "6E-39");
}

TEST(NumText, StrEightByte) {
    EXPECT_EQ(num_str(num_div(num_int(1), num_int(3), kEight), 0x90A, kEight), "0.333333333");
    EXPECT_EQ(str("100", kEight), "100");
    EXPECT_EQ(str("1E300", kEight), "1E300");
    EXPECT_EQ(str("2.2250738585072014E-308", kEight), "2.22507386E-308");
    EXPECT_EQ(str("1.7976931348623157E308", kEight), "1.79769313E308");
    EXPECT_EQ(formatted("0.1", 0x1000, kEight), "0.1");
    EXPECT_EQ(formatted("123456789012345678", 0x1000, kEight), "1.234567890123457E17");
}

// Whole numbers that G format shows in full are written without the
// decimal scaling; the text must be what the scaling gives for the same
// value held as a real.
TEST(NumText, IntegerShortcutMatchesRealDigits) {
    const int32_t values[] = {0, 1, -1, 9, 10, -10, 99, 100, 12345, -12345, 99999999, 100000000,
                              999999999, -999999999, 1000000000, -1000000000, 2147483647, -2147483647 - 1};
    const uint32_t formats[] = {0x900, 0x000, 0x100, 0x300, 0x800, 0xA00, 0xFF00, 0x0A0A, 0x0300FF00};
    for (RealMode mode : {kFive, kEight}) {
        for (uint32_t format : formats) {
            for (int32_t v : values) {
                const std::string whole = num_to_text(num_int(v), format, mode);
                EXPECT_EQ(whole, num_to_text(to_real(num_int(v), mode), format, mode)) << v << " " << format;
                char buffer[kIntTextMax];
                const size_t len = int_to_text(num_int(v), format, buffer);
                if (len) {
                    EXPECT_EQ(std::string(buffer, len), whole) << v << " " << format;
                }
            }
        }
    }
    char buffer[kIntTextMax];
    // Too many digits for the format, or not the G format, or not an integer.
    EXPECT_EQ(int_to_text(num_int(1000), 0x300, buffer), 0u);
    EXPECT_EQ(int_to_text(num_int(1000000000), 0x900, buffer), 0u);
    EXPECT_EQ(int_to_text(num_int(5), 0x20200, buffer), 0u);
    EXPECT_EQ(int_to_text(num_int(5), 0x10200, buffer), 0u);
    EXPECT_EQ(int_to_text(literal("2.5"), 0x900, buffer), 0u);
    EXPECT_EQ(int_to_text(num_int(-999999999), 0x900, buffer), 10u);
    EXPECT_EQ(std::string(buffer, 10), "-999999999");
}

TEST(NumText, StrFollowsAtPercentOnlyWithTopByte) {
    const Num pi_ish = literal("3.14159");
    EXPECT_EQ(num_str(pi_ish, 0x0102020A, kFive), "3.14");
    EXPECT_EQ(num_str(pi_ish, 0x0002020A, kFive), "3.14159");
}

TEST(NumText, FixedFormat) {
    EXPECT_EQ(formatted("3.14159", 0x2020A), "3.14");
    EXPECT_EQ(formatted("3.5", 0x20200), "3.50");
    EXPECT_EQ(formatted("3.5", 0x20000), "4");
    EXPECT_EQ(formatted("0", 0x20200), "0.00");
    EXPECT_EQ(formatted("9.996", 0x20200), "10.00");
    EXPECT_EQ(formatted("0.001", 0x20200), "0.00");
    EXPECT_EQ(formatted("0.0078", 0x20200), "0.01");
    EXPECT_EQ(formatted("-0.0001", 0x20200), "-0.00");
    EXPECT_EQ(formatted("1234.5", 0x20300), "1234.500");
    // More than 10 digits (16 while *FLOAT 64) fall back to the G rules.
    EXPECT_EQ(formatted("0.2", 0x20C00), "0.2");
    EXPECT_EQ(formatted("0.2", 0x20C00, kEight), "0.200000000000");
    EXPECT_EQ(formatted("123456789012", 0x20200), "1.23456789E11");
}

TEST(NumText, ExponentFormat) {
    EXPECT_EQ(formatted("12345.6", 0x10503), "1.2346E4  ");
    EXPECT_EQ(formatted("1.23456E-12", 0x10500), "1.2346E-12");
    EXPECT_EQ(formatted("1", 0x10300), "1.00E0  ");
    EXPECT_EQ(formatted("0", 0x10300), "0.00E0  ");
    EXPECT_EQ(formatted("-99999", 0x10200), "-1.0E5  ");
    EXPECT_EQ(formatted("1E-100", 0x10000, kEight), "1.00000000E-100");
}

TEST(NumText, GeneralFormatWithDigits) {
    EXPECT_EQ(formatted("12345", 0x400), "1.235E4");
    EXPECT_EQ(formatted("1234", 0x400), "1234");
    EXPECT_EQ(formatted("2.5", 0x100), "3");
    EXPECT_EQ(formatted("1.25", 0x300), "1.25");
    EXPECT_EQ(formatted("1.015625", 0x300), "1.02");
}

TEST(NumText, Hexadecimal) {
    EXPECT_EQ(num_to_hex(num_int(255)), "FF");
    EXPECT_EQ(num_to_hex(num_int(0)), "0");
    EXPECT_EQ(num_to_hex(num_int(-1)), "FFFFFFFF");
    EXPECT_EQ(num_to_hex(literal("255.9")), "FF");
    EXPECT_EQ(error_of([] { num_to_hex(literal("2147483648")); }), 20);
}

TEST(NumText, LiteralForms) {
    std::string rest;
    EXPECT_EQ(literal("5.", kFive, &rest), num_int(5));
    EXPECT_EQ(rest, "");
    EXPECT_EQ(literal("1E0"), num_int(1));
    EXPECT_EQ(literal("5.0"), int_to_r5(5));
    EXPECT_EQ(literal("1E1"), int_to_r5(10));
    EXPECT_EQ(literal("2147483647"), num_int(2147483647));
    EXPECT_EQ(literal("2147483648"), num_r5(0, 0x9F));
    EXPECT_EQ(literal("0.000"), num_int(0));
    EXPECT_EQ(literal(".5"), num_r5(0, 0x7F));
    EXPECT_EQ(literal("12E+2"), int_to_r5(1200));
    EXPECT_EQ(literal("1E", kFive, &rest), num_int(1));
    EXPECT_EQ(literal("7.5X", kFive, &rest), num_r5(0x70000000u, 0x82));
    EXPECT_EQ(rest, "X");
    // 'e' is an exponent only while *LOWERCASE is on.
    EXPECT_EQ(literal("1e3", kFive, &rest), num_int(1));
    EXPECT_EQ(rest, "e3");
    EXPECT_EQ(literal("1e3", kFive, nullptr, true), int_to_r5(1000));
    EXPECT_EQ(literal("0.1", kEight), double_to_bits(0.1));
    EXPECT_EQ(literal("1E0", kEight), num_int(1));
}

TEST(NumText, LiteralScaling) {
    // 10^0 .. 10^13 are exact; 10^14 lies halfway and rounds up.
    for (int n = 0; n <= 13; ++n) {
        EXPECT_EQ(to_double(literal("1E" + std::to_string(n))), std::pow(10.0, n)) << n;
    }
    EXPECT_EQ(literal("1E14"), num_r5(0x35E620F5u, 0xAE));
    EXPECT_EQ(literal("1E38"), num_r5(0x16769951u, 0xFE));
    EXPECT_EQ(error_of([] { literal("1E39"); }), 20);
    EXPECT_EQ(error_of([] { literal("1E50"); }), 20);
    EXPECT_EQ(literal("1E-50"), num_int(0));
    EXPECT_EQ(literal("1E-999999999"), num_int(0));
    EXPECT_EQ(literal("0.1E39"), literal("1E38"));
    EXPECT_EQ(error_of([] { literal("1E400", kEight); }), 20);
    EXPECT_EQ(error_of([] { literal("1E600", kEight); }), 20);
    EXPECT_EQ(literal("1E-400", kEight), num_int(0));
    EXPECT_EQ(literal("1E-600", kEight), num_int(0));
}

TEST(NumText, LiteralDropsDigitsBeyondTheAccumulator) {
    // 19 digits fit below 2^63; later digits count only toward the exponent.
    EXPECT_EQ(to_double(literal("123456789012345678901234567890", kEight)), 1.2345678901234568e29);
    EXPECT_NEAR(to_double(literal("12345678901234567890123")), 1.2345678901234567e22, 1e13);
    EXPECT_EQ(literal("9223372036854775807", kEight), double_to_bits(9223372036854775807.0));
    EXPECT_EQ(literal("0.30000000000000000000000000000", kEight), double_to_bits(0.3));
}

TEST(NumText, HexAndBinaryLiterals) {
    std::string rest;
    EXPECT_EQ(literal("&FF"), num_int(255));
    EXPECT_EQ(literal("&123456789"), num_int(0x23456789));
    EXPECT_EQ(literal("&FFFFFFFF"), num_int(-1));
    EXPECT_EQ(literal("%101", kFive, &rest), num_int(5));
    EXPECT_EQ(literal("%1102", kFive, &rest), num_int(6));
    EXPECT_EQ(rest, "2");
    EXPECT_EQ(literal("&ff", kFive, nullptr, true), num_int(255));
    EXPECT_EQ(error_of([] { literal("&ff"); }), 28);
    EXPECT_EQ(error_of([] { literal("%"); }), 28);
    EXPECT_EQ(error_of([] { literal("%2"); }), 28);
}

TEST(NumText, Val) {
    EXPECT_EQ(num_val("  -12abc", kFive, false), num_int(-12));
    EXPECT_EQ(num_val("&FF", kFive, false), num_int(0));
    EXPECT_EQ(num_val("1E3", kFive, false), int_to_r5(1000));
    EXPECT_EQ(num_val("", kFive, false), num_int(0));
    EXPECT_EQ(num_val("+7", kFive, false), num_int(7));
    EXPECT_EQ(num_val("- 7", kFive, false), num_int(0));
    EXPECT_EQ(num_val("-.5", kFive, false), num_r5(0x80000000u, 0x7F));
    EXPECT_EQ(num_val("-2.5", kEight, false), double_to_bits(-2.5));
    EXPECT_EQ(num_val("1e2", kFive, true), int_to_r5(100));
}

}  // namespace
}  // namespace kov::values
