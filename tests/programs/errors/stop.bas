10 PRINT "before"
20 STOP
30 PRINT "after"
