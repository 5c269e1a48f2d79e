// Holds the Wine machine's desktop open for as long as a test run uses it.
//
// Wine closes a desktop about a second after the last program on it ends, and starts it again
// for the next program that needs it. Tests start and end hundreds of programs, several at a
// time; one that starts while the desktop is closing can wait for it without end. This program
// uses the desktop and then waits, so the desktop stays up until the runner stops the machine.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // A message-only window ties this process to the desktop without showing anything.
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
