REM Every assembler error is a trappable BASIC error with its number.
DIM code% 64
FOR case% = 1 TO 13
  PROCtry(case%)
NEXT
END
DEF PROCtry(n%)
ON ERROR LOCAL PRINT n%; ": "; ERR; " "; REPORT$ : ENDPROC
P% = code%
CASE n% OF
  WHEN 1: [OPT 2 : DB 300 : ]
  WHEN 2: [OPT 2 : INC [EBX] : ]
  WHEN 3: [OPT 2 : MOV EAX, BX : ]
  WHEN 4: [OPT 2 : JE P% + 200 : ]
  WHEN 5: [OPT 2 : FROB EAX : ]
  WHEN 6: [OPT 2 : MOV EAX, "abc" : ]
  WHEN 7: [OPT 2 : MOV EAX, [EBX*3] : ]
  WHEN 8: [OPT 2 : MOV EAX, 1 2 : ]
  WHEN 9: [OPT 2 : MOV EAX, nosuch% : ]
  WHEN 10: P% = &F000 : [OPT 2 : NOP : ]
  WHEN 11: [OPT 2 : CALL "nosuchfunction" : ]
  WHEN 12: [OPT 0 : JE P% + 200 : DB 300 : ] : PRINT ~code%?0; " "; ~code%?1; " "; ~code%?2
  WHEN 13: [OPT 2 : FLD WORD PTR [EBX] : ]
ENDCASE
PRINT n%; ": no error"
ENDPROC
