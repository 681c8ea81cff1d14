// Compiled numeric expressions.
//
// A numeric expression made only of literals, numeric variables, array
// elements and operators is parsed once into a small tree, remembered by
// its text address, and from then on evaluated from the tree. The tree
// does exactly what the evaluator would do on the same text: the same
// operator banks, the same order of evaluation and the same errors, and
// it ends the expression where the evaluator would. Anything else (strings,
// functions, indirection, FN) is left to the evaluator.
#pragma once

#include <cstdint>
#include <vector>

#include "values/number.h"

namespace kov::interp {

class Interp;
namespace vm { class CallDepth; }

// Node kinds and instruction codes.
namespace cop {
enum Op : uint8_t {
    Const, StaticInt, VarInt, VarReal5, VarReal8, Element,
    Neg, Not, Add, Sub, Mul, Div, IDiv, Mod, Pow, And, Or, Eor, Compare, Shift,
    CallFn,     // tree only: FN with its arguments; `left` indexes the formals
    FormalData, // tree and code: a formal's address and type
    // Postfix code only: an element is ArrayStart, then per subscript an
    // optional DimCheck, the subscript's code and Subscript; then ElementEnd.
    ArrayStart, DimCheck, Subscript, ElementEnd, Return,
    // A function call: CallStart and the formals, then per argument its
    // code and CallArg, then CallEnter and the formals again.
    CallStart, CallArg, CallEnter,
    // Code only: an element of a one-dimensional array whose subscript is
    // an integer variable (static when `count` is StaticInt) at `k`.
    ElemLeaf,
    // Statement code only, in place of Return: the end of an assignment to
    // the variable at `addr` of type `type`. The text goes on at the low
    // word of `k`; a high word other than 0 is the body of the line after
    // it, whose line end is run with the statement, and `count` counts the
    // spaces at the start of that body.
    AssignEnd,
    // Statement code only: an assignment to an element of a one-dimensional
    // array. ElemDesc checks the descriptor whose slot is at `addr` and
    // pushes it; the subscript's code follows; ElemAddr turns descriptor and
    // subscript into the element's address (type `type`); the value's code
    // follows; ElemAssignEnd stores it there and goes on as AssignEnd does.
    ElemDesc, ElemAddr, ElemAssignEnd,
    // A call with one argument: CallArg and CallEnter in one, the value
    // going straight to the formal (after the same check for room).
    CallEnter1,
    // Postfix code only: a binary operator whose right operand is a
    // constant or a variable, loaded by the operator itself. Numbered
    // Fused + operator * kLeaves + leaf.
    Fused,
};

// Operators and right operands that fuse, in the order of their codes.
#define KOV_FUSED_OPS(X) X(Add) X(Sub) X(Mul) X(Div) X(IDiv) X(Mod) X(And) X(Or) X(Eor) X(Compare)
#define KOV_FUSED_LEAVES(X, OP) X(OP, Const) X(OP, StaticInt) X(OP, VarInt) X(OP, VarReal5) X(OP, VarReal8)
constexpr int kLeaves = 5;
constexpr int kFusedOps = 10;
}  // namespace cop


struct CNode {
    uint8_t op = 0;
    uint8_t type = 0;       // variable or element type code; comparison code
    uint16_t left = 0;      // child node indices
    uint16_t right = 0;
    uint16_t count = 0;     // subscripts of an element (in `left`, `right`)
    uint32_t addr = 0;      // variable value address or array descriptor slot
    values::Num k = 0;      // constant
    uint16_t args[4] = {};  // arguments of a function call
};

// One instruction of the postfix code the trees are turned into.
struct CIns {
    uint8_t op = 0;
    uint8_t type = 0;       // type code, comparison code, or subscript number
    uint16_t count = 0;     // subscripts of an element
    uint32_t addr = 0;      // variable value address or array descriptor slot
    values::Num k = 0;      // constant; for a variable (StaticInt, VarInt,
                            // VarReal5, VarReal8, alone or as the operand of
                            // a fused operator) the host address of its value
};

struct CompiledSlot {
    uint32_t key = 0;       // text address of the expression (0: empty)
    uint16_t len = 0;       // text length
    uint8_t state = 0;      // Empty, Ready or Refused
    uint32_t root = 0;      // start of the expression's code
    enum : uint8_t { Empty = 0, Ready = 1, Refused = 2 };
};

// A statement decoded once, keyed by the text address where the loop
// meets it: an assignment to a variable or array element, IF, a loop or
// jump statement, "=" with a compiled result, or the bytes between
// statements (spaces, ":" and line ends).
struct StmtSlot {
    uint32_t key = 0;       // text address (0: empty)
    uint8_t kind = 0;
    uint8_t type = 0;       // type code of the target
    uint16_t len = 0;       // text length up to the end of the statement's
                            // decoded part (see the kinds)
    uint32_t target = 0;    // value address, array descriptor slot, static
                            // variable offset, line address or next text
    uint32_t expr = 0;      // root of the right-hand side or condition
    uint32_t subscript = 0; // root of the subscript of an array element;
                            // the line body for a line end; FOR's limit
    uint32_t step = 0;      // FOR's step root (~0u: no STEP)
    uint32_t next_line = 0; // an assignment that ends its line: the body
                            // of the ordinary line after it (0: none)
    enum : uint8_t {
        Empty = 0, Refused,
        AssignVar, AssignStatic,  // `expr` is the statement's code, which
                                  // ends with AssignEnd
        AssignElement,  // `expr` is the whole statement's code (see ElemDesc);
                        // `subscript` the subscript's own code
        If,         // condition `expr`; true: the line after THEN at `target`,
                    // else the text at `subscript`; false: the text at `step`
                    // once met (0: not known), and when that is the CR
                    // before an ordinary line, its body at `next_line`
        Skip,       // spaces and ":": go on at `target`
        LineEnd,    // CR before an ordinary line: body at `subscript`, first
                    // statement at `target`
        Next,       // NEXT alone or naming the variable at `target`
                    // (~0u: alone); `len` reaches the statement end
        For,        // the variable at `target` of type `type`: start `expr`,
                    // limit `subscript`, `step`; `len` reaches the body
        Repeat,     // `len` reaches the text after the keyword and spaces
        Until,      // condition `expr`; `len` reaches its end
        While,      // frame text at `len`; condition `expr` ends at `subscript`;
                    // a false condition goes on at `target` with the
                    // statement pointer `next_line` once met (0: not known)
        Endwhile,   // `len` reaches the text after the keyword and spaces; the
                    // condition met last time at `target` (0: none), its
                    // code `expr` and length `subscript`
        Goto,       // line `target`
        Gosub,      // line `target`; `len` reaches the statement end
        Return,
        FnReturn,   // "=" and the compiled result `expr` ending at `len`
        // Statements whose expression the compiler does not take: it is
        // worked out the general way (a decoded form when there is one).
        IfGeneral,  // IF with its condition at text `expr`; once met,
                    // `type` is 1 and `target` and `subscript` are as for
                    // If; `step` and `next_line` as for If
        AssignNumGeneral,  // numeric variable at `target` of type `type`
                           // (a static integer when in the fixed area);
                           // the expression at text `expr`
        AssignStrGeneral,  // string variable with its descriptor at
                           // `target`; the expression at text `expr`
    };
};

class ExprCompiler {
public:
    static constexpr uint32_t kSlots = 16384;
    static constexpr uint32_t kMaxCode = 200000;
    static constexpr int kMaxDepth = 32;

