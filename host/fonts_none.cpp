// Built without FreeType and fontconfig: no scalable fonts.
#include "host/fonts.h"

namespace kov::host {

FontLoader* platform_font_loader() { return nullptr; }

}  // namespace kov::host
