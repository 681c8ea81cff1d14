10 ::::::
20 PRINT "one";:::PRINT "two"::
30 :PRINT "three":
