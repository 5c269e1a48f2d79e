// The module handle that a library's entry point keeps; in a test program the tests set it to
// a module loaded from the driver folder they stand up.
#include <windows.h>

HINSTANCE g_hInst = nullptr;
