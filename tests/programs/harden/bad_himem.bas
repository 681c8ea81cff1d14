REM HIMEM overwritten: CLEAR and RUN take the stack from it.
ON ERROR PROChandler
PRINT "start"
!356=0
PRINT 1/0
END
DEF PROChandler
PRINT "handler"
ENDPROC
