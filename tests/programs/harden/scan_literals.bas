REM The scans past a false IF and a false WHILE step over string literals
REM and REM text: token bytes inside them are not keywords.
X%=0
IF X% THEN PRINT "a‹b": PRINT "wrong 1"
PRINT "after IF"
IF X% THEN PRINT "x": REM ‹ is not here  PRINT "wrong 2"
PRINT "after IF REM"
WHILE X%
PRINT "‹": PRINT "wrong 3"
ENDWHILE
PRINT "after WHILE"
WHILE X%
PRINT "Î": PRINT "wrong 4"
REM Î PRINT "wrong 5"
ENDWHILE
PRINT "after WHILE 2"
IF X% THEN PRINT """‹""" ELSE PRINT "else taken"
ON 3 GOTO 10, 20 ELSE PRINT "on else"
