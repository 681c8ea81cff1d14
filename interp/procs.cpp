// Procedures and functions: PROC calls, the FN factor, parameters, LOCAL
// and LOCAL DATA, ENDPROC and the function return "=", the DEF scan that
// registers definitions in the FN and PROC chains, and INSTALL, which
// loads a library above HIMEM.
//
// A call pushes a PROC or FN frame (return pointer, tag); its parameters
// and LOCAL variables follow as LOCAL frames that save the old values.
// ENDPROC and "=" restore them in reverse order on the way back down.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "interp/interp.h"
#include "interp/keywords.h"
#include "interp/program_text.h"
#include "interp/statements.h"
#include "values/functions.h"
#include "values/strings.h"

namespace kov::interp {

using values::Num;

namespace {

constexpr uint32_t kCallFrame = 8;        // return pointer and tag
constexpr uint32_t kLocalNumFrame = 20;   // low, high, type word, address, tag
constexpr uint32_t kLocalStrFrame = 12;   // plus the characters: type word, address, tag
constexpr uint32_t kLibraryHeader = 255;  // length of a library header line
constexpr uint32_t kLibraryName = 250;    // file-name bytes in the header
// Parameters and LOCAL items remembered between the passes over a list;
// longer lists are parsed again instead.
constexpr int kRememberedRefs = 8;


bool is_reference_start(uint8_t c) {
    if (c == '$' || c == '!' || c == '?' || c == '|') return true;
    return is_name_char(c) && !(c >= '0' && c <= '9');
}

// ---- FN and PROC chains ----

// Compares the name at `text` with a chain record's name tail under the
// variable-name rules. Returns the text after the matched name, or nullptr.
// `tail_end` receives the tail's terminating zero.
const uint8_t* match_name(const uint8_t* tail, const uint8_t* text, const uint8_t*& tail_end) {
    uint8_t last = 0;
    while (*tail) {
        if (*tail != *text) return nullptr;
        last = *tail++;
        ++text;
    }
    tail_end = tail;
    if (last == '(') return text;
    uint8_t next = *text;
    if (!is_name_char(next) && next != '$' && next != '%' && next != '#' && next != '(') return text;
    if (next == '(') return nullptr;             // the record is no array-style name
    if (is_name_char(last)) return nullptr;      // the text's name is longer
    return text;
}

// Looks the name at `name` up in the chain whose head is at `head_off`.
// Returns the definition pointer (0 if absent) and sets `after` past the
// matched name.
uint32_t find_definition(Interp& in, uint32_t head_off, const uint8_t* name, const uint8_t*& after) {
    uint32_t steps = 0;
    for (uint32_t rec = in.mem.fixed32(head_off); rec && in.record_ok(rec) && rec >= fixed::Size &&
                                                   ++steps < Interp::kMaxChainSteps;) {
        const uint8_t* r = Memory::unchecked_ptr(rec);
        const uint8_t* tail_end;
        if (const uint8_t* end = match_name(r + 4, name, tail_end)) {
            after = end;
            uint32_t def;
            std::memcpy(&def, tail_end + 1, 4);
            return def;
        }
        std::memcpy(&rec, r, 4);
    }
    return 0;
}

// Appends a record for the name [name, name_end) with the definition
// pointer `def` to the end of a chain.
void add_definition(Interp& in, uint32_t head_off, const uint8_t* name, const uint8_t* name_end, uint32_t def) {
    uint32_t tail_len = static_cast<uint32_t>(name_end - name);
    // The name is copied out first: text run from above the heap top may
    // lie in the bytes the record takes.
    std::string tail(reinterpret_cast<const char*>(name), tail_len);
    uint32_t rec = in.heap_alloc(4 + tail_len + 1 + 4);
    uint8_t* r = Memory::unchecked_ptr(rec);
    std::memcpy(r + 4, tail.data(), tail_len);
    std::memcpy(r + 4 + tail_len + 1, &def, 4);
    uint32_t next = in.mem.fixed32(head_off);
    if (!next) {
        in.mem.set_fixed32(head_off, rec);
        return;
    }
    if (!in.record_ok(next) || next < fixed::Size) {
        in.mem.set_fixed32(head_off, rec);   // a damaged head is replaced
        return;
    }
    uint32_t last = next;
    uint32_t steps = 0;
    while (next && in.record_ok(next) && next >= fixed::Size && ++steps < Interp::kMaxChainSteps) {
        last = next;
        std::memcpy(&next, Memory::unchecked_ptr(next), 4);
    }
    std::memcpy(Memory::unchecked_ptr(last), &rec, 4);
}

// Registers every DEF PROC / DEF FN of one text whose name is not known
// yet: the first definition of a name wins.
void scan_definitions(Interp& in, const uint8_t* line) {
    for (; line[0]; line += line[0]) {
        if (line[3] != tok::Def) continue;
        const uint8_t* q = line + 4;
        while (*q == ' ') ++q;
        uint32_t head;
        if (*q == tok::Proc) head = fixed::ProcChain;
        else if (*q == tok::Fn) head = fixed::FnChain;
        else continue;
        ++q;
        if (!is_name_char(*q)) continue;
        const uint8_t* after;
        if (find_definition(in, head, q, after)) continue;
        // The name: its characters, a type suffix, and "(" when the
        // parameter list follows at once. The definition pointer stays at
        // the "(".
        const uint8_t* end = q;
        while (is_name_char(*end)) ++end;
        if (*end == '$' || *end == '%' || *end == '#') ++end;
        const uint8_t* def = end;
        if (*end == '(') ++end;
        add_definition(in, head, q, end, Memory::addr(def));
    }
}

// The DEF scan: libraries first, so their definitions take precedence,
// then the program.
void def_scan(Interp& in) {
    if (uint32_t lib = in.mem.fixed32(fixed::LibStart)) scan_definitions(in, in.text_at(lib));
    scan_definitions(in, in.text_at(in.page()));
}

// ---- references in formal and LOCAL lists ----

// Offset of the variable chain head for a name's first character, or 0.
uint32_t chain_head(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return fixed::ChainHeads + 4u * (c - 'A');
    if (c == '_') return fixed::ChainHeads + 4u * 26;
    if (c == '`') return fixed::ChainHeads + 4u * 27;
    if (c >= 'a' && c <= 'z') return fixed::ChainHeads + 4u * (28 + c - 'a');
    return 0;
}

// Parses an item of a formal or LOCAL list, creating the variable when it
// does not exist. A whole array named for the first time ("a()") gets an
// undimensioned record, as an array parameter or LOCAL array needs one.
VarRef list_item_ref(Interp& in) {
    const uint8_t* name = in.p;
    if (uint32_t head = chain_head(*name)) {
        const uint8_t* end = name + 1;
        while (is_name_char(*end)) ++end;
        if (*end == '$' || *end == '%' || *end == '#') ++end;
        const uint8_t* q = end;
        if (*q == '(') {
            ++q;
            while (*q == ' ') ++q;
            VarRef found;
            if (*q == ')' && in.lookup_var(found) == Lookup::NotFound) in.create_var(name, end + 1, head, 4);
            in.p = name;
        }
    }
    return in.get_ref_create();
}

// ---- LOCAL frames ----

void push_local_num(Interp& in, uint32_t addr, uint8_t type, Num n) {
    in.push_room_check(kLocalNumFrame);
    in.push32(static_cast<uint32_t>(n));
    in.push32(values::num_high(n));
    in.push32(static_cast<uint32_t>(type) << 8);
    in.push32(addr);
    in.push32(ftag::Local);
}

// Saves the current values of `count` numeric variables in LOCAL frames,
// as push_local_num would one by one: one check that they all fit, then
// the words written below a local copy of the stack pointer.
void push_local_nums(Interp& in, const VarRef* refs, int count) {
    in.push_room_check(kLocalNumFrame * static_cast<uint32_t>(count));
    uint32_t s = in.sp;
    for (int i = 0; i < count; ++i) {
        const VarRef& v = refs[i];
        const Num n = load_variable(in.mem, v.addr, v.type);
        const uint32_t frame[5] = {ftag::Local, v.addr, static_cast<uint32_t>(v.type) << 8, values::num_high(n),
                                   static_cast<uint32_t>(n)};
        s -= kLocalNumFrame;
        std::memcpy(Memory::unchecked_ptr(s), frame, kLocalNumFrame);
    }
    in.sp = s;
}

// Saves a variable's current value in a LOCAL frame. A whole array saves
// its descriptor address as an integer.
void push_local(Interp& in, const VarRef& v) {
    if (v.type & vtype::Array) {
        push_local_num(in, v.addr, vtype::Int, values::num_int(static_cast<int32_t>(in.mem.read32(v.addr))));
    } else if (v.type & vtype::StrMem) {
        in.push_string(in.load(v), v.type);
        in.push_room_check(8);
        in.push32(v.addr);
        in.push32(ftag::Local);
    } else {
        push_local_num(in, v.addr, v.type, in.load_num(v));
    }
}

// Restores the variable saved by the LOCAL frame on top and drops it. The
// saved characters are assigned straight from the stack, so a function
// result waiting in the accumulator is not disturbed.
void pop_local(Interp& in) {
    uint32_t addr = in.peek32(4);
    uint32_t word = in.peek32(8);
    VarRef v{addr, static_cast<uint8_t>(word >> 8)};
    if (v.type & vtype::StrMem) {
        uint8_t len = static_cast<uint8_t>(word);
        in.store_str(v, Value::string(in.sp + kLocalStrFrame, len));
        in.sp += kLocalStrFrame + len;
    } else {
        Num n = static_cast<Num>(in.peek32(16)) | (static_cast<Num>(in.peek32(12)) << 32);
        // A variable record (heap or fixed area) takes the direct store.
        if (in.numeric_record(addr, v.type))
            store_variable(in.mem, addr, v.type, n);
        else
            in.store_num(v, n);
        in.sp += kLocalNumFrame;
    }
}

// Sets a LOCAL variable to 0 or the empty string.
void zero_variable(Interp& in, const VarRef& v) {
    if (v.type == vtype::StrVar) in.mem.write8(v.addr + 4, 0);
    else if (v.type == vtype::StrMem) in.store_str(v, Value::string(in.acc(), 0));
    else in.store_num(v, 0);
}

// Second pass of LOCAL for one item: a plain variable is cleared; a whole
// array saves every element in a frame of its own and clears it.
void clear_local(Interp& in, const VarRef& v) {
    if (!(v.type & vtype::Array)) {
        zero_variable(in, v);
        return;
    }
    uint32_t desc = in.mem.read32(v.addr);
    if (!desc) raise(Err::BadUseOfArray);
    uint8_t type = v.type & ~vtype::Array;
    uint32_t count = in.array_count(desc);
    uint32_t size = element_size_of(type);
    uint32_t elem = desc + 1 + 4u * in.mem.read8(desc);
    for (uint32_t i = 0; i < count; ++i, elem += size) {
        VarRef e{elem, type};
        push_local(in, e);
        zero_variable(in, e);
    }
}

// Unwinds to the PROC or FN frame `tag`: ON ERROR LOCAL and LOCAL DATA
// frames are dropped, LOCAL frames restored; any other frame is `error`.
// Pops the call frame and returns its return pointer.
uint32_t unwind_call(Interp& in, uint32_t tag, Err error) {
    // The common case first: numeric LOCAL frames (the formals) right over
    // the call frame, restored as pop_local would.
    for (uint32_t s = in.sp;;) {
        uint32_t head[2];   // tag, then the return pointer or the address
        std::memcpy(head, Memory::unchecked_ptr(s), 8);
        if (head[0] == tag) {
            in.sp = s + kCallFrame;
            return head[1];
        }
        if (head[0] != ftag::Local) break;
        uint32_t rest[3];   // type word, high, low
        std::memcpy(rest, Memory::unchecked_ptr(s + 8), 12);
        const uint8_t type = static_cast<uint8_t>(rest[0] >> 8);
        if (!in.numeric_record(head[1], type)) break;
        store_variable(in.mem, head[1], type, (static_cast<Num>(rest[1]) << 32) | rest[2]);
        s += kLocalNumFrame;
        in.sp = s;
    }
    for (;;) {
        uint32_t top = in.peek32();
        if (top != ftag::Local && top != tag) {
            in.unwind_error_and_data_frames();
            top = in.peek32();
        }
        if (top == ftag::Local) {
            pop_local(in);
            continue;
        }
        if (top != tag) raise(error);
        uint32_t ret = in.peek32(4);
        in.sp += kCallFrame;
        return ret;
    }
}

// ---- parameters ----

// Evaluates the argument at the call text for formal `f` and keeps it on
// the stack with the formal's address and type above it.
void push_argument(Interp& in, const VarRef& f) {
    if (f.type & vtype::Array) {
        VarRef a;
        if (!in.get_ref(a) || !(a.type & vtype::Array)) raise(Err::BadUseOfArray);
        if (a.type != f.type) raise(Err::TypeMismatch);
        uint32_t desc = in.mem.read32(a.addr);
        in.push_room_check(16);
        in.push32(0);
        in.push32(desc);
        in.push32(f.addr);
        in.push32(vtype::Int);
    } else if (f.type & vtype::StrMem) {
        in.push_string(in.str_expr());
        in.push_room_check(8);
        in.push32(f.addr);
        in.push32(f.type);
    } else {
        Num n = in.num_expr();
        in.push_room_check(16);
        in.push32(values::num_high(n));
        in.push32(static_cast<uint32_t>(n));
        in.push32(f.addr);
        in.push32(f.type);
    }
}

// Assigns the argument on top of the stack to its formal and drops it.
void pop_argument(Interp& in) {
    VarRef f;
    f.type = static_cast<uint8_t>(in.pop32());
    f.addr = in.pop32();
    if (f.type & vtype::StrMem) {
        in.store_str(f, in.pop_string());
    } else {
        Num n = static_cast<Num>(in.peek32(0)) | (static_cast<Num>(in.peek32(4)) << 32);
        in.sp += 8;
        in.store_num(f, n);
    }
}

// Binds the formal list at `def` (the DEF text after "(") to the actual
// list at the text pointer (the call after "("). Every formal is saved as
// LOCAL first, then all arguments are evaluated left to right (so they
// still see the caller's values), then assigned from last to first.
// Leaves the text pointer after the call's ")" and returns the DEF text
// after the formal list's ")".
const uint8_t* bind_parameters(Interp& in, const uint8_t* def) {
    struct Formal {
        VarRef ref;
        const uint8_t* after;
    };
    // Left uninitialised: only the entries written are read.
    union Slots {
        Slots() {}
        Formal item[kRememberedRefs];
    } slots;
    Formal* remembered = slots.item;
    const uint8_t* call = in.p;
    int count = 0;
    const uint8_t* body;
    FormalPlan& plan = in.m_formal_plans[Memory::addr(def) & (Interp::kFormalPlans - 1)];
    if (plan.key == Memory::addr(def) && plan.numeric) {
        // Numeric variables only: the same frames as below, with the
        // values moved directly.
        count = plan.count;
        push_local_nums(in, plan.refs, count);
        in.p = call;
        for (int i = 0;; ++i) {
            Num n = in.num_expr();
            in.push_room_check(16);
            const uint32_t frame[4] = {plan.refs[i].type, plan.refs[i].addr, static_cast<uint32_t>(n),
                                       values::num_high(n)};
            in.sp -= 16;
            std::memcpy(Memory::unchecked_ptr(in.sp), frame, 16);
            const uint8_t* formal = plan.after[i];
            while (*formal == ' ') ++formal;
            uint8_t c = in.skip_spaces();
            if (*formal == ',') {
                if (c != ',') raise(Err::IncorrectArguments);
                ++in.p;
                continue;
            }
            if (c != ')') raise(Err::IncorrectArguments);
            ++in.p;
            break;
        }
        // Assigned from last to first, as pop_argument does.
        for (int i = count - 1; i >= 0; --i) {
            Num n = static_cast<Num>(in.peek32(8)) | (static_cast<Num>(in.peek32(12)) << 32);
            store_variable(in.mem, plan.refs[i].addr, plan.refs[i].type, n);
            in.sp += 16;
        }
        return plan.body;
    }
    if (plan.key == Memory::addr(def)) {
        // The list was decoded before: save the formals straight away.
        count = plan.count;
        for (int i = 0; i < count; ++i) {
            push_local(in, plan.refs[i]);
            remembered[i] = {plan.refs[i], plan.after[i]};
        }
        body = plan.body;
    } else {
        in.p = def;
        bool plain = in.text_cacheable(def);
        for (;;) {
            uint8_t first = in.skip_spaces();
            if (!is_reference_start(first)) raise(Err::IncorrectArguments);
            const uint8_t* start = in.p;
            VarRef f = list_item_ref(in);
            // Only a name (with "()" for an array) has a fixed address; an
            // indirection's address is worked out anew at every call.
            const uint8_t* q = start;
            while (is_name_char(*q)) ++q;
            if (*q == '$' || *q == '%' || *q == '#') ++q;
            if (*q == '(') {
                ++q;
                while (*q == ' ') ++q;
                if (*q == ')') ++q;
            }
            if (first == '$' || first == '!' || first == '?' || first == '|' || q != in.p) plain = false;
            push_local(in, f);
            if (count < kRememberedRefs) remembered[count] = {f, in.p};
            ++count;
            uint8_t c = in.skip_spaces();
            ++in.p;
            if (c == ')') break;
            if (c != ',') raise(Err::MissingBracket);
        }
        body = in.p;
        if (plain && count <= FormalPlan::kMax && in.m_compiler.enabled) {
            plan.key = Memory::addr(def);
            plan.count = count;
            plan.body = body;
            plan.numeric = true;
            ++in.names_resolved;
            for (int i = 0; i < count; ++i) {
                uint8_t t = remembered[i].ref.type;
                if (t != vtype::Int && t != vtype::Real5 && t != vtype::Real8) plan.numeric = false;
            }
            for (int i = 0; i < count; ++i) {
                plan.refs[i] = remembered[i].ref;
                plan.after[i] = remembered[i].after;
            }
        }
    }

    const uint8_t* formal = def;
    in.p = call;
    for (int i = 0;; ++i) {
        VarRef f;
        if (count <= kRememberedRefs) {
            f = remembered[i].ref;
            formal = remembered[i].after;
        } else {
            const uint8_t* actual = in.p;
            in.p = formal;
            f = in.get_ref_create();
            formal = in.p;
            in.p = actual;
        }
        push_argument(in, f);
        while (*formal == ' ') ++formal;
        uint8_t c = in.skip_spaces();
        if (*formal == ',') {
            if (c != ',') raise(Err::IncorrectArguments);
            ++formal;
            ++in.p;
            continue;
        }
        if (c != ')') raise(Err::IncorrectArguments);
        ++in.p;
        break;
    }
    for (int i = 0; i < count; ++i) pop_argument(in);
    return body;
}

// A PROC or FN call with the text pointer after its token. Pushes the
// call frame, binds the parameters and leaves the text pointer in the
// DEF line after the name or formal list. From ON ... PROC the return
// point is moved on to the end of the ON statement.
void enter_call(Interp& in, uint32_t tag, uint32_t head_off, bool from_on) {
    in.push_room_check(kCallFrame);
    in.push32(0);   // the return pointer, stored once it is known
    in.push32(tag);
    uint32_t frame = in.sp;
    if (!is_name_char(*in.p)) raise(Err::BadCall);
    const uint8_t* after = nullptr;
    uint32_t def;
    // A call site resolved before goes straight to its definition; the
    // chains only change when the cache is flushed too.
    TextCacheEntry* e = in.text_cache_slot(in.p);
    if (e->key == Memory::addr(in.p) && e->kind == TextCacheEntry::Definition && e->type == (tag == ftag::Fn)) {
        def = static_cast<uint32_t>(e->payload);
        after = in.p + e->len;
    } else {
        const uint8_t* name = in.p;
        def = find_definition(in, head_off, name, after);
        if (!def) {
            def_scan(in);
            def = find_definition(in, head_off, name, after);
            if (!def) raise(Err::NoSuchFnProc);
        }
        if (in.text_cacheable(name) && after - name < 65536) {
            e->key = Memory::addr(name);
            e->len = static_cast<uint16_t>(after - name);
            e->kind = TextCacheEntry::Definition;
            e->type = tag == ftag::Fn;
            e->payload = def;
            ++in.names_resolved;
        }
    }
    in.p = after;
    // The definition must point into program or library text; a record
    // overwritten through indirection could point anywhere.
    if (!in.text_cacheable(in.text_at(def))) raise(Err::BadCall);
    const uint8_t* body = in.text_at(def);
    bool has_args = after[-1] == '(';
    if (!has_args && in.skip_spaces() == '(') {
        has_args = true;
        ++in.p;
    }
    if (has_args) {
        while (*body == ' ') ++body;
        if (*body != '(') raise(Err::SyntaxError);
        body = bind_parameters(in, body + 1);
    }
    if (from_on) {
        while (*in.p != ':' && *in.p != 13 && *in.p != tok::Else) ++in.p;
    }
    uint32_t ret = Memory::addr(in.p);
    std::memcpy(Memory::unchecked_ptr(frame + 4), &ret, 4);
    in.p = body;
}

// ---- INSTALL ----

// Walks the lines from `start`; true when the walk ends on a zero length
// byte before `limit`, each line ending in CR.
bool library_lines_ok(uint32_t start, uint32_t limit) {
    uint32_t a = start;
    while (a < limit) {
        uint8_t len = *Memory::unchecked_ptr(a);
        if (len == 0) return true;
        a += len;
        if (a > limit || *Memory::unchecked_ptr(a - 1) != 13) return false;
    }
    return false;
}

}  // namespace

void call_proc(Interp& in, const uint8_t* on_return) {
    enter_call(in, ftag::Proc, fixed::ProcChain, on_return != nullptr);
}

void stmt_proc(Interp& in) { call_proc(in, nullptr); }

void stmt_endproc(Interp& in) {
    in.p = in.text_at(unwind_call(in, ftag::Proc, Err::NotInProcedure));
}

Value fn_return(Interp& in) {
    Value v = in.expr();
    if (v.is_str) v = in.to_acc(v);
    fn_unwind(in);
    return v;
}

void fn_unwind(Interp& in) {
    uint32_t ret = unwind_call(in, ftag::Fn, Err::NotInFunction);
    in.p = in.text_at(ret);
    in.mem.set_fixed32(fixed::StmtPtr, ret);
}

// LOCAL var, var ... | LOCAL DATA | LOCAL ERROR
void stmt_local(Interp& in) {
    uint8_t c = in.skip_spaces();
    if (c == tok::Data) {
        ++in.p;
        in.push_room_check(kCallFrame);
        in.push32(in.mem.fixed32(fixed::DataPtr));
        in.push32(ftag::LocalData);
        return;
    }
    if (c == tok::Error) {
        ++in.p;
        return;
    }
    uint32_t top = in.peek32();
    if (top != ftag::Proc && top != ftag::Fn && top != ftag::Local) raise(Err::NotInFnOrProc);
    // A list of plain numeric variables decoded before: the same frames
    // and values, without parsing the names again.
    LocalPlan& plan = in.m_local_plans[Memory::addr(in.p) & (Interp::kLocalPlans - 1)];
    if (plan.key == Memory::addr(in.p)) {
        push_local_nums(in, plan.refs, plan.count);
        for (int i = 0; i < plan.count; ++i) store_variable(in.mem, plan.refs[i].addr, plan.refs[i].type, 0);
        in.p = plan.end;
        return;
    }
    // First pass: save every item; second pass: clear them.
    union Slots {
        Slots() {}
        VarRef item[kRememberedRefs];
    } slots;
    VarRef* remembered = slots.item;
    const uint8_t* list = in.p;
    int count = 0;
    bool plain = in.text_cacheable(list);
    for (;;) {
        in.skip_spaces();
        const uint8_t* start = in.p;
        VarRef v = list_item_ref(in);
        // Only a numeric variable's name has a fixed address.
        const uint8_t* q = start;
        if (!is_reference_start(*q) || *q == '$' || *q == '!' || *q == '?' || *q == '|') plain = false;
        while (is_name_char(*q)) ++q;
        if (*q == '%' || *q == '#') ++q;
        if (q != in.p || (v.type != vtype::Int && v.type != vtype::Real5 && v.type != vtype::Real8)) plain = false;
        push_local(in, v);
        if (count < kRememberedRefs) remembered[count] = v;
        ++count;
        if (in.skip_spaces() != ',') break;
        ++in.p;
    }
    const uint8_t* end = in.p;
    if (plain && count <= LocalPlan::kMax && in.m_compiler.enabled) {
        plan.key = Memory::addr(list);
        plan.count = count;
        plan.end = end;
        for (int i = 0; i < count; ++i) plan.refs[i] = remembered[i];
    }
    in.p = list;
    for (int i = 0; i < count; ++i) {
        VarRef v;
        if (count <= kRememberedRefs) {
            v = remembered[i];
        } else {
            v = in.get_ref_create();
            if (in.skip_spaces() == ',') ++in.p;
        }
        clear_local(in, v);
    }
    in.p = end;
}

void restore_data(Interp& in) {
    if (in.peek32() != ftag::LocalData) raise(Err::DataNotLocal);
    in.mem.set_fixed32(fixed::DataPtr, in.peek32(4));
    in.sp += kCallFrame;
}

// INSTALL file$: appends a library to the library area above HIMEM.
void stmt_install(Interp& in) {
    Value name = in.str_expr();
    uint8_t* acc = Memory::unchecked_ptr(in.acc());
    if (name.str_len) std::memmove(acc, Memory::unchecked_ptr(name.str_addr), name.str_len);
    acc[name.str_len] = 13;
    std::string file_name(reinterpret_cast<const char*>(acc), name.str_len);

    uint32_t lib = in.mem.fixed32(fixed::LibStart);
    uint32_t start = in.stack_base();
    if (lib) {
        const uint8_t* line = in.text_at(lib);
        while (line[0]) line += line[0];
        start = Memory::addr(line);
    }
    uint64_t room = uint64_t{in.mem.reserve_end()} - Memory::kCmdAreaSize - 256 - kLibraryHeader;
    room = start < room ? room - start : 0;
    os::LoadedProgram loaded = load_program_file(file_name, static_cast<size_t>(room), os::Separators::AlsoBackslash);
    raise_load_failure(loaded, Err::BadLibrary);
    std::vector<uint8_t>& image = loaded.image;

    uint32_t size = static_cast<uint32_t>(std::min<size_t>(image.size(), 0x10000000u));
    uint32_t end = start + kLibraryHeader + size;
    if (end < start || !in.os->commit_memory(end + 256)) raise(Err::NoRoom);

    // The header line: length 255, line number 0, a zero byte, the file
    // name as left in the accumulator (CR and all), and CR.
    uint8_t* header = Memory::unchecked_ptr(start);
    header[0] = static_cast<uint8_t>(kLibraryHeader);
    header[1] = header[2] = header[3] = 0;
    std::memcpy(header + 4, Memory::unchecked_ptr(in.acc()), kLibraryName);
    header[kLibraryHeader - 1] = 13;
    if (size) std::memcpy(Memory::unchecked_ptr(start + kLibraryHeader), image.data(), size);
    // Names resolved in text that used to lie here must not be reused.
    in.flush_text_cache();
    in.mem.set_fixed32(fixed::FnChain, 0);
    in.mem.set_fixed32(fixed::ProcChain, 0);

    uint32_t area = lib ? lib : start;
    if (!library_lines_ok(area, end)) {
        in.mem.set_fixed32(fixed::LibStart, 0);
        raise(Err::BadLibrary);
    }
    in.mem.set_fixed32(fixed::LibStart, area);
}

}  // namespace kov::interp

namespace kov::values {

// FN name[(arguments)]: runs the function's statements up to its "=".
interp::Value fn_fn(interp::Interp& in) {
    interp::enter_call(in, interp::ftag::Fn, interp::fixed::FnChain, false);
    return in.run_function();
}

}  // namespace kov::values
