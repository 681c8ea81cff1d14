REM Graphics demo: the PLOT families in one picture. A sunset sky of
REM filled triangles, a sun of filled circles, hills of ellipses, a fan of
REM lines, arcs and sectors, a dotted frame and a flood-filled house.
MODE 8 : REM 640x512 pixels, 16 colours; graphics units are 1280x1024
OFF

REM Sky: horizontal bands, each a pair of filled triangles (PLOT 85).
FOR band% = 0 TO 11
  GCOL 0, 4 + 8 * (band% MOD 2)
  y% = 1024 - band% * 50
  MOVE 0, y% : MOVE 1279, y%
  PLOT 85, 0, y% - 50 : PLOT 85, 1279, y% - 50
NEXT

REM The sun: rings of filled circles, largest first.
FOR r% = 160 TO 40 STEP -40
  GCOL 0, 1 + 2 * (r% DIV 40 MOD 2) + 8 * (r% DIV 80 MOD 2)
  CIRCLE FILL 1000, 800, r%
NEXT
GCOL 0, 15 : CIRCLE 1000, 800, 200

REM Rays of the sun: a fan of lines drawn with EOR so they show on anything.
GCOL 3, 11
FOR a = 0 TO PI STEP PI / 24
  LINE 1000, 800, 1000 + 420 * COS(a), 800 + 420 * SIN(a)
NEXT

REM Hills (drawn after the sky, so they hide its lowest bands): filled ellipses in two greens, outlined.
GCOL 0, 2 : ELLIPSE FILL 300, 300, 420, 180
GCOL 0, 10 : ELLIPSE FILL 900, 240, 520, 160
GCOL 0, 0 : ELLIPSE 300, 300, 420, 180

REM A house: a rectangle, a triangle roof, a door, then the walls flood
REM filled in the background colour up to the white outline (PLOT 143).
GCOL 0, 7 : RECTANGLE 500, 120, 240, 180
GCOL 0, 128 + 3 : PLOT 4, 520, 140 : PLOT 143, 520, 140
MOVE 480, 300 : MOVE 760, 300 : GCOL 0, 9 : PLOT 85, 620, 420
GCOL 0, 5 : RECTANGLE FILL 590, 120, 60, 110

REM A parallelogram flag on a pole (PLOT 117).
GCOL 0, 15 : MOVE 400, 420 : DRAW 400, 560
GCOL 0, 13 : MOVE 400, 560 : MOVE 400, 500 : PLOT 117, 480, 520

REM Arcs, chords and sectors: centre, start point, end point.
FOR i% = 0 TO 2
  cx% = 180 + i% * 200 : cy% = 860
  GCOL 0, 9 + i%
  MOVE cx%, cy% : MOVE cx% + 80, cy% - 20
  PLOT 165 + 8 * i%, cx% - 40, cy% + 70
NEXT

REM A dotted frame round the picture, and a dashed one inside it.
GCOL 0, 15
MOVE 4, 4 : PLOT 21, 1275, 4 : PLOT 21, 1275, 1019 : PLOT 21, 4, 1019 : PLOT 21, 4, 4
GCOL 0, 14
MOVE 16, 16 : PLOT 53, 1263, 16 : PLOT 53, 1263, 1007 : PLOT 53, 16, 1007 : PLOT 53, 16, 16

REM Small points in a grid (PLOT 69) over the lower hill.
GCOL 0, 11
FOR x% = 700 TO 1200 STEP 40
  FOR y% = 120 TO 200 STEP 40
    PLOT 69, x%, y%
  NEXT
NEXT
VDU 30
COLOUR 15 : PRINT "KOV BASIC graphics"
END
