10 ON ERROR PRINT REPORT$;" at ";ERL;" ";A%: C%=C%+1: ON C% GOTO 30,40,50,60,70,80,90,100,110,120,130,150 ELSE END
20 PRINT 3==3
30 PRINT "a"<1
40 PRINT 1<"a"
50 PRINT 1 MOD 0
60 PRINT 1 DIV 0
70 PRINT "a"<<1
80 PRINT "a"+1
90 PRINT (1+2
100 PRINT "unterminated
110 PRINT &
120 PRINT %2
130 PRINT -"x"
140 REM The second comparison is left over: A% is set, then the rest fails.
150 A%=1<2<3
160 PRINT "not reached"
