@%=0
A$="XY"
PRINT "AB"+CHR$(67)+LEFT$("DEF",2)
PRINT A$+A$+MID$(A$,2)
B$=A$+STRING$(3,"-")+A$
PRINT B$;" ";LEN(B$)
B$+="!"+CHR$33
PRINT B$
PRINT ("abc"<"abcd");" ";("b">"abc");" ";(""="");" ";("abc"="abc");" ";("abc"<>"abd")
PRINT ("ABC"<"abc");" ";(CHR$200>"A");" ";("abd"<="abc");" ";("abc">="abc");" ";("a"="a ")
C$=STRING$(200,"a")
D$=C$+STRING$(55,"b")
PRINT LEN(D$);" ";RIGHT$(D$,3)
D$=C$+STRING$(56,"b")
