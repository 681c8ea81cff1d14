// Strings: storage in variables and at $ addresses, concatenation and
// comparison for the evaluator, the string functions, and the statements
// that overwrite part of a string (LEFT$(, MID$(, RIGHT$( on the left of
// "=").
//
// Every string a function builds is built at the start of the string
// accumulator, a 256-byte buffer on a 256-byte boundary, so no result can
// exceed 255 bytes.
#include "values/strings.h"

#include <algorithm>
#include <cstring>

#include "interp/statements.h"
#include "values/functions.h"

namespace kov::values {

using interp::Interp;
using interp::Memory;
using interp::Value;
using interp::VarRef;
namespace vtype = interp::vtype;

namespace {

uint8_t* host_ptr(uint32_t addr) { return Memory::unchecked_ptr(addr); }

// A result made of `len` bytes at `src`, copied to the accumulator start.
Value to_accumulator(Interp& in, uint32_t src, uint32_t len) {
    uint32_t acc = in.acc();
    if (len && src != acc) std::memmove(host_ptr(acc), host_ptr(src), len);
    return Value::string(acc, static_cast<uint8_t>(len));
}

int compare_bytes(const uint8_t* a, uint32_t a_len, const uint8_t* b, uint32_t b_len) {
    // An empty string may have address 0: no bytes are compared then.
    uint32_t n = std::min(a_len, b_len);
    int c = n ? std::memcmp(a, b, n) : 0;
    if (c) return c < 0 ? -1 : 1;
    if (a_len == b_len) return 0;
    return a_len < b_len ? -1 : 1;
}

}  // namespace

Value hold(Interp& in, const Value& s) {
    if (s.str_addr - in.acc() >= 256u) return s;
    in.push_string(s);
    return Value::string(in.sp + 4, s.str_len);
}

// ---- storage ----

void store_string_var(Interp& in, uint32_t descriptor, const Value& s) {
    uint8_t* d = in.mem.at(descriptor, 6);
    uint32_t text;
    std::memcpy(&text, d, 4);
    uint8_t len = s.str_len;
    uint8_t size = d[5];
    if (len > size) {
        // A new block of L+7 bytes (at most 255): the old block grows in
        // place when it is the last thing in the heap, otherwise it is
        // abandoned and the new block taken at the heap top.
        uint32_t new_size = std::min<uint32_t>(len + 7u, 255u);
        uint32_t top = in.heap_top_checked();
        if (text + size != top) text = top;
        uint32_t end = text + new_size;
        in.check_room_for(end);
        in.set_heap_top(end);
        std::memcpy(d, &text, 4);
        d[5] = static_cast<uint8_t>(new_size);
    }
    d[4] = len;
    if (len) std::memmove(in.mem.at(text, len), host_ptr(s.str_addr), len);
    // A variable's descriptor and text normally both lie between TOP and
    // HIMEM, where neither program nor library text can be: one range test
    // settles the common case. Anything else (a descriptor reached through
    // indirection, a heap top moved into the program) goes to the watcher.
    const uint32_t top = in.mem.fixed32(interp::fixed::Top);
    const uint64_t himem = in.mem.fixed32(interp::fixed::Himem);
    if (descriptor < top || text < top || descriptor + uint64_t{6} > himem || text + uint64_t{len} > himem) {
        in.mem.note_store(descriptor, 6);
        in.mem.note_store(text, len);
    }
}

void store_dollar_string(Interp& in, uint32_t addr, const Value& s) {
    uint8_t* q = in.mem.at(addr, s.str_len + 1u);
    if (s.str_len) std::memmove(q, host_ptr(s.str_addr), s.str_len);
    q[s.str_len] = 13;
    in.mem.note_store(addr, s.str_len + 1u);
}

Value load_dollar_string(Interp& in, uint32_t addr) {
    // The length is the low byte of the CR's offset: a text with no CR in
    // its first 256 bytes comes out empty.
    uint32_t n = 0;
    const uint8_t* src;
    if (in.mem.valid(addr, 256)) {
        src = in.mem.at(addr, 256);
        const void* cr = std::memchr(src, 13, 256);
        n = cr ? static_cast<uint32_t>(static_cast<const uint8_t*>(cr) - src) : 256u;
    } else {
        // Near the end of accessible memory: step byte by byte, so the
        // error comes only when the scan really runs off the end.
        while (n < 256 && in.mem.read8(addr + n) != 13) ++n;
        src = n ? in.mem.at(addr, n) : nullptr;
    }
    n &= 0xFF;
    uint32_t acc = in.acc();
    if (n) std::memmove(host_ptr(acc), src, n);
    return Value::string(acc, static_cast<uint8_t>(n));
}

// ---- operators ----

Value concat_with_pushed(Interp& in, StrBytes right) {
    uint32_t left_len = in.peek32() & 0xFF;
    uint32_t total = left_len + right.len;
    if (total > 255) raise(Err::StringTooLong);
    // memmove copies as if from the last byte backwards when the areas
    // overlap upwards, so a right operand at the accumulator start moves
    // intact; then the left operand is popped in front of it.
    uint8_t* acc = host_ptr(in.acc());
    const uint8_t* src = host_ptr(right.addr);
    if (right.len == 1) acc[left_len] = src[0];
    else if (right.len) std::memmove(acc + left_len, src, right.len);
    // pop_string: the left operand's bytes in front.
    in.sp += 4;
    if (left_len) std::memmove(acc, host_ptr(in.sp), left_len);
    in.sp += left_len;
    return Value::string(in.acc(), static_cast<uint8_t>(total));
}

int compare_strings(StrBytes a, StrBytes b) {
    return compare_bytes(host_ptr(a.addr), a.len, host_ptr(b.addr), b.len);
}

// ---- functions ----

// ASC s: the first byte, -1 for the empty string.
Value fn_asc(Interp& in) {
    Value s = in.str_factor();
    return Value::integer(s.str_len ? host_ptr(s.str_addr)[0] : -1);
}

// CHR$ n: one byte, the low byte of n.
Value fn_chr(Interp& in) { return chr_of(in, in.int_factor()); }

Value chr_of(Interp& in, int32_t code) {
    uint32_t acc = in.acc();
    host_ptr(acc)[0] = static_cast<uint8_t>(code);
    return Value::string(acc, 1);
}

// LEN s.
Value fn_len(Interp& in) { return Value::integer(in.str_factor().str_len); }

// LEFT$(s, n): the first n bytes (n low byte), all of s when n >= LEN s.
Value fn_left(Interp& in) {
    uint32_t saved_sp = in.sp;
    Value s = hold(in, in.str_expr());
    in.comma();
    uint32_t n = static_cast<uint8_t>(in.int_expr());
    in.close_bracket();
    Value r = left_of(in, bytes_of(s), n);
    in.sp = saved_sp;
    return r;
}

Value left_of(Interp& in, StrBytes s, uint32_t n) {
    return to_accumulator(in, s.addr, std::min<uint32_t>(n, s.len));
}

// RIGHT$(s, n): the last n bytes (n low byte), all of s when n >= LEN s.
Value fn_right(Interp& in) {
    uint32_t saved_sp = in.sp;
    Value s = hold(in, in.str_expr());
    in.comma();
    uint32_t n = static_cast<uint8_t>(in.int_expr());
    in.close_bracket();
    Value r = right_of(in, bytes_of(s), n);
    in.sp = saved_sp;
    return r;
}

Value right_of(Interp& in, StrBytes s, uint32_t n) {
    n = std::min<uint32_t>(n, s.len);
    return to_accumulator(in, s.addr + s.len - n, n);
}

// MID$(s, m [, n]): from position m (1-based, low byte; 0 acts as 1) to
// the end, at most n bytes (low byte) when n is given.
Value fn_mid(Interp& in) {
    uint32_t saved_sp = in.sp;
    Value s = hold(in, in.str_expr());
    in.comma();
    uint32_t m = static_cast<uint8_t>(in.int_expr());
    uint32_t n = 255;
    if (in.skip_spaces() == ',') {
        ++in.p;
        n = static_cast<uint8_t>(in.int_expr());
    }
    in.close_bracket();
    Value r = mid_of(in, bytes_of(s), m, n);
    in.sp = saved_sp;
    return r;
}

Value mid_of(Interp& in, StrBytes s, uint32_t m, uint32_t n) {
    uint32_t start = m ? m - 1 : 0;
    uint32_t len = start < s.len ? std::min<uint32_t>(n, s.len - start) : 0;
    return to_accumulator(in, s.addr + start, len);
}

// INSTR(s, t [, p]): the position of t in s at or after position p.
Value fn_instr(Interp& in) {
    uint32_t saved_sp = in.sp;
    Value s = hold(in, in.str_expr());
    in.comma();
    Value t = in.str_expr();
    int32_t from = 1;
    if (in.skip_spaces() == ',') {
        ++in.p;
        t = hold(in, t);
        from = in.int_expr();
    }
    in.close_bracket();
    // The held copies stay intact below the released stack area: nothing
    // is pushed before the search below has finished.
    in.sp = saved_sp;
    return Value::integer(instr_of(bytes_of(s), bytes_of(t), from));
}

int32_t instr_of(StrBytes s, StrBytes t, int32_t from) {
    // Not found when t is empty, p is negative, or p - 1 is not inside s.
    if (from < 0 || t.len == 0) return 0;
    uint32_t start = from ? static_cast<uint32_t>(from) - 1 : 0;
    uint32_t s_len = s.len, t_len = t.len;
    if (start >= s_len) return 0;
    if (t_len > s_len - start) return 0;
    const uint8_t* s_bytes = host_ptr(s.addr);
    const uint8_t* t_bytes = host_ptr(t.addr);
    // Look for t's first byte at each place t would still fit; at each hit
    // compare the rest of t.
    const uint8_t first = t_bytes[0];
    const uint8_t* last = s_bytes + (s_len - t_len);
    for (const uint8_t* q = s_bytes + start; q <= last; ++q) {
        if (*q != first) continue;
        uint32_t k = 1;
        while (k < t_len && q[k] == t_bytes[k]) ++k;
        if (k == t_len) return static_cast<int32_t>(q - s_bytes + 1);
    }
    return 0;
}

// STRING$(n, s): s repeated n times (n low byte).
Value fn_string(Interp& in) {
    uint32_t n = static_cast<uint8_t>(in.int_expr());
    in.comma();
    Value s = in.str_expr();
    in.close_bracket();
    uint32_t acc = in.acc();
    if (n == 0 || s.str_len == 0) return Value::string(acc, 0);
    // s once at the start, then copies of it appended one after another;
    // reaching the end of the 256-byte accumulator is "String too long".
    uint32_t len = s.str_len;
    if (n * len > 255) raise(Err::StringTooLong);
    uint8_t* a = host_ptr(acc);
    std::memmove(a, host_ptr(s.str_addr), len);
    for (uint32_t i = 1; i < n; ++i) std::memcpy(a + i * len, a, len);
    return Value::string(acc, static_cast<uint8_t>(n * len));
}

}  // namespace kov::values

