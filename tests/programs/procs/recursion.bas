REM Recursive functions: each call has its own parameters.
PRINT "10! = ";FNfact(10)
PRINT "A(2,3) = ";FNack(2, 3)
PRINT "A(3,3) = ";FNack(3, 3)
PRINT "fib(15) = ";FNfib(15)
PROCcount(3)
PRINT FNrev("stressed")
REM A function used inside an expression keeps the pending operands.
PRINT 1 + FNfact(3) * 2 + FNfact(2)
PRINT "<" + FNrev("ab") + "|" + FNrev("cd") + ">"
END
DEF FNfact(n) IF n<=1 THEN =1 ELSE =n*FNfact(n-1)
DEF FNack(m, n)
IF m=0 THEN =n+1
IF n=0 THEN =FNack(m-1, 1)
=FNack(m-1, FNack(m, n-1))
DEF FNfib(n%) IF n%<2 THEN =n% ELSE =FNfib(n%-1)+FNfib(n%-2)
DEF PROCcount(n)
IF n=0 THEN PRINT "lift-off": ENDPROC
PRINT ;n;"..";
PROCcount(n-1)
PRINT "(back in ";n;")"
ENDPROC
DEF FNrev(s$) IF LEN(s$)<=1 THEN =s$ ELSE =FNrev(MID$(s$,2))+LEFT$(s$,1)
