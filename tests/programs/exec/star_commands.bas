REM Star commands: names abbreviate with a dot and need no blank after them
*FLOAT 64
X=1/3:PRINT X*3=1
*FL.40
*HELP
*TV
*FX 15
*| a comment
ON ERROR PRINT ERR;" ";REPORT$:END
*FLOAT32
