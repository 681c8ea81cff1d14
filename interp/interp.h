// The interpreter: state, the execution loop and the services that the
// statement and function handlers share.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "interp/errors.h"
#include "interp/memory.h"
#include "interp/tokeniser.h"
#include "os/os.h"
#include "values/compiled.h"
#include "values/number.h"
#include "values/operators.h"
#include "values/plans.h"

namespace kov::vdu { class Vdu; }
namespace kov::os { class Channels; class Console; }

namespace kov::interp {


using values::Num;

// Type codes of variable references.
namespace vtype {
constexpr uint8_t Byte = 0x00;
constexpr uint8_t Int = 0x04;
constexpr uint8_t Real5 = 0x05;
constexpr uint8_t Real8 = 0x08;
constexpr uint8_t StrMem = 0x80;   // $ indirection: text ended by CR
constexpr uint8_t StrVar = 0x81;   // string variable: 6-byte descriptor
constexpr uint8_t Array = 0x40;    // added for a whole array
}  // namespace vtype

// Frame tags on the BASIC stack.
namespace ftag {
constexpr uint32_t For = 0x464F5201;
constexpr uint32_t Repeat = 0x52455001;
constexpr uint32_t While = 0x57484901;
constexpr uint32_t Gosub = 0x474F5301;
constexpr uint32_t Proc = 0x50524F01;
constexpr uint32_t Fn = 0x464E0001;
constexpr uint32_t Local = 0x4C4F4301;
constexpr uint32_t LocalData = 0x4C444101;
constexpr uint32_t OnErrorLocal = 0x4F454C01;
}  // namespace ftag

// A value produced by the evaluator: a number word, or a string given by
// its address and length (in a variable's storage, in memory, or in the
// string accumulator).
struct Value {
    Num num = 0;
    uint32_t str_addr = 0;
    uint8_t str_len = 0;
    bool is_str = false;

    static Value number(Num n) { Value v; v.num = n; return v; }
    static Value integer(int32_t i) { return number(values::num_int(i)); }
    static Value string(uint32_t addr, uint8_t len) {
        Value v; v.str_addr = addr; v.str_len = len; v.is_str = true; return v;
    }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(Memory::unchecked_ptr(str_addr)), str_len};
    }
};

// A variable reference: address of the value and its type code.
struct VarRef {
    uint32_t addr = 0;
    uint8_t type = 0;
};

// Outcome of a name lookup.
enum class Lookup { NotName, NotFound, Found };

// A remembered decoding of the program text at one address: a variable
// name resolved to its value address, or a numeric literal. Records never
// move until CLEAR, and program text does not change while it runs, so
// the answer stays right until the cache is flushed.
struct TextCacheEntry {
    uint32_t key = 0;      // text address (0: empty)
    uint16_t len = 0;      // bytes of text the decoding covers
    uint8_t kind = 0;      // Variable, Literal or Definition
    uint8_t type = 0;      // variable type code; 1 for an FN definition
    uint64_t payload = 0;  // value address, number word, DEF text, block end,
                           // or where a false IF continues
    enum : uint8_t { Variable = 1, Literal = 2, Definition = 3, Block = 4, IfFalse = 5 };
};

// The formal parameter list of a definition, decoded once: plain
// variables only (their addresses are fixed until CLEAR), at most four.
struct FormalPlan {
    static constexpr int kMax = 4;
    uint32_t key = 0;               // text address after the DEF's "("
    int count = 0;
    bool numeric = false;           // every formal an integer or real variable
    const uint8_t* body = nullptr;  // text after the list's ")"
    VarRef refs[kMax];
    const uint8_t* after[kMax] = {};  // text after each formal
};

// A LOCAL list of plain numeric variables, decoded once.
struct LocalPlan {
    static constexpr int kMax = 8;
    uint32_t key = 0;               // text address of the list
    int count = 0;
    const uint8_t* end = nullptr;   // text after the list
    VarRef refs[kMax];
};

