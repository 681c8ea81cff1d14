// The expression evaluator: recursive descent with one routine per
// priority level. Numeric left operands wait in native locals; string left
// operands wait on the BASIC stack, since the string accumulator is shared.
#include <array>
#include <cstring>

#include "interp/interp.h"
#include "interp/machine_code.h"
#include "interp/statements.h"
#include "values/functions.h"
#include "values/numtext.h"
#include "values/eval_ops.h"
#include "values/operators.h"
#include "values/plans.h"
#include "values/strings.h"

namespace kov::interp {

using namespace values;

namespace {

using namespace values::ops;

constexpr uint8_t kTokLineNumber = 0x8D;
constexpr uint8_t kTokDim = 0xDE;
constexpr uint8_t kTokReport = 0xF6;
constexpr uint8_t kTokTint = 0x0A;

inline Value truth(bool b) { return Value::integer(b ? -1 : 0); }


Num need_num(const Value& v) {
    if (v.is_str) raise(Err::TypeMismatch);
    return v.num;
}

// Reads a comparison or shift operator at p (first byte '<', '=' or '>').
uint8_t read_relation(Interp& in) {
    const uint8_t* q = in.p;
    uint8_t c1 = *q++;
    while (*q == ' ') ++q;
    int code = relation_code(c1, *q);
    if (code == 0) {
        in.p = q;
        return single_relation(c1);
    }
    if (code < 0) raise(Err::SyntaxError);
    ++q;
    if (code == Shl || code == Sar) {
        const uint8_t* r = q;
        while (*r == ' ') ++r;
        if (*r == c1) {
            in.p = r + 1;
            return code == Shl ? Shl3 : Shr;
        }
    }
    in.p = q;
    return static_cast<uint8_t>(code);
}

Value binary(Interp& in, int min);

// A comparison or shift with the left operand `a` (operator already read).
Value relation(Interp& in, const Value& a, uint8_t op) {
    if (a.is_str) {
        if (op >= Shl) raise(Err::SyntaxError);
        in.push_string(a, op);
        Value b = binary(in, 4);
        if (!b.is_str) raise(Err::TypeMismatch);
        // Compare against the pushed bytes in place, then release them.
        uint8_t len = static_cast<uint8_t>(in.peek32());
        int c = compare_strings(Value::string(in.sp + 4, len), b);
        in.sp += 4u + len;
        return truth(compare_result(c, op));
    }
    Num b = need_num(binary(in, 4));
    return Value::number(apply_relation(op, a.num, b, in.mode()));
}

// Operator-priority parsing. Operators of priority `min` or tighter are
// applied, left to right. Once an operator of priority q has been applied
// at this depth only priorities up to q follow, and after a comparison no
// second comparison: 1<2<3 leaves the second "<" for the caller.
Value binary_rest(Interp& in, Value a, int min);

// The common case, an operand with no operator after it, returns at once;
// the operator loop is kept out of line so this stays small.
Value binary(Interp& in, int min) {
    Value a = in.factor();
    const uint8_t* q = in.p;
    while (*q == ' ') ++q;
    in.p = q;
    if (kPriority[*q] < min) return a;
    return binary_rest(in, a, min);
}

[[gnu::noinline]] Value binary_rest(Interp& in, Value a, int min) {
    int lowest = 7;
    for (;;) {
        uint8_t c = in.skip_spaces();
        int prio = kPriority[c];
        if (prio < min || prio > lowest || (prio == 3 && lowest == 3)) return a;
        if (prio == 3) {
            a = relation(in, a, read_relation(in));
            lowest = 3;
            continue;
        }
        if (a.is_str) {
            if (c != '+') return a;
            ++in.p;
            in.push_string(a);
            Value b = binary(in, 5);
            if (!b.is_str) raise(Err::TypeMismatch);
            a = concat_with_pushed(in, b);
            lowest = 4;
            continue;
        }
        ++in.p;
        Num b = need_num(prio == 6 ? in.factor() : binary(in, prio + 1));
        RealMode m = in.mode();
        switch (c) {
            case kTokOr: a.num = num_int(int_of(a.num) | int_of(b)); break;
            case kTokEor: a.num = num_int(int_of(a.num) ^ int_of(b)); break;
            case kTokAnd: a.num = num_int(int_of(a.num) & int_of(b)); break;
            case '+': a.num = add_fast(a.num, b, m); break;
            case '-': a.num = sub_fast(a.num, b, m); break;
            case '*': a.num = mul_fast(a.num, b, m); break;
            case '/': a.num = num_div(a.num, b, m); break;
            case kTokDiv: a.num = num_int(num_idiv(a.num, b)); break;
            case kTokMod: a.num = num_int(num_imod(a.num, b)); break;
            default: a.num = num_pow(a.num, b, m); break;
        }
        lowest = prio;
    }
}

// A string literal: p is after the opening quote.
Value string_literal(Interp& in) {
    const uint8_t* start = in.p;
    const uint8_t* q = start;
    for (;;) {
        if (*q == 13) raise(Err::MissingQuote);
        if (*q == '"') {
            if (q[1] != '"') break;
            // Doubled quotes: build the text in the accumulator.
            uint8_t* out = Memory::unchecked_ptr(in.acc());
            size_t n = 0;
            q = start;
            for (;;) {
                if (*q == 13) raise(Err::MissingQuote);
                if (*q == '"') {
                    if (q[1] != '"') break;
                    ++q;
                }
                if (n == 255) raise(Err::StringTooLong);
                out[n++] = *q++;
            }
            in.p = q + 1;
            return Value::string(in.acc(), static_cast<uint8_t>(n));
        }
        ++q;
    }
    size_t len = static_cast<size_t>(q - start);
    in.p = q + 1;
    if (len > 255) raise(Err::StringTooLong);
    // The literal is used where it stands in the program text.
    return Value::string(Memory::addr(start), static_cast<uint8_t>(len));
}

// DIM(array()) and DIM(array(), k)
Value dim_function(Interp& in) {
    if (in.skip_spaces() != '(') raise(Err::SyntaxError);
    ++in.p;
    VarRef ref;
    in.skip_spaces();
    Lookup l = in.lookup_var(ref);
    if (l == Lookup::NotFound) raise(Err::NoSuchVariable);
    if (l != Lookup::Found || !(ref.type & vtype::Array)) raise(Err::TypeMismatch);
    uint32_t desc = in.mem.read32(ref.addr);
    if (!desc) raise(Err::BadUseOfArray);
    uint8_t dims = in.mem.read8(desc);
    if (in.skip_spaces() == ',') {
        ++in.p;
        int32_t k = in.int_expr() & 127;
        in.close_bracket();
        if (k == 0 || k > dims) raise(Err::BadSubscript);
        return Value::integer(static_cast<int32_t>(in.mem.read32(desc + 1 + 4u * (k - 1)) - 1));
    }
    in.close_bracket();
    return Value::integer(dims);
}

[[gnu::noinline]] Value call_function(Interp& in, uint8_t token) {
    if (in.sp - in.heap_top() <= 1024u) raise(Err::NoRoom);
    in.check_native_stack();
    ++in.p;
    return values::kFunctionTable[token](in);
}

}  // namespace

Value Interp::factor() {
    const uint8_t* q = p;
    while (*q == ' ') ++q;
    uint8_t c = *q;
    // A token (a function, the line-number token, DIM(...): never a name
    // or a literal the text cache could know. Functions go straight to
    // their handlers, with the checks factor_slow makes first.
    if (c >= 0x80) {
        p = q;
        if (c >= 0x8E && c <= 0xC6) return call_function(*this, c);
        return factor_slow(c);
    }
    // Static integer variable: one load from the fixed area.
    if (int slot = static_int_at(q); slot >= 0) {
        p = q + 2;
        return Value::integer(static_cast<int32_t>(mem.fixed32(static_cast<uint32_t>(slot))));
    }
    // A literal or a variable decoded before.
    TextCacheEntry* e = text_cache_slot(q);
    if (e->key == Memory::addr(q)) {
        if (e->kind == TextCacheEntry::Literal) {
            p = q + e->len;
            return Value::number(e->payload);
        }
        const uint8_t* r = q + e->len;
        if (*r != '?' && *r != '!') {
            uint32_t a = static_cast<uint32_t>(e->payload);
            uint8_t type = e->type;
            if (type & vtype::Array) {
                const uint8_t* b = r;
                while (*b == ' ') ++b;
                if (*b == ')') {   // a whole array is not a value
                    p = q;
                    return factor_slow(c);
                }
                p = r;
                a = array_element(a, type);
                type &= static_cast<uint8_t>(~vtype::Array);
                if (*p == '?' || *p == '!') {
                    // Binary indirection after the element: the general path.
                    VarRef ref{a, type};
                    return indirection_after(ref);
                }
            } else {
                p = r;
            }
            return load_resolved(*this, a, type);
        }
    }
    p = q;
    return factor_slow(c);
}

Value Interp::factor_slow(uint8_t c) {
    if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
    check_native_stack();
    if (c >= 0x8E && c <= 0xC6) {
        ++p;
        return values::kFunctionTable[c](*this);
    }
    switch (c) {
        case '0': case '1': case '2': case '3': case '4':
        case '5': case '6': case '7': case '8': case '9': case '.':
        case '&': case '%': {
            // Literals are decoded once and remembered by text address.
            TextCacheEntry* e = text_cache_slot(p);
            if (e->key == Memory::addr(p) && e->kind == TextCacheEntry::Literal) {
                p += e->len;
                return Value::number(e->payload);
            }
            const uint8_t* start = p;
            Num n = (c == '&' || c == '%') ? parse_hex_or_binary(p, lowercase())
                                           : parse_decimal(p, mode(), lowercase());
            if (text_cacheable(start) && p - start < 65536) {
                e->key = Memory::addr(start);
                e->len = static_cast<uint16_t>(p - start);
                e->kind = TextCacheEntry::Literal;
                e->payload = n;
            }
            return Value::number(n);
        }
        case '"':
            ++p;
            return string_literal(*this);
        case '(':
            return bracketed();
        case '-': {
            ++p;
            Value v = factor();
            if (v.is_str) raise(Err::TypeMismatch);
            if (is_int(v.num) && as_int(v.num) != INT32_MIN) return Value::integer(-as_int(v.num));
            return Value::number(num_neg(v.num, mode()));
        }
        case '+': {
            ++p;
            Value v = factor();
            if (v.is_str) raise(Err::TypeMismatch);
            return v;
        }
        case '^': {
            ++p;
            VarRef ref;
            Lookup l = lookup_var(ref);
            if (l == Lookup::NotFound) raise(Err::NoSuchVariable);
            if (l == Lookup::NotName) raise(Err::SyntaxError);
            return Value::integer(static_cast<int32_t>(ref.addr));
        }
        case kTokLineNumber: {
            // EVAL text may hold a bare token byte: the three encoded bytes
            // must all be there, each in &40..&7F.
            if ((p[1] & 0xC0) != 0x40 || (p[2] & 0xC0) != 0x40 || (p[3] & 0xC0) != 0x40) raise(Err::SyntaxError);
            uint8_t b1 = p[1] ^ 0x54;
            uint8_t low = static_cast<uint8_t>(((b1 << 2) & 0xC0) | (p[2] & 0x3F));
            uint8_t high = static_cast<uint8_t>(((b1 << 4) & 0xC0) | (p[3] & 0x3F));
            p += 4;
            return Value::integer(low | (high << 8));
        }
        case kTokReport:
            if (p[1] == '$') {
                p += 2;
                uint32_t a = mem.fixed32(fixed::ErrMsgAddr);
                uint8_t* out = Memory::unchecked_ptr(acc());
                size_t n = 0;
                while (n < 255) {
                    uint8_t b = mem.read8(a + static_cast<uint32_t>(n));
                    if (b == 0) break;
                    out[n++] = b;
                }
                return Value::string(acc(), static_cast<uint8_t>(n));
            }
            raise(Err::SyntaxError);
        case kTokDim:
            ++p;
            return dim_function(*this);
        case kTokTint:
            ++p;
            if (skip_spaces() != '(') raise(Err::SyntaxError);
            ++p;
            return Value::integer(interp::read_point(*this, true));
        default:
            break;
    }
    if (c >= 0x80 || (c >= 1 && c <= 0x0C) || c == 0) raise(Err::SyntaxError);
    VarRef ref;
    Lookup l = lookup_var(ref);
    if (l == Lookup::Found) {
        if (ref.type == vtype::Int) return Value::integer(static_cast<int32_t>(mem.read32(ref.addr)));
        return load(ref);
    }
    if (l == Lookup::NotFound) {
        if (asm_names_read_pc) return asm_unknown_name(*this);
        raise(Err::NoSuchVariable);
    }
    raise(Err::SyntaxError);
}

[[gnu::always_inline]] inline bool Interp::compiled_expr(Num& out) {
    CompiledSlot* s = m_compiler.slot(p);
    if (s->key == Memory::addr(p)) {
        if (s->state != CompiledSlot::Ready) return false;
    } else {
        // Compile text that stays put; text that cannot be compiled is
        // remembered as such until the next flush.
        if (!text_cacheable(p)) return false;
        if (!m_compiler.compile(*this, p, *s)) {
            if (m_compiler.retry_later()) return false;
            s->key = Memory::addr(p);
            s->state = CompiledSlot::Refused;
            return false;
        }
    }
    if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
    // Read before running: a function call may flush the slot and moves p.
    const uint8_t* after = p + s->len;
    out = m_compiler.run(*this, s->root);
    p = after;
    return true;
}

inline bool Interp::planned_expr(Value& out, Want want) {
    PlanSlot* s = m_plans.slot(p);
    if (s->key != Memory::addr(p) || s->state == PlanSlot::Later) {
        if (!text_cacheable(p) || !m_plans.enabled) return false;
        m_plans.build(*this, p, *s);
    }
    if (s->state != PlanSlot::Ready) return false;
    // A result of the other type: the evaluator raises the error.
    if (want != Want::Any && (want == Want::String) != (s->is_str != 0)) return false;
    out = run_plan(s);
    return true;
}

Value Interp::expr() {
    Num n;
    if (compiled_expr(n)) return Value::number(n);
    const PlanSlot* s = m_plans.slot(p);
    if (s->key == Memory::addr(p)) {
        if (s->state == PlanSlot::Ready) return run_plan(s);
        if (s->state == PlanSlot::Refused) return binary(*this, 1);
    }
    Value v;
    if (planned_expr(v, Want::Any)) return v;
    return binary(*this, 1);
}

namespace {
// num_expr for what neither the compiler nor a ready decoded form takes.
[[gnu::noinline]] Num num_expr_rest(Interp& in) {
    Value v;
    if (!in.planned_expr(v, Interp::Want::Number)) v = binary(in, 1);
    if (v.is_str) raise(Err::TypeMismatch);
    return v.num;
}
}  // namespace

Num Interp::num_expr() {
    Num n;
    if (compiled_expr(n)) return n;
    if (const PlanSlot* s = ready_plan(); s && !s->is_str) return run_plan(s).num;
    return num_expr_rest(*this);
}

int32_t Interp::int_expr() {
    Num n;
    if (compiled_expr(n)) return int_of(n);
    if (const PlanSlot* s = ready_plan(); s && !s->is_str) return int_of(run_plan(s).num);
    return int_of(num_expr_rest(*this));
}

Value Interp::str_expr() {
    Value v;
    if (!planned_expr(v, Want::String)) v = binary(*this, 1);
    if (!v.is_str) raise(Err::TypeMismatch);
    return v;
}

Num Interp::num_factor() {
    Value v = factor();
    if (v.is_str) raise(Err::TypeMismatch);
    return v.num;
}

int32_t Interp::int_factor() { return int_of(num_factor()); }

Value Interp::str_factor() {
    Value v = factor();
    if (!v.is_str) raise(Err::TypeMismatch);
    return v;
}

// Only factor_slow calls this, after its "No room" check: the compiled
// form makes the same check again, with the same outcome.
Value Interp::bracketed() {
    if (skip_spaces() != '(') raise(Err::SyntaxError);
    ++p;
    // A numeric expression in brackets (function arguments such as
    // CHR$(65+I% MOD 26)) runs from its compiled form like one at the
    // start of a statement; the compiled form ends where binary(1) would.
    Num n;
    Value v = compiled_expr(n) ? Value::number(n) : binary(*this, 1);
    close_bracket();
    return v;
}

Value Interp::make_string(std::string_view s) {
    size_t n = s.size() > 255 ? 255 : s.size();
    if (n) std::memmove(Memory::unchecked_ptr(acc()), s.data(), n);
    return Value::string(acc(), static_cast<uint8_t>(n));
}

Value Interp::to_acc(const Value& s) {
    if (s.str_addr != acc() && s.str_len) std::memmove(Memory::unchecked_ptr(acc()), Memory::unchecked_ptr(s.str_addr), s.str_len);
    return Value::string(acc(), s.str_len);
}

}  // namespace kov::interp
