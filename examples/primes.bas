REM Prime numbers up to a limit, found with the sieve of Eratosthenes.
REM Every multiple of each prime is crossed out; the numbers left are
REM the primes.
limit% = 500
DIM composite%(limit%)
FOR n% = 2 TO SQR(limit%)
  IF composite%(n%) = 0 THEN
    REM Smaller multiples were crossed out by smaller primes already,
    REM so start at the square of this one.
    FOR m% = n% * n% TO limit% STEP n%
      composite%(m%) = 1
    NEXT
  ENDIF
NEXT
REM Print the primes ten to a line.
count% = 0
FOR n% = 2 TO limit%
  IF composite%(n%) = 0 THEN
    PRINT TAB((count% MOD 10) * 6); n%;
    count% += 1
    IF count% MOD 10 = 0 THEN PRINT
  ENDIF
NEXT
IF count% MOD 10 <> 0 THEN PRINT
PRINT "There are "; count%; " primes up to "; limit%; "."
