// The terminal key decoder: bytes a terminal sends in, key codes out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/terminal.h"

using kov::host::KeyDecoder;

namespace {

struct Decoded {
    std::vector<int> keys;
    int escapes = 0;
};

// Feeds `bytes`; `then_timeout` lets the lone-Escape time pass at the end.
Decoded decode(const std::string& bytes, bool then_timeout = false) {
    Decoded d;
    KeyDecoder decoder([&](int k) { d.keys.push_back(k); }, [&] { ++d.escapes; });
    for (char c : bytes) decoder.feed(static_cast<uint8_t>(c));
    if (then_timeout) decoder.timeout();
    return d;
}

std::vector<int> keys(const std::string& bytes) { return decode(bytes).keys; }

}  // namespace

TEST(TerminalKeys, PlainBytesAreKeysAndBackspaceIsEight) {
    EXPECT_EQ(keys("aZ\r\t"), (std::vector<int>{'a', 'Z', 13, 9}));
    EXPECT_EQ(keys("\x7f"), std::vector<int>{8});
    EXPECT_EQ(keys("\xe9"), std::vector<int>{0xE9});
}

TEST(TerminalKeys, CursorKeysInBothModes) {
    EXPECT_EQ(keys("\x1b[A\x1b[B\x1b[C\x1b[D"), (std::vector<int>{0x8B, 0x8A, 0x89, 0x88}));
    EXPECT_EQ(keys("\x1bOA\x1bOB\x1bOC\x1bOD"), (std::vector<int>{0x8B, 0x8A, 0x89, 0x88}));
}

TEST(TerminalKeys, EditingKeys) {
    EXPECT_EQ(keys("\x1b[H\x1b[F\x1bOH\x1bOF"), (std::vector<int>{0x82, 0x83, 0x82, 0x83}));
    EXPECT_EQ(keys("\x1b[1~\x1b[2~\x1b[3~\x1b[4~\x1b[5~\x1b[6~\x1b[7~\x1b[8~"),
              (std::vector<int>{0x82, 0x86, 0x87, 0x83, 0x84, 0x85, 0x82, 0x83}));
}

TEST(TerminalKeys, FunctionKeys) {
    EXPECT_EQ(keys("\x1bOP\x1bOQ\x1bOR\x1bOS"), (std::vector<int>{0x91, 0x92, 0x93, 0x94}));
    EXPECT_EQ(keys("\x1b[11~\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~"),
              (std::vector<int>{0x91, 0x95, 0x96, 0x9A, 0x9B, 0x9C}));
    // The Linux console's F1 and F5.
    EXPECT_EQ(keys("\x1b[[A\x1b[[E"), (std::vector<int>{0x91, 0x95}));
}

TEST(TerminalKeys, Modifiers) {
    // Shift, Ctrl, Ctrl+Shift and Alt on F1; Shift+F12 and Ctrl+F5.
    EXPECT_EQ(keys("\x1b[1;2P\x1b[1;5P\x1b[1;6P\x1b[1;3P"), (std::vector<int>{0xA1, 0xB1, 0xC1, 0xC1}));
    EXPECT_EQ(keys("\x1b[24;2~\x1b[15;5~"), (std::vector<int>{0xAC, 0xB5}));
    // Ctrl+Home..Ctrl+Page Down, Ctrl+Left and Ctrl+Right; Shift leaves them.
    EXPECT_EQ(keys("\x1b[1;5H\x1b[1;5F\x1b[5;5~\x1b[6;5~"), (std::vector<int>{0x9C, 0x9D, 0x9E, 0x9F}));
    EXPECT_EQ(keys("\x1b[1;5D\x1b[1;5C\x1b[1;2D\x1b[1;5A"), (std::vector<int>{0x80, 0x81, 0x88, 0x8B}));
    EXPECT_EQ(keys("\x1b[Z"), std::vector<int>{0x9B});
}

TEST(TerminalKeys, LoneEscapeRaisesEscapeOnlyAfterTheTimeout) {
    Decoded held = decode("\x1b");
    EXPECT_EQ(held.escapes, 0);
    EXPECT_TRUE(held.keys.empty());
    Decoded lone = decode("\x1b", true);
    EXPECT_EQ(lone.escapes, 1);
    EXPECT_TRUE(lone.keys.empty());
    // Escape then an ordinary key (also how Alt+key arrives).
    Decoded alt = decode("\x1bx");
    EXPECT_EQ(alt.escapes, 1);
    EXPECT_EQ(alt.keys, std::vector<int>{'x'});
    // Escape and "[" typed on their own.
    Decoded bracket = decode("\x1b[", true);
    EXPECT_EQ(bracket.escapes, 1);
    EXPECT_EQ(bracket.keys, std::vector<int>{'['});
}

TEST(TerminalKeys, UnknownAndOverlongSequencesAreDropped) {
    EXPECT_EQ(keys("\x1b[99~a"), std::vector<int>{'a'});
    EXPECT_EQ(keys("\x1b[1;5Xb"), std::vector<int>{'b'});
    EXPECT_EQ(keys("\x1b[" + std::string(40, '1') + "~c"), std::vector<int>{'c'});
    Decoded d = decode("\x1b[12345678901234567890");
    EXPECT_EQ(d.escapes, 0);
}
