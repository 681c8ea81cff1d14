// Every decoded form (compiled expressions and function calls, decoded
// statements, string plans, parameter and LOCAL lists) must leave what a
// program prints and how it ends exactly as the evaluator and the
// statement handlers alone would. Programs run both ways: the golden
// programs, and random programs built from loops, jumps, procedures,
// functions, arrays and mixed arithmetic.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "interp/interp.h"
#include "interp/program_text.h"
#include "tests/unit/test_support.h"
#include "host/screen.h"

namespace kov::interp {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    std::string output;
    int status = 0;
    bool operator==(const Outcome&) const = default;
};

// Runs a program given as text with every decoded form on or off.
Outcome run_text(const std::string& text, bool decoded) {
    TextLoadResult r = tokenise_program(text, "decoded");
    if (!r.error.empty()) return {"tokenise: " + r.error, -1};
    Memory& mem = test::shared_memory();
    if (r.image.size() + Memory::kPageOffset >= Memory::kInitialCommit) return {"too big", -1};
    std::memcpy(Memory::unchecked_ptr(mem.base() + Memory::kPageOffset), r.image.data(), r.image.size());
    std::FILE* out = std::tmpfile();
    Outcome result;
    {
        host::HeadlessHost host(-1, out);
        Interp in(mem, host);
        host::Screen screen{in, host};
        // Deep recursion ends in "No room" well within this thread's stack.
        in.native_stack_limit_bytes = size_t{5} << 20;
        in.m_compiler.enabled = decoded;
        in.m_plans.enabled = decoded;
        result.status = in.run_program("");
        host.flush_output();
    }
    std::rewind(out);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, out)) > 0) result.output.append(buf, n);
    std::fclose(out);
    return result;
}

// The golden programs read no keys here; those that need typed input are
// left to their own tests.
TEST(Decoded, GoldenProgramsRunTheSameBothWays) {
    const fs::path root = fs::path(KOV_SOURCE_DIR) / "tests" / "programs";
    const fs::path home = fs::current_path();
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path& file = entry.path();
        if (file.extension() != ".bas") continue;
        fs::path input = file;
        if (fs::exists(input.replace_extension(".in"))) continue;
        std::ifstream f(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        // Libraries and chained programs are found beside the program;
        // programs that make files make them in a fresh directory.
        const bool own_directory = fs::exists(file.parent_path() / ".tmpdir");
        // Both runs use the same directory, emptied in between, since the
        // programs print its name.
        char dir[] = "/tmp/kov_decoded_XXXXXX";
        const fs::path work = own_directory && mkdtemp(dir) ? fs::path(dir) : file.parent_path();
        auto run_in_place = [&](bool decoded) {
            fs::current_path(work);
            Outcome o = run_text(text, decoded);
            fs::current_path(home);
            if (own_directory) {
                for (const auto& f : fs::recursive_directory_iterator(work))
                    fs::permissions(f.path(), fs::perms::owner_write, fs::perm_options::add);
                for (const auto& f : fs::directory_iterator(work)) fs::remove_all(f.path());
            }
            return o;
        };
        Outcome fast = run_in_place(true);
        Outcome plain = run_in_place(false);
        if (own_directory) fs::remove(work);
        EXPECT_EQ(fast, plain) << file;
        ++compared;
    }
    EXPECT_GT(compared, 80);
}

// A statement decoded from several expressions can meet the end of the
// code buffer half way: the buffer is emptied then, and the code of the
// parts compiled before goes with it. Thousands of FOR statements, each
// with a long start expression, fill the buffer several times over, so
// that the buffer ends while a FOR's limit is compiled after its start;
// with a preamble of half a statement's code, or without, one of the two
// runs is sure to meet that. The loops must still count as written.
TEST(Decoded, StatementsCompiledAcrossAFullCodeBufferRunAsWritten) {
    std::string start = "1";
    for (int i = 0; i < 59; ++i) start += "+0";
    for (int preamble = 0; preamble < 2; ++preamble) {
        std::string text = "S%=0\n";
        if (preamble) {
            text += "P%=1";
            for (int i = 0; i < 32; ++i) text += "+0";
            text += "\n";
        }
        const int lines = 9000;
        for (int i = 0; i < lines; ++i) text += "FOR I%=" + start + " TO 3:S%=S%+I%:NEXT\n";
        text += "PRINT ;S%\n";
        Outcome fast = run_text(text, true);
        EXPECT_EQ(fast.status, 0) << fast.output;
        EXPECT_EQ(fast.output, std::to_string(6 * lines) + "\n") << "preamble " << preamble;
    }
}

