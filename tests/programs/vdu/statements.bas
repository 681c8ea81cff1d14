REM The screen statements, read back through @vdu% and POS/VPOS.
PRINT "@vdu% ";@vdu%
PRINT "mode ";?(@vdu%+72);" mask ";?(@vdu%+73);" size ";@vdu%!208;"x";@vdu%!212
MODE 1
PRINT "mode ";?(@vdu%+72);" mask ";?(@vdu%+73);" cell ";@vdu%!216;"x";@vdu%!220
COLOUR 5 : COLOUR 130
PRINT "text ";?(@vdu%+70);" on ";?(@vdu%+71)
GCOL 0,129 : GCOL 3,2
PRINT "gcol ";?(@vdu%+64);",";?(@vdu%+65);" back ";?(@vdu%+66);",";?(@vdu%+67)
MODE 0
VDU 28,5,20,30,10
PRINT "win ";@vdu%!24;" ";@vdu%!28;" ";@vdu%!32;" ";@vdu%!36
VDU 31,2,3
PRINT TAB(4,5);POS;" ";VPOS
VDU 26
PRINT "after 26: ";@vdu%!28;" ";VPOS
VDU 25,4,300;200;
PRINT "queue ";?(@vdu%+196);" ";?(@vdu%+197);" ";?(@vdu%+198);" ";?(@vdu%+199);" ";?(@vdu%+200)
VDU 21 : PRINT "hidden" : VDU 22,3,6
PRINT "still mode ";?(@vdu%+72)
VDU 65;66,67|
PRINT
OFF : PRINT "caret ";?(@vdu%+68) AND 32 : ON : PRINT "caret ";?(@vdu%+68) AND 32
CLS : PRINT POS;VPOS
WIDTH 10 : TINT 5 : PRINT "abcdefghijklmn" : WIDTH 0
*EGA
MODE 1 : PRINT ?(@vdu%+72)
*NOEGA
ON ERROR PRINT REPORT$;" ";ERR : END
MODE 162
