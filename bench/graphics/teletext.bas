REM A teletext page of 24 rows of coloured text and mosaics drawn 1,000
REM times; each pass changes every cell (the two pages alternate).
MODE 7
DIM row$(1, 23)
FOR p% = 0 TO 1
  FOR r% = 0 TO 23
    l$ = CHR$(129 + (r% + p%) MOD 7)
    IF r% MOD 3 = 0 THEN l$ = CHR$(145 + (r% + p%) MOD 7)
    FOR c% = 2 TO 40 : l$ += CHR$(33 + (r% * 7 + c% + p% * 13) MOD 94) : NEXT
    row$(p%, r%) = l$
  NEXT
NEXT
FOR i% = 1 TO 1000
  VDU 30
  p% = i% AND 1
  FOR r% = 0 TO 23 : PRINT row$(p%, r%); : NEXT
NEXT
