10 PRINT "chaining"
20 CHAIN "damaged"
