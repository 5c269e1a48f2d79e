// The rendering library's own text formatter for PJL lines, PCL parameters and HP-GL/2 commands.
//
// It knows only the conversions the print stream needs, and it never consults the locale, so a
// number always comes out with ASCII digits and a "." point. Two conversions differ from the
// printf family: "%f" prints a 24.8 fixed-point integer, and a field width always pads with
// zeros (also in front of a minus sign).
//
// After "%":
//   0-9   sets the field width to that digit and reads the next character (only the last digit
//         counts; the width stays in force for the rest of the format)
//   d     signed decimal, zero-padded to the field width
//   u     unsigned decimal, no padding
//   l     signed decimal, no padding
//   x, X  upper-case hexadecimal, at least two digits
//   c     the argument's low byte
//   s     a NUL-terminated string (a NULL pointer writes nothing)
//   b     "true" when the argument is not 0, else "false"
//   f     24.8 fixed point: integer part, then up to three decimals without trailing zeros
//   NUL   ends the format
//   other the character itself, no argument taken ("%%" gives "%")
// Every argument but that of "%s" is taken as one 32-bit value.
#pragma once
#include <windows.h>

#include <cstdarg>
#include <cstddef>

// Formats into dest, which holds destSize bytes. The output is cut at destSize - 1 characters and
// always NUL-terminated (nothing is written when destSize is 0). Returns the characters written,
// without the terminator.
DWORD FormatString(char* dest, size_t destSize, const char* format, ...);
DWORD FormatVarArgs(char* dest, size_t destSize, const char* format, va_list args);

// |n| of a signed 32-bit integer; the most negative value, which has no positive counterpart,
// comes back unchanged.
LONG AbsValue(LONG n);
