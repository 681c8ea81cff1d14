// Variables: static integers, the 54 variable chains, the system-variable
// chain, arrays, indirection, loads and stores, LET, DIM and SWAP.
#include <cstring>
#include <string>

#include "interp/interp.h"
#include "interp/statements.h"
#include "values/plans.h"
#include "values/strings.h"

namespace kov::interp {

using namespace values;

namespace {

// Chain head offset in the fixed area for a first character, or 0 when
// the character does not start a chained name.
uint32_t chain_head_for(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return fixed::ChainHeads + 4 * (c - 'A');
    if (c == '_') return fixed::ChainHeads + 4 * 26;
    if (c == '`') return fixed::ChainHeads + 4 * 27;
    if (c >= 'a' && c <= 'z') return fixed::ChainHeads + 4 * (28 + c - 'a');
    return 0;
}

bool is_name_start(uint8_t c) {
    return (c >= '@' && c <= 'Z') || c == '_' || (c >= '`' && c <= 'z');
}

uint8_t type_from_suffix(uint8_t c) {
    switch (c) {
        case '$': return vtype::StrVar;
        case '%': return vtype::Int;
        case '#': return vtype::Real8;
        default: return vtype::Real5;
    }
}

// Where a record lives: fixed-area records (system variables) are read
// through the fixed area, heap records directly.
inline const uint8_t* rec_ptr(Memory& mem, uint32_t rec) {
    return rec < fixed::Size ? mem.fixed_area() + rec : Memory::unchecked_ptr(rec);
}

}  // namespace



uint32_t Interp::array_count(uint32_t desc) {
    const uint8_t* d = descriptor(desc);
    uint32_t n = 1;
    for (int i = 0; i < d[0]; ++i) {
        uint32_t s;
        std::memcpy(&s, d + 1 + 4 * i, 4);
        n *= s;
    }
    return n;
}

// Searches one chain for the name at `name` (first character already
// chosen the chain). On success returns the record address and sets
// `name_end` past the matched text and `tail_last` to the record's last
// tail character (0 for an empty tail).
static uint32_t search_chain(Interp& in, uint32_t head_off, const uint8_t* name, bool float64,
                             const uint8_t*& name_end, uint8_t& tail_last) {
    Memory& mem = in.mem;
    uint32_t rec = mem.fixed32(head_off);
    uint32_t steps = 0;
    // A link that a program has overwritten through indirection ends a walk.
    while (rec && in.record_ok(rec) && ++steps < Interp::kMaxChainSteps) {
        const uint8_t* r = rec_ptr(mem, rec);
        const uint8_t* n = r + 4;
        const uint8_t* t = name + 1;
        uint8_t last = name[0];
        bool skipped_hash = false;
        for (;;) {
            if (*n == 0) break;
            if (*n == *t) { last = *n; ++n; ++t; continue; }
            if (float64 && *n == '#' && (n[1] == 0 || n[1] == '(') && *t != '%' && *t != '$') {
                ++n;
                skipped_hash = true;
                continue;
            }
            break;
        }
        bool match = false;
        if (*n == 0) {
            uint8_t next = *t;
            if (last == '(') match = true;
            else if (!is_name_char(next) && next != '$' && next != '%' && next != '#' && next != '(') match = true;
            else if (next == '(') match = false;
            else if (is_name_char(last)) match = false;
            else match = true;
            if (match && float64) {
                // Without a % or $ suffix in the text only a # record matches.
                uint8_t tl = n == r + 4 ? 0 : n[-1];
                if (tl == '(') tl = n - 1 == r + 4 ? 0 : n[-2];
                bool text_suffix = (last == '%' || last == '$' || (last == '(' && (t[-2] == '%' || t[-2] == '$')));
                if (!text_suffix && tl != '#') match = false;
                (void)skipped_hash;
            }
        }
        if (match) {
            name_end = t;
            tail_last = n == r + 4 ? 0 : n[-1];
            return rec;
        }
        uint32_t next;
        std::memcpy(&next, r, 4);
        rec = next;
    }
    return 0;
}

// Finds a variable by name. `p` is at the first character. Returns the
// outcome; when found, `ref` holds the value address and type (arrays:
// the descriptor slot with type + Array, not yet subscripted) and `end`
// the text after the name.
static Lookup find_name(Interp& in, const uint8_t* p, VarRef& ref, const uint8_t*& end) {
    uint8_t c = p[0];
    if (!is_name_start(c)) return Lookup::NotName;
    if ((c == '@' || (c >= 'A' && c <= 'Z')) && p[1] == '%' && p[2] != '(') {
        ref.addr = 4u * (c - '@');
        ref.type = vtype::Int;
        end = p + 2;
        return Lookup::Found;
    }
    TextCacheEntry* e = in.text_cache_slot(p);
    if (e->key == Memory::addr(p) && e->kind == TextCacheEntry::Variable) {
        ref.addr = static_cast<uint32_t>(e->payload);
        ref.type = e->type;
        end = p + e->len;
        return Lookup::Found;
    }
    uint32_t head = c == '@' ? fixed::SysVars : chain_head_for(c);
    if (!head) return Lookup::NotName;
    const uint8_t* name_end;
    uint8_t tail_last;
    bool f64 = in.options() & kOptFloat64;
    uint32_t rec;
    if (c == '@') {
        // The system variables form a fixed chain whose head word is at
        // SysVars; their names never take the FLOAT 64 rule.
        rec = search_chain(in, fixed::SysVars, p, false, name_end, tail_last);
    } else {
        rec = search_chain(in, head, p, f64, name_end, tail_last);
    }
    // Each name must at least be scanned to find `end` for NotFound.
    if (!rec) {
        const uint8_t* q = p + 1;
        while (is_name_char(*q)) ++q;
        if (*q == '$' || *q == '%' || *q == '#') ++q;
        end = q;
        return Lookup::NotFound;
    }
    const uint8_t* r = rec_ptr(in.mem, rec);
    size_t tail_len = std::strlen(reinterpret_cast<const char*>(r + 4));
    uint32_t value_addr = rec + 4 + static_cast<uint32_t>(tail_len) + 1;
    if (tail_last == '(') {
        uint8_t suffix = tail_len >= 2 ? r[4 + tail_len - 2] : 0;
        ref.type = type_from_suffix(suffix) | vtype::Array;
    } else {
        ref.type = type_from_suffix(tail_last);
    }
    ref.addr = value_addr;
    end = name_end;
    if (in.text_cacheable(p)) {
        e->key = Memory::addr(p);
        e->len = static_cast<uint16_t>(name_end - p);
        e->kind = TextCacheEntry::Variable;
        e->type = ref.type;
        e->payload = value_addr;
    }
    return Lookup::Found;
}

uint32_t Interp::create_var(const uint8_t* name, const uint8_t* name_end, uint32_t head_off, uint32_t vsize) {
    ++names_resolved;
    // Record: link, tail (+ '#' in FLOAT 64 mode for suffix-less names), 0, value.
    size_t tail_len = static_cast<size_t>(name_end - name - 1);
    bool is_array = tail_len && name_end[-1] == '(';
    uint8_t suffix = name_end - name >= 2 ? (is_array ? name_end[-2] : name_end[-1]) : 0;
    bool add_hash = (options() & kOptFloat64) && suffix != '$' && suffix != '%' && suffix != '#';
    uint32_t rec = heap_top_checked();
    uint32_t size = 4 + static_cast<uint32_t>(tail_len) + (add_hash ? 1 : 0) + 1 + vsize;
    check_room_for(rec + size);
    uint8_t* r = Memory::unchecked_ptr(rec);
    // A program running text it placed above the heap top names a variable
    // in the very bytes its record is about to take: copy the name out first.
    std::string moved;
    if (name + 1 < r + size && name_end > r) {
        moved.assign(reinterpret_cast<const char*>(name), tail_len + 1);
        name = reinterpret_cast<const uint8_t*>(moved.data());
    }
    std::memset(r, 0, size);
    uint8_t* t = r + 4;
    if (is_array) {
        std::memcpy(t, name + 1, tail_len - 1);
        t += tail_len - 1;
        if (add_hash) *t++ = '#';
        *t++ = '(';
    } else {
        std::memcpy(t, name + 1, tail_len);
        t += tail_len;
        if (add_hash) *t++ = '#';
    }
    *t++ = 0;
    set_heap_top(rec + size);
    if (rec < top()) [[unlikely]] mem.note_store(rec, size);   // a heap top moved into the program
    // Link at the end of the chain.
    uint32_t link_addr = head_off;
    uint32_t next = mem.fixed32(head_off);
    if (next == 0) {
        mem.set_fixed32(head_off, rec);
    } else {
        uint32_t steps = 0;
        while (next && record_ok(next) && ++steps < kMaxChainSteps) {
            link_addr = next;
            std::memcpy(&next, rec_ptr(mem, next), 4);
        }
        // A damaged link is replaced by the new record.
        if (link_addr < fixed::Size) mem.set_fixed32(link_addr, rec);
        else std::memcpy(Memory::unchecked_ptr(link_addr), &rec, 4);
    }
    return Memory::addr(t);
}

uint32_t Interp::array_element(uint32_t slot, uint8_t type) {
    uint32_t desc = slot < fixed::Size ? mem.fixed32(slot) : mem.read32(slot);
    if (desc == 0) raise(Err::BadUseOfArray);
    const uint8_t* d = descriptor(desc);
    uint8_t dims = d[0];
    if (dims == 0) raise(Err::BadUseOfArray);
    uint32_t index = 0;
    for (int k = 0; k < dims; ++k) {
        int32_t s = int_expr();
        uint32_t size;
        std::memcpy(&size, d + 1 + 4 * k, 4);
        if (static_cast<uint32_t>(s) >= size) raise(Err::BadSubscript);
        index = index * size + static_cast<uint32_t>(s);
        if (k + 1 < dims) comma();
    }
    close_bracket();
    return desc + 1 + 4u * dims + index * element_size(type & ~vtype::Array);
}

Value Interp::indirection_after(VarRef ref) {
    uint8_t c = *p++;
    int32_t base = to_int(load_num(ref));
    int32_t off = int_factor();
    ref.addr = static_cast<uint32_t>(base) + static_cast<uint32_t>(off);
    ref.type = c == '?' ? vtype::Byte : vtype::Int;
    return load(ref);
}

// Applies subscripts or binary indirection after a found name.
// On entry `p` is after the name; `ref` is the variable.
static void finish_ref(Interp& in, VarRef& ref) {
    const uint8_t*& p = in.p;
    if (ref.type & vtype::Array) {
        // Whole array "()" or an element.
        const uint8_t* q = p;
        while (*q == ' ') ++q;
        if (*q == ')') {
            p = q + 1;
            return;   // whole array: addr is the descriptor slot
        }
        ref.addr = in.array_element(ref.addr, ref.type);
        ref.type &= static_cast<uint8_t>(~vtype::Array);
    }
    // Binary indirection after a numeric variable or element.
    if (ref.type != vtype::StrVar && !(ref.type & vtype::Array)) {
        uint8_t c = *p;
        if (c == '?' || c == '!') {
            ++p;
            int32_t base = in.to_int(in.load_num(ref));
            int32_t off = in.int_factor();
            ref.addr = static_cast<uint32_t>(base) + static_cast<uint32_t>(off);
            ref.type = c == '?' ? vtype::Byte : vtype::Int;
            in.mem.at(ref.addr, c == '?' ? 1 : 4);
        }
    }
}

// Unary indirection at p ("$", "!", "?", "|"); p is at the operator.
static bool unary_indirection(Interp& in, VarRef& ref) {
    uint8_t c = *in.p;
    uint8_t type;
    switch (c) {
        case '$': type = vtype::StrMem; break;
        case '!': type = vtype::Int; break;
        case '?': type = vtype::Byte; break;
        case '|': type = (in.options() & kOptFloat64) ? vtype::Real8 : vtype::Real5; break;
        default: return false;
    }
    ++in.p;
    ref.addr = static_cast<uint32_t>(in.int_factor());
    ref.type = type;
    in.mem.at(ref.addr, type == vtype::StrMem ? 1 : element_size_of(type));
    return true;
}

uint32_t element_size_of(uint8_t type) {
    switch (type) {
        case vtype::Byte: return 1;
        default: return Interp::element_size(type);
    }
}

Lookup Interp::find_var_name(const uint8_t* q, VarRef& ref, const uint8_t*& end) {
    return find_name(*this, q, ref, end);
}

Lookup Interp::lookup_var(VarRef& ref) {
    skip_spaces();
    if (unary_indirection(*this, ref)) return Lookup::Found;
    const uint8_t* end;
    Lookup l = find_name(*this, p, ref, end);
    if (l != Lookup::Found) return l;
    p = end;
    finish_ref(*this, ref);
    return Lookup::Found;
}

// A static integer variable, or a plain variable whose name was resolved
// at this text before: the reference without a lookup (p moved past it).
bool Interp::quick_ref(VarRef& ref) {
    if (int slot = static_int_at(p); slot >= 0) {
        ref.addr = static_cast<uint32_t>(slot);
        ref.type = vtype::Int;
        p += 2;
        return true;
    }
    TextCacheEntry* e = text_cache_slot(p);
    if (e->key == Memory::addr(p) && e->kind == TextCacheEntry::Variable && !(e->type & vtype::Array)) {
        const uint8_t* r = p + e->len;
        if (*r != '?' && *r != '!') {
            ref.addr = static_cast<uint32_t>(e->payload);
            ref.type = e->type;
            p = r;
            return true;
        }
    }
    return false;
}

bool Interp::get_ref(VarRef& ref) {
    skip_spaces();
    if (quick_ref(ref)) return true;
    if (unary_indirection(*this, ref)) return true;
    const uint8_t* end;
    Lookup l = find_name(*this, p, ref, end);
    if (l == Lookup::NotName) return false;
    if (l == Lookup::NotFound) raise(Err::NoSuchVariable);
    p = end;
    finish_ref(*this, ref);
    return true;
}

VarRef Interp::get_ref_create() {
    VarRef ref;
    skip_spaces();
    if (quick_ref(ref)) return ref;
    if (unary_indirection(*this, ref)) return ref;
    const uint8_t* end;
    Lookup l = find_name(*this, p, ref, end);
    if (l == Lookup::NotName) raise(Err::SyntaxError);
    if (l == Lookup::NotFound) {
        if (*p == '@') raise(Err::NoSuchVariable);   // system variables are never created
        const uint8_t* name_end = end;
        bool is_array = *name_end == '(';
        if (is_array) ++name_end;
        uint8_t suffix = is_array ? name_end[-2] : name_end[-1];
        uint8_t type = type_from_suffix(name_end - p >= 2 ? suffix : 0);
        if ((options() & kOptFloat64) && type == vtype::Real5) type = vtype::Real8;
        uint32_t vsize = is_array ? 4 : Interp::element_size(type);
        uint32_t addr = create_var(p, name_end, chain_head_for(*p), vsize);
        if (is_array) raise(Err::BadUseOfArray);   // an element of an undimensioned array
        ref.addr = addr;
        ref.type = type;
        p = end;
        finish_ref(*this, ref);
        return ref;
    }
    p = end;
    finish_ref(*this, ref);
    return ref;
}

Num Interp::load_num(const VarRef& ref) {
    switch (ref.type) {
        case vtype::Int: return num_int(static_cast<int32_t>(mem.read32(ref.addr)));
        case vtype::Byte: return num_int(mem.read8(ref.addr));
        case vtype::Real5: {
            const uint8_t* q = mem.at(ref.addr, 5);
            uint32_t m;
            std::memcpy(&m, q, 4);
            return (static_cast<uint64_t>(q[4]) << 32) | m;
        }
        case vtype::Real8: return mem.read64(ref.addr);
        default: raise(Err::TypeMismatch);
    }
}

Value Interp::load(const VarRef& ref) {
    switch (ref.type) {
        case vtype::StrVar: {
            const uint8_t* d = mem.at(ref.addr, 6);
            uint32_t a;
            std::memcpy(&a, d, 4);
            // The descriptor may have been overwritten through indirection.
            if (d[4]) mem.at(a, d[4]);
            return Value::string(a, d[4]);
        }
        case vtype::StrMem: return load_dollar_string(*this, ref.addr);
        default:
            if (ref.type & vtype::Array) raise(Err::BadUseOfArray);
            return Value::number(load_num(ref));
    }
}

void Interp::store_num(const VarRef& ref, Num n) {
    // Checked stores (a store into program or library text makes the
    // remembered decodings stale: Memory::store_bytes sees to that).
    switch (ref.type) {
        case vtype::Int: mem.write32(ref.addr, static_cast<uint32_t>(values::to_int(n))); return;
        case vtype::Byte: mem.write8(ref.addr, static_cast<uint8_t>(values::to_int(n))); return;
        case vtype::Real5: {
            Num r = is_r8(n) ? to_r5(n) : n;
            uint8_t q[5];
            uint32_t m = static_cast<uint32_t>(r);
            std::memcpy(q, &m, 4);
            q[4] = static_cast<uint8_t>(r >> 32);
            mem.store_bytes(ref.addr, q, 5);
            return;
        }
        case vtype::Real8: mem.write64(ref.addr, n); return;
        default: raise(Err::TypeMismatch);
    }
}

void Interp::store_str(const VarRef& ref, const Value& s) {
    if (ref.type == vtype::StrVar) {
        mem.at(ref.addr, 6);
        store_string_var(*this, ref.addr, s);
    } else if (ref.type == vtype::StrMem) {
        store_dollar_string(*this, ref.addr, s);
    } else {
        raise(Err::TypeMismatch);
    }
}

void Interp::store(const VarRef& ref, const Value& v) {
    if (v.is_str) store_str(ref, v);
    else store_num(ref, v.num);
}

// Whole-array assignment: `ref` is the descriptor slot of the target.
static void assign_array(Interp& in, const VarRef& ref, uint8_t op) {
    uint32_t desc = ref.addr < fixed::Size ? in.mem.fixed32(ref.addr) : in.mem.read32(ref.addr);
    if (!desc) raise(Err::BadUseOfArray);
    uint8_t et = ref.type & ~vtype::Array;
    uint32_t count = in.array_count(desc);
    const uint8_t* d = in.descriptor(desc);
    uint32_t elems = desc + 1 + 4u * d[0];
    uint32_t esize = Interp::element_size(et);
    auto combine = [&](uint32_t i, const Value& v) {
        VarRef e{elems + i * esize, et};
        if (et == vtype::StrVar) {
            if (!v.is_str) raise(Err::TypeMismatch);
            if (op == '+') {
                Value cur = in.load(e);
                in.push_string(cur);
                in.store_str(e, concat_with_pushed(in, v));
            } else {
                in.store_str(e, v);
            }
        } else {
            if (v.is_str) raise(Err::TypeMismatch);
            Num r = op ? apply_compound(in, op, in.load_num(e), v.num) : v.num;
            in.store_num(e, r);
        }
    };
    // Another whole array on the right?
    const uint8_t* save = in.p;
    in.skip_spaces();
    VarRef src;
    {
        const uint8_t* q = in.p;
        Lookup l = Lookup::NotName;
        if (is_name_start(*q)) {
            const uint8_t* end;
            l = find_name(in, q, src, end);
            if (l == Lookup::Found && (src.type & vtype::Array)) {
                const uint8_t* r = end;
                while (*r == ' ') ++r;
                if (*r == ')') {
                    const uint8_t* after = r + 1;
                    while (*after == ' ') ++after;
                    if (*after == ':' || *after == 13 || *after == 0x8B) {
                        in.p = after;
                        if (src.type != ref.type) raise(Err::TypeMismatch);
                        uint32_t sdesc = src.addr < fixed::Size ? in.mem.fixed32(src.addr) : in.mem.read32(src.addr);
                        if (!sdesc) raise(Err::BadUseOfArray);
                        if (in.array_count(sdesc) != count) raise(Err::TypeMismatch);
                        uint32_t selems = sdesc + 1 + 4u * in.descriptor(sdesc)[0];
                        for (uint32_t i = 0; i < count; ++i) {
                            Value v = in.load(VarRef{selems + i * esize, et});
                            combine(i, v);
                        }
                        return;
                    }
                }
            } else if (l == Lookup::NotFound) {
                const uint8_t* r = end;
                if (*r == '(') {
                    ++r;
                    while (*r == ' ') ++r;
                    if (*r == ')') raise(Err::NoSuchVariable);
                }
            }
        }
    }
    in.p = save;
    Value first = in.expr();
    if (in.skip_spaces() != ',') {
        if (first.is_str) {
            // Building each element's new string may reuse the accumulator
            // that the value lies in, so every element takes it from a copy
            // kept on the stack.
            in.push_string(first);
            uint32_t copy_sp = in.sp;
            Value copy = Value::string(copy_sp + 4, first.str_len);
            for (uint32_t i = 0; i < count; ++i) combine(i, copy);
            in.sp = copy_sp + 4 + first.str_len;
            return;
        }
        for (uint32_t i = 0; i < count; ++i) combine(i, first);
        return;
    }
    uint32_t i = 0;
    combine(i++, first);
    while (in.skip_spaces() == ',') {
        ++in.p;
        Value v = in.expr();
        if (i < count) combine(i, v);
        ++i;
    }
    if (i > count) raise(Err::BadSubscript);
}

// Reads an assignment operator at p: returns 0 for "=", or the compound
// operator character/token ('+', '-', '*', '/', or an operator token).
static uint8_t assignment_operator(Interp& in) {
    uint8_t c = in.skip_spaces();
    if (c == '=') { ++in.p; return 0; }
    if ((c == '+' || c == '-' || c == '*' || c == '/' || c == 0x80 || c == 0x81 || c == 0x82 || c == 0x83 ||
         c == 0x84) && in.p[1] == '=') {
        in.p += 2;
        return c;
    }
    raise(Err::Mistake);
}

Num apply_compound(Interp& in, uint8_t op, Num a, Num b) {
    auto m = in.mode();
    switch (op) {
        case '+': return num_add(a, b, m);
        case '-': return num_sub(a, b, m);
        case '*': return num_mul(a, b, m);
        case '/': return num_div(a, b, m);
        case 0x80: return num_int(values::to_int(a) & values::to_int(b));
        case 0x81: return num_int(num_idiv(a, b));
        case 0x82: return num_int(values::to_int(a) ^ values::to_int(b));
        case 0x83: return num_int(num_imod(a, b));
        case 0x84: return num_int(values::to_int(a) | values::to_int(b));
        default: raise(Err::Mistake);
    }
}

static void assignment_general(Interp& in, TextCacheEntry* e);

void Interp::assignment() {
    // Fast path: a plain variable resolved before, then "=". The general
    // path below would find the same reference (a name followed by "?" or
    // "!" never reaches the "=" test here).
    TextCacheEntry* e = text_cache_slot(p);
    if (e->key == Memory::addr(p) && e->kind == TextCacheEntry::Variable) {
        uint8_t type = e->type;
        const uint8_t* q = p + e->len;
        while (*q == ' ') ++q;
        if (*q == '=') {
            if (type == vtype::Int || type == vtype::Real5 || type == vtype::Real8) {
                p = q + 1;
                VarRef ref{static_cast<uint32_t>(e->payload), type};
                store_num(ref, num_expr());
                return;
            }
            if (type == vtype::StrVar) {
                p = q + 1;
                uint32_t descriptor = static_cast<uint32_t>(e->payload);
                const PlanSlot* s = ready_plan();
                Value v = s && s->is_str ? run_plan(s) : str_expr();
                // store_str without the type dispatch.
                store_string_var(*this, descriptor, v);
                return;
            }
        }
    }
    assignment_general(*this, e);
}

// Every other assignment: references parsed in full, compound operators,
// whole arrays, indirection. `e` is the text cache slot of the target.
[[gnu::noinline]] static void assignment_general(Interp& in, TextCacheEntry* e) {
    const uint8_t*& p = in.p;
    VarRef ref;
    if (e->key == Memory::addr(p) && e->kind == TextCacheEntry::Variable && (e->type & vtype::Array)) {
        // An element of an array resolved before (not the whole array).
        const uint8_t* q = p + e->len;
        while (*q == ' ') ++q;
        if (*q != ')') {
            p += e->len;
            ref.addr = in.array_element(static_cast<uint32_t>(e->payload), e->type);
            ref.type = e->type & static_cast<uint8_t>(~vtype::Array);
            if (*p == '?' || *p == '!') {
                uint8_t c = *p++;
                int32_t base = in.to_int(in.load_num(ref));
                int32_t off = in.int_factor();
                ref.addr = static_cast<uint32_t>(base) + static_cast<uint32_t>(off);
                ref.type = c == '?' ? vtype::Byte : vtype::Int;
            }
        } else {
            ref = in.get_ref_create();
        }
    } else {
        ref = in.get_ref_create();
    }
    uint8_t op = assignment_operator(in);
    if (ref.type & vtype::Array) {
        assign_array(in, ref, op);
        return;
    }
    if (ref.type == vtype::StrVar || ref.type == vtype::StrMem) {
        if (op != 0 && op != '+') raise(Err::Mistake);
        if (op == '+') {
            Value cur = in.load(ref);
            in.push_string(cur);
            Value r = in.str_expr();
            in.store_str(ref, concat_with_pushed(in, r));
        } else {
            in.store_str(ref, in.str_expr());
        }
        return;
    }
    Value v = in.expr();
    if (v.is_str) raise(Err::TypeMismatch);
    if (op) v.num = apply_compound(in, op, in.load_num(ref), v.num);
    in.store_num(ref, v.num);
}

void stmt_let(Interp& in) { in.assignment(); }

// DIM: arrays and memory blocks.
void stmt_dim(Interp& in) {
    for (;;) {
        in.skip_spaces();
        const uint8_t* start = in.p;
        uint8_t c = *start;
        if (!is_name_start(c)) raise(Err::BadDim);
        VarRef ref;
        const uint8_t* end;
        Lookup l = find_name(in, start, ref, end);
        if (*start == '@' && !(start[1] == '%')) raise(Err::BadDim);
        bool is_array = *end == '(';
        if (is_array && !(l == Lookup::Found && !(ref.type & vtype::Array))) {
            if (l == Lookup::Found) {
                uint32_t desc = ref.addr < fixed::Size ? in.mem.fixed32(ref.addr) : in.mem.read32(ref.addr);
                if (desc == 0) raise(Err::BadUseOfArray);
                // An existing dimensioned array: read as an element reference.
                in.p = end;
                finish_ref(in, ref);
                raise(Err::BadDim);
            }
            const uint8_t* name_end = end + 1;
            uint8_t suffix = name_end - start >= 3 ? name_end[-2] : 0;
            uint8_t et = type_from_suffix(suffix);
            if ((in.options() & kOptFloat64) && et == vtype::Real5) et = vtype::Real8;
            uint32_t slot = in.create_var(start, name_end, chain_head_for(c), 4);
            in.p = name_end;
            // Bounds.
            uint32_t bounds[256];
            int dims = 0;
            for (;;) {
                int32_t b = in.int_expr();
                if (b < 0) raise(Err::BadDim);
                if (dims == 255) raise(Err::BadDim);
                bounds[dims++] = static_cast<uint32_t>(b) + 1;
                if (in.skip_spaces() == ',') { ++in.p; continue; }
                break;
            }
            in.close_bracket();
            uint64_t count = 1;
            for (int i = 0; i < dims; ++i) {
                count *= bounds[i];
                if (count > 0xFFFFFFFFull) raise(Err::DimSpace);
            }
            uint64_t bytes = count * Interp::element_size(et);
            uint64_t total = 1 + 4ull * dims + bytes;
            uint64_t desc = in.heap_top_checked();
            if (bytes > 0xFFFFFFFFull || desc + total + 1024 >= in.sp) raise(Err::DimSpace);
            uint8_t* d = Memory::unchecked_ptr(static_cast<uint32_t>(desc));
            d[0] = static_cast<uint8_t>(dims);
            std::memcpy(d + 1, bounds, 4u * dims);
            std::memset(d + 1 + 4 * dims, 0, static_cast<size_t>(bytes));
            in.set_heap_top(static_cast<uint32_t>(desc + total));
            std::memcpy(Memory::unchecked_ptr(slot), &desc, 4);
        } else {
            // Memory block: numeric variable followed by a size.
            in.p = start;
            VarRef v = in.get_ref_create();
            if (v.type != vtype::Int && v.type != vtype::Real5 && v.type != vtype::Real8) raise(Err::BadDim);
            if (in.at_statement_end() || in.skip_spaces() == ',') raise(Err::BadDim);
            int32_t size = in.int_expr();
            uint32_t block = in.heap_top_checked();
            uint64_t want = static_cast<uint64_t>(static_cast<int64_t>(size) + 1);
            if (static_cast<int64_t>(size) + 1 < 0 || block + want + 1024 >= in.sp) raise(Err::DimSpace);
            std::memset(Memory::unchecked_ptr(block), 0, static_cast<size_t>(want));
            in.set_heap_top(block + static_cast<uint32_t>(want));
            in.store_num(v, num_int(static_cast<int32_t>(block)));
        }
        if (in.skip_spaces() != ',') break;
        ++in.p;
    }
}

void stmt_swap(Interp& in) {
    VarRef a, b;
    if (!in.get_ref(a)) raise(Err::SyntaxError);
    in.comma();
    if (!in.get_ref(b)) raise(Err::SyntaxError);
    if (a.type != b.type) raise(Err::TypeMismatch);
    if (a.type == vtype::StrMem) {
        Value va = in.load(a);
        std::string sa(va.view());
        Value vb = in.load(b);
        std::string sb(vb.view());
        in.store_str(a, in.make_string(sb));
        in.store_str(b, in.make_string(sa));
        return;
    }
    uint32_t n = (a.type & vtype::Array) ? 4 : element_size_of(a.type);
    uint8_t* pa = in.mem.at(a.addr, n);
    uint8_t* pb = in.mem.at(b.addr, n);
    uint8_t ta[8], tb[8];
    std::memcpy(ta, pa, n);
    std::memcpy(tb, pb, n);
    in.mem.store_bytes(a.addr, tb, n);
    in.mem.store_bytes(b.addr, ta, n);
}

}  // namespace kov::interp
