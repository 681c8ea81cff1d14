REM A library in the tokenised program format, installed twice: the
REM second copy follows the first, whose definitions are found first.
INSTALL "tokenised_lib.bin"
INSTALL "tokenised_lib.bin"
PRINT ;FNt
PROCsay