    ExprCompiler() : m_slots(kSlots) {
        m_nodes.reserve(1024);
        m_code.reserve(kCodeReserve);
    }

    CompiledSlot* slot(const uint8_t* p) {
        return &m_slots[static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)) & (kSlots - 1)];
    }
    // Parses the expression at `p` into a tree and turns it into postfix
    // code. False when the expression holds anything the code does not
    // cover (nothing is changed then).
    bool compile(Interp& in, const uint8_t* p, CompiledSlot& slot);
    // Runs the code starting at `start` and returns the value.
    values::Num eval(Interp& in, uint32_t start);
    // The same, with the shortest codes (a constant or variable, or an
    // integer variable added to, subtracted from or compared with one)
    // worked out inline. Defined in interp/interp.h.
    inline values::Num run(Interp& in, uint32_t start);
    // The inline part of run: true, with the value, when the code at `pc`
    // is one of those shortest codes.
    static inline bool run_short(const CIns* pc, values::Num& out);
    void flush();
    // Counts flushes, so that work spanning several compiles can tell
    // whether code it compiled earlier is still there.
    uint32_t flushes() const { return m_flushes; }
    // Turns the code just compiled, which ends with Return, into the code
    // of an assignment (see AssignEnd).
    void end_with_assign(uint8_t type, uint32_t target, uint32_t after, uint32_t next_line, uint16_t spaces);
    // Joins the code of a subscript and of a value, both ending with
    // Return, into the code of an assignment to an element of type `type`
    // of the array whose descriptor slot is at `array`. Returns its start,
    // or ~0u when the buffer has no room (nothing is changed then).
    uint32_t element_assign(uint32_t subscript, uint32_t value, uint32_t array, uint8_t type, uint32_t after,
                            uint32_t next_line, uint16_t spaces);

    static constexpr uint32_t kStmtSlots = 16384;
    StmtSlot* stmt_slot(const uint8_t* p) {
        return &m_stmts[static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)) & (kStmtSlots - 1)];
    }
    // Compiles the expression at `p` for a statement slot: the root, and
    // the text after the expression in `end`.
    bool compile_part(Interp& in, const uint8_t* p, uint32_t& root, const uint8_t*& end);

    // True when no "=" in the program or its libraries can return a
    // string, so a function's result is always a number: every "=" in
    // the text is followed by an expression this compiler takes. Worked
    // out once per flush (again while function calls are unresolved).
    bool function_results_numeric(Interp& in);
    bool verdict_pending() const { return m_numeric_results == Verdict::Unknown; }
    // After a failed compile: true when it failed only for a function
    // call that is not resolved yet, so it is worth trying again later.
    bool retry_later() const { return m_retry; }
    void forget_retry() { m_retry = false; }
    // Off: nothing is compiled or decoded, so everything runs through the
    // evaluator and the statement handlers (the tests compare the two).
    bool enabled = true;

