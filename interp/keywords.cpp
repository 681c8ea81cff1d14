#include "interp/keywords.h"

namespace kov::interp {

namespace {

// For every byte, the index of the first table row carrying it as token,
// or -1. Built once at compile time so the detokeniser needs no search.
constexpr std::array<int16_t, 256> make_first_row() {
    std::array<int16_t, 256> rows{};
    rows.fill(-1);
    for (size_t i = 0; i < kKeywords.size(); ++i) {
        if (rows[kKeywords[i].token] < 0) rows[kKeywords[i].token] = static_cast<int16_t>(i);
    }
    return rows;
}

constexpr std::array<int16_t, 256> kFirstRow = make_first_row();

}  // namespace

const Keyword* find_keyword(uint8_t token) {
    int16_t row = kFirstRow[token];
    return row < 0 ? nullptr : &kKeywords[static_cast<size_t>(row)];
}

const char* keyword_name(uint8_t token) {
    const Keyword* kw = find_keyword(token);
    return kw == nullptr ? nullptr : kw->name;
}

}  // namespace kov::interp
