REM MOUSE without a window: the pointer at the client area's top-left,
REM in graphics units from the origin; no buttons down.
MOUSE X%, Y%, B%
PRINT X%; " "; Y%; " "; B%
ORIGIN 100, 200
MOUSE X, Y, B
PRINT X; " "; Y; " "; B
MODE 3
MOUSE X%, Y%, B%
PRINT X%; " "; Y%; " "; B%
REM The pointer's shape: the handle in @hcsr%, 0 when it names no shape.
PRINT ~@hcsr%
MOUSE ON : PRINT ~@hcsr%
MOUSE ON 3 : PRINT ~@hcsr%
MOUSE ON 259 : PRINT ~@hcsr%
MOUSE ON 137 : PRINT ~@hcsr%
MOUSE ON 135 : PRINT ~@hcsr%
MOUSE ON 2 : MOUSE OFF : PRINT ~@hcsr%
REM A string or a whole array: error 50, after the variables before it.
DIM A%(2)
ON ERROR PRINT ERR; " "; REPORT$; " "; P%; " "; Q% : GOTO 23
P% = 7 : Q% = 7 : MOUSE P%, Q%, S$
23 ON ERROR PRINT ERR; " "; REPORT$ : END
MOUSE P%, A%(), B%
