// Decoded expressions: the decoder, which walks the text as binary(1)
// and factor() would, and the runner, which replays the steps.
#include "values/plans.h"

#include <cstring>

#include "interp/interp.h"
#include "values/eval_ops.h"
#include "values/numtext.h"
#include "values/operators.h"
#include "values/strings.h"

namespace kov::interp {

using namespace values;
using namespace values::ops;

namespace {

// The steps, each with what it does to the values waiting.
#define KOV_PLAN_STEPS(X)                                                              \
    X(EndNum)     /* the value on top is the result */                                 \
    X(EndStr)                                                                          \
    X(StaticInt)  /* value: fixed-area offset */                                       \
    X(Var)        /* text: name (read through the text cache) */                       \
    X(NumLit)     /* text: literal (read through the text cache) */                    \
    X(StrLit)     /* text, len: the bytes between the quotes */                        \
    X(Compiled)   /* text: a numeric expression the compiler takes */                  \
    X(RoomHeap)   /* compiled_expr's "No room" check */                                \
    X(Const)      /* value: number word */                                             \
    X(VarDirect)  /* value: value address; arg: numeric type code */                   \
    X(ToInt)      /* the integer conversion of int_expr */                             \
    X(Neg)                                                                             \
    X(Len)                                                                             \
    X(Asc)                                                                             \
    X(Chr)                                                                             \
    X(Str)        /* arg: 1 for STR$~ */                                               \
    X(HoldSave)   /* hold the string on top, remember the stack pointer */             \
    X(Hold)                                                                            \
    X(Left)                                                                            \
    X(Right)                                                                           \
    X(Mid2)                                                                            \
    X(Mid3)                                                                            \
    X(Instr2)                                                                          \
    X(Instr3)                                                                          \
    X(PushStr)    /* left operand of "+" to the BASIC stack */                         \
    X(Concat)                                                                          \
    X(PushStrRel) /* left operand of a string comparison; arg: code */                 \
    X(CmpStr)                                                                          \
    X(NumOp)      /* arg: operator byte */                                             \
    X(NumRel)     /* arg: comparison or shift code */                                  \
    X(VarLen)     /* Var then Len */                                                   \
    X(NumRelLit)  /* NumLit then NumRel */                                             \
    X(StaticStr)  /* StaticInt then Str (not STR$~) */                                 \
    X(VarPush)    /* Var then PushStr */                                               \
    X(VarHold)    /* Var then HoldSave */                                              \
    X(ChrConcat)  /* Chr then Concat */                                                \
    X(LitInstr2)  /* StrLit then Instr2 */                                             \
    X(ConstOp)    /* Const then NumOp: value: the right operand; arg: operator */     \
    X(LenOp)      /* VarLen then NumOp; arg: operator */

enum Step : uint8_t {
#define KOV_STEP_ENUM(name) name,
    KOV_PLAN_STEPS(KOV_STEP_ENUM)
#undef KOV_STEP_ENUM
    kStepCount
};
// A step whose entry is its number plus kStepCount first makes
// factor_slow's "No room" and native stack checks.
static_assert(2 * kStepCount <= 256);

constexpr uint8_t kTokAsc = 0x97;
constexpr uint8_t kTokInstr = 0xA7;
constexpr uint8_t kTokLen = 0xA9;
constexpr uint8_t kTokChr = 0xBD;
constexpr uint8_t kTokLeft = 0xC0;
constexpr uint8_t kTokMid = 0xC1;
constexpr uint8_t kTokRight = 0xC2;
constexpr uint8_t kTokStr = 0xC3;

}  // namespace

// Walks the text as the evaluator would, emitting steps. Every check the
// evaluator makes while parsing is made here; where it would raise an
// error, the expression is refused and left to the evaluator.
class PlanBuilder {
public:
    enum Outcome { Ok, Refuse, Later };

    PlanBuilder(Interp& in, std::vector<PlanStep>& steps, const uint8_t* p)
        : q(p), m_in(in), m_steps(steps), m_mark(steps.size()) {}

    Outcome expression(bool& is_str) {
        if (!binary(1, is_str)) return m_outcome;
        return Ok;
    }

