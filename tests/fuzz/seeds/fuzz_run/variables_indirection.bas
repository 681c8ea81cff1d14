10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 150,160,170 ELSE END
20 !4=7: PRINT ;A%;" ";?0
30 A%=&12345678: PRINT ;~?4;" ";~?7;" ";~A%
40 DIM M% 20
50 ?M%=65: M%?1=66: M%?2=13: PRINT $M%;" ";LEN($M%)
60 $M%="HELLO": PRINT ;M%?5;" ";$(M%+1)
70 !M%=&01020304: PRINT ;M%?0;" ";M%?3;" ";~M%!0
80 |M%=1.5: PRINT ;|M%;" ";M%?4
90 X=M%: X!4=99: X?8=7: PRINT ;M%!4;" ";M%?8
100 B%=M%: B%!0=-2: PRINT ;!M%;" ";!B%
110 REM Indirection into the fixed area: 108 is the first chain head.
120 @%=&90A: PRINT ;?0;" ";?1
130 ?(4*26)=1: PRINT ;Z%
140 PRINT ?1024
150 !65532=1
160 PRINT $1023
170 X=1000: X?24=1
