REM ON ERROR LOCAL inside procedures: the trapped error keeps the frames
REM pushed before it, and leaving the procedure restores LOCAL variables
REM and the previous handler.
ON ERROR PRINT "global handler: ";REPORT$: END
x=1
PROCtry
PRINT "after PROCtry: x=";x
PROCloop
PRINT "after PROCloop"
ERROR 1, "the outer handler is back"
DEF PROCtry
LOCAL x
x=5
ON ERROR LOCAL PRINT "trapped ";REPORT$;" with x=";x: ENDPROC
PRINT 1/0
PRINT "not reached"
ENDPROC
DEF PROCloop
LOCAL i
FOR i=1 TO 3
ON ERROR LOCAL PRINT "pass ";i;": ";REPORT$: NEXT: PRINT "loop done": ENDPROC
IF i=2 THEN ERROR 100, "custom" ELSE PRINT "pass ";i;" fine"
NEXT
PRINT "loop done"
ENDPROC
