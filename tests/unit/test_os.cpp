// The OS layer on its own: the key and event rings, take-key with *KEY
// expansion, event order and the 15-record limit, INKEY's time limit
// against a fake clock, and the *KEY page.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/headless/headless_host.h"
#include "os/os.h"
#include "os/rings.h"
#include "tests/unit/test_support.h"

namespace kov::os {
namespace {

TEST(KeyBuffer, HoldsAtMost255AndWraps) {
    uint8_t bytes[256] = {};
    KeyBuffer ring;
    ring.attach(bytes);
    EXPECT_EQ(ring.space(), 255);
    for (int i = 0; i < 255; ++i) ASSERT_TRUE(ring.insert(static_cast<uint8_t>(i)));
    EXPECT_EQ(ring.space(), 0);
    EXPECT_FALSE(ring.insert(99));   // the 256th is dropped
    uint8_t c;
    for (int i = 0; i < 255; ++i) {
        ASSERT_TRUE(ring.take(c));
        ASSERT_EQ(c, i);
    }
    EXPECT_FALSE(ring.take(c));
    // Round and round the ring, one in one out, past the wrap many times.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(ring.insert(static_cast<uint8_t>(i * 7)));
        ASSERT_TRUE(ring.take(c));
        ASSERT_EQ(c, static_cast<uint8_t>(i * 7));
    }
    EXPECT_TRUE(ring.empty());
    EXPECT_EQ(ring.space(), 255);
}

TEST(KeyBuffer, OneProducerThreadOneConsumer) {
    uint8_t bytes[256] = {};
    KeyBuffer ring;
    ring.attach(bytes);
    constexpr int kCount = 200000;
    std::thread producer([&] {
        for (int i = 0; i < kCount;)
            if (ring.insert(static_cast<uint8_t>(i * 31 + (i >> 8)))) ++i;
    });
    int bad = 0;
    for (int i = 0; i < kCount;) {
        uint8_t c;
        if (!ring.take(c)) continue;
        if (c != static_cast<uint8_t>(i * 31 + (i >> 8))) ++bad;
        ++i;
    }
    producer.join();
    EXPECT_EQ(bad, 0);
    EXPECT_TRUE(ring.empty());
}

TEST(EventQueue, FifteenRecordsInOrder) {
    uint8_t bytes[256] = {};
    EventQueue q;
    q.attach(bytes);
    for (uint32_t i = 0; i < 16; ++i) {
        bool stored = q.insert({i, 2 * i, 0x113, 0x1000 + i});
        EXPECT_EQ(stored, i < 15) << i;
    }
    EventRecord e;
    for (uint32_t i = 0; i < 15; ++i) {
        ASSERT_TRUE(q.take(e));
        EXPECT_EQ(e.lparam, i);
        EXPECT_EQ(e.wparam, 2 * i);
        EXPECT_EQ(e.handler, 0x1000 + i);
    }
    EXPECT_FALSE(q.take(e));
    // The ring layout: lParam, wParam, message, handler.
    uint32_t words[4];
    std::memcpy(words, bytes + 16, 16);
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[2], 0x113u);
}

// A host whose clock only moves when the OS layer sleeps, and which
// delivers nothing by itself.
class FakeHost : public host::HeadlessHost {
public:
    FakeHost() : HeadlessHost(-1, null_output()) {}
    static std::FILE* null_output() {
        static std::FILE* f = std::fopen("/dev/null", "w");
        return f;
    }
    uint32_t milliseconds() override { return now_ms; }
    void sleep_ms(int ms) override {
        now_ms += static_cast<uint32_t>(ms);
        ++sleeps;
        if (on_sleep) on_sleep();
    }
    void attach_input(host::InputSink*) override {}
    bool key_down(uint8_t vk) override { return vk < 8 && (held >> vk & 1); }
    void pointer_position(int& x, int& y) override { x = pointer_x; y = pointer_y; }
    void set_pointer_shape(int shape) override { shapes.push_back(shape); }

    unsigned held = 0;                 // bit n: virtual key n is down (the buttons are 1, 2 and 4)
    int pointer_x = 0, pointer_y = 0;
    std::vector<int> shapes;           // what the pointer was set to, in order
    uint32_t now_ms = 0xFFFFFE00u;   // waits cross the wrap of the counter
    int sleeps = 0;
    std::function<void()> on_sleep;
};

