REM SYS by name and by address, with strings, TO and the lookup errors.
SYS "GetTickCount" TO t% : PRINT t% >= 0
SYS "strlen", "hello" TO n% : PRINT n%
SYS "lstrlen", "four" TO n% : PRINT n%
SYS "getpid" TO pid% : PRINT pid% > 0
SYS "MessageBox", 0, "headless text", "Title", 0 TO r% : PRINT r%
DIM buf% 64
SYS "lstrcpy", buf%, "copied" TO r% : PRINT FNz(buf%), r% = buf%
SYS "lstrcat", buf%, " twice" : PRINT FNz(buf%)
SYS "RtlZeroMemory", buf%, 3 : PRINT buf%?0, buf%?3
SYS "GetProcAddress", 0, "GetTickCount" TO a%
SYS "GetTickCount" TO b%
SYS a% TO c% : PRINT c% >= b%
REM Assembled code called by address with arguments, removing them or not.
DIM code% 100
P% = code%
[OPT 0
.addc   MOV EAX, [ESP+4]
        ADD EAX, [ESP+8]
        RET
.adds   MOV EAX, [ESP+4]
        SUB EAX, [ESP+8]
        RET 8
]
SYS addc, 40, 2 TO r% : PRINT r%
SYS adds, 40, 2 TO r% : PRINT r%
r = 0 : SYS addc, 1, 2 TO r : PRINT r
SYS addc, 255, 2 TO ?buf% : PRINT ?buf%
SYS "oswrch", 65 : SYS "osnewl"
ON ERROR LOCAL PRINT REPORT$; " "; ERR : GOTO 10
SYS "NoSuchFunctionAtAll"
10 ON ERROR LOCAL PRINT REPORT$; " "; ERR : GOTO 20
SYS "GetTickCountA"
20 ON ERROR LOCAL PRINT REPORT$; " "; ERR : GOTO 30
SYS "GetTickCount" TO s$
30 ON ERROR LOCAL PRINT REPORT$; " "; ERR : GOTO 40
SYS &FFEE
40 ON ERROR OFF
PRINT "done"
END
DEF FNz(a%) LOCAL s$
WHILE ?a% : s$ += CHR$?a% : a% += 1 : ENDWHILE
=s$
