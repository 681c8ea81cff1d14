REM An error in a line without a number reports no position.
PRINT "start"
X=1 MOD 0
