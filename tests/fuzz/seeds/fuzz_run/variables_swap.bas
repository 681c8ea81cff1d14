10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 80,90 ELSE END
20 A=1.5: B=2: SWAP A,B: PRINT ;A;" ";B
30 A$="x": B$="yy": SWAP A$,B$: PRINT A$;" ";B$
40 A%=1: B%=2: SWAP A%,B%: PRINT ;A%;" ";B%
50 DIM M% 10, N% 10: $M%="left": $N%="right": SWAP $M%,$N%: PRINT $M%;" ";$N%
60 ?M%=1: ?N%=2: SWAP ?M%,?N%: PRINT ;?M%;" ";?N%
70 SWAP A,A$
80 SWAP A,NOPE
90 SWAP A,A%