// Thrown to leave the statement loop for good (QUIT, stop sequence).
struct StopRun {
    int status;
};

class Interp {
public:
    Interp(Memory& memory, host::Host& host);
    ~Interp();

    // Initialises the fixed area, checks the program at PAGE and runs it.
    // Returns the process exit status (0 normal end, 1 untrapped error).
    int run_program(std::string_view command_tail);

    // ---- the text cache ----
    static constexpr uint32_t kTextCacheSize = 8192;
    TextCacheEntry* text_cache_slot(const uint8_t* q) {
        return &m_text_cache[Memory::addr(q) & (kTextCacheSize - 1)];
    }
    // Text that stays put while the program runs: the program and the
    // library area (not EVAL text on the stack or the immediate buffer).
    // Libraries lie above the stack even when HIMEM is lowered later.
    bool text_cacheable(const uint8_t* q) const {
        uint32_t a = Memory::addr(q);
        if (a < page()) return false;
        if (a < top()) return true;
        uint32_t lib = mem.fixed32(fixed::LibStart);
        return lib && a >= lib;
    }
    // A store at `addr` may change program or library text.
    // True when a numeric value of `type` at `addr` lies in the fixed area
    // or among the variable records, so that it may be loaded and stored
    // without the checks of an indirection. Addresses read from the BASIC
    // stack could have been overwritten by the program, so they are not
    // trusted (and no sum may wrap).
    bool numeric_record(uint32_t addr, uint8_t type) const {
        uint32_t size;
        switch (type) {
            case vtype::Int: size = 4; break;
            case vtype::Real5: size = 5; break;
            case vtype::Real8: size = 8; break;
            default: return false;
        }
        if (addr <= fixed::Size - size) return true;
        const uint32_t heap = heap_top();
        return addr >= top() && heap >= size && addr <= heap - size;
    }
    bool may_change_text(uint32_t addr) const { return mem.watched(addr, 1); }
    void flush_text_cache();

    // ---- shared state ----
    Memory& mem;
    host::Host& host;
    vdu::Vdu* vdu = nullptr;
    os::Os* os = nullptr;   // the interpreter's own OS layer (m_os)
    std::unique_ptr<os::Os> m_os;
    os::Channels* files = nullptr;   // the OS layer's file and serial channels
    std::unique_ptr<os::Console> m_console;   // what the file commands print through
    const uint8_t* p = nullptr;   // text pointer
    uint32_t sp = 0;              // BASIC stack pointer
    int exit_status = 0;
    // Where the program at PAGE came from, for the "FILE:LINE: message"
    // diagnostic: the file name and, for a text program, the text line of
    // each program line (empty for a tokenised image).
    std::string program_file;
    std::vector<uint32_t> program_text_lines;
    // The diagnostic for an untrapped error, or empty when the program
    // did not come from a file.
    std::string error_location(std::string_view message);

