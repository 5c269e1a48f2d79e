// Process-wide state that the model data library shares with the library it is compiled into.
#pragma once
#include <windows.h>

// The library's own module handle, kept by its entry point at process attach. Its folder is
// the driver folder, where the master data file and the model data files are installed.
extern HINSTANCE g_hInst;

// The library's one lock, made by its entry point at process attach. It guards the model table.
extern CRITICAL_SECTION g_DllLock;