namespace kov::interp {

namespace {

enum class Part { Left, Mid, Right };

// The statement forms LEFT$(t,n)=v, MID$(t,m[,n])=v and RIGHT$(t,n)=v: the
// bytes of v overwrite bytes of t in place; t's length never changes.
void partial_assign(Interp& in, Part part) {
    VarRef ref;
    if (!in.get_ref(ref)) raise(Err::SyntaxError);
    if (ref.type != vtype::StrVar && ref.type != vtype::StrMem) {
        raise((ref.type & vtype::Array) ? Err::BadUseOfArray : Err::TypeMismatch);
    }
    in.comma();
    uint32_t first = static_cast<uint32_t>(in.int_expr());
    uint32_t count = 255;
    if (part == Part::Mid) {
        if (in.skip_spaces() == ',') {
            ++in.p;
            count = static_cast<uint8_t>(in.int_expr());
        }
    } else {
        count = static_cast<uint8_t>(first);
    }
    in.close_bracket();
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    Value v = in.str_expr();

    // The target's text and length, read after v (v may have changed it).
    uint32_t text;
    uint32_t length;
    if (ref.type == vtype::StrVar) {
        const uint8_t* d = in.mem.at(ref.addr, 6);
        std::memcpy(&text, d, 4);
        length = d[4];
    } else {
        text = ref.addr;
        length = 0;
        while (length < 255 && in.mem.read8(ref.addr + length) != 13) ++length;
    }

    uint32_t k = std::min<uint32_t>(count, v.str_len);
    uint32_t start = 0;
    if (part == Part::Mid) start = static_cast<uint8_t>(first - 1);
    else if (part == Part::Right) start = length > k ? length - k : 0;
    if (start >= length) return;
    uint32_t n = std::min(k, length - start);
    // Over program text this is a store like any other: through the
    // checked store that tells the caches.
    in.mem.store_bytes(text + start, Memory::unchecked_ptr(v.str_addr), n);
}

}  // namespace

void stmt_left_assign(Interp& in) { partial_assign(in, Part::Left); }
void stmt_mid_assign(Interp& in) { partial_assign(in, Part::Mid); }
void stmt_right_assign(Interp& in) { partial_assign(in, Part::Right); }

}  // namespace kov::interp
