REM A teletext page in MODE 7: a mosaic logo on a blue band, a
REM double-height headline, an index, a flashing item, a bar chart in
REM separated mosaics, a rainbow made with hold mosaics, a concealed
REM answer and the coloured keys along the bottom.
MODE 7
OFF
REM Control characters: colours for text and for mosaics, and effects.
red$ = CHR$129 : green$ = CHR$130 : yellow$ = CHR$131 : blue$ = CHR$132
magenta$ = CHR$133 : cyan$ = CHR$134 : white$ = CHR$135
flash$ = CHR$136 : steady$ = CHR$137 : double$ = CHR$141
gred$ = CHR$145 : ggreen$ = CHR$146 : gyellow$ = CHR$147 : gblue$ = CHR$148
gmagenta$ = CHR$149 : gcyan$ = CHR$150 : gwhite$ = CHR$151
conceal$ = CHR$152 : separated$ = CHR$154 : newbg$ = CHR$157 : hold$ = CHR$158

PRINT TAB(0,0);white$;"P100 ";yellow$;"KOV TEXT";white$;"100  Tue 08 Dec";yellow$;"21:15";

REM The logo: three rows of mosaic cells, each cell two by three
REM "pixels" of the picture in DATA ("#" = set).
DIM art$(8)
FOR y% = 0 TO 8 : READ art$(y%) : NEXT
FOR row% = 0 TO 2
  line$ = blue$ + newbg$ + gyellow$
  FOR cell% = 0 TO 35
    bits% = 0
    FOR k% = 0 TO 5
      IF MID$(art$(row% * 3 + k% DIV 2), cell% * 2 + 1 + k% MOD 2, 1) = "#" THEN bits% = bits% + 2 ^ k%
    NEXT
    IF bits% >= 32 THEN bits% += 32
    line$ += CHR$(160 + bits%)
  NEXT
  PRINT TAB(0,1 + row%);line$;
NEXT
DATA "  ##  ##   ####   ##  ##      #####    ####    ####   ######   ####"
DATA "  ## ##   ##  ##  ##  ##      ##  ##  ##  ##  ##  ##    ##    ##  ##"
DATA "  ####    ##  ##  ##  ##      ##  ##  ##  ##  ##        ##    ##"
DATA "  ###     ##  ##  ##  ##      #####   ##  ##   ##       ##    ##"
DATA "  ####    ##  ##  ##  ##      ##  ##  ######    ##      ##    ##"
DATA "  ## ##   ##  ##  ##  ##      ##  ##  ##  ##     ##     ##    ##"
DATA "  ##  ##  ##  ##   ####       ##  ##  ##  ##      ##    ##    ##"
DATA "  ##  ##  ##  ##   ####       ##  ##  ##  ##  ##  ##    ##    ##  ##"
DATA "  ##  ##   ####     ##        #####   ##  ##   ####   ######   ####"
PRINT TAB(0,4);blue$;newbg$;cyan$;"   the BASIC that speaks teletext    ";

REM A double-height headline: the same text on two rows.
FOR row% = 6 TO 7
  PRINT TAB(0,row%);double$;yellow$;"HEADLINES";white$;"  Page 101";
NEXT

REM The index (READ takes the DATA lines in the order of the program).
FOR i% = 0 TO 5
  READ topic$, page$
  PRINT TAB(1,9 + i%);cyan$;topic$;TAB(28,9 + i%);white$;page$;
NEXT
DATA "Home news", "102", "World", "110", "Money", "120"
DATA "Sport", "300", "Weather and travel", "400", "Entertainment", "500"

PRINT TAB(1,16);red$;flash$;"LIVE";steady$;white$;"Results as they arrive";

REM A bar chart in separated mosaics: each bar two cells wide.
PRINT TAB(1,17);green$;"Rainfall this week (mm)";
DATA 3, 7, 5, 9, 2, 6, 8
FOR day% = 0 TO 6
  READ h%
  FOR row% = 0 TO 2
    level% = h% - (2 - row%) * 3
    REM 0 to 3 rows of blocks filled from the bottom of the cell.
    IF level% <= 0 THEN c$ = " " ELSE IF level% = 1 THEN c$ = CHR$(240) ELSE IF level% = 2 THEN c$ = CHR$(252) ELSE c$ = CHR$(255)
    PRINT TAB(2 + day% * 4,18 + row%);separated$;CHR$(145 + day% MOD 7);c$;c$;
  NEXT
NEXT
PRINT TAB(3,21);white$;"Mo  Tu  We  Th  Fr  Sa  Su";

REM A rainbow: with hold on, each colour code shows the last block, so
REM the bar has no gaps.
r$ = gred$ + hold$
FOR c% = 0 TO 5 : r$ += CHR$(255) + CHR$(255) + CHR$(255) + CHR$(146 + c%) : NEXT
PRINT TAB(8,22);r$;CHR$(255);CHR$(255);

REM A concealed answer (it takes a reveal key to show it).
PRINT TAB(1,23);white$;"Quiz: the fastest page?";conceal$;"This one";

PRINT TAB(0,24);red$;"News";green$;"Sport";yellow$;"Weather";cyan$;"Index";
PRINT TAB(0,5);