    const uint8_t* q;

private:
    Interp& m_in;
    std::vector<PlanStep>& m_steps;
    size_t m_mark;                 // the first step of this expression
    int m_depth = 0;
    Outcome m_outcome = Ok;
    // Inside an expression the numeric compiler takes: steps that do what
    // its code does (no checks on the way, literals and variables read
    // without the text cache).
    bool m_compiled = false;
    bool m_room_pending = false;   // the next step makes the checks first

    bool refuse() {
        m_outcome = Refuse;
        return false;
    }
    bool later() {
        m_outcome = Later;
        return false;
    }
    void skip() {
        while (*q == ' ') ++q;
    }
    // Turns the step just emitted, when it is a `first`, into `joined`:
    // that step and the one being emitted in one.
    bool join(uint8_t first, uint8_t joined, uint8_t arg = 0) {
        if (m_steps.size() <= m_mark || m_room_pending || m_steps.back().op != first) return false;
        PlanStep& b = m_steps.back();
        b.entry = static_cast<uint8_t>(b.entry - b.op + joined);
        b.op = joined;
        b.arg = arg;
        return true;
    }
    // Emits a step that takes `pops` values and leaves `pushes`.
    bool emit(uint8_t op, int pops, int pushes, uint8_t arg = 0, uint32_t text = 0, uint64_t value = 0, uint8_t len = 0) {
        m_depth += pushes - pops;
        if (m_depth > ExprPlans::kMaxDepth) return refuse();
        // Pairs common enough to be one step. Each second step works on the
        // value the first has just left on top, and the text, length and
        // value fields are the first step's.
        switch (op) {
            case Len: if (join(Var, VarLen)) return true; break;
            case NumRel: if (join(NumLit, NumRelLit, arg)) return true; break;
            case Str: if (arg == 0 && join(StaticInt, StaticStr)) return true; break;
            case PushStr: if (join(Var, VarPush)) return true; break;
            case HoldSave: if (join(Var, VarHold)) return true; break;
            case Concat: if (join(Chr, ChrConcat)) return true; break;
            case Instr2: if (join(StrLit, LitInstr2)) return true; break;
            case NumOp: if (join(Const, ConstOp, arg) || join(VarLen, LenOp, arg)) return true; break;
            default: break;
        }
        // The list never grows past its reserve (runs keep pointers into
        // it); one place is kept for the End step.
        if (m_steps.size() + 1 >= m_steps.capacity()) return refuse();
        PlanStep s;
        s.op = op;
        s.entry = static_cast<uint8_t>(m_room_pending ? op + kStepCount : op);
        m_room_pending = false;
        s.arg = arg;
        s.len = len;
        s.text = text;
        s.value = value;
        m_steps.push_back(s);
        return true;
    }
    // factor_slow's checks, made on entry to the next step. Two checks with
    // nothing between them see the same heap and stack: one is enough.
    void room() { m_room_pending = true; }

    bool binary(int min, bool& is_str) {
        if (!factor(is_str)) return false;
        skip();
        if (kPriority[*q] < min) return true;
        return rest(min, is_str);
    }

    // As binary_rest: the same priorities and the same "lowest" rule.
    bool rest(int min, bool& is_str) {
        int lowest = 7;
        for (;;) {
            skip();
            uint8_t c = *q;
            int prio = kPriority[c];
            if (prio < min || prio > lowest || (prio == 3 && lowest == 3)) return true;
            bool right_str;
            if (prio == 3) {
                int code = relation();
                if (code < 0) return refuse();
                if (is_str) {
                    if (code >= Shl) return refuse();
                    if (!emit(PushStrRel, 1, 0, static_cast<uint8_t>(code))) return false;
                    if (!binary(4, right_str)) return false;
                    if (!right_str) return refuse();
                    if (!emit(CmpStr, 1, 1, static_cast<uint8_t>(code))) return false;
                } else {
                    if (!binary(4, right_str)) return false;
                    if (right_str) return refuse();
                    if (!emit(NumRel, 2, 1, static_cast<uint8_t>(code))) return false;
                }
                is_str = false;
                lowest = 3;
                continue;
            }
            if (is_str) {
                if (c != '+') return true;
                ++q;
                if (!emit(PushStr, 1, 0)) return false;
                if (!binary(5, right_str)) return false;
                if (!right_str) return refuse();
                if (!emit(Concat, 1, 1)) return false;
                lowest = 4;
                continue;
            }
            ++q;
            if (!(prio == 6 ? factor(right_str) : binary(prio + 1, right_str))) return false;
            if (right_str) return refuse();
            if (!emit(NumOp, 2, 1, c)) return false;
            lowest = prio;
        }
    }

