#include "interp/tokeniser.h"

#include "interp/errors.h"
#include "interp/keywords.h"

namespace kov::interp {

namespace {

constexpr uint8_t kCr = 13;

constexpr uint8_t to_upper(uint8_t c) {
    return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c;
}

// The source character at `pos`, with the end of the text read as CR.
uint8_t char_at(std::string_view text, size_t pos) {
    return pos < text.size() ? static_cast<uint8_t>(text[pos]) : kCr;
}

// Match the rest of one keyword row after its first character matched at
// text[pos]. `folded` says the first character matched only after case
// conversion, which lets the remaining characters match either way.
// Returns the number of source characters used, or 0 when the row fails.
size_t match_rest(std::string_view text, size_t pos, const Keyword& kw, bool folded) {
    size_t name_len = std::char_traits<char>::length(kw.name);
    bool conditional = kw.match == KwMatch::Conditional;
    size_t i = 1;
    size_t p = pos + 1;
    for (;;) {
        // The row's character at this place; a conditional keyword has a
        // trailing blank after its name.
        bool at_blank = conditional && i == name_len;
        if (i >= name_len && !at_blank) return p - pos;
        uint8_t e = at_blank ? ' ' : static_cast<uint8_t>(kw.name[i]);
        uint8_t s = char_at(text, p);
        if (s == '.') return p + 1 - pos;
        if (s == e || (folded && to_upper(s) == e)) {
            ++i;
            ++p;
            continue;
        }
        if (at_blank && !is_name_char(s)) return p - pos;
        return 0;
    }
}

// Keywords after which a line number may follow.
constexpr bool takes_line_number(uint8_t token) {
    return token == tok::Goto || token == tok::Gosub || token == tok::Restore ||
           token == tok::Trace || token == tok::Then || token == tok::Else;
}

// Keywords after which a new statement begins.
constexpr bool starts_statement(uint8_t token) {
    return token == tok::Then || token == tok::Else || token == tok::Repeat ||
           token == tok::Error;
}

// The tokeniser's state while it walks one line.
struct TokState {
    bool statement_start;
    bool line_number = false;
    bool name = false;
    bool hex = false;
    bool verbatim = false;
    bool string = false;
};

// Whether hex mode ends at character c: at anything that is no hex digit.
// Lower-case a to f count as digits only while lower-case keywords are on.
bool ends_hex(uint8_t c, bool lowercase) {
    if (c == '@' || c == '_' || c == '`' || c >= 'g') return true;
    if (c >= 'G' && c <= 'Z') return true;
    return c >= 'a' && c <= 'f' && !lowercase;
}

}  // namespace

bool keyword_lookup(std::string_view text, size_t pos, bool lowercase, uint8_t& token,
                    size_t& length) {
    if (pos >= text.size()) return false;
    uint8_t first = static_cast<uint8_t>(text[pos]);
    uint8_t folded_first = lowercase ? to_upper(first) : first;
    for (size_t row = 0; row < kLookupKeywords; ++row) {
        const Keyword& kw = kKeywords[row];
        uint8_t k0 = static_cast<uint8_t>(kw.name[0]);
        bool folded;
        if (k0 == first) {
            folded = false;
        } else if (k0 == folded_first) {
            folded = true;
        } else if (k0 > folded_first) {
            return false;  // rows are grouped by ascending first letter
        } else {
            continue;
        }
        if (size_t used = match_rest(text, pos, kw, folded)) {
            token = kw.token;
            length = used;
            return true;
        }
    }
    return false;
}

std::string tokenise(std::string_view text, TokStart start, bool lowercase) {
    std::string out;
    out.reserve(256);
    TokState st{start == TokStart::Statement};
    size_t pos = 0;
    while (pos < text.size() && static_cast<uint8_t>(text[pos]) != kCr) {
        if (out.size() >= kMaxTokenisedLine) raise(0, "LINE space");
        uint8_t c = static_cast<uint8_t>(text[pos]);

        if (!is_name_char(c)) st.name = st.hex = false;
        if (c == ' ' || c == ',') {
            out.push_back(static_cast<char>(c));
            ++pos;
            continue;
        }
        if (st.hex && ends_hex(c, lowercase)) st.hex = false;
        if (c == '"') st.string = !st.string;

        // After GOTO and its kind: a non-zero decimal number becomes a
        // line-number token, and another may follow (ON ... GOTO lists).
        if (st.line_number) {
            st.line_number = false;
            size_t p = pos;
            uint32_t value = 0;
            while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
                value = value * 10 + static_cast<uint32_t>(text[p] - '0');
                if (value >= 65536) raise(Err::NumberTooBig);
                ++p;
            }
            if (value != 0) {
                uint8_t encoded[4];
                encode_line_number(static_cast<uint16_t>(value), encoded);
                out.append(reinterpret_cast<const char*>(encoded), 4);
                pos = p;
                st.line_number = true;
                continue;
            }
        }

        uint8_t byte = c;
        size_t used = 1;
        bool is_token = false;
        if (st.name || st.hex || st.verbatim || st.string) {
            // Copied as typed.
        } else if (st.statement_start && c == '*') {
            st.statement_start = false;
            st.verbatim = true;  // a star command runs to the end of the line
        } else {
            bool at_statement_start = st.statement_start;
            st.statement_start = false;
            if (c < 0x80 && keyword_lookup(text, pos, lowercase, byte, used)) {
                is_token = true;
                if (at_statement_start && byte >= tok::Ptr && byte <= tok::Himem) {
                    byte = static_cast<uint8_t>(byte + tok::kStatementFormOffset);
                }
            }
        }

        // What the byte means for the characters after it. Token effects
        // belong to real keywords only, so that a Latin-1 letter in a string
        // whose code equals a token does not act as that keyword.
        if (is_token) {
            if (byte == tok::Rem || byte == tok::Data) st.verbatim = true;
            if (byte == tok::Fn || byte == tok::Proc) st.name = true;
            if (takes_line_number(byte)) st.line_number = true;
            if (starts_statement(byte)) st.statement_start = true;
        } else {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '`') {
                st.name = true;
            } else if (c == '&') {
                st.hex = true;
            } else if (c == ':') {
                st.statement_start = true;
            }
        }
        out.push_back(static_cast<char>(byte));
        pos += used;
    }
    return out;
}

