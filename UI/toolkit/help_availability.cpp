// Help availability; see help_availability.h.
#include "help_availability.h"

#include <prsht.h>

#include <iterator>

#include "wstrbuf.h"

namespace {

// Help can be shown until the start-up test says otherwise; the test runs once.
BOOL g_bWinHelpAvailable = TRUE;
BOOL g_bWinHelpChecked = FALSE;

constexpr WCHAR kHelpViewer[] = L"\\WINHLP32.EXE";
// Product versions of the viewer that cannot show the driver's help files.
constexpr WORD kFirstUnableViewer = 6;
constexpr WORD kLastUnableViewer = 49;

// The major product version of the help viewer; FALSE when it cannot be read.
BOOL ReadViewerMajorVersion(WORD* major)
{
    WCHAR path[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !WBufAppend(path, MAX_PATH, kHelpViewer)) return FALSE;

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return FALSE;
    void* block = LocalAlloc(LPTR, size);
    if (!block) return FALSE;
    BOOL ok = FALSE;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT cb = 0;
    if (GetFileVersionInfoW(path, 0, size, block) &&
        VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&fixed), &cb) && fixed &&
        cb >= sizeof(VS_FIXEDFILEINFO)) {
        *major = HIWORD(fixed->dwProductVersionMS);
        ok = TRUE;
    }
    LocalFree(block);
    return ok;
}

}  // namespace

BOOL DetectWinHelpAvailability()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version) || version.dwMajorVersion < 6) return TRUE;
    WORD viewer = 0;
    if (!ReadViewerMajorVersion(&viewer)) return TRUE;
    return viewer >= kFirstUnableViewer && viewer <= kLastUnableViewer ? FALSE : TRUE;
}

void InitWinHelpAvailability()
{
    if (g_bWinHelpChecked) return;
    g_bWinHelpChecked = TRUE;
    g_bWinHelpAvailable = DetectWinHelpAvailability();
}

BOOL IsWinHelpAvailable() { return g_bWinHelpAvailable; }

BOOL IsUnavailableHelpRequest(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_bWinHelpAvailable) return FALSE;
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return header && header->code == static_cast<UINT>(PSN_HELP) ? TRUE : FALSE;
    }
    case WM_HELP:
    case WM_CONTEXTMENU:
        return TRUE;
    case WM_COMMAND:
        return LOWORD(wParam) == IDC_HELP_BUTTON ? TRUE : FALSE;
    default:
        return FALSE;
    }
}