struct OsTest : ::testing::Test {
    interp::Memory& mem = test::shared_memory();
    FakeHost host;
    Os os{mem, host};
    void SetUp() override { os.start(nullptr); }
    void key(std::string_view def) { ASSERT_EQ(os.define_key(def).kind, Outcome::Done) << def; }
    std::string take_all() {
        std::string s;
        for (int k; (k = os.take_key()) != kNoKey;) s.push_back(static_cast<char>(k));
        return s;
    }
};

TEST_F(OsTest, FunctionKeysExpandTheirStrings) {
    os.push_key(0x91);   // F1, nothing defined: the code itself
    EXPECT_EQ(take_all(), "\x91");
    key("1 \"RUN|M\"");
    key("16 <ctrl-left>");
    key("24 bs");
    os.push_key(0x91);
    os.push_key('x');
    os.push_key(0x80);   // Ctrl+Left (also Ctrl+Shift+Left)
    os.push_key(8);      // Backspace
    os.push_key(0x92);   // F2: undefined
    os.push_key(0x90);   // never a key number
    EXPECT_EQ(take_all(), "RUN\rx<ctrl-left>bs\x92\x90");
    EXPECT_EQ(os.key_string(1), "RUN\r");
}

TEST_F(OsTest, FlushEndsAnExpansion) {
    key("2 abcdef");
    os.push_key(0x92);
    os.push_key('z');
    EXPECT_EQ(os.take_key(), 'a');
    os.flush_keys();
    EXPECT_EQ(os.take_key(), kNoKey);
    EXPECT_EQ(os.adval(-1), 255);
}

TEST_F(OsTest, KeyStringsArePackedInOnePage) {
    key("3 ccc");
    key("1 a");
    key("2 bb");
    key("2 BBBB");   // longer: the strings after it move up
    EXPECT_EQ(os.key_string(1), "a");
    EXPECT_EQ(os.key_string(2), "BBBB");
    EXPECT_EQ(os.key_string(3), "ccc");
    const uint8_t* page = interp::Memory::unchecked_ptr(mem.base() + page::KeyStrings);
    EXPECT_EQ(page[0], 1);
    EXPECT_EQ(page[2], 4);
    EXPECT_EQ(page[7], 3);
    // Escapes: |! sets bit 7 of what follows, |? is 127, || is |.
    key("4 |!A|?||");
    EXPECT_EQ(os.key_string(4), "\xC1\x7F|");
    EXPECT_EQ(os.define_key("25 x").number, 251);
    EXPECT_EQ(os.define_key("0 ignored").kind, Outcome::Done);
    // No closing quote: stored, then "Bad string".
    Outcome o = os.define_key("5 \"open");
    EXPECT_EQ(o.number, 253);
    EXPECT_EQ(os.key_string(5), "open");
    // Too long for what is left of the page: truncated, "Bad string".
    o = os.define_key("6 " + std::string(300, 'z'));
    EXPECT_EQ(o.number, 253);
    int used = 0;
    for (int k = 1; k <= kKeyStrings; ++k) used += 1 + static_cast<int>(os.key_string(k).size());
    EXPECT_EQ(used, 256);
    EXPECT_EQ(os.key_string(3), "ccc");
}

TEST_F(OsTest, CorruptPageIsClearedByTheNextKey) {
    uint8_t* page = interp::Memory::unchecked_ptr(mem.base() + page::KeyStrings);
    page[0] = 200;
    page[201] = 200;   // the lengths run past the page
    EXPECT_EQ(os.key_string(3), "");
    key("3 ok");
    EXPECT_EQ(os.key_string(1), "");
    EXPECT_EQ(os.key_string(3), "ok");
}

TEST_F(OsTest, InkeyTimesOutOnTheTickDeadline) {
    EXPECT_EQ(os.inkey_wait(0), kNoKey);
    EXPECT_EQ(host.sleeps, 0);
    const uint32_t start = host.now_ms;
    EXPECT_EQ(os.inkey_wait(100), kNoKey);
    EXPECT_EQ(host.now_ms - start, 1000u);
    EXPECT_EQ(host.sleeps, 100);
    // A key typed after half a second is returned at once.
    host.sleeps = 0;
    host.on_sleep = [&] {
        if (host.sleeps == 50) os.push_key('k');
    };
    EXPECT_EQ(os.inkey_wait(100), 'k');
    EXPECT_EQ(host.sleeps, 50);
}

