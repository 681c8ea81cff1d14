REM A bare line-number token byte in EVAL text is a syntax error, not a read past the text
ON ERROR PRINT REPORT$: END
PRINT EVAL(CHR$141)
