// Statements whose subsystems (sound, graphics, files, machine code,
// mouse, clock) are not part of this version yet. Each raises a clear
// error naming itself instead of doing nothing.
#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

void stmt_sound(Interp&) { not_available("SOUND"); }
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
