// Fuzz the assembler over source text: the input is tokenised as one
// program line and assembled statement by statement with every OPT value
// the first byte picks. BASIC errors are expected outcomes; a crash, a
// read past the line's CR or a store outside the code area is not.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "asm/assembler.h"
#include "interp/tokeniser.h"

using namespace kov;

namespace {

constexpr uint32_t kStart = 0x20000;

class FuzzHost : public asmx::AsmHost {
public:
    const uint8_t* end = nullptr;
    uint32_t stored = 0;
    void check(const uint8_t* p) const {
        if (p > end) std::abort();
    }
    bool evaluate(const uint8_t*& p, int32_t& value, std::string& text) override {
        check(p);
        while (*p == ' ') ++p;
        if (*p == '"') {
            ++p;
            while (*p != '"' && *p != 13) text.push_back(static_cast<char>(*p++));
            if (*p == '"') ++p;
            check(p);
            return false;
        }
        if (*p == '-' || *p == '+') ++p;
        if (*p == '&') {
            ++p;
            if (!std::isxdigit(*p)) raise(Err::BadHex);
            while (std::isxdigit(*p)) value = value * 16 + (std::isdigit(*p) ? *p - '0' : (std::toupper(*p) - 'A' + 10)), ++p;
        } else if (std::isdigit(*p)) {
            while (std::isdigit(*p)) value = value * 10 + (*p++ - '0');
        } else if (std::isalpha(*p)) {
            while (interp::is_name_char(*p)) ++p;
            value = kStart;
        } else {
            raise(Err::SyntaxError);
        }
        check(p);
        return true;
    }
    void set_label(const uint8_t*& p, int32_t, bool) override {
        if (!interp::is_name_char(*p)) raise(Err::SyntaxError);
        while (interp::is_name_char(*p) || *p == '%') ++p;
        check(p);
    }
    uint32_t system_address(std::string_view name) override { return name.size() == 3 ? 0x7F000000u : 0; }
    void store_byte(uint32_t addr, uint8_t) override {
        if (addr < 0x10000) std::abort();
        ++stored;
    }
    void list_char(uint8_t) override { ++column; }
    void list_newline() override { column = 0; }
    uint32_t list_column() override { return column; }
    std::string source_text(const uint8_t* p, size_t len) override {
        check(p + len);
        return interp::detokenise(p, len);
    }
    uint32_t column = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 300) return 0;
    std::string tokens;
    try {
        tokens = interp::tokenise(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1),
                                  interp::TokStart::Statement, false);
    } catch (const BasicError&) {
        return 0;
    }
    tokens.push_back('\r');
    static interp::Memory mem;   // only the fixed area is used
    FuzzHost host;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(tokens.data());
    host.end = p + tokens.size() - 1;
    asmx::Assembler as(mem, host);
    as.set_options(data[0] & 15);
    mem.set_fixed32(asmx::kPcOffset, kStart);
    mem.set_fixed32(asmx::kStoreOffset, kStart);
    try {
        for (int n = 0; n < 64; ++n) {
            p = as.statement(p);
            host.check(p);
            if (*p != ':') break;
            ++p;
        }
    } catch (const BasicError& e) {
        if (e.number < 0 || e.number > 255) std::abort();
    }
    return 0;
}
