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

enum Step : uint8_t {
    End,
    Room,         // factor_slow's "No room" and native stack checks
    StaticInt,    // value: fixed-area offset
    Var,          // text: name; value: value address; arg: type code
    NumLit,       // text: literal
    StrLit,       // text, len: the bytes between the quotes
    Compiled,     // text: a numeric argument the compiler takes
    RoomHeap,     // compiled_expr's "No room" check
    Const,        // value: number word
    VarDirect,    // value: value address; arg: numeric type code
    ToInt,        // the integer conversion of int_expr
    Neg,
    Len,
    Asc,
    Chr,
    Str,          // arg: 1 for STR$~
    HoldSave,     // hold the string on top, remember the stack pointer
    Hold,
    Left,
    Right,
    Mid2,
    Mid3,
    Instr2,
    Instr3,
    PushStr,      // left operand of "+" to the BASIC stack
    Concat,
    PushStrRel,   // left operand of a string comparison; arg: code
    CmpStr,
    NumOp,        // arg: operator byte
    NumRel,       // arg: comparison or shift code
};

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

    PlanBuilder(Interp& in, std::vector<PlanStep>& steps, const uint8_t* p) : q(p), m_in(in), m_steps(steps) {}

    Outcome expression(bool& is_str) {
        if (!binary(1, is_str)) return m_outcome;
        return Ok;
    }

    const uint8_t* q;

private:
    Interp& m_in;
    std::vector<PlanStep>& m_steps;
    int m_depth = 0;
    Outcome m_outcome = Ok;
    // Inside an expression the numeric compiler takes: steps that do what
    // its code does (no checks on the way, literals and variables read
    // without the text cache).
    bool m_compiled = false;
    size_t m_room_at = SIZE_MAX;   // index just after the last Room step

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
    // Emits a step that takes `pops` values and leaves `pushes`.
    bool emit(uint8_t op, int pops, int pushes, uint8_t arg = 0, uint32_t text = 0, uint64_t value = 0, uint8_t len = 0) {
        m_depth += pushes - pops;
        if (m_depth > ExprPlans::kMaxDepth) return refuse();
        PlanStep s;
        s.op = op;
        s.arg = arg;
        s.len = len;
        s.text = text;
        s.value = value;
        m_steps.push_back(s);
        return true;
    }
    // Two checks with nothing between them see the same heap and stack.
    bool room() {
        if (m_room_at == m_steps.size()) return true;
        emit(Room, 0, 0);
        m_room_at = m_steps.size();
        return true;
    }

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
        const size_t room_at = m_room_at;
        m_compiled = true;
        bool t;
        bool ok = (!check || emit(RoomHeap, 0, 0)) && binary(1, t) && q == start + len;
        m_compiled = false;
        if (ok) return true;
        m_steps.resize(mark);
        m_depth = depth;
        m_room_at = room_at;
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
    const size_t mark = m_steps.size();
    PlanBuilder b(in, m_steps, p);
    bool is_str = false;
    PlanBuilder::Outcome r = b.expression(is_str);
    if (r == PlanBuilder::Ok && b.q - p <= 65535) {
        m_steps.push_back(PlanStep{End});
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
inline int32_t int_value(const Value& v) { return as_int(v.num); }
}  // namespace

