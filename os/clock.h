// TIME$: the local date and time as a 24-character string, and the
// reading of a string assigned to TIME$.
#pragma once

#include <string>
#include <string_view>

#include "host/filesystem.h"

namespace kov::os {

// "Ddd.DD Mmm YYYY,HH:MM:SS", for example "Mon.07 Dec 2026,09:05:03".
std::string format_time(const host::LocalTime& t);

// Applies the fields a TIME$ assignment gives to `t` (which holds the
// current time, so fields not given keep their values): a date part
// "DD Mmm YYYY" and a time part "HH:MM:SS"; words are skipped. The
// minute is taken only when a ":" follows it, the second only when the
// string ends after it.
void parse_time_assignment(std::string_view text, host::LocalTime& t);

}  // namespace kov::os
