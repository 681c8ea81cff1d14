// The mnemonic vocabulary and the instruction table.
//
// The vocabulary's order gives each mnemonic its number. Seven entries are
// the keyword tokens the tokeniser makes of AND, CALL followed by F, CALL,
// DIV, INT, NOT and OR; they map back to those mnemonics.
//
// The table has one row per instruction form: mnemonic, the classes of its
// two operands (table.h), opcode, ModRM digit or second opcode byte,
// encoding flags, the size word an x87 memory form takes, and a special
// handling code. The lookup takes the first row of a key, so rows of one
// key that differ only in the x87 memory size follow each other.
#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "asm/assembler.h"
#include "asm/table.h"

namespace kov::asmx {

namespace {

constexpr const char* kVocabulary[] = {
    "AAA", "AAD", "AAM", "AAS", "ADC", "ADD", "AND", "BOUND", "CALLF", "CALL", "CBW", "CLC", "CLD",
    "CLI", "CMC", "CMPSB", "CMPSW", "CMP", "CWD", "DAA", "DAS", "DB", "DD", "DW", "DEC", "DIV",
    "ENTER", "ESC", "HLT", "IDIV", "IMUL", "INC", "INSB", "INSW", "INTO", "INT", "IN", "IRET",
    "JAE", "JA", "JBE", "JB", "JCXZ", "JC", "JE", "JGE", "JG", "JLE", "JL", "JMPF", "JMPS", "JMP",
    "JNAE", "JNA", "JNBE", "JNB", "JNC", "JNE", "JNGE", "JNG", "JNLE", "JNL", "JNO", "JNP", "JNS",
    "JNZ", "JO", "JPE", "JPO", "JP", "JS", "JZ", "LAHF", "LDS", "LEAVE", "LEA", "LES", "LODSB",
    "LODSW", "LOOPE", "LOOPNE", "LOOPNZ", "LOOPZ", "LOOP", "MOVSB", "MOVSW", "MOV", "MUL", "NEG",
    "NOP", "NOT", "OR", "OUTSB", "OUTSW", "OUT", "POPA", "POPF", "POP", "PUSHA", "PUSHF", "PUSH",
    "RCL", "RCR", "RETF", "RET", "ROL", "ROR", "SAHF", "SAL", "SAR", "SBB", "SCASB", "SCASW",
    "SHL", "SHR", "STC", "STD", "STI", "STOSB", "STOSW", "SUB", "TEST", "WAIT", "XCHG", "XLAT",
    "XOR", "OPT", "LOCK", "REPE", "REPNE", "REPZ", "REPNZ", "REP", "\x80", "\xD6\x46", "\xD6", "\x81",
    "\xA8", "\xAC", "\x84", "BSWAP", "BSF", "BSR", "BT", "BTC", "BTR", "BTS", "CDQ", "CMPSD",
    "CWDE", "INSD", "IRETD", "JECXZ", "LFS", "LGS", "LSS", "LODSD", "MOVSD", "MOVSX", "MOVZX",
    "OUTSD", "POPAD", "POPFD", "PUSHAD", "PUSHFD", "SCASD", "SETAE", "SETA", "SETBE", "SETB",
    "SETC", "SETE", "SETGE", "SETG", "SETLE", "SETL", "SETNAE", "SETNA", "SETNBE", "SETNB",
    "SETNC", "SETNE", "SETNGE", "SETNG", "SETNLE", "SETNL", "SETNO", "SETNP", "SETNS", "SETNZ",
    "SETO", "SETPE", "SETPO", "SETP", "SETS", "SETZ", "SHLD", "SHRD", "STOSD", "XADD", "CMPXCHG",
    "INVD", "WBINVD", "INVLPG", "RETN", "LOOPED", "LOOPNED", "LOOPNZD", "LOOPZD", "LOOPD",
    "LOOPEW", "LOOPNEW", "LOOPNZW", "LOOPZW", "LOOPW", "CPUID", "RDTSC", "F2XM1", "FABS", "FADD",
    "FADDP", "FIADD", "FCHS", "FCLEX", "FNCLEX", "FCOM", "FCOMP", "FCOMPP", "FICOM", "FICOMP",
    "FCOS", "FDECSTP", "FDIV", "FDIVP", "FIDIV", "FDIVR", "FDIVRP", "FIDIVR", "FFREE", "FINCSTP",
    "FINIT", "FNINIT", "FLD", "FBLD", "FILD", "FLD1", "FLDZ", "FLDPI", "FLDL2E", "FLDL2T",
    "FLDLG2", "FLDLN2", "FLDCW", "FLDENV", "FMUL", "FMULP", "FIMUL", "FNOP", "FPATAN", "FPREM",
    "FPREM1", "FPTAN", "FRNDINT", "FRSTOR", "FSAVE", "FNSAVE", "FSCALE", "FSIN", "FSINCOS",
    "FSQRT", "FST", "FSTP", "FIST", "FISTP", "FBSTP", "FSTCW", "FNSTCW", "FSTENV", "FNSTENV",
    "FSTSW", "FNSTSW", "FSUB", "FSUBP", "FISUB", "FSUBR", "FSUBRP", "FISUBR", "FTST", "FUCOM",
    "FUCOMP", "FUCOMPP", "FXAM", "FXCH", "FXTRACT", "FYL2X", "FYL2XP1",
};
constexpr int kVocabularySize = sizeof kVocabulary / sizeof *kVocabulary;
static_assert(kVocabularySize == 296);

// The mnemonic a keyword-token entry stands for.
int token_entry_target(int number) {
    static constexpr const char* kTargets[] = {"AND", "CALLF", "CALL", "DIV", "INT", "NOT", "OR"};
    const int first = 133;  // the first token entry, after REP
    if (number < first || number >= first + 7) return number;
    std::string_view want = kTargets[number - first];
    for (int i = 0; i < first; ++i)
        if (want == kVocabulary[i]) return i;
    return number;
}

struct Source {
    const char* mnemonic;
    uint8_t c1, c2, opcode, ext;
    uint32_t flags;
    uint8_t mem_size;
    uint8_t special;
};

using namespace cls;
using namespace enc;

constexpr Source kRows[] = {
    {"ADD", AL, IMM, 0x04, 0x00, I8, 0, special::None},                                          // ADD AL,imm8
    {"ADD", AX, IMM, 0x05, 0x00, IOp|Sz, 0, special::None},                                      // ADD AX,imm16
    {"ADD", EAX, IMM, 0x05, 0x00, IOp|Sz, 0, special::None},                                     // ADD EAX,imm32
    {"ADD", R8, IMM, 0x80, 0x00, RmExt1|I8, 0, special::None},                                   // ADD r8,imm8
    {"ADD", R, IMM, 0x81, 0x00, RmExt1|IOp|S|Sz, 0, special::None},                              // ADD r16/32,imm (83 with a signed byte)
    {"ADD", MEM, IMM, 0x80, 0x00, RmExt1|W|S|IOp|Sz, 0, special::None},                          // ADD m,imm (size word needed)
    {"ADD", R8, R8, 0x00, 0x00, Reg2, 0, special::None},                                         // ADD r8,r8
    {"ADD", R, R, 0x01, 0x00, Reg2|Sz, 0, special::None},                                        // ADD r,r
    {"ADD", MEM, R8, 0x00, 0x00, Reg2, 0, special::None},                                        // ADD m8,r8
    {"ADD", MEM, R, 0x01, 0x00, Reg2|Sz, 0, special::None},                                      // ADD m,r
    {"ADD", R8, MEM, 0x02, 0x00, Reg1, 0, special::None},                                        // ADD r8,m8
    {"ADD", R, MEM, 0x03, 0x00, Reg1|Sz, 0, special::None},                                      // ADD r,m
    {"OR", AL, IMM, 0x0C, 0x00, I8, 0, special::None},                                           // OR AL,imm8
    {"OR", AX, IMM, 0x0D, 0x00, IOp|Sz, 0, special::None},                                       // OR AX,imm16
    {"OR", EAX, IMM, 0x0D, 0x00, IOp|Sz, 0, special::None},                                      // OR EAX,imm32
    {"OR", R8, IMM, 0x80, 0x01, RmExt1|I8, 0, special::None},                                    // OR r8,imm8
    {"OR", R, IMM, 0x81, 0x01, RmExt1|IOp|S|Sz, 0, special::None},                               // OR r16/32,imm (83 with a signed byte)
    {"OR", MEM, IMM, 0x80, 0x01, RmExt1|W|S|IOp|Sz, 0, special::None},                           // OR m,imm (size word needed)
    {"OR", R8, R8, 0x08, 0x00, Reg2, 0, special::None},                                          // OR r8,r8
    {"OR", R, R, 0x09, 0x00, Reg2|Sz, 0, special::None},                                         // OR r,r
    {"OR", MEM, R8, 0x08, 0x00, Reg2, 0, special::None},                                         // OR m8,r8
    {"OR", MEM, R, 0x09, 0x00, Reg2|Sz, 0, special::None},                                       // OR m,r
    {"OR", R8, MEM, 0x0A, 0x00, Reg1, 0, special::None},                                         // OR r8,m8
    {"OR", R, MEM, 0x0B, 0x00, Reg1|Sz, 0, special::None},                                       // OR r,m
    {"ADC", AL, IMM, 0x14, 0x00, I8, 0, special::None},                                          // ADC AL,imm8
    {"ADC", AX, IMM, 0x15, 0x00, IOp|Sz, 0, special::None},                                      // ADC AX,imm16
    {"ADC", EAX, IMM, 0x15, 0x00, IOp|Sz, 0, special::None},                                     // ADC EAX,imm32
    {"ADC", R8, IMM, 0x80, 0x02, RmExt1|I8, 0, special::None},                                   // ADC r8,imm8
    {"ADC", R, IMM, 0x81, 0x02, RmExt1|IOp|S|Sz, 0, special::None},                              // ADC r16/32,imm (83 with a signed byte)
    {"ADC", MEM, IMM, 0x80, 0x02, RmExt1|W|S|IOp|Sz, 0, special::None},                          // ADC m,imm (size word needed)
    {"ADC", R8, R8, 0x10, 0x00, Reg2, 0, special::None},                                         // ADC r8,r8
    {"ADC", R, R, 0x11, 0x00, Reg2|Sz, 0, special::None},                                        // ADC r,r
    {"ADC", MEM, R8, 0x10, 0x00, Reg2, 0, special::None},                                        // ADC m8,r8
    {"ADC", MEM, R, 0x11, 0x00, Reg2|Sz, 0, special::None},                                      // ADC m,r
    {"ADC", R8, MEM, 0x12, 0x00, Reg1, 0, special::None},                                        // ADC r8,m8
    {"ADC", R, MEM, 0x13, 0x00, Reg1|Sz, 0, special::None},                                      // ADC r,m
    {"SBB", AL, IMM, 0x1C, 0x00, I8, 0, special::None},                                          // SBB AL,imm8
    {"SBB", AX, IMM, 0x1D, 0x00, IOp|Sz, 0, special::None},                                      // SBB AX,imm16
    {"SBB", EAX, IMM, 0x1D, 0x00, IOp|Sz, 0, special::None},                                     // SBB EAX,imm32
    {"SBB", R8, IMM, 0x80, 0x03, RmExt1|I8, 0, special::None},                                   // SBB r8,imm8
    {"SBB", R, IMM, 0x81, 0x03, RmExt1|IOp|S|Sz, 0, special::None},                              // SBB r16/32,imm (83 with a signed byte)
    {"SBB", MEM, IMM, 0x80, 0x03, RmExt1|W|S|IOp|Sz, 0, special::None},                          // SBB m,imm (size word needed)
    {"SBB", R8, R8, 0x18, 0x00, Reg2, 0, special::None},                                         // SBB r8,r8
    {"SBB", R, R, 0x19, 0x00, Reg2|Sz, 0, special::None},                                        // SBB r,r
    {"SBB", MEM, R8, 0x18, 0x00, Reg2, 0, special::None},                                        // SBB m8,r8
    {"SBB", MEM, R, 0x19, 0x00, Reg2|Sz, 0, special::None},                                      // SBB m,r
    {"SBB", R8, MEM, 0x1A, 0x00, Reg1, 0, special::None},                                        // SBB r8,m8
    {"SBB", R, MEM, 0x1B, 0x00, Reg1|Sz, 0, special::None},                                      // SBB r,m
    {"AND", AL, IMM, 0x24, 0x00, I8, 0, special::None},                                          // AND AL,imm8
    {"AND", AX, IMM, 0x25, 0x00, IOp|Sz, 0, special::None},                                      // AND AX,imm16
    {"AND", EAX, IMM, 0x25, 0x00, IOp|Sz, 0, special::None},                                     // AND EAX,imm32
    {"AND", R8, IMM, 0x80, 0x04, RmExt1|I8, 0, special::None},                                   // AND r8,imm8
    {"AND", R, IMM, 0x81, 0x04, RmExt1|IOp|S|Sz, 0, special::None},                              // AND r16/32,imm (83 with a signed byte)
    {"AND", MEM, IMM, 0x80, 0x04, RmExt1|W|S|IOp|Sz, 0, special::None},                          // AND m,imm (size word needed)
    {"AND", R8, R8, 0x20, 0x00, Reg2, 0, special::None},                                         // AND r8,r8
    {"AND", R, R, 0x21, 0x00, Reg2|Sz, 0, special::None},                                        // AND r,r
    {"AND", MEM, R8, 0x20, 0x00, Reg2, 0, special::None},                                        // AND m8,r8
    {"AND", MEM, R, 0x21, 0x00, Reg2|Sz, 0, special::None},                                      // AND m,r
    {"AND", R8, MEM, 0x22, 0x00, Reg1, 0, special::None},                                        // AND r8,m8
    {"AND", R, MEM, 0x23, 0x00, Reg1|Sz, 0, special::None},                                      // AND r,m
    {"SUB", AL, IMM, 0x2C, 0x00, I8, 0, special::None},                                          // SUB AL,imm8
    {"SUB", AX, IMM, 0x2D, 0x00, IOp|Sz, 0, special::None},                                      // SUB AX,imm16
    {"SUB", EAX, IMM, 0x2D, 0x00, IOp|Sz, 0, special::None},                                     // SUB EAX,imm32
    {"SUB", R8, IMM, 0x80, 0x05, RmExt1|I8, 0, special::None},                                   // SUB r8,imm8
    {"SUB", R, IMM, 0x81, 0x05, RmExt1|IOp|S|Sz, 0, special::None},                              // SUB r16/32,imm (83 with a signed byte)
    {"SUB", MEM, IMM, 0x80, 0x05, RmExt1|W|S|IOp|Sz, 0, special::None},                          // SUB m,imm (size word needed)
    {"SUB", R8, R8, 0x28, 0x00, Reg2, 0, special::None},                                         // SUB r8,r8
    {"SUB", R, R, 0x29, 0x00, Reg2|Sz, 0, special::None},                                        // SUB r,r
    {"SUB", MEM, R8, 0x28, 0x00, Reg2, 0, special::None},                                        // SUB m8,r8
    {"SUB", MEM, R, 0x29, 0x00, Reg2|Sz, 0, special::None},                                      // SUB m,r
    {"SUB", R8, MEM, 0x2A, 0x00, Reg1, 0, special::None},                                        // SUB r8,m8
    {"SUB", R, MEM, 0x2B, 0x00, Reg1|Sz, 0, special::None},                                      // SUB r,m
    {"XOR", AL, IMM, 0x34, 0x00, I8, 0, special::None},                                          // XOR AL,imm8
    {"XOR", AX, IMM, 0x35, 0x00, IOp|Sz, 0, special::None},                                      // XOR AX,imm16
    {"XOR", EAX, IMM, 0x35, 0x00, IOp|Sz, 0, special::None},                                     // XOR EAX,imm32
    {"XOR", R8, IMM, 0x80, 0x06, RmExt1|I8, 0, special::None},                                   // XOR r8,imm8
    {"XOR", R, IMM, 0x81, 0x06, RmExt1|IOp|S|Sz, 0, special::None},                              // XOR r16/32,imm (83 with a signed byte)
    {"XOR", MEM, IMM, 0x80, 0x06, RmExt1|W|S|IOp|Sz, 0, special::None},                          // XOR m,imm (size word needed)
    {"XOR", R8, R8, 0x30, 0x00, Reg2, 0, special::None},                                         // XOR r8,r8
    {"XOR", R, R, 0x31, 0x00, Reg2|Sz, 0, special::None},                                        // XOR r,r
    {"XOR", MEM, R8, 0x30, 0x00, Reg2, 0, special::None},                                        // XOR m8,r8
    {"XOR", MEM, R, 0x31, 0x00, Reg2|Sz, 0, special::None},                                      // XOR m,r
    {"XOR", R8, MEM, 0x32, 0x00, Reg1, 0, special::None},                                        // XOR r8,m8
    {"XOR", R, MEM, 0x33, 0x00, Reg1|Sz, 0, special::None},                                      // XOR r,m
    {"CMP", AL, IMM, 0x3C, 0x00, I8, 0, special::None},                                          // CMP AL,imm8
    {"CMP", AX, IMM, 0x3D, 0x00, IOp|Sz, 0, special::None},                                      // CMP AX,imm16
    {"CMP", EAX, IMM, 0x3D, 0x00, IOp|Sz, 0, special::None},                                     // CMP EAX,imm32
    {"CMP", R8, IMM, 0x80, 0x07, RmExt1|I8, 0, special::None},                                   // CMP r8,imm8
    {"CMP", R, IMM, 0x81, 0x07, RmExt1|IOp|S|Sz, 0, special::None},                              // CMP r16/32,imm (83 with a signed byte)
    {"CMP", MEM, IMM, 0x80, 0x07, RmExt1|W|S|IOp|Sz, 0, special::None},                          // CMP m,imm (size word needed)
    {"CMP", R8, R8, 0x38, 0x00, Reg2, 0, special::None},                                         // CMP r8,r8
    {"CMP", R, R, 0x39, 0x00, Reg2|Sz, 0, special::None},                                        // CMP r,r
    {"CMP", MEM, R8, 0x38, 0x00, Reg2, 0, special::None},                                        // CMP m8,r8
    {"CMP", MEM, R, 0x39, 0x00, Reg2|Sz, 0, special::None},                                      // CMP m,r
    {"CMP", R8, MEM, 0x3A, 0x00, Reg1, 0, special::None},                                        // CMP r8,m8
    {"CMP", R, MEM, 0x3B, 0x00, Reg1|Sz, 0, special::None},                                      // CMP r,m
    {"ROL", R8, IMM, 0xC0, 0x00, RmExt1|I8|Shift1, 0, special::None},                            // ROL r8,imm8 (D0 for 1)
    {"ROL", R, IMM, 0xC1, 0x00, RmExt1|I8|Sz|Shift1, 0, special::None},                          // ROL r,imm8 (D1 for 1)
    {"ROL", MEM, IMM, 0xC0, 0x00, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // ROL m,imm8
    {"ROL", R8, CL, 0xD2, 0x00, RmExt1|Free, 0, special::None},                                  // ROL r8,CL
    {"ROL", R, CL, 0xD3, 0x00, RmExt1|Sz|Free|Sz1, 0, special::None},                            // ROL r,CL
    {"ROL", MEM, CL, 0xD2, 0x00, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // ROL m,CL
    {"ROL", R8, NONE, 0xD0, 0x00, RmExt1, 0, special::None},                                     // ROL r8 (by 1)
    {"ROL", R, NONE, 0xD1, 0x00, RmExt1|Sz, 0, special::None},                                   // ROL r (by 1)
    {"ROL", MEM, NONE, 0xD0, 0x00, RmExt1|W|Sz, 0, special::None},                               // ROL m (by 1)
    {"ROR", R8, IMM, 0xC0, 0x01, RmExt1|I8|Shift1, 0, special::None},                            // ROR r8,imm8 (D0 for 1)
    {"ROR", R, IMM, 0xC1, 0x01, RmExt1|I8|Sz|Shift1, 0, special::None},                          // ROR r,imm8 (D1 for 1)
    {"ROR", MEM, IMM, 0xC0, 0x01, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // ROR m,imm8
    {"ROR", R8, CL, 0xD2, 0x01, RmExt1|Free, 0, special::None},                                  // ROR r8,CL
    {"ROR", R, CL, 0xD3, 0x01, RmExt1|Sz|Free|Sz1, 0, special::None},                            // ROR r,CL
    {"ROR", MEM, CL, 0xD2, 0x01, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // ROR m,CL
    {"ROR", R8, NONE, 0xD0, 0x01, RmExt1, 0, special::None},                                     // ROR r8 (by 1)
    {"ROR", R, NONE, 0xD1, 0x01, RmExt1|Sz, 0, special::None},                                   // ROR r (by 1)
    {"ROR", MEM, NONE, 0xD0, 0x01, RmExt1|W|Sz, 0, special::None},                               // ROR m (by 1)
    {"RCL", R8, IMM, 0xC0, 0x02, RmExt1|I8|Shift1, 0, special::None},                            // RCL r8,imm8 (D0 for 1)
    {"RCL", R, IMM, 0xC1, 0x02, RmExt1|I8|Sz|Shift1, 0, special::None},                          // RCL r,imm8 (D1 for 1)
    {"RCL", MEM, IMM, 0xC0, 0x02, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // RCL m,imm8
    {"RCL", R8, CL, 0xD2, 0x02, RmExt1|Free, 0, special::None},                                  // RCL r8,CL
    {"RCL", R, CL, 0xD3, 0x02, RmExt1|Sz|Free|Sz1, 0, special::None},                            // RCL r,CL
    {"RCL", MEM, CL, 0xD2, 0x02, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // RCL m,CL
    {"RCL", R8, NONE, 0xD0, 0x02, RmExt1, 0, special::None},                                     // RCL r8 (by 1)
    {"RCL", R, NONE, 0xD1, 0x02, RmExt1|Sz, 0, special::None},                                   // RCL r (by 1)
    {"RCL", MEM, NONE, 0xD0, 0x02, RmExt1|W|Sz, 0, special::None},                               // RCL m (by 1)
    {"RCR", R8, IMM, 0xC0, 0x03, RmExt1|I8|Shift1, 0, special::None},                            // RCR r8,imm8 (D0 for 1)
    {"RCR", R, IMM, 0xC1, 0x03, RmExt1|I8|Sz|Shift1, 0, special::None},                          // RCR r,imm8 (D1 for 1)
    {"RCR", MEM, IMM, 0xC0, 0x03, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // RCR m,imm8
    {"RCR", R8, CL, 0xD2, 0x03, RmExt1|Free, 0, special::None},                                  // RCR r8,CL
    {"RCR", R, CL, 0xD3, 0x03, RmExt1|Sz|Free|Sz1, 0, special::None},                            // RCR r,CL
    {"RCR", MEM, CL, 0xD2, 0x03, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // RCR m,CL
    {"RCR", R8, NONE, 0xD0, 0x03, RmExt1, 0, special::None},                                     // RCR r8 (by 1)
    {"RCR", R, NONE, 0xD1, 0x03, RmExt1|Sz, 0, special::None},                                   // RCR r (by 1)
    {"RCR", MEM, NONE, 0xD0, 0x03, RmExt1|W|Sz, 0, special::None},                               // RCR m (by 1)
    {"SHL", R8, IMM, 0xC0, 0x04, RmExt1|I8|Shift1, 0, special::None},                            // SHL r8,imm8 (D0 for 1)
    {"SHL", R, IMM, 0xC1, 0x04, RmExt1|I8|Sz|Shift1, 0, special::None},                          // SHL r,imm8 (D1 for 1)
    {"SHL", MEM, IMM, 0xC0, 0x04, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // SHL m,imm8
    {"SHL", R8, CL, 0xD2, 0x04, RmExt1|Free, 0, special::None},                                  // SHL r8,CL
    {"SHL", R, CL, 0xD3, 0x04, RmExt1|Sz|Free|Sz1, 0, special::None},                            // SHL r,CL
    {"SHL", MEM, CL, 0xD2, 0x04, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // SHL m,CL
    {"SHL", R8, NONE, 0xD0, 0x04, RmExt1, 0, special::None},                                     // SHL r8 (by 1)
    {"SHL", R, NONE, 0xD1, 0x04, RmExt1|Sz, 0, special::None},                                   // SHL r (by 1)
    {"SHL", MEM, NONE, 0xD0, 0x04, RmExt1|W|Sz, 0, special::None},                               // SHL m (by 1)
    {"SAL", R8, IMM, 0xC0, 0x04, RmExt1|I8|Shift1, 0, special::None},                            // SAL r8,imm8 (D0 for 1)
    {"SAL", R, IMM, 0xC1, 0x04, RmExt1|I8|Sz|Shift1, 0, special::None},                          // SAL r,imm8 (D1 for 1)
    {"SAL", MEM, IMM, 0xC0, 0x04, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // SAL m,imm8
    {"SAL", R8, CL, 0xD2, 0x04, RmExt1|Free, 0, special::None},                                  // SAL r8,CL
    {"SAL", R, CL, 0xD3, 0x04, RmExt1|Sz|Free|Sz1, 0, special::None},                            // SAL r,CL
    {"SAL", MEM, CL, 0xD2, 0x04, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // SAL m,CL
    {"SAL", R8, NONE, 0xD0, 0x04, RmExt1, 0, special::None},                                     // SAL r8 (by 1)
    {"SAL", R, NONE, 0xD1, 0x04, RmExt1|Sz, 0, special::None},                                   // SAL r (by 1)
    {"SAL", MEM, NONE, 0xD0, 0x04, RmExt1|W|Sz, 0, special::None},                               // SAL m (by 1)
    {"SHR", R8, IMM, 0xC0, 0x05, RmExt1|I8|Shift1, 0, special::None},                            // SHR r8,imm8 (D0 for 1)
    {"SHR", R, IMM, 0xC1, 0x05, RmExt1|I8|Sz|Shift1, 0, special::None},                          // SHR r,imm8 (D1 for 1)
    {"SHR", MEM, IMM, 0xC0, 0x05, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // SHR m,imm8
    {"SHR", R8, CL, 0xD2, 0x05, RmExt1|Free, 0, special::None},                                  // SHR r8,CL
    {"SHR", R, CL, 0xD3, 0x05, RmExt1|Sz|Free|Sz1, 0, special::None},                            // SHR r,CL
    {"SHR", MEM, CL, 0xD2, 0x05, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // SHR m,CL
    {"SHR", R8, NONE, 0xD0, 0x05, RmExt1, 0, special::None},                                     // SHR r8 (by 1)
    {"SHR", R, NONE, 0xD1, 0x05, RmExt1|Sz, 0, special::None},                                   // SHR r (by 1)
    {"SHR", MEM, NONE, 0xD0, 0x05, RmExt1|W|Sz, 0, special::None},                               // SHR m (by 1)
    {"SAR", R8, IMM, 0xC0, 0x07, RmExt1|I8|Shift1, 0, special::None},                            // SAR r8,imm8 (D0 for 1)
    {"SAR", R, IMM, 0xC1, 0x07, RmExt1|I8|Sz|Shift1, 0, special::None},                          // SAR r,imm8 (D1 for 1)
    {"SAR", MEM, IMM, 0xC0, 0x07, RmExt1|W|I8|Sz|Shift1, 0, special::None},                      // SAR m,imm8
    {"SAR", R8, CL, 0xD2, 0x07, RmExt1|Free, 0, special::None},                                  // SAR r8,CL
    {"SAR", R, CL, 0xD3, 0x07, RmExt1|Sz|Free|Sz1, 0, special::None},                            // SAR r,CL
    {"SAR", MEM, CL, 0xD2, 0x07, RmExt1|W|Sz|Free|Sz1, 0, special::None},                        // SAR m,CL
    {"SAR", R8, NONE, 0xD0, 0x07, RmExt1, 0, special::None},                                     // SAR r8 (by 1)
    {"SAR", R, NONE, 0xD1, 0x07, RmExt1|Sz, 0, special::None},                                   // SAR r (by 1)
    {"SAR", MEM, NONE, 0xD0, 0x07, RmExt1|W|Sz, 0, special::None},                               // SAR m (by 1)
    {"INC", R, NONE, 0x40, 0x00, Plus1|Sz, 0, special::None},                                    // INC r16/32 (one byte)
    {"INC", R8, NONE, 0xFE, 0x00, RmExt1, 0, special::None},                                     // INC r8
    {"INC", MEM, NONE, 0xFE, 0x00, RmExt1|W|Sz, 0, special::None},                               // INC m (size word needed)
    {"DEC", R, NONE, 0x48, 0x00, Plus1|Sz, 0, special::None},                                    // DEC r16/32 (one byte)
    {"DEC", R8, NONE, 0xFE, 0x01, RmExt1, 0, special::None},                                     // DEC r8
    {"DEC", MEM, NONE, 0xFE, 0x01, RmExt1|W|Sz, 0, special::None},                               // DEC m (size word needed)
    {"NOT", R8, NONE, 0xF6, 0x02, RmExt1, 0, special::None},                                     // NOT r8
    {"NOT", R, NONE, 0xF7, 0x02, RmExt1|Sz, 0, special::None},                                   // NOT r16/32
    {"NOT", MEM, NONE, 0xF6, 0x02, RmExt1|W|Sz, 0, special::None},                               // NOT m (size word needed)
    {"NEG", R8, NONE, 0xF6, 0x03, RmExt1, 0, special::None},                                     // NEG r8
    {"NEG", R, NONE, 0xF7, 0x03, RmExt1|Sz, 0, special::None},                                   // NEG r16/32
    {"NEG", MEM, NONE, 0xF6, 0x03, RmExt1|W|Sz, 0, special::None},                               // NEG m (size word needed)
    {"MUL", R8, NONE, 0xF6, 0x04, RmExt1, 0, special::None},                                     // MUL r8
    {"MUL", R, NONE, 0xF7, 0x04, RmExt1|Sz, 0, special::None},                                   // MUL r16/32
    {"MUL", MEM, NONE, 0xF6, 0x04, RmExt1|W|Sz, 0, special::None},                               // MUL m (size word needed)
    {"IMUL", R8, NONE, 0xF6, 0x05, RmExt1, 0, special::None},                                    // IMUL r8
    {"IMUL", R, NONE, 0xF7, 0x05, RmExt1|Sz, 0, special::None},                                  // IMUL r16/32
    {"IMUL", MEM, NONE, 0xF6, 0x05, RmExt1|W|Sz, 0, special::None},                              // IMUL m (size word needed)
    {"DIV", R8, NONE, 0xF6, 0x06, RmExt1, 0, special::None},                                     // DIV r8
    {"DIV", R, NONE, 0xF7, 0x06, RmExt1|Sz, 0, special::None},                                   // DIV r16/32
    {"DIV", MEM, NONE, 0xF6, 0x06, RmExt1|W|Sz, 0, special::None},                               // DIV m (size word needed)
    {"IDIV", R8, NONE, 0xF6, 0x07, RmExt1, 0, special::None},                                    // IDIV r8
    {"IDIV", R, NONE, 0xF7, 0x07, RmExt1|Sz, 0, special::None},                                  // IDIV r16/32
    {"IDIV", MEM, NONE, 0xF6, 0x07, RmExt1|W|Sz, 0, special::None},                              // IDIV m (size word needed)
    {"IMUL", R, R, 0xAF, 0x00, Reg1|Sz|Esc0F, 0, special::None},                                 // IMUL r,r
    {"IMUL", R, MEM, 0xAF, 0x00, Reg1|Sz|Esc0F, 0, special::None},                               // IMUL r,m
    {"IMUL", R, IMM, 0x69, 0x00, RegRm1|IOp|S|Sz, 0, special::None},                             // IMUL r,imm (r,r,imm)
    {"IMUL", R, R, 0x69, 0x00, Reg1|IOp|S|Sz|Third, 0, special::ThirdOp},                        // IMUL r,r,imm
    {"IMUL", R, MEM, 0x69, 0x00, Reg1|IOp|S|Sz|Third, 0, special::ThirdOp},                      // IMUL r,m,imm
    {"TEST", AL, IMM, 0xA8, 0x00, I8, 0, special::None},                                         // TEST AL,imm8
    {"TEST", AX, IMM, 0xA9, 0x00, IOp|Sz, 0, special::None},                                     // TEST AX,imm16
    {"TEST", EAX, IMM, 0xA9, 0x00, IOp|Sz, 0, special::None},                                    // TEST EAX,imm32
    {"TEST", R8, IMM, 0xF6, 0x00, RmExt1|I8, 0, special::None},                                  // TEST r8,imm8
    {"TEST", R, IMM, 0xF7, 0x00, RmExt1|IOp|Sz, 0, special::None},                               // TEST r,imm
    {"TEST", MEM, IMM, 0xF6, 0x00, RmExt1|W|IOp|Sz, 0, special::None},                           // TEST m,imm
    {"TEST", R8, R8, 0x84, 0x00, Reg2, 0, special::None},                                        // TEST r8,r8
    {"TEST", R, R, 0x85, 0x00, Reg2|Sz, 0, special::None},                                       // TEST r,r
    {"TEST", MEM, R8, 0x84, 0x00, Reg2, 0, special::None},                                       // TEST m8,r8
    {"TEST", MEM, R, 0x85, 0x00, Reg2|Sz, 0, special::None},                                     // TEST m,r
    {"TEST", R8, MEM, 0x84, 0x00, Reg1, 0, special::None},                                       // TEST r8,m8
    {"TEST", R, MEM, 0x85, 0x00, Reg1|Sz, 0, special::None},                                     // TEST r,m
    {"MOV", AL, DIRECT, 0xA0, 0x00, 0, 0, special::Moffs},                                       // MOV AL,[addr]
    {"MOV", AX, DIRECT, 0xA1, 0x00, Sz, 0, special::Moffs},                                      // MOV AX,[addr]
    {"MOV", EAX, DIRECT, 0xA1, 0x00, Sz, 0, special::Moffs},                                     // MOV EAX,[addr]
    {"MOV", DIRECT, AL, 0xA2, 0x00, 0, 0, special::Moffs},                                       // MOV [addr],AL
    {"MOV", DIRECT, AX, 0xA3, 0x00, Sz, 0, special::Moffs},                                      // MOV [addr],AX
    {"MOV", DIRECT, EAX, 0xA3, 0x00, Sz, 0, special::Moffs},                                     // MOV [addr],EAX
    {"MOV", R8, R8, 0x88, 0x00, Reg2, 0, special::None},                                         // MOV r8,r8
    {"MOV", R, R, 0x89, 0x00, Reg2|Sz, 0, special::None},                                        // MOV r,r
    {"MOV", MEM, R8, 0x88, 0x00, Reg2, 0, special::None},                                        // MOV m8,r8
    {"MOV", MEM, R, 0x89, 0x00, Reg2|Sz, 0, special::None},                                      // MOV m,r
    {"MOV", R8, MEM, 0x8A, 0x00, Reg1, 0, special::None},                                        // MOV r8,m8
    {"MOV", R, MEM, 0x8B, 0x00, Reg1|Sz, 0, special::None},                                      // MOV r,m
    {"MOV", R8, IMM, 0xB0, 0x00, Plus1|I8, 0, special::None},                                    // MOV r8,imm8
    {"MOV", R, IMM, 0xB8, 0x00, Plus1|IOp|Sz, 0, special::None},                                 // MOV r,imm
    {"MOV", MEM, IMM, 0xC6, 0x00, RmExt1|W|IOp|Sz, 0, special::None},                            // MOV m,imm (size word needed)
    {"MOV", R, SEG, 0x8C, 0x00, Reg2|Sz|Free|Sz1, 0, special::None},                             // MOV r,sreg
    {"MOV", MEM, SEG, 0x8C, 0x00, Reg2|Free, 0, special::None},                                  // MOV m16,sreg
    {"MOV", SEG, R, 0x8E, 0x00, Reg1|Free, 0, special::None},                                    // MOV sreg,r
    {"MOV", SEG, MEM, 0x8E, 0x00, Reg1|Free, 0, special::None},                                  // MOV sreg,m16
    {"PUSH", R, NONE, 0x50, 0x00, Plus1|Sz, 0, special::None},                                   // PUSH r16/32
    {"PUSH", MEM, NONE, 0xFF, 0x06, RmExt1|Sz|No8, 0, special::None},                            // PUSH m (WORD or DWORD)
    {"PUSH", IMM, NONE, 0x68, 0x00, I32|S, 0, special::None},                                    // PUSH imm32 (6A with a signed byte)
    {"PUSH", ES, NONE, 0x06, 0x00, 0, 0, special::None},                                         // PUSH ES
    {"PUSH", CS, NONE, 0x0E, 0x00, 0, 0, special::None},                                         // PUSH CS
    {"PUSH", SS, NONE, 0x16, 0x00, 0, 0, special::None},                                         // PUSH SS
    {"PUSH", DS, NONE, 0x1E, 0x00, 0, 0, special::None},                                         // PUSH DS
    {"PUSH", FS, NONE, 0xA0, 0x00, Esc0F, 0, special::None},                                     // PUSH FS
    {"PUSH", GS, NONE, 0xA8, 0x00, Esc0F, 0, special::None},                                     // PUSH GS
    {"POP", R, NONE, 0x58, 0x00, Plus1|Sz, 0, special::None},                                    // POP r16/32
    {"POP", MEM, NONE, 0x8F, 0x00, RmExt1|Sz|No8, 0, special::None},                             // POP m (WORD or DWORD)
    {"POP", ES, NONE, 0x07, 0x00, 0, 0, special::None},                                          // POP ES
    {"POP", SS, NONE, 0x17, 0x00, 0, 0, special::None},                                          // POP SS
    {"POP", DS, NONE, 0x1F, 0x00, 0, 0, special::None},                                          // POP DS
    {"POP", FS, NONE, 0xA1, 0x00, Esc0F, 0, special::None},                                      // POP FS
    {"POP", GS, NONE, 0xA9, 0x00, Esc0F, 0, special::None},                                      // POP GS
    {"XCHG", EAX, R32, 0x90, 0x00, Plus2|Sz, 0, special::None},                                  // XCHG EAX,r32
    {"XCHG", R32, EAX, 0x90, 0x00, Plus1|Sz, 0, special::None},                                  // XCHG r32,EAX
    {"XCHG", AX, R, 0x90, 0x00, Plus2|Sz, 0, special::None},                                     // XCHG AX,r16
    {"XCHG", R, AX, 0x90, 0x00, Plus1|Sz, 0, special::None},                                     // XCHG r16,AX
    {"XCHG", R8, R8, 0x86, 0x00, Reg2, 0, special::None},                                        // XCHG r8,r8
    {"XCHG", R, R, 0x87, 0x00, Reg2|Sz, 0, special::None},                                       // XCHG r,r
    {"XCHG", MEM, R8, 0x86, 0x00, Reg2, 0, special::None},                                       // XCHG m8,r8
    {"XCHG", MEM, R, 0x87, 0x00, Reg2|Sz, 0, special::None},                                     // XCHG m,r
    {"XCHG", R8, MEM, 0x86, 0x00, Reg1, 0, special::None},                                       // XCHG r8,m8
    {"XCHG", R, MEM, 0x87, 0x00, Reg1|Sz, 0, special::None},                                     // XCHG r,m
    {"IN", AL, IMM, 0xE4, 0x00, I8, 0, special::None},                                           // IN AL,port
    {"IN", AX, IMM, 0xE5, 0x00, I8|Sz|Free|Sz1, 0, special::None},                               // IN AX,port
    {"IN", EAX, IMM, 0xE5, 0x00, I8|Sz|Free|Sz1, 0, special::None},                              // IN EAX,port
    {"IN", AL, DX, 0xEC, 0x00, Free|Sz1, 0, special::None},                                      // IN AL,DX
    {"IN", AX, DX, 0xED, 0x00, Sz|Free|Sz1, 0, special::None},                                   // IN AX,DX
    {"IN", EAX, DX, 0xED, 0x00, Sz|Free|Sz1, 0, special::None},                                  // IN EAX,DX
    {"OUT", IMM, AL, 0xE6, 0x00, I8, 0, special::None},                                          // OUT port,AL
    {"OUT", IMM, AX, 0xE7, 0x00, I8|Sz|Free|Sz2, 0, special::None},                              // OUT port,AX
    {"OUT", IMM, EAX, 0xE7, 0x00, I8|Sz|Free|Sz2, 0, special::None},                             // OUT port,EAX
    {"OUT", DX, AL, 0xEE, 0x00, Free|Sz2, 0, special::None},                                     // OUT DX,AL
    {"OUT", DX, AX, 0xEF, 0x00, Sz|Free|Sz2, 0, special::None},                                  // OUT DX,AX
    {"OUT", DX, EAX, 0xEF, 0x00, Sz|Free|Sz2, 0, special::None},                                 // OUT DX,EAX
    {"JO", IMM, NONE, 0x70, 0x00, Rel8|NearAlt, 0, special::None},                               // JO rel8 (NEAR: 0F 80 rel32)
    {"JNO", IMM, NONE, 0x71, 0x00, Rel8|NearAlt, 0, special::None},                              // JNO rel8 (NEAR: 0F 81 rel32)
    {"JB", IMM, NONE, 0x72, 0x00, Rel8|NearAlt, 0, special::None},                               // JB rel8 (NEAR: 0F 82 rel32)
    {"JNAE", IMM, NONE, 0x72, 0x00, Rel8|NearAlt, 0, special::None},                             // JNAE rel8 (NEAR: 0F 82 rel32)
    {"JC", IMM, NONE, 0x72, 0x00, Rel8|NearAlt, 0, special::None},                               // JC rel8 (NEAR: 0F 82 rel32)
    {"JAE", IMM, NONE, 0x73, 0x00, Rel8|NearAlt, 0, special::None},                              // JAE rel8 (NEAR: 0F 83 rel32)
    {"JNB", IMM, NONE, 0x73, 0x00, Rel8|NearAlt, 0, special::None},                              // JNB rel8 (NEAR: 0F 83 rel32)
    {"JNC", IMM, NONE, 0x73, 0x00, Rel8|NearAlt, 0, special::None},                              // JNC rel8 (NEAR: 0F 83 rel32)
    {"JE", IMM, NONE, 0x74, 0x00, Rel8|NearAlt, 0, special::None},                               // JE rel8 (NEAR: 0F 84 rel32)
    {"JZ", IMM, NONE, 0x74, 0x00, Rel8|NearAlt, 0, special::None},                               // JZ rel8 (NEAR: 0F 84 rel32)
    {"JNE", IMM, NONE, 0x75, 0x00, Rel8|NearAlt, 0, special::None},                              // JNE rel8 (NEAR: 0F 85 rel32)
    {"JNZ", IMM, NONE, 0x75, 0x00, Rel8|NearAlt, 0, special::None},                              // JNZ rel8 (NEAR: 0F 85 rel32)
    {"JBE", IMM, NONE, 0x76, 0x00, Rel8|NearAlt, 0, special::None},                              // JBE rel8 (NEAR: 0F 86 rel32)
    {"JNA", IMM, NONE, 0x76, 0x00, Rel8|NearAlt, 0, special::None},                              // JNA rel8 (NEAR: 0F 86 rel32)
    {"JA", IMM, NONE, 0x77, 0x00, Rel8|NearAlt, 0, special::None},                               // JA rel8 (NEAR: 0F 87 rel32)
    {"JNBE", IMM, NONE, 0x77, 0x00, Rel8|NearAlt, 0, special::None},                             // JNBE rel8 (NEAR: 0F 87 rel32)
    {"JS", IMM, NONE, 0x78, 0x00, Rel8|NearAlt, 0, special::None},                               // JS rel8 (NEAR: 0F 88 rel32)
    {"JNS", IMM, NONE, 0x79, 0x00, Rel8|NearAlt, 0, special::None},                              // JNS rel8 (NEAR: 0F 89 rel32)
    {"JP", IMM, NONE, 0x7A, 0x00, Rel8|NearAlt, 0, special::None},                               // JP rel8 (NEAR: 0F 8A rel32)
    {"JPE", IMM, NONE, 0x7A, 0x00, Rel8|NearAlt, 0, special::None},                              // JPE rel8 (NEAR: 0F 8A rel32)
    {"JNP", IMM, NONE, 0x7B, 0x00, Rel8|NearAlt, 0, special::None},                              // JNP rel8 (NEAR: 0F 8B rel32)
    {"JPO", IMM, NONE, 0x7B, 0x00, Rel8|NearAlt, 0, special::None},                              // JPO rel8 (NEAR: 0F 8B rel32)
    {"JL", IMM, NONE, 0x7C, 0x00, Rel8|NearAlt, 0, special::None},                               // JL rel8 (NEAR: 0F 8C rel32)
    {"JNGE", IMM, NONE, 0x7C, 0x00, Rel8|NearAlt, 0, special::None},                             // JNGE rel8 (NEAR: 0F 8C rel32)
    {"JGE", IMM, NONE, 0x7D, 0x00, Rel8|NearAlt, 0, special::None},                              // JGE rel8 (NEAR: 0F 8D rel32)
    {"JNL", IMM, NONE, 0x7D, 0x00, Rel8|NearAlt, 0, special::None},                              // JNL rel8 (NEAR: 0F 8D rel32)
    {"JLE", IMM, NONE, 0x7E, 0x00, Rel8|NearAlt, 0, special::None},                              // JLE rel8 (NEAR: 0F 8E rel32)
    {"JNG", IMM, NONE, 0x7E, 0x00, Rel8|NearAlt, 0, special::None},                              // JNG rel8 (NEAR: 0F 8E rel32)
    {"JG", IMM, NONE, 0x7F, 0x00, Rel8|NearAlt, 0, special::None},                               // JG rel8 (NEAR: 0F 8F rel32)
    {"JNLE", IMM, NONE, 0x7F, 0x00, Rel8|NearAlt, 0, special::None},                             // JNLE rel8 (NEAR: 0F 8F rel32)
    {"SETO", R8, NONE, 0x90, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETO r8
    {"SETO", MEM, NONE, 0x90, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETO m8
    {"SETNO", R8, NONE, 0x91, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNO r8
    {"SETNO", MEM, NONE, 0x91, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNO m8
    {"SETB", R8, NONE, 0x92, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETB r8
    {"SETB", MEM, NONE, 0x92, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETB m8
    {"SETNAE", R8, NONE, 0x92, 0x00, RmExt1|Esc0F, 0, special::None},                            // SETNAE r8
    {"SETNAE", MEM, NONE, 0x92, 0x00, RmExt1|Esc0F|Free, 0, special::None},                      // SETNAE m8
    {"SETC", R8, NONE, 0x92, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETC r8
    {"SETC", MEM, NONE, 0x92, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETC m8
    {"SETAE", R8, NONE, 0x93, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETAE r8
    {"SETAE", MEM, NONE, 0x93, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETAE m8
    {"SETNB", R8, NONE, 0x93, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNB r8
    {"SETNB", MEM, NONE, 0x93, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNB m8
    {"SETNC", R8, NONE, 0x93, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNC r8
    {"SETNC", MEM, NONE, 0x93, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNC m8
    {"SETE", R8, NONE, 0x94, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETE r8
    {"SETE", MEM, NONE, 0x94, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETE m8
    {"SETZ", R8, NONE, 0x94, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETZ r8
    {"SETZ", MEM, NONE, 0x94, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETZ m8
    {"SETNE", R8, NONE, 0x95, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNE r8
    {"SETNE", MEM, NONE, 0x95, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNE m8
    {"SETNZ", R8, NONE, 0x95, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNZ r8
    {"SETNZ", MEM, NONE, 0x95, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNZ m8
    {"SETBE", R8, NONE, 0x96, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETBE r8
    {"SETBE", MEM, NONE, 0x96, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETBE m8
    {"SETNA", R8, NONE, 0x96, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNA r8
    {"SETNA", MEM, NONE, 0x96, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNA m8
    {"SETA", R8, NONE, 0x97, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETA r8
    {"SETA", MEM, NONE, 0x97, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETA m8
    {"SETNBE", R8, NONE, 0x97, 0x00, RmExt1|Esc0F, 0, special::None},                            // SETNBE r8
    {"SETNBE", MEM, NONE, 0x97, 0x00, RmExt1|Esc0F|Free, 0, special::None},                      // SETNBE m8
    {"SETS", R8, NONE, 0x98, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETS r8
    {"SETS", MEM, NONE, 0x98, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETS m8
    {"SETNS", R8, NONE, 0x99, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNS r8
    {"SETNS", MEM, NONE, 0x99, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNS m8
    {"SETP", R8, NONE, 0x9A, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETP r8
    {"SETP", MEM, NONE, 0x9A, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETP m8
    {"SETPE", R8, NONE, 0x9A, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETPE r8
    {"SETPE", MEM, NONE, 0x9A, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETPE m8
    {"SETNP", R8, NONE, 0x9B, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNP r8
    {"SETNP", MEM, NONE, 0x9B, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNP m8
    {"SETPO", R8, NONE, 0x9B, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETPO r8
    {"SETPO", MEM, NONE, 0x9B, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETPO m8
    {"SETL", R8, NONE, 0x9C, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETL r8
    {"SETL", MEM, NONE, 0x9C, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETL m8
    {"SETNGE", R8, NONE, 0x9C, 0x00, RmExt1|Esc0F, 0, special::None},                            // SETNGE r8
    {"SETNGE", MEM, NONE, 0x9C, 0x00, RmExt1|Esc0F|Free, 0, special::None},                      // SETNGE m8
    {"SETGE", R8, NONE, 0x9D, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETGE r8
    {"SETGE", MEM, NONE, 0x9D, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETGE m8
    {"SETNL", R8, NONE, 0x9D, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNL r8
    {"SETNL", MEM, NONE, 0x9D, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNL m8
    {"SETLE", R8, NONE, 0x9E, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETLE r8
    {"SETLE", MEM, NONE, 0x9E, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETLE m8
    {"SETNG", R8, NONE, 0x9E, 0x00, RmExt1|Esc0F, 0, special::None},                             // SETNG r8
    {"SETNG", MEM, NONE, 0x9E, 0x00, RmExt1|Esc0F|Free, 0, special::None},                       // SETNG m8
    {"SETG", R8, NONE, 0x9F, 0x00, RmExt1|Esc0F, 0, special::None},                              // SETG r8
    {"SETG", MEM, NONE, 0x9F, 0x00, RmExt1|Esc0F|Free, 0, special::None},                        // SETG m8
    {"SETNLE", R8, NONE, 0x9F, 0x00, RmExt1|Esc0F, 0, special::None},                            // SETNLE r8
    {"SETNLE", MEM, NONE, 0x9F, 0x00, RmExt1|Esc0F|Free, 0, special::None},                      // SETNLE m8
    {"JMP", IMM, NONE, 0xE9, 0x00, Rel32|ShortAlt, 0, special::None},                            // JMP rel32 (SHORT: EB rel8)
    {"JMP", R32, NONE, 0xFF, 0x04, RmExt1, 0, special::None},                                    // JMP r32
    {"JMP", MEM, NONE, 0xFF, 0x04, RmExt1|Free, 0, special::None},                               // JMP m32
    {"JMPS", IMM, NONE, 0xEB, 0x00, Rel8, 0, special::None},                                     // JMPS rel8
    {"JMPF", MEM, NONE, 0xFF, 0x05, RmExt1|Free, 0, special::None},                              // JMPF m16:32
    {"CALL", IMM, NONE, 0xE8, 0x00, Rel32, 0, special::None},                                    // CALL rel32 (also CALL "name")
    {"CALL", R32, NONE, 0xFF, 0x02, RmExt1, 0, special::None},                                   // CALL r32
    {"CALL", MEM, NONE, 0xFF, 0x02, RmExt1|Free, 0, special::None},                              // CALL m32
    {"CALLF", MEM, NONE, 0xFF, 0x03, RmExt1|Free, 0, special::None},                             // CALLF m16:32
    {"LOOP", IMM, NONE, 0xE2, 0x00, Rel8, 0, special::None},                                     // LOOP rel8
    {"LOOPD", IMM, NONE, 0xE2, 0x00, Rel8, 0, special::None},                                    // LOOPD rel8
    {"LOOPW", IMM, NONE, 0xE2, 0x00, Rel8|P67, 0, special::None},                                // LOOPW rel8 (CX: 67)
    {"LOOPE", IMM, NONE, 0xE1, 0x00, Rel8, 0, special::None},                                    // LOOPE rel8
    {"LOOPZ", IMM, NONE, 0xE1, 0x00, Rel8, 0, special::None},                                    // LOOPZ rel8
    {"LOOPED", IMM, NONE, 0xE1, 0x00, Rel8, 0, special::None},                                   // LOOPED rel8
    {"LOOPZD", IMM, NONE, 0xE1, 0x00, Rel8, 0, special::None},                                   // LOOPZD rel8
    {"LOOPEW", IMM, NONE, 0xE1, 0x00, Rel8|P67, 0, special::None},                               // LOOPEW rel8 (CX: 67)
    {"LOOPZW", IMM, NONE, 0xE1, 0x00, Rel8|P67, 0, special::None},                               // LOOPZW rel8 (CX: 67)
    {"LOOPNE", IMM, NONE, 0xE0, 0x00, Rel8, 0, special::None},                                   // LOOPNE rel8
    {"LOOPNZ", IMM, NONE, 0xE0, 0x00, Rel8, 0, special::None},                                   // LOOPNZ rel8
    {"LOOPNED", IMM, NONE, 0xE0, 0x00, Rel8, 0, special::None},                                  // LOOPNED rel8
    {"LOOPNZD", IMM, NONE, 0xE0, 0x00, Rel8, 0, special::None},                                  // LOOPNZD rel8
    {"LOOPNEW", IMM, NONE, 0xE0, 0x00, Rel8|P67, 0, special::None},                              // LOOPNEW rel8 (CX: 67)
    {"LOOPNZW", IMM, NONE, 0xE0, 0x00, Rel8|P67, 0, special::None},                              // LOOPNZW rel8 (CX: 67)
    {"JECXZ", IMM, NONE, 0xE3, 0x00, Rel8, 0, special::None},                                    // JECXZ rel8
    {"JCXZ", IMM, NONE, 0xE3, 0x00, Rel8|P67, 0, special::None},                                 // JCXZ rel8 (CX: 67)
    {"RET", NONE, NONE, 0xC3, 0x00, 0, 0, special::None},                                        // RET
    {"RET", IMM, NONE, 0xC2, 0x00, I16, 0, special::None},                                       // RET imm16
    {"RETN", NONE, NONE, 0xC3, 0x00, 0, 0, special::None},                                       // RETN
    {"RETN", IMM, NONE, 0xC2, 0x00, I16, 0, special::None},                                      // RETN imm16
    {"RETF", NONE, NONE, 0xCB, 0x00, 0, 0, special::None},                                       // RETF
    {"RETF", IMM, NONE, 0xCA, 0x00, I16, 0, special::None},                                      // RETF imm16
    {"INT", IMM, NONE, 0xCD, 0x00, I8, 0, special::Int},                                         // INT imm8 (INT 3: CC)
    {"ENTER", IMM, IMM, 0xC8, 0x00, I16I8, 0, special::None},                                    // ENTER imm16,imm8
    {"AAD", NONE, NONE, 0xD5, 0x0A, Byte2, 0, special::None},                                    // AAD
    {"AAD", IMM, NONE, 0xD5, 0x00, I8, 0, special::None},                                        // AAD imm8
    {"AAM", NONE, NONE, 0xD4, 0x0A, Byte2, 0, special::None},                                    // AAM
    {"AAM", IMM, NONE, 0xD4, 0x00, I8, 0, special::None},                                        // AAM imm8
    {"LEA", R, MEM, 0x8D, 0x00, Reg1|Sz|Free|Sz1, 0, special::None},                             // LEA r,m
    {"LDS", R, MEM, 0xC5, 0x00, Reg1|Sz|Free|Sz1, 0, special::None},                             // LDS r,m
    {"LES", R, MEM, 0xC4, 0x00, Reg1|Sz|Free|Sz1, 0, special::None},                             // LES r,m
    {"LFS", R, MEM, 0xB4, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::None},                       // LFS r,m
    {"LGS", R, MEM, 0xB5, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::None},                       // LGS r,m
    {"LSS", R, MEM, 0xB2, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::None},                       // LSS r,m
    {"BOUND", R, MEM, 0x62, 0x00, Reg1|Sz|Free|Sz1, 0, special::None},                           // BOUND r,m
    {"BSF", R, R, 0xBC, 0x00, Reg1|Sz|Esc0F, 0, special::None},                                  // BSF r,r
    {"BSF", R, MEM, 0xBC, 0x00, Reg1|Sz|Esc0F, 0, special::None},                                // BSF r,m
    {"BSR", R, R, 0xBD, 0x00, Reg1|Sz|Esc0F, 0, special::None},                                  // BSR r,r
    {"BSR", R, MEM, 0xBD, 0x00, Reg1|Sz|Esc0F, 0, special::None},                                // BSR r,m
    {"BT", R, R, 0xA3, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                   // BT r,r
    {"BT", MEM, R, 0xA3, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                 // BT m,r
    {"BT", R, IMM, 0xBA, 0x04, RmExt1|I8|Sz|Esc0F, 0, special::None},                            // BT r,imm8
    {"BT", MEM, IMM, 0xBA, 0x04, RmExt1|I8|Sz|Esc0F|No8, 0, special::None},                      // BT m,imm8 (size word needed)
    {"BTS", R, R, 0xAB, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                  // BTS r,r
    {"BTS", MEM, R, 0xAB, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                // BTS m,r
    {"BTS", R, IMM, 0xBA, 0x05, RmExt1|I8|Sz|Esc0F, 0, special::None},                           // BTS r,imm8
    {"BTS", MEM, IMM, 0xBA, 0x05, RmExt1|I8|Sz|Esc0F|No8, 0, special::None},                     // BTS m,imm8 (size word needed)
    {"BTR", R, R, 0xB3, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                  // BTR r,r
    {"BTR", MEM, R, 0xB3, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                // BTR m,r
    {"BTR", R, IMM, 0xBA, 0x06, RmExt1|I8|Sz|Esc0F, 0, special::None},                           // BTR r,imm8
    {"BTR", MEM, IMM, 0xBA, 0x06, RmExt1|I8|Sz|Esc0F|No8, 0, special::None},                     // BTR m,imm8 (size word needed)
    {"BTC", R, R, 0xBB, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                  // BTC r,r
    {"BTC", MEM, R, 0xBB, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                // BTC m,r
    {"BTC", R, IMM, 0xBA, 0x07, RmExt1|I8|Sz|Esc0F, 0, special::None},                           // BTC r,imm8
    {"BTC", MEM, IMM, 0xBA, 0x07, RmExt1|I8|Sz|Esc0F|No8, 0, special::None},                     // BTC m,imm8 (size word needed)
    {"BSWAP", R32, NONE, 0xC8, 0x00, Plus1|Esc0F, 0, special::None},                             // BSWAP r32
    {"MOVSX", R, R8, 0xBE, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::None},                      // MOVSX r,r8
    {"MOVSX", R, R, 0xBF, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::Src16},                      // MOVSX r32,r16
    {"MOVSX", R, MEM, 0xBE, 0x00, Reg1|Sz|Free|Sz1|SrcW|Esc0F, 0, special::None},                // MOVSX r,m8/m16 (size word needed)
    {"MOVZX", R, R8, 0xB6, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::None},                      // MOVZX r,r8
    {"MOVZX", R, R, 0xB7, 0x00, Reg1|Sz|Free|Sz1|Esc0F, 0, special::Src16},                      // MOVZX r32,r16
    {"MOVZX", R, MEM, 0xB6, 0x00, Reg1|Sz|Free|Sz1|SrcW|Esc0F, 0, special::None},                // MOVZX r,m8/m16 (size word needed)
    {"SHLD", R, R, 0xA4, 0x00, Reg2|Sz|Esc0F|Third|I8, 0, special::Third8},                      // SHLD r,r,imm8
    {"SHLD", MEM, R, 0xA4, 0x00, Reg2|Sz|Esc0F|Third|I8, 0, special::Third8},                    // SHLD m,r,imm8
    {"SHLD", R, R, 0xA5, 0x00, Reg2|Sz|Esc0F|Third, 0, special::ThirdCl},                        // SHLD r,r,CL
    {"SHLD", MEM, R, 0xA5, 0x00, Reg2|Sz|Esc0F|Third, 0, special::ThirdCl},                      // SHLD m,r,CL
    {"SHRD", R, R, 0xAC, 0x00, Reg2|Sz|Esc0F|Third|I8, 0, special::Third8},                      // SHRD r,r,imm8
    {"SHRD", MEM, R, 0xAC, 0x00, Reg2|Sz|Esc0F|Third|I8, 0, special::Third8},                    // SHRD m,r,imm8
    {"SHRD", R, R, 0xAD, 0x00, Reg2|Sz|Esc0F|Third, 0, special::ThirdCl},                        // SHRD r,r,CL
    {"SHRD", MEM, R, 0xAD, 0x00, Reg2|Sz|Esc0F|Third, 0, special::ThirdCl},                      // SHRD m,r,CL
    {"CMPXCHG", R8, R8, 0xB0, 0x00, Reg2|Esc0F, 0, special::None},                               // CMPXCHG r8,r8
    {"CMPXCHG", MEM, R8, 0xB0, 0x00, Reg2|Esc0F, 0, special::None},                              // CMPXCHG m8,r8
    {"CMPXCHG", R, R, 0xB1, 0x00, Reg2|Sz|Esc0F, 0, special::None},                              // CMPXCHG r,r
    {"CMPXCHG", MEM, R, 0xB1, 0x00, Reg2|Sz|Esc0F, 0, special::None},                            // CMPXCHG m,r
    {"XADD", R8, R8, 0xC0, 0x00, Reg2|Esc0F, 0, special::None},                                  // XADD r8,r8
    {"XADD", MEM, R8, 0xC0, 0x00, Reg2|Esc0F, 0, special::None},                                 // XADD m8,r8
    {"XADD", R, R, 0xC1, 0x00, Reg2|Sz|Esc0F, 0, special::None},                                 // XADD r,r
    {"XADD", MEM, R, 0xC1, 0x00, Reg2|Sz|Esc0F, 0, special::None},                               // XADD m,r
    {"INVLPG", MEM, NONE, 0x01, 0x07, RmExt1|Esc0F|Free, 0, special::None},                      // INVLPG m
    {"ESC", IMM, R, 0xD8, 0x00, Free, 0, special::Esc},                                          // ESC n,r (D8+n/8, reg n%8)
    {"ESC", IMM, MEM, 0xD8, 0x00, Free, 0, special::Esc},                                        // ESC n,m
    {"AAA", NONE, NONE, 0x37, 0x00, 0, 0, special::None},                                        // AAA
    {"AAS", NONE, NONE, 0x3F, 0x00, 0, 0, special::None},                                        // AAS
    {"DAA", NONE, NONE, 0x27, 0x00, 0, 0, special::None},                                        // DAA
    {"DAS", NONE, NONE, 0x2F, 0x00, 0, 0, special::None},                                        // DAS
    {"CBW", NONE, NONE, 0x98, 0x00, P66, 0, special::None},                                      // CBW
    {"CWDE", NONE, NONE, 0x98, 0x00, 0, 0, special::None},                                       // CWDE
    {"CWD", NONE, NONE, 0x99, 0x00, P66, 0, special::None},                                      // CWD
    {"CDQ", NONE, NONE, 0x99, 0x00, 0, 0, special::None},                                        // CDQ
    {"CLC", NONE, NONE, 0xF8, 0x00, 0, 0, special::None},                                        // CLC
    {"CLD", NONE, NONE, 0xFC, 0x00, 0, 0, special::None},                                        // CLD
    {"CLI", NONE, NONE, 0xFA, 0x00, 0, 0, special::None},                                        // CLI
    {"CMC", NONE, NONE, 0xF5, 0x00, 0, 0, special::None},                                        // CMC
    {"STC", NONE, NONE, 0xF9, 0x00, 0, 0, special::None},                                        // STC
    {"STD", NONE, NONE, 0xFD, 0x00, 0, 0, special::None},                                        // STD
    {"STI", NONE, NONE, 0xFB, 0x00, 0, 0, special::None},                                        // STI
    {"HLT", NONE, NONE, 0xF4, 0x00, 0, 0, special::None},                                        // HLT
    {"LAHF", NONE, NONE, 0x9F, 0x00, 0, 0, special::None},                                       // LAHF
    {"SAHF", NONE, NONE, 0x9E, 0x00, 0, 0, special::None},                                       // SAHF
    {"INTO", NONE, NONE, 0xCE, 0x00, 0, 0, special::None},                                       // INTO
    {"IRET", NONE, NONE, 0xCF, 0x00, 0, 0, special::None},                                       // IRET
    {"IRETD", NONE, NONE, 0xCF, 0x00, 0, 0, special::None},                                      // IRETD
    {"LEAVE", NONE, NONE, 0xC9, 0x00, 0, 0, special::None},                                      // LEAVE
    {"NOP", NONE, NONE, 0x90, 0x00, 0, 0, special::None},                                        // NOP
    {"WAIT", NONE, NONE, 0x9B, 0x00, 0, 0, special::None},                                       // WAIT
    {"XLAT", NONE, NONE, 0xD7, 0x00, 0, 0, special::None},                                       // XLAT
    {"CMPSB", NONE, NONE, 0xA6, 0x00, 0, 0, special::None},                                      // CMPSB
    {"CMPSW", NONE, NONE, 0xA7, 0x00, P66, 0, special::None},                                    // CMPSW
    {"CMPSD", NONE, NONE, 0xA7, 0x00, 0, 0, special::None},                                      // CMPSD
    {"LODSB", NONE, NONE, 0xAC, 0x00, 0, 0, special::None},                                      // LODSB
    {"LODSW", NONE, NONE, 0xAD, 0x00, P66, 0, special::None},                                    // LODSW
    {"LODSD", NONE, NONE, 0xAD, 0x00, 0, 0, special::None},                                      // LODSD
    {"MOVSB", NONE, NONE, 0xA4, 0x00, 0, 0, special::None},                                      // MOVSB
    {"MOVSW", NONE, NONE, 0xA5, 0x00, P66, 0, special::None},                                    // MOVSW
    {"MOVSD", NONE, NONE, 0xA5, 0x00, 0, 0, special::None},                                      // MOVSD
    {"SCASB", NONE, NONE, 0xAE, 0x00, 0, 0, special::None},                                      // SCASB
    {"SCASW", NONE, NONE, 0xAF, 0x00, P66, 0, special::None},                                    // SCASW
    {"SCASD", NONE, NONE, 0xAF, 0x00, 0, 0, special::None},                                      // SCASD
    {"STOSB", NONE, NONE, 0xAA, 0x00, 0, 0, special::None},                                      // STOSB
    {"STOSW", NONE, NONE, 0xAB, 0x00, P66, 0, special::None},                                    // STOSW
    {"STOSD", NONE, NONE, 0xAB, 0x00, 0, 0, special::None},                                      // STOSD
    {"INSB", NONE, NONE, 0x6C, 0x00, 0, 0, special::None},                                       // INSB
    {"INSW", NONE, NONE, 0x6D, 0x00, P66, 0, special::None},                                     // INSW
    {"INSD", NONE, NONE, 0x6D, 0x00, 0, 0, special::None},                                       // INSD
    {"OUTSB", NONE, NONE, 0x6E, 0x00, 0, 0, special::None},                                      // OUTSB
    {"OUTSW", NONE, NONE, 0x6F, 0x00, P66, 0, special::None},                                    // OUTSW
    {"OUTSD", NONE, NONE, 0x6F, 0x00, 0, 0, special::None},                                      // OUTSD
    {"POPA", NONE, NONE, 0x61, 0x00, 0, 0, special::None},                                       // POPA
    {"POPAD", NONE, NONE, 0x61, 0x00, 0, 0, special::None},                                      // POPAD
    {"PUSHA", NONE, NONE, 0x60, 0x00, 0, 0, special::None},                                      // PUSHA
    {"PUSHAD", NONE, NONE, 0x60, 0x00, 0, 0, special::None},                                     // PUSHAD
    {"POPF", NONE, NONE, 0x9D, 0x00, 0, 0, special::None},                                       // POPF
    {"POPFD", NONE, NONE, 0x9D, 0x00, 0, 0, special::None},                                      // POPFD
    {"PUSHF", NONE, NONE, 0x9C, 0x00, 0, 0, special::None},                                      // PUSHF
    {"PUSHFD", NONE, NONE, 0x9C, 0x00, 0, 0, special::None},                                     // PUSHFD
    {"INVD", NONE, NONE, 0x08, 0x00, Esc0F, 0, special::None},                                   // INVD
    {"WBINVD", NONE, NONE, 0x09, 0x00, Esc0F, 0, special::None},                                 // WBINVD
    {"CPUID", NONE, NONE, 0xA2, 0x00, Esc0F, 0, special::None},                                  // CPUID
    {"RDTSC", NONE, NONE, 0x31, 0x00, Esc0F, 0, special::None},                                  // RDTSC
    {"F2XM1", NONE, NONE, 0xD9, 0xF0, Byte2, 0, special::None},                                  // F2XM1
    {"FABS", NONE, NONE, 0xD9, 0xE1, Byte2, 0, special::None},                                   // FABS
    {"FCHS", NONE, NONE, 0xD9, 0xE0, Byte2, 0, special::None},                                   // FCHS
    {"FCLEX", NONE, NONE, 0xDB, 0xE2, Byte2|Wait9B, 0, special::None},                           // FCLEX
    {"FNCLEX", NONE, NONE, 0xDB, 0xE2, Byte2, 0, special::None},                                 // FNCLEX
    {"FCOMPP", NONE, NONE, 0xDE, 0xD9, Byte2, 0, special::None},                                 // FCOMPP
    {"FCOS", NONE, NONE, 0xD9, 0xFF, Byte2, 0, special::None},                                   // FCOS
    {"FDECSTP", NONE, NONE, 0xD9, 0xF6, Byte2, 0, special::None},                                // FDECSTP
    {"FINCSTP", NONE, NONE, 0xD9, 0xF7, Byte2, 0, special::None},                                // FINCSTP
    {"FINIT", NONE, NONE, 0xDB, 0xE3, Byte2|Wait9B, 0, special::None},                           // FINIT
    {"FNINIT", NONE, NONE, 0xDB, 0xE3, Byte2, 0, special::None},                                 // FNINIT
    {"FLD1", NONE, NONE, 0xD9, 0xE8, Byte2, 0, special::None},                                   // FLD1
    {"FLDZ", NONE, NONE, 0xD9, 0xEE, Byte2, 0, special::None},                                   // FLDZ
    {"FLDPI", NONE, NONE, 0xD9, 0xEB, Byte2, 0, special::None},                                  // FLDPI
    {"FLDL2E", NONE, NONE, 0xD9, 0xEA, Byte2, 0, special::None},                                 // FLDL2E
    {"FLDL2T", NONE, NONE, 0xD9, 0xE9, Byte2, 0, special::None},                                 // FLDL2T
    {"FLDLG2", NONE, NONE, 0xD9, 0xEC, Byte2, 0, special::None},                                 // FLDLG2
    {"FLDLN2", NONE, NONE, 0xD9, 0xED, Byte2, 0, special::None},                                 // FLDLN2
    {"FNOP", NONE, NONE, 0xD9, 0xD0, Byte2, 0, special::None},                                   // FNOP
    {"FPATAN", NONE, NONE, 0xD9, 0xF3, Byte2, 0, special::None},                                 // FPATAN
    {"FPREM", NONE, NONE, 0xD9, 0xF8, Byte2, 0, special::None},                                  // FPREM
    {"FPREM1", NONE, NONE, 0xD9, 0xF5, Byte2, 0, special::None},                                 // FPREM1
    {"FPTAN", NONE, NONE, 0xD9, 0xF2, Byte2, 0, special::None},                                  // FPTAN
    {"FRNDINT", NONE, NONE, 0xD9, 0xFC, Byte2, 0, special::None},                                // FRNDINT
    {"FSCALE", NONE, NONE, 0xD9, 0xFD, Byte2, 0, special::None},                                 // FSCALE
    {"FSIN", NONE, NONE, 0xD9, 0xFE, Byte2, 0, special::None},                                   // FSIN
    {"FSINCOS", NONE, NONE, 0xD9, 0xFB, Byte2, 0, special::None},                                // FSINCOS
    {"FSQRT", NONE, NONE, 0xD9, 0xFA, Byte2, 0, special::None},                                  // FSQRT
    {"FTST", NONE, NONE, 0xD9, 0xE4, Byte2, 0, special::None},                                   // FTST
    {"FUCOMPP", NONE, NONE, 0xDA, 0xE9, Byte2, 0, special::None},                                // FUCOMPP
    {"FXAM", NONE, NONE, 0xD9, 0xE5, Byte2, 0, special::None},                                   // FXAM
    {"FXTRACT", NONE, NONE, 0xD9, 0xF4, Byte2, 0, special::None},                                // FXTRACT
    {"FYL2X", NONE, NONE, 0xD9, 0xF1, Byte2, 0, special::None},                                  // FYL2X
    {"FYL2XP1", NONE, NONE, 0xD9, 0xF9, Byte2, 0, special::None},                                // FYL2XP1
    {"FADD", MEM, NONE, 0xD8, 0x00, RmExt1|Free, 4, special::None},                              // FADD DWORD m32real
    {"FADD", MEM, NONE, 0xDC, 0x00, RmExt1|Free, 8, special::None},                              // FADD QWORD m64real
    {"FADD", ST0, STI, 0xD8, 0xC0, St2, 0, special::None},                                       // FADD ST0,STi
    {"FADD", STI, ST0, 0xDC, 0xC0, St1, 0, special::None},                                       // FADD STi,ST0
    {"FMUL", MEM, NONE, 0xD8, 0x01, RmExt1|Free, 4, special::None},                              // FMUL DWORD m32real
    {"FMUL", MEM, NONE, 0xDC, 0x01, RmExt1|Free, 8, special::None},                              // FMUL QWORD m64real
    {"FMUL", ST0, STI, 0xD8, 0xC8, St2, 0, special::None},                                       // FMUL ST0,STi
    {"FMUL", STI, ST0, 0xDC, 0xC8, St1, 0, special::None},                                       // FMUL STi,ST0
    {"FCOM", MEM, NONE, 0xD8, 0x02, RmExt1|Free, 4, special::None},                              // FCOM DWORD m32real
    {"FCOM", MEM, NONE, 0xDC, 0x02, RmExt1|Free, 8, special::None},                              // FCOM QWORD m64real
    {"FCOM", STI, NONE, 0xD8, 0xD0, St1, 0, special::None},                                      // FCOM STi
    {"FCOM", NONE, NONE, 0xD8, 0xD1, Byte2, 0, special::None},                                   // FCOM (ST1)
    {"FCOMP", MEM, NONE, 0xD8, 0x03, RmExt1|Free, 4, special::None},                             // FCOMP DWORD m32real
    {"FCOMP", MEM, NONE, 0xDC, 0x03, RmExt1|Free, 8, special::None},                             // FCOMP QWORD m64real
    {"FCOMP", STI, NONE, 0xD8, 0xD8, St1, 0, special::None},                                     // FCOMP STi
    {"FCOMP", NONE, NONE, 0xD8, 0xD9, Byte2, 0, special::None},                                  // FCOMP (ST1)
    {"FSUB", MEM, NONE, 0xD8, 0x04, RmExt1|Free, 4, special::None},                              // FSUB DWORD m32real
    {"FSUB", MEM, NONE, 0xDC, 0x04, RmExt1|Free, 8, special::None},                              // FSUB QWORD m64real
    {"FSUB", ST0, STI, 0xD8, 0xE0, St2, 0, special::None},                                       // FSUB ST0,STi
    {"FSUB", STI, ST0, 0xDC, 0xE8, St1, 0, special::None},                                       // FSUB STi,ST0
    {"FSUBR", MEM, NONE, 0xD8, 0x05, RmExt1|Free, 4, special::None},                             // FSUBR DWORD m32real
    {"FSUBR", MEM, NONE, 0xDC, 0x05, RmExt1|Free, 8, special::None},                             // FSUBR QWORD m64real
    {"FSUBR", ST0, STI, 0xD8, 0xE8, St2, 0, special::None},                                      // FSUBR ST0,STi
    {"FSUBR", STI, ST0, 0xDC, 0xE0, St1, 0, special::None},                                      // FSUBR STi,ST0
    {"FDIV", MEM, NONE, 0xD8, 0x06, RmExt1|Free, 4, special::None},                              // FDIV DWORD m32real
    {"FDIV", MEM, NONE, 0xDC, 0x06, RmExt1|Free, 8, special::None},                              // FDIV QWORD m64real
    {"FDIV", ST0, STI, 0xD8, 0xF0, St2, 0, special::None},                                       // FDIV ST0,STi
    {"FDIV", STI, ST0, 0xDC, 0xF8, St1, 0, special::None},                                       // FDIV STi,ST0
    {"FDIVR", MEM, NONE, 0xD8, 0x07, RmExt1|Free, 4, special::None},                             // FDIVR DWORD m32real
    {"FDIVR", MEM, NONE, 0xDC, 0x07, RmExt1|Free, 8, special::None},                             // FDIVR QWORD m64real
    {"FDIVR", ST0, STI, 0xD8, 0xF8, St2, 0, special::None},                                      // FDIVR ST0,STi
    {"FDIVR", STI, ST0, 0xDC, 0xF0, St1, 0, special::None},                                      // FDIVR STi,ST0
    {"FADDP", STI, ST0, 0xDE, 0xC0, St1, 0, special::None},                                      // FADDP STi,ST0
    {"FADDP", NONE, NONE, 0xDE, 0xC1, Byte2, 0, special::None},                                  // FADDP (ST1,ST0)
    {"FMULP", STI, ST0, 0xDE, 0xC8, St1, 0, special::None},                                      // FMULP STi,ST0
    {"FMULP", NONE, NONE, 0xDE, 0xC9, Byte2, 0, special::None},                                  // FMULP (ST1,ST0)
    {"FSUBP", STI, ST0, 0xDE, 0xE8, St1, 0, special::None},                                      // FSUBP STi,ST0
    {"FSUBP", NONE, NONE, 0xDE, 0xE9, Byte2, 0, special::None},                                  // FSUBP (ST1,ST0)
    {"FSUBRP", STI, ST0, 0xDE, 0xE0, St1, 0, special::None},                                     // FSUBRP STi,ST0
    {"FSUBRP", NONE, NONE, 0xDE, 0xE1, Byte2, 0, special::None},                                 // FSUBRP (ST1,ST0)
    {"FDIVP", STI, ST0, 0xDE, 0xF8, St1, 0, special::None},                                      // FDIVP STi,ST0
    {"FDIVP", NONE, NONE, 0xDE, 0xF9, Byte2, 0, special::None},                                  // FDIVP (ST1,ST0)
    {"FDIVRP", STI, ST0, 0xDE, 0xF0, St1, 0, special::None},                                     // FDIVRP STi,ST0
    {"FDIVRP", NONE, NONE, 0xDE, 0xF1, Byte2, 0, special::None},                                 // FDIVRP (ST1,ST0)
    {"FIADD", MEM, NONE, 0xDE, 0x00, RmExt1|Free, 2, special::None},                             // FIADD WORD m16int
    {"FIADD", MEM, NONE, 0xDA, 0x00, RmExt1|Free, 4, special::None},                             // FIADD DWORD m32int
    {"FIMUL", MEM, NONE, 0xDE, 0x01, RmExt1|Free, 2, special::None},                             // FIMUL WORD m16int
    {"FIMUL", MEM, NONE, 0xDA, 0x01, RmExt1|Free, 4, special::None},                             // FIMUL DWORD m32int
    {"FICOM", MEM, NONE, 0xDE, 0x02, RmExt1|Free, 2, special::None},                             // FICOM WORD m16int
    {"FICOM", MEM, NONE, 0xDA, 0x02, RmExt1|Free, 4, special::None},                             // FICOM DWORD m32int
    {"FICOMP", MEM, NONE, 0xDE, 0x03, RmExt1|Free, 2, special::None},                            // FICOMP WORD m16int
    {"FICOMP", MEM, NONE, 0xDA, 0x03, RmExt1|Free, 4, special::None},                            // FICOMP DWORD m32int
    {"FISUB", MEM, NONE, 0xDE, 0x04, RmExt1|Free, 2, special::None},                             // FISUB WORD m16int
    {"FISUB", MEM, NONE, 0xDA, 0x04, RmExt1|Free, 4, special::None},                             // FISUB DWORD m32int
    {"FISUBR", MEM, NONE, 0xDE, 0x05, RmExt1|Free, 2, special::None},                            // FISUBR WORD m16int
    {"FISUBR", MEM, NONE, 0xDA, 0x05, RmExt1|Free, 4, special::None},                            // FISUBR DWORD m32int
    {"FIDIV", MEM, NONE, 0xDE, 0x06, RmExt1|Free, 2, special::None},                             // FIDIV WORD m16int
    {"FIDIV", MEM, NONE, 0xDA, 0x06, RmExt1|Free, 4, special::None},                             // FIDIV DWORD m32int
    {"FIDIVR", MEM, NONE, 0xDE, 0x07, RmExt1|Free, 2, special::None},                            // FIDIVR WORD m16int
    {"FIDIVR", MEM, NONE, 0xDA, 0x07, RmExt1|Free, 4, special::None},                            // FIDIVR DWORD m32int
    {"FLD", MEM, NONE, 0xD9, 0x00, RmExt1|Free, 4, special::None},                               // FLD DWORD m32real
    {"FLD", MEM, NONE, 0xDD, 0x00, RmExt1|Free, 8, special::None},                               // FLD QWORD m64real
    {"FLD", MEM, NONE, 0xDB, 0x05, RmExt1|Free, 10, special::None},                              // FLD TBYTE m80real
    {"FLD", STI, NONE, 0xD9, 0xC0, St1, 0, special::None},                                       // FLD STi
    {"FST", MEM, NONE, 0xD9, 0x02, RmExt1|Free, 4, special::None},                               // FST DWORD m32real
    {"FST", MEM, NONE, 0xDD, 0x02, RmExt1|Free, 8, special::None},                               // FST QWORD m64real
    {"FST", STI, NONE, 0xDD, 0xD0, St1, 0, special::None},                                       // FST STi
    {"FSTP", MEM, NONE, 0xD9, 0x03, RmExt1|Free, 4, special::None},                              // FSTP DWORD m32real
    {"FSTP", MEM, NONE, 0xDD, 0x03, RmExt1|Free, 8, special::None},                              // FSTP QWORD m64real
    {"FSTP", MEM, NONE, 0xDB, 0x07, RmExt1|Free, 10, special::None},                             // FSTP TBYTE m80real
    {"FSTP", STI, NONE, 0xDD, 0xD8, St1, 0, special::None},                                      // FSTP STi
    {"FILD", MEM, NONE, 0xDF, 0x00, RmExt1|Free, 2, special::None},                              // FILD WORD m16int
    {"FILD", MEM, NONE, 0xDB, 0x00, RmExt1|Free, 4, special::None},                              // FILD DWORD m32int
    {"FILD", MEM, NONE, 0xDF, 0x05, RmExt1|Free, 8, special::None},                              // FILD QWORD m64int
    {"FIST", MEM, NONE, 0xDF, 0x02, RmExt1|Free, 2, special::None},                              // FIST WORD m16int
    {"FIST", MEM, NONE, 0xDB, 0x02, RmExt1|Free, 4, special::None},                              // FIST DWORD m32int
    {"FISTP", MEM, NONE, 0xDF, 0x03, RmExt1|Free, 2, special::None},                             // FISTP WORD m16int
    {"FISTP", MEM, NONE, 0xDB, 0x03, RmExt1|Free, 4, special::None},                             // FISTP DWORD m32int
    {"FISTP", MEM, NONE, 0xDF, 0x07, RmExt1|Free, 8, special::None},                             // FISTP QWORD m64int
    {"FBLD", MEM, NONE, 0xDF, 0x04, RmExt1|Free, 10, special::None},                             // FBLD TBYTE m80bcd
    {"FBSTP", MEM, NONE, 0xDF, 0x06, RmExt1|Free, 10, special::None},                            // FBSTP TBYTE m80bcd
    {"FLDCW", MEM, NONE, 0xD9, 0x05, RmExt1|Free, 2, special::None},                             // FLDCW m16
    {"FSTCW", MEM, NONE, 0xD9, 0x07, RmExt1|Free|Wait9B, 2, special::None},                      // FSTCW m16
    {"FNSTCW", MEM, NONE, 0xD9, 0x07, RmExt1|Free, 2, special::None},                            // FNSTCW m16
    {"FLDENV", MEM, NONE, 0xD9, 0x04, RmExt1|Free, 0, special::None},                            // FLDENV m
    {"FSTENV", MEM, NONE, 0xD9, 0x06, RmExt1|Free|Wait9B, 0, special::None},                     // FSTENV m
    {"FNSTENV", MEM, NONE, 0xD9, 0x06, RmExt1|Free, 0, special::None},                           // FNSTENV m
    {"FRSTOR", MEM, NONE, 0xDD, 0x04, RmExt1|Free, 0, special::None},                            // FRSTOR m
    {"FSAVE", MEM, NONE, 0xDD, 0x06, RmExt1|Free|Wait9B, 0, special::None},                      // FSAVE m
    {"FNSAVE", MEM, NONE, 0xDD, 0x06, RmExt1|Free, 0, special::None},                            // FNSAVE m
    {"FSTSW", AX, NONE, 0xDF, 0xE0, Byte2|Wait9B, 0, special::None},                             // FSTSW AX
    {"FSTSW", MEM, NONE, 0xDD, 0x07, RmExt1|Free|Wait9B, 2, special::None},                      // FSTSW m16
    {"FNSTSW", AX, NONE, 0xDF, 0xE0, Byte2, 0, special::None},                                   // FNSTSW AX
    {"FNSTSW", MEM, NONE, 0xDD, 0x07, RmExt1|Free, 2, special::None},                            // FNSTSW m16
    {"FFREE", STI, NONE, 0xDD, 0xC0, St1, 0, special::None},                                     // FFREE STi
    {"FXCH", STI, NONE, 0xD9, 0xC8, St1, 0, special::None},                                      // FXCH STi
    {"FXCH", NONE, NONE, 0xD9, 0xC9, Byte2, 0, special::None},                                   // FXCH (ST1)
    {"FUCOM", STI, NONE, 0xDD, 0xE0, St1, 0, special::None},                                     // FUCOM STi
    {"FUCOM", NONE, NONE, 0xDD, 0xE1, Byte2, 0, special::None},                                  // FUCOM (ST1)
    {"FUCOMP", STI, NONE, 0xDD, 0xE8, St1, 0, special::None},                                    // FUCOMP STi
    {"FUCOMP", NONE, NONE, 0xDD, 0xE9, Byte2, 0, special::None},                                 // FUCOMP (ST1)
};

std::vector<Row> build_rows() {
    std::vector<Row> rows;
    rows.reserve(std::size(kRows));
    for (const Source& s : kRows) {
        int n = mnemonic_number(s.mnemonic);
        rows.push_back(Row{static_cast<int16_t>(n), s.c1, s.c2, s.opcode, s.ext, s.flags, s.mem_size, s.special});
    }
    return rows;
}

const std::vector<Row>& rows() {
    static const std::vector<Row> r = build_rows();
    return r;
}

}  // namespace

int mnemonic_number(std::string_view word) {
    static const std::unordered_map<std::string_view, int> index = [] {
        std::unordered_map<std::string_view, int> m;
        for (int i = 0; i < kVocabularySize; ++i) m.emplace(kVocabulary[i], token_entry_target(i));
        return m;
    }();
    auto it = index.find(word);
    return it == index.end() ? -1 : it->second;
}

std::string_view mnemonic_word(int number) {
    if (number < 0 || number >= kVocabularySize) return {};
    return kVocabulary[number];
}

const Row* table_rows() { return rows().data(); }
size_t table_size() { return rows().size(); }
size_t instruction_rows() { return rows().size(); }

const Mnemonics& mnemonics() {
    static const Mnemonics m{mnemonic_number("DB"),    mnemonic_number("DW"),     mnemonic_number("DD"),
                             mnemonic_number("OPT"),   mnemonic_number("LOCK"),   mnemonic_number("REP"),
                             mnemonic_number("REPE"),  mnemonic_number("REPZ"),   mnemonic_number("REPNE"),
                             mnemonic_number("REPNZ"), mnemonic_number("CALL"),   mnemonic_number("CALLF"),
                             mnemonic_number("JMP"),   mnemonic_number("JMPF")};
    return m;
}

}  // namespace kov::asmx
