REM OSCLI: abbreviations, comments, and the errors of *KEY and *FLOAT
PROCtry("HE.")
PROCtry("h.")
PROCtry("| a comment")
PROCtry("KEY 25 x")
PROCtry("KEY 0 ignored")
PROCtry("KEY 2 ""open")
PROCtry("FLOAT 32")
PROCtry("FLOAT 40")
PROCtry("TV 255")
PROCtry("FOO")
PROCtry("*X")
PROCtry("OUTPUT 0")
*HE.
*| comment: ignored
END
DEF PROCtry(c$)
ON ERROR LOCAL PRINT c$;": ";ERR;" ";REPORT$:ENDPROC
OSCLI c$
PRINT c$;": ok"
ENDPROC
