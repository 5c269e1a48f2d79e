// Crashes on purpose after creating a window, to show that a crashing test program ends at once
// with a failure code under the Wine runner instead of waiting for a debugger or a message box.
#include <windows.h>

#include <cstdio>

int main()
{
    HWND window = CreateWindowW(L"STATIC", L"crash probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
    printf("window %s\n", window ? "created" : "not created");
    fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
