// Fuzz the expression evaluator. The input, tokenised as an expression,
// is evaluated the way EVAL does it, from a copy on the BASIC stack, over a
// small program that has made variables, arrays and functions to reach.
// BASIC errors are an expected outcome; crashes, hangs and leaks are not.
//
// The same text is then evaluated again from inside the program, where
// decoded names, literals and whole numeric expressions are remembered by
// text address: those results must equal the plain evaluator's, on the
// first evaluation and on the later ones that use what was remembered.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/headless/headless_host.h"
#include "interp/interp.h"
#include "interp/memory.h"
#include "interp/program_text.h"
#include "interp/tokeniser.h"
#include "host/screen.h"

using namespace kov;
using namespace kov::interp;

namespace {

// The two REM lines at the end are the place inside the program where the
// input is copied for the second round of evaluations.
std::string setup_text() {
    std::string filler(240, 'x');
    return "A=1.5: B%=3: C$=\"str\": D#=2.25: @%=&90A: AB=-7: I%=2\n"
           "DIM E(3), F$(2,2), G%(4), M% 64: E(1)=7: F$(1,1)=\"x\": G%()=1,2,3: $M%=\"mem\"\n"
           "END\n"
           "DEF FNsq(x)=x*x\n"
           "DEF FNs(a$)=a$+a$\n"
           "DEF FNerr: ON ERROR LOCAL =-1\n"
           "=1/0\n"
           "REM " + filler + "\nREM " + filler + "\n";
}

struct Machine {
    std::FILE* out = std::fopen("/dev/null", "w");
    host::HeadlessHost host{-1, out};
    Memory memory;
    Interp* in = nullptr;
    host::Screen* screen = nullptr;
    std::vector<uint8_t> image;
    uint32_t scratch_offset = 0;

    Machine() {
        if (!out || !memory.map()) std::abort();
        // Random expressions must not create files or set the clock.
        host.allow_files = false;
        host.allow_programs = false;
        host.allow_clock = false;
        in = new Interp(memory, host);
        screen = new host::Screen(*in, host);
        in->native_stack_limit_bytes = size_t{1} << 20;
        TextLoadResult r = tokenise_program(setup_text(), "setup");
        if (!r.error.empty()) std::abort();
        image = std::move(r.image);
        // The first line whose body starts with REM.
        while (image[scratch_offset + 3] != 0xF4) scratch_offset += image[scratch_offset];
    }

    uint32_t page() const { return memory.base() + Memory::kPageOffset; }

    // Runs the setup program afresh, so every input meets the same state.
    void reset() {
        // An input may leave Escape or quit raised (a key read at the end of
        // input, QUIT in an FN); the next input starts with none.
        host.flags.store(0);
        std::memcpy(Memory::unchecked_ptr(page()), image.data(), image.size());
        if (in->run_program("") != 0) std::abort();
    }
};

Machine& machine() {
    static Machine* m = new Machine;
    return *m;
}

// What one evaluation gave: an error number, or a value, and where the
// text pointer was left.
struct Outcome {
    int error = -1;
    bool is_str = false;
    uint64_t num = 0;
    std::string str;
    long end = 0;
    bool operator==(const Outcome&) const = default;
};

Outcome evaluate(Machine& m, const uint8_t* text, size_t len) {
    Interp& in = *m.in;
    Outcome o;
    // The same random numbers every time.
    static const uint8_t seed[5] = {0x12, 0x34, 0x56, 0x78, 0x01};
    std::memcpy(m.memory.fixed_area() + fixed::RndSeed, seed, sizeof seed);
    in.p = text;
    try {
        Value v = in.expr();
        if (v.is_str) {
            if (!m.memory.valid(v.str_addr, v.str_len)) std::abort();
            o.is_str = true;
            o.str.assign(reinterpret_cast<const char*>(Memory::unchecked_ptr(v.str_addr)), v.str_len);
        } else {
            o.num = v.num;
        }
        // The text pointer must stay within the text it was given.
        if (in.p < text || in.p > text + len) std::abort();
        o.end = in.p - text;
    } catch (const BasicError& e) {
        if (e.number < 0 || e.number > 255) std::abort();
        o.error = e.number;
    } catch (const StopRun&) {
        o.error = 1000;
    }
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 300) return 0;
    bool lowercase = data[0] & 1;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string tokens;
    try {
        tokens = tokenise(text, TokStart::Expression, lowercase);
    } catch (const BasicError&) {
        return 0;
    }
    Machine& m = machine();
    m.reset();
    Interp& in = *m.in;
    if (lowercase) m.memory.set_fixed8(fixed::Options, in.options() | kOptLowercase);
    m.memory.set_fixed32(fixed::StmtPtr, in.page());

    // On the stack, as EVAL places its text: nothing is remembered there.
    uint32_t len = (static_cast<uint32_t>(tokens.size()) + 4) & ~3u;
    uint32_t text_sp = in.himem() - len;
    uint8_t* q = Memory::unchecked_ptr(text_sp);
    std::memcpy(q, tokens.data(), tokens.size());
    q[tokens.size()] = 13;
    in.sp = text_sp;
    Outcome plain = evaluate(m, q, tokens.size());
    // Expressions that read the clock may differ from one evaluation to
    // the next; only repeatable ones are compared.
    if (tokens.find('\x91') != std::string::npos) return 0;
    in.sp = text_sp;
    if (!(evaluate(m, q, tokens.size()) == plain)) return 0;

    // Inside the program, three times: the first decodes and remembers,
    // the others use what was remembered.
    uint8_t* r = Memory::unchecked_ptr(m.page() + m.scratch_offset);
    std::memcpy(r, tokens.data(), tokens.size());
    r[tokens.size()] = 13;
    for (int round = 0; round < 3; ++round) {
        in.sp = in.himem();
        Outcome o = evaluate(m, r, tokens.size());
        if (o == plain) continue;
        std::fprintf(stderr, "round %d: error %d/%d, string %d/%d, number %llx/%llx, end %ld/%ld\n", round,
                     plain.error, o.error, plain.is_str, o.is_str, static_cast<unsigned long long>(plain.num),
                     static_cast<unsigned long long>(o.num), plain.end, o.end);
        std::abort();
    }
    return 0;
}
