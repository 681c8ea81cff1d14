REM In 64-bit mode a name without suffix is the # variable.
Y=5
*FLOAT 64
X=1: X#=2: PRINT ;X;" ";X#
X%=3: PRINT ;X;" ";X%
Z#=0.25: PRINT ;Z
ON ERROR PRINT REPORT$: END
REM Y was made as a 5-byte real: not found in 64-bit mode.
PRINT Y
