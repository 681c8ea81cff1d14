REM Code rewritten after it has run is seen by the next run: by the
REM assembler, and by a byte poked into the instruction.
DIM code% 20
P% = code% : [OPT 0 : MOV EAX, 1 : RET : ]
PRINT USR(code%)
P% = code% : [OPT 0 : MOV EAX, 2 : RET : ]
PRINT USR(code%)
code%?1 = 3
PRINT USR(code%)
REM The flags come from F%, and USR leaves the registers of A% to D%.
P% = code% : [OPT 0 : PUSHFD : POP EAX : AND EAX, 1 : RET : ]
F% = 1 : PRINT USR(code%)
F% = 0 : PRINT USR(code%)
P% = code% : [OPT 0 : MOV EAX, EBX : ADD EAX, ECX : ADD EAX, EDX : RET : ]
B% = 100 : C% = 20 : D% = 3 : PRINT USR(code%)
