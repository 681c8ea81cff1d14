REM The channel-handle array lives in the fixed area; whole-array
REM operations on it work there like on any other array.
PRINT ;DIM(@hfile%());" ";DIM(@hfile%(),1);" ";SUM(@hfile%())
DIM B%(12): B%()=5: B%(12)=7
@hfile%()=B%(): PRINT ;@hfile%(0);" ";@hfile%(12);" ";SUM(@hfile%())
@hfile%()=0: B%()=@hfile%(): PRINT ;SUM(B%())
