// Number, text and page-range helpers shared by the user-interface library:
// decimal conversions of wide text, the fixed-point numbers shown in the
// dialogs (millimetres with one decimal, inches with two or three), the
// page-range syntax of overlays and page selections, token and trim helpers
// for INI values, and the system version query.
//
// All text is UTF-16. No function allocates; every output goes to a buffer
// the caller provides (sizes below) or to the library's static token buffer.
#pragma once

#include <windows.h>

#include <cstddef>

// A page set: 1000 bits, bit n for page n (byte n / 8, bit n % 8), kept in a
// 128-byte block. Pages 1..999 are meaningful; bit 0 may be set by a range
// that starts at 0.
constexpr size_t PAGESET_BYTES = 128;

// Minimum sizes, in WCHARs including the terminator, of the formatters'
// output buffers. No input value makes a formatter write beyond them.
constexpr size_t INTTOWSTR_CCH = 12;    // "-2147483648"
constexpr size_t INT64TOWSTR_CCH = 21;  // "-9223372036854775808"
constexpr size_t FIXEDTOWSTR_CCH = 16;  // FixedToWStr and SignedFixedToWStr

// Return codes of ParsePageRange and NormalizePageRange.
constexpr int PAGERANGE_OK = 0;
constexpr int PAGERANGE_BADCHAR = -1;    // bad character, or "-" after a completed range
constexpr int PAGERANGE_TOOLARGE = -2;   // a number above 999

// Maximum token length CopyToken keeps (its buffer holds one more WCHAR).
constexpr size_t COPYTOKEN_MAXCCH = 128;

// Longest text TrimWStr accepts, in characters.
constexpr size_t TRIMWSTR_MAXCCH = 1023;

// Reverses the text in place. Returns 0.
int ReverseWStr(LPWSTR text);

// Writes the decimal digits of value, with a leading "-" for negatives, into
// buffer (at least INTTOWSTR_CCH WCHARs). Returns the number of characters
// written, not counting the terminator.
int IntToWStr(LONG value, LPWSTR buffer);

// The same for the signed 64-bit value whose low and high halves are given;
// buffer holds at least INT64TOWSTR_CCH WCHARs.
int Int64ToWStr(DWORD low, LONG high, LPWSTR buffer);

// Skips leading spaces, takes an optional "+" or "-", then decimal digits up
// to the first non-digit. No digits give 0. A value beyond the LONG range is
// limited to LONG_MIN or LONG_MAX.
LONG WStrToInt(LPCWSTR text);

// Shows value / 10^n: with no decimals for n 0 (or less), one decimal for n 1
// and two decimals for n 2 or more; further digits are dropped, not rounded.
// One "0" stands before the point when the whole part is 0 ("0.5"). value is
// unsigned (the dialogs use 0..99999). buffer holds at least FIXEDTOWSTR_CCH
// WCHARs. Returns the number of characters written.
int FixedToWStr(LPWSTR buffer, DWORD value, int n);

// The same for a signed value with a leading "-" for negatives, and n
// decimals for n up to 3, three for larger n (the dialogs use magnitudes up to
// 999999). buffer holds at least FIXEDTOWSTR_CCH WCHARs.
int SignedFixedToWStr(LPWSTR buffer, LONG value, int n);

// Reads unsigned decimal text with an optional "." and fraction as
// value * 10^n: the first n fraction digits are used (missing ones count as
// 0), further fraction digits must be digits and are dropped. A negative n
// counts as 0. Empty text reads as 0.
// Returns 0 on success; 1 for any other character, or when the value does not
// fit a LONG, with *out set to 0.
int WStrToFixed(LPCWSTR text, int n, LONG* out);

// The same with an optional leading "-".
int WStrToSignedFixed(LPCWSTR text, int n, LONG* out);

// WStrToFixed, and 1 with *out 0 when the value exceeds 32767.
int WStrToFixedShort(LPCWSTR text, int n, SHORT* out);

// Parses page-range text ("1-3,5,7-") into pageSet, which is cleared first:
// numbers 0..999 separated by commas; "a-b" is a range (reversed bounds are
// swapped), "a-" runs to 999, "-b" starts at 0; spaces are ignored.
// Returns PAGERANGE_OK (also for empty or NULL text), PAGERANGE_BADCHAR or
// PAGERANGE_TOOLARGE; on an error the set is left empty.
int ParsePageRange(LPCWSTR text, BYTE pageSet[PAGESET_BYTES]);

// Parses the text (cchText WCHARs of buffer, the terminator among them) and
// rewrites it as the shortest ascending list of pages 1..999 and ranges
// ("1-3,5,7-999"). On a parse error returns the parser's code and leaves the
// text. The rewritten text can be longer than the typed one ("5-" becomes
// "5-999"); when it would not fit in cchText the text is left as typed (an
// equivalent range) and 0 is returned. Text without a terminator within
// cchText is refused with PAGERANGE_BADCHAR.
int NormalizePageRange(LPWSTR text, size_t cchText);

// Copies text up to delimiter or its end, at most COPYTOKEN_MAXCCH characters,
// into the library's one static token buffer, terminates it and returns it.
// The next call overwrites the buffer; the library does not lock it.
LPWSTR CopyToken(LPCWSTR text, WCHAR delimiter);

// Removes leading and trailing spaces and tabs in place. Returns 1, or 0 with
// the text unchanged when it is longer than TRIMWSTR_MAXCCH characters.
int TrimWStr(LPWSTR text);

// The system version as GetVersion reports it, except that on systems older
// than 3.95 whose system folder holds SPOOL32.EXE the low word reports 3.95
// (0x5F03); the high word is kept.
DWORD DrvGetWindowsVersion();
