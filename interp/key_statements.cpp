// The keyboard functions: GET, GET$, INKEY, INKEY$ and ADVAL, which read
// their arguments and ask the OS layer. They sit in the function table
// with the other functions (kov::values).
#include "interp/interp.h"
#include "interp/statements.h"
#include "values/functions.h"

namespace kov::values {

using interp::Interp;
using interp::Value;

namespace {

Value one_char(Interp& in, uint8_t c) {
    interp::Memory::unchecked_ptr(in.acc())[0] = c;
    return Value::string(in.acc(), 1);
}

}  // namespace

Value fn_get(Interp& in) { return Value::integer(in.get_key(-1)); }

Value fn_get_str(Interp& in) {
    if (in.skip_spaces() == '#') return interp::get_line_from_channel(in);
    return one_char(in, static_cast<uint8_t>(in.get_key(-1)));
}

// INKEY(n): n >= 0 waits up to n centiseconds (-1 for no key); n < 0
// scans a key (TRUE while it is down) or gives the identification 87.
Value fn_inkey(Interp& in) {
    int32_t n = in.int_factor();
    if (n >= 0) return Value::integer(in.get_key(n));
    return Value::integer(in.os->inkey_scan(n));
}

// INKEY$(n): the key as a string (empty for none); a scan gives "" for
// a key that is down and CHR$(0) for one that is up.
Value fn_inkey_str(Interp& in) {
    int32_t n = in.int_factor();
    if (n >= 0) {
        int k = in.get_key(n);
        return k < 0 ? Value::string(in.acc(), 0) : one_char(in, static_cast<uint8_t>(k));
    }
    if (os::Os::is_identification(n)) return one_char(in, os::Os::kPlatformId);
    return in.os->inkey_scan(n) ? Value::string(in.acc(), 0) : one_char(in, 0);
}

Value fn_adval(Interp& in) { return Value::integer(in.os->adval(in.int_factor())); }

}  // namespace kov::values
