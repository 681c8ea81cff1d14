// Statements whose subsystem (sound) is not part of this version
// yet. Each raises a clear error naming itself instead of doing nothing.
#include "interp/interp.h"
#include "interp/statements.h"

namespace kov::interp {

void stmt_sound(Interp&) { not_available("SOUND"); }
void stmt_envelope(Interp&) { not_available("ENVELOPE"); }

}  // namespace kov::interp
