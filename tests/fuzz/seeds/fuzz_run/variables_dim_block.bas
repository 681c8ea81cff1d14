10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 110,120,130,140,150 ELSE END
20 DIM P% -1
30 REM A size of -1 reserves nothing; each block is zeroed.
40 !P%=-1: P%?4=-1
50 DIM Q% -1: DIM R% 4: DIM T% 0
60 PRINT ;P%=LOMEM;" ";Q%-P%;" ";R%-P%;" ";T%-R%;" ";!R%;" ";R%?4
70 DIM S 2: S?2=1: DIM U% 0: PRINT ;U%-S
100 DIM X$ 10
110 DIM ?P% 4
120 DIM V%
130 DIM 5
140 DIM @foo(3)
150 DIM AR(-1)