    // ---- fixed-area fields ----
    uint32_t page() const { return mem.fixed32(fixed::Page); }
    uint32_t top() const { return mem.fixed32(fixed::Top); }
    uint32_t lomem() const { return mem.fixed32(fixed::Lomem); }
    // The heap top as the program may have left it: only for the room
    // checks, which compare it with the stack pointer without wrapping
    // (`sp - heap_top() <= margin`: a heap top above the stack passes, so
    // that an error handler can still run to mend it). What is allocated
    // takes heap_top_checked; what is pushed, push_room_check.
    uint32_t heap_top() const { return mem.fixed32(fixed::HeapTop); }
    // The heap top where something is to be allocated: outside committed
    // memory it is "Address out of range".
    uint32_t heap_top_checked() const {
        uint32_t a = mem.fixed32(fixed::HeapTop);
        if (a - mem.base() >= mem.committed_size()) [[unlikely]] raise(Err::AddressOutOfRange);
        return a;
    }
    void set_heap_top(uint32_t a) { mem.set_fixed32(fixed::HeapTop, a); }
    uint32_t himem() const { return mem.fixed32(fixed::Himem); }
    // True when `a` may be the top of the BASIC stack (HIMEM, the stack
    // level of ON ERROR LOCAL): within committed memory.
    bool stack_top_ok(uint32_t a) const { return a - mem.base() <= mem.committed_size(); }
    // HIMEM as the stack's top, checked ("Address out of range").
    uint32_t stack_base() const {
        uint32_t a = himem();
        if (!stack_top_ok(a)) [[unlikely]] raise(Err::AddressOutOfRange);
        return a;
    }
    // Text at `a`, an address read back from memory the program can write
    // (a frame on the BASIC stack, a word of the fixed area): it must lie in
    // committed memory ("Address out of range" otherwise). The guard after
    // the reservation stops any scan that runs on from there.
    const uint8_t* text_at(uint32_t a) const {
        if (a - mem.base() < mem.committed_size()) [[likely]] return Memory::unchecked_ptr(a);
        raise(Err::AddressOutOfRange);
    }
    bool text_ok(uint32_t a) const { return a - mem.base() < mem.committed_size(); }
    // The first line of the program, or of the library area (PAGE and the
    // library start are fixed-area words a program can overwrite).
    const uint8_t* program_start() const { return text_at(page()); }
    const uint8_t* program_or_null() const { return text_ok(page()) ? Memory::unchecked_ptr(page()) : nullptr; }
    uint32_t acc() const { return mem.base(); }   // string accumulator
    uint8_t options() const { return mem.fixed8(fixed::Options); }
    values::RealMode mode() const {
        return (options() & kOptFloat64) ? values::RealMode::Eight : values::RealMode::Five;
    }
    bool lowercase() const { return options() & kOptLowercase; }
    uint32_t at_percent() const { return mem.fixed32(fixed::AtPercent); }
    uint32_t count() const { return mem.fixed32(fixed::Count); }
    void set_count(uint32_t c) { mem.set_fixed32(fixed::Count, c); }

    // ---- execution (exec.cpp) ----
    // Runs statements from the text pointer until the program stops.
    void run_loop(bool from_start);
    // Runs statements for a function call until its "=" returns.
    Value run_function();
    // Executes statements from the text pointer; returns only for a
    // function return "=" when `in_fn` is set.
    Value exec(bool in_fn);
    // Prints the TRACE output for a line.
    void trace_line(uint16_t number);
    // Skips spaces at the text pointer and returns the next byte.
    uint8_t skip_spaces() { while (*p == ' ') ++p; return *p; }
    // True at the end of a statement (":", CR, ELSE).
    bool at_statement_end() { uint8_t c = skip_spaces(); return c == ':' || c == 13 || c == 0x8B; }
    // Requires the end of the statement ("Syntax error" otherwise).
    void expect_statement_end() { if (!at_statement_end()) raise(Err::SyntaxError); }
    // Moves the text pointer to the CR of the current line.
    void skip_to_line_end() { while (*p != 13) ++p; }
    // Address of the line with number `n` ("No such line" if absent).
    const uint8_t* find_line(uint32_t n);
    const uint8_t* find_line_walk(uint32_t n);
    // Starts execution at the line whose length byte is at `line`.
    void goto_line(const uint8_t* line);
    // Line number of the line containing `addr` in the program (0 if none).
    uint16_t line_number_at(uint32_t addr, std::string* library_name = nullptr);
    // The stop sequence: never returns. `status` is the exit status.
    [[noreturn]] void stop_sequence(int status);
    void poll();   // the urgent-flag poll between statements
    // The poll of waiting loops and long statements: quit, tick and
    // Escape only (events wait for the statement boundary).
    void poll_waiting();
    // Delivers the oldest queued event (os_statements.cpp); true when its
    // handler now runs as an interrupting GOSUB.
    bool deliver_event();
    // Reads one key (timeout_cs < 0: waits for one; otherwise INKEY's
    // time limit, -1 when it passes). 27 while an Escape is pending; the
    // next statement boundary raises it. Ends the run on quit.
    int get_key(int timeout_cs);
    // The same, raising a pending Escape at once (INPUT).
    int read_key(int timeout_cs);
    // QUIT: asks the host to close and waits for the quit flag.
    [[noreturn]] void quit(int status);

