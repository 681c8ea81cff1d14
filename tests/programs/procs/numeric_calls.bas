REM Function calls inside numeric expressions, in a program whose
REM functions all return numbers. The checks run three times: from the
REM second time on every call site has been met before.
PROCmain
END
DEF PROCmain
G%=5
FOR pass%=1 TO 3
  PRINT "pass ";pass%
  PROCchecks
NEXT
ON ERROR PRINT "error ";ERR;" at line ";ERL:END
PRINT FNdiv(0)+1
ENDPROC
DEF PROCchecks
PRINT FNfib(15)
PRINT FNadd(FNadd(1,2),FNadd(3,4))*2
REM The formal is saved before the arguments run: FNbump changes the
REM global N% that is also FNtwice's formal.
N%=100
PRINT FNtwice(FNbump(7))
PRINT N%
PRINT FNnone+FNnone
PRINT FNr(2.5)*2
X=FNscale(3)+FNscale(4)
PRINT X
T%=0
FOR I%=1 TO 3:T%=T%+FNsq(I%):NEXT
PRINT T%
IF FNsq(3)=9 THEN PRINT "nine"
PRINT FNdeep(40)
REM A call that stores into program text (from the second pass on):
REM remembered decodings are dropped while an expression waits for it.
P%=pass%*3
PRINT FNpoke(1)+FNpoke(P%)+10
PRINT FNlocal(3)
ENDPROC
DEF FNfib(N%)
IF N%<2 THEN =N%
=FNfib(N%-1)+FNfib(N%-2)
DEF FNadd(A%,B%)=A%+B%
DEF FNtwice(N%)=N%*2
DEF FNbump(V%)
N%=N%+1
=V%
DEF FNnone=G%*3
DEF FNr(R)=R*R
DEF FNscale(S)=S*1.5
DEF FNsq(Q%)=Q%*Q%
DEF FNdeep(D%)
IF D%=0 THEN =0
=1+FNdeep(D%-1)
DEF FNpoke(K%)
IF K%>5 THEN ?(PAGE+6)=117
=K%*100
DEF FNdiv(Z%)=10 DIV Z%
DEF FNlocal(L%)
LOCAL E%
ON ERROR LOCAL =-1
=L% DIV E%
