// TIME and TIME$ as functions and as the targets of assignments.
#include <string>

#include "host/filesystem.h"
#include "interp/interp.h"
#include "interp/statements.h"
#include "os/clock.h"
#include "values/functions.h"

namespace kov::interp {

// TIME = n, TIME$ = s
void stmt_time(Interp& in) {
    bool text = in.skip_spaces() == '$';
    if (text) ++in.p;
    if (in.skip_spaces() != '=') raise(Err::Mistake);
    ++in.p;
    if (!text) {
        // TIME counts on from n: only the offset to the clock moves.
        int32_t t = in.int_expr();
        in.time_offset = in.host.centiseconds() - static_cast<uint32_t>(t);
        return;
    }
    Value s = in.str_expr();
    host::LocalTime t = host::local_time();
    os::parse_time_assignment(s.view(), t);
    // A refusal (no right to set the clock, an impossible date) leaves
    // the clock as it was, without an error.
    if (in.host.allow_clock) host::set_local_time(t);
}

}  // namespace kov::interp

namespace kov::values {

// TIME: centiseconds since the computer started, moved by TIME =; TIME$:
// the local date and time.
interp::Value fn_time(interp::Interp& in) {
    if (*in.p == '$') {
        ++in.p;
        return in.make_string(os::format_time(host::local_time()));
    }
    return interp::Value::integer(static_cast<int32_t>(in.host.centiseconds() - in.time_offset));
}

}  // namespace kov::values
