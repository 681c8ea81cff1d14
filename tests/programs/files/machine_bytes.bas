REM Machine code writes and reads a file byte by byte through the
REM osbput and osbget entry points, the channel in EBX.
DIM code% 100
ch% = OPENOUT("BYTES")
P% = code%
[OPT 0
        MOV EBX, [^ch%]
        MOV AL, 65
        CALL "osbput"
        MOV EBX, [^ch%]
        MOV AL, 200
        CALL "osbput"
        RET
]
CALL code%
CLOSE #ch%
ch% = OPENIN("BYTES")
P% = code%
[OPT 0
        MOV EBX, [^ch%]
        CALL "osbget"
        MOVZX EAX, AL
        RET
]
PRINT EXT#ch%, USR(code%), USR(code%), EOF#ch%
CLOSE #ch%
ON ERROR PRINT REPORT$ : END
A% = 0 : CALL code%
