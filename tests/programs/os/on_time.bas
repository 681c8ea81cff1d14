REM ON TIME: the 250 ms timer interrupts a running loop; the handler
REM runs as a subroutine and RETURN resumes the loop where it was.
T%=TIME
ON TIME N%=N%+1:RETURN
REPEAT
  I%=I%+1
UNTIL N%>0 OR TIME-T%>200
IF N%>0 PRINT "ticked" ELSE PRINT "no tick in two seconds"
PRINT ~@msg%;" ";@wparam%;" ";@lparam%
ON TIME OFF
N%=0:T%=TIME
REPEAT UNTIL TIME-T%>60
PRINT N%
