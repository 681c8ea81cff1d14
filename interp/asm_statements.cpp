// Assembler blocks: `[` ... `]` in the program. The assembler service
// (asm/) reads the statements; this file gives it BASIC expressions,
// label variables, the byte stores and the listing.
#include "asm/assembler.h"
#include "interp/interp.h"
#include "interp/machine_code.h"
#include "interp/statements.h"
#include "interp/tokeniser.h"

namespace kov::interp {

namespace {

class InterpAsmHost final : public asmx::AsmHost {
public:
    explicit InterpAsmHost(Interp& in) : m_in(in) {}

    bool evaluate(const uint8_t*& p, int32_t& value, std::string& text) override {
        m_in.p = p;
        // While errors are off, a name that is no variable yet (a forward
        // reference in the first pass) reads as P%.
        const bool lenient = !((m_in.mem.fixed8(fixed::Options) >> asmx::kOptShift) & asmx::opt::Errors);
        m_in.asm_names_read_pc = lenient;
        Value v;
        try {
            v = m_in.expr();
        } catch (...) {
            m_in.asm_names_read_pc = false;
            throw;
        }
        m_in.asm_names_read_pc = false;
        p = m_in.p;
        if (v.is_str) {
            text.assign(v.view());
            return false;
        }
        value = m_in.to_int(v.num);
        return true;
    }

    void set_label(const uint8_t*& p, int32_t value, bool errors_on) override {
        m_in.p = p;
        VarRef ref = m_in.get_ref_create();
        p = m_in.p;
        if (ref.type & vtype::Array) raise(Err::BadUseOfArray);
        if (ref.type == vtype::StrVar || ref.type == vtype::StrMem) raise(Err::TypeMismatch);
        if (!errors_on) {
            Num old = m_in.load_num(ref);
            if (values::to_int(old) != 0) raise(Err::MultipleLabel);
        }
        m_in.store_num(ref, values::num_int(value));
    }

    uint32_t system_address(std::string_view name) override { return interp::system_address(m_in, name); }

    void store_byte(uint32_t addr, uint8_t byte) override {
        *m_in.mem.at(addr, 1) = byte;
        if (m_in.may_change_text(addr)) m_in.flush_text_cache();
        code_written(m_in, addr, 1);
    }

    void list_char(uint8_t c) override { m_in.count_out(c); }
    void list_newline() override { m_in.count_newline(); }
    uint32_t list_column() override { return m_in.count(); }
    std::string source_text(const uint8_t* p, size_t len) override { return detokenise(p, len); }

private:
    Interp& m_in;
};

}  // namespace

Value asm_unknown_name(Interp& in) {
    VarRef ref;
    const uint8_t* end = in.p;
    in.find_var_name(in.p, ref, end);
    if (end == in.p) raise(Err::SyntaxError);
    in.p = end;
    return Value::integer(static_cast<int32_t>(in.mem.fixed32(asmx::kPcOffset)));
}

void stmt_assembler(Interp& in) {
    InterpAsmHost host(in);
    asmx::Assembler as(in.mem, host);
    // The options are 3 whenever the assembler is entered: at the start,
    // after an error and after every `]`.
    as.set_options(asmx::kOptDefault);
    const uint8_t* p = in.p;
    try {
        for (;;) {
            while (*p == ' ') ++p;
            if (*p == ']') {
                in.p = p + 1;
                break;
            }
            if (*p == ':') {
                ++p;
                continue;
            }
            if (*p == 13) {
                const uint8_t* line = p + 1;
                if (line[0] == 0) {
                    // The program ends inside the block.
                    in.p = p;
                    break;
                }
                p = line + 3;
                in.mem.set_fixed32(fixed::StmtPtr, Memory::addr(p));
                continue;
            }
            in.mem.set_fixed32(fixed::StmtPtr, Memory::addr(p));
            p = as.statement(p);
        }
    } catch (...) {
        as.set_options(asmx::kOptDefault);
        throw;
    }
    as.set_options(asmx::kOptDefault);
}

}  // namespace kov::interp
