REM A function that sometimes returns a string: calls in expressions
REM must keep the evaluator's rules when they are met again and again.
FOR I%=1 TO 3
  PRINT FNs(1)+FNs(1);" ";FNs(2)+FNs(3);" ";FNs(1)+FNs(1)=FNs(1)+"abc"
  PRINT FNs(4)*2
NEXT
ON ERROR PRINT REPORT$;" at line ";ERL:END
PRINT FNs(1)*2
END
DEF FNs(A%)
IF A%=1 THEN ="abc"
=A%
