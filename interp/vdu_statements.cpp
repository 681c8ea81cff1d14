// The statements of the screen: VDU, CLS, CLG, MODE, COLOUR, GCOL; and the
// interpreter's hooks into the VDU driver.
#include "interp/interp.h"
#include "interp/statements.h"
#include "interp/vdu_client.h"
#include "vdu/vdu.h"

namespace kov::interp {

void VduClient::error(int number, const char* message) { raise(number, message); }

void VduClient::wait_tick() {
    m_in.host.sleep_ms(10);
    m_in.poll();
}

void Interp::vdu_start() {
    if (vdu) vdu->start();
}

void Interp::vdu_program_stopped() {
    if (vdu) vdu->program_stopped();
}

namespace {
// Integer arguments separated by commas (at least one, at most `max`).
int int_list(Interp& in, int32_t* out, int max) {
    int n = 0;
    for (;;) {
        out[n++] = in.int_expr();
        if (n == max || in.skip_spaces() != ',') return n;
        ++in.p;
    }
}
}  // namespace

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
        } else if (c == '|') {
            ++in.p;
            for (int i = 0; i < 9; ++i) in.oswrch(0);
        }
    }
}

void stmt_cls(Interp& in) {
    in.oswrch(12);
    in.set_count(0);
}

void stmt_clg(Interp& in) { in.oswrch(16); }

void stmt_mode(Interp& in) {
    int32_t n = in.int_expr();
    in.oswrch(22);
    in.oswrch(static_cast<uint8_t>(n));
    in.set_count(0);
}

// COLOUR c; COLOUR l,p; COLOUR l,r,g,b.
void stmt_colour(Interp& in) {
    int32_t a[4];
    int n = int_list(in, a, 4);
    if (n == 3) raise(Err::MissingComma);
    if (n == 1) {
        in.oswrch(17);
        in.oswrch(static_cast<uint8_t>(a[0]));
        return;
    }
    in.oswrch(19);
    in.oswrch(static_cast<uint8_t>(a[0]));
    if (n == 2) {
        in.oswrch(static_cast<uint8_t>(a[1]));
        for (int i = 0; i < 3; ++i) in.oswrch(0);
        return;
    }
    in.oswrch(16);
    for (int i = 1; i < 4; ++i) in.oswrch(static_cast<uint8_t>(a[i]));
}

// GCOL c; GCOL m,c.
void stmt_gcol(Interp& in) {
    int32_t a[2];
    int n = int_list(in, a, 2);
    in.oswrch(18);
    in.oswrch(n == 1 ? 0 : static_cast<uint8_t>(a[0]));
    in.oswrch(static_cast<uint8_t>(a[n - 1]));
}

}  // namespace kov::interp
