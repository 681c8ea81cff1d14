REM Machine code reads the screen back: OSBYTE gives the character at the
REM text cursor in bits 8..15, OSWORD 10 the pattern of a character.
CLS : PRINT "XYZ";
VDU 31, 1, 0 : a% = USR(&FFF4) AND &FF00
VDU 31, 5, 0 : b% = USR(&FFF4) AND &FF00
PRINT
PRINT ~a%, ~b%
VDU 23, 200, 1, 2, 4, 8, 16, 32, 64, 128
DIM blk% 9, code% 100
P% = code%
[OPT 0
        MOV AL, 10
        MOV EDX, blk%
        CALL "osword"
        RET
]
?blk% = 200 : CALL code%
FOR i% = 1 TO 8 : PRINT ;blk%?i%; " "; : NEXT : PRINT
?blk% = ASC"A" : CALL code%
FOR i% = 1 TO 8 : PRINT ;blk%?i%; " "; : NEXT : PRINT
