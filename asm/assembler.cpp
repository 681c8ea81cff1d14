// Assembling one statement: label, prefixes, mnemonic, operands, the
// table search, the size rules and the encoding; and the listing.
#include "asm/assembler.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "asm/table.h"

namespace kov::asmx {

namespace {

constexpr uint8_t kCr = 13;

// The operand words; the position is the operand class.
constexpr std::array<const char*, 64> kOperandWords = {
    "AL",   "CL",   "DL",   "BL",    "AH",    "CH",    "DH",   "BH",
    "ST0",  "ST1",  "ST2",  "ST3",   "ST4",   "ST5",   "ST6",  "ST7",
    "EAX",  "ECX",  "EDX",  "EBX",   "ESP",   "EBP",   "ESI",  "EDI",
    "AX",   "CX",   "DX",   "BX",    "SP",    "BP",    "SI",   "DI",
    "[EAX", "[ECX", "[EDX", "[EBX",  "[ESP",  "[EBP",  "[ESI", "[EDI",
    "[BX+SI", "[BX+DI", "[BP+SI", "[BP+DI", "[SI", "[DI", "[BP", "[BX",
    "ES",   "CS",   "SS",   "DS",    "FS",    "GS",    "GS",   "GS",
    "BYTE", "WORD", "DWORD", "QWORD", "SHORT", "NEAR", "FAR",  "TBYTE",
};
constexpr uint8_t kSizeWordSizes[8] = {1, 2, 4, 8, 0, 0, 0, 10};
constexpr uint8_t kShortWord = 60, kNearWord = 61, kFarWord = 62;
constexpr uint8_t kSegmentPrefix[6] = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65};

// Keyword tokens that the tokeniser can make of the start of a mnemonic
// or operand word; they are read back as their keyword text.
const char* token_text(uint8_t t) {
    switch (t) {
        case 0x80: return "AND";
        case 0xD6: return "CALL";
        case 0x81: return "DIV";
        case 0xA8: return "INT";
        case 0xAC: return "NOT";
        case 0x84: return "OR";
        case 0xA4: return "FN";     // FNINIT, FNSTSW ...
        case 0x0B: return "WAIT";
        case 0x8F: case 0xCF: return "PTR";
        default: return nullptr;
    }
}

bool word_char(uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           c == '@' || c == '`';
}

// Where a word may end.
bool delimiter(uint8_t c, bool operand) {
    switch (c) {
        case ' ': case ',': case ']': case '\\': case ';': case ':': case kCr:
        case '[': case '"':
            return true;
        case '+': case '-': case '*':
            return operand;
        default:
            return false;
    }
}

bool statement_end(uint8_t c) { return c == ':' || c == kCr; }
bool comment_start(uint8_t c) { return c == ';' || c == '\\'; }

// Reads the word at p (letters, digits and the keyword tokens above) in
// capitals; `end` is left after it. Empty when p is at no word.
std::string read_word(const uint8_t* p, const uint8_t*& end) {
    std::string w;
    while (w.size() < 16) {
        uint8_t c = *p;
        if (word_char(c)) {
            w.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
            ++p;
        } else if (const char* t = token_text(c)) {
            w += t;
            ++p;
            // WAIT and PTR are tokens only before a non-name character,
            // and the blank after them went into the token.
            if (c == 0x0B || c == 0x8F || c == 0xCF) break;
        } else {
            break;
        }
    }
    end = p;
    return w;
}

const std::unordered_map<std::string, uint8_t>& operand_words() {
    static const std::unordered_map<std::string, uint8_t> m = [] {
        std::unordered_map<std::string, uint8_t> r;
        for (size_t i = 0; i < kOperandWords.size(); ++i)
            if (kOperandWords[i][0] != '[') r.emplace(kOperandWords[i], static_cast<uint8_t>(i));
        return r;
    }();
    return m;
}

// The operand word at p (a register, segment or size word ending at a
// delimiter): its class, or -1.
int operand_word(const uint8_t* p, const uint8_t*& end) {
    std::string w = read_word(p, end);
    if (w.empty() || !delimiter(*end, true)) return -1;
    auto it = operand_words().find(w);
    return it == operand_words().end() ? -1 : it->second;
}

const uint8_t* skip(const uint8_t* p) {
    while (*p == ' ') ++p;
    return p;
}

struct MemRef {
    int base = -1, index = -1, scale = 1;
    int rm16 = -1;       // 16-bit form: its r/m code
    int32_t disp = 0;
};

struct Operand {
    uint8_t cls = cls::NONE;
    uint8_t size = 0;        // register size or size word (bytes), 0 unknown
    uint8_t reg = 0;         // register number
    MemRef mem;
    int32_t value = 0;
    bool is_string = false;
    std::string text;
    bool is_mem() const { return cls >= 32 && (cls <= 47 || cls == cls::DIRECT); }
};

bool fits8(int32_t v) { return v >= -128 && v <= 127; }

// The instruction index: key (mnemonic, class 1, class 2) to rows.
const std::unordered_map<uint32_t, std::vector<uint16_t>>& row_index() {
    static const std::unordered_map<uint32_t, std::vector<uint16_t>> idx = [] {
        std::unordered_map<uint32_t, std::vector<uint16_t>> m;
        const Row* rows = table_rows();
        for (size_t i = 0; i < table_size(); ++i) {
            uint32_t key = (static_cast<uint32_t>(rows[i].mnemonic) << 16) | (rows[i].c1 << 8) | rows[i].c2;
            m[key].push_back(static_cast<uint16_t>(i));
        }
        return m;
    }();
    return idx;
}

class Statement {
public:
    Statement(Assembler& as, interp::Memory& mem, AsmHost& host, uint8_t options)
        : m_as(as), m_mem(mem), m_host(host), m_opt(options) {}

