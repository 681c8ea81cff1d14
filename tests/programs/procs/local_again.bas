REM LOCAL lists met again and again: values saved, cleared and restored
REM the same way every time, in recursion too.
a%=1:b=2.5:c#=3.25:D%=4:s$="keep"
FOR I%=1 TO 3
  PROCnest(I%)
  PRINT a%;" ";b;" ";c#;" ";D%;" ";s$
NEXT
PRINT FNdepth(5)
END
DEF PROCnest(n%)
LOCAL a%,b,c#,D%
LOCAL s$
PRINT "in ";n%;": ";a%;" ";b;" ";c#;" ";D%;" [";s$;"]"
a%=n%*10:b=n%/4:c#=n%+0.5:D%=-n%:s$="x"
IF n%>1 THEN PROCnest(n%-1)
PRINT "out ";n%;": ";a%;" ";b;" ";c#;" ";D%;" ";s$
ENDPROC
DEF FNdepth(k%)
LOCAL t%
t%=k%
IF k%=0 THEN =0
=t%+FNdepth(k%-1)+t%-k%
