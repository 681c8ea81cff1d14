// Statements whose subsystems (sound, graphics, files, machine code,
// mouse, clock) are not part of this version yet. Each raises a clear
// error naming itself instead of doing nothing.
#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

void stmt_ptr(Interp&) { not_available("PTR#="); }
void stmt_time(Interp& in) {
    if (in.skip_spaces() == '$') not_available("TIME$=");
    if (*in.p != '=') raise(Err::Mistake);
    ++in.p;
    int32_t t = in.int_expr();
    in.time_offset = in.host.centiseconds() - static_cast<uint32_t>(t);
}
void stmt_sound(Interp&) { not_available("SOUND"); }
void stmt_bput(Interp&) { not_available("BPUT#"); }
void stmt_close(Interp&) { not_available("CLOSE#"); }
void stmt_draw(Interp&) { not_available("DRAW"); }
void stmt_envelope(Interp&) { not_available("ENVELOPE"); }
void stmt_move(Interp&) { not_available("MOVE"); }
void stmt_plot(Interp&) { not_available("PLOT"); }
void stmt_circle(Interp&) { not_available("CIRCLE"); }
void stmt_ellipse(Interp&) { not_available("ELLIPSE"); }
void stmt_fill(Interp&) { not_available("FILL"); }
void stmt_mouse(Interp&) { not_available("MOUSE"); }
void stmt_origin(Interp&) { not_available("ORIGIN"); }
void stmt_rectangle(Interp&) { not_available("RECTANGLE"); }

}  // namespace kov::interp
