// The process-wide state that a library's entry point sets up, for test programs into which the
// model data library is linked: the module handle (tests set it to a module loaded from the
// driver folder they stand up) and the library lock.
#include <windows.h>

HINSTANCE g_hInst = nullptr;
CRITICAL_SECTION g_DllLock;

namespace {

struct LockSetUp {
    LockSetUp() { InitializeCriticalSection(&g_DllLock); }
} g_lockSetUp;

}  // namespace