// ---- random programs ----

class ProgramMaker {
public:
    explicit ProgramMaker(uint32_t seed) : m_rng(seed) {}

    std::string program() {
        m_lines.clear();
        m_loops = 0;
        line("DIM V%(6),R(6)");
        // n%, a and b% are also the functions' formals: calls must put
        // them back.
        line("A%=3:B%=-2:C%=7:x%=5:y%=-9:p=1.5:q=-0.25:r#=0.125:n%=11:a=0.5:b%=-4");
        int n = pick(6, 14);
        for (int i = 0; i < n; ++i) statement(0);
        line("PRINT A%;\" \";B%;\" \";C%;\" \";x%;\" \";y%;\" \";p;\" \";q;\" \";r#");
        line("PRINT V%(0);V%(3);V%(6);\" \";R(1);\" \";R(5);\" \";n%;\" \";a;\" \";b%");
        line("END");
        // The procedures and functions the statements call.
        line("DEF PROCp(a%,b)");
        line("LOCAL t%,u");
        line("t%=a%*2:u=b/4:A%=A%+1");
        line("PRINT \"p \";t%;\" \";u");
        line("ENDPROC");
        line("DEF FNf(n%)=n%*3+1");
        line("DEF FNg(a,b%)=a*b%-A%");
        line("DEF FNr(n%)");
        line("IF n%<1 THEN =0");
        line("=n%+FNr(n%-1)");
        std::string text;
        for (const std::string& l : m_lines) text += l + "\n";
        return text;
    }

private:
    std::mt19937 m_rng;
    std::vector<std::string> m_lines;
    int m_loops = 0;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    // A line too long to tokenise gives way to a short statement.
    void line(const std::string& l) { m_lines.push_back(l.size() > 200 ? "PRINT A%" : l); }

    std::string target() {
        static const char* vars[] = {"A%", "B%", "C%", "x%", "y%", "p", "q", "r#"};
        if (pick(0, 5) == 0) return std::string(pick(0, 1) ? "V%(" : "R(") + index() + ")";
        return vars[pick(0, 7)];
    }
    std::string index() { return pick(0, 3) ? std::to_string(pick(0, 6)) : "(" + expr(1) + ") AND 3"; }

    std::string atom() {
        static const char* atoms[] = {"A%", "B%", "C%", "x%", "y%", "p", "q", "r#", "n%", "a", "b%", "7",
                                      "100", "-3", "0.5", "2.5", "1E3", "TRUE"};
        switch (pick(0, 9)) {
            case 0: return std::string("V%(") + index() + ")";
            case 1: return std::string("R(") + index() + ")";
            case 2: return "FNf(" + expr(1) + ")";
            case 3: return "FNg(" + expr(1) + "," + expr(1) + ")";
            case 4: return "FNr(" + std::to_string(pick(0, 6)) + ")";
            default: return atoms[pick(0, 17)];
        }
    }

    // Divisors are kept odd and comparisons bracketed, so that most
    // programs run to their end rather than stop at the first error.
    std::string expr(int depth) {
        static const char* ops[] = {"+", "-", "*", "/", " DIV ", " MOD ", " AND ", " OR ", "=", "<", ">=", "<>"};
        if (depth <= 0 || pick(0, 2) == 0) return atom();
        if (pick(0, 5) == 0) return "(" + expr(depth - 1) + ")";
        int op = pick(0, 11);
        if (op >= 3 && op <= 5) return expr(depth - 1) + ops[op] + "(" + expr(depth - 1) + " OR 1)";
        if (op >= 8) return "(" + expr(depth - 1) + ops[op] + expr(depth - 1) + ")";
        return expr(depth - 1) + ops[op] + expr(depth - 1);
    }

