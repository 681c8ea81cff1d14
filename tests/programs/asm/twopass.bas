REM Two-pass assembly: a forward reference reads as P% in the first pass
REM (errors off) and is resolved in the second.
DIM code% 100
FOR pass% = 0 TO 2 STEP 2
  P% = code%
  [OPT pass%
  .start MOV EAX, 0
  JMP done
  .loop  INC EAX : NOP
  .done  RET
  ]
NEXT
PRINT ~done - code%, ~loop - code%, ~start - code%
FOR i% = 0 TO P% - code% - 1 : PRINT ~code%?i%; " "; : NEXT : PRINT
REM With errors on, the same forward reference is "No such variable".
ON ERROR PRINT REPORT$; " "; ERR : GOTO 100
P% = code% : [OPT 2 : JMP later : ]
100 ON ERROR OFF
REM A label set twice in a pass with errors off.
ON ERROR PRINT REPORT$; " "; ERR : GOTO 200
FOR pass% = 0 TO 2 STEP 2
  P% = code%
  [OPT pass%
  .twice NOP
  .twice NOP
  ]
NEXT
200 ON ERROR OFF
REM Labels must be numeric variables.
ON ERROR PRINT REPORT$; " "; ERR : GOTO 300
P% = code% : [ .name$ NOP : ]
300 ON ERROR PRINT REPORT$; " "; ERR : GOTO 400
DIM arr(3) : P% = code% : [ .arr() NOP : ]
400 ON ERROR OFF
REM Integer labels, and OPT returns to 3 after "]".
P% = code% : [OPT 0 : .here% NOP : .there% NOP : ] : PRINT (?419 DIV 16) AND 15
PRINT there% - here%
