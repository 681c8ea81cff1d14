// Compiled numeric expressions must give exactly what the evaluator gives
// on the same text: the same number word (form and bits), the same error,
// and the same end of the expression. Random expressions over integers,
// 5-byte and 8-byte reals, variables and array elements are evaluated both
// ways, in both real modes.
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
#include "vdu/vdu.h"
#include "tests/unit/test_support.h"

namespace kov::interp {
namespace {

using test::shared_memory;

struct Outcome {
    bool error = false;
    int number = 0;            // error number, when error
    values::Num value = 0;
    size_t consumed = 0;       // bytes of text the expression took
    bool operator==(const Outcome&) const = default;
};

class CompiledTest : public ::testing::Test {
protected:
    std::FILE* out = std::tmpfile();
    host::HeadlessHost host{-1, out};
    vdu::Vdu vdu{host};
    Interp in{shared_memory(), host};

    void SetUp() override {
        in.vdu = &vdu;
        // Variables the expressions use; the program ends, its heap stays.
        TextLoadResult r = tokenise_program(
            "A%=7:B%=-3:C%=2147483647:X=1.5:Y=-0.25:Z=3:W#=0.1:N%=0:ix%=1:big%=9\n"
            "DIM R(3),I%(2),M%(2,2):R(0)=2.5:R(1)=-7:R(2)=1E10:I%(0)=5:I%(1)=-1:I%(2)=40:M%(1,1)=3\n",
            "setup");
        ASSERT_EQ(r.error, "");
        std::memcpy(Memory::unchecked_ptr(shared_memory().base() + Memory::kPageOffset), r.image.data(), r.image.size());
        ASSERT_EQ(in.run_program(""), 0);
    }
    void TearDown() override { std::fclose(out); }

    // Places the tokenised expression in the heap (text that is never
    // compiled on its own) and evaluates it with the evaluator.
    const uint8_t* place(const std::string& text) {
        std::string t = tokenise(text, TokStart::Expression, false);
        uint8_t* buf = Memory::unchecked_ptr(in.heap_top() + 64);
        std::memcpy(buf, t.data(), t.size());
        buf[t.size()] = 13;
        return buf;
    }

    Outcome interpreted(const uint8_t* text) {
        Outcome o;
        in.p = text;
        in.sp = in.himem();
        try {
            o.value = in.num_expr();
        } catch (const BasicError& e) {
            o.error = true;
            o.number = e.number;
            return o;
        }
        o.consumed = static_cast<size_t>(in.p - text);
        return o;
    }

