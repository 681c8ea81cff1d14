REM Before any error the message is the sign-on line, ending in CR LF.
R$=REPORT$
PRINT LEFT$(R$,10)
PRINT RIGHT$(R$,2)=CHR$13+CHR$10
PRINT ;ERR;" ";ERL
