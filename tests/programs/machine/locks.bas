REM csenter and csleave take and release the drawing lock; code that
REM returns holding it has it released, so the next run can take it again.
DIM code% 40
P% = code%
[OPT 0
        CALL "csenter"
        CALL "csenter"
        CALL "csleave"
        CALL "csenter"
        MOV EAX, 5
        RET
]
PRINT USR(code%)
PRINT USR(code%)
SYS "csenter" : SYS "csleave" : SYS "csleave"
PRINT "ok"
