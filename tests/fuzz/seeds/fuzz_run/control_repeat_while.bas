REM REPEAT and WHILE loops.
N%=0: REPEAT N%=N%+1: UNTIL N%>=3: PRINT "repeat ran ";N%
REM UNTIL 0.5 converts to 0 and repeats for ever; leave by GOTO.
C%=0
10 REPEAT
C%=C%+1
IF C%=5 THEN GOTO 20
UNTIL 0.5
20 PRINT "UNTIL 0.5 still looping after ";C%
REM Nested REPEAT loops on one line each.
I%=0: REPEAT I%=I%+1: J%=0: REPEAT J%=J%+1: PRINT ;I%;J%;" ";: UNTIL J%=2: UNTIL I%=2: PRINT
REM WHILE tests first: a false condition skips the body, nested WHILE
REM and ENDWHILE tokens included.
X=0
WHILE X<3
X=X+1
PRINT "while ";X
ENDWHILE
WHILE FALSE
PRINT "skipped"
WHILE TRUE: PRINT "inner skipped": ENDWHILE
PRINT "also skipped"
ENDWHILE
PRINT "after false WHILE"
WHILE FALSE: PRINT "same line": ENDWHILE: PRINT "rest of the line runs"
REM TRACE shows the lines stepped over while looking for ENDWHILE.
TRACE 200
100 WHILE 0
110 PRINT "not run"
120 ENDWHILE
130 TRACE OFF
PRINT
REM A WHILE whose ENDWHILE is missing ends the program when false.
WHILE 1=2
PRINT "never"
