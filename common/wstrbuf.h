// Bounded copies into fixed wide-character buffers. Nothing is written past cch characters;
// a text that does not fit leaves the buffer unchanged and reports false.
#pragma once
#include <windows.h>
#include <cwchar>
#include <cstddef>

// Copies src into out (cch characters with the terminator).
inline bool WBufCopy(LPWSTR out, size_t cch, LPCWSTR src)
{
    const size_t n = src ? wcslen(src) : 0;
    if (!out || n >= cch) return false;
    if (n) wmemcpy(out, src, n);
    out[n] = L'\0';
    return true;
}

// Appends src to the text already in out (cch characters with the terminator).
inline bool WBufAppend(LPWSTR out, size_t cch, LPCWSTR src)
{
    if (!out) return false;
    const size_t used = wcsnlen(out, cch);
    if (used >= cch) return false;
    return WBufCopy(out + used, cch - used, src);
}