    // False when the compiler declines the text.
    bool compiled(const uint8_t* text, Outcome& o) {
        uint32_t root;
        const uint8_t* end;
        in.p = text;
        in.sp = in.himem();
        if (!in.m_compiler.compile_part(in, text, root, end)) return false;
        try {
            o.value = in.m_compiler.eval(in, root);
        } catch (const BasicError& e) {
            o.error = true;
            o.number = e.number;
            return true;
        }
        o.consumed = static_cast<size_t>(end - text);
        return true;
    }
};

// A random numeric expression of bounded depth.
std::string random_expr(std::mt19937& rng, int depth) {
    static const char* atoms[] = {"0", "1", "2", "7", "-1", "255", "2147483647", "&80000000", "%101",
                                  "0.5", "1.5", "3.0", "1E10", "2.5E-3", "1E38", "A%", "B%", "C%",
                                  "X", "Y", "Z", "W#", "N%", "R(0)", "R(1)", "R(2)", "I%(0)", "I%(2)",
                                  "R(A% DIV 3)", "I%(B%+4)", "R(5)", "TRUE", "FALSE",
                                  // Subscripts that are integer variables, in and out of range,
                                  // and too few of them.
                                  "I%(N%)", "R(ix%)", "I%(ix%)", "R(A%)", "I%(B%)", "R(big%)", "M%(N%)",
                                  "M%(ix%,ix%)"};
    static const char* ops[] = {"+", "-", "*", "/", " DIV ", " MOD ", "^", " AND ", " OR ", " EOR ",
                                "=", "<>", "<", ">", "<=", ">=", "<<", ">>", ">>>", "=<", "><"};
    std::uniform_int_distribution<int> pick(0, 9);
    int k = pick(rng);
    if (depth == 0 || k < 3) return atoms[rng() % (sizeof atoms / sizeof *atoms)];
    std::string text;
    if (k == 3) {
        text.append("(").append(random_expr(rng, depth - 1)).append(")");
    } else if (k == 4) {
        text.append("-").append(random_expr(rng, depth - 1));
    } else if (k == 5) {
        text.append("NOT ").append(random_expr(rng, depth - 1));
    } else {
        text.append(random_expr(rng, depth - 1));
        text.append(ops[rng() % (sizeof ops / sizeof *ops)]);
        text.append(random_expr(rng, depth - 1));
    }
    return text;
}

TEST_F(CompiledTest, AgreesWithTheEvaluatorOnRandomExpressions) {
    std::mt19937 rng(12345);
    int compared = 0;
    for (int mode = 0; mode < 2; ++mode) {
        uint8_t& options = in.mem.fixed_area()[fixed::Options];
        options = static_cast<uint8_t>(mode ? (options | kOptFloat64) : (options & ~kOptFloat64));
        for (int i = 0; i < 4000; ++i) {
            std::string text = random_expr(rng, 4);
            const uint8_t* t = place(text);
            Outcome want = interpreted(t);
            Outcome got;
            if (!compiled(t, got)) continue;
            ++compared;
            ASSERT_EQ(got.error, want.error) << text << " (mode " << mode << ")";
            if (want.error) {
                EXPECT_EQ(got.number, want.number) << text;
            } else {
                EXPECT_EQ(got.value, want.value) << text;
                EXPECT_EQ(got.consumed, want.consumed) << text;
            }
        }
    }
    // Nearly every generated expression is within what the compiler takes.
    EXPECT_GT(compared, 5000);
}

TEST_F(CompiledTest, DeclinesWhatItDoesNotCover) {
    for (const char* text : {"LEN \"abc\"", "A$", "SIN X", "FNf(1)", "?A%", "A%!4", "X==1", "R()", "Q"}) {
        Outcome o;
        EXPECT_FALSE(compiled(place(text), o)) << text;
    }
}

// The decoded statements keep the evaluator's order: subscripts first,
// then the value; errors at the same points.
TEST_F(CompiledTest, StatementsRunFromTheirDecodedForm) {
    TextLoadResult r = tokenise_program(
        "10 DIM T%(3):K%=0\n"
        "20 FOR J%=1 TO 3:T%(J%)=J%*J%:K%=K%+T%(J%):IF K%>4 THEN K%=K%+100\n"
        "30 NEXT:PRINT ;K%;\" \";T%(3)\n"
        "40 ON ERROR PRINT REPORT$;\" \";ERL:END\n"
        "50 FOR J%=1 TO 2:T%(J%*3)=1:NEXT\n",
        "stmts");
    ASSERT_EQ(r.error, "");
    std::memcpy(Memory::unchecked_ptr(shared_memory().base() + Memory::kPageOffset), r.image.data(), r.image.size());
    EXPECT_EQ(in.run_program(""), 0);
    host.flush_output();
    std::rewind(out);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, out);
    // K% after J%=1: 1; J%=2: 1+4=5 -> 105; J%=3: 105+9=114 -> 214. The
    // second loop stores T%(3), then T%(6) is out of range in line 50.
    EXPECT_EQ(std::string(buf, n), "214 9\nBad subscript 50\n");
}

// Addresses read back from the BASIC stack (LOCAL frames, FOR frames) are
// stored through directly only when a value of their type fits wholly in
// the fixed area or among the variable records; no sum may wrap.
TEST_F(CompiledTest, NumericRecordsAreCheckedWithoutWrapping) {
    using namespace vtype;
    // The fixed area: the last whole value of each size fits, one byte on
    // does not.
    EXPECT_TRUE(in.numeric_record(fixed::Size - 4, Int));
    EXPECT_FALSE(in.numeric_record(fixed::Size - 3, Int));
    EXPECT_TRUE(in.numeric_record(fixed::Size - 5, Real5));
    EXPECT_FALSE(in.numeric_record(fixed::Size - 4, Real5));
    EXPECT_TRUE(in.numeric_record(fixed::Size - 8, Real8));
    EXPECT_FALSE(in.numeric_record(fixed::Size - 7, Real8));
    // The variable records end at the heap top.
    const uint32_t heap = in.heap_top();
    EXPECT_TRUE(in.numeric_record(heap - 4, Int));
    EXPECT_TRUE(in.numeric_record(heap - 5, Real5));
    EXPECT_FALSE(in.numeric_record(heap - 4, Real5));
    EXPECT_FALSE(in.numeric_record(heap - 7, Real8));
    EXPECT_FALSE(in.numeric_record(heap, Int));
    // Between the fixed area and the records, and addresses whose value
    // would run past 4 GiB.
    EXPECT_FALSE(in.numeric_record(fixed::Size, Int));
    EXPECT_FALSE(in.numeric_record(in.top() - 4, Int));
    for (uint32_t a : {0xFFFFFFFFu, 0xFFFFFFFCu, 0xFFFFFFF9u})
        for (uint8_t type : {Int, Real5, Real8}) EXPECT_FALSE(in.numeric_record(a, type)) << a;
    // Only numeric types.
    EXPECT_FALSE(in.numeric_record(heap - 8, StrVar));
    EXPECT_FALSE(in.numeric_record(heap - 8, Byte));
}

}  // namespace
}  // namespace kov::interp
