REM Sorting an array with a recursive quicksort.
REM The array is passed to the procedures whole, so they sort the
REM caller's array in place; LOCAL gives every level its own indices.
size% = 20
DIM numbers%(size% - 1)
REM The numbers come from a small generator of our own, so every run
REM shows the same ones.
seed% = 12345
FOR i% = 0 TO size% - 1
  seed% = (seed% * 75 + 74) MOD 65537
  numbers%(i%) = seed% MOD 1000
NEXT
PRINT "Before: "; : PROCshow(numbers%(), size%)
PROCquicksort(numbers%(), 0, size% - 1)
PRINT "After:  "; : PROCshow(numbers%(), size%)
IF FNsorted(numbers%(), size%) THEN PRINT "In order." ELSE PRINT "Out of order!"
END

REM Sorts a%(lo%) to a%(hi%).
DEF PROCquicksort(a%(), lo%, hi%)
LOCAL p%
IF lo% >= hi% THEN ENDPROC
p% = FNpartition(a%(), lo%, hi%)
PROCquicksort(a%(), lo%, p% - 1)
PROCquicksort(a%(), p% + 1, hi%)
ENDPROC

REM Puts the last element (the pivot) into its final place, with the
REM smaller elements before it, and returns that place.
DEF FNpartition(a%(), lo%, hi%)
LOCAL pivot%, i%, j%
pivot% = a%(hi%)
i% = lo%
FOR j% = lo% TO hi% - 1
  IF a%(j%) < pivot% THEN SWAP a%(i%), a%(j%) : i% += 1
NEXT
SWAP a%(i%), a%(hi%)
= i%

DEF PROCshow(a%(), n%)
LOCAL i%
FOR i% = 0 TO n% - 1 : PRINT ; a%(i%); " "; : NEXT
PRINT
ENDPROC

REM TRUE when no element is greater than the next. The loop runs to its
REM end before "=": a function cannot return from inside a FOR loop.
DEF FNsorted(a%(), n%)
LOCAL i%, ok%
ok% = TRUE
FOR i% = 1 TO n% - 1
  IF a%(i% - 1) > a%(i%) THEN ok% = FALSE
NEXT
= ok%
