#include "values/compiled.h"

#include <array>
#include <cstring>

#include "interp/interp.h"
#include "interp/keywords.h"
#include "values/numtext.h"
#include "values/operators.h"
#include "values/vm.h"

namespace kov::interp {

using namespace values;

namespace {

using namespace cop;

// The position of a binary operator among the fusing ones, or -1.
int fused_index(uint8_t op) {
    switch (op) {
        case Add: return 0;
        case Sub: return 1;
        case Mul: return 2;
        case Div: return 3;
        case IDiv: return 4;
        case Mod: return 5;
        case And: return 6;
        case Or: return 7;
        case Eor: return 8;
        case Compare: return 9;
        default: return -1;
    }
}

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
    // Set when a failure may pass later: a function call site not resolved
    // yet, or a variable not created yet.
    bool unresolved_call = false;
    bool unresolved_name = false;

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
        if (c == tok::Fn) return call(out);
        // A numeric variable or array element that exists.
        VarRef ref;
        const uint8_t* end;
        Lookup l = m_in.find_var_name(q, ref, end);
        if (l == Lookup::NotFound) unresolved_name = true;
        if (l != Lookup::Found) return false;
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

    // FN at a call site the evaluator has resolved before, to a definition
    // whose formals are all numeric variables; only when no function can
    // return a string.
    bool call(uint32_t& out) {
        const uint8_t* name = q + 1;
        TextCacheEntry* e = m_in.text_cache_slot(name);
        if (e->key != Memory::addr(name) || e->kind != TextCacheEntry::Definition || e->type != 1) {
            unresolved_call = true;
            return false;
        }
        if (!m_in.m_compiler.function_results_numeric(m_in)) {
            if (m_in.m_compiler.verdict_pending()) unresolved_call = true;
            return false;
        }
        const uint8_t* def = Memory::unchecked_ptr(static_cast<uint32_t>(e->payload));
        if (!m_in.text_cacheable(def)) return false;
        const uint8_t* after = name + e->len;
        const uint8_t* r = after;
        bool has_args = after[-1] == '(';
        if (!has_args) {
            while (*r == ' ') ++r;
            if (*r == '(') {
                has_args = true;
                ++r;
            }
        }
        CNode call;
        call.op = CallFn;
        if (!has_args) {
            // The body starts where the definition pointer points.
            call.addr = Memory::addr(def);
            q = r;
        } else {
            const uint8_t* list = def;
            while (*list == ' ') ++list;
            if (*list != '(') return false;
            const FormalPlan& plan = m_in.m_formal_plans[Memory::addr(list + 1) & (Interp::kFormalPlans - 1)];
            if (plan.key != Memory::addr(list + 1) || !plan.numeric || plan.count > 4) {
                unresolved_call = true;   // decoded at the first call
                return false;
            }
            q = r;
            for (int i = 0; i < plan.count; ++i) {
                uint32_t arg;
                if (!binary(1, arg)) return false;
                call.args[i] = static_cast<uint16_t>(arg);
                while (*q == ' ') ++q;
                if (*q != (i + 1 < plan.count ? ',' : ')')) return false;
                ++q;
            }
            call.count = static_cast<uint16_t>(plan.count);
            call.left = static_cast<uint16_t>(m_nodes.size());
            for (int i = 0; i < plan.count; ++i) {
                CNode f;
                f.op = FormalData;
                f.type = plan.refs[i].type;
                f.addr = plan.refs[i].addr;
                m_nodes.push_back(f);
            }
            call.addr = Memory::addr(plan.body);
        }
        call.k = Memory::addr(q);   // where the caller goes on
        m_nodes.push_back(call);
        out = static_cast<uint32_t>(m_nodes.size() - 1);
        return true;
    }

    Interp& m_in;
    std::vector<CNode>& m_nodes;
};

}  // namespace

