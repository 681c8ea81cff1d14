REM Single-line IF with THEN, ELSE and line numbers.
X=5
IF X>3 THEN PRINT "big" ELSE PRINT "small"
IF X>9 THEN PRINT "big" ELSE PRINT "small"
IF X=5 PRINT "no THEN needed"
IF X=6 THEN PRINT "no" ELSE 10
PRINT "not reached"
10 IF X=5 THEN 20 ELSE PRINT "no"
PRINT "not reached either"
20 IF X THEN PRINT "non-zero is true"
IF 0.5 THEN PRINT "0.5 is true" ELSE PRINT "0.5 converts to 0"
REM Block IF: ELSE and ENDIF count only first in a line; a block
REM nested in a skipped part is stepped over as a whole.
FOR T=0 TO 1
IF T THEN
PRINT "then part"
ELSE
PRINT "else part"
IF 1 THEN
PRINT "nested then"
ELSE
PRINT "nested else"
ENDIF
ENDIF
NEXT
IF 0 THEN
PRINT "skipped"
:ELSE
PRINT "also skipped: an ELSE after a colon opens no branch"
ENDIF
PRINT "after block"
IF 1 THEN
PRINT "runs"
:ELSE
PRINT "and so does this"
ENDIF
REM CASE picks the first WHEN with an equal value.
FOR N=1 TO 4
CASE N OF
WHEN 1: PRINT "one"
WHEN 2, 3: PRINT "two or three"
WHEN 3: PRINT "never, 3 matched above"
OTHERWISE PRINT "other ";N
ENDCASE
NEXT
CASE 2.0 OF
WHEN 2: PRINT "real 2.0 equals integer 2"
ENDCASE
CASE "b" OF
WHEN "a": PRINT "a"
WHEN "B", "b": PRINT "lower b"
ENDCASE
REM A nested CASE inside a branch; a WHEN after a colon is not seen.
CASE 1 OF
WHEN 1
CASE 7 OF
WHEN 7: PRINT "inner 7"
OTHERWISE PRINT "inner other"
ENDCASE
PRINT "outer 1"
WHEN 2: PRINT "outer 2"
ENDCASE
CASE 2 OF
WHEN 1: PRINT "one"
:WHEN 2: PRINT "hidden"
OTHERWISE PRINT "the hidden WHEN was passed over"
ENDCASE
CASE 9 OF
WHEN 1: PRINT "no match at all"
ENDCASE
PRINT "done"
