@%=0
DIM M% 300
$M%="HI"
PRINT $M%;" ";M%?2;" ";LEN($M%)
$M%=""
PRINT LEN($M%);" ";?M%
REM Reading stops at the first CR; without one in 256 bytes the length wraps to 0
FOR I%=0 TO 299:M%?I%=65:NEXT
PRINT LEN($M%)
M%?255=13
PRINT LEN($M%);" ";RIGHT$($M%,2)
M%?3=13
PRINT $M%+"!"
REM A $ text used as an operand is a copy in the accumulator
$(M%+10)="XYZ"
A$=$M%+$(M%+10)
PRINT A$
