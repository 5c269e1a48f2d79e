// Token readers for the values of the model data files: numbers, quoted names, Yes/No words
// and the position masks that say in which trays, stackers, finishers and ejection positions a
// paper can go.
//
// The cursor readers work on one value read into a writable, terminated buffer. They advance
// the cursor in place and never move it past the terminator. They are destructive: a ';' (the
// start of a comment, which ends the value for every reader) at which a reader stops is
// overwritten with the terminator, so later tokens of the same value see the end; the string
// reader also terminates the string it returns inside the buffer.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

// Reads a number up to the terminator, delimiter or ';' and leaves the cursor on the character
// that ended it (the caller steps over a delimiter). Decimal digits, or hexadecimal digits
// after "0x"/"0X"; every other character is passed over. A '-' anywhere in the token negates
// the result. No overflow check: the value wraps at 32 bits.
LONG DataFileParseNumber(LPWSTR* cursor, WCHAR delimiter);

// The same without the sign rule ('-' is passed over like any other character).
DWORD DataFileParseHexOrDec(LPWSTR* cursor, WCHAR delimiter);

// Reads a string token up to the terminator, delimiter or ';' and leaves the cursor there.
// With a double quote in the token the result starts after it and ends at the next double
// quote (overwritten with the terminator); \xH and \xHH escapes inside the quotes are decoded.
// Without a quote the result is the token's first character and runs to the end of the value.
LPWSTR DataFileParseString(LPWSTR* cursor, WCHAR delimiter);

// Return values of DataFileParseYesNo.
constexpr int DATAFILE_NO = 0;
constexpr int DATAFILE_YES = 1;
constexpr int DATAFILE_NEITHER = 2;

// Passes over characters up to the first Y, y, N, n, ';' or the end: "No" (either case) gives
// DATAFILE_NO, "Yes" DATAFILE_YES, anything else DATAFILE_NEITHER. The cursor is left after the
// letters that matched (a ";" it stops on becomes the terminator).
int DataFileParseYesNo(LPWSTR* cursor);

// Stores the unsigned decimal number at the start of text into *out (0 without digits; wraps
// at 32 bits) and returns the number of digits read. A NULL text reads as no digits.
int ParseDecimalToken(LPCWSTR text, DWORD* out);

// Position masks. A mask value is a sequence of fixed-length tokens with any characters between
// them (the shipped values use " + "); reading ends at the end of the value or at ';'.

// The mask of [AllMediatype] and [PaperSourceType] values: TRAY., STK., FIN. and EJS tokens.
// Reading also ends at delimiter between tokens.
DWORD DataFileParseMediaMask(LPWSTR* cursor, WCHAR delimiter);

// The finisher mask of wFinisherType: PUNCH. and TRAY. tokens.
DWORD DataFileParsePunchMask(LPWSTR* cursor);

// The input-tray mask of IntrayType: TRAY. tokens with eight positions.
DWORD DataFileParseTrayMask(LPWSTR* cursor);

#endif  // DRV_BUILD_UM
