// The graphics statements and functions: PLOT, MOVE, DRAW, FILL, LINE,
// ORIGIN, CIRCLE, ELLIPSE, RECTANGLE (each only sends VDU sequences) and
// POINT( and TINT(, which read the shadow bitmap, and MOUSE, which reads
// the pointer in graphics units.
#include "interp/interp.h"
#include "interp/keywords.h"
#include "interp/statements.h"
#include "values/functions.h"
#include "vdu/vdu.h"

namespace kov::interp {

namespace {
void send16(Interp& in, int32_t v) {
    in.oswrch(static_cast<uint8_t>(v));
    in.oswrch(static_cast<uint8_t>(v >> 8));
}

// VDU 25,k,x;y;
void plot(Interp& in, int k, int32_t x, int32_t y) {
    in.oswrch(25);
    in.oswrch(static_cast<uint8_t>(k));
    send16(in, x);
    send16(in, y);
}

// Exactly `n` integer arguments separated by commas.
void args(Interp& in, int32_t* out, int n) {
    for (int i = 0; i < n; ++i) {
        if (i) in.comma();
        out[i] = in.int_expr();
    }
}

// FILL straight after CIRCLE, ELLIPSE or RECTANGLE selects the filled form.
bool take_fill(Interp& in) {
    if (in.skip_spaces() != tok::Fill) return false;
    ++in.p;
    return true;
}
// Sets @hcsr% (a system variable: created when missing).
void set_cursor_handle(Interp& in, uint32_t handle) {
    static const uint8_t kName[] = "@hcsr%\r";
    const uint8_t* end = kName;
    VarRef ref;
    if (in.find_var_name(kName, ref, end) != Lookup::Found || ref.type != vtype::Int) return;
    in.store_num(ref, values::num_int(static_cast<int32_t>(handle)));
}
}  // namespace

// MOUSE x, y, b | MOUSE ON [shape] | MOUSE OFF
void stmt_mouse(Interp& in) {
    const uint8_t c = in.skip_spaces();
    if (c == tok::On || c == tok::Off) {
        ++in.p;
        int shape = -1;
        if (c == tok::On) shape = in.at_statement_end() ? 0 : (in.int_expr() & 0xFF);
        set_cursor_handle(in, in.os->pointer_shape(shape));
        return;
    }
    int cx = 0, cy = 0, buttons = 0;
    in.os->mouse(cx, cy, buttons);
    // Graphics units: half a pixel, y upwards, from the graphics origin.
    int64_t x = 2 * int64_t{cx}, y = 2 * (int64_t{in.vdu ? in.vdu->screen_height() : 0} - 1 - cy);
    if (in.vdu) {
        x -= in.vdu->get32(vdu::blk::OriginX);
        y -= in.vdu->get32(vdu::blk::OriginY);
    }
    const int32_t values[3] = {static_cast<int32_t>(x), static_cast<int32_t>(y), buttons};
    for (int i = 0; i < 3; ++i) {
        if (i) in.comma();
        VarRef ref = in.get_ref_create();
        if (ref.type == vtype::StrVar || ref.type == vtype::StrMem || (ref.type & vtype::Array))
            raise(Err::BadMouseVariable);
        in.store_num(ref, values::num_int(values[i]));
    }
}

// PLOT k,x,y or PLOT x,y (a point in the foreground colour).
void stmt_plot(Interp& in) {
    int32_t a[3];
    a[0] = in.int_expr();
    in.comma();
    a[1] = in.int_expr();
    if (in.skip_spaces() == ',') {
        ++in.p;
        a[2] = in.int_expr();
        plot(in, a[0], a[1], a[2]);
        return;
    }
    plot(in, 69, a[0], a[1]);
}

void stmt_move(Interp& in) {
    int32_t a[2];
    args(in, a, 2);
    plot(in, 4, a[0], a[1]);
}

void stmt_draw(Interp& in) {
    int32_t a[2];
    args(in, a, 2);
    plot(in, 5, a[0], a[1]);
}

void stmt_fill(Interp& in) {
    int32_t a[2];
    args(in, a, 2);
    plot(in, 133, a[0], a[1]);
}

void stmt_origin(Interp& in) {
    int32_t a[2];
    args(in, a, 2);
    in.oswrch(29);
    send16(in, a[0]);
    send16(in, a[1]);
}

// LINE x1,y1,x2,y2 (LINE INPUT is the input family's).
void line_statement(Interp& in) {
    int32_t a[4];
    args(in, a, 4);
    plot(in, 4, a[0], a[1]);
    plot(in, 5, a[2], a[3]);
}

void stmt_circle(Interp& in) {
    const bool filled = take_fill(in);
    int32_t a[3];
    args(in, a, 3);
    plot(in, 4, a[0], a[1]);
    plot(in, filled ? 153 : 145, a[2], 0);
}

void stmt_ellipse(Interp& in) {
    const bool filled = take_fill(in);
    int32_t a[4];
    args(in, a, 4);
    plot(in, 4, a[0], a[1]);
    plot(in, 0, a[2], 0);
    plot(in, filled ? 201 : 193, -a[2], a[3]);
}

// RECTANGLE [FILL] x,y,w[,h] [TO x2,y2].
void stmt_rectangle(Interp& in) {
    const bool filled = take_fill(in);
    int32_t a[4];
    args(in, a, 3);
    a[3] = a[2];
    if (in.skip_spaces() == ',') {
        ++in.p;
        a[3] = in.int_expr();
    }
    if (in.skip_spaces() == tok::To) {
        ++in.p;
        int32_t to[2];
        args(in, to, 2);
        plot(in, 4, a[0], a[1]);
        plot(in, 0, a[2], a[3]);
        plot(in, filled ? 189 : 190, to[0], to[1]);
        return;
    }
    plot(in, 4, a[0], a[1]);
    if (filled) {
        plot(in, 97, a[2], a[3]);
        return;
    }
    plot(in, 9, a[2], 0);
    plot(in, 9, 0, a[3]);
    plot(in, 9, -a[2], 0);
    plot(in, 9, 0, -a[3]);
}

// The rest of POINT( or TINT( after the bracket: x,y).
int32_t read_point(Interp& in, bool rgb) {
    int32_t a[2];
    args(in, a, 2);
    in.close_bracket();
    return in.vdu ? in.vdu->read_point(a[0], a[1], rgb) : -1;
}

}  // namespace kov::interp

namespace kov::values {

interp::Value fn_point(interp::Interp& in) { return interp::Value::integer(interp::read_point(in, false)); }

}  // namespace kov::values
