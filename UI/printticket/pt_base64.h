// Base64 (the standard alphabet with "=" padding, no line breaks) of the DEVMODE snapshot that a
// PrintTicket or PrintCapabilities document carries as UTF-16 text.
#pragma once

#include <windows.h>

// Characters Base64Encode writes for `length` bytes, the terminating 0 included.
constexpr SIZE_T Base64EncodedChars(SIZE_T length) { return (length + 2) / 3 * 4 + 1; }

// Encodes `length` bytes into `text`, which holds Base64EncodedChars(length) characters; the
// text ends with a 0 character. data NULL, text NULL or length 0: E_FAIL.
HRESULT Base64Encode(const BYTE* data, DWORD length, WCHAR* text);

// Decodes a 0-terminated text. With buffer NULL only *length is set, to the number of bytes the
// text gives. With a buffer, *length on entry is its size in bytes: a text that gives more
// leaves the buffer untouched and returns HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) with
// *length the size needed; otherwise the bytes are written and *length is their number.
// (Callers ask for the length first and pass that size back.)
// Decoding runs group by group of four characters: carriage returns and line feeds where a group
// would begin are skipped; characters outside the alphabet count as 0; a group gives one byte
// when its third character is "=", two when its fourth is, else three. An incomplete last
// group is ignored, and nothing past the terminating 0 is ever read.
// text NULL or length NULL: E_FAIL.
HRESULT Base64Decode(const WCHAR* text, BYTE* buffer, DWORD* length);
