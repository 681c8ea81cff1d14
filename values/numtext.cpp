// Decimal and hexadecimal text of numbers, and the literal parsers.
//
// Both directions share the decimal scaling: 5-byte reals are multiplied or
// divided by 5-byte powers of ten (steps of 10^11 above 10^38, then one
// table entry); doubles are scaled in extended precision by the binary
// powers 10^1, 10^2, 10^4 ... 10^256.
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "interp/errors.h"
#include "values/numtext.h"

namespace kov::values {

namespace {

constexpr uint32_t kR5Sign = 0x80000000u;

// 10^n as a 5-byte real rounded to the nearest 32-bit mantissa, halfway
// cases up (only 10^14 is one). 10^n = 5^n * 2^n, and 5^38 needs 89 bits.
constexpr Num power_of_ten_r5(int n) {
    unsigned __int128 five_power = 1;
    for (int i = 0; i < n; ++i) five_power *= 5;
    int bits = 0;
    for (unsigned __int128 v = five_power; v != 0; v >>= 1) ++bits;
    uint64_t mantissa;
    if (bits <= 32) {
        mantissa = static_cast<uint64_t>(five_power) << (32 - bits);
    } else {
        const int drop = bits - 32;
        mantissa = static_cast<uint64_t>(five_power >> drop);
        const unsigned __int128 rest = five_power & ((static_cast<unsigned __int128>(1) << drop) - 1);
        if (rest >= (static_cast<unsigned __int128>(1) << (drop - 1))) ++mantissa;
        if (mantissa >> 32) {
            mantissa >>= 1;
            ++bits;
        }
    }
    return num_r5(static_cast<uint32_t>(mantissa) & ~kR5Sign, static_cast<uint8_t>(128 + bits - 1 + n));
}

constexpr std::array<Num, 39> make_r5_powers() {
    std::array<Num, 39> table{};
    for (int n = 0; n < 39; ++n) table[n] = power_of_ten_r5(n);
    return table;
}

constexpr std::array<Num, 39> kR5Powers = make_r5_powers();
static_assert(kR5Powers[1] == num_r5(0x20000000u, 0x83), "10 is &83/&20000000");
static_assert(kR5Powers[14] == num_r5(0x35E620F5u, 0xAE), "10^14 is rounded up");

// Multiplies (exponent >= 0) or divides a 5-byte real by 10^|exponent|.
Num scale_r5(Num v, int64_t exponent) {
    const bool up = exponent >= 0;
    uint64_t count = up ? static_cast<uint64_t>(exponent) : 0u - static_cast<uint64_t>(exponent);
    const Num step = kR5Powers[11];
    while (count >= 39) {
        v = up ? r5_mul(v, step) : r5_div(v, step);
        if (v == 0) return 0;
        count -= 11;
    }
    return up ? r5_mul(v, kR5Powers[count]) : r5_div(v, kR5Powers[count]);
}

constexpr long double kBinaryPowers[9] = {1e1L, 1e2L, 1e4L, 1e8L, 1e16L, 1e32L, 1e64L, 1e128L, 1e256L};

// Multiplies (exponent >= 0) or divides by 10^|exponent| in extended
// precision. From 10^512 on: "Number too big" upwards, 0 downwards.
long double scale_extended(long double v, int64_t exponent) {
    const bool up = exponent >= 0;
    const uint64_t count = up ? static_cast<uint64_t>(exponent) : 0u - static_cast<uint64_t>(exponent);
    if (count >= 512) {
        if (up) raise(Err::NumberTooBig);
        return 0;
    }
    for (int bit = 0; bit < 9; ++bit) {
        if ((count >> bit) & 1) v = up ? v * kBinaryPowers[bit] : v / kBinaryPowers[bit];
    }
    return v;
}

// A decimal digit string: the value is 0.d1 d2 d3 ... x 10^x. Digits at and
// beyond `count` are zero.
struct Digits {
    uint8_t d[24];
    int count = 0;
    int x = 1;

    uint8_t at(int i) const { return i < count ? d[i] : 0; }
    bool any_from(int i) const { return i < count; }

    // Loads the decimal digits of `value` (non-zero), trailing zeros trimmed.
    void load(uint64_t value) {
        uint8_t reversed[24];
        int n = 0;
        for (; value != 0; value /= 10) reversed[n++] = static_cast<uint8_t>(value % 10);
        count = n;
        for (int i = 0; i < n; ++i) d[i] = reversed[n - 1 - i];
        trim();
    }

    void trim() {
        while (count > 0 && d[count - 1] == 0) --count;
        if (count == 0) x = 1;
    }