TEST_F(OsTest, WaitsStopForEscapeAndQuit) {
    host.on_sleep = [&] {
        if (host.sleeps == 3) host.flags.fetch_or(host::flag::Escape);
    };
    EXPECT_EQ(os.osrdch(), 27);
    host.flags.store(0);
    host.sleeps = 0;
    host.on_sleep = [&] {
        if (host.sleeps == 2) host.flags.fetch_or(host::flag::Quit);
    };
    EXPECT_EQ(os.inkey_wait(1000), kQuit);
    host.flags.store(0);
    // Ticks are cleared by waits without ending them.
    host.sleeps = 0;
    host.on_sleep = [&] {
        host.flags.fetch_or(host::flag::Tick);
        if (host.sleeps == 5) os.push_key('t');
    };
    EXPECT_EQ(os.osrdch(), 't');
    EXPECT_FALSE(host.flags.load() & host::flag::Tick);
}

TEST_F(OsTest, EndOfInputIsEscapeOnceTheKeysAreRead) {
    os.push_key('a');
    os.end_of_input();
    EXPECT_EQ(os.osrdch(), 'a');
    EXPECT_EQ(os.osrdch(), 27);
    EXPECT_TRUE(host.flags.load() & host::flag::Escape);
    host.flags.store(0);
}

TEST_F(OsTest, EscapeKeyUnderEscOff) {
    ASSERT_EQ(os.oscli("ESC OFF").kind, Outcome::Done);
    os.raise_escape();
    EXPECT_EQ(os.take_key(), 27);
    EXPECT_FALSE(host.flags.load() & host::flag::Escape);
    ASSERT_EQ(os.oscli("ESC").kind, Outcome::Done);
    os.raise_escape();
    EXPECT_EQ(os.take_key(), kNoKey);
    EXPECT_TRUE(host.flags.load() & host::flag::Escape);
    host.flags.store(0);
}

TEST_F(OsTest, EventsNeedAHandlerAndKeepTheirOrder) {
    EXPECT_FALSE(os.post_event(host::EventKind::Close, host::message::Close, 0, 0));
    mem.set_fixed32(interp::fixed::OnTime, 0x12345);
    mem.set_fixed32(interp::fixed::OnMove, 0x23456);
    for (int i = 0; i < 8; ++i) {
        os.timer_tick();
        EXPECT_TRUE(os.post_event(host::EventKind::Move, host::message::Size, 0, static_cast<uint32_t>(i)));
    }
    EXPECT_TRUE(host.flags.load() & host::flag::Tick);
    host.flags.store(0);
    EventRecord e;
    for (int i = 0; i < 15; ++i) {
        ASSERT_TRUE(os.take_event(e));
        if (i % 2 == 0) {
            EXPECT_EQ(e.message, host::message::Timer);
            EXPECT_EQ(e.handler, 0x12345u);
        } else {
            EXPECT_EQ(e.message, host::message::Size);
            EXPECT_EQ(e.lparam, static_cast<uint32_t>(i / 2));
            EXPECT_EQ(e.handler, 0x23456u);
        }
        // The flag is raised again while records remain.
        EXPECT_EQ((host.flags.load() & host::flag::Event) != 0, i < 14) << i;
        host.flags.store(0);
    }
    EXPECT_FALSE(os.take_event(e));   // the sixteenth was dropped
    mem.set_fixed32(interp::fixed::OnTime, 0);
    mem.set_fixed32(interp::fixed::OnMove, 0);
}

