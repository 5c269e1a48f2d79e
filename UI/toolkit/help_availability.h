// Whether the system's help viewer can show the driver's help files. On Windows 6.0 and later
// the viewer of the old help format is a version 6 program that cannot show them; every trace of
// help (Help buttons, F1, context help) is then hidden.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

// Control id of the Help button in every dialog.
constexpr int IDC_HELP_BUTTON = 50;

// Decides once per process (at process attach) whether help can be shown; later calls return at
// once. Help stays available below Windows 6.0, and whenever the viewer's version cannot be read.
void InitWinHelpAvailability();

// The decision itself, without storing it: FALSE on Windows 6.0 and later when the help viewer
// (WINHLP32.EXE in the Windows folder) has a product version of 6 up to 49.
BOOL DetectWinHelpAvailability();

// TRUE while help can be shown (also before InitWinHelpAvailability ran).
BOOL IsWinHelpAvailable();

// TRUE when help cannot be shown and the message is a help request: WM_NOTIFY with PSN_HELP,
// WM_HELP, WM_CONTEXTMENU, or WM_COMMAND from the Help button. Dialog procedures call it first
// and return at once when it answers TRUE.
BOOL IsUnavailableHelpRequest(UINT message, WPARAM wParam, LPARAM lParam);

#endif  // DRV_BUILD_UM