    // As read_relation; -1 where it would raise.
    int relation() {
        const uint8_t* r = q;
        uint8_t c1 = *r++;
        while (*r == ' ') ++r;
        int code = relation_code(c1, *r);
        if (code == 0) {
            q = r;
            return single_relation(c1);
        }
        if (code < 0) return -1;
        ++r;
        if (code == Shl || code == Sar) {
            const uint8_t* t = r;
            while (*t == ' ') ++t;
            if (*t == c1) {
                q = t + 1;
                return code == Shl ? Shl3 : Shr;
            }
        }
        q = r;
        return code;
    }

    bool factor(bool& is_str) {
        if (m_compiled) {
            is_str = false;
            return compiled_factor();
        }
        skip();
        uint8_t c = *q;
        if (c >= 0x8E && c <= 0xC6) return function(c, is_str);
        if (int slot = static_int_at(q); slot >= 0) {
            q += 2;
            is_str = false;
            return emit(StaticInt, 0, 1, 0, 0, static_cast<uint32_t>(slot));
        }
        const uint32_t at = Memory::addr(q);
        TextCacheEntry* e = m_in.text_cache_slot(q);
        if (e->key == at) {
            if (e->kind == TextCacheEntry::Literal) {
                q += e->len;
                is_str = false;
                return emit(NumLit, 0, 1, 0, at);
            }
            const uint8_t* r = q + e->len;
            if (e->kind != TextCacheEntry::Variable || (e->type & vtype::Array) || *r == '?' || *r == '!') return refuse();
            q = r;
            is_str = e->type == vtype::StrVar;
            return emit(Var, 0, 1, e->type, at, e->payload);
        }
        switch (c) {
            case '(':
                // bracketed(): the compiled form of the contents when there
                // is one (its "No room" check repeats the one just made),
                // else the evaluator's parse.
                room();
                ++q;
                if (compilable()) {
                    is_str = false;
                    if (!compiled_region(false)) return false;
                } else if (!binary(1, is_str)) {
                    return false;
                }
                skip();
                if (*q != ')') return refuse();
                ++q;
                return true;
            case '"': {
                room();
                const uint8_t* start = ++q;
                while (*q != '"') {
                    if (*q == 13) return refuse();
                    ++q;
                }
                if (q[1] == '"' || q - start > 255) return refuse();
                uint8_t len = static_cast<uint8_t>(q - start);
                ++q;
                is_str = true;
                return emit(StrLit, 0, 1, 0, Memory::addr(start), 0, len);
            }
            case '-':
            case '+': {
                room();
                ++q;
                bool operand_str;
                if (!factor(operand_str)) return false;
                if (operand_str) return refuse();
                is_str = false;
                return c == '+' || emit(Neg, 1, 1);
            }
            default:
                break;
        }
        // A literal or a name the evaluator has not decoded yet here.
        if ((c >= '0' && c <= '9') || c == '.' || c == '&' || c == '%') return later();
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '`') return later();
        return refuse();
    }

    bool function(uint8_t c, bool& is_str) {
        room();
        ++q;
        bool t;
        switch (c) {
            case kTokLen:
            case kTokAsc:
                if (!factor(t)) return false;
                if (!t) return refuse();
                is_str = false;
                return emit(c == kTokLen ? Len : Asc, 1, 1);
            case kTokChr:
                if (!factor(t)) return false;
                if (t) return refuse();
                is_str = true;
                return emit(Chr, 1, 1);
            case kTokStr: {
                skip();
                bool hex = *q == '~';
                if (hex) ++q;
                if (!factor(t)) return false;
                if (t) return refuse();
                is_str = true;
                return emit(Str, 1, 1, hex ? 1 : 0);
            }
            case kTokLeft:
            case kTokRight:
                if (!string_arg() || !emit(HoldSave, 0, 1) || !comma() || !int_arg() || !close()) return false;
                is_str = true;
                return emit(c == kTokLeft ? Left : Right, 3, 1);
            case kTokMid: {
                if (!string_arg() || !emit(HoldSave, 0, 1) || !comma() || !int_arg()) return false;
                skip();
                bool length = *q == ',';
                if (length) {
                    ++q;
                    if (!int_arg()) return false;
                }
                if (!close()) return false;
                is_str = true;
                return length ? emit(Mid3, 4, 1) : emit(Mid2, 3, 1);
            }
            case kTokInstr: {
                if (!string_arg() || !emit(HoldSave, 0, 1) || !comma() || !string_arg()) return false;
                skip();
                bool from = *q == ',';
                if (from) {
                    ++q;
                    if (!emit(Hold, 0, 0) || !int_arg()) return false;
                }
                if (!close()) return false;
                is_str = false;
                return from ? emit(Instr3, 4, 1) : emit(Instr2, 3, 1);
            }
            default:
                return refuse();
        }
    }

