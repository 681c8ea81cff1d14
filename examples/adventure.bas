REM A very small text adventure: four rooms, a key and a locked vault.
REM Commands: n, s, e, w to walk, "take", "look" and "quit".
DIM place$(4), exits$(4), item$(4)
REM Each room: its name, the rooms its exits lead to in the order
REM north, south, east, west (0 = no exit), and what lies there
REM ("-" = nothing).
FOR r% = 1 TO 4
  READ place$(r%), exits$(r%), item$(r%)
NEXT
DATA "hall", "2030", "-"
DATA "library", "0100", "key"
DATA "kitchen", "4001", "-"
DATA "vault", "0300", "treasure"

room% = 1
carrying$ = ""
finished% = FALSE
PROClook
REPEAT
  INPUT "What now", command$
  CASE command$ OF
    WHEN "n", "s", "e", "w" : PROCwalk(INSTR("nsew", command$))
    WHEN "take" : PROCtake
    WHEN "look" : PROClook
    WHEN "quit" : finished% = TRUE
    OTHERWISE PRINT "I don't understand """; command$; """."
  ENDCASE
UNTIL finished%
PRINT "Goodbye."
END

REM Describes the room, what lies in it and its exits.
DEF PROClook
LOCAL d%, ways$
PRINT "You are in the "; place$(room%); "."
IF item$(room%) <> "-" THEN PRINT "There is a "; item$(room%); " here."
FOR d% = 1 TO 4
  IF MID$(exits$(room%), d%, 1) <> "0" THEN ways$ += " " + MID$("nsew", d%, 1)
NEXT
PRINT "Exits:"; ways$
ENDPROC

REM Walks in direction d% (1 to 4) if there is a way and it is open.
DEF PROCwalk(d%)
LOCAL next%
next% = VAL(MID$(exits$(room%), d%, 1))
IF next% = 0 THEN PRINT "You can't go that way." : ENDPROC
IF next% = 4 AND INSTR(carrying$, "key") = 0 THEN PRINT "The vault door is locked." : ENDPROC
room% = next%
PROClook
ENDPROC

DEF PROCtake
IF item$(room%) = "-" THEN PRINT "There is nothing to take." : ENDPROC
PRINT "You take the "; item$(room%); "."
carrying$ += item$(room%) + " "
IF item$(room%) = "treasure" THEN PRINT "You are rich! Well done." : finished% = TRUE
item$(room%) = "-"
ENDPROC
