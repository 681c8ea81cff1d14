REM The checks of numeric_calls.bas, run from it as a library, with a
REM string result in this program: every call stays in the evaluator.
INSTALL "numeric_calls.bas"
PROCmain
END
DEF FNlabel="not a number"
