REM GlobalAlloc hands out zeroed blocks that indirection and machine code
REM both reach; GlobalFree gives them back for reuse.
SYS "GlobalAlloc", &40, 100 TO a%
SYS "GlobalAlloc", &40, 100 TO b%
PRINT a% <> 0, b% - a%, a%?99
!a% = &12345678 : $(a%+4) = "text"
DIM code% 20
P% = code% : [OPT 0 : MOV EAX, [EBX] : RET : ]
B% = a% : PRINT ~USR(code%), $(a%+4)
SYS "GlobalFree", a% TO r% : PRINT r%
SYS "GlobalAlloc", &40, 50 TO c% : PRINT c% = a%, !c%
SYS "GlobalFree", 12345 TO r% : PRINT r%