values::Num ExprCompiler::host_address(uint32_t addr) const {
    const uint8_t* v = addr < fixed::Size ? m_fixed + addr : Memory::unchecked_ptr(addr);
    return static_cast<values::Num>(reinterpret_cast<uintptr_t>(v));
}

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
            put(n.op, n.type, n.addr, n.op == Const ? n.k : host_address(n.addr));
            return true;
        case Element: {
            // The descriptor and the running index take two stack places.
            if (depth + 2 > kMaxDepth) return false;
            if (n.count == 1 && (m_nodes[n.left].op == StaticInt || m_nodes[n.left].op == VarInt)) {
                if (depth + 1 > max_depth) max_depth = depth + 1;
                put(ElemLeaf, n.type, n.addr, m_nodes[n.left].addr, m_nodes[n.left].op);
                return true;
            }
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
        case CallFn: {
            // The call frame and saved formals, then each argument moved
            // to the BASIC stack as soon as it is known.
            put(CallStart, 0, 0, 0, n.count);
            for (int i = 0; i < n.count; ++i) {
                const CNode f = m_nodes[n.left + i];
                put(FormalData, f.type, f.addr);
            }
            if (n.count == 1) {
                if (!emit(n.args[0], depth, max_depth)) return false;
                put(CallEnter1, 0, n.addr, n.k, 1);
                const CNode f = m_nodes[n.left];
                put(FormalData, f.type, f.addr);
                return true;
            }
            for (int i = 0; i < n.count; ++i) {
                if (!emit(n.args[i], depth, max_depth)) return false;
                const CNode f = m_nodes[n.left + i];
                put(CallArg, f.type, f.addr);
            }
            if (depth + 1 > kMaxDepth) return false;
            if (depth + 1 > max_depth) max_depth = depth + 1;
            put(CallEnter, 0, n.addr, n.k, n.count);
            for (int i = 0; i < n.count; ++i) {
                const CNode f = m_nodes[n.left + i];
                put(FormalData, f.type, f.addr);
            }
            return true;
        }
        case Neg: case Not:
            if (!emit(n.left, depth, max_depth)) return false;
            put(n.op);
            return true;
        default: {
            const CNode* r = &m_nodes[n.right];
            uint32_t left = n.left;
            int f = fused_index(n.op);
            // + and * give the same bits either way round, and loading a
            // constant or a variable has no effect: a constant on the left
            // of a variable is taken as the fused operand.
            if ((n.op == Add || n.op == Mul) && m_nodes[n.left].op == Const && r->op >= StaticInt &&
                r->op <= VarReal8) {
                left = n.right;
                r = &m_nodes[n.left];
            }
            if (f >= 0 && r->op <= VarReal8) {
                if (!emit(left, depth, max_depth)) return false;
                if (r->op == Const) {
                    // An integer constant other than 0 also carries its 5-byte
                    // form (mantissa word in `addr`, exponent in `count`),
                    // for a 5-byte real on the left.
                    uint32_t mantissa = 0;
                    uint16_t exponent = 0;
                    if (values::is_int(r->k) && r->k != 0) {
                        const values::Num r5 = values::int_to_r5(values::as_int(r->k));
                        mantissa = static_cast<uint32_t>(r5);
                        exponent = values::r5_exponent(r5);
                    }
                    put(static_cast<uint8_t>(Fused + f * kLeaves + Const), n.type, mantissa, r->k, exponent);
                } else {
                    put(static_cast<uint8_t>(Fused + f * kLeaves + r->op), n.type, r->addr, host_address(r->addr));
                }
                return true;
            }
            if (!emit(n.left, depth, max_depth) || !emit(n.right, depth + 1, max_depth)) return false;
            put(n.op, n.type);
            return true;
        }
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
    m_retry = false;
    if (!enabled) return false;
    m_fixed = in.mem.fixed_area();
    m_nodes.clear();
    Parser parser(in, m_nodes, p);
    uint32_t root;
    if (!parser.binary(1, root) || m_nodes.size() > 65535) {
        m_retry = parser.unresolved_call;
        m_nodes.clear();
        return false;
    }
    if (!finish(0, root, start)) return false;
    end = parser.q;
    return true;
}

