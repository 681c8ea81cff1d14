REM A string descriptor or array descriptor overwritten through indirection
REM gives an error, not a read of arbitrary memory
B$="text":DIM C(3)
ON ERROR PRINT REPORT$:GOTO 50
!^B$=&41414141:PRINT B$
50 ON ERROR PRINT REPORT$:END
!^C()=&41414141:PRINT C(1)
