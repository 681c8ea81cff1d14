// Statements whose subsystems (sound, mouse) are not part of this version
// yet. Each raises a clear error naming itself instead of doing nothing.
#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

void stmt_sound(Interp&) { not_available("SOUND"); }
void stmt_envelope(Interp&) { not_available("ENVELOPE"); }
void stmt_mouse(Interp&) { not_available("MOUSE"); }

}  // namespace kov::interp