void encode_line_number(uint16_t n, uint8_t out[4]) {
    uint8_t lo = static_cast<uint8_t>(n & 0xFF);
    uint8_t hi = static_cast<uint8_t>(n >> 8);
    out[0] = tok::LineNumber;
    out[1] = static_cast<uint8_t>((((lo & 0xC0) >> 2) | ((hi & 0xC0) >> 4)) ^ 0x54);
    out[2] = static_cast<uint8_t>((lo & 0x3F) | 0x40);
    out[3] = static_cast<uint8_t>((hi & 0x3F) | 0x40);
}

uint16_t decode_line_number(const uint8_t* p) {
    uint8_t top_bits = static_cast<uint8_t>(p[0] ^ 0x54);
    uint8_t lo = static_cast<uint8_t>((p[1] & 0x3F) | ((top_bits << 2) & 0xC0));
    uint8_t hi = static_cast<uint8_t>((p[2] & 0x3F) | ((top_bits << 4) & 0xC0));
    return static_cast<uint16_t>(lo | (hi << 8));
}

std::string detokenise(const uint8_t* body, size_t len) {
    std::string out;
    out.reserve(len * 2);
    // The tokeniser's modes that decide whether a byte is a token: string
    // and verbatim text are copied, and a "*" at the start of a statement
    // makes the rest of the line a verbatim star command.
    bool statement_start = true;
    bool string = false;
    bool verbatim = false;
    size_t i = 0;
    while (i < len) {
        uint8_t b = body[i];
        if (verbatim) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (string) {
            if (b == '"') {
                string = false;
                statement_start = false;
            }
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (b == tok::LineNumber && len - i >= 4) {
            out += std::to_string(decode_line_number(body + i + 1));
            i += 4;
            continue;
        }
        const Keyword* kw = (b >= 0x0D && b < 0x80) ? nullptr : find_keyword(b);
        if (kw == nullptr) {
            // A plain character (or a byte that is no token, copied as is).
            if (b == '"') {
                string = true;
            } else if (b == ':') {
                statement_start = true;
            } else if (b != ' ' && b != ',') {
                if (statement_start && b == '*') verbatim = true;
                statement_start = false;
            }
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        out += kw->name;
        ++i;
        statement_start = starts_statement(b);
        if (b == tok::Rem || b == tok::Data) verbatim = true;
        // The tokeniser takes one blank after a conditional keyword as part
        // of it. So a blank goes in before anything that would otherwise
        // read as part of the keyword (a name character, an abbreviation
        // dot, a token, which prints as a keyword or a line number) and
        // before a blank of the body, which would otherwise be taken.
        // The statement forms are read back through their function rows,
        // which are conditional.
        bool conditional = kw->match == KwMatch::Conditional ||
                           (b >= tok::PtrStmt && b <= tok::HimemStmt);
        if (conditional && i < len) {
            uint8_t next = body[i];
            if (is_name_char(next) || next == '.' || next == ' ' || next >= 0x80 ||
                (next >= 0x01 && next <= 0x0C)) {
                out.push_back(' ');
            }
        }
    }
    return out;
}

}  // namespace kov::interp
