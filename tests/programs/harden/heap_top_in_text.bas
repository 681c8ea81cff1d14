REM A heap top moved onto the program's own text: the next new variable's
REM record is made over the very bytes its name is read from.
ON ERROR PRINT "trapped: ";REPORT$:END
A%=PAGE
REPEAT A%+=1:UNTIL A%?0=&51 AND A%?1=&51 AND A%?2=&5A
PRINT "found"
!352=A%
QQZZYX=5
PRINT "after"