    // Keeps n significant digits (n >= 0): adds 5 at digit n + 1 with a
    // decimal carry; a carry out of the first digit leaves 1 and raises x.
    void round_to(int n) {
        if (n >= count) return;
        const bool carry = d[n] >= 5;
        count = n;
        if (carry) {
            int i = n - 1;
            while (i >= 0 && d[i] == 9) d[i--] = 0;
            if (i < 0) {
                d[0] = 1;
                count = 1;
                ++x;
            } else {
                ++d[i];
            }
        }
        trim();
    }
};

// Digits of a positive 5-byte real: scaled by a power of ten so that ten
// times it lies between 10^9 and 10^11, then taken exactly; at most 10
// significant digits.
Digits r5_digits(Num v) {
    const int e = r5_exponent(v);
    const int k = ((e * 0x4D10) >> 16) - 47;
    const Num scaled = scale_r5(v, -k);
    const uint64_t ten_times = static_cast<uint64_t>(r5_mantissa(scaled) | kR5Sign) * 10;
    const int shift = 159 - r5_exponent(scaled);  // ten_times * 2^-shift is 10 * scaled
    uint64_t whole;
    if (shift <= 0) {
        whole = ten_times << -shift;
    } else {
        // The first fractional bit rounds the last digit half up.
        whole = (ten_times >> shift) + ((ten_times >> (shift - 1)) & 1);
    }
    Digits digits;
    digits.load(whole);
    int length = 0;
    for (uint64_t w = whole; w != 0; w /= 10) ++length;
    digits.x = k + length - 1;
    if (length > 10) digits.round_to(10);
    return digits;
}

// Digits of a positive double: scaled in extended precision and rounded to
// an integer of 16 or 17 digits; at most 16 significant digits.
Digits r8_digits(Num bits) {
    const int64_t biased = static_cast<int64_t>((bits >> 52) & 0x7FF);
    const int64_t k = ((biased - 1074) * 0x4D10) >> 16;
    const long double scaled = scale_extended(static_cast<long double>(bits_to_double(bits)), -k);
    const uint64_t whole = static_cast<uint64_t>(std::llrint(scaled));
    Digits digits;
    digits.load(whole);
    int length = 0;
    for (uint64_t w = whole; w != 0; w /= 10) ++length;
    digits.x = static_cast<int>(k) + length;
    if (length > 16) digits.round_to(16);
    return digits;
}

// Fixed layout: digits with the point after the x-th, at least `forced`
// digits, then on while non-zero digits remain.
void fixed_layout(std::string& out, const Digits& digits, int forced) {
    if (digits.x <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-digits.x), '0');
    }
    for (int i = 0; forced > 0 || digits.any_from(i); ++i, --forced) {
        if (i == digits.x && digits.x > 0) out += '.';
        out += static_cast<char>('0' + digits.at(i));
    }
}

// Exponent layout: d.ddd then E and the exponent; `pad` fills the exponent
// text to three characters (format E).
void exponent_layout(std::string& out, const Digits& digits, int forced, bool pad) {
    out += static_cast<char>('0' + digits.at(0));
    --forced;
    if (forced > 0 || digits.any_from(1)) {
        out += '.';
        for (int i = 1; forced > 0 || digits.any_from(i); ++i, --forced) {
            out += static_cast<char>('0' + digits.at(i));
        }
    }
    out += 'E';
    const std::string exponent = std::to_string(digits.x - 1);
    out += exponent;
    if (pad && exponent.size() < 3) out.append(3 - exponent.size(), ' ');
}

}  // namespace

size_t int_to_text(Num n, uint32_t format, char* out) {
    // An integer of at most as many digits as G format shows comes out as
    // its plain decimal digits in either real form: no scaling is needed.
    if (!is_int(n) || ((format >> 16) & 0xFF) != 0) return 0;
    uint32_t shown = (format >> 8) & 0xFF;
    if (shown == 0 || shown > 9) shown = 9;
    static constexpr uint32_t kLimit[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000,
                                            100000000, 1000000000};
    int32_t i = as_int(n);
    uint32_t magnitude = i < 0 ? 0u - static_cast<uint32_t>(i) : static_cast<uint32_t>(i);
    if (magnitude >= kLimit[shown]) return 0;
    // The digit count from the bit length: log10(2) is about 1233 / 4096.
    // (| 1 makes 0 one digit and changes no other count: the limits are 1
    // and even numbers.)
    uint32_t guess = static_cast<uint32_t>(std::bit_width(magnitude | 1u)) * 1233 >> 12;
    size_t digits = guess + ((magnitude | 1u) >= kLimit[guess] ? 1 : 0);
    size_t len = digits;
    if (i < 0) {
        *out++ = '-';
        ++len;
    }
    // Digits from the last, two at a time, written in place.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char* d = out + digits;
    while (magnitude >= 100) {
        uint32_t pair = magnitude % 100;
        magnitude /= 100;
        d -= 2;
        std::memcpy(d, kPairs + 2 * pair, 2);
    }
    if (magnitude >= 10) {
        std::memcpy(d - 2, kPairs + 2 * magnitude, 2);
    } else {
        d[-1] = static_cast<char>('0' + magnitude);
    }
    return len;
}

