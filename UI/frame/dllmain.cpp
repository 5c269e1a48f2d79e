// Entry point of the user-interface library.
#include <windows.h>

#include "drvglobals.h"
#include "startup.h"

HINSTANCE g_hInst = nullptr;
CRITICAL_SECTION g_DllLock;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // The loader serialises attach and detach; neither takes the library lock.
        InitializeCriticalSection(&g_DllLock);
        DrvProcessAttach(instance);
        break;
    case DLL_PROCESS_DETACH:
        DrvProcessDetach();
        DeleteCriticalSection(&g_DllLock);
        break;
    default:
        break;
    }
    return TRUE;
}
