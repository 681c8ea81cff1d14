// The keyword table: every BASIC keyword, its one-byte token and whether it
// is conditional. The tokeniser, the detokeniser and every dispatcher on
// token bytes work from this one list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kov::interp {

// Whether a keyword needs a non-name character after it. A conditional
// keyword behaves as if spelled with one trailing blank: it is not
// recognised when a letter, digit, "_", "@" or "`" follows, so ENDX and
// PIE stay variable names, and one blank after it belongs to it.
enum class KwMatch : uint8_t { Plain, Conditional };

// The rows in lookup order. Lookup walks them from the top, stops at the
// first row whose name starts with a character greater than the source
// character, and takes the first row that matches; an abbreviation with
// "." therefore means the first row of that letter that fits. The last
// five rows come after W and are never reached by the lookup: they name
// the statement forms of the five pseudo-variables for the detokeniser.
//
// Columns: enumerator, token, keyword, match rule.
#define KOV_KEYWORDS(X)                                                              \
    X(And, 0x80, "AND", Plain)                /* bitwise and logical AND */          \
    X(Abs, 0x94, "ABS", Plain)                /* absolute value */                   \
    X(Acs, 0x95, "ACS", Plain)                /* arc cosine */                       \
    X(Adval, 0x96, "ADVAL", Plain)            /* joystick and buffer state */        \
    X(Asc, 0x97, "ASC", Plain)                /* code of a string's first char */    \
    X(Asn, 0x98, "ASN", Plain)                /* arc sine */                         \
    X(Atn, 0x99, "ATN", Plain)                /* arc tangent */                      \
    X(Bget, 0x9A, "BGET", Conditional)        /* read a byte from a channel */       \
    X(Bput, 0xD5, "BPUT", Conditional)        /* write a byte to a channel */        \
    X(Colour, 0xFB, "COLOUR", Plain)          /* set a text colour */                \
    X(Color, 0xFB, "COLOR", Plain)            /* second spelling of COLOUR */        \
    X(Call, 0xD6, "CALL", Plain)              /* call machine code */                \
    X(Case, 0xC8, "CASE", Plain)              /* start of a CASE block */            \
    X(Chain, 0xD7, "CHAIN", Plain)            /* load and run another program */     \
    X(Chr, 0xBD, "CHR$", Plain)               /* one-character string */             \
    X(Clear, 0xD8, "CLEAR", Conditional)      /* forget all variables */             \
    X(Close, 0xD9, "CLOSE", Conditional)      /* close a channel */                  \
    X(Clg, 0xDA, "CLG", Conditional)          /* clear the graphics window */        \
    X(Cls, 0xDB, "CLS", Conditional)          /* clear the text window */            \
    X(Cos, 0x9B, "COS", Plain)                /* cosine */                           \
    X(Count, 0x9C, "COUNT", Conditional)      /* characters printed on this line */  \
    X(Circle, 0x01, "CIRCLE", Plain)          /* draw a circle */                    \
    X(Data, 0xDC, "DATA", Plain)              /* data for READ; rest is verbatim */  \
    X(Deg, 0x9D, "DEG", Plain)                /* radians to degrees */               \
    X(Def, 0xDD, "DEF", Plain)                /* define FN or PROC */                \
    X(Div, 0x81, "DIV", Plain)                /* integer division */                 \
    X(Dim, 0xDE, "DIM", Plain)                /* declare arrays and blocks */        \
    X(Draw, 0xDF, "DRAW", Plain)              /* draw a line */                      \
    X(Endproc, 0xE1, "ENDPROC", Conditional)  /* return from a procedure */          \
    X(Endwhile, 0xCE, "ENDWHILE", Conditional) /* end of a WHILE loop */             \
    X(Endcase, 0xCB, "ENDCASE", Conditional)  /* end of a CASE block */              \
    X(Endif, 0xCD, "ENDIF", Conditional)      /* end of a block IF */                \
    X(End, 0xE0, "END", Conditional)          /* stop the program */                 \
    X(Envelope, 0xE2, "ENVELOPE", Plain)      /* define a sound envelope */          \
    X(Else, 0x8B, "ELSE", Plain)              /* alternative branch of IF or ON */   \
    X(Eval, 0xA0, "EVAL", Plain)              /* evaluate a string */                \
    X(Erl, 0x9E, "ERL", Conditional)          /* line of the last error */           \
    X(Error, 0x85, "ERROR", Plain)            /* ON ERROR, ERROR n,s */              \
    X(Eof, 0xC5, "EOF", Conditional)          /* end of file on a channel */         \
    X(Eor, 0x82, "EOR", Plain)                /* exclusive or */                     \
    X(Err, 0x9F, "ERR", Conditional)          /* number of the last error */         \
    X(Exp, 0xA1, "EXP", Plain)                /* exponential */                      \
    X(Ext, 0xA2, "EXT", Conditional)          /* length of an open file */           \
    X(Ellipse, 0x02, "ELLIPSE", Plain)        /* draw an ellipse */                  \
    X(For, 0xE3, "FOR", Plain)                /* start of a FOR loop */              \
    X(False, 0xA3, "FALSE", Conditional)      /* the value 0 */                      \
    X(Fill, 0x03, "FILL", Plain)              /* flood fill */                       \
    X(Fn, 0xA4, "FN", Plain)                  /* call a user function */             \
    X(Goto, 0xE5, "GOTO", Plain)              /* jump to a line */                   \
    X(GetStr, 0xBE, "GET$", Plain)            /* wait for a key, as a string */      \
    X(Get, 0xA5, "GET", Plain)                /* wait for a key, as a code */        \
    X(Gosub, 0xE4, "GOSUB", Plain)            /* call a subroutine */                \
    X(Gcol, 0xE6, "GCOL", Plain)              /* set a graphics colour */            \
    X(Himem, 0x93, "HIMEM", Conditional)      /* HIMEM as a function */              \
    X(Input, 0xE8, "INPUT", Plain)            /* read values from the user */        \
    X(If, 0xE7, "IF", Plain)                  /* conditional statement */            \
    X(InkeyStr, 0xBF, "INKEY$", Plain)        /* key with time-out, as a string */   \
    X(Inkey, 0xA6, "INKEY", Plain)            /* key with time-out, or key test */   \
    X(Int, 0xA8, "INT", Plain)                /* round towards minus infinity */     \
    X(Instr, 0xA7, "INSTR(", Plain)           /* find a substring */                 \
    X(Install, 0x0C, "INSTALL", Plain)        /* load a library */                   \
    X(Line, 0x86, "LINE", Plain)              /* LINE INPUT, LINE x1,y1,x2,y2 */     \
    X(Lomem, 0x92, "LOMEM", Conditional)      /* LOMEM as a function */              \
    X(Local, 0xEA, "LOCAL", Plain)            /* declare local variables */          \
    X(Left, 0xC0, "LEFT$(", Plain)            /* left part of a string */            \
    X(Len, 0xA9, "LEN", Plain)                /* length of a string */               \
    X(Let, 0xE9, "LET", Plain)                /* assignment */                       \
    X(Log, 0xAB, "LOG", Plain)                /* common logarithm */                 \
    X(Ln, 0xAA, "LN", Plain)                  /* natural logarithm */                \
    X(Mid, 0xC1, "MID$(", Plain)              /* middle part of a string */          \
    X(Mode, 0xEB, "MODE", Plain)              /* change screen mode */               \
    X(Mod, 0x83, "MOD", Plain)                /* integer remainder */                \
    X(Move, 0xEC, "MOVE", Plain)              /* move the graphics cursor */         \
    X(Mouse, 0x04, "MOUSE", Plain)            /* read or set the mouse */            \
    X(Next, 0xED, "NEXT", Plain)              /* end of a FOR loop */                \
    X(Not, 0xAC, "NOT", Plain)                /* bitwise and logical NOT */          \
    X(On, 0xEE, "ON", Plain)                  /* ON GOTO, ON ERROR, ON TIME ... */   \
    X(Off, 0x87, "OFF", Plain)                /* ON ERROR OFF, TRACE OFF ... */      \
    X(Of, 0xCA, "OF", Plain)                  /* CASE ... OF */                      \
    X(Origin, 0x05, "ORIGIN", Plain)          /* set the graphics origin */          \
    X(Or, 0x84, "OR", Plain)                  /* bitwise and logical OR */           \
    X(Openin, 0x8E, "OPENIN", Plain)          /* open a file for reading */          \
    X(Openout, 0xAE, "OPENOUT", Plain)        /* create a file */                    \
    X(Openup, 0xAD, "OPENUP", Plain)          /* open a file for update */           \
    X(Oscli, 0xFF, "OSCLI", Plain)            /* run a star command */               \
    X(Otherwise, 0xCC, "OTHERWISE", Plain)    /* default branch of CASE */           \
    X(Print, 0xF1, "PRINT", Plain)            /* print values */                     \
    X(Page, 0x90, "PAGE", Conditional)        /* PAGE as a function */               \
    X(Ptr, 0x8F, "PTR", Conditional)          /* PTR# as a function */               \
    X(Pi, 0xAF, "PI", Conditional)            /* the constant pi */                  \
    X(Plot, 0xF0, "PLOT", Plain)              /* graphics operation */               \
    X(Point, 0xB0, "POINT(", Plain)           /* colour of a pixel */                \
    X(Proc, 0xF2, "PROC", Plain)              /* call a procedure */                 \
    X(Pos, 0xB1, "POS", Conditional)          /* text cursor column */               \
    X(Quit, 0x06, "QUIT", Conditional)        /* leave the program */                \
    X(Return, 0xF8, "RETURN", Conditional)    /* return from GOSUB */                \
    X(Repeat, 0xF5, "REPEAT", Plain)          /* start of a REPEAT loop */           \
    X(Report, 0xF6, "REPORT", Conditional)    /* print the last error message */     \
    X(Read, 0xF3, "READ", Plain)              /* read DATA items */                  \
    X(Rem, 0xF4, "REM", Plain)                /* comment; rest is verbatim */        \
    X(Run, 0xF9, "RUN", Conditional)          /* restart the program */              \
    X(Rad, 0xB2, "RAD", Plain)                /* degrees to radians */               \
    X(Restore, 0xF7, "RESTORE", Plain)        /* reset the DATA pointer */           \
    X(Right, 0xC2, "RIGHT$(", Plain)          /* right part of a string */           \
    X(Rnd, 0xB3, "RND", Conditional)          /* random number */                    \
    X(Rectangle, 0x07, "RECTANGLE", Plain)    /* draw or copy a rectangle */         \
    X(Step, 0x88, "STEP", Plain)              /* FOR ... STEP */                     \
    X(Sgn, 0xB4, "SGN", Plain)                /* sign */                             \
    X(Sin, 0xB5, "SIN", Plain)                /* sine */                             \
    X(Sqr, 0xB6, "SQR", Plain)                /* square root */                      \
    X(Spc, 0x89, "SPC", Plain)                /* print blanks */                     \
    X(Str, 0xC3, "STR$", Plain)               /* number to string */                 \
    X(String, 0xC4, "STRING$(", Plain)        /* repeated string */                  \
    X(Sound, 0xD4, "SOUND", Plain)            /* queue a note */                     \
    X(Stop, 0xFA, "STOP", Conditional)        /* stop with a message */              \
    X(Sum, 0xC6, "SUM", Plain)                /* sum of an array */                  \
    X(Swap, 0x08, "SWAP", Plain)              /* exchange two variables */           \
    X(Sys, 0x09, "SYS", Plain)                /* call a system function */           \
    X(Tan, 0xB7, "TAN", Plain)                /* tangent */                          \
    X(Tab, 0x8A, "TAB(", Plain)               /* move the print position */          \
    X(Then, 0x8C, "THEN", Plain)              /* IF ... THEN */                      \
    X(Time, 0x91, "TIME", Conditional)        /* TIME as a function */               \
    X(Tint, 0x0A, "TINT", Plain)              /* set or read a tint */               \
    X(To, 0xB8, "TO", Plain)                  /* FOR ... TO; TOP is TO then P */     \
    X(Trace, 0xFC, "TRACE", Plain)            /* line tracing */                     \
    X(True, 0xB9, "TRUE", Conditional)        /* the value -1 */                     \
    X(Until, 0xFD, "UNTIL", Plain)            /* end of a REPEAT loop */             \
    X(Usr, 0xBA, "USR", Plain)                /* call machine code for a value */    \
    X(Vdu, 0xEF, "VDU", Plain)                /* send bytes to the VDU driver */     \
    X(Val, 0xBB, "VAL", Plain)                /* string to number */                 \
    X(Vpos, 0xBC, "VPOS", Conditional)        /* text cursor row */                  \
    X(While, 0xC7, "WHILE", Plain)            /* start of a WHILE loop */            \
    X(When, 0xC9, "WHEN", Plain)              /* branch of CASE */                   \
    X(Wait, 0x0B, "WAIT", Conditional)        /* pause */                            \
    X(Width, 0xFE, "WIDTH", Plain)            /* set the line width */               \
    X(HimemStmt, 0xD3, "HIMEM", Plain)        /* HIMEM = ... */                      \
    X(LomemStmt, 0xD2, "LOMEM", Plain)        /* LOMEM = ... */                      \
    X(PageStmt, 0xD0, "PAGE", Plain)          /* PAGE = ... */                       \
    X(PtrStmt, 0xCF, "PTR", Plain)            /* PTR#c = ... */                      \
    X(TimeStmt, 0xD1, "TIME", Plain)          /* TIME = ... and TIME$ = ... */

