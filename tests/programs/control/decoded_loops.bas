REM Loops and jumps run from decoded statements, with the cases that
REM must behave exactly as the statement handlers do.
REM A real loop variable, a real step and the sum as computed.
FOR X=0 TO 1 STEP 0.25:PRINT X;:NEXT X:PRINT
FOR X=1 TO 0 STEP -0.5:PRINT X;:NEXT:PRINT
REM An integer variable stepped by a fraction never passes 3.
N%=0
FOR I%=1 TO 3 STEP 0.5:N%=N%+1:IF N%>8 THEN I%=10
NEXT
PRINT N%;" ";I%
REM The limit is worked out after the variable is set.
FOR J=5 TO J+2:PRINT J;:NEXT:PRINT
REM A heap integer variable and a static one.
count%=0
FOR k%=1 TO 4:FOR L%=1 TO k%:count%=count%+1:NEXT L%:NEXT k%
PRINT count%
REM NEXT naming an outer loop closes the inner one.
FOR A=1 TO 2:FOR B=1 TO 3:PRINT A;B;" ";:NEXT A:PRINT
REM IF ... THEN line, true and false.
K=0
40 K=K+1
IF K<5 THEN 40
PRINT "K=";K
REM The same IF met again: false with ELSE and a line, false with ELSE
REM and a statement, a false block IF, each taken twice.
FOR T%=1 TO 2
IF T%>5 THEN PRINT "no" ELSE 60
PRINT "not reached"
60 IF T%<0 THEN PRINT "no" ELSE PRINT "else ";T%
IF T%=0 THEN
  PRINT "no"
ELSE
  PRINT "block else ";T%
ENDIF
IF T%=0 THEN PRINT "no"
NEXT
REM A WHILE whose condition is false at once, met three times, and an
REM array element with an integer subscript.
DIM V%(3)
FOR T%=1 TO 3
W%=0
WHILE W%>0
  PRINT "never"
  WHILE TRUE:ENDWHILE
ENDWHILE:V%(T%)=T%*T%:PRINT "after ";T%;" ";V%(T%)
NEXT
REM STEP 0 and a missing line are reported where they happen.
ON ERROR PRINT REPORT$;" at line ";ERL:GOTO 100
70 FOR Q=1 TO 2 STEP 0
PRINT "not here"
100 ON ERROR PRINT REPORT$;" at line ";ERL:END
R=1
110 IF R THEN 999
PRINT "not here either"
