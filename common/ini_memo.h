// Values of INI files read through the profile functions, remembered while their file stays as
// it was. The profile functions open the file on every call (the system keeps its contents, but
// opens the file each time to compare its write time), which costs more than the rest of a
// model lookup; a value read again from a file whose write time and size have not changed since
// it was read is answered from memory. A file whose write time cannot be read, and a value too
// long to be kept whole, are read through the profile functions every time.
//
// The answers are the profile functions' own: same arguments, same result. Sections and keys are
// compared as given (a request in other capitals is read from the file). The memory is one per
// process, shared by its threads under the library's lock.
#pragma once
#include <windows.h>

// GetPrivateProfileStringW(section, key, defaultText, out, size, file) for a section and a key
// (no enumeration).
DWORD DrvReadIniString(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText, LPWSTR out, DWORD size, LPCWSTR file);

// GetPrivateProfileIntW(section, key, defaultValue, file).
UINT DrvReadIniInt(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file);
