// Turning BASIC text into tokenised program text and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kov::interp {

// Where the text to tokenise starts: at the beginning of a statement (a
// program line, so the statement forms of PTR, PAGE, TIME, LOMEM and HIMEM
// and star commands are recognised at once), or inside an expression (EVAL).
enum class TokStart { Statement, Expression };

// The characters a variable or procedure name is made of.
constexpr bool is_name_char(uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= '@' && c <= 'Z') || c == '_' || (c >= '`' && c <= 'z');
}

// The tokenised form of at most this many bytes is accepted; one more
// source character after that is "LINE space".
inline constexpr size_t kMaxTokenisedLine = 252;

// Tokenise one line of text (without its CR; a CR in the text ends it).
// `lowercase` is the *LOWERCASE option: keywords may then also be written
// in lower case. Returns the tokenised bytes without a closing CR. Raises
// error 0 "LINE space" when the result grows too long and "Number too big"
// for a line number of 65536 or more after GOTO and its kind.
std::string tokenise(std::string_view text, TokStart start, bool lowercase);

// Look up the keyword that starts at text[pos]. On a match stores its token
// and the number of source characters it uses (including an abbreviation
// dot or a blank taken as a conditional keyword's trailing blank) and
// returns true. The end of `text` counts as a non-name character.
bool keyword_lookup(std::string_view text, size_t pos, bool lowercase, uint8_t& token,
                    size_t& length);

// The line-number token: out[0] = 0x8D, then three bytes in 0x40..0x7F.
void encode_line_number(uint16_t n, uint8_t out[4]);
// Decode the three bytes that follow a 0x8D.
uint16_t decode_line_number(const uint8_t* p);

// The text of a tokenised line body: keywords spelled out, line-number
// tokens as decimal numbers, and strings, REM and DATA text and star
// commands copied byte for byte. A blank is put after a conditional keyword
// where the next character would otherwise join it, so tokenising the
// result gives back the same bytes.
std::string detokenise(const uint8_t* body, size_t len);

}  // namespace kov::interp
