REM RUN after PAGE= to text that is no program stops with Bad program
PAGE=HIMEM-5000
?PAGE=200
RUN
