REM Blocks of colour in MODE 9 (16 colours, 16x16 cells): background
REM colour n in column n of row 1; a redefined colour 1 in row 3.
MODE 9
FOR N% = 0 TO 15 : COLOUR 128+N% : PRINT TAB(N%,1);" "; : NEXT
COLOUR 1,4 : COLOUR 129 : PRINT TAB(0,3);" ";
COLOUR 128 : PRINT TAB(0,5);
