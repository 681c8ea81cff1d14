// 5-byte real division (the rest of the bank is inline in real5.h): the
// quotient of the 32-bit mantissas, rounded on the remainder.
#include "interp/errors.h"
#include "values/number.h"

namespace kov::values {

namespace {

constexpr uint32_t kSignBit = 0x80000000u;

// The mantissa with its leading 1 made explicit.
inline uint32_t full_mantissa(Num n) { return r5_mantissa(n) | kSignBit; }
inline uint32_t sign_of(Num n) { return r5_mantissa(n) & kSignBit; }

}  // namespace

Num r5_div(Num a, Num b) {
    if (b == 0) raise(Err::DivisionByZero);
    if (a == 0) return 0;
    const uint32_t dividend_mantissa = full_mantissa(a);
    const uint32_t divisor = full_mantissa(b);
    int exponent = r5_exponent(a) - r5_exponent(b) + 128;
    // The dividend sits above 32 zero bits; it is shifted right one place
    // when it is not smaller than the divisor, so the quotient has exactly
    // 32 bits with the top one set.
    uint64_t dividend = static_cast<uint64_t>(dividend_mantissa) << 32;
    if (dividend_mantissa >= divisor) {
        dividend >>= 1;
    } else {
        --exponent;
    }
    uint64_t quotient = dividend / divisor;
    const uint32_t remainder = static_cast<uint32_t>(dividend % divisor);
    const uint32_t half = divisor >> 1;
    if (remainder > half) {
        ++quotient;
    } else if (remainder == half) {
        quotient |= 1;
    }
    if (quotient >> 32) {
        quotient = kSignBit;
        ++exponent;
    }
    if (exponent > 255) raise(Err::NumberTooBig);
    if (exponent < 1) return 0;
    const uint32_t mantissa = (static_cast<uint32_t>(quotient) & ~kSignBit) |
                              (sign_of(a) ^ sign_of(b));
    return num_r5(mantissa, static_cast<uint8_t>(exponent));
}

}  // namespace kov::values
