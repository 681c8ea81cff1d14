#include <gtest/gtest.h>

#include <cstring>

#include "interp/errors.h"
#include "interp/keywords.h"
#include "interp/program_text.h"
#include "interp/tokeniser.h"

using namespace kov::interp;

namespace {

std::string tk(std::string_view text, bool lowercase = false,
               TokStart start = TokStart::Statement) {
    return tokenise(text, start, lowercase);
}

// Bytes from a list of tokens and characters.
std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(static_cast<char>(b));
    return s;
}

std::string line_token(uint16_t n) {
    uint8_t enc[4];
    encode_line_number(n, enc);
    return std::string(reinterpret_cast<const char*>(enc), 4);
}

std::string detok(const std::string& body) {
    return detokenise(reinterpret_cast<const uint8_t*>(body.data()), body.size());
}

int error_number(std::string_view text) {
    try {
        tk(text);
    } catch (const kov::BasicError& e) {
        return e.number;
    }
    return -1;
}

}  // namespace

TEST(TokenKeywordTable, EveryKeywordSpelledOutGivesItsToken) {
    // Each row the lookup can reach, written in full and followed by a
    // blank, must come back as the token of its first row.
    for (size_t row = 0; row < kLookupKeywords; ++row) {
        std::string text = std::string(kKeywords[row].name) + " ";
        uint8_t token = 0;
        size_t used = 0;
        ASSERT_TRUE(keyword_lookup(text, 0, false, token, used)) << text;
        EXPECT_EQ(token, kKeywords[row].token) << text;
        EXPECT_STREQ(keyword_name(token), row == 10 ? "COLOUR" : kKeywords[row].name);
    }
    // Every token byte has a keyword, except the line-number token.
    for (int b = 0x80; b <= 0xFF; ++b) EXPECT_EQ(keyword_name(b) == nullptr, b == 0x8D) << b;
    for (int b = 0x01; b <= 0x0C; ++b) EXPECT_NE(keyword_name(b), nullptr);
    EXPECT_EQ(keyword_name(0), nullptr);
    EXPECT_EQ(keyword_name('A'), nullptr);
    EXPECT_STREQ(keyword_name(tok::HimemStmt), "HIMEM");
    EXPECT_STREQ(keyword_name(tok::Color), "COLOUR");
}

TEST(Tokeniser, AbbreviationsTakeTheFirstRowOfTheLetter) {
    EXPECT_EQ(tk("P."), bytes({tok::Print}));
    EXPECT_EQ(tk("E."), bytes({tok::Endproc}));
    EXPECT_EQ(tk("CL.X"), bytes({tok::Clear, 'X'}));
    uint8_t token = 0;
    size_t used = 0;
    ASSERT_TRUE(keyword_lookup("GOS.100", 0, false, token, used));
    EXPECT_EQ(token, tok::Gosub);
    EXPECT_EQ(used, 4u);  // the dot is part of the keyword
}

TEST(Tokeniser, ConditionalKeywordsNeedANonNameCharacter) {
    EXPECT_EQ(tk("ENDX"), "ENDX");
    EXPECT_EQ(tk("ENDPROCX"), "ENDPROCX");
    EXPECT_EQ(tk("PRINTX"), bytes({tok::Print, 'X'}));
    EXPECT_EQ(tk("END"), bytes({tok::End}));
    EXPECT_EQ(tk("END :"), bytes({tok::End, ':'}));  // the blank is taken with END
    EXPECT_EQ(tk("END:"), bytes({tok::End, ':'}));
    EXPECT_EQ(tk("TOTAL"), bytes({tok::To, 'T', 'A', 'L'}));
    EXPECT_EQ(tk("TOP"), bytes({tok::To, 'P'}));
}

TEST(Tokeniser, LineNumbersAfterJumpKeywords) {
    EXPECT_EQ(tk("GOTO 100"), bytes({tok::Goto, ' '}) + line_token(100));
    EXPECT_EQ(tk("GOTO 0"), bytes({tok::Goto, ' ', '0'}));
    EXPECT_EQ(tk("GOTO X"), bytes({tok::Goto, ' ', 'X'}));
    EXPECT_EQ(tk("ON x GOTO 10,20,30"), bytes({tok::On, ' ', 'x', ' ', tok::Goto, ' '}) +
                                            line_token(10) + "," + line_token(20) + "," +
                                            line_token(30));
    EXPECT_EQ(tk("IF A THEN 20 ELSE 30"), bytes({tok::If, ' ', 'A', ' ', tok::Then, ' '}) +
                                              line_token(20) + bytes({' ', tok::Else, ' '}) +
                                              line_token(30));
    EXPECT_EQ(tk("RESTORE 65535"), bytes({tok::Restore, ' '}) + line_token(65535));
    EXPECT_EQ(tk("PRINT 100"), bytes({tok::Print, ' ', '1', '0', '0'}));
    EXPECT_EQ(error_number("GOSUB 65536"), static_cast<int>(kov::Err::NumberTooBig));
}

