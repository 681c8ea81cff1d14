// Numbers to text (STR$, PRINT) and text to numbers (literals, VAL).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/number.h"

namespace kov::values {

// Decimal text of a number under a format word laid out like @%: byte 1 is
// the digit count (significant digits for G and E, 0 meaning 9; decimal
// places for F), byte 2 the format (0 G, 1 E, 2 F; other values act as G).
// Bytes 0 and 3 are not used here (field width is PRINT's business).
std::string num_to_text(Num n, uint32_t format, RealMode mode);

// The text num_to_text gives for an integer that G format shows whole
// (no more digits than the format's count), written to `out` without a
// heap string; returns its length, or 0 for any other number or format.
constexpr size_t kIntTextMax = 11;   // "-999999999" at most, with room to spare
size_t int_to_text(Num n, uint32_t format, char* out);

// STR$: uses bytes 1 and 2 of @% when its top byte is non-zero, else G
// with 9 digits.
std::string num_str(Num n, uint32_t at_percent, RealMode mode);
inline uint32_t str_format(uint32_t at_percent) { return (at_percent >> 24) == 0 ? 0x900u : at_percent; }

// STR$~ and PRINT ~: upper-case hexadecimal of the value truncated to an
// integer, without leading zeros or '&'.
std::string num_to_hex(Num n);

// Reads a decimal literal. `p` points at a digit or '.'; on return it points
// just after the literal. Whole numbers below 2^31 written without point or
// exponent are integers; everything else is a real of the mode.
Num parse_decimal(const uint8_t*& p, RealMode mode, bool lowercase);

// Reads an '&' hexadecimal or '%' binary literal; `p` points at the '&' or
// '%'. Keeps the low 32 bits; "Bad hex or binary" without a digit.
Num parse_hex_or_binary(const uint8_t*& p, bool lowercase);

// VAL: leading spaces, an optional sign, then a decimal literal; anything
// else gives 0, trailing characters are ignored.
Num num_val(std::string_view s, RealMode mode, bool lowercase);

}  // namespace kov::values
