REM *ESC OFF makes the Escape key an ordinary key that GET reads as 27;
REM with Escape on, GET returns 27 and the next statement raises Escape.
@%=0
*ESC OFF
K%=GET
PRINT K%
*ESC ON
ON ERROR PRINT REPORT$;" after ";K%:END
K%=GET
PRINT "never"
