#include "values/compiled.h"

#include <array>
#include <cstring>

#include "interp/interp.h"
#include "values/numtext.h"
#include "values/operators.h"

namespace kov::interp {

using namespace values;

namespace {

// Node kinds.
enum Op : uint8_t {
    Const, StaticInt, VarInt, VarReal5, VarReal8, Element,
    Neg, Not, Add, Sub, Mul, Div, IDiv, Mod, Pow, And, Or, Eor, Compare, Shift,
    // Postfix code only: an element is ArrayStart, then per subscript an
    // optional DimCheck, the subscript's code and Subscript; then ElementEnd.
    ArrayStart, DimCheck, Subscript, ElementEnd, Return,
};

using namespace values::ops;

constexpr uint8_t kTokNot = 0xAC, kTokTrue = 0xB9, kTokFalse = 0xA3;

// Parses without side effects; every failure returns false.
class Parser {
public:
    Parser(Interp& in, std::vector<CNode>& nodes, const uint8_t* p) : q(p), m_in(in), m_nodes(nodes) {}

    bool binary(int min, uint32_t& out) {
        uint32_t a;
        if (!factor(a)) return false;
        int lowest = 7;
        for (;;) {
            while (*q == ' ') ++q;
            uint8_t c = *q;
            int prio = kPriority[c];
            if (prio == 0 || prio < min || prio > lowest || (prio == 3 && lowest == 3)) {
                out = a;
                return true;
            }
            uint32_t b;
            if (prio == 3) {
                uint8_t code;
                if (!relation(code)) return false;
                if (!binary(4, b)) return false;
                a = node(code >= Shl ? Shift : Compare, code, a, b);
                lowest = 3;
                continue;
            }
            ++q;
            if (prio == 6) {
                if (!factor(b)) return false;
            } else if (!binary(prio + 1, b)) {
                return false;
            }
            Op op;
            switch (c) {
                case kTokOr: op = Or; break;
                case kTokEor: op = Eor; break;
                case kTokAnd: op = And; break;
                case '+': op = Add; break;
                case '-': op = Sub; break;
                case '*': op = Mul; break;
                case '/': op = Div; break;
                case kTokDiv: op = IDiv; break;
                case kTokMod: op = Mod; break;
                default: op = Pow; break;
            }
            a = node(op, 0, a, b);
            lowest = prio;
        }
    }

    const uint8_t* q;

private:
    uint32_t node(Op op, uint8_t type, uint32_t l = 0, uint32_t r = 0) {
        CNode n;
        n.op = op;
        n.type = type;
        n.left = static_cast<uint16_t>(l);
        n.right = static_cast<uint16_t>(r);
        m_nodes.push_back(n);
        return static_cast<uint32_t>(m_nodes.size() - 1);
    }

    bool relation(uint8_t& code) {
        uint8_t c1 = *q++;
        while (*q == ' ') ++q;
        int c = relation_code(c1, *q);
        if (c == 0) {
            code = single_relation(c1);
            return true;
        }
        if (c < 0) return false;   // "==": the evaluator reports it
        ++q;
        code = static_cast<uint8_t>(c);
        if (c == Shl || c == Sar) {
            const uint8_t* r = q;
            while (*r == ' ') ++r;
            if (*r == c1) {
                q = r + 1;
                code = c == Shl ? Shl3 : Shr;
            }
        }
        return true;
    }

