REM Calls with one argument inside numeric expressions: a value too big
REM for the formal and a product that leaves the integers, each met twice;
REM then a recursion that runs out of room, which no handler can trap.
FOR pass%=1 TO 2
  PROCtry(1):PROCtry(2)
NEXT
PRINT FNsq(FNsq(3))+FNhalf(7)
ON ERROR PRINT "not reached"
D%=0
PRINT FNdown(1)
END
DEF PROCtry(K%)
ON ERROR LOCAL PRINT "case ";K%;": error ";ERR;" ";REPORT$:ENDPROC
CASE K% OF
  WHEN 1: PRINT FNsq(1E20)+1
  WHEN 2: PRINT FNsq(-46341)+FNsq(46341)
ENDCASE
ENDPROC
DEF FNsq(Q%)=Q%*Q%
DEF FNhalf(H)=H/2
DEF FNdown(N%)
D%=N%
=FNdown(N%+1)+1
