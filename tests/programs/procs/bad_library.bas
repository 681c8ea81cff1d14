REM A file that is no program cannot be installed, and the libraries
REM installed before it are forgotten as well.
10 ON ERROR PRINT REPORT$: C%=C%+1: ON C% GOTO 40, 60 ELSE END
20 INSTALL "library_util.txt": PRINT "installed: ";FNtwice(4)
30 INSTALL "bad_library.bin"
40 PRINT FNtwice(5)
50 END
60 INSTALL "no_such_library.txt"
