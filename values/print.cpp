// Moving values between variables and the outside: the counting output
// behind PRINT and INPUT prompts, PRINT, INPUT and LINE INPUT, READ, DATA
// and RESTORE, WIDTH, and the keyboard and text-position functions.
#include "values/print.h"

#include <cstring>
#include <string>

#include "interp/keywords.h"
#include "interp/statements.h"
#include "values/functions.h"
#include "values/numtext.h"
#include "values/strings.h"
#include "vdu/vdu.h"

namespace kov::interp {

namespace {

bool at_end(uint8_t c) { return c == ':' || c == 13 || c == tok::Else; }

void spaces(Interp& in, uint32_t n) {
    // A count can run to thousands of millions (SPC takes any integer):
    // Escape and quit are looked at as between statements, so such a run
    // can still be stopped.
    while (n) {
        uint32_t run = n < 4096 ? n : 4096;
        n -= run;
        while (run--) in.count_out(' ');
        if (n && in.host.flags.load(std::memory_order_relaxed)) in.poll_waiting();
    }
}

// A double-quoted literal at `q` (which points at the opening quote) is
// copied to the accumulator, each pair of quotes standing for one. Returns
// the position after the closing quote; a CR before it is error 9.
const uint8_t* read_quoted(Interp& in, const uint8_t* q, Value& out) {
    uint8_t* acc = Memory::unchecked_ptr(in.acc());
    uint32_t n = 0;
    for (++q;; ++q) {
        uint8_t c = *q;
        if (c == 13) raise(Err::MissingQuote);
        if (c == '"') {
            if (q[1] != '"') break;
            ++q;
        }
        if (n == 255) raise(Err::StringTooLong);
        acc[n++] = c;
    }
    out = Value::string(in.acc(), static_cast<uint8_t>(n));
    return q + 1;
}

// TAB( after its token: TAB(x) moves to column x of the counted output,
// starting a new line when already past it; TAB(x,y) positions the text
// cursor directly and leaves COUNT alone.
void print_tab(Interp& in) {
    int32_t x = in.int_expr();
    if (in.skip_spaces() == ',') {
        ++in.p;
        int32_t y = in.int_expr();
        in.close_bracket();
        in.oswrch(31);
        in.oswrch(static_cast<uint8_t>(x));
        in.oswrch(static_cast<uint8_t>(y));
        return;
    }
    in.close_bracket();
    uint8_t column = static_cast<uint8_t>(x);
    uint8_t count = static_cast<uint8_t>(in.count());
    if (column == count) return;
    if (column < count) {
        in.count_newline();
        count = 0;
    }
    spaces(in, static_cast<uint32_t>(column - count));
}

// SPC n after its token (n an integer factor); a negative count prints
// nothing.
void print_spc(Interp& in) {
    int32_t n = in.int_factor();
    if (n > 0) spaces(in, static_cast<uint32_t>(n));
}

// ---- the line reader for INPUT ----

// Reads one typed line into the 256-byte buffer `buf`, echoing through
// the VDU stream: printable keys are entered (at most 255), Backspace and
// Delete remove the last character, other control codes go to the VDU
// stream, CR ends the line. Escape is raised by read_key.
void read_line(Interp& in, uint8_t* buf) {
    uint32_t len = 0;
    for (;;) {
        int k = in.read_key(-1);
        if (k < 0) continue;
        uint8_t c = static_cast<uint8_t>(k);
        if (c == 13) break;
        if (c == 8 || c == 127) {
            if (len) {
                --len;
                in.oswrch(127);
            }
        } else if (c < 32) {
            in.oswrch(c);
        } else if (len == 255) {
            in.oswrch(7);
        } else {
            buf[len++] = c;
            in.oswrch(c);
        }
    }
    buf[len] = 13;
    in.oswrch(13);
    in.oswrch(10);
}

// Assigns a field of typed or DATA text to a variable: strings as they
// are, numbers through VAL (text that is no number gives 0).
void assign_field(Interp& in, const VarRef& ref, const Value& field) {
    if (ref.type == vtype::StrVar || ref.type == vtype::StrMem) {
        in.store_str(ref, field);
    } else {
        in.store_num(ref, values::num_val(field.view(), in.mode(), in.lowercase()));
    }
}

// INPUT and LINE INPUT after their keywords.
void input(Interp& in, bool line_mode) {
    // The typed line lives in the immediate line buffer; a read position
    // resting on its CR means the next variable needs a new line.
    uint8_t* buf = Memory::unchecked_ptr(in.acc() + 256);
    uint32_t buf_addr = in.acc() + 256;
    buf[0] = 13;
    uint32_t pos = 0;
    bool prompted = false;
    for (;;) {
        uint8_t c = in.skip_spaces();
        if (at_end(c)) return;
        if (c == ',' || c == ';') {
            ++in.p;
            prompted = !prompted;
            continue;
        }
        if (c == '"' || c == tok::Tab || c == tok::Spc || c == '\'') {
            // A prompt: printed, and the next variable reads a new line
            // without a question mark.
            ++in.p;
            if (c == '"') {
                Value text;
                in.p = read_quoted(in, in.p - 1, text);
                in.count_text(text.view());
            } else if (c == tok::Tab) {
                print_tab(in);
            } else if (c == tok::Spc) {
                print_spc(in);
            } else {
                in.count_newline();
            }
            prompted = true;
            buf[0] = 13;
            pos = 0;
            continue;
        }

        VarRef ref = in.get_ref_create();
        if (ref.type & vtype::Array) raise(Err::BadUseOfArray);
        if (buf[pos] == 13) {
            if (!prompted) {
                in.count_out('?');
                in.count_out(' ');
            }
            read_line(in, buf);
            in.set_count(0);
            pos = 0;
        } else {
            ++pos;   // the separator after the previous field
        }

        Value field;
        if (line_mode) {
            uint32_t start = pos;
            while (buf[pos] != 13) ++pos;
            field = Value::string(buf_addr + start, static_cast<uint8_t>(pos - start));
        } else {
            while (buf[pos] == ' ') ++pos;
            if (buf[pos] == '"') {
                pos = static_cast<uint32_t>(read_quoted(in, buf + pos, field) - buf);
            } else {
                uint32_t start = pos;
                while (buf[pos] != ',' && buf[pos] != 13) ++pos;
                field = Value::string(buf_addr + start, static_cast<uint8_t>(pos - start));
            }
            while (buf[pos] == ' ') ++pos;
        }
        assign_field(in, ref, field);
        prompted = !prompted;
    }
}

// ---- DATA ----

// From the line whose length byte is at `line`, the first line whose first
// token is DATA: the address of that token, or 0 when none follows.
uint32_t first_data_from(const uint8_t* line) {
    for (; line[0] != 0; line += line[0]) {
        const uint8_t* body = line + 3;
        while (*body == ' ') ++body;
        if (*body == tok::Data) return Memory::addr(body);
    }
    return 0;
}

// Takes the next item for the variable `ref` from the DATA pointer.
void read_item(Interp& in, const VarRef& ref) {
    uint32_t data_ptr = in.mem.fixed32(fixed::DataPtr);
    if (!data_ptr) raise(Err::OutOfData);
    const uint8_t* q = in.text_at(data_ptr);   // a word the program may have overwritten
    // Errors in the DATA text are reported there; running out of DATA is
    // reported at the READ.
    uint32_t stmt_ptr = in.mem.fixed32(fixed::StmtPtr);
    for (;;) {
        in.mem.set_fixed32(fixed::StmtPtr, Memory::addr(q));
        while (*q == ' ') ++q;
        uint8_t c = *q;
        if (c == tok::Data || c == ',') {
            ++q;
            break;
        }
        if (c == ':') {
            while (*q != 13) ++q;
        } else if (c != 13) {
            raise(Err::SyntaxError);
        }
        uint32_t next = first_data_from(q + 1);
        if (!next) {
            in.mem.set_fixed32(fixed::StmtPtr, stmt_ptr);
            raise(Err::OutOfData);
        }
        q = Memory::unchecked_ptr(next);
    }
    in.mem.set_fixed32(fixed::StmtPtr, Memory::addr(q));

    if (ref.type == vtype::StrVar || ref.type == vtype::StrMem) {
        Value field;
        while (*q == ' ') ++q;
        if (*q == '"') {
            q = read_quoted(in, q, field);
        } else {
            const uint8_t* start = q;
            while (*q != ',' && *q != 13) ++q;
            field = Value::string(Memory::addr(start), static_cast<uint8_t>(q - start));
        }
        while (*q == ' ') ++q;
        in.store_str(ref, field);
    } else {
        // A numeric item is a whole expression evaluated from the DATA text.
        const uint8_t* resume = in.p;
        in.p = q;
        Num n = in.num_expr();
        q = in.p;
        in.p = resume;
        in.store_num(ref, n);
    }
    in.mem.set_fixed32(fixed::DataPtr, Memory::addr(q));
    in.mem.set_fixed32(fixed::StmtPtr, stmt_ptr);
}

}  // namespace

// ---- counting output ----

// Every character of PRINT, INPUT prompts, TAB and SPC: COUNT follows the
// column, and a non-zero WIDTH starts a new line when COUNT reaches it.
void Interp::count_out(uint8_t c) {
    oswrch(c);
    if (c < 13) return;
    if (c == 13) {
        set_count(0);
        return;
    }
    uint32_t n = count() + 1;
    set_count(n);
    uint8_t width = mem.fixed8(fixed::Width);
    if (width && n == width) count_newline();
}

// ---- statements ----

void stmt_print(Interp& in) {
    if (*in.p == '#') return print_to_channel(in);
    // The field width and the hexadecimal flag carry from item to item
    // until a ";" or "," resets them.
    uint32_t width = in.at_percent() & 0xFF;
    bool hex = false;
    bool no_newline = false;
    for (;;) {
        uint8_t c = in.skip_spaces();
        if (at_end(c)) break;
        no_newline = false;
        switch (c) {
            case '~':
                ++in.p;
                hex = true;
                continue;
            case ';':
                ++in.p;
                no_newline = true;
                hex = false;
                width = 0;
                continue;
            case ',': {
                ++in.p;
                uint32_t field = in.at_percent() & 0xFF;
                if (field) {
                    uint32_t rest = in.count() % field;
                    if (rest) spaces(in, field - rest);
                }
                width = field;
                hex = false;
                continue;
            }
            case '\'':
                ++in.p;
                in.count_newline();
                continue;
            case tok::Tab:
                ++in.p;
                print_tab(in);
                continue;
            case tok::Spc:
                ++in.p;
                print_spc(in);
                continue;
            default:
                break;
        }
        Value v = in.expr();
        if (v.is_str) {
            in.count_text(v.view());
            continue;
        }
        std::string text = hex ? values::num_to_hex(v.num) : values::num_to_text(v.num, in.at_percent(), in.mode());
        if (width > text.size()) spaces(in, static_cast<uint32_t>(width - text.size()));
        in.count_text(text);
    }
    if (!no_newline) in.count_newline();
}

void stmt_input(Interp& in) {
    if (*in.p == '#') return input_from_channel(in);
    bool line_mode = false;
    if (*in.p == tok::Line) {
        ++in.p;
        line_mode = true;
    }
    input(in, line_mode);
}

void stmt_line(Interp& in) {
    if (*in.p != tok::Input) return interp::line_statement(in);
    ++in.p;
    input(in, true);
}

void stmt_read(Interp& in) {
    if (*in.p == '#') return input_from_channel(in);
    for (;;) {
        VarRef ref = in.get_ref_create();
        if (ref.type & vtype::Array) raise(Err::BadUseOfArray);
        read_item(in, ref);
        if (in.skip_spaces() != ',') return;
        ++in.p;
    }
}

void stmt_restore(Interp& in) {
    uint8_t c = *in.p;
    if (c == tok::Error) {
        ++in.p;
        restore_error(in);
        return;
    }
    if (c == tok::Data) {
        ++in.p;
        restore_data(in);
        return;
    }
    if (at_end(c)) {
        values::restore_to_first_data(in);
        return;
    }
    const uint8_t* line;
    if (c == '+') {
        // RESTORE +n: the n-th line after the current one (0 acts as 1).
        ++in.p;
        uint32_t n = static_cast<uint32_t>(in.int_expr());
        if (n == 0) n = 1;
        line = in.p;
        while (*line != 13) ++line;
        ++line;
        while (--n) {
            if (line[0] == 0) raise(Err::NoSuchLine);
            line += line[0];
        }
        if (line[0] == 0) raise(Err::NoSuchLine);
    } else {
        line = in.find_line(static_cast<uint32_t>(in.int_expr()));
    }
    in.mem.set_fixed32(fixed::DataPtr, first_data_from(line));
}

void stmt_width(Interp& in) { in.mem.set_fixed8(fixed::Width, static_cast<uint8_t>(in.int_expr())); }

}  // namespace kov::interp

namespace kov::values {

using interp::Interp;
using interp::Value;

void restore_to_first_data(Interp& in) {
    in.mem.set_fixed32(interp::fixed::DataPtr, interp::first_data_from(in.program_start()));
}

Value fn_count(Interp& in) { return Value::integer(static_cast<int32_t>(in.count())); }

// POS follows COUNT until the VDU driver keeps the text cursor.
// The text cursor as the VDU driver keeps it.
Value fn_pos(Interp& in) { return Value::integer(in.vdu->column()); }

Value fn_vpos(Interp& in) { return Value::integer(in.vdu->row()); }

}  // namespace kov::values
