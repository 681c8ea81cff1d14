// The BASIC memory's address checks, the program check, and what a run
// leaves in the memory layout, through a whole interpreter whose headless
// host writes its text mirror to a temporary file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/headless_host.h"
#include "interp/interp.h"
#include "interp/memory.h"
#include "interp/program_text.h"
#include "vdu/vdu.h"
#include "tests/unit/test_support.h"

namespace kov::interp {
namespace {

using test::error_of;

constexpr int kAddressOutOfRange = static_cast<int>(Err::AddressOutOfRange);

Memory& memory() { return test::shared_memory(); }

struct TempFile {
    std::FILE* f = std::tmpfile();
    ~TempFile() { std::fclose(f); }
};

// An interpreter over the shared memory. Members are destroyed in reverse
// order, so the host flushes its mirror before the file closes.
struct Machine {
    TempFile out;
    host::HeadlessHost host{-1, out.f};
    vdu::Vdu vdu{host};
    Interp in{memory(), host};

    Machine() {
        in.vdu = &vdu;
        in.init_fixed_area("");
    }
    uint32_t page() const { return memory().base() + Memory::kPageOffset; }
    uint8_t* at_page() const { return Memory::unchecked_ptr(page()); }

    // Copies `image` to PAGE and runs it; returns the exit status.
    int run(const std::vector<uint8_t>& image) {
        std::memcpy(at_page(), image.data(), image.size());
        return in.run_program("");
    }
    std::string output() {
        host.flush_output();
        std::string s;
        std::rewind(out.f);
        int c;
        while ((c = std::fgetc(out.f)) != EOF) s.push_back(static_cast<char>(c));
        return s;
    }
};

std::vector<uint8_t> tokenised(std::string_view text) {
    TextLoadResult r = tokenise_program(text, "test");
    EXPECT_EQ(r.error, "");
    return r.image;
}

TEST(MemoryBounds, FixedAreaAndTheGapAboveIt) {
    Memory& m = memory();
    EXPECT_EQ(m.at(0, 4), m.fixed_area());
    EXPECT_EQ(m.at(1020, 4), m.fixed_area() + 1020);
    m.write32(4, 7);
    EXPECT_EQ(m.fixed32(fixed::StaticVars), 7u);
    m.write8(1023, 0x5A);
    EXPECT_EQ(m.fixed8(1023), 0x5A);
    // A range that starts in the fixed area but crosses its end.
    EXPECT_EQ(error_of([&] { m.read32(1021); }), kAddressOutOfRange);
    for (uint32_t a : {1024u, 2000u, 65535u}) {
        EXPECT_EQ(error_of([&] { m.read8(a); }), kAddressOutOfRange) << a;
        EXPECT_EQ(error_of([&] { m.write8(a, 1); }), kAddressOutOfRange) << a;
        EXPECT_FALSE(m.valid(a, 1)) << a;
    }
    EXPECT_EQ(error_of([&] { m.read32(65534); }), kAddressOutOfRange);
    EXPECT_TRUE(m.valid(0, 1024));
    EXPECT_FALSE(m.valid(0, 1025));
}

TEST(MemoryBounds, CommittedRegionOnly) {
    Memory& m = memory();
    uint32_t top = m.committed_top();
    EXPECT_EQ(error_of([&] { m.read8(m.base()); }), -1);
    EXPECT_EQ(error_of([&] { m.read8(top - 1); }), -1);
    EXPECT_EQ(error_of([&] { m.read32(top - 4); }), -1);
    EXPECT_EQ(error_of([&] { m.read8(top); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { m.read32(top - 3); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { m.read64(top - 7); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { m.read8(m.base() - 1); }), kAddressOutOfRange);
    // Ranges whose end wraps round the 32-bit address space.
    EXPECT_EQ(error_of([&] { m.read8(0xFFFFFFFFu); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { m.read32(0xFFFFFFFEu); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { m.at(m.base() + 16, 0xFFFFFFF8u); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { m.at(100, 0xFFFFFFF0u); }), kAddressOutOfRange);
    EXPECT_FALSE(m.valid(top - 1, 2));
    EXPECT_TRUE(m.valid(top - 2, 2));
}

TEST(MemoryBounds, CommitRaisesTheLimitWithinTheReservation) {
    Memory& m = memory();
    uint32_t top = m.committed_top();
    EXPECT_FALSE(m.commit(m.reserve_end()));
    EXPECT_FALSE(m.commit(m.base() - 1));
    EXPECT_EQ(m.committed_top(), top);
    // A lower top never shrinks what is committed.
    EXPECT_TRUE(m.commit(top - 4096));
    EXPECT_EQ(m.committed_top(), top);
    ASSERT_TRUE(m.commit(top + 1));
    EXPECT_GT(m.committed_top(), top);
    EXPECT_EQ(m.committed_top() % 0x10000, 0u);
    EXPECT_EQ(error_of([&] { m.write32(top, 0x12345678); }), -1);
    EXPECT_EQ(m.read32(top), 0x12345678u);
    EXPECT_EQ(error_of([&] { m.read8(m.committed_top()); }), kAddressOutOfRange);
}

TEST(ProgramCheck, WalksLinesToTheEndMarker) {
    Machine machine;
    Interp& in = machine.in;
    uint8_t* p = machine.at_page();
    uint32_t end = 0;

    const uint8_t empty[] = {0, 0xFF, 0xFF};
    std::memcpy(p, empty, sizeof empty);
    EXPECT_TRUE(in.program_check(machine.page(), &end));
    EXPECT_EQ(end, machine.page());

    // Two lines (PRINT 1, PRINT 2) with an end marker carrying any number.
    const uint8_t two[] = {7, 10, 0, 0xF1, ' ', '1', 13, 6, 20, 0, 0xF1, '2', 13, 0, 0x34, 0x12};
    std::memcpy(p, two, sizeof two);
    EXPECT_TRUE(in.program_check(machine.page(), &end));
    EXPECT_EQ(end, machine.page() + 13);

    // A length byte one short of the CR fails, although the next line is fine.
    p[0] = 6;
    EXPECT_FALSE(in.program_check(machine.page(), &end));
    p[0] = 8;
    EXPECT_FALSE(in.program_check(machine.page(), &end));
}

TEST(ProgramCheck, NeverReadsPastTheCommittedTop) {
    Machine machine;
    Interp& in = machine.in;
    uint32_t top = memory().committed_top();
    // A line whose length runs past the top.
    uint8_t* q = Memory::unchecked_ptr(top - 8);
    q[0] = 200;
    EXPECT_FALSE(in.program_check(top - 8));
    // Well-formed lines up to the top, but no end marker.
    q[0] = 4, q[1] = 1, q[2] = 0, q[3] = 13;
    q[4] = 4, q[5] = 2, q[6] = 0, q[7] = 13;
    EXPECT_FALSE(in.program_check(top - 8));
    // An end marker with room for its line number, and one without.
    q[4] = 0;
    EXPECT_TRUE(in.program_check(top - 8));
    EXPECT_FALSE(in.program_check(top - 2));
}

TEST(RunProgram, EndMarkerRewrittenAndLayoutSet) {
    Machine machine;
    std::vector<uint8_t> image = tokenised("10 PRINT 1\n");
    ASSERT_GE(image.size(), 3u);
    image[image.size() - 2] = 0x34;
    image[image.size() - 1] = 0x12;
    EXPECT_EQ(machine.run(image), 0);
    EXPECT_EQ(machine.output(), "         1\n");
    Interp& in = machine.in;
    uint32_t end = machine.page() + static_cast<uint32_t>(image.size()) - 3;
    EXPECT_EQ(Memory::unchecked_ptr(end)[1], 0xFF);
    EXPECT_EQ(Memory::unchecked_ptr(end)[2], 0xFF);
    EXPECT_EQ(in.page(), machine.page());
    EXPECT_EQ(in.top(), end + 3);
    EXPECT_EQ(in.lomem(), in.top());
    EXPECT_EQ(in.himem(), memory().committed_top() - 4);
    EXPECT_EQ(in.sp, in.himem());
    EXPECT_EQ(in.at_percent(), 0x90Au);
    EXPECT_EQ(in.options() & 0xF0, 0x30);
}

TEST(RunProgram, EmptyAndDamagedImages) {
    {
        Machine machine;
        EXPECT_EQ(machine.run({0, 0xFF, 0xFF}), 0);
        EXPECT_EQ(machine.output(), "");
        EXPECT_EQ(machine.in.top(), machine.page() + 3);
    }
    {
        Machine machine;
        EXPECT_EQ(machine.run({6, 10, 0, 0xF1, ' ', '1', 13, 0, 0xFF, 0xFF}), 1);
        EXPECT_EQ(machine.output(), "Bad program\n");
    }
    {
        // Only a length byte: the walk meets zeroed memory, never a CR.
        Machine machine;
        std::memset(machine.at_page(), 0, 300);
        EXPECT_EQ(machine.run({255}), 1);
        EXPECT_EQ(machine.output(), "Bad program\n");
    }
}

TEST(RunProgram, UntrappedErrorLeavesItsStateInTheFixedArea) {
    Machine machine;
    EXPECT_EQ(machine.run(tokenised("10 TRACE ON\n20 A%=5\n30 X=A% DIV 0\n")), 1);
    EXPECT_EQ(machine.output(), "[20] [30] \nDivision by zero at line 30\n");
    Memory& m = memory();
    EXPECT_EQ(m.fixed8(fixed::ErrNum), static_cast<int>(Err::DivisionByZero));
    EXPECT_EQ(m.fixed16(fixed::Erl), 30);
    EXPECT_EQ(m.fixed16(fixed::TraceLimit), 0);
    EXPECT_EQ(m.fixed32(fixed::StaticVars), 5u);
    EXPECT_EQ(machine.in.sp, machine.in.himem());
    EXPECT_STREQ(reinterpret_cast<const char*>(Memory::unchecked_ptr(m.fixed32(fixed::ErrMsgAddr))),
                 "Division by zero");
}

TEST(RunProgram, RoomMarginAndClear) {
    Machine machine;
    ASSERT_EQ(machine.run(tokenised("10 B%=3: X=1: DIM A(10)\n")), 0);
    Interp& in = machine.in;
    Memory& m = memory();
    EXPECT_GT(in.heap_top(), in.lomem());
    EXPECT_NE(m.fixed32(fixed::ChainHeads + 4 * ('X' - 'A')), 0u);

    // The heap may grow to 1024 bytes below the stack pointer, not to it.
    uint32_t free_bytes = in.sp - in.heap_top() - 1024;
    EXPECT_EQ(error_of([&] { in.heap_alloc(free_bytes); }), static_cast<int>(Err::NoRoom));
    uint32_t before = in.heap_top();
    EXPECT_EQ(error_of([&] { in.heap_alloc(free_bytes - 1); }), -1);
    EXPECT_EQ(in.heap_top(), before + free_bytes - 1);
    EXPECT_EQ(error_of([&] { in.check_room(); }), -1);
    EXPECT_EQ(error_of([&] { in.heap_alloc(1); }), static_cast<int>(Err::NoRoom));
    EXPECT_EQ(in.heap_top(), before + free_bytes - 1);
    EXPECT_EQ(error_of([&] { in.push_room_check(4); }), static_cast<int>(Err::NoRoom));

    // CLEAR empties the heap and the chains; static integers stay.
    in.clear();
    EXPECT_EQ(in.heap_top(), in.top());
    EXPECT_EQ(in.lomem(), in.top());
    for (uint32_t off = fixed::ChainHeads; off < fixed::ProcChain + 4; off += 4) EXPECT_EQ(m.fixed32(off), 0u);
    EXPECT_EQ(m.fixed32(fixed::StaticVars + 4), 3u);
    EXPECT_EQ(error_of([&] { in.push_room_check(4); }), -1);
}

// Stores reaching program text ([PAGE, TOP)) or the library area (HIMEM
// and above) are reported to the watcher; others are not. Ranges count
// whole, so a store that starts below PAGE and runs into it is seen.
TEST(StoreBytes, TellsTheWatcherOfStoresReachingText) {
    Memory& m = memory();
    const uint32_t page = m.base() + 0x2000, top = page + 0x100, himem = m.base() + 0x100000;
    m.set_fixed32(fixed::Page, page);
    m.set_fixed32(fixed::Top, top);
    m.set_fixed32(fixed::Himem, himem);
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    m.set_watcher([](void* ctx, uint32_t a, uint32_t n) {
        static_cast<std::vector<std::pair<uint32_t, uint32_t>>*>(ctx)->push_back({a, n});
    }, &seen);
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    m.store_bytes(page - 8, bytes, 8);     // ends just below PAGE
    m.store_bytes(top, bytes, 8);          // the heap
    m.store_bytes(himem - 8, bytes, 8);    // the stack, ending at HIMEM
    EXPECT_TRUE(seen.empty());
    m.store_bytes(page - 4, bytes, 8);     // starts below PAGE, runs into it
    m.store_bytes(top - 1, bytes, 1);      // the last byte of the program
    m.write32(himem - 2, 0);               // runs into the library area
    m.write8(himem + 100, 0);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::make_pair(page - 4, 8u));
    EXPECT_EQ(seen[2], std::make_pair(himem - 2, 4u));
    EXPECT_EQ(m.read32(page), 0x08070605u);
    // A refused store reports nothing and writes nothing.
    seen.clear();
    EXPECT_EQ(error_of([&] { m.store_bytes(m.committed_top() - 4, bytes, 8); }), kAddressOutOfRange);
    EXPECT_TRUE(seen.empty());
    m.set_watcher(nullptr, nullptr);
}

// The guard after the reservation: CR and zero bytes in turn, beyond the
// reach of any BASIC address.
TEST(MemoryBounds, GuardAfterTheReservation) {
    Memory& m = memory();
    const uint8_t* g = Memory::unchecked_ptr(m.reserve_end());
    for (uint32_t i = 0; i < Memory::kGuardSize; i += 2) {
        ASSERT_EQ(g[i], 13) << i;
        ASSERT_EQ(g[i + 1], 0) << i;
    }
    EXPECT_FALSE(m.valid(m.reserve_end(), 1));
    EXPECT_FALSE(m.valid(m.reserve_end() - 1, 2));
    EXPECT_TRUE(m.in_guard(m.reserve_end() + Memory::kGuardSize - 1));
    EXPECT_FALSE(m.in_guard(m.reserve_end() - 1));
    EXPECT_FALSE(m.in_guard(m.reserve_end() + Memory::kGuardSize));
}

// Text pointers and the heap top read back from the fixed area are checked
// before use; the room checks do not wrap for a heap top near 4 GiB.
TEST(RunProgram, OverwrittenFixedAreaWords) {
    Machine m;
    Interp& in = m.in;
    EXPECT_EQ(error_of([&] { in.text_at(0x7FFFFFF0u); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { in.text_at(memory().committed_top()); }), kAddressOutOfRange);
    EXPECT_EQ(error_of([&] { in.text_at(memory().base()); }), -1);
    in.sp = in.himem();
    for (uint32_t bad : {0u, 0xFFFFFFFFu, 0x7FFFFFF0u}) {
        memory().set_fixed32(fixed::HeapTop, bad);
        EXPECT_EQ(error_of([&] { in.heap_alloc(16); }), kAddressOutOfRange) << bad;
        // The room checks take the bottom of memory and pass: an error
        // handler can still run.
        EXPECT_EQ(error_of([&] { in.check_room(); }), -1) << bad;
    }
    memory().set_fixed32(fixed::HeapTop, in.himem() - 100);
    EXPECT_EQ(error_of([&] { in.check_room_for(0xFFFFFF00u); }), static_cast<int>(Err::NoRoom));
    EXPECT_EQ(error_of([&] { in.push_room_check(8); }), static_cast<int>(Err::NoRoom));
    memory().set_fixed32(fixed::Himem, 0);
    EXPECT_EQ(error_of([&] { in.stack_base(); }), kAddressOutOfRange);
    memory().set_fixed32(fixed::Page, 0x100);
    EXPECT_EQ(error_of([&] { in.program_start(); }), kAddressOutOfRange);
    EXPECT_EQ(in.line_number_at(memory().base() + Memory::kPageOffset), 0);
}

}  // namespace
}  // namespace kov::interp
