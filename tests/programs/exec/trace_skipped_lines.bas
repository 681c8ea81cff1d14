5 REM Lines stepped over while looking for ENDWHILE are traced too.
10 TRACE ON
20 WHILE FALSE
30 PRINT "x"
40 ENDWHILE
50 TRACE OFF
60 PRINT
