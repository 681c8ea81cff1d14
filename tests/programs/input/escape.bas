10 INPUT "Value " V
20 PRINT V
30 INPUT "More " W
40 PRINT "never"
