10 REM A star command takes the rest of the line, colons included.
20 *| a comment: PRINT "not printed"
30 PRINT "after comment"
40 ON ERROR PRINT ERR;" ";REPORT$: IF ERL=50 THEN GOTO 60 ELSE END
50 *FLOAT 32
60 OSCLI "FLOAT 40": PRINT "float 40"
70 *NOSUCHCOMMAND
