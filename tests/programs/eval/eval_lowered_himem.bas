REM With HIMEM lowered inside a procedure the stack stays above it; EVAL
REM text placed there at the same address must be read afresh each time.
X=11: Y=22
PROCp
END
DEF PROCp
LOCAL Z
HIMEM=HIMEM-1000
PRINT ;EVAL("X");" ";EVAL("Y");" ";EVAL("1.5");" ";EVAL("2.5")
ENDPROC