TEST(Tokeniser, HexAndPseudoVariables) {
    EXPECT_EQ(tk("X=&DEF"), "X=&DEF");
    EXPECT_EQ(tk("X=&1 OR 2"), bytes({'X', '=', '&', '1', ' ', tok::Or, ' ', '2'}));
    EXPECT_EQ(tk("PTR#1=0"), bytes({tok::PtrStmt, '#', '1', '=', '0'}));
    EXPECT_EQ(tk("X=PTR#1"), bytes({'X', '=', tok::Ptr, '#', '1'}));
    EXPECT_EQ(tk("A=1:TIME=0"), bytes({'A', '=', '1', ':', tok::TimeStmt, '=', '0'}));
    EXPECT_EQ(tk("TIME", false, TokStart::Expression), bytes({tok::Time}));
    EXPECT_EQ(tk("IF 1 THEN HIMEM=X"), bytes({tok::If, ' ', '1', ' ', tok::Then, ' ',
                                              tok::HimemStmt, '=', 'X'}));
}

TEST(Tokeniser, StringsRemDataAndStarCommandsAreVerbatim) {
    EXPECT_EQ(tk("PRINT \"PRINT\":PRINT"),
              bytes({tok::Print, ' '}) + "\"PRINT\":" + bytes({tok::Print}));
    EXPECT_EQ(tk("REM GOTO 10:PRINT"), bytes({tok::Rem}) + " GOTO 10:PRINT");
    EXPECT_EQ(tk("DATA PRINT,TO"), bytes({tok::Data}) + " PRINT,TO");
    EXPECT_EQ(tk("*DIR PRINT"), "*DIR PRINT");
    EXPECT_EQ(tk("X=2*PRINT"), bytes({'X', '=', '2', '*', tok::Print}));
    // Latin-1 letters whose codes equal GOTO and REM stay plain text.
    EXPECT_EQ(tk("PRINT \"\xE5" "10\xF4\":PRINT"),
              bytes({tok::Print, ' '}) + "\"\xE5" "10\xF4\":" + bytes({tok::Print}));
}

TEST(Tokeniser, LowerCaseKeywords) {
    EXPECT_EQ(tk("print", true), bytes({tok::Print}));
    EXPECT_EQ(tk("pRINT", true), bytes({tok::Print}));
    EXPECT_EQ(tk("PRINT", true), bytes({tok::Print}));
    EXPECT_EQ(tk("Print", true), "Print");
    EXPECT_EQ(tk("print", false), "print");
    EXPECT_EQ(tk("timex", true), "timex");  // the statement forms are never looked up
    EXPECT_EQ(tk("x=&ab or 1", true), bytes({'x', '=', '&', 'a', 'b', ' ', tok::Or, ' ', '1'}));
}

TEST(Tokeniser, LineSpaceIsUntrappable) {
    EXPECT_EQ(tk("REM " + std::string(250, 'x')).size(), 252u);
    EXPECT_EQ(error_number("REM " + std::string(251, 'x')), 0);
    EXPECT_EQ(error_number(std::string(300, ' ')), 0);
}

TEST(TokenLineNumber, EncodingRoundTripsForEveryNumber) {
    for (uint32_t n = 0; n < 65536; ++n) {
        uint8_t enc[4];
        encode_line_number(static_cast<uint16_t>(n), enc);
        ASSERT_EQ(enc[0], 0x8D);
        for (int i = 1; i < 4; ++i) ASSERT_TRUE(enc[i] >= 0x40 && enc[i] <= 0x7F) << n;
        ASSERT_EQ(decode_line_number(enc + 1), n);
    }
    EXPECT_EQ(line_token(100), bytes({0x8D, 'D', 'd', '@'}));
}

