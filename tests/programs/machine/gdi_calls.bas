REM Drawing functions on @memhdc% draw into the screen: pixels set and read
REM back (COLORREF is &BBGGRR), a rectangle with a pen and a brush, a line,
REM a polygon, PatBlt inverting, BitBlt copying, stock and created objects.
MODE 8
PRINT @memhdc% <> 0
SYS "SetPixel", @memhdc%, 10, 10, &0000FF TO r%
SYS "GetPixel", @memhdc%, 10, 10 TO g%
PRINT ~r%, ~g%, ~TINT(20, 1002)
SYS "GetPixel", @memhdc%, -1, 5 TO g% : PRINT ~g%
SYS "GetPixel", 12345, 1, 1 TO g% : PRINT ~g%
SYS "CreatePen", 0, 1, &00FF00 TO pen%
SYS "CreateSolidBrush", &FF0000 TO brush%
SYS "SelectObject", @memhdc%, pen% TO oldpen%
SYS "SelectObject", @memhdc%, brush% TO oldbrush%
SYS "GetStockObject", 7 TO black%
PRINT oldpen% = black%
SYS "Rectangle", @memhdc%, 100, 100, 110, 106
PRINT FNrow(99, 103, 12)
PRINT FNrow(99, 100, 12)
PRINT FNrow(99, 105, 12)
PRINT FNrow(99, 106, 12)
SYS "MoveToEx", @memhdc%, 200, 50, 0
SYS "LineTo", @memhdc%, 205, 50
DIM pt% 8 : SYS "MoveToEx", @memhdc%, 0, 0, pt%
PRINT FNrow(199, 50, 8), !pt%, pt%!4
SYS "GetStockObject", 8 TO nullpen%
SYS "SelectObject", @memhdc%, nullpen%
DIM poly% 24 : !poly% = 300 : poly%!4 = 20 : poly%!8 = 308 : poly%!12 = 20 : poly%!16 = 300 : poly%!20 = 28
SYS "Polygon", @memhdc%, poly%, 3
PRINT FNrow(299, 21, 10)
PRINT FNrow(299, 26, 10)
SYS "PatBlt", @memhdc%, 100, 103, 4, 1, &550009
PRINT FNrow(99, 103, 12)
SYS "BitBlt", @memhdc%, 400, 100, 12, 8, @memhdc%, 99, 99, &CC0020
PRINT FNrow(399, 103, 14)
SYS "DeleteObject", pen% TO d1% : SYS "DeleteObject", pen% TO d2%
PRINT d1%, d2%
END
REM Each pixel of a row as a letter: . black, R red, G green, B blue, W white, ? other
DEF FNrow(x%, y%, n%) : LOCAL s$, c%, i%
FOR i% = 0 TO n% - 1
  SYS "GetPixel", @memhdc%, x% + i%, y% TO c%
  s$ += MID$(".RGBW?", 1 + -(c% = 0) * 0 + (c% = &FF) * -1 + (c% = &FF00) * -2 + (c% = &FF0000) * -3 + (c% = &FFFFFF) * -4 + (INSTR(" 0 255 65280 16711680 16777215 ", " " + STR$c% + " ") = 0) * -5, 1)
NEXT
= s$