std::string num_to_text(Num n, uint32_t format, RealMode mode) {
    char small[kIntTextMax];
    if (size_t len = int_to_text(n, format, small)) return std::string(small, len);
    std::string out;
    Digits digits;
    if (is_int(n) && n != 0) n = to_real(n, mode);
    if (is_r5(n)) {
        if (r5_mantissa(n) & kR5Sign) {
            out += '-';
            n ^= kR5Sign;
        }
        digits = r5_digits(n);
    } else if (is_r8(n)) {
        if (n >> 63) {
            out += '-';
            n &= ~(uint64_t{1} << 63);
        }
        digits = r8_digits(n);
    }

    const int places = (format >> 8) & 0xFF;
    const int kind = (format >> 16) & 0xFF;
    const int general_digits = places == 0 ? 9 : places;
    int significant;
    if (kind == 2) {
        significant = places + digits.x;
        if (significant < 0) {
            digits.count = 0;
            digits.x = 1;
        }
    } else {
        significant = general_digits;
    }
    if (significant >= 0 && significant < 16) digits.round_to(significant);

    if (kind == 1) {
        exponent_layout(out, digits, significant, true);
    } else if (kind == 2 && significant <= (mode == RealMode::Eight ? 16 : 10)) {
        // Exactly `places` decimals; x may have grown by rounding.
        fixed_layout(out, digits, places + digits.x);
    } else if (digits.x < -3 || digits.x > general_digits) {
        exponent_layout(out, digits, 0, false);
    } else {
        fixed_layout(out, digits, digits.x > 0 ? digits.x : 0);
    }
    return out;
}

std::string num_str(Num n, uint32_t at_percent, RealMode mode) {
    return num_to_text(n, str_format(at_percent), mode);
}

std::string num_to_hex(Num n) {
    uint32_t value = static_cast<uint32_t>(to_int(n));
    char text[8];
    int length = 0;
    do {
        text[length++] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    } while (value != 0);
    std::string out;
    while (length > 0) out += text[--length];
    return out;
}

Num parse_decimal(const uint8_t*& p, RealMode mode, bool lowercase) {
    // Digits accumulate while the total stays below 2^63; from the first
    // digit that would not, all further digits are dropped and counted.
    uint64_t mantissa = 0;
    bool dropping = false;
    int32_t dropped = 0;
    int32_t fraction = 0;
    auto take_digit = [&](unsigned digit) {
        constexpr uint64_t kTenth = 922337203685477580u;  // (2^63 - 8) / 10
        if (!dropping && (mantissa < kTenth || (mantissa == kTenth && digit <= 7))) {
            mantissa = mantissa * 10 + digit;
        } else {
            dropping = true;
            ++dropped;
        }
    };
    while (*p >= '0' && *p <= '9') take_digit(*p++ - '0');
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            take_digit(*p++ - '0');
            ++fraction;
        }
    }
    uint32_t exponent = 0;
    if (*p == 'E' || (lowercase && *p == 'e')) {
        ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        while (*p >= '0' && *p <= '9') exponent = exponent * 10 + static_cast<uint32_t>(*p++ - '0');
        if (negative) exponent = 0u - exponent;
    }
    const int32_t decimal_exponent = static_cast<int32_t>(
        static_cast<uint32_t>(dropped) - static_cast<uint32_t>(fraction) + exponent);

    if (mantissa < 0x80000000u && fraction == 0 && dropped == 0 && exponent == 0) {
        return num_int(static_cast<int32_t>(mantissa));
    }
    if (mantissa == 0) return 0;
    if (mode == RealMode::Eight) {
        return from_double(static_cast<double>(
            scale_extended(static_cast<long double>(mantissa), decimal_exponent)));
    }
    // The top 32 significant bits, not rounded.
    const int zeros = std::countl_zero(mantissa);
    const uint32_t top = static_cast<uint32_t>((mantissa << zeros) >> 32);
    return scale_r5(num_r5(top & ~kR5Sign, static_cast<uint8_t>(128 + 63 - zeros)), decimal_exponent);
}

Num parse_hex_or_binary(const uint8_t*& p, bool lowercase) {
    const bool binary = *p++ == '%';
    uint32_t value = 0;
    bool any = false;
    for (;; ++p) {
        unsigned digit;
        const uint8_t c = *p;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (lowercase && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        if (binary) {
            if (digit > 1) break;
            value = (value << 1) | digit;
        } else {
            value = (value << 4) | digit;
        }
        any = true;
    }
    if (!any) raise(Err::BadHex);
    return num_int(static_cast<int32_t>(value));
}

Num num_val(std::string_view s, RealMode mode, bool lowercase) {
    // The parser needs a terminator after the text; strings are at most 255
    // bytes, longer views are cut there.
    uint8_t buffer[257];
    const size_t length = s.size() < 256 ? s.size() : 256;
    std::memcpy(buffer, s.data(), length);
    buffer[length] = '\r';
    const uint8_t* p = buffer;
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!((*p >= '0' && *p <= '9') || *p == '.')) return 0;
    const Num value = parse_decimal(p, mode, lowercase);
    return negative ? num_neg(value, mode) : value;
}

}  // namespace kov::values
