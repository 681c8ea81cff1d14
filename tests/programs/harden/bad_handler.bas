REM An ON ERROR handler whose text pointer was overwritten cannot run:
REM the error is reported untrapped.
ON ERROR PRINT "handler"
PRINT "start"
!372=&7FFFFFF0
PRINT 1/0