Value ExprPlans::run(Interp& in, uint32_t start) {
    // A general evaluation reached from a step (a name the cache has lost,
    // a compiled argument) may decode other expressions and so add steps,
    // moving the list: steps are fetched by index.
    struct Running {
        int& n;
        explicit Running(int& r) : n(r) { ++n; }
        ~Running() { --n; }
    } running(m_running);
    // The values waiting: left uninitialised, each is written before use.
    union Cell {
        Value v;
        Cell() {}
    } cells[kMaxDepth + 1];
    Value* st = &cells[0].v;
    static_assert(sizeof(Cell) == sizeof(Value));
    int n = 0;
    for (uint32_t i = start;; ++i) {
        // Fetched afresh each time; no step uses it after a call that may
        // add steps.
        const PlanStep& s = m_steps[i];
        switch (s.op) {
            case End:
                return st[0];
            case Room:
                if (in.heap_top() + 1024u >= in.sp) raise(Err::NoRoom);
                in.check_native_stack();
                break;
            case StaticInt:
                st[n++] = Value::integer(static_cast<int32_t>(in.mem.fixed32(static_cast<uint32_t>(s.value))));
                break;
            case Var: {
                const TextCacheEntry* e = in.text_cache_slot(Memory::ptr(s.text));
                if (e->key == s.text && e->kind == TextCacheEntry::Variable && e->type == s.arg && e->payload == s.value) {
                    st[n++] = load_resolved(in, static_cast<uint32_t>(s.value), s.arg);
                } else {
                    in.p = Memory::ptr(s.text);
                    st[n++] = in.factor();
                }
                break;
            }
            case NumLit: {
                const TextCacheEntry* e = in.text_cache_slot(Memory::ptr(s.text));
                if (e->key == s.text && e->kind == TextCacheEntry::Literal) {
                    st[n++] = Value::number(e->payload);
                } else {
                    in.p = Memory::ptr(s.text);
                    st[n++] = in.factor();
                }
                break;
            }
            case StrLit:
                st[n++] = Value::string(s.text, s.len);
                break;
            case Compiled:
                in.p = Memory::ptr(s.text);
                st[n++] = Value::number(in.num_expr());
                break;
            case RoomHeap:
                if (in.heap_top() + 1024u >= in.sp) raise(Err::NoRoom);
                break;
            case Const:
                st[n++] = Value::number(s.value);
                break;
            case VarDirect:
                st[n++] = load_resolved(in, static_cast<uint32_t>(s.value), s.arg);
                break;
            case ToInt:
                st[n - 1] = Value::integer(int_of(st[n - 1].num));
                break;
            case Neg: {
                Num x = st[n - 1].num;
                st[n - 1] = is_int(x) && as_int(x) != INT32_MIN ? Value::integer(-as_int(x))
                                                                : Value::number(num_neg(x, in.mode()));
                break;
            }
            case Len:
                st[n - 1] = Value::integer(st[n - 1].str_len);
                break;
            case Asc: {
                const Value& v = st[n - 1];
                st[n - 1] = Value::integer(v.str_len ? Memory::ptr(v.str_addr)[0] : -1);
                break;
            }
            case Chr:
                st[n - 1] = chr_of(in, int_of(st[n - 1].num));
                break;
            case Str:
                st[n - 1] = str_of(in, st[n - 1].num, s.arg != 0);
                break;
            case HoldSave: {
                // The stack pointer before the string argument was
                // evaluated: evaluation leaves it as it found it.
                uint32_t saved = in.sp;
                st[n - 1] = hold(in, st[n - 1]);
                st[n++] = Value::number(saved);
                break;
            }
            case Hold:
                st[n - 1] = hold(in, st[n - 1]);
                break;
            case Left:
            case Right: {
                uint32_t count = static_cast<uint8_t>(int_value(st[n - 1]));
                uint32_t saved = static_cast<uint32_t>(st[n - 2].num);
                Value r = s.op == Left ? left_of(in, st[n - 3], count) : right_of(in, st[n - 3], count);
                in.sp = saved;
                n -= 2;
                st[n - 1] = r;
                break;
            }
            case Mid2:
            case Mid3: {
                uint32_t length = 255;
                if (s.op == Mid3) length = static_cast<uint8_t>(int_value(st[--n]));
                uint32_t from = static_cast<uint8_t>(int_value(st[n - 1]));
                uint32_t saved = static_cast<uint32_t>(st[n - 2].num);
                Value r = mid_of(in, st[n - 3], from, length);
                in.sp = saved;
                n -= 2;
                st[n - 1] = r;
                break;
            }
            case Instr2:
            case Instr3: {
                int32_t from = 1;
                if (s.op == Instr3) from = int_value(st[--n]);
                uint32_t saved = static_cast<uint32_t>(st[n - 2].num);
                // The held copies stay intact below the released stack area.
                in.sp = saved;
                int32_t r = instr_of(st[n - 3], st[n - 1], from);
                n -= 2;
                st[n - 1] = Value::integer(r);
                break;
            }
            case PushStr:
                in.push_string(st[--n]);
                break;
            case Concat:
                st[n - 1] = concat_with_pushed(in, st[n - 1]);
                break;
            case PushStrRel:
                in.push_string(st[--n], s.arg);
                break;
            case CmpStr: {
                uint8_t len = static_cast<uint8_t>(in.peek32());
                int c = compare_strings(Value::string(in.sp + 4, len), st[n - 1]);
                in.sp += 4u + len;
                st[n - 1] = Value::integer(compare_result(c, s.arg) ? -1 : 0);
                break;
            }
            case NumOp: {
                Num b = st[--n].num;
                st[n - 1].num = apply_arithmetic(s.arg, st[n - 1].num, b, in.mode());
                break;
            }
            case NumRel: {
                Num b = st[--n].num;
                st[n - 1] = Value::number(apply_relation(s.arg, st[n - 1].num, b, in.mode()));
                break;
            }
        }
    }
}

}  // namespace kov::interp
