@%=0
S$="ABCDE"
PRINT "[";LEFT$(S$,2);"][";LEFT$(S$,256);"][";LEFT$(S$,-1);"][";LEFT$(S$,9);"]"
PRINT "[";RIGHT$(S$,2);"][";RIGHT$(S$,256);"][";RIGHT$(S$,-1);"][";RIGHT$(S$,0);"]"
PRINT "[";MID$(S$,2,2);"][";MID$(S$,4);"][";MID$("ABC",4);"][";MID$("ABC",0);"][";MID$(S$,3,255);"][";MID$(S$,257,2);"][";MID$(S$,5,0);"]"
PRINT INSTR("ABCABC","BC");" ";INSTR("ABCABC","BC",3);" ";INSTR("ABC","");" ";INSTR("ABC","C",4);" ";INSTR("ABC","C",3)
PRINT INSTR("ABC","C",-1);" ";INSTR("ABC","C",0);" ";INSTR("ABCD","CDE");" ";INSTR("","A");" ";INSTR("AAB","AB");" ";INSTR("ABC","ABC")
PRINT ASC("");" ";ASC("A");" ";ASC(CHR$255);" ";LEN(CHR$ 321);" ";CHR$ 321;" ";LEN("")
PRINT LEN(STRING$(85,"ABC"));" ";STRING$(3,"AB");"|";STRING$(0,"X");"|";STRING$(256,"X");"|";STRING$(5,"");"|"
REM Arguments built in the accumulator survive the evaluation of the next argument
PRINT LEFT$(S$+"FG",LEN(STRING$(6,"x")));" ";MID$("12"+"345",LEN("ab"+"c"));" ";INSTR("xx"+"yz","y"+"z",LEN("a"+"b"))
PRINT RIGHT$(STRING$(3,"ab"),LEN(CHR$65+CHR$66+CHR$67))
