REM Faults in machine code are BASIC errors that ON ERROR traps.
DIM code% 100
P% = code%
[OPT 0
.read   MOV EAX, [&100]
        RET
.write  MOV DWORD [&7FFFFFF0], 1
        RET
.divide XOR ECX, ECX
        DIV ECX
        RET
.bad    DB &0F : DB &0B
.wild   JMP &7FFF0000
]
FOR i% = 1 TO 5
  PROCtry(i%)
NEXT
PRINT "still running"
END
DEF PROCtry(n%)
ON ERROR LOCAL PRINT ERR; " "; LEFT$(REPORT$, INSTR(REPORT$, " at &")) : ENDPROC
CASE n% OF
  WHEN 1: CALL read
  WHEN 2: CALL write
  WHEN 3: CALL divide
  WHEN 4: CALL bad
  WHEN 5: CALL wild
ENDCASE
ENDPROC
