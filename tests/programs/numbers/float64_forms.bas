REM The stored forms of numbers: integers stay integers, 64-bit mode makes
REM doubles, and a # variable keeps a 5-byte real as it is.
X=(-2)^3: PRINT ;?(^X+4);" ";X
X=2^-1: PRINT ~?(^X+4);" ";X
*FLOAT 64
Y=1/3: PRINT ~!(^Y+4);" ";~!^Y
Y=7: PRINT ~!(^Y+4);" ";~!^Y
Y=PI: PRINT ~!(^Y+4);" ";~!^Y
Z=0.1+0.2: PRINT Z=0.3;" ";Z
*FLOAT 40
Y#=1/3: PRINT ~!(^Y#+4);" ";~!^Y#