    // A factor inside a compiled expression, as the compiler reads it.
    // False for anything else; the caller then runs the compiled code.
    bool compiled_factor() {
        skip();
        uint8_t c = *q;
        if (int slot = static_int_at(q); slot >= 0) {
            q += 2;
            return emit(StaticInt, 0, 1, 0, 0, static_cast<uint32_t>(slot));
        }
        if ((c >= '0' && c <= '9') || c == '.' || c == '&' || c == '%') {
            Num n;
            try {
                n = (c == '&' || c == '%') ? parse_hex_or_binary(q, m_in.lowercase())
                                           : parse_decimal(q, m_in.mode(), m_in.lowercase());
            } catch (const BasicError&) {
                return refuse();
            }
            return emit(Const, 0, 1, 0, 0, n);
        }
        switch (c) {
            case '(': {
                ++q;
                bool t;
                if (!binary(1, t)) return false;
                skip();
                if (*q != ')') return refuse();
                ++q;
                return true;
            }
            case '-':
            case '+':
                ++q;
                if (!compiled_factor()) return false;
                return c == '+' || emit(Neg, 1, 1);
            default:
                break;
        }
        // A plain numeric variable the compiler resolved.
        TextCacheEntry* e = m_in.text_cache_slot(q);
        if (e->key != Memory::addr(q) || e->kind != TextCacheEntry::Variable) return refuse();
        const uint8_t* r = q + e->len;
        if (*r == '?' || *r == '!') return refuse();
        if (e->type != vtype::Int && e->type != vtype::Real5 && e->type != vtype::Real8) return refuse();
        q = r;
        return emit(VarDirect, 0, 1, e->type, 0, e->payload);
    }

    // The compiled expression at q (compilable() is true): its code's
    // steps, or when the decoder cannot follow it, a run of the code.
    // `check` gives compiled_expr's "No room" check where it is not a
    // repeat of the one just made.
    bool compiled_region(bool check) {
        const uint8_t* start = q;
        const uint16_t len = m_in.m_compiler.slot(q)->len;
        const size_t mark = m_steps.size();
        const int depth = m_depth;
        const bool room_pending = m_room_pending;
        m_compiled = true;
        bool t;
        bool ok = (!check || emit(RoomHeap, 0, 0)) && binary(1, t) && q == start + len;
        m_compiled = false;
        if (ok) return true;
        m_steps.resize(mark);
        m_depth = depth;
        m_room_pending = room_pending;
        m_outcome = Ok;
        q = start + len;
        return emit(Compiled, 0, 1, 0, Memory::addr(start));
    }

    // Whether the numeric compiler takes the expression at q, found as
    // compiled_expr finds it (a first attempt is remembered either way).
    bool compilable() {
        CompiledSlot* s = m_in.m_compiler.slot(q);
        const uint32_t at = Memory::addr(q);
        if (s->key != at && !m_in.m_compiler.compile(m_in, q, *s)) {
            s->key = at;
            s->state = CompiledSlot::Refused;
        }
        return s->state == CompiledSlot::Ready;
    }
    bool comma() {
        skip();
        if (*q != ',') return refuse();
        ++q;
        return true;
    }
    bool close() {
        skip();
        if (*q != ')') return refuse();
        ++q;
        return true;
    }
    // str_expr().
    bool string_arg() {
        bool t;
        if (!binary(1, t)) return false;
        return t || refuse();
    }
    // int_expr(): the compiled form when there is one (it makes its own
    // "No room" check), else the evaluator's parse; then the conversion.
    bool int_arg() {
        if (compilable()) {
            if (!compiled_region(true)) return false;
        } else {
            bool t;
            if (!binary(1, t)) return false;
            if (t) return refuse();
        }
        return emit(ToInt, 1, 1);
    }
};