    // ---- errors (error_stmt.cpp) ----
    // Turns a caught error into a trap or the default report. Returns
    // true when execution continues at a handler at or below `level_sp`.
    // At the outermost level (`top`) an untrapped error is reported and
    // the stop sequence entered.
    bool handle_error(const BasicError& e, uint32_t level_sp, bool top);
    std::string position_suffix();

    // ---- memory (memory_stmt.cpp) ----
    bool program_check(uint32_t start, uint32_t* end_marker = nullptr);
    void clear();
    void run_from_start();   // RUN
    void check_room() {
        if (sp - heap_top() <= 1024u) raise(Err::NoRoom);
    }
    void check_room_for(uint32_t heap_end) {
        if (static_cast<uint64_t>(heap_end) + 1024u >= sp) raise(Err::NoRoom);
    }
    // Allocates `size` zeroed bytes at the heap top ("No room" if short).
    uint32_t heap_alloc(uint32_t size);

    // ---- the BASIC stack ----
    void push32(uint32_t v) { sp -= 4; std::memcpy(Memory::unchecked_ptr(sp), &v, 4); }
    uint32_t pop32() { uint32_t v; std::memcpy(&v, Memory::unchecked_ptr(sp), 4); sp += 4; return v; }
    uint32_t peek32(uint32_t off = 0) const { uint32_t v; std::memcpy(&v, Memory::unchecked_ptr(sp + off), 4); return v; }
    // Room for `bytes` more on the stack: above the heap top by the margin,
    // and in any case above the bottom of memory by it (the heap top may
    // have been overwritten).
    void push_room_check(uint32_t bytes) {
        if (sp - heap_top() < 1024u + bytes || sp - mem.base() < 1024u + bytes) raise(Err::NoRoom);
    }
    // Pushes a string (bytes, then a word with the length in its low byte
    // and `code` in its second byte).
    void push_string(const Value& s, uint8_t code = 0) { push_bytes(s.str_addr, s.str_len, code); }
    void push_bytes(uint32_t addr, uint8_t len, uint8_t code = 0) {
        push_room_check(4u + len);
        sp -= len;
        if (len) std::memmove(Memory::unchecked_ptr(sp), Memory::unchecked_ptr(addr), len);
        push32(static_cast<uint32_t>(len) | (static_cast<uint32_t>(code) << 8));
    }
    // Pops a string pushed by push_string into the accumulator.
    Value pop_string(uint8_t* code = nullptr);
    // Pops ON ERROR LOCAL and LOCAL DATA frames lying on top.
    void unwind_error_and_data_frames();

