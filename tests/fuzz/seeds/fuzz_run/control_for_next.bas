REM FOR loops: the body always runs once, the sum decides the end,
REM NEXT with names closes inner loops, NEXT I,J steps both.
FOR I=1 TO 0
PRINT "empty range body ";I
NEXT
PRINT "after empty range ";I
FOR I=3 TO 1 STEP -1: PRINT ;I;" ";: NEXT: PRINT "left ";I
FOR X=0 TO 1 STEP 0.25: PRINT ;X;" ";: NEXT: PRINT
REM An integer variable stepped by 0.5 stores 1 each time: the sum 1.5
REM is compared with the limit, so the loop would run for ever.
C%=0
FOR I%=1 TO 3 STEP 0.5
C%=C%+1
IF C%=4 THEN GOTO 100
NEXT
PRINT "not reached"
100 PRINT "still at ";I%;" after ";C%;" passes"
REM NEXT J ends the inner I loop and steps J.
FOR J=1 TO 2
FOR I=1 TO 5
PRINT "J=";J;" I=";I
NEXT J
PRINT "after: J=";J;" I=";I
REM NEXT I,J steps I and, when its loop ends, J.
FOR J=1 TO 2: FOR I=1 TO 2: PRINT ;J;I;" ";: NEXT I,J: PRINT
REM A loop variable may be an array element or a byte in memory.
DIM A(3), B% 3
FOR A(2)=5 TO 7: PRINT ;A(2);: NEXT: PRINT
FOR ?B%=250 TO 255 STEP 2: PRINT ;?B%;" ";: NEXT: PRINT
REM Leaving a loop by GOTO and starting it again leaves an old frame
REM below; NEXT still finds the newest one.
200 N%=N%+1
FOR K=1 TO 2
IF N%<3 THEN GOTO 200
PRINT ;K;
NEXT K
PRINT " N%=";N%
