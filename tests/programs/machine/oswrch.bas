REM Machine code prints through the named entry points and the fixed
REM addresses; CALL &FFEE writes A% itself.
DIM code% 100
FOR pass% = 0 TO 2 STEP 2
P% = code%
[OPT pass%
        MOV ESI, text
.next   LODSB
        CMP AL, 0
        JE done
        CALL "oswrch"
        JMP next
.done   CALL "osnewl"
        MOV AL, ASC"!"
        CALL "osasci"
        MOV AL, 13
        CALL "osasci"
        RET
.text   DB "Printed by machine code" : DB 0
]
NEXT
CALL code%
A% = ASC"A" : CALL &FFEE : A% = ASC"B" : CALL &FFEE : CALL &FFE7
A% = ASC"C" : CALL &FFE3 : A% = 13 : CALL &FFE3
ON ERROR PRINT REPORT$; " "; ERR : END
CALL &FFDF