    // ---- variables (variables.cpp) ----
    // Looks up the name at `p`; on Found fills `ref` and advances `p`
    // past the name (and, for arrays, past the subscripts).
    Lookup lookup_var(VarRef& ref);
    // Parses a reference (variable, element, indirection, whole array),
    // creating a variable when it does not exist. Raises for non-names.
    VarRef get_ref_create();
    // A static integer or an already resolved plain variable at p.
    bool quick_ref(VarRef& ref);
    // Looks up the name at `q` without creating anything or moving p.
    Lookup find_var_name(const uint8_t* q, VarRef& ref, const uint8_t*& end);
    // Parses a reference that must exist ("No such variable"); NotName
    // results in `ok` false with p unchanged.
    bool get_ref(VarRef& ref);
    Value load(const VarRef& ref);
    Num load_num(const VarRef& ref);
    void store_num(const VarRef& ref, Num n);
    void store_str(const VarRef& ref, const Value& s);
    void store(const VarRef& ref, const Value& v);
    // Static integer variable A%..Z%, @% (index 0 = @%).
    int32_t static_int(int i) const { return static_cast<int32_t>(mem.fixed32(4 * i)); }
    // Assignment statement body (after LET, or at a name).
    void assignment();
    // Creates a variable record for the name at p; returns its value address.
    uint32_t create_var(const uint8_t* name, const uint8_t* name_end, uint32_t head_off, uint32_t value_size);
    // True when a chain record may be read at `rec`: records are made in
    // the heap or (system variables) the fixed area, but a program can
    // overwrite links and heads through indirection, so walks check.
    bool record_ok(uint32_t rec) const {
        if (rec < fixed::Size) return rec >= fixed::SysVars && rec + 16 <= fixed::Size;
        return mem.valid(rec, 256);
    }
    // Longest chain walk: a link loop made by overwriting memory ends here.
    static constexpr uint32_t kMaxChainSteps = 1u << 22;
    // The array descriptor at `desc`, checked to lie in memory with all its
    // dimension sizes ("Address out of range" otherwise).
    const uint8_t* descriptor(uint32_t desc) {
        const uint8_t* d = mem.at(desc, 1);
        mem.at(desc, 1u + 4u * d[0]);
        return d;
    }
    // The same for the commonest case, a one-dimensional array in
    // committed memory, with one range check; anything else takes the
    // checks above, so the outcome is always theirs.
    const uint8_t* descriptor_quick(uint32_t desc) {
        const uint8_t* d = mem.committed(desc, 5);
        if (d && d[0] == 1) return d;
        return descriptor(desc);
    }
    // Array element count of a descriptor; element size from the type.
    static uint32_t element_size(uint8_t type) {
        switch (type & ~vtype::Array) {
            case vtype::Int: return 4;
            case vtype::Real5: return 5;
            case vtype::Real8: return 8;
            case vtype::StrVar: return 6;
            default: return 4;
        }
    }
    uint32_t array_count(uint32_t descriptor);

    // ---- expressions (values/eval.cpp) ----
    Value expr();
    Num num_expr();
    int32_t int_expr();
    Value str_expr();
    Value factor();
    Value factor_slow(uint8_t c);
    // Subscripts of an element of the array whose descriptor slot is at
    // `slot` (p after the name's "("); returns the element's address.
    uint32_t array_element(uint32_t slot, uint8_t type);
    // Binary indirection ("?" or "!") after a numeric reference, loaded.
    Value indirection_after(VarRef ref);
    Num num_factor();
    int32_t int_factor();
    Value str_factor();
    Value bracketed();
    void comma() { if (skip_spaces() != ',') raise(Err::MissingComma); ++p; }
    void close_bracket() { if (skip_spaces() != ')') raise(Err::MissingBracket); ++p; }
    int32_t to_int(Num n) { return values::to_int(n); }
    // String built in the accumulator from a host buffer.
    Value make_string(std::string_view s);
    // Copies a string value into the accumulator (if not already there).
    Value to_acc(const Value& s);
    // Native stack bound for deep recursion ("No room" instead of a crash).
    void check_native_stack() {
        char probe;
        if (&probe < native_stack_floor) raise(Err::NoRoom);
    }
    const char* native_stack_floor = nullptr;
    size_t native_stack_limit_bytes = 0;

    // ---- output (values/print.cpp) ----
    void oswrch(uint8_t c);           // VDU stream
    void count_out(uint8_t c);        // counting output (COUNT, WIDTH)
    void count_newline() { count_out(13); count_out(10); }
    void count_text(std::string_view s) { for (char c : s) count_out(static_cast<uint8_t>(c)); }
    // Abandons a partial VDU sequence and any redirection (error reports).
    void vdu_reset();
    // The VDU's start-up state (after the fixed area is set up), and the
    // moment the program stops (screenshot; the text mirror ends).
    void vdu_start();
    void vdu_program_stopped();

