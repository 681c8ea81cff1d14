10 ON ERROR PRINT REPORT$;" at ";ERL: C%=C%+1: ON C% GOTO 140,150,160,170 ELSE END
20 A%=10: A%+=5: PRINT ;A%;: A%-=3: PRINT " ";A%;: A%*=2: PRINT " ";A%;: A%/=5: PRINT " ";A%
30 X=7: X/=2: PRINT ;X;: X*=4: PRINT " ";X;: X-=0.5: PRINT " ";X
40 B%=12: B% AND=10: PRINT ;B%;: B% OR=3: PRINT " ";B%;: B% EOR=1: PRINT " ";B%;
50 B% DIV=3: PRINT " ";B%;: B% MOD=2: PRINT " ";B%
60 S$="ab": S$+="cd": PRINT S$
70 REM A compound assignment to a new variable starts from 0 or "".
80 N+=4: T$+="x": PRINT ;N;" ";T$
90 LET L=3: LET L$="let": PRINT ;L;" ";L$
100 DIM M% 10: $M%="ab": $M%+="c": PRINT $M%;" ";M%?3
110 @%=&A0A: A%=2147483647: A%-=1: PRINT ;A%
120 Y=1: Y+=2147483647: PRINT ;Y
130 A%+=2
140 S$-="x"
150 S$=5
160 A%="x"
170 A%=<3
