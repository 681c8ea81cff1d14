// The execution loop: line entry, statement start, the statement boundary
// with its poll of the host flags, and the statements that end or trace a
// run (END, STOP, QUIT, TRACE) or only skip text.
#include <array>
#include <cstring>

#include "interp/frames.h"
#include "interp/interp.h"
#include "interp/machine_code.h"
#include "interp/statements.h"
#include "os/channels.h"
#include "values/functions.h"
#include "values/plans.h"
#include "values/strings.h"
#include "values/vm.h"
#include "vdu/vdu.h"

namespace kov::interp {

namespace {
// Tokens the loop itself looks at.
constexpr uint8_t kTokElse = 0x8B;
constexpr uint8_t kTokWhen = 0xC9;
constexpr uint8_t kTokOtherwise = 0xCC;
constexpr uint8_t kTokLeft = 0xC0;
constexpr uint8_t kTokMid = 0xC1;
constexpr uint8_t kTokRight = 0xC2;
constexpr uint8_t kTokLine = 0x86;
constexpr uint8_t kTokOff = 0x87;
constexpr uint8_t kTokError = 0x85;
constexpr uint8_t kTokOn = 0xEE;
constexpr uint8_t kUrgent = host::flag::Quit | host::flag::Tick | host::flag::Escape;
}  // namespace

// Built from the rows of KOV_STATEMENTS, indexed by token.
static constexpr std::array<StatementFn, 256> build_statement_table() {
    std::array<StatementFn, 256> t{};
#define KOV_STMT_ROW(token, fn) t[token] = fn;
    KOV_STATEMENTS(KOV_STMT_ROW)
#undef KOV_STMT_ROW
    return t;
}
static constexpr std::array<StatementFn, 256> kStatements = build_statement_table();
const StatementFn* const kStatementTable = kStatements.data();

void not_available(const char* what) {
    raise(255, std::string(what) + " is not available in this version");
}

// Line entry: p is at a line's length byte. Returns false at the end of
// the program (the stop sequence then follows).
static inline void line_entry(Interp& in) {
    const uint8_t* line = in.p;
    uint8_t len = line[0];
    if (len == 0) {
        // Text that ran on to the guard after the reservation.
        if (in.mem.in_guard(Memory::addr(line))) raise(Err::AddressOutOfRange);
        // End of the program (or of a library): stop.
        if (Memory::addr(line) >= in.page()) close_all_files(in);
        in.stop_sequence(0);
    }
    uint16_t number = static_cast<uint16_t>(line[1] | (line[2] << 8));
    in.p = line + 3;
    uint16_t limit = in.mem.fixed16(fixed::TraceLimit);
    if (limit && number <= limit) in.trace_line(number);
    in.mem.set_fixed32(fixed::StmtPtr, Memory::addr(in.p));
    uint8_t first = *in.p;
    if (first == kTokElse) {
        in.p++;
        skip_else_block(in);
    } else if (first == kTokWhen || first == kTokOtherwise) {
        in.p++;
        skip_when_block(in);
    }
}

uint32_t ordinary_line_after(const uint8_t* cr) {
    if (*cr != 13) return 0;
    const uint8_t* line = cr + 1;
    if (line[0] == 0 || line[3] == kTokElse || line[3] == kTokWhen || line[3] == kTokOtherwise) return 0;
    return Memory::addr(line + 3);
}

void Interp::trace_line(uint16_t number) {
    count_out('[');
    char buf[8];
    int n = 0;
    unsigned v = number;
    do { buf[n++] = static_cast<char>('0' + v % 10); v /= 10; } while (v);
    while (n) count_out(static_cast<uint8_t>(buf[--n]));
    count_out(']');
    count_out(' ');
}

// Executes statements from the text pointer. Returns only when a function
// return "=" is executed and `in_fn` is set.
//
// Each position the loop meets (a statement, the spaces and ":" between
// statements, a line end) is looked up in the decoded-statement table
// first; what has no decoded form runs through the statement handlers.
Value Interp::exec(bool in_fn) {
    using namespace vm;
    Interp& in = *this;
    // The expression machine runs here in place for the commonest
    // statements. Its stack has one place more than an expression needs:
    // an element assignment keeps the descriptor or the element's address
    // under its expressions.
    Num stack[ExprCompiler::kMaxDepth + 2];
    Num* top = stack;
    Num tos = 0;
    RealMode m = RealMode::Five;
    const CIns* pc = nullptr;
    void* vm_resume = nullptr;
    Num vm_result = 0;
    // What a statement needs once its expression has run (a function the
    // expression calls may flush its slot meanwhile).
    struct {
        const uint8_t* after;
        const uint8_t* at;
        StmtSlot* slot;
        uint32_t target, aux, next, line;
    } st{};
    // The decoded statement met at `at`. Each kind ends by looking up and
    // jumping to the next one itself, so that every kind has its own
    // indirect jump for the branch predictor.
    StmtSlot* slot;
    const uint8_t* at;
    static void* const kKindLabels[] = {
        &&general, &&general, &&K_AssignVar, &&K_AssignStatic, &&K_AssignElement, &&K_If,
        &&K_Skip, &&K_LineEnd, &&K_Next, &&K_For, &&K_Repeat, &&K_Until, &&K_While,
        &&K_Endwhile, &&K_Goto, &&K_Gosub, &&K_Return, &&K_FnReturn, &&K_IfGeneral,
        &&K_AssignNumGeneral, &&K_AssignStrGeneral,
    };
    static_assert(sizeof kKindLabels / sizeof *kKindLabels == StmtSlot::AssignStrGeneral + 1);
#define KOV_STMT_DISPATCH()                                    \
    do {                                                       \
        at = p;                                                \
        slot = m_compiler.stmt_slot(p);                        \
        if (slot->key != Memory::addr(p)) goto build_slot;     \
        goto* kKindLabels[slot->kind];                         \
    } while (0)
    // Runs the compiled expression at `start` in place and goes on at
    // `resume` with its value in `vm_result`.
#define KOV_STMT_EXPR(start, resume)                                           \
    do {                                                                       \
        pc = m_compiler.m_code.data() + (start);                               \
        vm_resume = &&resume;                                                  \
        goto vm_enter;                                                         \
    } while (0)
    // The next statement, polling the flags first as the loop head does.
    // (Not `continue`: inside the macro's own do-while that would only
    // leave the macro.)
#define KOV_STMT_NEXT()                                                \
    do {                                                               \
        if (host.flags.load(std::memory_order_relaxed)) goto poll_flags; \
        KOV_STMT_DISPATCH();                                           \
    } while (0)
    for (;;) {
        // Statement boundary: poll the urgent flags (one byte test).
        if (host.flags.load(std::memory_order_relaxed)) {
        poll_flags:
            poll();
        }
    statement_start:
        KOV_STMT_DISPATCH();
    build_slot:
        build_stmt_slot(p, *slot);
        if (slot->key != Memory::addr(p)) goto general;
        goto* kKindLabels[slot->kind];
    K_Skip:
        p = Memory::unchecked_ptr(slot->target);
        KOV_STMT_DISPATCH();
    K_LineEnd:
        if (mem.fixed16(fixed::TraceLimit)) goto general;
        mem.set_fixed32(fixed::StmtPtr, slot->subscript);
        p = Memory::unchecked_ptr(slot->target);
        if (host.flags.load(std::memory_order_relaxed) & kUrgent) continue;
        KOV_STMT_DISPATCH();
    K_AssignStatic:
    K_AssignVar:
    K_AssignElement:
        // The code ends with AssignEnd, which stores the value and goes on.
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        pc = m_compiler.m_code.data() + slot->expr;
        goto vm_enter;
    K_If:
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        st.at = at;
        st.after = at + slot->len;
        st.slot = slot;
        st.target = slot->target;   // the line after THEN
        st.aux = slot->subscript;   // where a true condition goes on
        st.next = slot->step;       // where a false one goes on
        st.line = slot->next_line;  // and the line it starts there
        vm_resume = &&resume_if;
        pc = m_compiler.m_code.data() + slot->expr;
        goto vm_enter;
    K_Next: {
        ForFrame f;
        std::memcpy(&f, Memory::unchecked_ptr(sp), sizeof f);
        if (f.tag != ftag::For || (slot->target != ~0u && f.var != slot->target)) goto general;
        if (f.type != vtype::Int || f.step_high != 0 || f.limit_high != 0) {
            // A real loop: the sum as computed decides, as in
            // the general NEXT.
            if (!numeric_record(f.var, static_cast<uint8_t>(f.type))) goto general;
            mem.set_fixed32(fixed::StmtPtr, slot->key);
            const uint8_t* after = at + slot->len;
            Num step = (static_cast<Num>(f.step_high) << 32) | f.step_low;
            Num limit = (static_cast<Num>(f.limit_high) << 32) | f.limit_low;
            // A real variable often holds a whole number: integers are
            // added and compared directly.
            const Num cur = load_variable(mem, f.var, static_cast<uint8_t>(f.type));
            int32_t whole;
            const Num sum = values::is_int(cur) && values::is_int(step) &&
                                    !__builtin_add_overflow(values::as_int(cur), values::as_int(step), &whole)
                                ? values::num_int(whole)
                                : values::num_add(cur, step, mode());
            store_variable(mem, f.var, static_cast<uint8_t>(f.type), sum);
            bool negative = values::is_int(step) ? values::as_int(step) < 0
                            : values::is_r5(step) ? (values::r5_mantissa(step) & 0x80000000u) != 0
                                                  : (step >> 63) != 0;
            const int order = values::is_int(sum) && values::is_int(limit)
                                  ? (values::as_int(sum) > values::as_int(limit)) -
                                        (values::as_int(sum) < values::as_int(limit))
                                  : values::num_compare(sum, limit, mode());
            bool done = negative ? order < 0 : order > 0;
            if (done) {
                sp += kForFrame;
                p = after;
            } else {
                p = text_at(f.body);
            }
            KOV_STMT_NEXT();
        }
        // The frame may have been overwritten: its variable address is
        // checked (directly when it lies in the fixed area).
        uint8_t* v = f.var <= fixed::Size - 4 ? mem.fixed_area() + f.var : mem.at(f.var, 4);
        int32_t cur, sum;
        std::memcpy(&cur, v, 4);
        int32_t step = static_cast<int32_t>(f.step_low), limit = static_cast<int32_t>(f.limit_low);
        if (__builtin_add_overflow(cur, step, &sum)) goto general;
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        std::memcpy(v, &sum, 4);
        if (step < 0 ? sum < limit : limit < sum) {
            sp += kForFrame;
            p = at + slot->len;
        } else {
            p = text_at(f.body);
        }
        KOV_STMT_NEXT();
    }
    K_For: {
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        const uint8_t* after = at + slot->len;
        const uint32_t var = slot->target, limit_root = slot->subscript, step_root = slot->step;
        const uint8_t type = slot->type;
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        Num start = m_compiler.run(*this, slot->expr);
        if (var < fixed::Size && type == vtype::Int) {
            mem.set_fixed32(var, static_cast<uint32_t>(values::ops::int_of(start)));
        } else {
            store_variable(mem, var, type, start);
        }
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        Num limit = m_compiler.run(*this, limit_root);
        Num step = values::num_int(1);
        if (step_root != ~0u) {
            if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
            step = m_compiler.run(*this, step_root);
            if (step == 0 || (!values::is_int(step) && values::to_double(step) == 0.0)) raise(Err::StepZero);
        }
        push_room_check(kForFrame);
        push32(var);
        push32(type);
        push32(values::num_high(limit));
        push32(static_cast<uint32_t>(limit));
        push32(values::num_high(step));
        push32(static_cast<uint32_t>(step));
        push32(Memory::addr(after));
        push32(ftag::For);
        p = after;
        KOV_STMT_NEXT();
    }
    K_Repeat:
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        p = at + slot->len;
        push_room_check(kLinkFrame);
        push32(Memory::addr(p));
        push32(ftag::Repeat);
        KOV_STMT_NEXT();
    K_Until: {
        if (peek32() != ftag::Repeat) goto general;
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        st.after = at + slot->len;
        KOV_STMT_EXPR(slot->expr, resume_until);
    }
    K_While: {
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        push_room_check(kLinkFrame);
        push32(Memory::addr(at + slot->len));
        push32(ftag::While);
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        st.after = at + slot->subscript;
        st.target = slot->target;     // where a false condition goes on
        st.next = slot->next_line;    // with this statement pointer
        st.slot = slot;
        st.at = at;
        KOV_STMT_EXPR(slot->expr, resume_while);
    }
    K_Endwhile: {
        if (peek32() != ftag::While) goto general;
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        const uint8_t* after = at + slot->len;
        const uint32_t cond = peek32(4);
        // (A target of 0 is no remembered condition: the frame's word may
        // have been overwritten with 0.)
        if (cond == slot->target && cond) {
            // The condition of the WHILE met last time, compiled.
            if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
            st.after = Memory::unchecked_ptr(cond) + slot->subscript;   // the body
            st.at = after;
            KOV_STMT_EXPR(slot->expr, resume_endwhile);
        }
        StmtSlot* const remembered = slot;
        p = text_at(cond);
        const int32_t truth = int_expr();
        const CompiledSlot* cs = m_compiler.slot(Memory::unchecked_ptr(cond));
        if (cs->key == cond && cs->state == CompiledSlot::Ready && remembered->key == Memory::addr(at)) {
            remembered->target = cond;
            remembered->expr = cs->root;
            remembered->subscript = cs->len;
        }
        if (truth != 0) KOV_STMT_NEXT();   // the body runs again
        sp += kLinkFrame;
        p = after;
        KOV_STMT_NEXT();
    }
    K_Return:
        if (peek32() != ftag::Gosub) goto general;
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        p = text_at(peek32(4));
        sp += kLinkFrame;
        KOV_STMT_NEXT();
    K_Goto:
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        p = Memory::unchecked_ptr(slot->target);
        line_entry(*this);
        KOV_STMT_NEXT();
    K_Gosub:
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        push_room_check(kLinkFrame);
        push32(Memory::addr(at + slot->len));
        push32(ftag::Gosub);
        p = Memory::unchecked_ptr(slot->target);
        line_entry(*this);
        KOV_STMT_NEXT();
    K_FnReturn: {
        if (!in_fn) goto general;
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
        st.after = at + slot->len;
        KOV_STMT_EXPR(slot->expr, resume_fn_return);
    }
    K_IfGeneral: {
        // As IF does with a condition the compiler does not take; then on
        // as a compiled IF would.
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        st.at = at;
        st.slot = slot;
        st.target = slot->target;
        st.aux = slot->subscript;
        st.next = slot->step;
        st.line = slot->next_line;
        const bool found = slot->type != 0;
        p = Memory::unchecked_ptr(slot->expr);
        const int32_t truth = int_expr();
        st.after = p;
        if (!found) {
            if_targets(p, st.target, st.aux);
            if (st.slot->key == Memory::addr(at)) {
                st.slot->target = st.target;
                st.slot->subscript = st.aux;
                st.slot->type = 1;
            }
        }
        vm_result = values::num_int(truth);
        goto resume_if;
    }
    K_AssignNumGeneral: {
        // As the assignment statement does for a variable it knows.
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        const VarRef ref{slot->target, slot->type};
        p = Memory::unchecked_ptr(slot->expr);
        const Num n = num_expr();
        if (ref.addr < fixed::Size && ref.type == vtype::Int)
            mem.set_fixed32(ref.addr, static_cast<uint32_t>(values::ops::int_of(n)));
        else
            store_num(ref, n);
        KOV_STMT_NEXT();
    }
    K_AssignStrGeneral: {
        mem.set_fixed32(fixed::StmtPtr, slot->key);
        const uint32_t descriptor = slot->target;
        p = Memory::unchecked_ptr(slot->expr);
        const PlanSlot* plan = ready_plan();
        const Value v = plan && plan->is_str ? run_plan(plan) : str_expr();
        values::store_string_var(*this, descriptor, v);
        KOV_STMT_NEXT();
    }
    resume_if:
        if (values::ops::int_of(vm_result) != 0) {
            if (st.target) {
                p = Memory::unchecked_ptr(st.target);
                line_entry(*this);
            } else if (st.aux) {
                p = Memory::unchecked_ptr(st.aux);
            } else {
                p = st.after;
                if_continue(*this, true);
            }
            KOV_STMT_NEXT();
        }
        if (st.next) {
            if (st.line && !host.flags.load(std::memory_order_relaxed) && !mem.fixed16(fixed::TraceLimit)) {
                // The line end there, run as the line-end slot would.
                mem.set_fixed32(fixed::StmtPtr, st.line);
                p = Memory::unchecked_ptr(st.line);
                while (*p == ' ') ++p;
                KOV_STMT_DISPATCH();
            }
            p = Memory::unchecked_ptr(st.next);
            KOV_STMT_NEXT();
        }
        {
            p = st.after;
            uint32_t jumps = m_jumps;
            const uint8_t* at = st.at;
            StmtSlot* remembered = st.slot;
            if_continue(*this, false);
            // Where a false condition goes on is remembered, unless it
            // jumped (ELSE and a line number) or the table was flushed
            // meanwhile; so is the ordinary line that starts there.
            if (jumps == m_jumps && remembered->key == Memory::addr(at)) {
                remembered->step = Memory::addr(p);
                remembered->next_line = ordinary_line_after(p);
            }
        }
        KOV_STMT_NEXT();
    elem_assign_end:
        // The element's address lies under the value.
        st.target = static_cast<uint32_t>(*--top);
        goto assign_store;
    assign_end:
        st.target = pc->addr;
    assign_store: {
        // The end of an assignment's code: everything it needs is in the
        // instruction, which stays in place even if a function the
        // expression called flushed the tables.
        const Num value = tos;
        const uint32_t target = st.target;
        const uint32_t next_line = static_cast<uint32_t>(pc->k >> 32);
        p = Memory::unchecked_ptr(static_cast<uint32_t>(pc->k));
        if (pc->type == vtype::Int && target < fixed::Size)
            mem.set_fixed32(target, static_cast<uint32_t>(values::ops::int_of(value)));
        else
            store_variable(mem, target, pc->type, value);
        if (next_line) {
            // The line end, run as the line-end slot would: anything
            // unusual (a flag, TRACE) takes the ordinary way from the CR.
            if (host.flags.load(std::memory_order_relaxed) || mem.fixed16(fixed::TraceLimit)) continue;
            mem.set_fixed32(fixed::StmtPtr, next_line);
            p = Memory::unchecked_ptr(next_line) + pc->count;
            KOV_STMT_DISPATCH();
        }
        KOV_STMT_NEXT();
    }
    resume_until:
        if (values::ops::int_of(vm_result) == 0) {
            p = text_at(peek32(4));
        } else {
            p = st.after;
            sp += kLinkFrame;
        }
        KOV_STMT_NEXT();
    resume_while: {
        p = st.after;
        if (values::ops::int_of(vm_result) != 0) KOV_STMT_NEXT();
        sp += kLinkFrame;
        // The step over the body depends only on the text, but TRACE shows
        // the lines it passes.
        const bool tracing = mem.fixed16(fixed::TraceLimit) != 0;
        if (st.target && !tracing) {
            mem.set_fixed32(fixed::StmtPtr, st.next);
            p = Memory::unchecked_ptr(st.target);
            KOV_STMT_NEXT();
        }
        const uint8_t* const while_at = st.at;
        StmtSlot* const remembered = st.slot;
        if (skip_while_loop(*this) && !tracing && remembered->key == Memory::addr(while_at)) {
            remembered->target = Memory::addr(p);
            remembered->next_line = mem.fixed32(fixed::StmtPtr);
        }
        KOV_STMT_NEXT();
    }
    resume_endwhile:
        if (values::ops::int_of(vm_result) != 0) {
            p = st.after;   // the body runs again
            KOV_STMT_NEXT();
        }
        sp += kLinkFrame;
        p = st.at;
        KOV_STMT_NEXT();
    resume_fn_return:
        p = st.after;
        fn_unwind(*this);
        return Value::number(vm_result);
    vm_enter:
        // The expression machine in place: KOV_VM_RETURN goes on at the
        // statement's resume point with the value.
        top = stack;
        m = mode();
        if (m_compiler.m_any_retired) m_compiler.free_retired();
        {
#define KOV_VM_RETURN(v)     \
    do {                     \
        vm_result = (v);     \
        goto* vm_resume;     \
    } while (0)
#define KOV_VM_ASSIGN_END() goto assign_end
#define KOV_VM_ELEM_ASSIGN_END() goto elem_assign_end
#define KOV_VM_COMPILER m_compiler
#include "values/vm_body.inc"
#undef KOV_VM_COMPILER
#undef KOV_VM_ELEM_ASSIGN_END
#undef KOV_VM_ASSIGN_END
#undef KOV_VM_RETURN
        }
    general:
        uint8_t c = *p;
        while (c == ' ') c = *++p;
        // The end of a line and empty statements first: they are the most
        // common bytes here and need no statement pointer of their own
        // (line entry sets it to the start of the next line's body).
        if (c == 13) {
            ++p;
            line_entry(*this);
            if (host.flags.load(std::memory_order_relaxed) & kUrgent) continue;
            goto statement_start;
        }
        if (c == ':') {
            ++p;
            goto statement_start;
        }
        mem.set_fixed32(fixed::StmtPtr, Memory::addr(p));
        if (c >= 0xC7 || (c <= 0x0C && c != 0)) {
            ++p;
            while (*p == ' ') ++p;
            kStatementTable[c](*this);
            continue;
        }
        switch (c) {
            case ':':
                ++p;
                goto statement_start;
            case 13:
                ++p;
                line_entry(*this);
                if (host.flags.load(std::memory_order_relaxed) & kUrgent) continue;
                goto statement_start;
            case '*': {
                const uint8_t* q = ++p;
                while (*p != 13) ++p;
                oscli(std::string_view(reinterpret_cast<const char*>(q), static_cast<size_t>(p - q)));
                continue;
            }
            case '=': {
                ++p;
                Value v = fn_return(*this);
                if (in_fn) return v;
                continue;
            }
            case '[':
                ++p;
                stmt_assembler(*this);
                continue;
            case kTokElse:
                skip_to_line_end();
                continue;
            case kTokLeft: ++p; stmt_left_assign(*this); continue;
            case kTokMid: ++p; stmt_mid_assign(*this); continue;
            case kTokRight: ++p; stmt_right_assign(*this); continue;
            case kTokLine: ++p; while (*p == ' ') ++p; stmt_line(*this); continue;
            case kTokOff: ++p; stmt_off(*this); continue;
            case kTokError: ++p; while (*p == ' ') ++p; stmt_error(*this); continue;
            case 0:
                raise(Err::SyntaxError);
            default:
                if (c >= 0x80) raise(Err::SyntaxError);
                // Fast path: static integer variable = expression.
                if (int offset = static_int_at(p); offset >= 0) {
                    const uint8_t* q = p + 2;
                    while (*q == ' ') ++q;
                    if (*q == '=') {
                        p = q + 1;
                        Num n = num_expr();
                        mem.set_fixed32(offset, static_cast<uint32_t>(values::ops::int_of(n)));
                        continue;
                    }
                }
                assignment();
                continue;
        }
    }
#undef KOV_STMT_NEXT
#undef KOV_STMT_EXPR
#undef KOV_STMT_DISPATCH
}

void Interp::run_loop(bool from_start) {
    for (;;) {
        try {
            if (from_start) {
                from_start = false;
                run_from_start();
            }
            exec(false);
            return;
        } catch (const BasicError& e) {
            handle_error(e, himem(), true);
        }
    }
}

Value Interp::run_function() {
    check_native_stack();
    uint32_t level_sp = sp;
    for (;;) {
        try {
            return exec(true);
        } catch (const BasicError& e) {
            // A handler whose stack lies within this call continues here;
            // any other error goes on to the caller's level.
            if (!handle_error(e, level_sp, false)) throw;
        }
    }
}

void Interp::poll() {
    for (;;) {
        uint8_t f = host.flags.load();
        if (f & host::flag::Quit) throw StopRun{exit_status};
        if (f & host::flag::Tick) {
            host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Tick));
            if (vdu) vdu->flash_tick();
            continue;
        }
        if (f & host::flag::Escape) poll_waiting();   // raises Escape
        if (f & host::flag::Event) {
            // One event per poll; its handler, if any, starts now.
            host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Event));
            if (deliver_event()) return;
            continue;
        }
        if (f & host::flag::Pause) {
            if (f & host::flag::Resume) {
                host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Resume));
                return;
            }
            host.sleep_ms(10);
            continue;
        }
        return;
    }
}

