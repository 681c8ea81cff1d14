REM MODE 7 stores '#', '_' and '`' rotated; reading the character at the
REM cursor back (OSBYTE 135) gives the printed characters again.
MODE 7
PRINT "#_`A"
R$ = ""
FOR I% = 0 TO 4
  VDU 31, I%, 0
  R$ += STR$((USR(&FFF4) AND &FF00) DIV 256) + " "
NEXT
PRINT TAB(0, 2); R$
