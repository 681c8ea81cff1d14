10 ON ERROR PRINT "trapped": END
20 PRINT "raising"
30 ERROR 0,"Fatal thing"
