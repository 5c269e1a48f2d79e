// How the print host says why something failed. A system call's error code is taken by the caller
// right after the failing call (GetLastError, before anything else runs: building a message
// string may already change it) and handed over as a value.
#pragma once
#include <windows.h>

#include <string>

// Stores text in error (when there is one) and answers false, so that a failure reads
// `return HostFail(error, ...);`.
inline bool HostFail(std::wstring* error, const std::wstring& text)
{
    if (error) *error = text;
    return false;
}

// text followed by the error code the failed call left: " (error 5)", or " (no error code)" for a
// call that failed without setting one.
inline std::wstring HostErrorText(const std::wstring& text, DWORD code)
{
    return text + (code ? L" (error " + std::to_wstring(code) + L")" : std::wstring(L" (no error code)"));
}
