// Entry point of the rendering library.
#include <windows.h>

#include "driver_entry.h"
#include "drvglobals.h"

HINSTANCE g_hInst = nullptr;
CRITICAL_SECTION g_DllLock;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_hInst = instance;
        InitializeCriticalSection(&g_DllLock);
        InitRenderProcessState();
        break;
    case DLL_PROCESS_DETACH:
        DeleteCriticalSection(&g_DllLock);
        break;
    default:
        break;
    }
    return TRUE;
}
