REM Stores into program text through MID$()=, LEFT$()=, RIGHT$()= and ?
REM make the remembered line positions and decodings stale.
10 ON ERROR PRINT REPORT$;" at line ";ERL: GOTO 90
20 C%=0
30 FOR I%=1 TO 2
40 GOTO 100
50 L%=PAGE: WHILE (L%?1+256*L%?2)<>100: L%+=?L%: ENDWHILE
60 MID$($(L%+1),1,1)=CHR$(201): PRINT "renumbered": NEXT
90 C%+=1: ON C% GOTO 300,400,500 ELSE END
100 PRINT "line 100": GOTO 50
201 PRINT "line 201": GOTO 90
300 REM LEFT$()= over a numeric literal that has run
310 FOR I%=1 TO 3: PRINT 12345
320 L%=PAGE: REPEAT: L%+=1: UNTIL (?L%=50 AND L%?1=51 AND L%?2=52 AND L%?3=53) OR L%>TOP: L%-=1
330 IF I%=1 LEFT$($L%,1)="9" ELSE RIGHT$($L%,1)="7"
340 NEXT: GOTO 90
400 REM ? over a numeric literal that has run
410 FOR I%=1 TO 2: PRINT 67890
420 L%=PAGE: REPEAT: L%+=1: UNTIL (?L%=54 AND L%?1=55 AND L%?2=56 AND L%?3=57) OR L%>TOP
430 ?L%=ASC"5": NEXT: GOTO 90
500 PRINT "end"