void ExprCompiler::end_with_assign(uint8_t type, uint32_t target, uint32_t after, uint32_t next_line,
                                   uint16_t spaces) {
    CIns& end = m_code.back();
    end.op = AssignEnd;
    end.type = type;
    end.addr = target;
    end.count = spaces;
    end.k = (static_cast<values::Num>(next_line) << 32) | after;
}

uint32_t ExprCompiler::element_assign(uint32_t subscript, uint32_t value, uint32_t array, uint8_t type,
                                      uint32_t after, uint32_t next_line, uint16_t spaces) {
    // Code holds no code addresses, so it can be copied as it stands.
    auto length = [&](uint32_t start) {
        uint32_t i = start;
        while (m_code[i].op != Return) ++i;
        return i - start;
    };
    const uint32_t sub_len = length(subscript), value_len = length(value);
    const size_t need = sub_len + value_len + 3;
    if (m_code.size() + need > m_code.capacity()) return ~0u;
    const uint32_t start = static_cast<uint32_t>(m_code.size());
    CIns ins;
    ins.op = ElemDesc;
    ins.addr = array;
    m_code.push_back(ins);
    for (uint32_t i = 0; i < sub_len; ++i) m_code.push_back(m_code[subscript + i]);
    ins = CIns{};
    ins.op = ElemAddr;
    ins.type = type;
    m_code.push_back(ins);
    for (uint32_t i = 0; i < value_len; ++i) m_code.push_back(m_code[value + i]);
    ins = CIns{};
    ins.op = ElemAssignEnd;
    ins.type = type;
    ins.count = spaces;
    ins.k = (static_cast<values::Num>(next_line) << 32) | after;
    m_code.push_back(ins);
    return start;
}

void ExprCompiler::flush() {
    ++m_flushes;
    for (CompiledSlot& s : m_slots) s = CompiledSlot{};
    for (StmtSlot& s : m_stmts) s = StmtSlot{};
    m_numeric_results = Verdict::Unknown;
    m_verdict_tries = 0;
    m_verdict_names = ~0ull;
    if (m_eval_depth > 0) {
        // Code of an evaluation waiting for a function call stays where it is.
        m_retired.push_back(std::move(m_code));
        m_any_retired = true;
        m_code = std::vector<CIns>();
        m_code.reserve(kCodeReserve);
    } else {
        m_code.clear();
    }
}

bool ExprCompiler::function_results_numeric(Interp& in) {
    switch (m_numeric_results) {
        case Verdict::Yes: case Verdict::Checking: return true;
        case Verdict::No: return false;
        case Verdict::Unknown: break;
    }
    // Nothing new resolved since the last attempt: the answer is the same.
    if (m_verdict_names == in.names_resolved) return false;
    if (m_verdict_tries >= 64) {
        m_numeric_results = Verdict::No;
        return false;
    }
    ++m_verdict_tries;
    m_verdict_names = in.names_resolved;
    m_numeric_results = Verdict::Checking;
    std::vector<CNode> nodes;
    bool unresolved = false;
    bool ok = true;
    auto scan = [&](uint32_t start) {
        for (const uint8_t* line = Memory::unchecked_ptr(start); ok && line[0]; line += line[0]) {
            const uint8_t* end = line + line[0];
            for (const uint8_t* c = line + 3; ok && c < end; ++c) {
                if (*c != '=') continue;
                nodes.clear();
                Parser parser(in, nodes, c + 1);
                uint32_t root;
                if (!parser.binary(1, root)) {
                    if (parser.unresolved_call || parser.unresolved_name) unresolved = true;
                    else ok = false;
                }
            }
        }
    };
    // PAGE and the library start are words a program may overwrite.
    const uint32_t lib = in.mem.fixed32(fixed::LibStart);
    if (!in.text_ok(in.page()) || (lib && !in.text_ok(lib))) ok = false;
    if (ok) scan(in.page());
    if (ok && lib) scan(lib);
    m_numeric_results = !ok ? Verdict::No : unresolved ? Verdict::Unknown : Verdict::Yes;
    return ok && !unresolved;
}


