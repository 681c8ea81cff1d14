// The interpreter's side of machine code: the inline assembler's host and
// the names of system functions shared by SYS, CALL and the assembler.
#pragma once

#include <cstdint>
#include <string_view>

namespace kov::interp {

class Interp;
struct Value;

// `[`: assembles statements up to the `]` that begins a statement (p
// after the "[").
void stmt_assembler(Interp& in);
// A name with no variable in an assembler operand while errors are off:
// steps over the name and gives P%.
Value asm_unknown_name(Interp& in);
// The address of a system function by name (the SYS lookup), 0 if none.
uint32_t system_address(Interp& in, std::string_view name);
// Makes a host block below 4 GiB reachable by BASIC indirection and by
// machine code (blocks handed to the program: GlobalAlloc).
bool hand_block(Interp& in, uint32_t addr, uint32_t size);
// Code at [addr, addr + len) was written: machine code must see it.
void code_written(Interp& in, uint32_t addr, uint32_t len);

}  // namespace kov::interp
