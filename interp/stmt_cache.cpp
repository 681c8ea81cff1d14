// Statements decoded once and run from the decoded form: assignments of
// compiled numeric expressions to numeric variables and array elements,
// and IF with a compiled condition. Everything else, and anything these
// cannot decode exactly, runs through the ordinary statement handlers.
#include <cstring>

#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

namespace {

constexpr uint8_t kTokIf = 0xE7;

bool numeric(uint8_t type) { return type == vtype::Int || type == vtype::Real5 || type == vtype::Real8; }

const uint8_t* skip(const uint8_t* q) {
    while (*q == ' ') ++q;
    return q;
}

// Stores into a variable or array element (never program text: records
// live in the heap or the fixed area) with the conversions of store_num.
inline void store_variable(Interp& in, uint32_t addr, uint8_t type, Num n) {
    uint8_t* v = addr < fixed::Size ? in.mem.fixed_area() + addr : Memory::ptr(addr);
    switch (type) {
        case vtype::Int: {
            uint32_t i = static_cast<uint32_t>(values::is_int(n) ? values::as_int(n) : values::to_int(n));
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

}  // namespace

void Interp::build_stmt_slot(const uint8_t* start, StmtSlot& s) {
    s = StmtSlot{};
    if (!text_cacheable(start)) return;
    const uint8_t* q = start;
    uint8_t c = *q;
    uint32_t root;
    const uint8_t* end;
    auto finish = [&](uint8_t kind) {
        if (end - start > 65535) return;
        s.key = Memory::addr(start);
        s.kind = kind;
        s.expr = root;
        s.len = static_cast<uint16_t>(end - start);
    };
    auto refuse = [&] {
        s.key = Memory::addr(start);
        s.kind = StmtSlot::Refused;
    };
    if (c == kTokIf) {
        if (!m_compiler.compile_part(*this, skip(q + 1), root, end)) return refuse();
        return finish(StmtSlot::If);
    }
    if (int slot = static_int_at(q); slot >= 0) {
        q = skip(q + 2);
        if (*q != '=') return refuse();
        if (!m_compiler.compile_part(*this, q + 1, root, end)) return refuse();
        s.target = static_cast<uint32_t>(slot);
        s.type = vtype::Int;
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
    if (!numeric(ref.type) || *q == '?' || *q == '!') return refuse();
    q = skip(q);
    if (*q != '=') return refuse();
    if (!m_compiler.compile_part(*this, q + 1, root, end)) return refuse();
    s.target = ref.addr;
    s.type = ref.type;
    finish(StmtSlot::AssignVar);
}

bool Interp::run_stmt_slot(const StmtSlot& s) {
    switch (s.kind) {
        case StmtSlot::AssignStatic: {
            if (heap_top() + 1024u >= sp) raise(Err::NoRoom);
            Num n = m_compiler.eval(*this, s.expr);
            p += s.len;
            mem.set_fixed32(s.target, static_cast<uint32_t>(values::is_int(n) ? values::as_int(n) : values::to_int(n)));
            return true;
        }
        case StmtSlot::AssignVar: {
            if (heap_top() + 1024u >= sp) raise(Err::NoRoom);
            Num n = m_compiler.eval(*this, s.expr);
            p += s.len;
            store_variable(*this, s.target, s.type, n);
            return true;
        }
        case StmtSlot::AssignElement: {
            if (heap_top() + 1024u >= sp) raise(Err::NoRoom);
            uint32_t desc = s.target < fixed::Size ? mem.fixed32(s.target) : mem.read32(s.target);
            if (desc == 0) raise(Err::BadUseOfArray);
            const uint8_t* d = descriptor(desc);
            if (d[0] == 0) raise(Err::BadUseOfArray);
            Num sub = m_compiler.eval(*this, s.subscript);
            int32_t i = values::is_int(sub) ? values::as_int(sub) : values::to_int(sub);
            uint32_t size;
            std::memcpy(&size, d + 1, 4);
            if (static_cast<uint32_t>(i) >= size) raise(Err::BadSubscript);
            if (d[0] != 1) raise(Err::MissingComma);   // more dimensions than subscripts
            uint32_t addr = desc + 5 + static_cast<uint32_t>(i) * element_size(s.type);
            mem.at(addr, element_size(s.type));
            Num n = m_compiler.eval(*this, s.expr);
            p += s.len;
            store_variable(*this, addr, s.type, n);
            return true;
        }
        case StmtSlot::If: {
            if (heap_top() + 1024u >= sp) raise(Err::NoRoom);
            Num n = m_compiler.eval(*this, s.expr);
            p += s.len;
            if_continue(*this, (values::is_int(n) ? values::as_int(n) : values::to_int(n)) != 0);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace kov::interp
