REM TIME counts on from what it is set to; TIME$ has its fixed form
TIME=100000
T%=TIME
PRINT T%>=100000 AND T%<106000
TIME=-5
PRINT TIME<6000
T$=TIME$
PRINT LEN T$, MID$(T$,4,1)+MID$(T$,7,1)+MID$(T$,11,1)+MID$(T$,16,1)+MID$(T$,19,1)+MID$(T$,22,1)
PRINT INSTR("SunMonTueWedThuFriSat", LEFT$(T$,3)) MOD 3 = 1
PRINT INSTR("JanFebMarAprMayJunJulAugSepOctNovDec", MID$(T$,8,3)) MOD 3 = 1
ON ERROR PRINT REPORT$: END
TIME$