    // While an assembler operand is evaluated with errors off, a name
    // that is no variable reads as P% (interp/asm_statements.cpp).
    bool asm_names_read_pc = false;
    // The CPU emulator and the system functions of SYS, CALL and USR
    // (interp/sys_statements.cpp), made on first use.
    std::shared_ptr<void> machine_state;
    // The memory device context's pens, brushes and colours (sys_gdi.cpp).
    std::shared_ptr<void> gdi_state;

    // ---- star commands (interp/os_statements.cpp) ----
    void oscli(std::string_view command);

    // Initialises the fixed variable area and the BASIC memory layout.
    void init_fixed_area(std::string_view command_tail);
    // TIME is the centisecond clock minus this offset (TIME = n sets it).
    uint32_t time_offset = 0;
    TextCacheEntry* m_text_cache = nullptr;
    // Lines found by number: (number, address) pairs by number.
    static constexpr uint32_t kLineCacheSize = 256;
    uint32_t m_line_cache[kLineCacheSize][2] = {};
    static constexpr uint32_t kFormalPlans = 256;
    FormalPlan* m_formal_plans = nullptr;
    static constexpr uint32_t kLocalPlans = 256;
    LocalPlan* m_local_plans = nullptr;
    ExprCompiler m_compiler;
    // Counts variables created and call sites resolved: decodings that
    // failed for want of either are only worth retrying once it moves.
    uint64_t names_resolved = 0;
    // Counts jumps to a line by number (GOTO, GOSUB, THEN/ELSE line).
    uint32_t m_jumps = 0;
    // Evaluates a compiled expression at p, if there is one (true), or
    // tries to compile it.
    bool compiled_expr(Num& out);
    // Decoded string and function expressions (values/plans.h).
    ExprPlans m_plans;
    enum class Want : uint8_t { Any, Number, String };
    // Evaluates the expression at p from its decoded form when there is
    // one giving the wanted type (true), or tries to decode it.
    bool planned_expr(Value& out, Want want);
    const PlanSlot* ready_plan() const;
    Value run_plan(const PlanSlot* s);
    // Decodes the statement at `start` into `slot` (left empty when it
    // should be tried again later).
    void build_stmt_slot(const uint8_t* start, StmtSlot& slot);
    // Where a true IF goes on, from the text after its condition at `end`:
    // the line after THEN <number> (0: none or not found) and otherwise
    // the text after THEN (0 when a line number follows).
    void if_targets(const uint8_t* end, uint32_t& line, uint32_t& true_at);
};


// A decoded form of the expression at p that is ready to run. The numeric
// compiler takes none of them, so one is tried before it.
inline const PlanSlot* Interp::ready_plan() const {
    const PlanSlot* s = m_plans.slot(p);
    return s->key == Memory::addr(p) && s->state == PlanSlot::Ready ? s : nullptr;
}

inline Value Interp::run_plan(const PlanSlot* s) {
    uint16_t len = s->len;
    const uint8_t* start = p;
    Value v = m_plans.run(*this, s->start);
    p = start + len;
    return v;
}


// The fixed-area offset of the static integer variable (@% or A%..Z%) at
// `q`, or -1: an array A%( or binary indirection after the name is not one.
inline int static_int_at(const uint8_t* q) {
    uint8_t c = q[0];
    if (((c >= 'A' && c <= 'Z') || c == '@') && q[1] == '%' && q[2] != '(' && q[2] != '!' && q[2] != '?')
        return 4 * (c - '@');
    return -1;
}