TEST(TokenDetokenise, ListingTokenisesBackToTheSameBytes) {
    const char* lines[] = {
        "CL.X",          "E.X",           "IF X THEN CLS ELSE END",
        "ON x GOTO 10,20,30 ELSE 40",     "PRINT \"a:b\" TAB(3);COUNT.5",
        "PTR#1=PTR#2+1", "REM \xE9t\xE9",  "IF A THEN *FX 15",
        "X=&DEF AND TOP", "END PROC",     "RETURN:RETURN",
        "DATA 1,\"2\",GOTO",              "COLOR 1:TIME=TIME+1",
    };
    for (const char* line : lines) {
        std::string body = tk(line);
        std::string text = detok(body);
        EXPECT_EQ(tk(text), body) << line << " -> " << text;
    }
    // Found by fuzzing: a blank after a conditional keyword, and the
    // statement form of a pseudo-variable followed by a letter.
    for (const char* line : {"ERR   kf", "h.n*D", "TIME.X"}) {
        std::string body = tk(line, true);
        EXPECT_EQ(tk(detok(body), true), body) << line;
    }
    EXPECT_EQ(detok(tk("CL.X")), "CLEAR X");
    EXPECT_EQ(detok(tk("IF X THEN CLS ELSE END")), "IF X THEN CLS ELSE END");
    EXPECT_EQ(detok(tk("REM \xE9t\xE9")), "REM \xE9t\xE9");
    EXPECT_EQ(detok(bytes({0x8D, 'D'})), "\x8D" "D");  // a cut-off line number stays in bounds
}

TEST(TokenProgramText, TextOrImage) {
    EXPECT_TRUE(looks_like_text({'1', '0', ' ', 'P', '\t', '\r', '\n', 0xE9}));
    EXPECT_FALSE(looks_like_text({5, 10, 0, 13, 0, 0xFF, 0xFF}));
}

TEST(TokenProgramText, LinesNumbersAndEndMarker) {
    TextLoadResult r = tokenise_program("10 PRINT\r\n\n   \n  ENDIF\r20\tX=1", "p.bas");
    ASSERT_EQ(r.error, "");
    std::vector<uint8_t> want = {5, 10, 0, tok::Print, 13,       // 10 PRINT
                                 5, 0, 0, tok::Endif, 13,        // unnumbered ENDIF
                                 7, 20, 0, 'X', '=', '1', 13,    // 20 X=1
                                 0, 0xFF, 0xFF};
    EXPECT_EQ(r.image, want);
}

TEST(TokenProgramText, LoadErrorsNameTheFileLine) {
    EXPECT_EQ(tokenise_program("10 A=1\n\n30 B=1\n30 C=1\n", "prog.bas").error,
              "prog.bas:4: line number 30 out of order");
    EXPECT_EQ(tokenise_program("A=1\n65280 B=1\n", "x").error,
              "x:2: line number 65280 is above 65279");
    EXPECT_EQ(tokenise_program("10 REM " + std::string(260, 'x'), "x").error,
              "x:1: line too long");
    EXPECT_EQ(tokenise_program("10 GOTO 99999", "x").error, "x:1: Number too big");
    EXPECT_EQ(tokenise_program("10 A=1\x01", "x").error, "x:1: control character 1 in the line");
    // Unnumbered lines may stand anywhere.
    EXPECT_EQ(tokenise_program("10 A\nB\n20 C\n0 D\n", "x").error, "");
}

TEST(TokenProgramText, ListingRoundTrip) {
    const char* text =
        "10 IF X THEN CLS ELSE PRINT \"hi\":GOTO 10\n"
        "20 ON N GOTO 10,20,30\n"
        "   PRINT TOP\n"
        "0 5\n"
        "0\n"
        "30 *DIR\n"
        "40\n"
        "65279 DATA a\tb,\"c\td\"\n";
    TextLoadResult r = tokenise_program(text, "x");
    ASSERT_EQ(r.error, "");
    std::string error;
    std::string listing = list_program(r.image.data(), r.image.size(), error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(listing.substr(0, 52), "   10 IF X THEN CLS ELSE PRINT \"hi\":GOTO 10\n   20 ON");
    TextLoadResult again = tokenise_program(listing, "x");
    EXPECT_EQ(again.error, "");
    EXPECT_EQ(again.image, r.image) << listing;
}

TEST(TokenProgramText, DamagedImagesGiveAnErrorNotACrash) {
    std::string error;
    const uint8_t no_cr[] = {5, 10, 0, 'A', 'B', 0, 0xFF, 0xFF};
    list_program(no_cr, sizeof no_cr, error);
    EXPECT_NE(error, "");
    const uint8_t too_long[] = {9, 10, 0, 'A', 13};
    list_program(too_long, sizeof too_long, error);
    EXPECT_NE(error, "");
    const uint8_t no_end[] = {5, 10, 0, 'A', 13};
    EXPECT_EQ(list_program(no_end, sizeof no_end, error), "   10 A\n");
    EXPECT_NE(error, "");
    const uint8_t short_line[] = {2, 10, 0, 0};
    list_program(short_line, sizeof short_line, error);
    EXPECT_NE(error, "");
}
