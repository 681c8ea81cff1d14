// Decoded expressions must do exactly what the evaluator does on the same
// text: the same value (type, number word, string bytes), the same error,
// the same end of the expression, and the same bytes left behind in the
// string accumulator and on the BASIC stack. Random expressions over
// strings, string functions and numbers are evaluated both ways.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "interp/interp.h"
#include "interp/memory.h"
#include "interp/program_text.h"
#include "interp/tokeniser.h"
#include "values/plans.h"
#include "vdu/vdu.h"
#include "tests/unit/test_support.h"

namespace kov::interp {
namespace {

using test::shared_memory;

struct Outcome {
    bool error = false;
    int number = 0;
    bool is_str = false;
    values::Num num = 0;
    std::string str;
    size_t consumed = 0;
    uint32_t sp = 0;
    std::string acc;      // the accumulator afterwards
    std::string stack;    // the bytes below the stack top afterwards
    bool operator==(const Outcome&) const = default;
};

// Bytes below the stack top compared after each evaluation.
constexpr uint32_t kStackBytes = 1000;

class PlansTest : public ::testing::Test {
protected:
    std::FILE* out = std::tmpfile();
    host::HeadlessHost host{-1, out};
    vdu::Vdu vdu{host};
    Interp in{shared_memory(), host};
    uint8_t* slot_text = nullptr;   // room for an expression inside the program

    void SetUp() override {
        in.vdu = &vdu;
        // Variables the expressions use; the program ends, its heap stays.
        // Line 20 is room for expressions: text between PAGE and TOP,
        // which expressions are decoded in.
        TextLoadResult r = tokenise_program(
            "10 A$=\"HELLO\":B$=\"WORLD\":E$=\"\":L$=STRING$(200,\"L\"):M$=STRING$(55,\"M\"):A%=7:N%=-3:X=1.5:C%=2147483647\n"
            "20 REM " + std::string(240, 'x') + "\n",
            "setup");
        ASSERT_EQ(r.error, "");
        uint8_t* page = Memory::unchecked_ptr(shared_memory().base() + Memory::kPageOffset);
        std::memcpy(page, r.image.data(), r.image.size());
        ASSERT_EQ(in.run_program(""), 0);
        uint8_t* q = page;
        q += q[0];          // line 20
        slot_text = q + 3;  // after the length byte and line number
    }
    void TearDown() override { std::fclose(out); }

    // Tokenised text with a CR after it at `where`.
    static size_t put(uint8_t* where, const std::string& text) {
        std::string t = tokenise(text, TokStart::Expression, false);
        std::memcpy(where, t.data(), t.size());
        where[t.size()] = 13;
        return t.size();
    }

    // Where the BASIC stack starts: HIMEM, or (tight) just above the
    // "No room" limit, so that pushes and checks meet it at some point.
    uint32_t stack_top = 0;

    Outcome evaluate(const uint8_t* text) {
        Outcome o;
        in.p = text;
        in.sp = stack_top;
        // Known bytes where results and pushed strings go.
        std::memset(Memory::unchecked_ptr(in.acc()), 0xA5, 256);
        std::memset(Memory::unchecked_ptr(stack_top - kStackBytes), 0x5A, kStackBytes);
        try {
            Value v = in.expr();
            o.is_str = v.is_str;
            if (v.is_str) o.str = std::string(v.view());
            else o.num = v.num;
            o.consumed = static_cast<size_t>(in.p - text);
        } catch (const BasicError& e) {
            o.error = true;
            o.number = e.number;
        }
        o.sp = in.sp - stack_top;
        o.acc.assign(reinterpret_cast<const char*>(Memory::unchecked_ptr(in.acc())), 256);
        o.stack.assign(reinterpret_cast<const char*>(Memory::unchecked_ptr(stack_top - kStackBytes)), kStackBytes);
        return o;
    }

