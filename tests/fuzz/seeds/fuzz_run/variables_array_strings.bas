REM One string given to a whole string array reaches every element intact,
REM also when it was built in the string accumulator.
DIM S$(2): S$()="ab": S$()+=STR$(12)+"x": PRINT S$(0);" ";S$(1);" ";S$(2)
S$()=STRING$(3,"z"): PRINT S$(0);" ";S$(1);" ";S$(2)
S$()="p","q": S$()+=S$(0): PRINT S$(0);" ";S$(1);" ";S$(2)
S$()+=CHR$(33),"?": PRINT S$(0);" ";S$(1);" ";S$(2)
