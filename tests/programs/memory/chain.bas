10 REM Static integer variables survive CHAIN; other variables do not.
20 A%=42: B=7
30 ON ERROR PRINT REPORT$;" ";ERR: GOTO 50
40 CHAIN "nosuchfile"
50 CHAIN "chained"
