// The function table and the numeric, memory and system functions.
// String, keyboard and FN functions live with their families.
#include "values/functions.h"

#include <array>
#include <cstring>

#include "interp/tokeniser.h"
#include "values/maths.h"
#include "values/numtext.h"
#include "values/strings.h"

namespace kov::values {

using interp::Interp;
using interp::Value;

// Built from the rows of KOV_FUNCTIONS, indexed by token.
static constexpr std::array<FunctionFn, 256> build_function_table() {
    std::array<FunctionFn, 256> t{};
#define KOV_FN_ROW(token, fn) t[token] = fn;
    KOV_FUNCTIONS(KOV_FN_ROW)
#undef KOV_FN_ROW
    return t;
}
static constexpr std::array<FunctionFn, 256> kFunctions = build_function_table();
const FunctionFn* const kFunctionTable = kFunctions.data();

namespace {

// Applies a numeric function to the following factor.
template <Num (*F)(Num, RealMode)>
Value unary(Interp& in) {
    Num x = in.num_factor();
    return Value::number(F(x, in.mode()));
}

Value fixed_int(Interp& in, uint32_t off) {
    return Value::integer(static_cast<int32_t>(in.mem.fixed32(off)));
}

}  // namespace

Value fn_abs(Interp& in) {
    Num x = in.num_factor();
    if (is_int(x) && as_int(x) != INT32_MIN) return Value::integer(as_int(x) < 0 ? -as_int(x) : as_int(x));
    return Value::number(num_abs(x, in.mode()));
}
Value fn_acs(Interp& in) { return unary<m_acs>(in); }
Value fn_asn(Interp& in) { return unary<m_asn>(in); }
Value fn_atn(Interp& in) { return unary<m_atn>(in); }
Value fn_cos(Interp& in) { return unary<m_cos>(in); }
Value fn_sin(Interp& in) { return unary<m_sin>(in); }
Value fn_tan(Interp& in) { return unary<m_tan>(in); }
Value fn_exp(Interp& in) { return unary<m_exp>(in); }
Value fn_ln(Interp& in) { return unary<m_ln>(in); }
Value fn_log(Interp& in) { return unary<m_log>(in); }
Value fn_sqr(Interp& in) { return unary<m_sqr>(in); }
Value fn_deg(Interp& in) { return unary<m_deg>(in); }
Value fn_rad(Interp& in) { return unary<m_rad>(in); }
Value fn_sgn(Interp& in) { return unary<m_sgn>(in); }
Value fn_int(Interp& in) {
    Num x = in.num_factor();
    if (is_int(x)) return Value::number(x);
    return Value::number(m_int(x, in.mode()));
}
Value fn_pi(Interp& in) { return Value::number(m_pi(in.mode())); }
Value fn_true(Interp&) { return Value::integer(-1); }
Value fn_false(Interp&) { return Value::integer(0); }
Value fn_not(Interp& in) { return Value::integer(~in.int_factor()); }

Value fn_rnd(Interp& in) {
    uint8_t* state = in.mem.fixed_area() + interp::fixed::RndSeed;
    if (*in.p == '(') {
        ++in.p;
        int32_t n = in.int_expr();
        in.close_bracket();
        return Value::number(rnd_call(state, n, in.mode()));
    }
    return Value::number(rnd_plain(state));
}

Value fn_page(Interp& in) { return fixed_int(in, interp::fixed::Page); }
Value fn_lomem(Interp& in) { return fixed_int(in, interp::fixed::Lomem); }
Value fn_himem(Interp& in) { return fixed_int(in, interp::fixed::Himem); }
Value fn_top(Interp& in) {
    // TOP is the token TO followed by P (p with lower-case keywords).
    if (*in.p == 'P' || (*in.p == 'p' && in.lowercase())) {
        ++in.p;
        return fixed_int(in, interp::fixed::Top);
    }
    raise(Err::SyntaxError);
}
Value fn_erl(Interp& in) { return Value::integer(in.mem.fixed16(interp::fixed::Erl)); }
Value fn_err(Interp& in) { return Value::integer(in.mem.fixed8(interp::fixed::ErrNum)); }

Value fn_val(Interp& in) {
    Value s = in.str_factor();
    return Value::number(num_val(s.view(), in.mode(), in.lowercase()));
}

Value fn_str(Interp& in) {
    bool hex = in.skip_spaces() == '~';
    if (hex) ++in.p;
    return str_of(in, in.num_factor(), hex);
}

Value str_of(Interp& in, Num x, bool hex) {
    if (!hex) {
        // Most STR$ results are whole numbers: written straight into the
        // accumulator.
        uint32_t acc = in.acc();
        size_t len = int_to_text(x, str_format(in.at_percent()), reinterpret_cast<char*>(interp::Memory::unchecked_ptr(acc)));
        if (len) return Value::string(acc, static_cast<uint8_t>(len));
    }
    std::string text = hex ? num_to_hex(x) : num_str(x, in.at_percent(), in.mode());
    return in.make_string(text);
}

// EVAL: tokenise the string and evaluate it from a copy on the BASIC stack.
Value fn_eval(Interp& in) {
    Value s = in.str_factor();
    std::string text(s.view());
    std::string tokens = interp::tokenise(text, interp::TokStart::Expression, in.lowercase());
    uint32_t len = static_cast<uint32_t>(tokens.size()) + 1;
    uint32_t size = (len + 3) & ~3u;
    in.push_room_check(size);
    uint32_t saved_sp = in.sp;
    in.sp -= size;
    std::memcpy(interp::Memory::unchecked_ptr(in.sp), tokens.data(), tokens.size());
    interp::Memory::unchecked_ptr(in.sp)[tokens.size()] = 13;
    const uint8_t* saved_p = in.p;
    in.p = interp::Memory::unchecked_ptr(in.sp);
    Value v = in.expr();
    if (v.is_str) v = in.to_acc(v);
    in.p = saved_p;
    in.sp = saved_sp;
    return v;
}


// SUM a(), SUM a$(), SUM LEN a$()
Value fn_sum(Interp& in) {
    bool sum_len = in.skip_spaces() == 0xA9;
    if (sum_len) { ++in.p; in.skip_spaces(); }
    bool bracket = *in.p == '(';
    if (bracket) { ++in.p; in.skip_spaces(); }
    interp::VarRef ref;
    interp::Lookup l = in.lookup_var(ref);
    if (l == interp::Lookup::NotFound) raise(Err::NoSuchVariable);
    if (l != interp::Lookup::Found || !(ref.type & interp::vtype::Array)) raise(Err::TypeMismatch);
    if (bracket) in.close_bracket();
    uint32_t desc = in.mem.read32(ref.addr);
    if (!desc) raise(Err::BadUseOfArray);
    uint8_t et = ref.type & ~interp::vtype::Array;
    uint32_t count = in.array_count(desc);
    uint32_t elems = desc + 1 + 4u * in.mem.read8(desc);
    uint32_t esize = Interp::element_size(et);
    if (et == interp::vtype::StrVar) {
        if (sum_len) {
            int64_t total = 0;
            for (uint32_t i = 0; i < count; ++i) total += in.mem.read8(elems + i * esize + 4);
            return Value::integer(static_cast<int32_t>(total));
        }
        uint8_t* out = interp::Memory::unchecked_ptr(in.acc());
        uint32_t n = 0;
        for (uint32_t i = 0; i < count; ++i) {
            Value e = in.load(interp::VarRef{elems + i * esize, et});
            if (n + e.str_len > 255) raise(Err::StringTooLong);
            std::memmove(out + n, interp::Memory::unchecked_ptr(e.str_addr), e.str_len);
            n += e.str_len;
        }
        return Value::string(in.acc(), static_cast<uint8_t>(n));
    }
    if (sum_len) raise(Err::TypeMismatch);
    Num total = num_int(0);
    for (uint32_t i = 0; i < count; ++i)
        total = num_add(total, in.load_num(interp::VarRef{elems + i * esize, et}), in.mode());
    return Value::number(total);
}

}  // namespace kov::values
