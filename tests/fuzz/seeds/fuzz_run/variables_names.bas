REM Five different variables share the letters AB.
AB=1: AB%=2: AB$="three": AB#=4: DIM AB(2): AB(1)=5
PRINT ;AB;" ";AB%;" ";AB$;" ";AB#;" ";AB(1)
REM A% is static; A%( is an array in the chain of A.
DIM A%(3): A%(1)=9: A%=4: PRINT ;A%;" ";A%(1);" ";!4
REM Names are case-sensitive and a longer name is another variable.
ab=7: ABC=8: A=6: PRINT ;ab;" ";AB;" ";ABC;" ";A
ON ERROR PRINT REPORT$: END
PRINT ABD
