// The rendering library's outer shell: the driver's entry points, the hook table handed to the
// graphics engine, and the process-wide state that lives outside any PDEV.
#pragma once
#include <windows.h>
#include <winddi.h>

// Filled once at process attach.
extern OSVERSIONINFOW g_OsVersion;
// The default glyph set of the device fonts (256 characters of the ANSI code page), made by
// DrvEnableDriver; glyph sets made by the engine live as long as the process.
extern FD_GLYPHSET* g_DefaultGlyphSet;

// The DDI version this driver is written for.
constexpr ULONG DRV_DDI_VERSION = 0x20000;

// The hooks handed to the engine, in their table order, and their number.
extern const DRVFN g_DrvHookTable[];
extern const ULONG g_DrvHookCount;

// The process-attach work of the entry point: the OS version.
void InitRenderProcessState();