TEST_F(OsTest, StarCommandsAndAbbreviations) {
    EXPECT_EQ(os.oscli("FX 15").kind, Outcome::Done);
    EXPECT_EQ(os.oscli("  | comment").kind, Outcome::Done);
    EXPECT_EQ(os.oscli("").kind, Outcome::Done);
    EXPECT_EQ(os.oscli("BYE").kind, Outcome::Quit);
    EXPECT_EQ(os.oscli("qu.").kind, Outcome::Quit);
    EXPECT_EQ(os.oscli("FLOAT 32").number, 254);
    EXPECT_EQ(os.oscli("FL.64").kind, Outcome::OptionsChanged);
    EXPECT_TRUE(mem.fixed8(interp::fixed::Options) & interp::kOptFloat64);
    EXPECT_EQ(os.oscli("FLOAT 40").kind, Outcome::OptionsChanged);
    EXPECT_FALSE(mem.fixed8(interp::fixed::Options) & interp::kOptFloat64);
    // Without the interpreter's output the file commands say what would
    // have run.
    EXPECT_EQ(os.oscli("D.").message, "*DIR is not available in this version");
    EXPECT_EQ(os.oscli("DIRECTORY").message, "*DIR is not available in this version");
    EXPECT_EQ(os.oscli("*x").message, "*RUN is not available in this version");
    EXPECT_EQ(os.oscli("/x").message, "*RUN is not available in this version");
    EXPECT_EQ(os.oscli("ABC").message, "*RUN is not available in this version");
    EXPECT_EQ(os.oscli("SPOOL name").message, "*SPOOL is not available in this version");
    EXPECT_EQ(os.oscli("TV 1,2").kind, Outcome::Done);
    EXPECT_EQ(os.oscli("OUTPUT 0").kind, Outcome::Done);
    EXPECT_EQ(os.oscli("OUTPUT 3").kind, Outcome::Done);
    EXPECT_EQ(os.stream(), 3);
    EXPECT_EQ(os.oscli("INPUT 12").kind, Outcome::Done);
    EXPECT_EQ(os.stream(), 0xC3);
}

TEST_F(OsTest, KeyScansAndIdentification) {
    EXPECT_EQ(os.inkey_scan(-256), 87);
    EXPECT_EQ(os.inkey_scan(-129), 87);
    EXPECT_EQ(os.inkey_scan(-1), 0);       // no key down headless
    EXPECT_EQ(os.inkey_scan(INT32_MIN), 87);
    EXPECT_EQ(os.adval(-4), 255);
    os.push_key('a');
    EXPECT_EQ(os.adval(-1), 254);
    os.flush_keys();
}

TEST_F(OsTest, MouseButtonsAndPointer) {
    int x = 1, y = 1, b = 1;
    host.pointer_x = -7;
    host.pointer_y = 2000;
    os.mouse(x, y, b);
    EXPECT_EQ(x, -7);   // outside the window, unclipped
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(b, 0);
    // b = 4·left + 2·middle + right; the virtual keys are 1 left, 2 right, 4 middle.
    const std::pair<unsigned, int> cases[] = {{1u << 1, 4}, {1u << 2, 1}, {1u << 4, 2}, {(1u << 1) | (1u << 2) | (1u << 4), 7},
                                              {(1u << 1) | (1u << 4), 6}};
    for (auto [held, want] : cases) {
        host.held = held;
        os.mouse(x, y, b);
        EXPECT_EQ(b, want) << "held " << held;
    }
}

TEST_F(OsTest, PointerShapesAndTheirHandles) {
    EXPECT_EQ(os.pointer_shape(0), 0xC501u);     // the arrow
    EXPECT_EQ(os.pointer_shape(3), 0xC504u);     // the cross
    EXPECT_EQ(os.pointer_shape(137), 0xC58Au);   // the hand
    EXPECT_EQ(os.pointer_shape(5), 0u);          // no such shape: no pointer over the window
    EXPECT_EQ(os.pointer_shape(135), 0u);
    EXPECT_EQ(os.pointer_shape(255), 0u);
    EXPECT_EQ(os.pointer_shape(-1), 0u);         // MOUSE OFF
    EXPECT_EQ(host.shapes, (std::vector<int>{0, 3, 137, -1, -1, -1, -1}));
}

TEST_F(OsTest, CommitMemoryRules) {
    const uint32_t top = mem.committed_top();
    EXPECT_EQ(os.commit_memory(mem.base() - 1), 0u);
    EXPECT_EQ(os.commit_memory(top - 100), top - 100);
    EXPECT_EQ(mem.committed_top(), top);
    EXPECT_EQ(os.commit_memory(mem.reserve_end() + 1), 0u);
}

}  // namespace
}  // namespace kov::os
