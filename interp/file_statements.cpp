// The file-channel statements and functions: OPENIN, OPENOUT, OPENUP,
// BGET#, BPUT#, PTR#, PTR#=, EXT#, EOF#, CLOSE#, and the channel forms
// PRINT#, INPUT#, READ# and GET$#. They read their arguments and hand
// over to the channel service.
#include <cstring>
#include <memory>
#include <string>

#include "interp/interp.h"
#include "interp/statements.h"
#include "os/channels.h"
#include "os/file_commands.h"
#include "os/file_names.h"
#include "values/functions.h"

namespace kov::interp {

namespace {

// "#" and the channel number, an integer factor.
int channel_after_hash(Interp& in) {
    if (in.skip_spaces() != '#') raise(Err::MissingHash);
    ++in.p;
    return in.int_factor();
}

int open_with(Interp& in, os::ChannelMode mode) {
    Value s = in.str_factor();
    os::FileName name = os::parse_file_name(s.view(), os::NameEnd::String, ".KOV");
    uint8_t* buf = Memory::unchecked_ptr(in.mem.base() + 512);   // the file-name buffer
    std::memcpy(buf, name.text.data(), name.text.size());
    buf[name.text.size()] = 0;
    // Headless there is no one to choose a file.
    if (name.text.empty()) raise(214, "File or path not found");
    return in.files->open(name.text, mode);
}

// The record of a number: 5 bytes of the number word (a double first
// rounded to 5 bytes), or all 8 in the 8-byte mode.
void write_number(Interp& in, int ch, Num n) {
    int bytes = 8;
    if (in.mode() == values::RealMode::Five) {
        if (values::is_r8(n)) n = values::to_r5(n);
        bytes = 5;
    }
    for (int i = 0; i < bytes; ++i) in.files->write_byte(ch, static_cast<uint8_t>(n >> (8 * i)));
}

}  // namespace

void close_all_files(Interp& in) { in.files->close(0); }

namespace {

// The file commands see the interpreter as a console: the counting
// output, and the BASIC stack pointer.
class InterpConsole final : public os::Console {
public:
    explicit InterpConsole(Interp& in) : m_in(in) {}
    void out(uint8_t c) override { m_in.count_out(c); }
    uint32_t column() override { return m_in.count(); }
    uint32_t stack_pointer() override { return m_in.sp; }

private:
    Interp& m_in;
};

}  // namespace

std::unique_ptr<os::Console> make_console(Interp& in) { return std::make_unique<InterpConsole>(in); }

// PRINT#ch, e, e ...
void print_to_channel(Interp& in) {
    int ch = channel_after_hash(in);
    while (in.skip_spaces() == ',') {
        ++in.p;
        Value v = in.expr();
        if (v.is_str) {
            // The bytes are copied first: writing may not disturb them.
            std::string bytes(v.view());
            for (char c : bytes) in.files->write_byte(ch, static_cast<uint8_t>(c));
            in.files->write_byte(ch, 13);
        } else {
            write_number(in, ch, v.num);
        }
    }
}

// INPUT#ch, v, v ... and READ#ch, ...
void input_from_channel(Interp& in) {
    int ch = channel_after_hash(in);
    while (in.skip_spaces() == ',') {
        ++in.p;
        VarRef ref = in.get_ref_create();
        if (ref.type & vtype::Array) raise(Err::BadUseOfArray);
        if (ref.type == vtype::StrVar || ref.type == vtype::StrMem) {
            // Up to a CR, which is not kept; 256 bytes without one give "".
            uint8_t* acc = Memory::unchecked_ptr(in.acc());
            uint32_t n = 0;
            for (;;) {
                uint8_t b = in.files->read_byte(ch);
                if (b == 13) break;
                if (n == 255) {
                    n = 0;
                    break;
                }
                acc[n++] = b;
            }
            in.store_str(ref, Value::string(in.acc(), static_cast<uint8_t>(n)));
        } else {
            int bytes = in.mode() == values::RealMode::Five ? 5 : 8;
            Num n = 0;
            for (int i = 0; i < bytes; ++i) n |= static_cast<Num>(in.files->read_byte(ch)) << (8 * i);
            in.store_num(ref, n);
        }
    }
}

// GET$#ch: a line ended by LF, CR or NUL (consumed, not kept).
Value get_line_from_channel(Interp& in) {
    int ch = channel_after_hash(in);
    uint8_t* acc = Memory::unchecked_ptr(in.acc());
    uint32_t n = 0;
    for (uint32_t read = 0; read < 256; ++read) {
        uint8_t b = in.files->read_byte(ch);
        if (b == 10 || b == 13 || b == 0) break;
        if (n < 255) acc[n++] = b;
    }
    return Value::string(in.acc(), static_cast<uint8_t>(n));
}

// PTR#ch = n
void stmt_ptr(Interp& in) {
    int ch = channel_after_hash(in);
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    uint32_t value = static_cast<uint32_t>(in.int_expr());
    if (ch >= 1 && ch <= os::Channels::kSerialChannels) raise(222, "Invalid channel");
    in.files->set_ptr(ch, value);
}

// BPUT#ch, n  or  BPUT#ch, s$ [;]
void stmt_bput(Interp& in) {
    int ch = channel_after_hash(in);
    in.comma();
    Value v = in.expr();
    if (!v.is_str) {
        in.files->write_byte(ch, static_cast<uint8_t>(in.to_int(v.num)));
        return;
    }
    std::string bytes(v.view());
    bool newline = true;
    if (in.skip_spaces() == ';') {
        ++in.p;
        newline = false;
    }
    for (char c : bytes) in.files->write_byte(ch, static_cast<uint8_t>(c));
    if (newline) in.files->write_byte(ch, 10);
}

// CLOSE#ch (0: every channel but *EXEC and *SPOOL)
void stmt_close(Interp& in) { in.files->close(channel_after_hash(in)); }

}  // namespace kov::interp

namespace kov::values {

using interp::Interp;
using interp::Value;

namespace {

int file_channel(Interp& in) {
    int ch = interp::channel_after_hash(in);
    // Serial ports have no pointer and no end.
    if (ch >= 1 && ch <= os::Channels::kSerialChannels) raise(222, "Invalid channel");
    return ch;
}

}  // namespace

Value fn_openin(Interp& in) { return Value::integer(interp::open_with(in, os::ChannelMode::Input)); }
Value fn_openout(Interp& in) { return Value::integer(interp::open_with(in, os::ChannelMode::Output)); }
Value fn_openup(Interp& in) { return Value::integer(interp::open_with(in, os::ChannelMode::Update)); }
Value fn_bget(Interp& in) { return Value::integer(in.files->read_byte(interp::channel_after_hash(in))); }
Value fn_ext(Interp& in) {
    return Value::integer(static_cast<int32_t>(in.files->extent(interp::channel_after_hash(in))));
}
Value fn_ptr(Interp& in) { return Value::integer(static_cast<int32_t>(in.files->ptr(file_channel(in)))); }
Value fn_eof(Interp& in) { return Value::integer(in.files->at_end(file_channel(in)) ? -1 : 0); }

}  // namespace kov::values
