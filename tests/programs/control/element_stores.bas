REM Assignments to array elements, run as decoded statements, with the
REM checks in the order the statement handlers make them.
DIM A%(5), R(3), D#(2), M%(2,2)
FOR I%=0 TO 5:A%(I%)=I%*I%:NEXT
PRINT A%(0) " " A%(1) " " A%(2) " " A%(3) " " A%(4) " " A%(5)
REM Real, 8-byte and integer elements take the conversions of a store.
FOR I%=0 TO 3:R(I%)=I%/4:NEXT:PRINT R(1);" ";R(3)
D#(1)=1/3:PRINT D#(1)
A%(2)=7.9:PRINT A%(2)
REM Several on a line, with spaces and colons between them, then the
REM line after.
J%=1:A%(J%)=10 :  A%(J%+1)=20:A%(J%+2)=A%(J%)+A%(J%+1)
PRINT A%(1) " " A%(2) " " A%(3)
REM A subscript that is itself an element, and a real subscript.
A%(A%(0))=99:PRINT A%(0)
A%(2.7)=5:PRINT A%(2)
REM The subscript is worked out before the value.
K%=1:A%(K%)=FNbump:PRINT K%;" ";A%(1);" ";A%(2)
REM Errors, each trapped twice at the same statement: past the end,
REM negative, too few subscripts, a value too big for an integer, an
REM error in the subscript, and one in the value after a good subscript.
FOR T%=1 TO 2:PROCe1:PROCe2:PROCe3:PROCe4:PROCe5:PROCe6:NEXT
REM The elements the failed stores left alone.
PRINT A%(0) " " A%(1) " " A%(5)
PRINT "done"
END
DEF FNbump:K%=2:=42
DEF FNfail:ERROR 42,"fail"
DEF PROCe1:ON ERROR LOCAL PRINT "e1 ";ERR;" ";REPORT$:ENDPROC
X%=6:A%(X%)=1:ENDPROC
DEF PROCe2:ON ERROR LOCAL PRINT "e2 ";ERR;" ";REPORT$:ENDPROC
A%(-1)=1:ENDPROC
DEF PROCe3:ON ERROR LOCAL PRINT "e3 ";ERR;" ";REPORT$:ENDPROC
M%(1)=3:ENDPROC
DEF PROCe4:ON ERROR LOCAL PRINT "e4 ";ERR;" ";REPORT$:ENDPROC
A%(1)=1E20:ENDPROC
DEF PROCe5:ON ERROR LOCAL PRINT "e5 ";ERR;" ";REPORT$:ENDPROC
A%(FNfail)=1:ENDPROC
DEF PROCe6:ON ERROR LOCAL PRINT "e6 ";ERR;" ";REPORT$:ENDPROC
A%(9)=FNfail:ENDPROC
