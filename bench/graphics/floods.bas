REM 1,000 flood fills of a 100x100 pixel region inside a white border,
REM alternately red on black and black on red.
MODE 8
GCOL 15 : RECTANGLE 398, 398, 202, 202
FOR i% = 1 TO 1000
  IF i% AND 1 THEN GCOL 128 : GCOL 1 ELSE GCOL 129 : GCOL 0
  PLOT 133, 500, 500
NEXT
