REM Sums an integer array in machine code: B% holds the address of the
REM first element, C% the count; USR returns EAX.
DIM a%(99), code% 100
FOR i% = 0 TO 99 : a%(i%) = i% * 3 - 50 : NEXT
P% = code%
[OPT 0
        XOR EAX, EAX
.loop   ADD EAX, [EBX]
        ADD EBX, 4
        DEC ECX
        JNZ loop
        RET
]
B% = ^a%(0) : C% = 100
PRINT USR(code%), SUM(a%())
B% = ^a%(10) : C% = 1
PRINT USR(code%)
