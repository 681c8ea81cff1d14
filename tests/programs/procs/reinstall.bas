REM After a failed INSTALL forgets the libraries, the next one is loaded
REM at the same place: names in its text must be looked up afresh.
10 alpha=1: beta=2
20 INSTALL "library_alpha.txt": PRINT ;FNv
30 ON ERROR PRINT REPORT$: GOTO 50
40 INSTALL "bad_library.bin"
50 ON ERROR OFF
60 INSTALL "library_beta.txt": PRINT ;FNv
