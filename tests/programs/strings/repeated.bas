10 REM String statements run many times, so that the decoded forms of
20 REM their expressions are used: values, string storage, the bytes
30 REM left in the accumulator and the errors must stay the same.
40 @%=0:DIM H% -1:K%=!332
50 REM Appending: the block grows where it is while it ends the heap
60 S$=""
70 FOR I%=1 TO 30
80   S$=S$+CHR$(64+I%)
90   IF I% MOD 7=0 THEN PRINT LEN(S$);" ";?(^S$+5);" ";!^S$-H%
100 NEXT
110 REM Another string after it: S$ moves to the heap top when it outgrows its block
120 T$="x"
130 FOR I%=1 TO 20
140   S$=S$+STR$(I%)+""
150   IF I% MOD 5=0 THEN PRINT LEN(S$);" ";?(^S$+5);" ";!^S$-H%;" ";LEFT$(S$,3);RIGHT$(S$,3)
160 NEXT
170 REM Shorter values reuse the block
180 FOR I%=1 TO 3:S$=MID$(S$,2,10*I%):PRINT S$;" ";?(^S$+5);" ";!^S$-H%:NEXT
190 REM A value that is the variable itself, and one built from it twice
200 FOR I%=1 TO 3:S$=S$:T$=T$+T$:PRINT S$;" ";T$;" ";!^T$-H%:NEXT
210 REM The accumulator after each kind of result
220 FOR I%=1 TO 2
230   U$=LEFT$(S$+T$,5):PRINT U$;:PROCacc(8)
240   U$=STR$(-12345*I%):PRINT U$;:PROCacc(6)
250   V%=INSTR(S$+"Q","Q",2):PRINT V%;:PROCacc(4)
260   U$=RIGHT$("abc"+S$,4)+MID$(T$,2):PRINT U$;:PROCacc(12)
270 NEXT
280 REM Comparisons, numbers made from strings, STR$ following @%
290 FOR I%=1 TO 3
300   IF S$+"a">S$ THEN PRINT "gt ";
310   IF LEN(S$)*2+ASC(T$)=I%*0+2*LEN(S$)+120 THEN PRINT "eq ";
320   @%=&01020000+I%*&100:PRINT STR$(PI*I%);" ";STR$(I%);" ";STR$~(I%*255):@%=0
330 NEXT
340 DIM G% -1:PRINT G%-H%
350 REM Errors inside decoded expressions: the same error at the same line
360 ON ERROR PRINT REPORT$;" at ";ERL;" ";LEN(W$):GOTO 400
370 W$=""
380 FOR I%=1 TO 100:W$=W$+"www"+CHR$(48+I%):NEXT
390 END
400 ON ERROR PRINT REPORT$;" at ";ERL;" ";I%:GOTO 430
410 FOR I%=3 TO -3 STEP -1:W$=LEFT$(W$,3)+CHR$(65+12/I%):NEXT
420 END
430 ON ERROR PRINT REPORT$;" at ";ERL:GOTO 460
440 FOR I%=1 TO 3:W$=MID$(W$,1E20*I%):NEXT
450 END
460 ON ERROR PRINT REPORT$;" at ";ERL:END
470 FOR I%=1 TO 3:W$=W$+Z$:NEXT
480 END
490 DEF PROCacc(N%):LOCAL J%:FOR J%=0 TO N%-1:PRINT " ";K%?J%;:NEXT:PRINT:ENDPROC
