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
        if (((c >= 'A' && c <= 'Z') || c == '@') && q[1] == '%' && q[2] != '(' && q[2] != '!' && q[2] != '?') {
            out = node(StaticInt, 0);
            m_nodes[out].addr = 4u * (c - '@');
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

bool ExprCompiler::compile(Interp& in, const uint8_t* p, CompiledSlot& slot) {
    if (m_nodes.size() > kMaxNodes) flush();
    size_t mark = m_nodes.size();
    Parser parser(in, m_nodes, p);
    uint32_t root;
    if (!parser.binary(1, root) || parser.q - p > 60000 || m_nodes.size() > 65535) {
        m_nodes.resize(mark);
        return false;
    }
    slot.key = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
    slot.len = static_cast<uint16_t>(parser.q - p);
    slot.state = CompiledSlot::Ready;
    slot.root = root;
    return true;
}

bool ExprCompiler::compile_part(Interp& in, const uint8_t* p, uint32_t& root, const uint8_t*& end) {
    if (m_nodes.size() > kMaxNodes) return false;
    size_t mark = m_nodes.size();
    Parser parser(in, m_nodes, p);
    if (!parser.binary(1, root) || m_nodes.size() > 65535) {
        m_nodes.resize(mark);
        return false;
    }
    end = parser.q;
    return true;
}

void ExprCompiler::flush() {
    for (CompiledSlot& s : m_slots) s = CompiledSlot{};
    for (StmtSlot& s : m_stmts) s = StmtSlot{};
    m_nodes.clear();
}

// Leaves are read in line; anything else is evaluated recursively.
inline Num ExprCompiler::operand(Interp& in, uint32_t index) const {
    const CNode& n = m_nodes[index];
    switch (n.op) {
        case Const: return n.k;
        case StaticInt: return num_int(static_cast<int32_t>(in.mem.fixed32(n.addr)));
        case VarInt: {
            int32_t i;
            std::memcpy(&i, value_ptr(in, n.addr), 4);
            return num_int(i);
        }
        case VarReal5: {
            const uint8_t* v = value_ptr(in, n.addr);
            uint32_t m;
            std::memcpy(&m, v, 4);
            return (static_cast<uint64_t>(v[4]) << 32) | m;
        }
        case VarReal8: {
            Num r;
            std::memcpy(&r, value_ptr(in, n.addr), 8);
            return r;
        }
        default: return eval(in, index);
    }
}

[[gnu::noinline]] Num ExprCompiler::element(Interp& in, const CNode& n) const {
    uint32_t desc;
    std::memcpy(&desc, value_ptr(in, n.addr), 4);
    if (desc == 0) raise(Err::BadUseOfArray);
    const uint8_t* d = in.descriptor(desc);
    uint8_t dims = d[0];
    if (dims == 0) raise(Err::BadUseOfArray);
    uint32_t esize = n.type == vtype::Int ? 4 : n.type == vtype::Real5 ? 5 : 8;
    if (dims == 1 && n.count == 1) {
        // One subscript: the common case.
        int32_t s = int_of(operand(in, n.left));
        uint32_t size;
        std::memcpy(&size, d + 1, 4);
        if (static_cast<uint32_t>(s) >= size) raise(Err::BadSubscript);
        return load_value(in.mem.at(desc + 5 + static_cast<uint32_t>(s) * esize, esize), n.type);
    }
    uint32_t index = 0;
    uint16_t subs[2] = {n.left, n.right};
    for (int k = 0; k < dims; ++k) {
        if (k == n.count) raise(Err::MissingComma);   // the text has too few subscripts
        int32_t s = int_of(eval(in, subs[k]));
        uint32_t size;
        std::memcpy(&size, d + 1 + 4 * k, 4);
        if (static_cast<uint32_t>(s) >= size) raise(Err::BadSubscript);
        index = index * size + static_cast<uint32_t>(s);
    }
    if (n.count > dims) raise(Err::MissingBracket);   // too many
    uint32_t a = desc + 1 + 4u * dims + index * esize;
    return load_value(in.mem.at(a, esize), n.type);
}

Num ExprCompiler::eval(Interp& in, uint32_t index) const {
    const CNode& n = m_nodes[index];
    RealMode m = in.mode();
    switch (n.op) {
        case Const: return n.k;
        case StaticInt: return num_int(static_cast<int32_t>(in.mem.fixed32(n.addr)));
        case VarInt: case VarReal5: case VarReal8: return load_value(value_ptr(in, n.addr), n.type);
        case Element: return element(in, n);
        case Neg: {
            Num v = eval(in, n.left);
            if (is_int(v) && as_int(v) != INT32_MIN) return num_int(-as_int(v));
            return num_neg(v, m);
        }
        case Not: return num_int(~int_of(eval(in, n.left)));
        // Binary operators: integers and pairs of 5-byte reals go straight
        // to their bank; other mixtures through the general operator.
        case Add: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            if (is_int(a) && is_int(b)) {
                int32_t r;
                if (!__builtin_add_overflow(as_int(a), as_int(b), &r)) return num_int(r);
            } else if (is_r5(a) && is_r5(b)) {
                return r5_add(a, b);
            }
            return num_add(a, b, m);
        }
        case Sub: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            if (is_int(a) && is_int(b)) {
                int32_t r;
                if (!__builtin_sub_overflow(as_int(a), as_int(b), &r)) return num_int(r);
            } else if (is_r5(a) && is_r5(b)) {
                return r5_sub(a, b);
            }
            return num_sub(a, b, m);
        }
        case Mul: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            if (is_int(a) && is_int(b)) {
                int32_t r;
                if (!__builtin_mul_overflow(as_int(a), as_int(b), &r)) return num_int(r);
            } else if (is_r5(a) && is_r5(b)) {
                return r5_mul(a, b);
            }
            return num_mul(a, b, m);
        }
        case Div: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_div(a, b, m);
        }
        case IDiv: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_int(num_idiv(a, b));
        }
        case Mod: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_int(num_imod(a, b));
        }
        case Pow: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_pow(a, b, m);
        }
        case And: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_int(int_of(a) & int_of(b));
        }
        case Or: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_int(int_of(a) | int_of(b));
        }
        case Eor: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            return num_int(int_of(a) ^ int_of(b));
        }
        case Compare: {
            Num a = operand(in, n.left), b = operand(in, n.right);
            int c;
            if (is_int(a) && is_int(b)) c = as_int(a) < as_int(b) ? -1 : as_int(a) > as_int(b) ? 1 : 0;
            else if (is_r5(a) && is_r5(b)) c = r5_compare(a, b);
            else c = num_compare(a, b, m);
            return num_int(compare_result(c, n.type) ? -1 : 0);
        }
        default: {   // Shift
            Num a = operand(in, n.left), b = operand(in, n.right);
            int32_t x = int_of(a);
            uint32_t s = static_cast<uint32_t>(int_of(b)) & 31;
            switch (n.type) {
                case Shl: case Shl3: return num_int(static_cast<int32_t>(static_cast<uint32_t>(x) << s));
                case Sar: return num_int(x >> s);
                default: return num_int(static_cast<int32_t>(static_cast<uint32_t>(x) >> s));
            }
        }
    }
}

}  // namespace kov::interp
