REM Whole arrays are passed by their descriptor: changes made inside the
REM procedure are seen by the caller.
DIM v(4), w$(2), a(1)
FOR i=0 TO 4: v(i)=i*i: NEXT
PROCdouble(v())
FOR i=0 TO 4: PRINT ;v(i);" ";: NEXT: PRINT
PRINT "sum ";FNsum(v(), 4)
w$(1)="abc": PROCupper(w$()): PRINT w$(1)
REM An array of the formal's name is restored afterwards.
a(0)=-5: PROCdouble(v()): PRINT "a(0)=";a(0)
REM LOCAL a() saves every element and clears it.
a(1)=8: PROClocal_array: PRINT "a()=";a(0);",";a(1)
REM LOCAL DATA keeps the DATA pointer: READ continues afterwards from
REM where it was before.
RESTORE 100
READ d: PRINT "first ";d
PROCread_elsewhere
READ d: PRINT "second ";d
END
100 DATA 1, 2, 3
110 DATA 7, 8, 9
DEF PROCdouble(a()): LOCAL i: FOR i=0 TO DIM(a(),1): a(i)=a(i)*2: NEXT: ENDPROC
DEF FNsum(b(), n%): LOCAL i, t: FOR i=0 TO n%: t+=b(i): NEXT: =t
DEF PROCupper(s$()): s$(1)="ABC": ENDPROC
DEF PROClocal_array
LOCAL a()
PRINT "local a()=";a(0);",";a(1)
a(0)=111: a(1)=222
ENDPROC
DEF PROCread_elsewhere
LOCAL DATA
RESTORE 110
READ e: PRINT "elsewhere ";e
RESTORE DATA
ENDPROC