    void statement(int nest) {
        int kind = pick(0, nest >= 2 ? 4 : 9);
        switch (kind) {
            case 0: case 1: case 2:
                line(target() + "=" + expr(2));
                break;
            case 3:
                line("PRINT " + expr(2) + ";\" \";" + expr(1));
                break;
            case 4:
                line("IF " + expr(1) + " THEN " + target() + "=" + expr(1) + " ELSE PRINT " + expr(1));
                break;
            case 5: {
                // Loop counters have names of their own, never assigned.
                std::string v = "L" + std::to_string(m_loops++) + "%";
                line("FOR " + v + "=" + std::to_string(pick(-2, 2)) + " TO " + std::to_string(pick(0, 5)) +
                     (pick(0, 2) ? "" : " STEP " + std::to_string(pick(1, 2))));
                body(nest);
                line(pick(0, 1) ? "NEXT" : "NEXT " + v);
                break;
            }
            case 6: {
                std::string v = "k" + std::to_string(m_loops++) + "%";
                line(v + "=0");
                line("REPEAT");
                body(nest);
                line(v + "=" + v + "+1");
                line("UNTIL " + v + ">=" + std::to_string(pick(1, 4)));
                break;
            }
            case 7: {
                std::string v = "w" + std::to_string(m_loops++) + "%";
                line(v + "=0");
                line("WHILE " + v + "<" + std::to_string(pick(0, 4)));
                body(nest);
                line(v + "=" + v + "+1");
                line("ENDWHILE");
                break;
            }
            case 8:
                line("PROCp(" + expr(1) + "," + expr(1) + ")");
                break;
            default:
                line("IF " + expr(1) + " THEN");
                body(nest);
                line("ELSE");
                body(nest);
                line("ENDIF");
                break;
        }
    }

    void body(int nest) {
        int n = pick(1, 3);
        for (int i = 0; i < n; ++i) statement(nest + 1);
    }
};

TEST(Decoded, RandomProgramsRunTheSameBothWays) {
    int ended_cleanly = 0;
    for (uint32_t seed = 1; seed <= 600; ++seed) {
        std::string text = ProgramMaker(seed).program();
        Outcome fast = run_text(text, true);
        Outcome plain = run_text(text, false);
        ASSERT_EQ(fast, plain) << "seed " << seed << ":\n" << text;
        if (fast.status == 0) ++ended_cleanly;
    }
    // Errors end some programs early; most run to the end.
    EXPECT_GT(ended_cleanly, 450);
}


// Numbered programs with jumps by number: GOTO and IF ... THEN forward,
// GOSUB to subroutines, ON ... GOTO; TRACE on in half of them, so the
// line ends the loop runs itself must show every line as line entry does.
class NumberedMaker {
public:
    explicit NumberedMaker(uint32_t seed) : m_rng(seed) {}

    std::string program() {
        m_lines.clear();
        m_outside.clear();
        m_number = 10;
        add("DIM V%(6):A%=2:B%=5:x%=1:y=0.5");
        if (pick(0, 1)) add("TRACE ON");
        int n = pick(8, 20);
        for (int i = 0; i < n; ++i) statement(0);
        add("PRINT A%;\" \";B%;\" \";x%;\" \";y;\" \";V%(2)");
        add("TRACE OFF:END");
        // Subroutines at fixed numbers past the main lines.
        m_lines.push_back("5000 A%=A%+3:RETURN");
        m_lines.push_back("5100 y=y*1.5:IF y>100 THEN y=1");
        m_lines.push_back("5110 RETURN");
        m_lines.push_back("5200 PRINT \"s\";x%:x%=x%+1:RETURN");
        // Forward jumps go to a later line outside every loop; targets are
        // filled in once all the lines are known.
        std::string text;
        for (std::string l : m_lines) {
            size_t at;
            while ((at = l.find("@F")) != std::string::npos) {
                int from = std::stoi(l.substr(0, l.find(' ')));
                int to = m_number - 10;   // the END line
                for (int target : m_outside)
                    if (target > from && pick(0, 2) == 0) {
                        to = target;
                        break;
                    }
                l.replace(at, 2, std::to_string(to));
            }
            text += l + "\n";
        }
        return text;
    }

private:
    std::mt19937 m_rng;
    std::vector<std::string> m_lines;
    int m_number = 10;
    int m_loops = 0;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    std::vector<int> m_outside;   // lines outside every loop
    int m_depth = 0;

