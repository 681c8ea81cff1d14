REM The program changes a digit of its own text: what runs afterwards
REM must use the new text, not a remembered decoding of the old one.
FOR I%=1 TO 3
PRINT 7+0
Q%=PAGE:REPEAT Q%+=1:UNTIL ?Q%=&F1 AND ?(Q%+1)=32 AND ?(Q%+2)>=48 AND ?(Q%+2)<=57
?(Q%+2)=55+I%
NEXT
