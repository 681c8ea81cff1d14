10 REM An error inside the handler is trapped by the same handler.
20 ON ERROR C%=C%+1: PRINT "caught ";C%: IF C%<3 THEN X=1/0 ELSE END
30 X=1/0