void ExprPlans::build(Interp& in, const uint8_t* p, PlanSlot& slot) {
    const uint32_t key = Memory::addr(p);
    uint8_t retries = slot.key == key && slot.state == PlanSlot::Later ? slot.retries : 0;
    if (m_running == 0 && m_steps.size() > kMaxSteps) flush();
    slot.key = key;
    slot.state = PlanSlot::Refused;
    // What the numeric compiler takes is left to it (expr and num_expr try
    // a ready decoded form first).
    CompiledSlot* cs = in.m_compiler.slot(p);
    if (cs->key != key && !in.m_compiler.compile(in, p, *cs)) {
        if (in.m_compiler.retry_later()) {
            // A function call not resolved yet: the compiler may take the
            // expression later, so neither form is settled now.
            if (retries < kMaxRetries) {
                slot.state = PlanSlot::Later;
                slot.retries = static_cast<uint8_t>(retries + 1);
            }
            return;
        }
        cs->key = key;
        cs->state = CompiledSlot::Refused;
    }
    if (cs->state == CompiledSlot::Ready) return;
    const size_t mark = m_steps.size();
    PlanBuilder b(in, m_steps, p);
    bool is_str = false;
    PlanBuilder::Outcome r = b.expression(is_str);
    if (r == PlanBuilder::Ok && b.q - p <= 65535) {
        PlanStep end;
        end.op = end.entry = is_str ? EndStr : EndNum;
        m_steps.push_back(end);
        slot.state = PlanSlot::Ready;
        slot.is_str = is_str;
        slot.len = static_cast<uint16_t>(b.q - p);
        slot.start = static_cast<uint32_t>(mark);
        return;
    }
    m_steps.resize(mark);
    if (r == PlanBuilder::Later && retries < kMaxRetries) {
        slot.state = PlanSlot::Later;
        slot.retries = static_cast<uint8_t>(retries + 1);
    }
}

void ExprPlans::flush() {
    for (PlanSlot& s : m_slots) s = PlanSlot{};
    // Steps being run stay until the outermost run has finished.
    if (m_running == 0) m_steps.clear();
}

namespace {

// The general cases of the operators, kept out of the runner.
[[gnu::noinline]] Num arithmetic(uint8_t c, Num a, Num b, RealMode m) { return apply_arithmetic(c, a, b, m); }
[[gnu::noinline]] Num relation(uint8_t op, Num a, Num b, RealMode m) { return apply_relation(op, a, b, m); }

// A value waiting in a run: a number word, or a string's address and
// length packed in one word. Each is written and read as whole words, the
// form the runner keeps it in (never a Value's mixed-size fields).
struct Cell {
    Num num;
    uint64_t str;
};

inline uint64_t pack(const Value& v) { return v.str_addr | (static_cast<uint64_t>(v.str_len) << 32); }
inline StrBytes bytes(uint64_t str) { return {static_cast<uint32_t>(str), static_cast<uint32_t>(str >> 32)}; }
// Interp::push_bytes on a packed string.
inline void push_packed(Interp& in, uint64_t str, uint8_t code = 0) {
    uint32_t len = static_cast<uint8_t>(str >> 32);
    in.push_room_check(4u + len);
    in.sp -= len;
    if (len) std::memmove(Memory::unchecked_ptr(in.sp), Memory::unchecked_ptr(static_cast<uint32_t>(str)), len);
    in.push32(len | (static_cast<uint32_t>(code) << 8));
}
// hold() on a packed string.
inline uint64_t hold_packed(Interp& in, uint64_t str) {
    uint32_t addr = static_cast<uint32_t>(str);
    if (addr - in.acc() >= 256u) return str;
    push_packed(in, str);
    return (in.sp + 4) | (str & 0xFF00000000ull);
}
inline Value unpack(uint64_t str) {
    return Value::string(static_cast<uint32_t>(str), static_cast<uint8_t>(str >> 32));
}
inline void put(Cell& c, const Value& v) {
    if (v.is_str) c.str = pack(v);
    else c.num = v.num;
}
// load_resolved for a string variable, packed.
inline uint64_t load_string(Interp& in, uint32_t a) {
    const uint8_t* v = a < fixed::Size ? in.mem.fixed_area() + a : Memory::unchecked_ptr(a);
    uint32_t addr;
    std::memcpy(&addr, v, 4);
    // The descriptor may have been overwritten through indirection.
    if (v[4]) in.mem.at(addr, v[4]);
    return addr | (static_cast<uint64_t>(v[4]) << 32);
}
// STR$ of a number, packed: whole numbers written straight into the
// accumulator here, anything else by str_of.
inline uint64_t str_packed(Interp& in, Num x) {
    uint32_t acc = in.acc();
    size_t len = int_to_text(x, str_format(in.at_percent()), reinterpret_cast<char*>(Memory::unchecked_ptr(acc)));
    if (len) return acc | (static_cast<uint64_t>(len) << 32);
    return pack(str_of(in, x, false));
}
// The arithmetic operators of binary_rest on two numbers.
[[gnu::always_inline]] inline Num num_op(uint8_t op, Num a, Num b, const Interp& in) {
    if (is_int(a) && is_int(b)) {
        int32_t r;
        // The integer cases of add_fast and sub_fast.
        if (op == '+' && !__builtin_add_overflow(as_int(a), as_int(b), &r)) return num_int(r);
        if (op == '-' && !__builtin_sub_overflow(as_int(a), as_int(b), &r)) return num_int(r);
        // num_imod and num_idiv with a positive divisor.
        if (op == kTokMod && as_int(b) > 0) return num_int(as_int(a) % as_int(b));
        if (op == kTokDiv && as_int(b) > 0) return num_int(as_int(a) / as_int(b));
    }
    return arithmetic(op, a, b, in.mode());
}

// Counts a run in progress while it lasts, also when it raises.
struct Running {
    int& n;
    explicit Running(int& r) : n(r) { ++n; }
    ~Running() { --n; }
};

}  // namespace

