10 REM The handler prints what it caught and moves on to the next case.
20 ON ERROR PRINT ;ERR;" ";ERL;" [";:REPORT:PRINT "]":C%=C%+1:ON C% GOTO 110,120,130,140,150 ELSE GOTO 200
100 X=1/0
110 ERROR 100,"custom one"
120 ERROR 356,"wrapped"
130 ERROR 5,""
140 Y=NOSUCH
150 ERROR 255,"last"+STRING$(3,"!")
200 PRINT "REPORT$=";REPORT$;" ERR=";ERR;" ERL=";ERL
210 REM Turning the handler off restores the default report.
220 ON ERROR OFF
230 PRINT "off"
240 ERROR 42,"untrapped now"
250 PRINT "not reached"
