REM 20,000 filled triangles about 20 pixels across.
MODE 8
FOR i% = 1 TO 20000
  x% = (i% * 37) MOD 1200 : y% = (i% * 91) MOD 960
  GCOL i% AND 15
  MOVE x%, y% : MOVE x% + 40, y% + 10 : PLOT 85, x% + 10, y% + 40
NEXT
