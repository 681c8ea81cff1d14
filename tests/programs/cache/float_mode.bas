REM *FLOAT changes which variable a name means and the form of literals:
REM names and literals decoded before must be decoded again.
FOR I%=1 TO 2
X=0.1
PRINT I%;" ";~!^X;" ";?(^X+4)
*FLOAT 64
NEXT
*FLOAT 40
PRINT X
