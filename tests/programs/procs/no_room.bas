REM Recursion without an end runs out of BASIC stack: "No room" cannot
REM be trapped, so the handler is not entered.
10 ON ERROR PRINT "trapped": END
20 PRINT FNdeep(1)
30 DEF FNdeep(n) LOCAL a$: a$="padding": =FNdeep(n+1)
