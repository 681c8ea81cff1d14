REM *SCREENSAVE writes part of the screen as a 24-bit BMP file and
REM *DISPLAY draws one at a point given in graphics units, stretched when
REM a size is given; a picture stretched far past the screen draws only
REM the part that shows.
COLOUR 129 : CLS
*SCREENSAVE A 0 0 16 8
F% = OPENIN "A.BMP" : PRINT EXT#F%
PTR#F% = 54 : PRINT BGET#F%, BGET#F%, BGET#F% : CLOSE #F%
COLOUR 128 : CLS
*DISPLAY A 100 100
*SCREENSAVE B 96 96 24 24
PROCrows("B.BMP", 12)
CLS
*DISPLAY A 100 100 8 8
*SCREENSAVE B 96 96 24 24
PROCrows("B.BMP", 12)
*DISPLAY A 0 0 100000000 100000000
*SCREENSAVE C 1270 1000 10 10
F% = OPENIN "C.BMP" : PTR#F% = 54 : PRINT BGET#F%, BGET#F%, BGET#F% : CLOSE #F%
ON ERROR PRINT REPORT$ : END
*DISPLAY NOSUCH
END
DEF PROCrows(f$, n%)
LOCAL F%, X%, Y%
F% = OPENIN f$
FOR Y% = n% - 1 TO 0 STEP -1
  PTR#F% = 54 + Y% * n% * 3
  FOR X% = 1 TO n% : PRINT ;-(BGET#F% + BGET#F% + BGET#F% > 0); : NEXT : PRINT
NEXT
CLOSE #F%
ENDPROC
