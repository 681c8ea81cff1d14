// What the evaluator and the expression compiler share about binary
// operators: their priorities, the comparison and shift codes, and the
// integer conversions and comparison results.
#pragma once

#include <array>
#include <cstdint>

#include "values/number.h"

namespace kov::values::ops {

constexpr uint8_t kTokAnd = 0x80;
constexpr uint8_t kTokDiv = 0x81;
constexpr uint8_t kTokEor = 0x82;
constexpr uint8_t kTokMod = 0x83;
constexpr uint8_t kTokOr = 0x84;

// Comparison and shift codes (the operator indices of the operator table).
enum Cmp : uint8_t { Le = 5, Ne = 6, Ge = 7, Lt = 8, Eq = 9, Gt = 12, Shl = 16, Shl3 = 17, Sar = 18, Shr = 19 };

// Binary operator priorities by first byte: 1 OR EOR, 2 AND,
// 3 comparisons and shifts, 4 + -, 5 * / DIV MOD, 6 ^; 0 for anything
// that ends an operand.
constexpr std::array<uint8_t, 256> build_priorities() {
    std::array<uint8_t, 256> t{};
    t[kTokOr] = 1;
    t[kTokEor] = 1;
    t[kTokAnd] = 2;
    t['<'] = 3;
    t['='] = 3;
    t['>'] = 3;
    t['+'] = 4;
    t['-'] = 4;
    t['*'] = 5;
    t['/'] = 5;
    t[kTokDiv] = 5;
    t[kTokMod] = 5;
    t['^'] = 6;
    return t;
}
inline constexpr std::array<uint8_t, 256> kPriority = build_priorities();

inline int32_t int_of(Num n) { return is_int(n) ? as_int(n) : values::to_int(n); }

inline bool compare_result(int c, uint8_t op) {
    switch (op) {
        case Le: return c <= 0;
        case Ne: return c != 0;
        case Ge: return c >= 0;
        case Lt: return c < 0;
        case Eq: return c == 0;
        default: return c > 0;
    }
}

// The comparison or shift whose first character is `c1` and whose second
// (after blanks) is `c2`: 0 when c2 is no operator character (then the
// one-character operator applies), else the code. "==" is -1.
inline int relation_code(uint8_t c1, uint8_t c2) {
    if (c2 != '<' && c2 != '=' && c2 != '>') return 0;
    if (c2 == c1) return c1 == '=' ? -1 : (c1 == '<' ? Shl : Sar);
    if ((c1 == '<' && c2 == '=') || (c1 == '=' && c2 == '<')) return Le;
    if ((c1 == '>' && c2 == '=') || (c1 == '=' && c2 == '>')) return Ge;
    return Ne;
}

inline uint8_t single_relation(uint8_t c1) { return c1 == '<' ? Lt : c1 == '=' ? Eq : Gt; }

}  // namespace kov::values::ops