// The evaluator's factor at `text` (a name or literal the text cache has
// lost): it may call functions, flush and decode again.
Value ExprPlans::nested_factor(Interp& in, uint32_t text) {
    Running running(m_running);
    in.p = Memory::unchecked_ptr(text);
    return in.factor();
}

// The string variable named at `text`, packed: as a Var step reads it.
inline uint64_t ExprPlans::string_var(Interp& in, uint32_t text) {
    const TextCacheEntry* e = in.text_cache_slot(Memory::unchecked_ptr(text));
    if (e->key == text && e->kind == TextCacheEntry::Variable) {
        if (e->type == vtype::StrVar) return load_string(in, static_cast<uint32_t>(e->payload));
        return pack(load_resolved(in, static_cast<uint32_t>(e->payload), e->type));
    }
    return pack(nested_factor(in, text));
}

// A run of the compiled expression at `text`.
Num ExprPlans::nested_num_expr(Interp& in, uint32_t text) {
    Running running(m_running);
    in.p = Memory::unchecked_ptr(text);
    return in.num_expr();
}

Value ExprPlans::run(Interp& in, uint32_t start) {
    // Steps never move (the list does not grow past its reserve), and a
    // flush while a step hands work to the evaluator keeps them until it
    // has finished (nested_factor, nested_num_expr); no other step can
    // flush.
    Cell cells[kMaxDepth + 1];
    Cell* top = cells;   // next free place
    const PlanStep* s = m_steps.data() + start;
    static void* const kLabels[] = {
#define KOV_STEP_LABEL(name) &&L_##name,
        KOV_PLAN_STEPS(KOV_STEP_LABEL)
#undef KOV_STEP_LABEL
#define KOV_STEP_CHECKED(name) &&C_##name,
        KOV_PLAN_STEPS(KOV_STEP_CHECKED)
#undef KOV_STEP_CHECKED
    };
    static_assert(sizeof kLabels / sizeof *kLabels == 2 * kStepCount);
#define NEXT goto* kLabels[(++s)->entry]
    goto* kLabels[s->entry];

    // The checked entries: factor_slow's checks, then the step.
#define KOV_STEP_CHECK(name)                                    \
    C_##name:                                                   \
    if (in.sp - in.heap_top() <= 1024u) raise(Err::NoRoom);     \
    in.check_native_stack();                                    \
    goto L_##name;
    KOV_PLAN_STEPS(KOV_STEP_CHECK)
#undef KOV_STEP_CHECK

L_EndNum:
    return Value::number(top[-1].num);
L_EndStr:
    return unpack(top[-1].str);
L_StaticInt:
    (top++)->num = num_int(static_cast<int32_t>(in.mem.fixed32(static_cast<uint32_t>(s->value))));
    NEXT;
L_Var: {
    // As factor(): the remembered decoding when the cache still has it.
    const TextCacheEntry* e = in.text_cache_slot(Memory::unchecked_ptr(s->text));
    if (e->key == s->text && e->kind == TextCacheEntry::Variable) {
        put(*top++, load_resolved(in, static_cast<uint32_t>(e->payload), e->type));
    } else {
        put(*top++, nested_factor(in, s->text));
    }
    NEXT;
}
L_NumLit: {
    const TextCacheEntry* e = in.text_cache_slot(Memory::unchecked_ptr(s->text));
    if (e->key == s->text && e->kind == TextCacheEntry::Literal) {
        (top++)->num = e->payload;
    } else {
        (top++)->num = nested_factor(in, s->text).num;
    }
    NEXT;
}
L_StrLit:
    (top++)->str = s->text | (static_cast<uint64_t>(s->len) << 32);
    NEXT;
L_Compiled:
    (top++)->num = nested_num_expr(in, s->text);
    NEXT;
L_RoomHeap:
    if (in.sp - in.heap_top() <= 1024u) raise(Err::NoRoom);
    NEXT;
L_Const:
    (top++)->num = s->value;
    NEXT;
L_VarDirect:
    (top++)->num = load_resolved(in, static_cast<uint32_t>(s->value), s->arg).num;
    NEXT;
L_ToInt:
    if (!is_int(top[-1].num)) top[-1].num = num_int(values::to_int(top[-1].num));
    NEXT;
L_Neg: {
    Num x = top[-1].num;
    top[-1].num = is_int(x) && as_int(x) != INT32_MIN ? num_int(-as_int(x)) : num_neg(x, in.mode());
    NEXT;
}
L_Len:
    top[-1].num = num_int(static_cast<uint8_t>(top[-1].str >> 32));
    NEXT;
L_Asc: {
    uint64_t v = top[-1].str;
    top[-1].num = num_int(static_cast<uint8_t>(v >> 32) ? Memory::unchecked_ptr(static_cast<uint32_t>(v))[0] : -1);
    NEXT;
}
L_Chr:
    top[-1].str = pack(chr_of(in, int_of(top[-1].num)));
    NEXT;
L_Str:
    top[-1].str = s->arg ? pack(str_of(in, top[-1].num, true)) : str_packed(in, top[-1].num);
    NEXT;
L_StaticStr:
    (top++)->str = str_packed(in, num_int(static_cast<int32_t>(in.mem.fixed32(static_cast<uint32_t>(s->value)))));
    NEXT;
L_HoldSave: {
    // The stack pointer before the string argument was evaluated:
    // evaluation leaves it as it found it.
    uint32_t saved = in.sp;
    top[-1].str = hold_packed(in, top[-1].str);
    (top++)->num = saved;
    NEXT;
}
L_Hold:
    top[-1].str = hold_packed(in, top[-1].str);
    NEXT;
L_Left: {
    // string, saved stack pointer, count
    uint32_t count = static_cast<uint8_t>(as_int(top[-1].num));
    uint32_t saved = static_cast<uint32_t>(top[-2].num);
    top -= 2;
    top[-1].str = pack(left_of(in, bytes(top[-1].str), count));
    in.sp = saved;
    NEXT;
}
L_Right: {
    uint32_t count = static_cast<uint8_t>(as_int(top[-1].num));
    uint32_t saved = static_cast<uint32_t>(top[-2].num);
    top -= 2;
    top[-1].str = pack(right_of(in, bytes(top[-1].str), count));
    in.sp = saved;
    NEXT;
}
L_Mid2:
L_Mid3: {
    uint32_t length = 255;
    if (s->op == Mid3) length = static_cast<uint8_t>(as_int((--top)->num));
    uint32_t from = static_cast<uint8_t>(as_int(top[-1].num));
    uint32_t saved = static_cast<uint32_t>(top[-2].num);
    top -= 2;
    top[-1].str = pack(mid_of(in, bytes(top[-1].str), from, length));
    in.sp = saved;
    NEXT;
}
L_Instr2:
L_Instr3: {
    int32_t from = 1;
    if (s->op == Instr3) from = as_int((--top)->num);
    in.sp = static_cast<uint32_t>(top[-2].num);
    // The held copies stay intact below the released stack area.
    int32_t r = instr_of(bytes(top[-3].str), bytes(top[-1].str), from);
    top -= 2;
    top[-1].num = num_int(r);
    NEXT;
}
L_PushStr:
    --top;
    push_packed(in, top->str);
    NEXT;
L_Concat:
    top[-1].str = pack(concat_with_pushed(in, bytes(top[-1].str)));
    NEXT;
L_PushStrRel:
    --top;
    push_packed(in, top->str, s->arg);
    NEXT;
L_CmpStr: {
    uint8_t len = static_cast<uint8_t>(in.peek32());
    int c = compare_strings(StrBytes{in.sp + 4, len}, bytes(top[-1].str));
    in.sp += 4u + len;
    top[-1].num = num_int(compare_result(c, s->arg) ? -1 : 0);
    NEXT;
}
L_NumOp:
    --top;
    top[-1].num = num_op(s->arg, top[-1].num, top->num, in);
    NEXT;
L_ConstOp:
    top[-1].num = num_op(s->arg, top[-1].num, s->value, in);
    NEXT;
L_LenOp: {
    Num len = num_int(static_cast<uint8_t>(string_var(in, s->text) >> 32));
    top[-1].num = num_op(s->arg, top[-1].num, len, in);
    NEXT;
}
L_NumRel: {
    --top;
    Num a = top[-1].num, b = top->num;
    if (s->arg < Shl && is_int(a) && is_int(b)) {
        int32_t x = as_int(a), y = as_int(b);
        top[-1].num = num_int(compare_result(x < y ? -1 : x > y ? 1 : 0, s->arg) ? -1 : 0);
        NEXT;
    }
    top[-1].num = relation(s->arg, a, b, in.mode());
    NEXT;
}
L_VarLen:
    (top++)->num = num_int(static_cast<uint8_t>(string_var(in, s->text) >> 32));
    NEXT;
L_NumRelLit: {
    const TextCacheEntry* e = in.text_cache_slot(Memory::unchecked_ptr(s->text));
    Num b;
    if (e->key == s->text && e->kind == TextCacheEntry::Literal) {
        b = e->payload;
    } else {
        b = nested_factor(in, s->text).num;
    }
    Num a = top[-1].num;
    if (s->arg < Shl && is_int(a) && is_int(b)) {
        int32_t x = as_int(a), y = as_int(b);
        top[-1].num = num_int(compare_result(x < y ? -1 : x > y ? 1 : 0, s->arg) ? -1 : 0);
        NEXT;
    }
    top[-1].num = relation(s->arg, a, b, in.mode());
    NEXT;
}
L_VarPush: {
    // The string on the BASIC stack as the left operand of "+".
    push_packed(in, string_var(in, s->text));
    NEXT;
}
L_VarHold: {
    uint64_t v = string_var(in, s->text);
    uint32_t saved = in.sp;
    (top++)->str = hold_packed(in, v);
    (top++)->num = saved;
    NEXT;
}
L_ChrConcat: {
    // CHR$ leaves its byte at the accumulator start (also when the
    // concatenation then fails); then concat_with_pushed with that byte.
    uint32_t acc = in.acc();
    uint8_t* a = Memory::unchecked_ptr(acc);
    const uint8_t byte = static_cast<uint8_t>(int_of(top[-1].num));
    a[0] = byte;
    uint32_t left_len = in.peek32() & 0xFF;
    if (left_len == 255) raise(Err::StringTooLong);
    a[left_len] = byte;
    in.sp += 4;
    if (left_len) std::memmove(a, Memory::unchecked_ptr(in.sp), left_len);
    in.sp += left_len;
    top[-1].str = acc | (static_cast<uint64_t>(left_len + 1) << 32);
    NEXT;
}
L_LitInstr2: {
    // string, saved stack pointer; the literal is the sought string.
    in.sp = static_cast<uint32_t>(top[-1].num);
    int32_t r = instr_of(bytes(top[-2].str), StrBytes{s->text, s->len}, 1);
    --top;
    top[-1].num = num_int(r);
    NEXT;
}
#undef NEXT
}

}  // namespace kov::interp
