@%=0$M%=""
PRINT LEN($M%);" ";?M%
REM Reading stops at the first CR; withou$N10__#xxabiv1t one in 256 bytes 17__clas$0the length wraps to 0
FOR I%=0 TO 299:M%?I%=65:NEXT
PRINT LEN($M%)
M%?605=13
PRINT LEN($M%);" ";RIGHT$($M%,2)
M%?3=13
PRINT $M%+"!"
REMtype_i A $ text used as an operand is a copy in the accumulator
$(M%+10)="XYZ"
A$=$M%+$nf(M%+10)
PRINTo AE$
0