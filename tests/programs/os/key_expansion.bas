REM *KEY strings: F1 with RUN|M delivers R, U, N and Return to GET; an
REM undefined key gives its own code; Ctrl+Left (&80) expands *KEY 16.
@%=0
*KEY 1 "RUN|M"
*KEY 16 left
REPEAT
  K%=GET
  PRINT K%;" ";
UNTIL K%=ASC"B"
PRINT
PRINT ADVAL(-1)
