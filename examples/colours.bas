REM A colourful text screen: a title banner, the 16 colours, a text
REM window that scrolls, and a user-defined character.
MODE 9
VDU 23,240,&18,&3C,&7E,&FF,&FF,&7E,&3C,&18 : REM a diamond
COLOUR 4+128 : CLS
FOR X% = 0 TO 39 : COLOUR 9 + X% MOD 6 : PRINT TAB(X%,0);CHR$240; : NEXT
COLOUR 15 : PRINT TAB(10,2);"K O V   B A S I C";
COLOUR 11 : PRINT TAB(8,3);"sixteen colours, one VDU";
FOR N% = 0 TO 15
  COLOUR 128 + N% : PRINT TAB(4 + N% * 2, 6);"  ";
  COLOUR 128 + 4 : COLOUR 15 : PRINT TAB(4 + N% * 2, 7);STR$~N%;
NEXT
REM A window of its own on a dark grey background, scrolling as it fills.
VDU 28,4,28,35,10
COLOUR 128 + 8 : CLS
FOR I% = 1 TO 30
  COLOUR 9 + I% MOD 7
  PRINT "Line ";I%;": ";STRING$(I% MOD 12, CHR$240)
NEXT
VDU 26
COLOUR 128 + 4 : COLOUR 14
PRINT TAB(6,30);"Try: kov --screenshot shot.png";
COLOUR 7 : COLOUR 128
PRINT TAB(0,31);