    // The third of three evaluations of the text in the program, where
    // the first lets the evaluator resolve the names and the next ones
    // may run the decoded form; with decoding off, the evaluator alone.
    // `forget`: the text cache loses its entries (not the decoded forms)
    // before the last one.
    Outcome evaluated(const std::string& text, bool decode, bool& used, bool forget = false) {
        in.flush_text_cache();
        in.m_plans.enabled = decode;
        put(slot_text, text);
        evaluate(slot_text);
        evaluate(slot_text);
        if (forget) {
            for (uint32_t i = 0; i < Interp::kTextCacheSize; ++i) in.m_text_cache[i].key = 0;
        }
        Outcome o = evaluate(slot_text);
        used = in.m_plans.slot(slot_text)->key == Memory::addr(slot_text) &&
               in.m_plans.slot(slot_text)->state == PlanSlot::Ready;
        in.m_plans.enabled = true;
        return o;
    }
    Outcome interpreted(const std::string& text, bool forget = false) {
        bool used;
        return evaluated(text, false, used, forget);
    }
    Outcome decoded(const std::string& text, bool& used, bool forget = false) {
        return evaluated(text, true, used, forget);
    }
};

std::string random_string(std::mt19937& rng, int depth);
std::string random_number(std::mt19937& rng, int depth);

std::string random_string(std::mt19937& rng, int depth) {
    static const char* atoms[] = {"A$", "B$", "E$", "L$", "M$", "(L$+M$)", "\"\"", "\"ab\"", "\"77\"", "\"x\"\"y\"", "CHR$65",
                                  "CHR$(A%+60)", "STR$ A%", "STR$(X)", "STR$~C%", "STR$(N%*1E3)"};
    int k = static_cast<int>(rng() % 12);
    if (depth == 0 || k < 3) return atoms[rng() % (sizeof atoms / sizeof *atoms)];
    std::string s;
    switch (k) {
        case 3: return s + random_string(rng, depth - 1) + "+" + random_string(rng, depth - 1);
        case 4: return s + "LEFT$(" + random_string(rng, depth - 1) + "," + random_number(rng, depth - 1) + ")";
        case 5: return s + "RIGHT$(" + random_string(rng, depth - 1) + "," + random_number(rng, depth - 1) + ")";
        case 6: return s + "MID$(" + random_string(rng, depth - 1) + "," + random_number(rng, depth - 1) + ")";
        case 7:
            return s + "MID$(" + random_string(rng, depth - 1) + "," + random_number(rng, depth - 1) + "," +
                   random_number(rng, depth - 1) + ")";
        case 8: return s + "CHR$(" + random_number(rng, depth - 1) + ")";
        case 9: return s + "STR$(" + random_number(rng, depth - 1) + ")";
        case 10: return s + "(" + random_string(rng, depth - 1) + ")";
        default: return s + random_string(rng, depth - 1) + " + " + random_string(rng, depth - 1);
    }
}

std::string random_number(std::mt19937& rng, int depth) {
    static const char* atoms[] = {"0", "1", "2", "3", "-1", "255", "256", "1E20", "A%", "N%", "X", "C%", "0.5"};
    static const char* ops[] = {"+", "-", "*", "/", " DIV ", " MOD ", "^", " AND ", " OR ", " EOR ",
                                "=", "<>", "<", ">", "<=", ">=", "<<", ">>", "=="};
    static const char* relations[] = {"=", "<>", "<", ">", "<=", ">=", "<<"};
    int k = static_cast<int>(rng() % 12);
    if (depth == 0 || k < 2) return atoms[rng() % (sizeof atoms / sizeof *atoms)];
    std::string s;
    switch (k) {
        case 2: return s + "LEN(" + random_string(rng, depth - 1) + ")";
        case 3: return s + "LEN " + random_string(rng, depth - 1);
        case 4: return s + "ASC(" + random_string(rng, depth - 1) + ")";
        case 5: return s + "INSTR(" + random_string(rng, depth - 1) + "," + random_string(rng, depth - 1) + ")";
        case 6:
            return s + "INSTR(" + random_string(rng, depth - 1) + "," + random_string(rng, depth - 1) + "," +
                   random_number(rng, depth - 1) + ")";
        case 7:
            return s + "(" + random_string(rng, depth - 1) + relations[rng() % 7] + random_string(rng, depth - 1) + ")";
        case 8: return s + ((rng() & 1) ? "-" : "+") + random_number(rng, depth - 1);
        case 9: return s + "(" + random_number(rng, depth - 1) + ")";
        default:
            return s + random_number(rng, depth - 1) + ops[rng() % (sizeof ops / sizeof *ops)] +
                   random_number(rng, depth - 1);
    }
}

TEST_F(PlansTest, AgreesWithTheEvaluatorOnRandomExpressions) {
    std::mt19937 rng(2024);
    int used_count = 0;
    for (int mode = 0; mode < 2; ++mode) {
        uint8_t& options = in.mem.fixed_area()[fixed::Options];
        options = static_cast<uint8_t>(mode ? (options | kOptFloat64) : (options & ~kOptFloat64));
        for (int i = 0; i < 4000; ++i) {
            std::string text = (i & 1) ? random_string(rng, 4) : random_number(rng, 4);
            if (text.size() > 200) continue;
            stack_top = (i & 2) ? in.himem() : in.heap_top() + 1024 + static_cast<uint32_t>(rng() % 300);
            Outcome want = interpreted(text);
            bool used = false;
            Outcome got = decoded(text, used);
            used_count += used;
            ASSERT_EQ(got.error, want.error) << text << " (mode " << mode << ")";
            EXPECT_EQ(got.number, want.number) << text;
            EXPECT_EQ(got.is_str, want.is_str) << text;
            EXPECT_EQ(got.num, want.num) << text;
            EXPECT_EQ(got.str, want.str) << text;
            EXPECT_EQ(got.consumed, want.consumed) << text;
            EXPECT_EQ(got.sp, want.sp) << text;
            EXPECT_EQ(got.acc, want.acc) << text;
            EXPECT_EQ(got.stack, want.stack) << text;
            // Names and literals the text cache has lost are read the
            // evaluator's way (with its checks) by the decoded form too.
            if ((i & 3) == 0) {
                // Close to "No room", where the evaluator's checks on the way
                // make a difference.
                stack_top = in.heap_top() + 1024 + static_cast<uint32_t>(rng() % 40);
                bool used_after = false;
                EXPECT_EQ(decoded(text, used_after, true), interpreted(text, true)) << text;
            }
        }
    }
    // Most expressions are within what the decoder takes.
    EXPECT_GT(used_count, 4000);
}

// Pairs of steps the decoder joins into one (a string variable pushed or
// held, CHR$ appended, INSTR of a literal, STR$ of a static integer, an
// operator with a constant or a LEN on its right): values, errors, the
// accumulator and the stack as the evaluator leaves them, also near
// "No room", when the text cache has lost the names, and for STR$ with a
// format in @%.
TEST_F(PlansTest, JoinedStepsAgreeWithTheEvaluator) {
    const char* texts[] = {
        // A string variable then "+".
        "A$+B$", "E$+A$", "L$+M$", "M$+L$+E$", "L$+M$+\"x\"", "A$+A$+A$",
        // A string variable held for LEFT$, MID$, RIGHT$, INSTR.
        "LEFT$(A$,2)", "MID$(L$,100,3)", "RIGHT$(E$,1)", "MID$(A$,N%)", "INSTR(A$,B$)",
        // CHR$ appended: low byte, reals, too long, too big.
        "A$+CHR$(66)", "E$+CHR$65", "(L$+M$)+CHR$(33)", "M$+CHR$(A%+300)", "A$+CHR$(X)", "A$+CHR$(1E20)",
        "L$+CHR$(A%)+CHR$(N%)",
        // INSTR of a literal.
        "INSTR(A$,\"LL\")", "INSTR(A$,\"\")", "INSTR(E$,\"x\")", "INSTR(L$+M$,\"LM\")", "INSTR(A$,\"HELLO!\")",
        "INSTR(A$,\"O\")+INSTR(B$,\"W\")",
        // STR$ of a static integer (C% needs more digits than G9 shows).
        "STR$(A%)", "STR$ N%", "STR$(C%)", "STR$ A%+STR$ N%",
        // An operator with a constant on its right, inside compiled code.
        "CHR$(A% MOD 3+65)", "LEFT$(A$,A% DIV 2)", "MID$(L$,A% MOD 0)", "MID$(A$,N% MOD 2+1)", "CHR$(C%+1)",
        "STR$(A%-1)", "STR$(C%+1)", "STR$(N%*3)", "STR$(A%/2)", "LEFT$(A$,A% DIV -2)",
        // LEN on the right of an operator.
        "1+LEN(A$)", "A%*LEN(L$)", "N% MOD LEN(A$)", "X-LEN E$", "C%+LEN(A$)", "7 DIV LEN(E$)",
        "A%+LEN(A$)=12", "LEN(A$)+LEN(B$)+LEN(L$)", "A% EOR LEN(A$)"};
    uint32_t& at_percent = *reinterpret_cast<uint32_t*>(in.mem.fixed_area() + fixed::AtPercent);
    const uint32_t saved_format = at_percent;
    for (uint32_t format : {saved_format, 0x01020305u, 0x0100000Au}) {
        at_percent = format;
        for (const char* text : texts) {
            for (int tight = 0; tight < 3; ++tight) {
                stack_top = tight == 0 ? in.himem() : in.heap_top() + 1024 + (tight == 1 ? 300u : 8u);
                bool used = false;
                Outcome got = decoded(text, used);
                // Close to "No room" the evaluator may fail before it has
                // met every name, which the decoder waits for.
                if (tight == 0) {
                    EXPECT_TRUE(used) << text;
                }
                EXPECT_EQ(got, interpreted(text)) << text << " (tight " << tight << ", @% " << format << ")";
                EXPECT_EQ(decoded(text, used, true), interpreted(text, true)) << text << " (forgotten)";
            }
        }
    }
    at_percent = saved_format;
}

// An expression the evaluator would reject while parsing is left to it.
TEST_F(PlansTest, LeavesFaultyTextToTheEvaluator) {
    stack_top = in.himem();
    for (const char* text : {"A$+1", "1+A$", "LEFT$(A$ 2)", "MID$(A$,2", "\"abc", "A$==B$", "A$<<B$", "LEN 5",
                             "CHR$ A$", "INSTR(A$)", "Q$+A$"}) {
        Outcome want = interpreted(text);
        bool used = true;
        Outcome got = decoded(text, used);
        EXPECT_FALSE(used) << text;
        EXPECT_EQ(got, want) << text;
    }
}

}  // namespace
}  // namespace kov::interp
