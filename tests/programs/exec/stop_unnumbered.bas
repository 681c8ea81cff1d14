PROCp
PRINT "not reached"
DEF PROCp
PRINT "in p";
STOP
