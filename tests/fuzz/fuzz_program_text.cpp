// Fuzz the program file formats: the text/image test, the text loader and
// the lister. Any bytes listed as an image must not be read out of bounds,
// and a text program of plain ASCII that loads must load again, byte for
// byte, from its own listing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "interp/program_text.h"

using namespace kov::interp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    looks_like_text(bytes);

    // The input as an image, in a buffer of its exact size.
    std::string error;
    list_program(bytes.data(), bytes.size(), error);

    TextLoadResult loaded = tokenise_program(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.bas");
    if (loaded.error.empty() && loaded.image.size() < 3) std::abort();

    // The same input made plain ASCII text lines, then loaded, listed and
    // loaded again.
    std::string text(reinterpret_cast<const char*>(data), size);
    for (char& c : text) {
        auto b = static_cast<uint8_t>(c & 0x7F);
        c = static_cast<char>(b < 32 && b != '\n' && b != '\t' ? b + 32 : b);
    }
    loaded = tokenise_program(text, "fuzz.bas");
    if (!loaded.error.empty()) return 0;
    std::string listing = list_program(loaded.image.data(), loaded.image.size(), error);
    if (!error.empty()) std::abort();
    TextLoadResult again = tokenise_program(listing, "listing");
    if (!again.error.empty() || again.image != loaded.image) std::abort();
    return 0;
}
