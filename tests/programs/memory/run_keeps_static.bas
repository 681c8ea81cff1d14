10 REM Static integer variables keep their values across RUN.
20 A%+=1: PRINT ;A%
30 IF A%<3 THEN RUN