    const uint8_t* run(const uint8_t* p);

private:
    bool errors() const { return m_opt & opt::Errors; }
    void emit(uint8_t b);
    void emit_bytes(const uint8_t* b, int n) { for (int i = 0; i < n; ++i) emit(b[i]); }
    void parse_operand(const uint8_t*& p, Operand& o);
    void parse_memory(const uint8_t*& p, Operand& o, int32_t disp);
    void evaluate(const uint8_t*& p, Operand& o);
    const Row* find(int mn, Operand& a, Operand& b, const Operand* third);
    void encode(const Row& row, const Operand& a, const Operand& b, const Operand* third);
    void data(int mn, const Operand& a);
    void listing(uint32_t start, const uint8_t* label, const uint8_t* label_end, const uint8_t* text,
                 const uint8_t* text_end);

    Assembler& m_as;
    interp::Memory& m_mem;
    AsmHost& m_host;
    uint8_t m_opt;
    std::vector<uint8_t> m_bytes;
    bool m_short = false, m_near = false, m_far = false;
};

void Statement::emit(uint8_t b) {
    const bool offset = m_opt & opt::Offset;
    uint32_t pc = m_mem.fixed32(kPcOffset);
    uint32_t at = offset ? m_mem.fixed32(kStoreOffset) : pc;
    if (at < 0x10000) raise(Err::AddressOutOfRange);
    m_host.store_byte(at, b);
    m_mem.set_fixed32(kPcOffset, pc + 1);
    if (offset) m_mem.set_fixed32(kStoreOffset, at + 1);
    m_bytes.push_back(b);
}

void Statement::evaluate(const uint8_t*& p, Operand& o) {
    int32_t v = 0;
    std::string text;
    if (m_host.evaluate(p, v, text)) {
        o.value = v;
    } else {
        o.is_string = true;
        o.text = std::move(text);
    }
}

void Statement::parse_memory(const uint8_t*& p, Operand& o, int32_t disp) {
    // p after "[".
    p = skip(p);
    const uint8_t* e;
    int first = operand_word(p, e);
    if (first >= 24 && first < 32 && (first == 27 || first >= 29)) {
        // 16-bit forms: BX, BP, SI, DI and their pairs.
        int a = first;
        p = skip(e);
        int b = -1;
        if (*p == '+') {
            const uint8_t* q = skip(p + 1);
            int w = operand_word(q, e);
            if (w == 27 || w >= 29) {
                if (w < 32) { b = w; p = skip(e); }
            }
        }
        auto code = [](int x, int y) -> int {
            auto is = [&](int r1, int r2) { return (x == r1 && y == r2) || (x == r2 && y == r1); };
            if (is(27, 30)) return 0;   // BX+SI
            if (is(27, 31)) return 1;   // BX+DI
            if (is(29, 30)) return 2;   // BP+SI
            if (is(29, 31)) return 3;   // BP+DI
            if (y < 0) {
                switch (x) { case 30: return 4; case 31: return 5; case 29: return 6; case 27: return 7; }
            }
            return -1;
        };
        int rm = code(a, b);
        if (rm < 0) raise(Err::SyntaxError);
        o.mem.rm16 = rm;
        o.cls = static_cast<uint8_t>(40 + rm);
    } else if (first >= 16 && first < 24) {
        struct Term { int reg; int scale; bool scaled; };
        Term terms[2];
        int n = 0;
        auto scale_digit = [&](uint8_t c) -> int {
            if (c == '1' || c == '2' || c == '4' || c == '8') return c - '0';
            raise(Err::SyntaxError);
        };
        // The first register, then "+"register terms.
        terms[n++] = Term{first - 16, 1, false};
        p = skip(e);
        if (*p == '*') {
            p = skip(p + 1);
            terms[0].scale = scale_digit(*p);
            terms[0].scaled = true;
            p = skip(p + 1);
        }
        while (*p == '+') {
            const uint8_t* q = skip(p + 1);
            int w = operand_word(q, e);
            if (w >= 16 && w < 24) {
                if (n == 2) raise(Err::SyntaxError);
                terms[n] = Term{w - 16, 1, false};
                p = skip(e);
                if (*p == '*') {
                    p = skip(p + 1);
                    terms[n].scale = scale_digit(*p);
                    terms[n].scaled = true;
                    p = skip(p + 1);
                }
                ++n;
                continue;
            }
            // digit * register: a scale before the index.
            if (*q >= '0' && *q <= '9' && *skip(q + 1) == '*') {
                const uint8_t* r = skip(skip(q + 1) + 1);
                w = operand_word(r, e);
                if (w >= 16 && w < 24) {
                    if (n == 2) raise(Err::SyntaxError);
                    terms[n++] = Term{w - 16, scale_digit(*q), true};
                    p = skip(e);
                    continue;
                }
            }
            break;
        }
        MemRef& m = o.mem;
        if (n == 1) {
            if (terms[0].scaled) { m.index = terms[0].reg; m.scale = terms[0].scale; }
            else m.base = terms[0].reg;
        } else {
            if (terms[0].scaled && terms[1].scaled) raise(Err::SyntaxError);
            const Term& ix = terms[0].scaled ? terms[0] : terms[1];
            const Term& bs = terms[0].scaled ? terms[1] : terms[0];
            m.base = bs.reg;
            m.index = ix.reg;
            m.scale = ix.scale;
        }
        if (m.index == 4) {
            // ESP cannot be an index: ESP+r is read as r+ESP.
            if (m.scale != 1 || m.base == 4 || m.base < 0) raise(Err::SyntaxError);
            std::swap(m.base, m.index);
        }
        o.cls = static_cast<uint8_t>(32 + (m.base >= 0 ? m.base : m.index));
    } else {
        // A direct address.
        Operand v;
        evaluate(p, v);
        if (v.is_string) raise(Err::TypeMismatch);
        disp += v.value;
        p = skip(p);
        if (*p != ']') raise(Err::SyntaxError);
        ++p;
        o.cls = cls::DIRECT;
        o.mem.disp = disp;
        return;
    }
    // A displacement: + or - expression.
    if (*p == '+' || *p == '-') {
        Operand v;
        evaluate(p, v);
        if (v.is_string) raise(Err::TypeMismatch);
        disp += v.value;
        p = skip(p);
    }
    if (*p != ']') raise(Err::SyntaxError);
    ++p;
    o.mem.disp = disp;
}

void Statement::parse_operand(const uint8_t*& p, Operand& o) {
    p = skip(p);
    uint8_t size_word = 0;
    const uint8_t* e;
    for (;;) {
        int w = operand_word(p, e);
        if (w >= 56) {
            if (w == kShortWord) m_short = true;
            else if (w == kNearWord) m_near = true;
            else if (w == kFarWord) m_far = true;
            else size_word = kSizeWordSizes[w - 56];
            p = skip(e);
            const uint8_t* f;
            if (w < kShortWord || w == 63) {
                if (read_word(p, f) == "PTR" && (delimiter(*f, true) || *p == 0x8F || *p == 0xCF)) p = skip(f);
            }
            continue;
        }
        if (w >= 48 && w < 56) {
            const uint8_t* q = skip(e);
            if (*q == ':') {
                emit(kSegmentPrefix[w - 48]);
                p = skip(q + 1);
                continue;
            }
        }
        if (w >= 0 && w < 56) {
            o.cls = static_cast<uint8_t>(w);
            o.reg = static_cast<uint8_t>(w & 7);
            o.size = w < 8 ? 1 : w < 16 ? 0 : w < 24 ? 4 : w < 32 ? 2 : 2;
            if (size_word && o.size && size_word != o.size) raise(Err::SizeMismatch);
            p = e;
            return;
        }
        break;
    }
    if (*p == '[') {
        ++p;
        parse_memory(p, o, 0);
    } else {
        evaluate(p, o);
        const uint8_t* q = skip(p);
        if (*q == '[' && !o.is_string) {
            p = q + 1;
            parse_memory(p, o, o.value);
        } else {
            o.cls = cls::IMM;
        }
    }
    if (o.is_mem()) o.size = size_word;
    else if (o.cls == cls::IMM) o.size = 0;
}

// Whether table class t accepts operand class c (the wildcard classes
// stand for their group).
bool class_fits(uint8_t t, uint8_t c) {
    if (t == c) return true;
    if ((t & 7) != 7) return false;
    if (t == cls::STI) return c >= 8 && c <= 15;
    if ((c | 7) == t) return true;
    return (c | 15) == t;
}

const Row* Statement::find(int mn, Operand& a, Operand& b, const Operand* third) {
    const auto& idx = row_index();
    const Row* rows = table_rows();
    bool size_rows = false;
    for (int pass = 0; pass < 2; ++pass) {
        const uint8_t c1 = a.cls, c2 = b.cls;
        const uint8_t v1[9] = {c1, c1, static_cast<uint8_t>(c1 | 7), static_cast<uint8_t>(c1 | 7), c1,
                               static_cast<uint8_t>(c1 | 15), static_cast<uint8_t>(c1 | 7),
                               static_cast<uint8_t>(c1 | 15), static_cast<uint8_t>(c1 | 15)};
        const uint8_t v2[9] = {c2, static_cast<uint8_t>(c2 | 7), c2, static_cast<uint8_t>(c2 | 7),
                               static_cast<uint8_t>(c2 | 15), c2, static_cast<uint8_t>(c2 | 15),
                               static_cast<uint8_t>(c2 | 7), static_cast<uint8_t>(c2 | 15)};
        for (int i = 0; i < 9; ++i) {
            if (!class_fits(v1[i], c1) || !class_fits(v2[i], c2)) continue;
            uint32_t key = (static_cast<uint32_t>(mn) << 16) | (v1[i] << 8) | v2[i];
            auto it = idx.find(key);
            if (it == idx.end()) continue;
            for (uint16_t r : it->second) {
                const Row& row = rows[r];
                const bool wants_third = row.flags & enc::Third;
                if (wants_third != (third != nullptr)) continue;
                if (third) {
                    if (row.special == special::ThirdCl ? third->cls != cls::CL : third->cls != cls::IMM) continue;
                }
                if (row.mem_size) {
                    // A form of one size needs no size word.
                    size_rows = true;
                    const Operand& m = a.is_mem() ? a : b;
                    if (m.size != row.mem_size && (m.size || it->second.size() > 1)) continue;
                }
                return &row;
            }
        }
        // A direct address is tried again as a general memory operand.
        if (a.cls == cls::DIRECT) a.cls = cls::MEM;
        else if (b.cls == cls::DIRECT) b.cls = cls::MEM;
        else break;
    }
    if (size_rows) {
        const Operand& m = a.is_mem() ? a : b;
        raise(m.size ? Err::SizeMismatch : Err::SizeNeeded);
    }
    raise(Err::SyntaxError);
}

void Statement::encode(const Row& row, const Operand& a, const Operand& b, const Operand* third) {
    using namespace enc;
    const uint32_t f = row.flags;
    uint8_t out[24];
    int n = 0;

    // The operand size.
    uint8_t opsize;
    if (f & Sz1) {
        opsize = a.size;
    } else if (f & Sz2) {
        opsize = b.size;
    } else {
        if (a.size && b.size && a.size != b.size && !(f & Free)) raise(Err::SizeMismatch);
        opsize = a.size ? a.size : b.size;
    }
    if (f & Sz) {
        if (opsize == 0) raise(Err::SizeNeeded);
        if (opsize != 1 && opsize != 2 && opsize != 4) raise(Err::SizeMismatch);
        if (opsize == 1 && (f & No8)) raise(Err::SizeMismatch);
    }
    uint8_t opcode = row.opcode;
    if (row.special == special::Src16 && b.size != 2) raise(Err::SizeMismatch);
    if (f & SrcW) {
        if (b.size == 0) raise(Err::SizeNeeded);
        if (b.size == 2) opcode |= 1;
        else if (b.size != 1) raise(Err::SizeMismatch);
    }
    if ((f & W) && opsize != 1) opcode |= 1;
    if (f & Plus1) opcode = static_cast<uint8_t>(opcode + a.reg);
    if (f & Plus2) opcode = static_cast<uint8_t>(opcode + b.reg);

    // The immediate.
    const Operand* imm = nullptr;
    if (third) imm = third->cls == cls::IMM ? third : nullptr;
    else if (row.c2 == cls::IMM) imm = &b;
    else if (row.c1 == cls::IMM) imm = &a;
    int imm_size = 0;
    if (f & I8) imm_size = 1;
    else if (f & I16) imm_size = 2;
    else if (f & I32) imm_size = 4;
    else if (f & IOp) imm_size = opsize == 1 ? 1 : opsize == 2 ? 2 : 4;
    if (imm && imm->is_string && !(f & (Rel32 | Rel8))) raise(Err::TypeMismatch);
    if ((f & S) && imm && imm_size != 1 && fits8(imm->value)) {
        opcode |= 2;
        imm_size = 1;
    }
    if ((f & Shift1) && imm && imm->value == 1) {
        opcode = static_cast<uint8_t>(opcode + 0x10);
        imm_size = 0;
    }
    if (row.special == special::Int && imm->value == 3) {
        emit(0xCC);
        return;
    }

    const Operand* rm = nullptr;
    int regfield = row.ext;
    if (f & RmExt1) rm = &a;
    else if (f & Reg1) { rm = &b; regfield = a.reg; }
    else if (f & Reg2) { rm = &a; regfield = b.reg; }
    else if (f & RegRm1) { rm = &a; regfield = a.reg; }
    if (row.special == special::Esc) {
        opcode = static_cast<uint8_t>(0xD8 | ((a.value >> 3) & 7));
        regfield = a.value & 7;
        rm = &b;
    }

    // Prefixes and escapes.
    if (((f & Sz) && opsize == 2) || (f & P66)) out[n++] = 0x66;
    if ((rm && rm->is_mem() && rm->mem.rm16 >= 0) || (f & P67)) out[n++] = 0x67;
    if (f & Wait9B) out[n++] = 0x9B;

    // Relative targets.
    if (f & (Rel8 | Rel32)) {
        bool rel32 = f & Rel32;
        if ((f & NearAlt) && m_near) {
            out[n++] = 0x0F;
            opcode = static_cast<uint8_t>(opcode + 0x10);
            rel32 = true;
        } else if ((f & ShortAlt) && m_short) {
            opcode = 0xEB;
            rel32 = false;
        }
        if (f & Esc0F) out[n++] = 0x0F;
        out[n++] = opcode;
        uint32_t target;
        if (imm->is_string) {
            target = m_host.system_address(imm->text);
            if (!target) raise(Err::NoSuchSystemCall);
        } else {
            target = static_cast<uint32_t>(imm->value);
        }
        uint32_t after = m_mem.fixed32(kPcOffset) + static_cast<uint32_t>(n) + (rel32 ? 4 : 1);
        int32_t disp = static_cast<int32_t>(target - after);
        if (rel32) {
            for (int i = 0; i < 4; ++i) out[n++] = static_cast<uint8_t>(disp >> (8 * i));
        } else {
            if (!fits8(disp) && errors()) raise(Err::JumpOutOfRange);
            out[n++] = static_cast<uint8_t>(disp);
        }
        emit_bytes(out, n);
        return;
    }

    if (f & Esc0F) out[n++] = 0x0F;
    out[n++] = opcode;
    if (f & Byte2) out[n++] = row.ext;
    if (f & St1) out[n++] = static_cast<uint8_t>(row.ext + a.reg);
    if (f & St2) out[n++] = static_cast<uint8_t>(row.ext + b.reg);

    if (row.special == special::Moffs) {
        const Operand& m = a.cls == cls::DIRECT ? a : b;
        for (int i = 0; i < 4; ++i) out[n++] = static_cast<uint8_t>(m.mem.disp >> (8 * i));
    } else if (rm) {
        const uint8_t reg3 = static_cast<uint8_t>((regfield & 7) << 3);
        if (!rm->is_mem()) {
            out[n++] = static_cast<uint8_t>(0xC0 | reg3 | rm->reg);
        } else if (rm->mem.rm16 >= 0) {
            const MemRef& m = rm->mem;
            if (m.disp == 0 && m.rm16 != 6) {
                out[n++] = static_cast<uint8_t>(reg3 | m.rm16);
            } else if (fits8(m.disp)) {
                out[n++] = static_cast<uint8_t>(0x40 | reg3 | m.rm16);
                out[n++] = static_cast<uint8_t>(m.disp);
            } else {
                out[n++] = static_cast<uint8_t>(0x80 | reg3 | m.rm16);
                out[n++] = static_cast<uint8_t>(m.disp);
                out[n++] = static_cast<uint8_t>(m.disp >> 8);
            }
        } else {
            const MemRef& m = rm->mem;
            auto disp32 = [&] { for (int i = 0; i < 4; ++i) out[n++] = static_cast<uint8_t>(m.disp >> (8 * i)); };
            static constexpr uint8_t kScaleBits[9] = {0, 0, 1, 0, 2, 0, 0, 0, 3};
            if (m.base < 0 && m.index < 0) {
                out[n++] = static_cast<uint8_t>(reg3 | 5);
                disp32();
            } else if (m.base < 0) {
                out[n++] = static_cast<uint8_t>(reg3 | 4);
                out[n++] = static_cast<uint8_t>((kScaleBits[m.scale] << 6) | (m.index << 3) | 5);
                disp32();
            } else {
                const bool sib = m.index >= 0 || m.base == 4;
                uint8_t mod;
                if (m.disp == 0 && m.base != 5) mod = 0x00;
                else if (fits8(m.disp)) mod = 0x40;
                else mod = 0x80;
                out[n++] = static_cast<uint8_t>(mod | reg3 | (sib ? 4 : m.base));
                if (sib) {
                    const int index = m.index >= 0 ? m.index : 4;
                    out[n++] = static_cast<uint8_t>((kScaleBits[m.scale] << 6) | (index << 3) | m.base);
                }
                if (mod == 0x40) out[n++] = static_cast<uint8_t>(m.disp);
                else if (mod == 0x80) disp32();
            }
        }
    }

    // Immediates.
    auto put_imm = [&](int32_t v, int size) {
        if (size == 1 && ((v >> 8) & 0xFF) != 0 && ((v >> 8) & 0xFF) != 0xFF && errors())
            raise(Err::JumpOutOfRange);
        for (int i = 0; i < size; ++i) out[n++] = static_cast<uint8_t>(v >> (8 * i));
    };
    if (f & I16I8) {
        put_imm(a.value, 2);
        put_imm(b.value, 1);
    } else if (imm && imm_size) {
        put_imm(imm->value, imm_size);
    }
    emit_bytes(out, n);
}

void Statement::data(int mn, const Operand& a) {
    const Mnemonics& m = mnemonics();
    if (a.cls == cls::NONE && !a.is_string) raise(Err::SyntaxError);
    if (a.is_string) {
        if (mn != m.db) raise(Err::TypeMismatch);
        for (char c : a.text) emit(static_cast<uint8_t>(c));
        return;
    }
    if (a.cls != cls::IMM) raise(Err::SyntaxError);
    const int32_t v = a.value;
    if (mn == m.db) {
        const uint8_t second = static_cast<uint8_t>(v >> 8);
        if (second != 0 && second != 0xFF && errors()) raise(Err::JumpOutOfRange);
        emit(static_cast<uint8_t>(v));
    } else {
        const int size = mn == m.dw ? 2 : 4;
        for (int i = 0; i < size; ++i) emit(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void Statement::listing(uint32_t start, const uint8_t* label, const uint8_t* label_end, const uint8_t* text,
                        const uint8_t* text_end) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto pad = [&](uint32_t column) {
        while (m_host.list_column() < column) m_host.list_char(' ');
    };
    for (int i = 7; i >= 0; --i) m_host.list_char(static_cast<uint8_t>(kHex[(start >> (4 * i)) & 15]));
    m_host.list_char(' ');
    for (uint8_t b : m_bytes) {
        if (m_host.list_column() >= 29) {
            m_host.list_newline();
            pad(9);
        }
        m_host.list_char(static_cast<uint8_t>(kHex[b >> 4]));
        m_host.list_char(static_cast<uint8_t>(kHex[b & 15]));
        m_host.list_char(' ');
    }
    if (label) {
        pad(30);
        for (const uint8_t* q = label; q < label_end; ++q) m_host.list_char(*q);
        m_host.list_char(' ');
    }
    while (text_end > text && text_end[-1] == ' ') --text_end;
    if (text_end > text) {
        pad(40);
        for (char c : m_host.source_text(text, static_cast<size_t>(text_end - text)))
            m_host.list_char(static_cast<uint8_t>(c));
    }
    m_host.list_newline();
}

const uint8_t* Statement::run(const uint8_t* p) {
    const Mnemonics& mn = mnemonics();
    const uint32_t start = m_mem.fixed32(kPcOffset);
    p = skip(p);
    const uint8_t* label = nullptr;
    const uint8_t* label_end = nullptr;
    if (*p == '.') {
        label = p;
        ++p;
        m_host.set_label(p, static_cast<int32_t>(start), errors());
        label_end = p;
        p = skip(p);
    }
    const uint8_t* text = p;
    if (!statement_end(*p) && !comment_start(*p)) {
        // Prefixes, then the mnemonic.
        int m;
        for (;;) {
            const uint8_t* e;
            std::string w = read_word(p, e);
            if (w.empty() || !delimiter(*e, false)) raise(Err::SyntaxError);
            m = mnemonic_number(w);
            if (m < 0) raise(Err::SyntaxError);
            p = skip(e);
            if (m == mn.lock) emit(0xF0);
            else if (m == mn.rep || m == mn.repe || m == mn.repz) emit(0xF3);
            else if (m == mn.repne || m == mn.repnz) emit(0xF2);
            else break;
            if (statement_end(*p) || comment_start(*p)) { m = -1; break; }
        }
        if (m == mn.opt) {
            Operand a;
            evaluate(p, a);
            if (a.is_string) raise(Err::TypeMismatch);
            m_as.set_options(static_cast<uint8_t>(a.value & 15));
        } else if (m >= 0) {
            Operand a, b, c;
            bool has_third = false;
            if (!statement_end(*p) && !comment_start(*p) && *p != ']') {
                parse_operand(p, a);
                p = skip(p);
                if (*p == ',') {
                    ++p;
                    parse_operand(p, b);
                    if (b.cls == cls::NONE && !b.is_string) raise(Err::SyntaxError);
                    p = skip(p);
                    if (*p == ',') {
                        ++p;
                        parse_operand(p, c);
                        has_third = true;
                    }
                }
            }
            if (m == mn.db || m == mn.dw || m == mn.dd) {
                if (b.cls != cls::NONE || b.is_string) raise(Err::SyntaxError);
                data(m, a);
            } else {
                if ((a.is_string && m != mn.call) || b.is_string || (has_third && c.is_string))
                    raise(Err::TypeMismatch);
                if (m_far) {
                    if (m == mn.jmp) m = mn.jmpf;
                    else if (m == mn.call) m = mn.callf;
                }
                const Row* row = find(m, a, b, has_third ? &c : nullptr);
                encode(*row, a, b, has_third ? &c : nullptr);
            }
        }
        // Only delimiters may follow, then a comment.
        while (!statement_end(*p)) {
            if (comment_start(*p)) {
                while (!statement_end(*p)) ++p;
                break;
            }
            if (!delimiter(*p, false)) raise(Err::SyntaxError);
            ++p;
        }
    } else {
        while (!statement_end(*p)) ++p;
    }
    if ((m_as.options() & opt::List) && (label || p > text)) listing(start, label, label_end, text, p);
    return p;
}

}  // namespace

const uint8_t* Assembler::statement(const uint8_t* p) {
    Statement s(*this, m_mem, m_host, options());
    return s.run(p);
}

}  // namespace kov::asmx