private:
    // Code is never moved while it may be running: the buffer is reserved
    // once, and a flush during a function call retires it until the
    // outermost evaluation is done.
    static constexpr uint32_t kCodeReserve = kMaxCode + 4 * 65536 + 16;
    int m_eval_depth = 0;
    uint32_t m_flushes = 0;
    bool m_retry = false;
    std::vector<std::vector<CIns>> m_retired;
    bool m_any_retired = false;   // m_retired is not empty
    // Frees the retired code once no evaluation is waiting for a call.
    void free_retired() {
        if (m_eval_depth != 0) return;
        m_retired.clear();
        m_any_retired = false;
    }
    enum class Verdict : uint8_t { Unknown, Checking, Yes, No };
    Verdict m_numeric_results = Verdict::Unknown;
    int m_verdict_tries = 0;
    uint64_t m_verdict_names = ~0ull;   // names_resolved when last worked out
    friend class vm::CallDepth;
    friend class Interp;

    std::vector<StmtSlot> m_stmts = std::vector<StmtSlot>(kStmtSlots);
    std::vector<CompiledSlot> m_slots;
    // Emits the postfix code of the tree at `node`; false when the value
    // stack it needs is deeper than the evaluator's.
    bool emit(uint32_t node, int depth, int& max_depth);
    bool finish(size_t mark, uint32_t root, uint32_t& start);

    std::vector<CNode> m_nodes;   // scratch: the tree of the expression being compiled
    uint8_t* m_fixed = nullptr;   // the fixed area, for host addresses of variables
    // The host address of the value of a variable at `addr`: the fixed
    // area and the variable records both stay where they are.
    values::Num host_address(uint32_t addr) const;
    std::vector<CIns> m_code;
};

}  // namespace kov::interp
