REM String expressions decoded on their first runs must see what changes
REM afterwards: a literal in the program text rewritten by the program, the
REM real format after *FLOAT, @% for STR$, and variables created later.
@%=0
Q%=PAGE:REPEAT Q%+=1:UNTIL ?Q%=34 AND ?(Q%+1)=55 AND ?(Q%+2)=57 AND ?(Q%+3)=34
FOR P%=1 TO 3
  ?(Q%+2)=52+P%
  FOR I%=1 TO 3
    B$=STR$(I%*37+P%)
    PRINT B$;" ";INSTR(B$,"79");" ";STR$(I%/3);" ";LEN(STR$(1/3))
  NEXT
  IF P%=1 THEN *FLOAT 64
  IF P%=2 THEN *FLOAT 40
  @%=&01020300+P%
NEXT
@%=0
FOR I%=1 TO 4
  IF I%>2 THEN N$=STRING$(I%,"n")
  IF I%>2 THEN PRINT N$+"!";LEN(N$+N$)
NEXT
