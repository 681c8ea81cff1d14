REM Reverses a string in place through the CALL parameter block: EBP
REM points at the count, then per parameter its type and address.
DIM code% 200, block% 16
FOR pass% = 0 TO 2 STEP 2
P% = code%
[OPT pass%
        MOV EAX, [EBP+2]        ; the address of the first parameter
        MOVZX ECX, BYTE [EAX+4] ; its length
        MOV ESI, [EAX]          ; its text
        LEA EDI, [ESI+ECX-1]
.swap   CMP ESI, EDI
        JAE done
        MOV AL, [ESI]
        MOV AH, [EDI]
        MOV [EDI], AL
        MOV [ESI], AH
        INC ESI
        DEC EDI
        JMP swap
.done   RET
.copy   MOV ESI, EBP            ; copies the block for the program to read
        MOV EDI, block%
        MOV ECX, 11
        REP MOVSB
        RET
]
NEXT
s$ = "Hello, world"
CALL code%, s$
PRINT s$
s$ = "" : CALL code%, s$ : PRINT "["; s$; "]"
CALL code%, s$ : s$ = "ab" : CALL code%, s$ : PRINT s$
a% = 7 : b$ = "x"
CALL copy, a%, b$
PRINT ?block%, block%?1, block%!2 = ^a%, block%?6, block%!7 = ^b$