    bool factor(uint32_t& out) {
        while (*q == ' ') ++q;
        uint8_t c = *q;
        if (int slot = static_int_at(q); slot >= 0) {
            out = node(StaticInt, 0);
            m_nodes[out].addr = static_cast<uint32_t>(slot);
            q += 2;
            return true;
        }
        if ((c >= '0' && c <= '9') || c == '.' || c == '&' || c == '%') {
            Num n;
            try {
                n = (c == '&' || c == '%') ? parse_hex_or_binary(q, m_in.lowercase())
                                           : parse_decimal(q, m_in.mode(), m_in.lowercase());
            } catch (const BasicError&) {
                return false;
            }
            out = node(Const, 0);
            m_nodes[out].k = n;
            return true;
        }
        switch (c) {
            case '(': {
                ++q;
                uint32_t e;
                if (!binary(1, e)) return false;
                while (*q == ' ') ++q;
                if (*q != ')') return false;
                ++q;
                out = e;
                return true;
            }
            case '-': case '+': {
                ++q;
                uint32_t f;
                if (!factor(f)) return false;
                out = c == '-' ? node(Neg, 0, f) : f;
                return true;
            }
            case kTokNot: {
                ++q;
                uint32_t f;
                if (!factor(f)) return false;
                out = node(Not, 0, f);
                return true;
            }
            case kTokTrue: case kTokFalse:
                ++q;
                out = node(Const, 0);
                m_nodes[out].k = num_int(c == kTokTrue ? -1 : 0);
                return true;
            default:
                break;
        }
        // A numeric variable or array element that exists.
        VarRef ref;
        const uint8_t* end;
        if (m_in.find_var_name(q, ref, end) != Lookup::Found) return false;
        if (*end == '?' || *end == '!') return false;
        if (ref.type & vtype::Array) {
            uint8_t et = ref.type & static_cast<uint8_t>(~vtype::Array);
            if (et != vtype::Int && et != vtype::Real5 && et != vtype::Real8) return false;
            q = end;
            uint32_t subs[2];
            int count = 0;
            for (;;) {
                if (count == 2) return false;
                if (!binary(1, subs[count])) return false;
                ++count;
                while (*q == ' ') ++q;
                if (*q == ',') { ++q; continue; }
                if (*q != ')') return false;
                ++q;
                break;
            }
            if (*q == '?' || *q == '!') return false;
            out = node(Element, et, subs[0], count > 1 ? subs[1] : 0);
            m_nodes[out].count = static_cast<uint16_t>(count);
            m_nodes[out].addr = ref.addr;
            return true;
        }
        Op op;
        switch (ref.type) {
            case vtype::Int: op = VarInt; break;
            case vtype::Real5: op = VarReal5; break;
            case vtype::Real8: op = VarReal8; break;
            default: return false;
        }
        out = node(op, ref.type);
        m_nodes[out].addr = ref.addr;
        q = end;
        return true;
    }

