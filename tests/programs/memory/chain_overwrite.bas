REM Overwriting the variable chain heads through indirection must not crash:
REM a damaged link ends the chain walk
A=5:DIM C(3)
ON ERROR PRINT REPORT$:END
FOR I%=108 TO 323:?I%=65:NEXT
X=1:PRINT X
PRINT A
