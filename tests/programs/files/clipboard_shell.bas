REM The clipboard through SYS: text set from a GlobalAlloc block comes back
REM in a new block. ShellExecute starts a program (found or not).
SYS "GlobalAlloc", 0, 20 TO h%
$h% = "copied text" : h%?11 = 0
SYS "OpenClipboard", @hwnd% : SYS "EmptyClipboard" : SYS "SetClipboardData", 1, h% : SYS "CloseClipboard"
SYS "IsClipboardFormatAvailable", 1 TO ok%
SYS "OpenClipboard", 0 : SYS "GetClipboardData", 1 TO g% : SYS "CloseClipboard"
PRINT ok%; " "; FNz(g%); " "; g% <> h%
SYS "EmptyClipboard" : SYS "GetClipboardData", 1 TO g%
SYS "IsClipboardFormatAvailable", 1 TO ok%
PRINT g%, ok%
SYS "ShellExecuteA", 0, "open", "/bin/sh", "-c 'echo started > D.TMP && mv D.TMP DONE.TXT'", "", 1 TO r%
PRINT r% > 32
REPEAT F% = OPENIN "DONE.TXT" : IF F% = 0 T% = TIME : REPEAT UNTIL TIME > T% + 1
UNTIL F%
PRINT GET$#F%
CLOSE #F%
SYS "ShellExecuteA", 0, 0, "no-such-program-here", "", "", 1 TO r%
PRINT r%
END
DEF FNz(a%) : LOCAL s$
WHILE ?a% : s$ += CHR$?a% : a% += 1 : ENDWHILE
= s$