const uint8_t* Interp::find_line(uint32_t n) {
    // Jumps mostly go to a few lines again and again: remember where.
    uint32_t* cached = m_line_cache[n & (kLineCacheSize - 1)];
    if (cached[1] && cached[0] == n) return Memory::unchecked_ptr(cached[1]);
    const uint8_t* line = find_line_walk(n);
    cached[0] = n;
    cached[1] = Memory::addr(line);
    return line;
}

const uint8_t* Interp::find_line_walk(uint32_t n) {
    const uint8_t* line = program_start();
    for (;;) {
        uint16_t number = static_cast<uint16_t>(line[1] | (line[2] << 8));
        if (line[0] == 0 || number >= n) {
            if (line[0] == 0 || number != n) raise(Err::NoSuchLine);
            return line;
        }
        line += line[0];
    }
}

void Interp::goto_line(const uint8_t* line) {
    ++m_jumps;
    p = line;
    line_entry(*this);
}

uint16_t Interp::line_number_at(uint32_t addr, std::string* library_name) {
    // Walks a line sequence; returns the number of the line holding addr.
    auto walk = [&](uint32_t start, std::string* lib) -> int {
        const uint8_t* line = Memory::unchecked_ptr(start);
        if (addr < start) return -1;
        for (;;) {
            uint8_t len = line[0];
            if (len == 0) return -1;
            if (lib && len == 255 && line[1] == 0 && line[2] == 0 && line[3] == 0) {
                const char* name = reinterpret_cast<const char*>(line + 4);
                size_t k = 0;
                while (k < 250 && name[k] != 13) ++k;
                lib->assign(name, k);
            }
            if (Memory::addr(line + len) > addr) return line[1] | (line[2] << 8);
            line += len;
        }
    };
    // PAGE and the library start may have been overwritten: no line then.
    int n = text_ok(page()) ? walk(page(), nullptr) : -1;
    if (n >= 0) return static_cast<uint16_t>(n);
    uint32_t lib = mem.fixed32(fixed::LibStart);
    if (lib && text_ok(lib)) {
        std::string name;
        n = walk(lib, &name);
        if (n >= 0) {
            if (library_name) *library_name = name;
            return static_cast<uint16_t>(n);
        }
    }
    return 0;
}

