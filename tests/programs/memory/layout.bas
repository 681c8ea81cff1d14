REM Walk the program's lines from PAGE: each ends with CR and the walk
REM stops at the end marker, 3 bytes below TOP.
A%=PAGE: N%=0
REPEAT
  L%=?A%
  IF L% THEN IF A%?(L%-1)<>13 THEN PRINT "no CR at ";A%-PAGE
  A%+=L%: N%+=1
UNTIL L%=0
PRINT ;N%-1;" lines, ";TOP-A%;" ";A%?1;" ";A%?2
PRINT ;LOMEM=TOP;" ";HIMEM>LOMEM;" ";PAGE-(PAGE AND &FFFFFF00)
REM Variables are made in the heap, from LOMEM up.
V=1: PRINT ;^V>=LOMEM;" ";^V<HIMEM
REM The fixed area: @% is &90A at start.
PRINT ;?0;" ";?1;" ";?2;" ";?3
