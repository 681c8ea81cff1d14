REM A menu in colour. Up and Down move the bar, Return shows the choice,
REM Q or Escape leaves.
REM   In a window:  build/kov examples/menu.bas
REM   Headless, as a picture of the screen after choosing the third item:
REM     build/kov --headless --keys '\x8a\x8a\r' --screenshot menu.png examples/menu.bas </dev/null
ON ERROR IF ERR = 17 THEN QUIT ELSE REPORT : PRINT " at line "; ERL : END
MODE 9
VDU 23,1,0;0;0;0; : REM no text cursor
VDU 23,240,&18,&3C,&7E,&FF,&FF,&7E,&3C,&18 : REM a diamond
DIM item$(4)
item$(0) = "The sixteen colours"
item$(1) = "Stripes"
item$(2) = "A chequer board"
item$(3) = "Rainbow text"
item$(4) = "Quit"
COLOUR 128 + 4 : CLS
COLOUR 128 + 11 : COLOUR 0 : PRINT TAB(0,1); STRING$(40, " ");
PRINT TAB(12,1); "K O V   M E N U";
FOR X% = 0 TO 39 : COLOUR 9 + X% MOD 6 : COLOUR 128 + 4 : PRINT TAB(X%,3); CHR$240; : NEXT
REM The menu box with a shadow.
COLOUR 128 : PRINT TAB(10,6); : FOR R% = 6 TO 16 : PRINT TAB(10,R%); STRING$(24, " "); : NEXT
COLOUR 128 + 8 : FOR R% = 5 TO 15 : PRINT TAB(9,R%); STRING$(24, " "); : NEXT
sel% = 0
PROCitems(sel%)
PROCpanel(-1)
REPEAT
  K% = GET
  CASE K% OF
    WHEN 139 : sel% = (sel% + 4) MOD 5 : PROCitems(sel%)
    WHEN 138 : sel% = (sel% + 1) MOD 5 : PROCitems(sel%)
    WHEN 13 : IF sel% = 4 THEN QUIT ELSE PROCpanel(sel%)
    WHEN ASC"q", ASC"Q" : QUIT
  ENDCASE
UNTIL FALSE

DEF PROCitems(s%)
LOCAL I%
FOR I% = 0 TO 4
  IF I% = s% THEN COLOUR 128 + 14 : COLOUR 0 ELSE COLOUR 128 + 8 : COLOUR 15
  PRINT TAB(10, 6 + I% * 2); " "; LEFT$(item$(I%) + STRING$(20, " "), 21);
NEXT
ENDPROC

REM The panel below the menu shows the choice (-1: the help line).
DEF PROCpanel(c%)
LOCAL R%, X%, t$
COLOUR 128 + 4
FOR R% = 19 TO 29 : PRINT TAB(2,R%); STRING$(36, " "); : NEXT
CASE c% OF
  WHEN -1
    COLOUR 14 : PRINT TAB(3,24); "Up/Down to move, Return to choose";
  WHEN 0
    FOR X% = 0 TO 15
      COLOUR 128 + X% : PRINT TAB(4 + X% * 2, 22); "  "; TAB(4 + X% * 2, 23); "  ";
      COLOUR 128 + 4 : COLOUR 15 : PRINT TAB(4 + X% * 2, 25); STR$~X%;
    NEXT
  WHEN 1
    FOR R% = 19 TO 29 : COLOUR 128 + 9 + R% MOD 6 : PRINT TAB(2,R%); STRING$(36, " "); : NEXT
  WHEN 2
    FOR R% = 19 TO 29 : FOR X% = 0 TO 17
      IF (R% + X%) MOD 2 THEN COLOUR 128 + 15 ELSE COLOUR 128 + 0
      PRINT TAB(2 + X% * 2, R%); "  ";
    NEXT : NEXT
  WHEN 3
    t$ = "Hello from KOV BASIC!"
    COLOUR 128 + 0 : PRINT TAB(8,23); STRING$(LEN t$ + 2, " "); TAB(8,25); STRING$(LEN t$ + 2, " ");
    PRINT TAB(8,24); " ";
    FOR X% = 1 TO LEN t$ : COLOUR 9 + X% MOD 6 : PRINT MID$(t$, X%, 1); : NEXT
    PRINT " ";
ENDCASE
ENDPROC
