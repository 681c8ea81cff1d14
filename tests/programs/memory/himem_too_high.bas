10 REM Memory above the reservation cannot be committed: fatal "No room".
20 ON ERROR PRINT "trapped": END
30 HIMEM=&7FFFFFF0
