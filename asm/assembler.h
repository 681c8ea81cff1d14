// The inline x86 assembler: turns one assembler statement of tokenised
// program text into 32-bit machine code stored at P% (or O%).
//
// The assembler is a service: operand expressions, labels, byte stores,
// the listing and system-name lookup are the interpreter's business and
// reach it through AsmHost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "interp/memory.h"

namespace kov::asmx {

// What the assembler needs from the interpreter that runs it.
class AsmHost {
public:
    virtual ~AsmHost() = default;
    // Evaluates the BASIC expression at `p` and moves `p` after it. A
    // number is truncated to an integer into `value` (returns true); a
    // string's bytes go to `text` (returns false).
    virtual bool evaluate(const uint8_t*& p, int32_t& value, std::string& text) = 0;
    // `p` is at the name after a label's ".": assigns `value` to that
    // numeric variable (creating it) and moves `p` after the name.
    // `errors_on` is OPT bit 1 ("Multiple label" applies while it is off).
    virtual void set_label(const uint8_t*& p, int32_t value, bool errors_on) = 0;
    // The address of a system function by name (the SYS lookup), or 0.
    virtual uint32_t system_address(std::string_view name) = 0;
    // Stores one byte of code at `addr` (at least &10000).
    virtual void store_byte(uint32_t addr, uint8_t byte) = 0;
    // Listing output through the counting output, and its column.
    virtual void list_char(uint8_t c) = 0;
    virtual void list_newline() = 0;
    virtual uint32_t list_column() = 0;
    // The program text [p, p + len) as written: keywords spelled out from
    // their tokens, strings verbatim.
    virtual std::string source_text(const uint8_t* p, size_t len) = 0;
};

// Fixed-area offsets of the variables the assembler works with.
inline constexpr uint32_t kPcOffset = 4 * ('P' - '@');      // P%
inline constexpr uint32_t kStoreOffset = 4 * ('O' - '@');   // O%
// OPT lives in the high nibble of the options byte.
inline constexpr uint8_t kOptShift = 4;
inline constexpr uint8_t kOptDefault = 3;

// OPT bits.
namespace opt {
constexpr uint8_t List = 1;
constexpr uint8_t Errors = 2;
constexpr uint8_t Offset = 4;
}  // namespace opt

class Assembler {
public:
    Assembler(interp::Memory& memory, AsmHost& host) : m_mem(memory), m_host(host) {}

    uint8_t options() const { return m_mem.fixed8(interp::fixed::Options) >> kOptShift; }
    void set_options(uint8_t n) {
        uint8_t o = m_mem.fixed8(interp::fixed::Options);
        m_mem.set_fixed8(interp::fixed::Options, static_cast<uint8_t>((o & 0x0F) | ((n & 15) << kOptShift)));
    }

    // Assembles the statement at `p` (after any ":" and blanks) up to the
    // next ":" or CR, which is returned. Raises BASIC errors.
    const uint8_t* statement(const uint8_t* p);

private:
    interp::Memory& m_mem;
    AsmHost& m_host;
};

// The mnemonic vocabulary: the number of a mnemonic word (its position
// in the table), or -1. `word` is in capitals.
int mnemonic_number(std::string_view word);
// The word of a mnemonic number ("" if none).
std::string_view mnemonic_word(int number);
// Number of rows in the instruction table (for the tests).
size_t instruction_rows();

}  // namespace kov::asmx
