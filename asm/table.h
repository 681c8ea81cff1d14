// The assembler's instruction table: one row per (mnemonic, operand
// classes) form with its encoding. Internal to asm/.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kov::asmx {

// Operand classes.
namespace cls {
constexpr uint8_t AL = 0, CL = 1, R8 = 7;            // 8-bit registers; 7 = any
constexpr uint8_t ST0 = 8, STI = 15;                 // x87 stack registers; 15 = any
constexpr uint8_t EAX = 16, R32 = 23;                // 32-bit registers; 23 = any
constexpr uint8_t AX = 24, DX = 26, R = 31;          // 16-bit registers; 31 = any 16/32
constexpr uint8_t MEM = 47;                          // any memory operand (32..47)
constexpr uint8_t ES = 48, CS = 49, SS = 50, DS = 51, FS = 52, GS = 53, SEG = 55;
constexpr uint8_t DIRECT = 64, IMM = 65, NONE = 66;
}  // namespace cls

// Encoding flags of a row.
namespace enc {
constexpr uint32_t RmExt1 = 1u << 0;   // ModRM: r/m = operand 1, reg = ext digit
constexpr uint32_t Reg1 = 1u << 1;     // ModRM: reg = operand 1, r/m = operand 2
constexpr uint32_t Reg2 = 1u << 2;     // ModRM: reg = operand 2, r/m = operand 1
constexpr uint32_t RegRm1 = 1u << 3;   // ModRM: reg and r/m both operand 1 (IMUL r,imm)
constexpr uint32_t Plus1 = 1u << 4;    // register number of operand 1 added to the opcode
constexpr uint32_t Plus2 = 1u << 5;    // register number of operand 2 added to the opcode
constexpr uint32_t Byte2 = 1u << 6;    // ext is a fixed second opcode byte
constexpr uint32_t St1 = 1u << 7;      // second byte: ext + ST index of operand 1
constexpr uint32_t St2 = 1u << 8;      // second byte: ext + ST index of operand 2
constexpr uint32_t W = 1u << 9;        // width bit set for 16/32-bit operands
constexpr uint32_t S = 1u << 10;       // sign-extension bit: 8-bit immediate when it fits
constexpr uint32_t I8 = 1u << 11;      // 8-bit immediate
constexpr uint32_t I16 = 1u << 12;     // 16-bit immediate
constexpr uint32_t I32 = 1u << 13;     // 32-bit immediate
constexpr uint32_t IOp = 1u << 14;     // immediate of the operand size
constexpr uint32_t I16I8 = 1u << 15;   // ENTER: 16-bit then 8-bit immediate
constexpr uint32_t Rel8 = 1u << 16;    // 8-bit relative target
constexpr uint32_t Rel32 = 1u << 17;   // 32-bit relative target
constexpr uint32_t Esc0F = 1u << 18;   // 0F escape byte
constexpr uint32_t Wait9B = 1u << 19;  // 9B (WAIT) byte in front
constexpr uint32_t P66 = 1u << 20;     // always 16-bit operands (66)
constexpr uint32_t P67 = 1u << 21;     // always 16-bit addressing (67)
constexpr uint32_t Sz = 1u << 22;      // width follows the operand size (66, Size needed)
constexpr uint32_t Free = 1u << 23;    // the operands' sizes may differ
constexpr uint32_t Sz1 = 1u << 24;     // operand size from operand 1 only
constexpr uint32_t Sz2 = 1u << 25;     // operand size from operand 2 only
constexpr uint32_t SrcW = 1u << 26;    // width bit from operand 2 (MOVSX, MOVZX)
constexpr uint32_t Shift1 = 1u << 27;  // a count of 1 takes the opcode +&10 form without immediate
constexpr uint32_t NearAlt = 1u << 28; // conditional jump: NEAR gives 0F 80+cc rel32
constexpr uint32_t ShortAlt = 1u << 29;// JMP: SHORT gives EB rel8
constexpr uint32_t Third = 1u << 30;   // takes a third operand (immediate or CL)
constexpr uint32_t No8 = 1u << 31;     // no 8-bit form
}  // namespace enc

// Special handling of a few rows.
namespace special {
constexpr uint8_t None = 0;
constexpr uint8_t Moffs = 1;     // accumulator and a direct address (A0..A3)
constexpr uint8_t Int = 2;       // INT n (INT 3 is CC)
constexpr uint8_t Third8 = 3;    // third operand is an 8-bit immediate
constexpr uint8_t ThirdCl = 4;   // third operand is CL
constexpr uint8_t Esc = 5;       // ESC n, r/m
constexpr uint8_t Src16 = 6;     // operand 2 must be a 16-bit register (MOVSX r,r16)
constexpr uint8_t ThirdOp = 7;   // third operand: immediate of the operand size
}  // namespace special

struct Row {
    int16_t mnemonic;    // number in the vocabulary
    uint8_t c1, c2;      // operand classes
    uint8_t opcode;
    uint8_t ext;         // ModRM reg digit, or a second opcode byte
    uint32_t flags;
    uint8_t mem_size;    // x87 memory forms: the size word this row takes (0 any)
    uint8_t special;
};

const Row* table_rows();
size_t table_size();

// Mnemonic numbers that the assembler itself treats specially.
struct Mnemonics {
    int db, dw, dd, opt, lock, rep, repe, repz, repne, repnz, call, callf, jmp, jmpf;
};
const Mnemonics& mnemonics();

}  // namespace kov::asmx
