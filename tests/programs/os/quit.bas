REM QUIT n ends the engine with exit status n, from inside a procedure too
PRINT "before"
PROCend(3)
PRINT "never"
DEF PROCend(n%)
QUIT n%
