// BASIC errors: the error table, the error type and the two ways of raising.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kov {

// Error numbers of the built-in table. The message of each is in errors.cpp.
#define KOV_ERRORS(X)                                    \
    X(NoRoom, 0, "No room")                              \
    X(JumpOutOfRange, 1, "Jump out of range")            \
    X(SizeNeeded, 2, "Size needed")                      \
    X(MultipleLabel, 3, "Multiple label")                \
    X(Mistake, 4, "Mistake")                             \
    X(MissingComma, 5, "Missing ,")                      \
    X(TypeMismatch, 6, "Type mismatch")                  \
    X(NotInFunction, 7, "Not in a function")             \
    X(AddressOutOfRange, 8, "Address out of range")      \
    X(MissingQuote, 9, "Missing \"")                     \
    X(BadDim, 10, "Bad DIM statement")                   \
    X(DimSpace, 11, "DIM space")                         \
    X(NotInFnOrProc, 12, "Not in a FN or PROC")          \
    X(NotInProcedure, 13, "Not in a procedure")          \
    X(BadUseOfArray, 14, "Bad use of array")             \
    X(BadSubscript, 15, "Bad subscript")                 \
    X(SyntaxError, 16, "Syntax error")                   \
    X(Escape, 17, "Escape")                              \
    X(DivisionByZero, 18, "Division by zero")            \
    X(StringTooLong, 19, "String too long")              \
    X(NumberTooBig, 20, "Number too big")                \
    X(NegativeRoot, 21, "Negative root")                 \
    X(LogRange, 22, "Logarithm range")                   \
    X(AccuracyLost, 23, "Accuracy lost")                 \
    X(ExponentRange, 24, "Exponent range")               \
    X(BadMode, 25, "Bad MODE")                           \
    X(NoSuchVariable, 26, "No such variable")            \
    X(MissingBracket, 27, "Missing )")                   \
    X(BadHex, 28, "Bad hex or binary")                   \
    X(NoSuchFnProc, 29, "No such FN/PROC")               \
    X(BadCall, 30, "Bad call")                           \
    X(IncorrectArguments, 31, "Incorrect arguments")     \
    X(NotInFor, 32, "Not in a FOR loop")                 \
    X(CantMatchFor, 33, "Can't match FOR")               \
    X(BadForVariable, 34, "Bad FOR variable")            \
    X(StepZero, 35, "STEP cannot be zero")               \
    X(MissingTo, 36, "Missing TO")                       \
    X(MissingOf, 37, "Missing OF")                       \
    X(NotInSubroutine, 38, "Not in a subroutine")        \
    X(OnSyntax, 39, "ON syntax")                         \
    X(OnRange, 40, "ON range")                           \
    X(NoSuchLine, 41, "No such line")                    \
    X(OutOfData, 42, "Out of data")                      \
    X(NotInRepeat, 43, "Not in a REPEAT loop")           \
    X(WhenNotFirst, 44, "WHEN/OTHERWISE not first")      \
    X(MissingHash, 45, "Missing #")                      \
    X(NotInWhile, 46, "Not in a WHILE loop")             \
    X(MissingEndcase, 47, "Missing ENDCASE")             \
    X(OfNotLast, 48, "OF not last")                      \
    X(MissingEndif, 49, "Missing ENDIF")                 \
    X(BadMouseVariable, 50, "Bad MOUSE variable")        \
    X(NoSuchSystemCall, 51, "No such system call")       \
    X(BadLibrary, 52, "Bad library")                     \
    X(SizeMismatch, 53, "Size mismatch")                 \
    X(DataNotLocal, 54, "DATA not LOCAL")

enum class Err : uint8_t {
#define KOV_ERR_ENUM(name, number, text) name = number,
    KOV_ERRORS(KOV_ERR_ENUM)
#undef KOV_ERR_ENUM
};

constexpr int kErrorTableSize = 55;

// The message of table entry `number` (0..54); "" for other numbers.
const char* error_table_message(int number);

// A BASIC error in flight. Caught only by the statement loop (and by the
// few host-level entry points that run BASIC-level code outside it).
struct BasicError {
    int number;            // 0..255; 0 cannot be trapped
    std::string message;   // the text REPORT prints
};

// Raise an error of the table by number.
[[noreturn]] void raise(Err e);
// Raise an error with its own message (file, device and command errors,
// ERROR n,s, "LINE space" ...).
[[noreturn]] void raise(int number, std::string_view message);

}  // namespace kov