// Stores into a variable or array element (never program text: records
// live in the heap or the fixed area) with the conversions of store_num.
inline void store_variable(Memory& mem, uint32_t addr, uint8_t type, Num n) {
    uint8_t* v = addr < fixed::Size ? mem.fixed_area() + addr : Memory::unchecked_ptr(addr);
    switch (type) {
        case vtype::Int: {
            uint32_t i = static_cast<uint32_t>(values::ops::int_of(n));
            std::memcpy(v, &i, 4);
            return;
        }
        case vtype::Real5: {
            Num r = values::is_r8(n) ? values::to_r5(n) : n;
            uint32_t m = static_cast<uint32_t>(r);
            std::memcpy(v, &m, 4);
            v[4] = static_cast<uint8_t>(r >> 32);
            return;
        }
        default:
            std::memcpy(v, &n, 8);
            return;
    }
}

// The number stored at `v` in the form of a variable of type Int, Real5
// or Real8.
inline Num load_stored(const uint8_t* v, uint8_t type) {
    switch (type) {
        case vtype::Int: {
            int32_t i;
            std::memcpy(&i, v, 4);
            return values::num_int(i);
        }
        case vtype::Real5: {
            uint32_t m;
            std::memcpy(&m, v, 4);
            return (static_cast<uint64_t>(v[4]) << 32) | m;
        }
        default: {
            Num n;
            std::memcpy(&n, v, 8);
            return n;
        }
    }
}

// Loads a numeric variable or array element (Int, Real5 or Real8 type).
inline Num load_variable(Memory& mem, uint32_t addr, uint8_t type) {
    return load_stored(addr < fixed::Size ? mem.fixed_area() + addr : Memory::unchecked_ptr(addr), type);
}

inline bool ExprCompiler::run_short(const CIns* pc, values::Num& out) {
    using namespace cop;
    // An integer operand: an integer constant or an integer variable,
    // whose value is at the host address in `k`.
    auto leaf_int = [](int leaf, const CIns& ins, int32_t& value) {
        switch (leaf) {
            case Const:
                if (!values::is_int(ins.k)) return false;
                value = values::as_int(ins.k);
                return true;
            case StaticInt:
            case VarInt:
                std::memcpy(&value, reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(ins.k)), 4);
                return true;
            default:
                return false;
        }
    };
    int32_t a, b, r;
    if (pc[1].op == Return) {
        if (pc[0].op == Const) {
            out = pc[0].k;
            return true;
        }
        if (!leaf_int(pc[0].op, pc[0], a)) return false;
        out = values::num_int(a);
        return true;
    }
    if (pc[2].op != Return) return false;
    // A fused +, - or comparison: the table gives which (high nibble) and
    // the kind of operand (low nibble).
    static constexpr std::array<uint8_t, 256> kShort = [] {
        std::array<uint8_t, 256> t{};
        for (int leaf = Const; leaf <= VarInt; ++leaf) {
            t[Fused + leaf] = static_cast<uint8_t>(0x10 | leaf);                              // +
            t[Fused + kLeaves + leaf] = static_cast<uint8_t>(0x20 | leaf);                    // -
            t[Fused + (kFusedOps - 1) * kLeaves + leaf] = static_cast<uint8_t>(0x30 | leaf);  // compare
        }
        return t;
    }();
    const uint8_t shape = kShort[pc[1].op];
    if (shape == 0 || !leaf_int(pc[0].op, pc[0], a) || !leaf_int(shape & 15, pc[1], b)) return false;
    switch (shape >> 4) {
        case 1:
            if (__builtin_add_overflow(a, b, &r)) return false;
            break;
        case 2:
            if (__builtin_sub_overflow(a, b, &r)) return false;
            break;
        default: {
            const int c = a < b ? -1 : a > b ? 1 : 0;
            r = values::ops::compare_result(c, pc[1].type) ? -1 : 0;
            break;
        }
    }
    out = values::num_int(r);
    return true;
}

inline values::Num ExprCompiler::run(Interp& in, uint32_t start) {
    values::Num value;
    if (run_short(m_code.data() + start, value)) return value;
    return eval(in, start);
}

[[noreturn]] void not_available(const char* what);
// Closes every open file channel (END, errors in the program).
void close_all_files(Interp& in);

}  // namespace kov::interp
