REM IF and assignments whose expressions are worked out the general way
REM (string functions, strings), met several times each.
A$="":T%=0:R=0:S$=""
FOR I%=1 TO 12
  A$=A$+CHR$(64+I%)
  B$=STR$(I%*7)
  T%=T%+LEN(B$)
  R=R+LEN(B$)/4
  IF INSTR(B$,"7") THEN S$=S$+"y" ELSE S$=S$+"n"
  IF LEN(A$)>10 THEN PRINT "long ";A$
  IF MID$(A$,2,1)="B" THEN IF I%=3 THEN PRINT "nested"
NEXT
PRINT T%;" ";R;" ";S$
REM THEN with a line number, taken and not taken.
FOR I%=1 TO 3
  IF LEN(STR$(I%*50))=3 THEN 90
  PRINT "short ";I%
  GOTO 95
  90 PRINT "three digits ";I%
  95 NEXT
REM A string condition is a type mismatch, every time it is met.
FOR I%=1 TO 2:PROCstrcond:NEXT
REM A function in the expression that changes the program's text: the
REM statement still ends as it began.
P%=PAGE
FOR I%=1 TO 3
  C$=FNtouch(I%)+"!"
  IF FNtouch(I%)="x" THEN PRINT "never" ELSE PRINT "touched ";I%;" ";C$
  N=LEN(FNtouch(I%))*2
  PRINT N
NEXT
END
DEF PROCstrcond
ON ERROR LOCAL PRINT "error ";ERR;" ";REPORT$:ENDPROC
IF A$ THEN PRINT "no"
ENDPROC
REM Rewrites a byte of the first line's REM text with itself.
DEF FNtouch(K%):?(P%+5)=?(P%+5):=STRING$(K%,"a")
