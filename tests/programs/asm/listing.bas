REM The listing: address, bytes (seven to a line, then from column 9),
REM label at column 30, source at column 40. Offset assembly stores at
REM O% while addresses come from P%.
DIM code% 100
P% = &12340000 : O% = code%
[OPT 5
.entry  mov eax, [ebx+esi*4+8]   ; load
        MOV DWORD PTR [EBX+ESI*4+800], &12345678
        AND EAX, EBX : OR AL, 1 : NOT ECX
.tail   RET
        DB "ab" : DW &1234 : DD &12345678
]
PRINT ~P%, ~O% - code%, ~entry, ~tail
