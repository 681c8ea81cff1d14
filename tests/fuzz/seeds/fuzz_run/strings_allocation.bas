REM The descriptor at ^A$: text address, length, allocated size
@%=0
A$="ABC"
D%=^A$
T%=!D%
PRINT ?(D%+4);" ";?(D%+5)
A$="ABCDEFGHIJ"
PRINT ?(D%+4);" ";?(D%+5);" ";!D%=T%
REM The block is the last thing in the heap: it grows where it is
A$="ABCDEFGHIJK"
PRINT ?(D%+4);" ";?(D%+5);" ";!D%=T%
REM Another block above it: a new block is taken at the heap top
B$="X"
E%=^B$
REM (B$'s 12-byte record comes first: link, "$", zero byte, descriptor)
PRINT ?(E%+5);" ";!E%=T%+18+12
A$=STRING$(20,"Z")
PRINT ?(D%+4);" ";?(D%+5);" ";!D%=!E%+8
REM Shorter texts reuse the block
A$=""
PRINT ?(D%+4);" ";?(D%+5);" ";!D%=!E%+8
REM The size is capped at 255
A$=STRING$(250,"Q")
PRINT ?(D%+4);" ";?(D%+5);" ";!D%=!E%+8;" ";LEFT$(A$,3)
C$=STRING$(249,"R")
PRINT ?(^C$+5)
REM Assigning an empty string allocates nothing
F$=""
PRINT !^F$;" ";?(^F$+4);" ";?(^F$+5)
