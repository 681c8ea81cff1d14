REM An INSTALLed library: its definitions take precedence over the
REM program's, and its errors name the library.
INSTALL "library_util.txt"
PROCx
PRINT ;FNtwice(21)
PROCfail(0)
END
DEF PROCx: PRINT "PROCx from the program": ENDPROC
