#include "interp/errors.h"

namespace kov {

namespace {
const char* const kMessages[kErrorTableSize] = {
#define KOV_ERR_TEXT(name, number, text) text,
    KOV_ERRORS(KOV_ERR_TEXT)
#undef KOV_ERR_TEXT
};
}  // namespace

const char* error_table_message(int number) {
    if (number < 0 || number >= kErrorTableSize) return "";
    return kMessages[number];
}

void raise(Err e) {
    int n = static_cast<int>(e);
    throw BasicError{n, kMessages[n]};
}

void raise(int number, std::string_view message) {
    throw BasicError{number & 0xFF, std::string(message)};
}

}  // namespace kov
