// The statement table: one row per statement token. Each handler is
// entered with the text pointer just after its keyword (spaces skipped)
// and returns to the statement boundary with the pointer after the
// statement, or moves the pointer elsewhere to jump.
#pragma once

#include <cstdint>
#include <memory>

namespace kov::os { class Console; }

namespace kov::interp {

class Interp;
using StatementFn = void (*)(Interp&);

// X(token, handler). Tokens &C7..&FF and &01..&0C; &00 is "Syntax error".
#define KOV_STATEMENTS(X)                                                            \
    X(0xC7, stmt_while)      /* WHILE cond: loop start */                           \
    X(0xC8, stmt_case)       /* CASE expr OF */                                     \
    X(0xC9, stmt_when)       /* WHEN not at line start: error */                    \
    X(0xCA, stmt_syntax)     /* OF alone */                                         \
    X(0xCB, stmt_nothing)    /* ENDCASE */                                          \
    X(0xCC, stmt_when)       /* OTHERWISE not at line start: error */               \
    X(0xCD, stmt_nothing)    /* ENDIF */                                            \
    X(0xCE, stmt_endwhile)   /* ENDWHILE */                                         \
    X(0xCF, stmt_ptr)        /* PTR#ch = n */                                       \
    X(0xD0, stmt_page)       /* PAGE = n */                                         \
    X(0xD1, stmt_time)       /* TIME = n, TIME$ = s */                              \
    X(0xD2, stmt_lomem)      /* LOMEM = n */                                        \
    X(0xD3, stmt_himem)      /* HIMEM = n */                                        \
    X(0xD4, stmt_sound)      /* SOUND */                                            \
    X(0xD5, stmt_bput)       /* BPUT#ch, n */                                       \
    X(0xD6, stmt_call)       /* CALL addr */                                        \
    X(0xD7, stmt_chain)      /* CHAIN file$ */                                      \
    X(0xD8, stmt_clear)      /* CLEAR */                                            \
    X(0xD9, stmt_close)      /* CLOSE#ch */                                         \
    X(0xDA, stmt_clg)        /* CLG */                                              \
    X(0xDB, stmt_cls)        /* CLS */                                              \
    X(0xDC, stmt_skip_line)  /* DATA: skipped when executed */                      \
    X(0xDD, stmt_skip_line)  /* DEF: skipped when executed */                       \
    X(0xDE, stmt_dim)        /* DIM */                                              \
    X(0xDF, stmt_draw)       /* DRAW */                                             \
    X(0xE0, stmt_end)        /* END */                                              \
    X(0xE1, stmt_endproc)    /* ENDPROC */                                          \
    X(0xE2, stmt_envelope)   /* ENVELOPE */                                         \
    X(0xE3, stmt_for)        /* FOR */                                              \
    X(0xE4, stmt_gosub)      /* GOSUB */                                            \
    X(0xE5, stmt_goto)       /* GOTO */                                             \
    X(0xE6, stmt_gcol)       /* GCOL */                                             \
    X(0xE7, stmt_if)         /* IF */                                               \
    X(0xE8, stmt_input)      /* INPUT */                                            \
    X(0xE9, stmt_let)        /* LET */                                              \
    X(0xEA, stmt_local)      /* LOCAL */                                            \
    X(0xEB, stmt_mode)       /* MODE */                                             \
    X(0xEC, stmt_move)       /* MOVE */                                             \
    X(0xED, stmt_next)       /* NEXT */                                             \
    X(0xEE, stmt_on)         /* ON ... */                                           \
    X(0xEF, stmt_vdu)        /* VDU */                                              \
    X(0xF0, stmt_plot)       /* PLOT */                                             \
    X(0xF1, stmt_print)      /* PRINT */                                            \
    X(0xF2, stmt_proc)       /* PROC */                                             \
    X(0xF3, stmt_read)       /* READ */                                             \
    X(0xF4, stmt_skip_line)  /* REM */                                              \
    X(0xF5, stmt_repeat)     /* REPEAT */                                           \
    X(0xF6, stmt_report)     /* REPORT */                                           \
    X(0xF7, stmt_restore)    /* RESTORE */                                          \
    X(0xF8, stmt_return)     /* RETURN */                                           \
    X(0xF9, stmt_run)        /* RUN */                                              \
    X(0xFA, stmt_stop)       /* STOP */                                             \
    X(0xFB, stmt_colour)     /* COLOUR, COLOR */                                    \
    X(0xFC, stmt_trace)      /* TRACE */                                            \
    X(0xFD, stmt_until)      /* UNTIL */                                            \
    X(0xFE, stmt_width)      /* WIDTH n */                                          \
    X(0xFF, stmt_oscli)      /* OSCLI s$ */                                         \
    X(0x00, stmt_syntax)     /* no statement */                                     \
    X(0x01, stmt_circle)     /* CIRCLE */                                           \
    X(0x02, stmt_ellipse)    /* ELLIPSE */                                          \
    X(0x03, stmt_fill)       /* FILL */                                             \
    X(0x04, stmt_mouse)      /* MOUSE */                                            \
    X(0x05, stmt_origin)     /* ORIGIN */                                           \
    X(0x06, stmt_quit)       /* QUIT */                                             \
    X(0x07, stmt_rectangle)  /* RECTANGLE */                                        \
    X(0x08, stmt_swap)       /* SWAP */                                             \
    X(0x09, stmt_sys)        /* SYS */                                              \
    X(0x0A, stmt_tint)       /* TINT n: evaluated and ignored */                    \
    X(0x0B, stmt_nothing)    /* WAIT */                                             \
    X(0x0C, stmt_install)    /* INSTALL */

#define KOV_DECLARE_STMT(token, fn) void fn(Interp&);
KOV_STATEMENTS(KOV_DECLARE_STMT)
#undef KOV_DECLARE_STMT

// Statements that begin with tokens of the function range.
void stmt_left_assign(Interp&);    // LEFT$(s$, n) = v$
void stmt_mid_assign(Interp&);     // MID$(s$, m [,n]) = v$
void stmt_right_assign(Interp&);   // RIGHT$(s$, n) = v$
void stmt_line(Interp&);           // LINE INPUT, or the LINE drawing statement
void stmt_error(Interp&);          // ERROR n, s$
void stmt_off(Interp&);            // OFF: hide the text cursor
void line_statement(Interp&);      // LINE x1,y1,x2,y2 (after LINE)
// POINT( and TINT( after their bracket: the logical colour (or with
// `rgb` the colour value) of a point, -1 outside the graphics window.
int32_t read_point(Interp&, bool rgb);

// Parts of ON and RESTORE owned by other families.
void on_error(Interp&);            // after ON ERROR
void on_goto(Interp&);             // ON expr GOTO/GOSUB/PROC
void restore_error(Interp&);       // RESTORE ERROR
void restore_data(Interp&);        // RESTORE DATA
// The rest of IF once its condition is known (p after the condition).
void if_continue(Interp&, bool condition);
// Line entry met ELSE / WHEN / OTHERWISE at the start of a line body:
// skip to after the matching ENDIF / ENDCASE.
void skip_else_block(Interp&);
void skip_when_block(Interp&);
// WHILE with a false condition, its frame already dropped: steps over
// the loop body to after the matching ENDWHILE (false: none, the text
// pointer is left at the last line end).
bool skip_while_loop(Interp&);
// At a CR before an ordinary line (not the end of the program, and no
// ELSE, WHEN or OTHERWISE that line entry must act on): the address of
// that line's body; 0 otherwise.
uint32_t ordinary_line_after(const uint8_t* cr);
// Calls the procedure whose PROC token has just been read (p after it);
// `on_return` is where ON ... PROC continues (nullptr: after the call).
void call_proc(Interp&, const uint8_t* on_return);

struct Value;
// The interpreter as the file commands' console (file_statements.cpp).
std::unique_ptr<os::Console> make_console(Interp&);
// The channel forms of PRINT, INPUT (and READ) and GET$, at their "#".
void print_to_channel(Interp&);
void input_from_channel(Interp&);
Value get_line_from_channel(Interp&);
// Function return "=" (p after the "="): evaluates the result, unwinds
// to the FN frame, restores the caller's text pointer.
Value fn_return(Interp&);
// The rest of "=" once the result is known: unwinds to the FN frame and
// restores the caller's text pointer.
void fn_unwind(Interp&);

extern const StatementFn* const kStatementTable;

}  // namespace kov::interp