void Interp::stop_sequence(int status) {
    exit_status = status;
    sp = himem();
    uint8_t f = host.flags.load();
    if (f & (host::flag::Quit | host::flag::Tick | host::flag::Escape)) poll_waiting();
    // The screenshot is taken and the text mirror ends before the prompt.
    vdu_program_stopped();
    oswrch('>');
    mem.set_fixed8(fixed::Options, static_cast<uint8_t>((options() & 0x0F) | 0x30));
    mem.set_fixed32(fixed::OnError, 0);
    mem.set_fixed32(fixed::OnErrorLocalSp, 0);
    for (uint32_t off = fixed::OnTime; off <= fixed::OnMouse; off += 4) mem.set_fixed32(off, 0);
    static const uint8_t hide_cursor[] = {23, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t b : hide_cursor) oswrch(b);
    // In a window the prompt stays until Escape is pressed or the window
    // is closed; headless nobody can press Escape, so the engine ends at once.
    if (host.stop_waits()) {
        for (;;) {
            const int k = os->osrdch();
            if (k == 27 || k == os::kQuit) break;
        }
        host.flags.fetch_and(static_cast<uint8_t>(~host::flag::Escape));
        close_all_files(*this);
    }
    throw StopRun{status};
}

void stmt_skip_line(Interp& in) { in.skip_to_line_end(); }
void stmt_nothing(Interp&) {}
void stmt_syntax(Interp&) { raise(Err::SyntaxError); }
void stmt_when(Interp&) { raise(Err::WhenNotFirst); }

