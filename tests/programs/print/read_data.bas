10 DATA 2*3, "quoted ""x"" , y" , 1E3
20 DATA    hello , plain:text,
30 @%=0
40 READ A,B$,C
50 PRINT A;"|";B$;"|";C
60 READ D$,E$,F$
70 PRINT "[";D$;"][";E$;"][";F$;"]"
80 RESTORE
90 READ X
100 PRINT X
110 RESTORE 1000
120 READ Y$,Y2$
130 PRINT Y$;"+";Y2$
140 RESTORE +1
150 DATA 99
160 READ Z
170 PRINT Z
180 RESTORE +0
190 REM not data
200 DATA 77, 78
210 READ Z,W
220 PRINT Z;" ";W
230 READ V,U
240 PRINT V;" ";U
300 DATA 5 : this text is skipped
310 DATA 8
320 DATA "no":REM the rest of a line after ":" is skipped
330 DATA yes:also, 4
340 DIM R(2)
350 READ S$,S2$,R(1)
360 PRINT S$;"|";S2$;"|";R(1)
370 RESTORE 1000
380 READ T$,T$,T
390 PRINT T$;" ";T
400 READ T
1000 DATA first,second,-R(1)*2