    void add(const std::string& body) {
        if (m_depth == 0) m_outside.push_back(m_number);
        m_lines.push_back(std::to_string(m_number) + " " + body);
        m_number += 10;
    }
    std::string expr() {
        static const char* atoms[] = {"A%", "B%", "x%", "y", "V%(2)", "V%(x% AND 3)", "3", "-1", "0.25"};
        static const char* ops[] = {"+", "-", "*", " AND "};
        std::string e = atoms[pick(0, 8)];
        if (pick(0, 1)) e += std::string(ops[pick(0, 3)]) + atoms[pick(0, 8)];
        return e;
    }
    std::string target() {
        static const char* vars[] = {"A%", "B%", "y", "V%(1)", "V%(2)"};
        return vars[pick(0, 4)];
    }

    void statement(int nest) {
        switch (pick(0, nest > 0 ? 5 : 8)) {
            case 0: case 1:
                add(target() + "=" + expr());
                break;
            case 2:
                add("PRINT " + expr());
                break;
            case 3:
                add("IF " + expr() + ">2 THEN @F ELSE " + target() + "=" + expr());
                break;
            case 4:
                add("GOSUB " + std::to_string(5000 + 100 * pick(0, 2)));
                break;
            case 5:
                add(target() + "=" + expr() + ":" + target() + "=" + expr());
                break;
            case 6: {
                std::string v = "L" + std::to_string(m_loops++) + "%";
                add("FOR " + v + "=1 TO " + std::to_string(pick(1, 3)));
                ++m_depth;
                int n = pick(1, 3);
                for (int i = 0; i < n; ++i) statement(nest + 1);
                add("NEXT");
                --m_depth;
                break;
            }
            case 7:
                add("ON (x% AND 1)+1 GOTO @F,@F ELSE PRINT \"none\"");
                break;
            default:
                add("IF " + expr() + "<1 GOTO @F");
                break;
        }
    }
};

TEST(Decoded, NumberedProgramsWithJumpsRunTheSameBothWays) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::string text = NumberedMaker(seed).program();
        Outcome fast = run_text(text, true);
        Outcome plain = run_text(text, false);
        ASSERT_EQ(fast, plain) << "seed " << seed << ":\n" << text;
        EXPECT_EQ(fast.status, 0) << "seed " << seed << ":\n" << text << fast.output;
    }
}