namespace vm {

const CIns* call_start(Interp& in, const CIns* pc) {
    // The frames are written below a local copy of the stack pointer,
    // after one check that they all fit.
    const int count = pc->count;
    in.push_room_check(8u + 20u * static_cast<uint32_t>(count));
    uint32_t s = in.sp;
    auto put = [&s](uint32_t word) {
        s -= 4;
        std::memcpy(Memory::unchecked_ptr(s), &word, 4);
    };
    put(0);   // the return pointer, stored once the call is entered
    put(ftag::Fn);
    for (int i = 1; i <= count; ++i) {
        const CIns& f = pc[i];
        const Num old = load_variable(in.mem, f.addr, f.type);
        put(static_cast<uint32_t>(old));
        put(num_high(old));
        put(static_cast<uint32_t>(f.type) << 8);
        put(f.addr);
        put(ftag::Local);
    }
    in.sp = s;
    return pc + count;
}

void call_arg(Interp& in, const CIns* pc, Num n) {
    in.push_room_check(16);
    const uint32_t frame[4] = {pc->type, pc->addr, static_cast<uint32_t>(n), num_high(n)};
    in.sp -= 16;
    std::memcpy(Memory::unchecked_ptr(in.sp), frame, 16);
}

Num call_enter(Interp& in, const CIns* pc) {
    const int count = pc->count;
    for (int i = count; i >= 1; --i) {
        const uint32_t s = in.sp;
        Num n;
        std::memcpy(&n, Memory::unchecked_ptr(s + 8), 8);   // low word, then high word
        store_variable(in.mem, pc[i].addr, pc[i].type, n);
        in.sp = s + 16;
    }
    const uint32_t ret = static_cast<uint32_t>(pc->k);
    std::memcpy(Memory::unchecked_ptr(in.sp + 20u * static_cast<uint32_t>(count) + 4), &ret, 4);
    in.p = Memory::unchecked_ptr(pc->addr);
    const Value v = in.run_function();
    if (v.is_str) raise(Err::TypeMismatch);
    return v.num;
}

Num call_enter1(Interp& in, const CIns* pc, Num n) {
    // The argument would wait on the stack for no time at all: only the
    // room for it is checked.
    in.push_room_check(16);
    store_variable(in.mem, pc[1].addr, pc[1].type, n);
    const uint32_t ret = static_cast<uint32_t>(pc->k);
    std::memcpy(Memory::unchecked_ptr(in.sp + 20u + 4), &ret, 4);
    in.p = Memory::unchecked_ptr(pc->addr);
    const Value v = in.run_function();
    if (v.is_str) raise(Err::TypeMismatch);
    return v.num;
}

}  // namespace vm

Num ExprCompiler::eval(Interp& in, uint32_t start) {
    using namespace vm;
    Num stack[kMaxDepth + 1];
    Num* top = stack;   // next free place
    Num tos = 0;        // the value on top
    RealMode m = in.mode();
    if (m_any_retired) free_retired();
    const CIns* pc = m_code.data() + start;
#define KOV_VM_RETURN(v) return (v)
// Only the statement loop runs an assignment's code; were it met here, the
// value would be all there is to give.
#define KOV_VM_ASSIGN_END() return tos
#define KOV_VM_ELEM_ASSIGN_END() return tos
#define KOV_VM_COMPILER (*this)
#include "values/vm_body.inc"
#undef KOV_VM_ELEM_ASSIGN_END
#undef KOV_VM_ASSIGN_END
#undef KOV_VM_COMPILER
#undef KOV_VM_RETURN
}

}  // namespace kov::interp