    Interp& m_in;
    std::vector<CNode>& m_nodes;
};

inline const uint8_t* value_ptr(Interp& in, uint32_t a) {
    return a < fixed::Size ? in.mem.fixed_area() + a : Memory::ptr(a);
}

inline Num load_value(const uint8_t* v, uint8_t type) {
    switch (type) {
        case vtype::Int: {
            int32_t i;
            std::memcpy(&i, v, 4);
            return num_int(i);
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

}  // namespace

bool ExprCompiler::emit(uint32_t index, int depth, int& max_depth) {
    const CNode n = m_nodes[index];
    auto put = [&](uint8_t op, uint8_t type = 0, uint32_t addr = 0, values::Num k = 0, uint16_t count = 0) {
        CIns ins;
        ins.op = op;
        ins.type = type;
        ins.addr = addr;
        ins.k = k;
        ins.count = count;
        m_code.push_back(ins);
    };
    switch (n.op) {
        case Const: case StaticInt: case VarInt: case VarReal5: case VarReal8:
            if (depth + 1 > kMaxDepth) return false;
            if (depth + 1 > max_depth) max_depth = depth + 1;
            put(n.op, n.type, n.addr, n.k);
            return true;
        case Element: {
            // The descriptor and the running index take two stack places.
            if (depth + 2 > kMaxDepth) return false;
            put(ArrayStart, n.type, n.addr, 0, n.count);
            uint16_t subs[2] = {n.left, n.right};
            for (int k = 0; k < n.count; ++k) {
                if (k > 0) put(DimCheck, static_cast<uint8_t>(k));
                if (!emit(subs[k], depth + 2, max_depth)) return false;
                put(Subscript, static_cast<uint8_t>(k));
            }
            put(ElementEnd, n.type, 0, 0, n.count);
            return true;
        }
        case Neg: case Not:
            if (!emit(n.left, depth, max_depth)) return false;
            put(n.op);
            return true;
        default:
            if (!emit(n.left, depth, max_depth) || !emit(n.right, depth + 1, max_depth)) return false;
            put(n.op, n.type);
            return true;
    }
}

// Turns the tree at `root` (nodes from `mark` on) into code; the tree is
// dropped either way.
bool ExprCompiler::finish(size_t mark, uint32_t root, uint32_t& start) {
    if (m_code.size() > kMaxCode) flush();
    size_t code_mark = m_code.size();
    int max_depth = 0;
    bool ok = emit(root, 0, max_depth);
    m_nodes.resize(mark);
    if (!ok) {
        m_code.resize(code_mark);
        return false;
    }
    CIns ret;
    ret.op = Return;
    m_code.push_back(ret);
    start = static_cast<uint32_t>(code_mark);
    return true;
}

bool ExprCompiler::compile(Interp& in, const uint8_t* p, CompiledSlot& slot) {
    uint32_t start;
    const uint8_t* end;
    if (!compile_part(in, p, start, end) || end - p > 60000) return false;
    slot.key = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
    slot.len = static_cast<uint16_t>(end - p);
    slot.state = CompiledSlot::Ready;
    slot.root = start;
    return true;
}

bool ExprCompiler::compile_part(Interp& in, const uint8_t* p, uint32_t& start, const uint8_t*& end) {
    m_nodes.clear();
    Parser parser(in, m_nodes, p);
    uint32_t root;
    if (!parser.binary(1, root) || m_nodes.size() > 65535) {
        m_nodes.clear();
        return false;
    }
    if (!finish(0, root, start)) return false;
    end = parser.q;
    return true;
}

void ExprCompiler::flush() {
    for (CompiledSlot& s : m_slots) s = CompiledSlot{};
    for (StmtSlot& s : m_stmts) s = StmtSlot{};
    m_nodes.clear();
    m_code.clear();
}

Num ExprCompiler::eval(Interp& in, uint32_t start) const {
    Num stack[kMaxDepth + 1];
    Num* top = stack;   // next free place
    const RealMode m = in.mode();
    // Threaded dispatch: every instruction ends by jumping straight to the
    // code of the next one.
    static void* const kLabels[] = {
        &&L_Const, &&L_StaticInt, &&L_VarInt, &&L_VarReal5, &&L_VarReal8, &&L_Return /* Element: tree only */,
        &&L_Neg, &&L_Not, &&L_Add, &&L_Sub, &&L_Mul, &&L_Div, &&L_IDiv, &&L_Mod, &&L_Pow,
        &&L_And, &&L_Or, &&L_Eor, &&L_Compare, &&L_Shift,
        &&L_ArrayStart, &&L_DimCheck, &&L_Subscript, &&L_ElementEnd, &&L_Return,
    };
    static_assert(sizeof kLabels / sizeof *kLabels == Return + 1);
#define NEXT_INS() goto* kLabels[(++pc)->op]
    const CIns* pc = m_code.data() + start;
    goto* kLabels[pc->op];
    L_Const: *top++ = pc->k; NEXT_INS();
    L_StaticInt: *top++ = num_int(static_cast<int32_t>(in.mem.fixed32(pc->addr))); NEXT_INS();
    L_VarInt: {
        int32_t i;
        std::memcpy(&i, value_ptr(in, pc->addr), 4);
        *top++ = num_int(i);
        NEXT_INS();
    }
    L_VarReal5: {
        const uint8_t* v = value_ptr(in, pc->addr);
        uint32_t mant;
        std::memcpy(&mant, v, 4);
        *top++ = (static_cast<uint64_t>(v[4]) << 32) | mant;
        NEXT_INS();
    }
    L_VarReal8: {
        Num r;
        std::memcpy(&r, value_ptr(in, pc->addr), 8);
        *top++ = r;
        NEXT_INS();
    }
    L_ArrayStart: {
        uint32_t desc;
        std::memcpy(&desc, value_ptr(in, pc->addr), 4);
        if (desc == 0) raise(Err::BadUseOfArray);
        if (in.descriptor(desc)[0] == 0) raise(Err::BadUseOfArray);
        *top++ = desc;
        *top++ = 0;   // the index so far
        NEXT_INS();
    }
    L_DimCheck:
        // More subscripts in the text than the array has dimensions.
        if (pc->type >= value_ptr(in, static_cast<uint32_t>(top[-2]))[0]) raise(Err::MissingBracket);
        NEXT_INS();
    L_Subscript: {
        int32_t sub = int_of(*--top);
        const uint8_t* d = value_ptr(in, static_cast<uint32_t>(top[-2]));
        uint32_t size;
        std::memcpy(&size, d + 1 + 4 * pc->type, 4);
        if (static_cast<uint32_t>(sub) >= size) raise(Err::BadSubscript);
        top[-1] = static_cast<uint32_t>(top[-1]) * size + static_cast<uint32_t>(sub);
        NEXT_INS();
    }
    L_ElementEnd: {
        uint32_t index = static_cast<uint32_t>(*--top);
        uint32_t desc = static_cast<uint32_t>(top[-1]);
        uint8_t dims = value_ptr(in, desc)[0];
        if (pc->count < dims) raise(Err::MissingComma);   // too few subscripts
        uint32_t esize = pc->type == vtype::Int ? 4 : pc->type == vtype::Real5 ? 5 : 8;
        top[-1] = load_value(in.mem.at(desc + 1 + 4u * dims + index * esize, esize), pc->type);
        NEXT_INS();
    }
    L_Neg: {
        Num v = top[-1];
        top[-1] = (is_int(v) && as_int(v) != INT32_MIN) ? num_int(-as_int(v)) : num_neg(v, m);
        NEXT_INS();
    }
    L_Not: top[-1] = num_int(~int_of(top[-1])); NEXT_INS();
    // Binary operators: integers and pairs of 5-byte reals go straight
    // to their bank; other mixtures through the general operator.
    L_Add: {
        Num b = *--top, a = top[-1];
        int32_t r;
        if (is_int(a) && is_int(b) && !__builtin_add_overflow(as_int(a), as_int(b), &r)) top[-1] = num_int(r);
        else if (is_r5(a) && is_r5(b)) top[-1] = r5_add(a, b);
        else top[-1] = num_add(a, b, m);
        NEXT_INS();
    }
    L_Sub: {
        Num b = *--top, a = top[-1];
        int32_t r;
        if (is_int(a) && is_int(b) && !__builtin_sub_overflow(as_int(a), as_int(b), &r)) top[-1] = num_int(r);
        else if (is_r5(a) && is_r5(b)) top[-1] = r5_sub(a, b);
        else top[-1] = num_sub(a, b, m);
        NEXT_INS();
    }
    L_Mul: {
        Num b = *--top, a = top[-1];
        int32_t r;
        if (is_int(a) && is_int(b) && !__builtin_mul_overflow(as_int(a), as_int(b), &r)) top[-1] = num_int(r);
        else if (is_r5(a) && is_r5(b)) top[-1] = r5_mul(a, b);
        else top[-1] = num_mul(a, b, m);
        NEXT_INS();
    }
    L_Div: { Num b = *--top; top[-1] = num_div(top[-1], b, m); NEXT_INS(); }
    L_IDiv: { Num b = *--top; top[-1] = num_int(num_idiv(top[-1], b)); NEXT_INS(); }
    L_Mod: { Num b = *--top; top[-1] = num_int(num_imod(top[-1], b)); NEXT_INS(); }
    L_Pow: { Num b = *--top; top[-1] = num_pow(top[-1], b, m); NEXT_INS(); }
    L_And: { Num b = *--top; top[-1] = num_int(int_of(top[-1]) & int_of(b)); NEXT_INS(); }
    L_Or: { Num b = *--top; top[-1] = num_int(int_of(top[-1]) | int_of(b)); NEXT_INS(); }
    L_Eor: { Num b = *--top; top[-1] = num_int(int_of(top[-1]) ^ int_of(b)); NEXT_INS(); }
    L_Compare: {
        Num b = *--top, a = top[-1];
        int c;
        if (is_int(a) && is_int(b)) c = as_int(a) < as_int(b) ? -1 : as_int(a) > as_int(b) ? 1 : 0;
        else if (is_r5(a) && is_r5(b)) c = r5_compare(a, b);
        else c = num_compare(a, b, m);
        top[-1] = num_int(compare_result(c, pc->type) ? -1 : 0);
        NEXT_INS();
    }
    L_Shift: {
        Num b = *--top;
        int32_t x = int_of(top[-1]);
        uint32_t s = static_cast<uint32_t>(int_of(b)) & 31;
        switch (pc->type) {
            case Shl: case Shl3: top[-1] = num_int(static_cast<int32_t>(static_cast<uint32_t>(x) << s)); break;
            case Sar: top[-1] = num_int(x >> s); break;
            default: top[-1] = num_int(static_cast<int32_t>(static_cast<uint32_t>(x) >> s)); break;
        }
        NEXT_INS();
    }
    L_Return:
        return stack[0];
#undef NEXT_INS
}

}  // namespace kov::interp
