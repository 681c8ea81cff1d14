REM Parameters and LOCAL variables save the caller's values and restore
REM them on return.
x=1: y$="outer": n%=7
PROCshow(42, "param")
PRINT "after: x=";x;" y$=";y$;" n%=";n%
REM Arguments are evaluated with the caller's values, before any formal
REM is assigned, so swapping through parameters works.
a=10: b=20: PROCswap(b, a)
PRINT "a=";a;" b=";b
REM LOCAL clears numbers to 0 and strings to empty.
PROCclear
PRINT "restored: x=";x;" y$=";y$
REM A function result string survives the restoring of LOCAL strings.
s$="caller": PRINT FNjoin("in", "side");" ";s$
REM Static integer variables and indirection can be LOCAL too.
A%=5: PROCstatic: PRINT "A%=";A%
DIM m 3: !m=99: PROClocal_word: PRINT "!m=";!m
END
DEF PROCshow(x, y$)
LOCAL n%
PRINT "inside: x=";x;" y$=";y$;" n%=";n%
n%=100: x=-1: y$="changed"
ENDPROC
DEF PROCswap(a, b): PRINT "swapped: a=";a;" b=";b: ENDPROC
DEF PROCclear
LOCAL x, y$
PRINT "cleared: x=";x;" y$=[";y$;"]"
x=3: y$="temporary"
ENDPROC
DEF FNjoin(p$, q$)
LOCAL s$
s$=p$+q$
=s$
DEF PROCstatic: LOCAL A%: A%=9: PRINT "inside A%=";A%: ENDPROC
DEF PROClocal_word: LOCAL !m: PRINT "inside !m=";!m: !m=1: ENDPROC
