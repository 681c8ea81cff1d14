10 A%=1
20 PRINT "line 20"
30 B%=A%/0
40 PRINT "not reached"
