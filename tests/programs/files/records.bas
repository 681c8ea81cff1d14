REM PRINT# records byte for byte, and INPUT# reading them back
F%=OPENOUT "REC"
PRINT#F%, 1, 1.0, "AB", -2, 0.5, 3.5
CLOSE#F%
PROCdump("REC")
*FLOAT 64
F%=OPENOUT "REC8"
PRINT#F%, 1, 1.0, "AB", 0.1
CLOSE#F%
PROCdump("REC8")
F%=OPENIN "REC8"
INPUT#F%, A%, B, C$, D
CLOSE#F%
PRINT A%, B, C$, D=0.1
*FLOAT 40
F%=OPENIN "REC"
INPUT#F%, A%, B, C$, D%
READ#F%, E, G
CLOSE#F%
PRINT A%, B, C$, D%, E, G
REM A string record needs its CR within 256 bytes
F%=OPENOUT "LONG"
FOR I%=1 TO 300: BPUT#F%, 65: NEXT
BPUT#F%, "";
BPUT#F%, 13
BPUT#F%, "tail";
BPUT#F%, 13
PTR#F%=0
INPUT#F%, S$
PRINT LEN S$, PTR#F%
PTR#F%=300
INPUT#F%, S$, T$
PRINT LEN S$, T$
CLOSE#F%
REM GET$# ends a line at LF, CR or NUL
F%=OPENOUT "LINES"
BPUT#F%, "one"
PRINT#F%, "two"
BPUT#F%, 0
CLOSE#F%
F%=OPENIN "LINES"
A$=GET$#F%: B$=GET$#F%: C$=GET$#F%: D$=GET$#F%
PRINT A$; "|"; B$; "|"; C$; "|"; D$; "|"; EOF#F%
CLOSE#F%
END
DEF PROCdump(N$)
LOCAL F%, B%
F%=OPENIN N$
WHILE NOT EOF#F%
  B%=BGET#F%
  PRINT RIGHT$("0"+STR$~B%, 2); " ";
ENDWHILE
PRINT
CLOSE#F%
ENDPROC
