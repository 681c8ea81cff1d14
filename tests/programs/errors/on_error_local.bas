10 ON ERROR PRINT "global: ";REPORT$;" at ";ERL: END
20 PROCtry
30 PRINT "back"
40 Z=1/0
1000 DEF PROCtry
1010 FOR I%=1 TO 3
1020 ON ERROR LOCAL PRINT "local ";I%;": ";REPORT$: NEXT I%: PRINT "loop done": ENDPROC
1030 REM A REPEAT pushed after the local handler is discarded by the error;
1040 REM the FOR loop and the procedure pushed before it are kept.
1050 IF I%=2 THEN REPEAT: ERROR 7,"deep" ELSE ERROR 6,"plain"
