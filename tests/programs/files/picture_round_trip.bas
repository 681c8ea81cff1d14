REM A whole screen saved with *SCREENSAVE, cleared, drawn again with
REM *DISPLAY and saved once more gives the same file byte for byte.
MODE 8
FOR I% = 0 TO 15 : COLOUR I% : COLOUR 128 + (15 - I%) : PRINT STRING$(40, CHR$(65 + I%)); : NEXT
*SCREENSAVE FIRST
CLS
*DISPLAY FIRST
*SCREENSAVE SECOND
A% = OPENIN "FIRST.BMP" : B% = OPENIN "SECOND.BMP"
PRINT EXT#A%, EXT#B%
D% = 0 : N% = 0
WHILE NOT EOF#A%
  IF BGET#A% <> BGET#B% D% += 1
  N% += 1
ENDWHILE
CLOSE #A% : CLOSE #B%
PRINT N%; " bytes, "; D%; " differ"