void stmt_end(Interp& in) {
    close_all_files(in);
    in.stop_sequence(0);
}

void stmt_stop(Interp& in) {
    in.count_newline();
    in.count_text("STOP");
    in.count_text(in.position_suffix());
    in.count_newline();
    in.stop_sequence(0);
}

void stmt_trace(Interp& in) {
    uint8_t c = in.skip_spaces();
    uint16_t limit;
    if (c == kTokOn) {
        ++in.p;
        limit = 65535;
    } else if (c == kTokOff) {
        ++in.p;
        limit = 0;
    } else {
        limit = static_cast<uint16_t>(in.int_expr() - 1);
    }
    in.mem.set_fixed16(fixed::TraceLimit, limit);
}

void stmt_tint(Interp& in) { in.int_expr(); }

void stmt_oscli(Interp& in) {
    Value s = in.str_expr();
    std::string cmd(s.view());
    in.oscli(cmd);
}

void stmt_off(Interp& in) {
    static const uint8_t seq[] = {23, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t b : seq) in.oswrch(b);
}

// ON: ON ERROR, ON TIME/CLOSE/MOVE/SYS/MOUSE, ON alone (show the cursor),
// or ON expression GOTO/GOSUB/PROC.
void stmt_on(Interp& in) {
    uint8_t c = in.skip_spaces();
    uint32_t handler_off = 0;
    switch (c) {
        case kTokError: ++in.p; on_error(in); return;
        case 0x91: case 0xD1: handler_off = fixed::OnTime; break;    // TIME
        case 0xD9: handler_off = fixed::OnClose; break;             // CLOSE
        case 0xEC: handler_off = fixed::OnMove; break;              // MOVE
        case 0x09: handler_off = fixed::OnSys; break;               // SYS
        case 0x04: handler_off = fixed::OnMouse; break;             // MOUSE
        default: break;
    }
    if (handler_off) {
        ++in.p;
        if (in.skip_spaces() == kTokOff) in.mem.set_fixed32(handler_off, 0);
        else in.mem.set_fixed32(handler_off, Memory::addr(in.p));
        in.skip_to_line_end();
        return;
    }
    if (in.at_statement_end()) {
        static const uint8_t seq[] = {23, 1, 1, 0, 0, 0, 0, 0, 0, 0};
        for (uint8_t b : seq) in.oswrch(b);
        return;
    }
    on_goto(in);
}

}  // namespace kov::interp
