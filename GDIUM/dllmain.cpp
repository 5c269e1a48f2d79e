// Entry point of the rendering library.
#include <windows.h>

#include "drvglobals.h"

HINSTANCE g_hInst = nullptr;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_hInst = instance;
    return TRUE;
}
