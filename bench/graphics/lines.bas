REM 100,000 short lines in changing colours.
MODE 8
FOR i% = 1 TO 100000
  x% = (i% * 37) MOD 1200 : y% = (i% * 91) MOD 960
  GCOL i% AND 15
  LINE x%, y%, x% + 40, y% + 30
NEXT
