10 REM A local handler set in a procedure is dropped when it returns.
20 ON ERROR PRINT "outer ";ERR: GOTO 60
30 PROCinner
40 PRINT "returned"
50 ERROR 3,"x"
60 PRINT "end"
70 END
100 DEF PROCinner
110 ON ERROR LOCAL PRINT "inner ";ERR: ENDPROC
120 ERROR 4,"y"
