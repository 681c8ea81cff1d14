REM HIMEM and the stack level of ON ERROR LOCAL overwritten: a handler
REM cannot take the stack from them, so errors go untrapped.
PROCa
END
DEF PROCa
ON ERROR LOCAL PROChandler: ENDPROC
!368=&100
PRINT "start"
ERROR 1, "first"
ENDPROC
DEF PROChandler
PRINT "handler"
ENDPROC
