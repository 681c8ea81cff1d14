// Raising, trapping and reporting errors; ON ERROR, ERROR, REPORT,
// RESTORE ERROR; the frames they keep on the BASIC stack.
#include <cstring>

#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

namespace {
constexpr uint8_t kTokOff = 0x87;
constexpr uint8_t kTokLocal = 0xEA;
constexpr uint32_t kMessageBuffer = 256;   // offset of the immediate line buffer
}  // namespace

std::string Interp::error_location(std::string_view message) {
    if (program_file.empty()) return {};
    uint32_t at = mem.fixed32(fixed::StmtPtr);
    std::string lib;
    uint16_t number = line_number_at(at, &lib);
    if (!lib.empty()) return lib + ":" + std::to_string(number) + ": " + std::string(message);
    // A text program: count program lines up to the one holding the
    // statement and look its text line up; a tokenised one: its number.
    uint32_t line = number;
    if (!program_text_lines.empty()) {
        line = 0;
        uint32_t a = page(), limit = mem.committed_top();
        for (size_t index = 0; a < limit && a >= page(); ++index) {
            uint8_t len = *Memory::ptr(a);
            if (len == 0) break;
            if (at >= a && at - a < len) {
                if (index < program_text_lines.size()) line = program_text_lines[index];
                break;
            }
            a += len;
        }
    }
    if (line == 0) return program_file + ": " + std::string(message);
    return program_file + ":" + std::to_string(line) + ": " + std::string(message);
}

std::string Interp::position_suffix() {
    std::string lib;
    uint16_t line = line_number_at(mem.fixed32(fixed::StmtPtr), &lib);
    std::string s;
    if (line) s = " at line " + std::to_string(line);
    if (!lib.empty()) s += " in library " + lib;
    return s;
}

bool Interp::handle_error(const BasicError& e, uint32_t level_sp, bool top) {
    bool trappable = (e.number & 0xFF) != 0;
    uint32_t handler = mem.fixed32(fixed::OnError);
    uint32_t local_sp = mem.fixed32(fixed::OnErrorLocalSp);
    uint32_t target = local_sp ? local_sp : himem();
    bool trapped = trappable && handler && target <= level_sp;
    if (trapped && (!text_ok(handler) || !stack_top_ok(target))) {
        // The handler's text or stack level was overwritten: the handler
        // cannot run, so ON ERROR is dropped and the error goes untrapped.
        mem.set_fixed32(fixed::OnError, 0);
        mem.set_fixed32(fixed::OnErrorLocalSp, 0);
        trapped = false;
    }
    if (!trapped && !top) return false;

    // Record the message (zero-terminated) where REPORT finds it.
    uint32_t buf = mem.base() + kMessageBuffer;
    size_t len = e.message.size() > 255 ? 255 : e.message.size();
    std::memcpy(Memory::unchecked_ptr(buf), e.message.data(), len);
    Memory::unchecked_ptr(buf)[len] = 0;
    mem.set_fixed32(fixed::ErrMsgAddr, buf);
    sp = target;
    mem.set_fixed8(fixed::ErrNum, static_cast<uint8_t>(e.number));
    mem.set_fixed16(fixed::Erl, line_number_at(mem.fixed32(fixed::StmtPtr)));

    if (trapped) {
        p = Memory::unchecked_ptr(handler);
        return true;
    }
    if ((e.number & 0xFF) == 0) host.message_box(e.message);
    sp = himem();
    mem.set_fixed16(fixed::TraceLimit, 0);
    vdu_reset();
    count_newline();
    count_text(std::string_view(e.message.data(), len));
    count_text(position_suffix());
    if (mem.fixed32(fixed::StmtPtr) >= page()) {
        // A file that cannot be written now is reported after the error;
        // the engine tries once more as it ends.
        try {
            close_all_files(*this);
        } catch (const BasicError& f) {
            count_newline();
            count_text(f.message);
        }
    }
    count_newline();
    std::string where = error_location(std::string_view(e.message.data(), len));
    if (!where.empty()) host.error_location(where);
    stop_sequence(1);
}

void Interp::unwind_error_and_data_frames() {
    for (;;) {
        uint32_t tag = peek32();
        if (tag == ftag::OnErrorLocal) {
            mem.set_fixed32(fixed::OnErrorLocalSp, peek32(4));
            mem.set_fixed32(fixed::OnError, peek32(8));
            sp += 12;
        } else if (tag == ftag::LocalData) {
            mem.set_fixed32(fixed::DataPtr, peek32(4));
            sp += 8;
        } else {
            return;
        }
    }
}

Value Interp::pop_string(uint8_t* code) {
    uint32_t word = pop32();
    uint8_t len = static_cast<uint8_t>(word);
    if (code) *code = static_cast<uint8_t>(word >> 8);
    std::memmove(Memory::unchecked_ptr(acc()), Memory::unchecked_ptr(sp), len);
    sp += len;
    return Value::string(acc(), len);
}

// After ON ERROR: OFF, LOCAL, or the handler text.
void on_error(Interp& in) {
    uint8_t c = in.skip_spaces();
    if (c == kTokOff) {
        in.mem.set_fixed32(fixed::OnError, 0);
        in.mem.set_fixed32(fixed::OnErrorLocalSp, 0);
    } else if (c == kTokLocal) {
        ++in.p;
        in.push_room_check(12);
        in.push32(in.mem.fixed32(fixed::OnError));
        in.push32(in.mem.fixed32(fixed::OnErrorLocalSp));
        in.push32(ftag::OnErrorLocal);
        in.mem.set_fixed32(fixed::OnError, Memory::addr(in.p));
        in.mem.set_fixed32(fixed::OnErrorLocalSp, in.sp);
    } else {
        in.mem.set_fixed32(fixed::OnError, Memory::addr(in.p));
        in.mem.set_fixed32(fixed::OnErrorLocalSp, 0);
    }
    in.skip_to_line_end();
}

void restore_error(Interp& in) {
    if (in.peek32() != ftag::OnErrorLocal) raise(0, "ON ERROR not LOCAL");
    in.mem.set_fixed32(fixed::OnErrorLocalSp, in.peek32(4));
    in.mem.set_fixed32(fixed::OnError, in.peek32(8));
    in.sp += 12;
}

// ERROR n, s$
void stmt_error(Interp& in) {
    int32_t n = in.int_expr();
    in.comma();
    Value s = in.str_expr();
    raise(n & 0xFF, s.view());
}

void stmt_report(Interp& in) {
    uint32_t a = in.mem.fixed32(fixed::ErrMsgAddr);
    for (int i = 0; i < 256; ++i) {
        uint8_t c = in.mem.read8(a + static_cast<uint32_t>(i));
        if (c == 0) break;
        in.count_out(c);
    }
}

}  // namespace kov::interp
