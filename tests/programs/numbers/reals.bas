10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 80 ELSE END
20 X=7: PRINT ;?(^X+4);" ";!^X
30 X=7.5: PRINT ~?(^X+4);" ";~!^X
40 X=1/3: PRINT ~?(^X+4);" ";~!^X;" ";1/3*3=1;" ";1/3*3
50 X=PI: PRINT ~?(^X+4);" ";~!^X
60 PRINT ;2^-1;" ";(-2)^3;" ";0^0;" ";2^0.5;" ";4^0.5;" ";(-2)^2;" ";2^31
70 PRINT (-8)^(1/3)
80 X=1E1: PRINT ~?(^X+4);" ";~!^X;" ";X
