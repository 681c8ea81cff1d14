REM File-system commands, streams and memory images
*MD WORK
*CD WORK
REM Names of 14 characters end exactly at a column; longer ones skip on
FOR I%=1 TO 6: F%=OPENOUT("N"+STR$I%): CLOSE#F%: NEXT
F%=OPENOUT "ABCDEFGHIJKLMN": CLOSE#F%
F%=OPENOUT "ABCDEFGHIJKLMNOPQRS": CLOSE#F%
F%=OPENOUT "other.txt": CLOSE#F%
*LOCK N2
*DIR
*DIR *.TXT
*UNLOCK N2
*RENAME N1 M1
*REN N3 "with blank"
*COPY N4 N5
*ERASE N6
*DEL. N4
*.
REM *CD alone shows the directory
*CD
*CD ..
REM *SPOOL copies output; CLOSE#0 spares it
*SPOOL SPOOLED
PRINT "spooled line"
F%=OPENOUT "KEPT"
CLOSE#0
PRINT "still spooled"
*SPOOL
PRINT "not spooled"
*SPOOLON SPOOLED
PRINT "appended"
*SPOOL
*TYPE SPOOLED
REM *OUTPUT sends output to a channel instead of the screen
F%=OPENOUT "OUT"
OSCLI "OUTPUT "+STR$F%
PRINT "to the file"
*OUTPUT 0
CLOSE#F%
PRINT "OUT holds: ";
F%=OPENIN "OUT": PRINT GET$#F%: CLOSE#F%
REM *EXEC and *INPUT supply what INPUT and GET read
F%=OPENOUT "KEYS": PRINT#F%, "42", "hello": BPUT#F%, 65: CLOSE#F%
*EXEC KEYS
REM a second *EXEC while one runs is ignored
*EXEC NOSUCHFILE
INPUT A, B$
PRINT A, B$, GET
F%=OPENOUT "IN": PRINT#F%, "7,8": CLOSE#F%
F%=OPENIN "IN"
OSCLI "INPUT "+STR$F%
INPUT X, Y
*INPUT 0
CLOSE#F%
PRINT X+Y
REM Other programs: waiting, and not waiting with ";"
*RUN echo run > RAN.TXT
**echo star > STAR.TXT
*/echo slash > SLASH.TXT
*echo unknown > UNKNOWN.TXT
*DIR *.TXT
*RUN while [ ! -f GO ]; do sleep 0.01; done; echo done > DONE.TXT;
F%=OPENOUT "GO.": CLOSE#F%
REPEAT *RUN sleep 0.01
UNTIL OPENIN "DONE.TXT."
*TYPE DONE.TXT
REM memory images
DIM A% 255, B% 255
FOR I%=0 TO 255: A%?I%=I%: NEXT
OSCLI "SAVE MEM "+STR$~A%+" +100"
OSCLI "SAVE MEM2 "+STR$~A%+" "+STR$~(A%+10)
OSCLI "LOAD MEM "+STR$~B%
S%=0: FOR I%=0 TO 255: S%+=B%?I%: NEXT: PRINT S%
FOR I%=0 TO 255: B%?I%=0: NEXT
OSCLI "LOAD MEM "+STR$~B%+" +8"
S%=0: FOR I%=0 TO 255: S%+=B%?I%: NEXT: PRINT S%
F%=OPENIN "MEM2": PRINT EXT#F%: CLOSE#F%
ON ERROR PRINT REPORT$; " "; ERR: GOTO 100
OSCLI "SAVE MEM "+STR$~A%
100 ON ERROR PRINT REPORT$; " "; ERR: GOTO 110
OSCLI "SAVE MEM "+STR$~A%+" +10 junk"
110 ON ERROR PRINT REPORT$; " "; ERR: GOTO 120
*LOAD MEM 1000
120 ON ERROR PRINT REPORT$; " "; ERR: GOTO 130
OSCLI "LOAD NOMEM "+STR$~B%
130 ON ERROR PRINT REPORT$; " "; ERR: GOTO 140
*LOAD MEM 7FFFFF00 +10
140 ON ERROR OFF
