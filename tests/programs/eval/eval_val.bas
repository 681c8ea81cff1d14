10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 100,110 ELSE END
20 PRINT ;EVAL("2+3");" ";EVAL("""ab""+""c""");" ";EVAL("2^10")
30 X=6: A$="X*7": PRINT ;EVAL(A$);" ";EVAL("LEN(A$)");" ";EVAL("PI")=PI
40 PRINT EVAL("STRING$(3,""z"")")+"!";" ";EVAL("1 2")
50 REM Nested EVAL, and EVAL inside a function called from EVAL.
60 PRINT ;EVAL("EVAL(""4*4"")");" ";EVAL("FNsq(3)")
70 PRINT ;VAL("  -12abc");" ";VAL("&FF");" ";VAL("1E3");" ";VAL("+7.5");" ";VAL("");" ";VAL("- 3")
80 PRINT ;VAL(".5");" ";VAL("1e3");" ";VAL("2147483648")
90 PRINT EVAL("1/0")
100 PRINT EVAL("NOSUCH")
110 PRINT EVAL("3 ==3")
120 END
130 DEF FNsq(N)=N*N
