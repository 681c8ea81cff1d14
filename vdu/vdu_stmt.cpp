// The VDU statement: bytes and words into the VDU stream.
#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

// VDU a, b; c | ...: "," or nothing after a value sends its low byte, ";"
// sends it as two bytes (low first), "|" sends nine zero bytes.
void stmt_vdu(Interp& in) {
    while (!in.at_statement_end()) {
        if (*in.p == '|') {
            ++in.p;
            for (int i = 0; i < 9; ++i) in.oswrch(0);
            continue;
        }
        int32_t v = in.int_expr();
        uint8_t c = in.skip_spaces();
        in.oswrch(static_cast<uint8_t>(v));
        if (c == ';') {
            ++in.p;
            in.oswrch(static_cast<uint8_t>(v >> 8));
        } else if (c == ',') {
            ++in.p;
        }
    }
}

void stmt_cls(Interp& in) {
    in.oswrch(12);
    in.set_count(0);
}

}  // namespace kov::interp
