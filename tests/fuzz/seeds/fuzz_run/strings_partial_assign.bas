T$="ABCD":MID$(T$,2)="XYZ":PRINT T$
T$="AB":MID$(T$,2)="XYZ":PRINT T$
T$="ABCD":RIGHT$(T$,2)="XYZ":PRINT T$
T$="ABCD":LEFT$(T$,3)="XY":PRINT T$
T$="ABCDEF":MID$(T$,3)="xyz":PRINT T$
T$="ABCD":MID$(T$,0)="XY":PRINT T$
T$="ABCD":MID$(T$,5)="XY":PRINT T$
T$="ABCD":MID$(T$,2,1)="XYZ":PRINT T$
T$="ABCD":RIGHT$(T$,9)="XY":PRINT T$
T$="AB":RIGHT$(T$,5)="WXYZ":PRINT T$
T$="ABCD":LEFT$(T$,258)="WXYZ":PRINT T$
T$="ABCD":LEFT$(T$,256)="WXYZ":PRINT T$
T$="ABCD":LEFT$(T$,2)=CHR$(49)+CHR$(50)+"3":PRINT T$;LEN(T$)
REM $ targets: the text before the CR
DIM B% 20
$B%="HELLO":MID$($B%,2)="EY":PRINT $B%
RIGHT$($B%,1)="!!":PRINT $B%;" ";B%?5
10 N%=1
20 LEFT$(N%,1)="X"
