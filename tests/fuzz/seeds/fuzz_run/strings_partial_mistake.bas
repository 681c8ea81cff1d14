10 A$="ABC"
20 MID$(A$,2) "X"
