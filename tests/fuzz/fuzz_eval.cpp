// Fuzz the expression evaluator. The input, tokenised as an expression,
// is evaluated the way EVAL does it: from a copy on the BASIC stack, over
// a small program that has made variables, arrays and functions to reach.
// BASIC errors are an expected outcome; crashes, hangs and leaks are not.
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
#include "vdu/vdu.h"

using namespace kov;
using namespace kov::interp;

namespace {

const char kSetup[] =
    "A=1.5: B%=3: C$=\"str\": D#=2.25: @%=&90A\n"
    "DIM E(3), F$(2,2), G%(4), M% 64: E(1)=7: F$(1,1)=\"x\": G%()=1,2,3: $M%=\"mem\"\n"
    "END\n"
    "DEF FNsq(x)=x*x\n"
    "DEF FNs(a$)=a$+a$\n"
    "DEF FNerr: ON ERROR LOCAL =-1\n"
    "=1/0\n";

struct Machine {
    std::FILE* out = std::fopen("/dev/null", "w");
    host::HeadlessHost host{-1, out};
    Memory memory;
    vdu::Vdu vdu{host};
    Interp* in = nullptr;
    std::vector<uint8_t> image;

    Machine() {
        if (!out || !memory.map()) std::abort();
        in = new Interp(memory, host);
        in->vdu = &vdu;
        in->native_stack_limit_bytes = size_t{1} << 20;
        TextLoadResult r = tokenise_program(kSetup, "setup");
        if (!r.error.empty()) std::abort();
        image = std::move(r.image);
    }

    // Runs the setup program afresh, so every input meets the same state.
    void reset() {
        std::memcpy(Memory::ptr(memory.base() + Memory::kPageOffset), image.data(), image.size());
        if (in->run_program("") != 0) std::abort();
    }
};

Machine& machine() {
    static Machine* m = new Machine;
    return *m;
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
    // A line-number token is only ever followed by its three encoded bytes
    // in text from the tokeniser of program lines; the evaluator trusts
    // that, so a bare one (text copied through from the string) is skipped.
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (static_cast<uint8_t>(tokens[i]) != 0x8D) continue;
        if (i + 3 >= tokens.size()) return 0;
        for (size_t k = 1; k <= 3; ++k)
            if ((static_cast<uint8_t>(tokens[i + k]) & 0xC0) != 0x40) return 0;
    }

    Machine& m = machine();
    m.reset();
    Interp& in = *m.in;
    if (lowercase) m.memory.set_fixed8(fixed::Options, in.options() | kOptLowercase);
    uint32_t len = (static_cast<uint32_t>(tokens.size()) + 4) & ~3u;
    in.sp = in.himem() - len;
    uint8_t* q = Memory::ptr(in.sp);
    std::memcpy(q, tokens.data(), tokens.size());
    q[tokens.size()] = 13;
    in.p = q;
    m.memory.set_fixed32(fixed::StmtPtr, in.sp);
    try {
        Value v = in.expr();
        if (v.is_str && !m.memory.valid(v.str_addr, v.str_len)) std::abort();
        // The text pointer must stay within the text it was given.
        if (in.p < q || in.p > q + tokens.size()) std::abort();
    } catch (const BasicError& e) {
        if (e.number < 0 || e.number > 255) std::abort();
    } catch (const StopRun&) {
    } catch (const FnReturn&) {
    }
    return 0;
}
