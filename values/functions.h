// The function table: one row per function token. Each handler is entered
// with the text pointer just after its token and returns the value.
#pragma once

#include "interp/interp.h"

namespace kov::values {

using FunctionFn = interp::Value (*)(interp::Interp&);

// X(token, handler)
#define KOV_FUNCTIONS(X)                                                    \
    X(0x8E, fn_openin)     /* OPENIN f$ */                                  \
    X(0x8F, fn_ptr)        /* PTR#ch */                                     \
    X(0x90, fn_page)       /* PAGE */                                       \
    X(0x91, fn_time)       /* TIME, TIME$ */                                \
    X(0x92, fn_lomem)      /* LOMEM */                                      \
    X(0x93, fn_himem)      /* HIMEM */                                      \
    X(0x94, fn_abs)        /* ABS */                                        \
    X(0x95, fn_acs)        /* ACS */                                        \
    X(0x96, fn_adval)      /* ADVAL */                                      \
    X(0x97, fn_asc)        /* ASC */                                        \
    X(0x98, fn_asn)        /* ASN */                                        \
    X(0x99, fn_atn)        /* ATN */                                        \
    X(0x9A, fn_bget)       /* BGET#ch */                                    \
    X(0x9B, fn_cos)        /* COS */                                        \
    X(0x9C, fn_count)      /* COUNT */                                      \
    X(0x9D, fn_deg)        /* DEG */                                        \
    X(0x9E, fn_erl)        /* ERL */                                        \
    X(0x9F, fn_err)        /* ERR */                                        \
    X(0xA0, fn_eval)       /* EVAL */                                       \
    X(0xA1, fn_exp)        /* EXP */                                        \
    X(0xA2, fn_ext)        /* EXT#ch */                                     \
    X(0xA3, fn_false)      /* FALSE */                                      \
    X(0xA4, fn_fn)         /* FN call */                                    \
    X(0xA5, fn_get)        /* GET */                                        \
    X(0xA6, fn_inkey)      /* INKEY */                                      \
    X(0xA7, fn_instr)      /* INSTR( */                                     \
    X(0xA8, fn_int)        /* INT */                                        \
    X(0xA9, fn_len)        /* LEN */                                        \
    X(0xAA, fn_ln)         /* LN */                                         \
    X(0xAB, fn_log)        /* LOG */                                        \
    X(0xAC, fn_not)        /* NOT */                                        \
    X(0xAD, fn_openup)     /* OPENUP f$ */                                  \
    X(0xAE, fn_openout)    /* OPENOUT f$ */                                 \
    X(0xAF, fn_pi)         /* PI */                                         \
    X(0xB0, fn_point)      /* POINT( */                                     \
    X(0xB1, fn_pos)        /* POS */                                        \
    X(0xB2, fn_rad)        /* RAD */                                        \
    X(0xB3, fn_rnd)        /* RND */                                        \
    X(0xB4, fn_sgn)        /* SGN */                                        \
    X(0xB5, fn_sin)        /* SIN */                                        \
    X(0xB6, fn_sqr)        /* SQR */                                        \
    X(0xB7, fn_tan)        /* TAN */                                        \
    X(0xB8, fn_top)        /* TO followed by P: TOP */                      \
    X(0xB9, fn_true)       /* TRUE */                                       \
    X(0xBA, fn_usr)        /* USR */                                        \
    X(0xBB, fn_val)        /* VAL */                                        \
    X(0xBC, fn_vpos)       /* VPOS */                                       \
    X(0xBD, fn_chr)        /* CHR$ */                                       \
    X(0xBE, fn_get_str)    /* GET$, GET$#ch */                              \
    X(0xBF, fn_inkey_str)  /* INKEY$ */                                     \
    X(0xC0, fn_left)       /* LEFT$( */                                     \
    X(0xC1, fn_mid)        /* MID$( */                                      \
    X(0xC2, fn_right)      /* RIGHT$( */                                    \
    X(0xC3, fn_str)        /* STR$, STR$~ */                                \
    X(0xC4, fn_string)     /* STRING$( */                                   \
    X(0xC5, fn_eof)        /* EOF#ch */                                     \
    X(0xC6, fn_sum)        /* SUM */

#define KOV_DECLARE_FN(token, fn) interp::Value fn(interp::Interp&);
KOV_FUNCTIONS(KOV_DECLARE_FN)
#undef KOV_DECLARE_FN

extern const FunctionFn* const kFunctionTable;

}  // namespace kov::values
