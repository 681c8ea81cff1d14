REM TextOut on @memhdc% draws the screen font's glyphs as PRINT does: the
REM text colour on the background colour (OPAQUE), or only the set dots
REM (TRANSPARENT); clipped at the bitmap's edges. GetTextExtentPoint32
REM measures the text.
MODE 8
COLOUR 1 : COLOUR 135 : CLS
PRINT "Hg";
SYS "SetTextColor", @memhdc%, &0000C8
SYS "SetBkColor", @memhdc%, &C8C8C8
SYS "TextOut", @memhdc%, 40, 64, "Hg", 2 TO r%
PRINT r%
same% = TRUE
FOR y% = 0 TO 15 : FOR x% = 0 TO 15
  SYS "GetPixel", @memhdc%, x%, y% TO a%
  SYS "GetPixel", @memhdc%, 40 + x%, 64 + y% TO b%
  IF a% <> b% THEN same% = FALSE
NEXT : NEXT
PRINT "opaque matches PRINT: "; same%
REM Transparent text over green keeps the green between the dots.
GCOL 2 : RECTANGLE FILL 0, 0, 400, 200
SYS "SetBkMode", @memhdc%, 1
SYS "TextOut", @memhdc%, 0, 420, "H", 1
red% = 0 : green% = 0
FOR y% = 420 TO 435 : FOR x% = 0 TO 7
  SYS "GetPixel", @memhdc%, x%, y% TO c%
  IF c% = &C8 THEN red% += 1
  IF c% = &C800 THEN green% += 1
NEXT : NEXT
PRINT "transparent: "; red% + green% = 128; " "; red% > 10; " "; green% > 60
REM Off the bitmap's edges, nothing breaks.
SYS "TextOut", @memhdc%, -4, -8, "Edge", 4 TO r% : PRINT r%
SYS "TextOut", @memhdc%, 1596, 1190, "Edge", 4 TO r% : PRINT r%
SYS "TextOut", 12345, 0, 0, "x", 1 TO r% : PRINT r%
DIM size% 8
SYS "GetTextExtentPoint32", @memhdc%, "Hello", 5, size% TO r%
PRINT r%, !size%, size%!4
ON ERROR PRINT REPORT$ : END
SYS "TextOut", @memhdc%, 0, 0, &7FFFFFF0, 8
