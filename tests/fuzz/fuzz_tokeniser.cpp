// Fuzz the tokeniser and detokeniser. The first byte picks the start mode
// and the lower-case option; the rest is the line. Besides not crashing,
// printable text must survive tokenise -> detokenise -> tokenise unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interp/errors.h"
#include "interp/tokeniser.h"

using namespace kov::interp;

namespace {

// Tokenise, with the errors the tokeniser may raise as an expected outcome.
bool try_tokenise(const std::string& text, TokStart start, bool lowercase, std::string& out) {
    try {
        out = tokenise(text, start, lowercase);
    } catch (const kov::BasicError& e) {
        if (e.number != 0 && e.number != static_cast<int>(kov::Err::NumberTooBig)) std::abort();
        return false;
    }
    if (out.size() > 255) std::abort();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    bool lowercase = data[0] & 1;
    TokStart start = (data[0] & 2) ? TokStart::Expression : TokStart::Statement;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::string tokens;
    try_tokenise(text, start, lowercase, tokens);
    uint8_t token = 0;
    size_t used = 0;
    if (keyword_lookup(text, 0, lowercase, token, used) && (used == 0 || used > text.size())) {
        std::abort();
    }
    detokenise(data + 1, size - 1);

    // The listing of a line tokenised from printable text gives the same bytes.
    for (char& c : text) c = static_cast<char>(32 + static_cast<uint8_t>(c) % 95);
    if (!try_tokenise(text, TokStart::Statement, lowercase, tokens)) return 0;
    std::string listing = detokenise(reinterpret_cast<const uint8_t*>(tokens.data()), tokens.size());
    std::string again;
    if (!try_tokenise(listing, TokStart::Statement, lowercase, again) || again != tokens) std::abort();
    return 0;
}
