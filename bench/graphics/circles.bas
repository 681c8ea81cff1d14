REM 20,000 filled circles of radius 10 pixels.
MODE 8
FOR i% = 1 TO 20000
  GCOL i% AND 15
  CIRCLE FILL (i% * 37) MOD 1280, (i% * 91) MOD 1024, 20
NEXT
