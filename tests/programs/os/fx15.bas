REM *FX 15 flushes the keys typed ahead; ADVAL(-1) is the free space
@%=0
PRINT ADVAL(-1)
*FX 15
PRINT ADVAL(-1)
ON ERROR PRINT REPORT$:END
K%=GET
PRINT "never"
