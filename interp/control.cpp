// Control structures: FOR ... NEXT, REPEAT ... UNTIL, WHILE ... ENDWHILE,
// single-line and block IF, CASE ... OF ... ENDCASE, GOTO, GOSUB ... RETURN
// and ON expression GOTO/GOSUB/PROC.
//
// Loops and subroutines keep their state in frames on the BASIC stack and
// jump straight back through the text pointer saved there. Block IF and
// CASE keep no state: they find the end of a block by scanning whole lines
// for block keywords that stand first in a line's body.
#include <cstring>

#include "interp/frames.h"
#include "interp/interp.h"
#include "interp/keywords.h"
#include "interp/statements.h"
#include "values/operators.h"
#include "values/plans.h"

namespace kov::interp {

using values::Num;

namespace {

inline uint32_t addr_of(const uint8_t* q) { return Memory::addr(q); }

inline void set_statement_pointer(Interp& in, const uint8_t* q) {
    in.mem.set_fixed32(fixed::StmtPtr, addr_of(q));
}

// A number word read from two consecutive stack words (low half first).
inline Num stack_num(const Interp& in, uint32_t off) {
    return static_cast<Num>(in.peek32(off)) | (static_cast<Num>(in.peek32(off + 4)) << 32);
}

inline void push_num(Interp& in, Num n) {
    in.push32(values::num_high(n));
    in.push32(static_cast<uint32_t>(n));
}

bool is_zero(Num n) {
    if (values::is_int(n)) return values::as_int(n) == 0;
    return values::to_double(n) == 0.0;
}

// The sign of a stored number: bit 31 of an integer or of a 5-byte
// mantissa, bit 63 of a double.
bool is_negative(Num n) {
    if (values::is_int(n)) return values::as_int(n) < 0;
    if (values::is_r5(n)) return (values::r5_mantissa(n) & 0x80000000u) != 0;
    return (n >> 63) != 0;
}

// First character of something a reference can be parsed from: a name or
// a unary indirection operator.
bool is_reference_start(uint8_t c) {
    if (c == '$' || c == '!' || c == '?' || c == '|') return true;
    return is_name_char(c) && !(c >= '0' && c <= '9');
}

// Jumps to line `n` of the program by line entry.
void jump_to_line(Interp& in, int32_t n) {
    in.goto_line(in.find_line(static_cast<uint32_t>(n)));
}

// After ELSE (IF's false branch or ON's out-of-range branch): a line
// number means GOTO; anything else runs as the following statement.
void take_else(Interp& in) {
    if (in.skip_spaces() == tok::LineNumber) jump_to_line(in, in.int_factor());
}

// The byte-by-byte scans step over string literals and over REM and DATA
// text, whose bytes are not keywords. `q` at a byte of the text: where the
// scan looks next (past a literal; at the CR for REM and DATA), or `q`
// itself when its byte is to be examined.
inline const uint8_t* step_over_text(const uint8_t* q) {
    if (*q == '"') {
        ++q;
        while (*q != '"' && *q != 13) ++q;
        return *q == '"' ? q + 1 : q;
    }
    if (*q == tok::Rem || *q == tok::Data) {
        while (*q != 13) ++q;
    }
    return q;
}

// Moves the text pointer to the end of the current statement (":", CR or
// ELSE), stepping over string literals.
void skip_to_statement_end(Interp& in) {
    for (;;) {
        in.p = step_over_text(in.p);
        if (*in.p == ':' || *in.p == 13 || *in.p == tok::Else) return;
        if (*in.p != '"') ++in.p;
    }
}

// The block scan shared by block IF and CASE. Walks whole lines from
// `line` (a length byte). A line whose first body byte is `target_a` or
// `target_b` at depth 0, or is `closing` at depth 0, ends the scan: the
// line is returned. A `closing` line at a deeper level closes one nested
// block; a line whose last byte before its CR is `opener` opens one.
// Returns nullptr at the end marker.
const uint8_t* block_scan_lines(const uint8_t* line, uint8_t target_a, uint8_t target_b, uint8_t closing,
                                uint8_t opener);

// The block scan, remembered per starting line and first target: the
// answer depends only on the program text.
const uint8_t* block_scan(Interp& in, const uint8_t* line, uint8_t target_a, uint8_t target_b,
                          uint8_t closing, uint8_t opener) {
    TextCacheEntry* e = in.text_cache_slot(line);
    if (e->key == Memory::addr(line) && e->kind == TextCacheEntry::Block && e->type == target_a)
        return Memory::unchecked_ptr(static_cast<uint32_t>(e->payload));
    const uint8_t* found = block_scan_lines(line, target_a, target_b, closing, opener);
    if (found && in.text_cacheable(line)) {
        e->key = Memory::addr(line);
        e->len = 0;
        e->kind = TextCacheEntry::Block;
        e->type = target_a;
        e->payload = Memory::addr(found);
    }
    return found;
}

const uint8_t* block_scan_lines(const uint8_t* line, uint8_t target_a, uint8_t target_b, uint8_t closing,
                                uint8_t opener) {
    int depth = 0;
    for (;; line += line[0]) {
        uint8_t len = line[0];
        if (len == 0) return nullptr;
        uint8_t first = line[3];
        if (depth == 0 && (first == target_a || first == target_b)) return line;
        if (first == closing) {
            if (depth == 0) return line;
            --depth;
        }
        if (len > 4 && line[len - 2] == opener) ++depth;
    }
}

// The line whose first body byte is the block keyword that line entry has
// just met. Line entry points the statement pointer at the line's body;
// the text pointer (at or just after the keyword) serves when it does not.
const uint8_t* block_keyword_line(Interp& in, uint8_t kw_a, uint8_t kw_b) {
    uint32_t body = in.mem.fixed32(fixed::StmtPtr);
    if (body >= in.page() && in.mem.valid(body, 1)) {
        uint8_t first = *in.text_at(body);
        if (first == kw_a || first == kw_b) return in.text_at(body) - 3;
    }
    if (*in.p == kw_a || *in.p == kw_b) return in.p - 3;
    return in.p - 4;
}

// Line entry for a line passed over by the WHILE scan: TRACE output and
// the statement pointer. Returns false at the end marker.
bool enter_scanned_line(Interp& in, const uint8_t* line) {
    if (line[0] == 0) return false;
    uint16_t number = static_cast<uint16_t>(line[1] | (line[2] << 8));
    uint16_t limit = in.mem.fixed16(fixed::TraceLimit);
    if (limit && number <= limit) in.trace_line(number);
    set_statement_pointer(in, line + 3);
    return true;
}

// WHILE with a false condition: step over the loop body to the matching
// ENDWHILE, byte by byte, nesting on WHILE. Reaching the end of the text
// leaves the pointer at the last CR, so the loop's line entry ends the run.
bool skip_while_body(Interp& in) {
    int depth = 1;
    const uint8_t* q = in.p;
    for (;;) {
        q = step_over_text(q);
        uint8_t c = *q;
        if (c == '"') continue;   // a literal right after another
        if (c == tok::While) {
            ++depth;
        } else if (c == tok::Endwhile) {
            if (--depth == 0) {
                in.p = q + 1;
                return true;
            }
        } else if (c == 13) {
            if (!enter_scanned_line(in, q + 1)) {
                in.p = q;
                return false;
            }
            q += 4;
            continue;
        }
        ++q;
    }
}

// Drops ON ERROR LOCAL and LOCAL DATA frames, then requires a frame with
// `tag` on top.
inline void require_frame(Interp& in, uint32_t tag, Err error) {
    if (in.peek32() == tag) return;   // the common case: nothing to unwind
    in.unwind_error_and_data_frames();
    if (in.peek32() != tag) raise(error);
}

}  // namespace

bool skip_while_loop(Interp& in) { return skip_while_body(in); }

// FOR var = start TO limit [STEP step]
void stmt_for(Interp& in) {
    if (!is_reference_start(in.skip_spaces())) raise(Err::BadForVariable);
    VarRef var = in.get_ref_create();
    if (var.type & (vtype::StrMem | vtype::Array)) raise(Err::BadForVariable);
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    in.store_num(var, in.num_expr());
    if (in.skip_spaces() != tok::To) raise(Err::MissingTo);
    ++in.p;
    Num limit = in.num_expr();
    Num step = values::num_int(1);
    if (in.skip_spaces() == tok::Step) {
        ++in.p;
        step = in.num_expr();
        if (is_zero(step)) raise(Err::StepZero);
    }
    in.push_room_check(kForFrame);
    in.push32(var.addr);
    in.push32(var.type);
    push_num(in, limit);
    push_num(in, step);
    in.push32(addr_of(in.p));
    in.push32(ftag::For);
}

// NEXT [var] [, var ...]

// The common counted loop: a FOR frame on top, an integer variable, step
// and limit, no overflow, and NEXT either alone or naming the loop's own
// static integer variable. Returns false to take the general path.
inline bool next_fast(Interp& in) {
    ForFrame f;
    std::memcpy(&f, Memory::unchecked_ptr(in.sp), sizeof f);
    if (f.tag != ftag::For || f.type != vtype::Int || f.step_high != 0 || f.limit_high != 0) return false;
    const uint8_t* q = in.p;
    uint8_t c = *q;
    if (int slot = static_int_at(q); slot >= 0) {
        if (f.var != static_cast<uint32_t>(slot)) return false;
        q += 2;
        while (*q == ' ') ++q;
        c = *q;
    }
    if (c != ':' && c != 13 && c != tok::Else) return false;
    uint8_t* v = in.mem.at(f.var, 4);
    int32_t cur, sum;
    std::memcpy(&cur, v, 4);
    int32_t step = static_cast<int32_t>(f.step_low), limit = static_cast<int32_t>(f.limit_low);
    if (__builtin_add_overflow(cur, step, &sum)) return false;
    std::memcpy(v, &sum, 4);
    if (step < 0 ? sum < limit : limit < sum) {
        in.sp += kForFrame;
        in.p = q;
    } else {
        in.p = in.text_at(f.body);
    }
    return true;
}

void stmt_next(Interp& in) {
    if (next_fast(in)) return;
    for (;;) {
        require_frame(in, ftag::For, Err::NotInFor);
        uint8_t c = in.skip_spaces();
        if (c != ':' && c != 13 && c != tok::Else && c != ',') {
            // A named variable closes every inner loop up to its own.
            VarRef named;
            if (!in.get_ref(named)) raise(Err::SyntaxError);
            while (named.addr != in.peek32(kForVar)) {
                in.sp += kForFrame;
                require_frame(in, ftag::For, Err::CantMatchFor);
            }
        }
        VarRef var{in.peek32(kForVar), static_cast<uint8_t>(in.peek32(kForType))};
        Num step = stack_num(in, kForStep);
        Num limit = stack_num(in, kForLimit);
        // The sum as computed decides, not the value stored: an integer
        // variable stepped by 0.5 never reaches a limit above it.
        Num sum = values::num_add(in.load_num(var), step, in.mode());
        in.store_num(var, sum);
        bool done = is_negative(step) ? values::num_compare(sum, limit, in.mode()) < 0
                                      : values::num_compare(limit, sum, in.mode()) < 0;
        if (!done) {
            in.p = in.text_at(in.peek32(kForBody));
            return;
        }
        in.sp += kForFrame;
        if (in.skip_spaces() != ',') return;
        ++in.p;
    }
}

void stmt_repeat(Interp& in) {
    in.push_room_check(kLinkFrame);
    in.push32(addr_of(in.p));
    in.push32(ftag::Repeat);
}

void stmt_until(Interp& in) {
    require_frame(in, ftag::Repeat, Err::NotInRepeat);
    if (in.int_expr() == 0) {
        in.p = in.text_at(in.peek32(4));
        return;
    }
    in.sp += kLinkFrame;
}

void stmt_while(Interp& in) {
    in.push_room_check(kLinkFrame);
    in.push32(addr_of(in.p));
    in.push32(ftag::While);
    if (in.int_expr() != 0) return;
    in.sp += kLinkFrame;
    skip_while_body(in);
}

void stmt_endwhile(Interp& in) {
    require_frame(in, ftag::While, Err::NotInWhile);
    const uint8_t* after = in.p;
    in.p = in.text_at(in.peek32(4));
    if (in.int_expr() != 0) return;   // the body runs again
    in.sp += kLinkFrame;
    in.p = after;
}

// IF condition [THEN] ... [ELSE ...], and the block form with THEN last
// on its line.
// The statement loop runs conditions the numeric compiler takes itself;
// what comes here is mostly a condition with a ready decoded form (which
// the compiler never takes), so that is tried first.
void stmt_if(Interp& in) {
    if (const PlanSlot* s = in.ready_plan(); s && !s->is_str) {
        if (values::ops::int_of(in.run_plan(s).num) == 0) {
            // False, with no ELSE after it, as found before (if_continue).
            const TextCacheEntry* e = in.text_cache_slot(in.p);
            if (e->key == Memory::addr(in.p) && e->kind == TextCacheEntry::IfFalse && !e->type) {
                in.p = Memory::unchecked_ptr(static_cast<uint32_t>(e->payload));
                return;
            }
            if_continue(in, false);
            return;
        }
        if_continue(in, true);
        return;
    }
    if_continue(in, in.int_expr() != 0);
}

void if_continue(Interp& in, bool condition) {
    if (condition) {
        if (in.skip_spaces() == tok::Then) {
            ++in.p;
            if (in.skip_spaces() == tok::LineNumber) jump_to_line(in, in.int_factor());
        }
        return;
    }
    // Where a false condition continues depends only on the text after
    // it, so the scan's answer is remembered there.
    TextCacheEntry* e = in.text_cache_slot(in.p);
    if (e->key == Memory::addr(in.p) && e->kind == TextCacheEntry::IfFalse) {
        in.p = Memory::unchecked_ptr(static_cast<uint32_t>(e->payload));
        if (e->type) take_else(in);
        return;
    }
    const uint8_t* start = in.p;
    bool is_else = false;
    for (const uint8_t* q = in.p;; ++q) {
        q = step_over_text(q);
        uint8_t c = *q;
        if (c == '"') {   // a literal right after another
            --q;
            continue;
        }
        if (c == 13) {
            in.p = q;
            break;
        }
        if (c == tok::Else) {
            in.p = q + 1;
            is_else = true;
            break;
        }
        if (c == tok::Then && q[1] == 13) {
            const uint8_t* line = block_scan(in, q + 2, tok::Else, tok::Endif, tok::Endif, tok::Then);
            if (!line) raise(Err::MissingEndif);
            in.p = line + 4;
            break;
        }
    }
    if (in.text_cacheable(start)) {
        e->key = Memory::addr(start);
        e->len = 0;
        e->kind = TextCacheEntry::IfFalse;
        e->type = is_else;
        e->payload = Memory::addr(in.p);
    }
    if (is_else) take_else(in);
}

// Line entry met ELSE first in a line: the THEN part of a block IF has
// run, so continue after the matching ENDIF.
void skip_else_block(Interp& in) {
    const uint8_t* line = block_keyword_line(in, tok::Else, tok::Else);
    const uint8_t* end = block_scan(in, line, tok::Endif, tok::Endif, tok::Endif, tok::Then);
    if (!end) raise(Err::MissingEndif);
    in.p = end + 4;
}

// Line entry met WHEN or OTHERWISE first in a line: a CASE branch has
// run, so continue after the matching ENDCASE.
void skip_when_block(Interp& in) {
    const uint8_t* line = block_keyword_line(in, tok::When, tok::Otherwise);
    const uint8_t* end = block_scan(in, line, tok::Endcase, tok::Endcase, tok::Endcase, tok::Of);
    if (!end) raise(Err::MissingEndcase);
    in.p = end + 4;
}

// CASE expression OF: run the first WHEN branch with an equal value, else
// OTHERWISE, else nothing.
void stmt_case(Interp& in) {
    Value value = in.expr();
    // A string value is copied aside: the WHEN expressions reuse the
    // accumulator and may call functions.
    char text[256];
    if (value.is_str) std::memcpy(text, Memory::unchecked_ptr(value.str_addr), value.str_len);
    if (in.skip_spaces() != tok::Of) raise(Err::MissingOf);
    if (in.p[1] != 13) raise(Err::OfNotLast);
    const uint8_t* line = in.p + 2;
    for (;;) {
        line = block_scan(in, line, tok::When, tok::Otherwise, tok::Endcase, tok::Of);
        if (!line) raise(Err::MissingEndcase);
        set_statement_pointer(in, line + 3);
        in.p = line + 4;
        if (line[3] != tok::When) return;   // OTHERWISE or ENDCASE
        bool matched = false;
        for (;;) {
            Value w = in.expr();
            if (w.is_str != value.is_str) raise(Err::TypeMismatch);
            if (!matched) {
                matched = value.is_str ? w.str_len == value.str_len &&
                                             std::memcmp(Memory::unchecked_ptr(w.str_addr), text, w.str_len) == 0
                                       : values::num_compare(w.num, value.num, in.mode()) == 0;
            }
            if (in.skip_spaces() != ',') break;
            ++in.p;
        }
        if (matched) return;
        line += line[0];
    }
}

void stmt_goto(Interp& in) {
    int32_t n = in.int_factor();
    in.expect_statement_end();
    jump_to_line(in, n);
}

void stmt_gosub(Interp& in) {
    int32_t n = in.int_factor();
    in.expect_statement_end();
    in.push_room_check(kLinkFrame);
    in.push32(addr_of(in.p));
    in.push32(ftag::Gosub);
    jump_to_line(in, n);
}

void stmt_return(Interp& in) {
    require_frame(in, ftag::Gosub, Err::NotInSubroutine);
    in.p = in.text_at(in.peek32(4));
    in.sp += kLinkFrame;
}

// ON expression GOTO/GOSUB/PROC item, item ... [ELSE ...]; p is at the
// expression.
void on_goto(Interp& in) {
    int32_t n = in.int_expr();
    uint8_t kind = in.skip_spaces();
    if (kind != tok::Goto && kind != tok::Gosub && kind != tok::Proc) raise(Err::OnSyntax);
    ++in.p;
    // PROC items are separated by the PROC token itself, so that commas
    // in argument lists do not count.
    uint8_t separator = kind == tok::Proc ? static_cast<uint8_t>(tok::Proc) : static_cast<uint8_t>(',');
    bool in_range = n >= 1 && n <= 255;
    for (int32_t passed = 0; in_range && passed < n - 1;) {
        uint8_t c = *in.p;
        if (c == ':' || c == 13 || c == tok::Else) {
            in_range = false;
            break;
        }
        if (c == separator) ++passed;
        ++in.p;
    }
    if (!in_range) {
        while (*in.p != 13 && *in.p != tok::Else) ++in.p;
        if (*in.p == 13) raise(Err::OnRange);
        ++in.p;
        take_else(in);
        return;
    }
    in.skip_spaces();
    if (kind == tok::Proc) {
        call_proc(in, in.p);
        return;
    }
    int32_t line = in.int_factor();
    if (kind == tok::Gosub) {
        skip_to_statement_end(in);
        in.push_room_check(kLinkFrame);
        in.push32(addr_of(in.p));
        in.push32(ftag::Gosub);
    }
    jump_to_line(in, line);
}

}  // namespace kov::interp