namespace tok {

// Every token byte by name. COLOUR and COLOR share a value; the five
// pseudo-variables have a function form (Ptr, Page, ...) and a statement
// form (PtrStmt, PageStmt, ...).
enum Tok : uint8_t {
#define KOV_KW_ENUM(name, token, text, match) name = token,
    KOV_KEYWORDS(KOV_KW_ENUM)
#undef KOV_KW_ENUM
    // Introduces a line number encoded in the three bytes that follow.
    LineNumber = 0x8D,
};

// Distance from a pseudo-variable's function token to its statement token.
inline constexpr uint8_t kStatementFormOffset = PtrStmt - Ptr;

}  // namespace tok

// One row of the keyword table.
struct Keyword {
    uint8_t token;
    const char* name;  // capitals, without the trailing blank of a conditional keyword
    KwMatch match;
};

inline constexpr std::array kKeywords = {
#define KOV_KW_ROW(name, token, text, match) Keyword{token, text, KwMatch::match},
    KOV_KEYWORDS(KOV_KW_ROW)
#undef KOV_KW_ROW
};

static_assert(kKeywords.size() == 140);

// How many rows the keyword lookup may reach: all but the five statement
// forms at the end.
inline constexpr size_t kLookupKeywords = kKeywords.size() - 5;

// The first table row carrying `token`, or nullptr for bytes that are no
// keyword (0, 0x0D to 0x7F and 0x8D).
const Keyword* find_keyword(uint8_t token);

// The keyword of a token: the name of its first row in the table, or
// nullptr for bytes that are no keyword (0, 0x0D to 0x7F and 0x8D).
const char* keyword_name(uint8_t token);

}  // namespace kov::interp
