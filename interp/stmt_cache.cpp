// Statements decoded once for the execution loop to run from the decoded
// form: assignments of compiled numeric expressions to numeric variables
// and array elements, IF, the loop and jump statements, "=", and the bytes
// between statements. Everything else, and anything these cannot decode
// exactly, runs through the ordinary statement handlers.
#include <cstring>

#include "interp/interp.h"
#include "interp/keywords.h"
#include "interp/statements.h"
#include "interp/tokeniser.h"

namespace kov::interp {

namespace {

constexpr uint8_t kTokIf = 0xE7;

bool numeric(uint8_t type) { return type == vtype::Int || type == vtype::Real5 || type == vtype::Real8; }

const uint8_t* skip(const uint8_t* q) {
    while (*q == ' ') ++q;
    return q;
}

// The line with number `n`, or nullptr.
const uint8_t* line_with_number(const uint8_t* line, uint32_t n) {
    if (!line) return nullptr;
    for (; line[0]; line += line[0]) {
        uint32_t number = line[1] | (line[2] << 8);
        if (number == n) return line;
        if (number > n) return nullptr;
    }
    return nullptr;
}

// A line-number token at `q` followed by the end of the statement: the
// number and the text at the statement end; false otherwise.
bool constant_line(const uint8_t* q, uint32_t& n, const uint8_t*& end) {
    if (q[0] != tok::LineNumber) return false;
    if ((q[1] & 0xC0) != 0x40 || (q[2] & 0xC0) != 0x40 || (q[3] & 0xC0) != 0x40) return false;
    n = decode_line_number(q + 1);
    end = skip(q + 4);
    return *end == ':' || *end == 13 || *end == tok::Else;
}

}  // namespace

void Interp::if_targets(const uint8_t* end, uint32_t& line, uint32_t& true_at) {
    // A true condition goes on after THEN, or at the line whose number
    // follows it.
    line = 0;
    const uint8_t* t = skip(end);
    true_at = Memory::addr(t);
    if (*t != tok::Then) return;
    t = skip(t + 1);
    true_at = Memory::addr(t);
    if (t[0] != tok::LineNumber) return;
    true_at = 0;   // the general path reports a bad or missing line
    if ((t[1] & 0xC0) == 0x40 && (t[2] & 0xC0) == 0x40 && (t[3] & 0xC0) == 0x40) {
        if (const uint8_t* found = line_with_number(program_or_null(), decode_line_number(t + 1)))
            line = Memory::addr(found);
    }
}

void Interp::build_stmt_slot(const uint8_t* start, StmtSlot& s) {
    s = StmtSlot{};
    m_compiler.forget_retry();
    if (!text_cacheable(start)) return;
    if (!m_compiler.enabled) {
        s.key = Memory::addr(start);
        s.kind = StmtSlot::Refused;
        return;
    }
    const uint8_t* q = start;
    uint8_t c = *q;
    uint32_t root;
    const uint8_t* end;
    // A compile that overflows the code buffer flushes it, and with it
    // the code of the parts compiled before: the slot is then left empty
    // and built again when next met.
    const uint32_t flushes = m_compiler.flushes();
    auto finish = [&](uint8_t kind) {
        if (end - start > 65535 || m_compiler.flushes() != flushes) return;
        s.key = Memory::addr(start);
        s.kind = kind;
        s.expr = root;
        s.len = static_cast<uint16_t>(end - start);
        if (kind == StmtSlot::AssignStatic || kind == StmtSlot::AssignVar || kind == StmtSlot::AssignElement) {
            // The line end that follows is run with the statement.
            s.next_line = ordinary_line_after(skip(end));
        }
        if (kind == StmtSlot::AssignStatic || kind == StmtSlot::AssignVar || kind == StmtSlot::AssignElement) {
            // The code stores the value and goes on by itself.
            const ptrdiff_t spaces = s.next_line ? skip(Memory::unchecked_ptr(s.next_line)) - Memory::unchecked_ptr(s.next_line) : 0;
            if (spaces > 65535) {
                s = StmtSlot{};
                return;
            }
            // Spaces and ":" after the statement are passed over at once,
            // as their own slot would.
            const uint8_t* after = end;
            while (*after == ' ' || *after == ':') ++after;
            if (kind != StmtSlot::AssignElement) {
                m_compiler.end_with_assign(s.type, s.target, Memory::addr(after), s.next_line,
                                           static_cast<uint16_t>(spaces));
                return;
            }
            s.expr = m_compiler.element_assign(s.subscript, root, s.target, s.type, Memory::addr(after), s.next_line,
                                               static_cast<uint16_t>(spaces));
            if (s.expr == ~0u) s = StmtSlot{};
        }
    };
    auto refuse = [&] {
        if (m_compiler.retry_later()) return;   // a call not resolved yet
        s.key = Memory::addr(start);
        s.kind = StmtSlot::Refused;
    };
    root = 0;
    switch (c) {
        case ' ': case ':': {
            while (*q == ' ' || *q == ':') ++q;
            s.key = Memory::addr(start);
            s.kind = StmtSlot::Skip;
            s.target = Memory::addr(q);
            return;
        }
        case 13: {
            // An ordinary line follows.
            const uint32_t body = ordinary_line_after(q);
            if (body == 0) return refuse();
            s.key = Memory::addr(start);
            s.kind = StmtSlot::LineEnd;
            s.subscript = body;
            s.target = Memory::addr(skip(Memory::unchecked_ptr(body)));
            return;
        }
        case tok::Next: {
            q = skip(q + 1);
            s.target = ~0u;
            if (int slot = static_int_at(q); slot >= 0) {
                s.target = static_cast<uint32_t>(slot);
                q = skip(q + 2);
            } else if (*q != ':' && *q != 13 && *q != tok::Else) {
                VarRef ref;
                const uint8_t* name_end;
                Lookup l = find_var_name(q, ref, name_end);
                if (l == Lookup::NotFound) return;
                if (l != Lookup::Found || !numeric(ref.type) || *name_end == '?' || *name_end == '!') return refuse();
                s.target = ref.addr;
                q = skip(name_end);
            }
            if (*q != ':' && *q != 13 && *q != tok::Else) return refuse();
            end = q;
            return finish(StmtSlot::Next);
        }
        case tok::For: {
            q = skip(q + 1);
            if (int slot = static_int_at(q); slot >= 0) {
                s.target = static_cast<uint32_t>(slot);
                s.type = vtype::Int;
                q = skip(q + 2);
            } else {
                VarRef ref;
                const uint8_t* name_end;
                Lookup l = find_var_name(q, ref, name_end);
                if (l == Lookup::NotFound) return;   // FOR creates it the first time
                if (l != Lookup::Found || !numeric(ref.type) || *name_end == '?' || *name_end == '!') return refuse();
                s.target = ref.addr;
                s.type = ref.type;
                q = skip(name_end);
            }
            if (*q != '=') return refuse();
            uint32_t limit, step = ~0u;
            if (!m_compiler.compile_part(*this, q + 1, root, end)) return refuse();
            q = skip(end);
            if (*q != tok::To) return refuse();
            if (!m_compiler.compile_part(*this, q + 1, limit, end)) return refuse();
            q = skip(end);
            if (*q == tok::Step && !m_compiler.compile_part(*this, q + 1, step, end)) return refuse();
            s.subscript = limit;
            s.step = step;
            return finish(StmtSlot::For);
        }
        case tok::Repeat:
            end = skip(q + 1);
            return finish(StmtSlot::Repeat);
        case tok::Until:
            if (!m_compiler.compile_part(*this, skip(q + 1), root, end)) return refuse();
            return finish(StmtSlot::Until);
        case tok::While: {
            const uint8_t* cond = skip(q + 1);
            if (!m_compiler.compile_part(*this, cond, root, end) || end - start > 65535) return refuse();
            s.subscript = static_cast<uint32_t>(end - start);
            end = cond;
            return finish(StmtSlot::While);
        }
        case tok::Endwhile:
            end = skip(q + 1);
            return finish(StmtSlot::Endwhile);
        case tok::Return:
            end = skip(q + 1);
            return finish(StmtSlot::Return);
        case tok::Goto: case tok::Gosub: {
            uint32_t n;
            if (!constant_line(skip(q + 1), n, end)) return refuse();
            const uint8_t* line = line_with_number(program_or_null(), n);
            if (!line) return refuse();
            s.target = Memory::addr(line);
            return finish(c == tok::Goto ? StmtSlot::Goto : StmtSlot::Gosub);
        }
        case '=':
            if (!m_compiler.compile_part(*this, q + 1, root, end)) return refuse();
            return finish(StmtSlot::FnReturn);
        case kTokIf: {
            const uint8_t* cond = skip(q + 1);
            if (!m_compiler.compile_part(*this, cond, root, end)) {
                if (m_compiler.retry_later()) return;
                // Worked out the general way; where THEN leads is found
                // when the condition's end is first known.
                end = cond;
                root = Memory::addr(cond);
                return finish(StmtSlot::IfGeneral);
            }
            if_targets(end, s.target, s.subscript);
            return finish(StmtSlot::If);
        }
        default:
            break;
    }
    if (c < '@' || c > 'z') return refuse();
    // An expression the compiler does not take is worked out the general
    // way (unless a function call in it is not resolved yet).
    auto general_assign = [&](uint8_t kind, const uint8_t* expression) {
        if (m_compiler.retry_later()) return;
        end = expression;
        root = Memory::addr(expression);
        finish(kind);
    };
    if (int slot = static_int_at(q); slot >= 0) {
        q = skip(q + 2);
        if (*q != '=') return refuse();
        s.target = static_cast<uint32_t>(slot);
        s.type = vtype::Int;
        if (!m_compiler.compile_part(*this, q + 1, root, end)) return general_assign(StmtSlot::AssignNumGeneral, q + 1);
        return finish(StmtSlot::AssignStatic);
    }
    VarRef ref;
    const uint8_t* name_end;
    Lookup l = find_var_name(q, ref, name_end);
    if (l == Lookup::NotFound) return;   // not created yet: try again next time
    if (l != Lookup::Found) return refuse();
    q = name_end;
    if (ref.type & vtype::Array) {
        uint8_t et = ref.type & static_cast<uint8_t>(~vtype::Array);
        if (!numeric(et)) return refuse();
        uint32_t sub;
        if (!m_compiler.compile_part(*this, q, sub, end)) return refuse();
        q = skip(end);
        if (*q != ')') return refuse();   // several subscripts: the general path
        ++q;
        if (*q == '?' || *q == '!') return refuse();
        q = skip(q);
        if (*q != '=') return refuse();
        if (!m_compiler.compile_part(*this, q + 1, root, end)) return refuse();
        s.target = ref.addr;
        s.type = et;
        s.subscript = sub;
        return finish(StmtSlot::AssignElement);
    }
    if (*q == '?' || *q == '!') return refuse();
    if (ref.type == vtype::StrVar) {
        q = skip(q);
        if (*q != '=') return refuse();
        s.target = ref.addr;
        s.type = ref.type;
        return general_assign(StmtSlot::AssignStrGeneral, q + 1);
    }
    if (!numeric(ref.type)) return refuse();
    q = skip(q);
    if (*q != '=') return refuse();
    s.target = ref.addr;
    s.type = ref.type;
    if (!m_compiler.compile_part(*this, q + 1, root, end)) return general_assign(StmtSlot::AssignNumGeneral, q + 1);
    finish(StmtSlot::AssignVar);
}

}  // namespace kov::interp