// String programs: assignments that grow, shrink and reuse string storage,
// concatenation in loops, the string functions, comparisons, and strings
// passed to and returned by functions (so function calls stay in the
// evaluator here).
std::string string_program(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const char* svars[] = {"a$", "b$", "c$", "S$"};
    auto sexpr = [&]() -> std::string {
        static const char* atoms[] = {"a$", "b$", "c$", "S$", "\"xy\"", "\"\"", "STR$(n%)", "CHR$(65+n% MOD 26)",
                                      "LEFT$(a$,2)", "MID$(b$,2,3)", "RIGHT$(S$,1)", "STRING$(3,\"-\")",
                                      "FNs(b$)", "STR$~(n%*7)"};
        std::string e = atoms[pick(0, 13)];
        int more = pick(0, 2);
        for (int i = 0; i < more; ++i) e += std::string("+") + atoms[pick(0, 13)];
        return e;
    };
    auto nexpr = [&]() -> std::string {
        static const char* atoms[] = {"LEN(a$)", "LEN(S$)", "INSTR(S$,\"x\")", "ASC(b$+\"!\")", "n%",
                                      "VAL(\"12\")+n%", "(a$<b$)", "(c$=\"xy\")"};
        return std::string(atoms[pick(0, 7)]) + (pick(0, 1) ? "+" + std::to_string(pick(0, 9)) : "");
    };
    std::string text = "a$=\"abc\":b$=\"hello\":c$=\"\":S$=\"\":n%=3\n";
    int lines = pick(6, 14);
    for (int i = 0; i < lines; ++i) {
        switch (pick(0, 6)) {
            case 0: case 1: text += std::string(svars[pick(0, 3)]) + "=" + sexpr() + "\n"; break;
            case 2: text += "n%=" + nexpr() + "\n"; break;
            case 3: text += "PRINT " + sexpr() + ";\" \";" + nexpr() + "\n"; break;
            case 4:
                text += "FOR k%=1 TO " + std::to_string(pick(1, 30)) + ":S$=S$+" + sexpr() +
                        ":IF LEN(S$)>200 THEN S$=LEFT$(S$,10)\nNEXT\n";
                break;
            case 5: text += "IF " + nexpr() + ">4 THEN " + svars[pick(0, 3)] + "=" + sexpr() + " ELSE PRINT " + sexpr() + "\n"; break;
            default: text += "MID$(S$,2)=" + sexpr() + ":LEFT$(b$,1)=" + sexpr() + "\n"; break;
        }
    }
    text += "PRINT a$;\"|\";b$;\"|\";c$;\"|\";S$;\"|\";n%\nEND\nDEF FNs(t$)=t$+\"!\"\n";
    return text;
}

TEST(Decoded, StringProgramsRunTheSameBothWays) {
    int ended_cleanly = 0;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::string text = string_program(seed);
        Outcome fast = run_text(text, true);
        Outcome plain = run_text(text, false);
        ASSERT_EQ(fast, plain) << "seed " << seed << ":\n" << text;
        if (fast.status == 0) ++ended_cleanly;
    }
    // "String too long" ends some; most run to the end.
    EXPECT_GT(ended_cleanly, 200);
}

// IF with conditions only the decoded forms take (INSTR, LEN, ASC of
// strings): true and false, with and without ELSE, a line number after
// THEN or ELSE, block IF, a real condition, and a string condition's error.
TEST(Decoded, DecodedIfConditionsRunTheSameBothWays) {
    const std::string text =
        "10 A$=\"HELLO\":E$=\"\":S$=\"\":T%=0\n"
        "20 FOR I%=1 TO 60\n"
        "30 B$=STR$(I%):S$=S$+CHR$(65+I% MOD 26)\n"
        "40 IF INSTR(B$,\"7\") THEN T%=T%+1:PRINT \"seven \";I%\n"
        "50 IF LEN(S$)=20 THEN S$=LEFT$(S$,5) ELSE T%=T%+LEN(S$)\n"
        "60 IF INSTR(B$,\"3\") THEN 80\n"
        "70 PRINT \".\";\n"
        "80 IF LEN(B$)=2 THEN\n"
        "90   PRINT \"two\";\n"
        "100 ELSE\n"
        "110   PRINT \"one\";\n"
        "120 ENDIF\n"
        "130 IF LEN(A$)/10+LEN(E$) THEN PRINT \"half\"\n"
        "140 IF LEN(B$)=1 PRINT \"single\";\n"
        "145 IF INSTR(B$,\"4\") THEN 147 ELSE 150\n"
        "147 PRINT \"four\";\n"
        "150 IF ASC(B$)=ASC(\"5\") THEN PRINT \"five\" ELSE IF INSTR(B$,\"9\") THEN PRINT \"nine\"\n"
        "160 NEXT\n"
        "170 PRINT T%;\" \";S$\n"
        "180 IF A$ THEN PRINT \"x\"\n";
    Outcome fast = run_text(text, true);
    EXPECT_EQ(fast, run_text(text, false));
    EXPECT_NE(fast.output.find("Type mismatch at line 180"), std::string::npos) << fast.output;
}

}  // namespace
}  // namespace kov::interp
