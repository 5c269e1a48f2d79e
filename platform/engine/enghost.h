// What the graphics engine offers its host (the print road that plays the print system, and the
// tests) beyond the engine services a printer driver calls: the engine devices (HDEV) that a
// driver's surfaces are associated with, the answer EngCheckAbort gives for a device's job, and
// read access to what the engine keeps about a surface or a palette.
#pragma once
#include <windows.h>
#include <winddi.h>

#ifdef __cplusplus
extern "C" {
#endif

// What the engine keeps about a surface beyond its SURFOBJ.
typedef struct _HOSTENG_SURFACEINFO {
    HDEV hdev;        // device of the last EngAssociateSurface, NULL before
    FLONG flHooks;    // hooks of the last EngAssociateSurface
    BOOL bBanding;    // EngMarkBandingSurface was called
    ULONG cLocks;     // EngLockSurface calls not yet matched by EngUnlockSurface
    HBITMAP hDib;     // the DIB section holding the bits when the engine allocated them, else NULL
} HOSTENG_SURFACEINFO;

typedef struct _HOSTENG_PALETTEINFO {
    ULONG iMode;      // PAL_INDEXED, PAL_BITFIELDS, PAL_RGB or PAL_BGR
    ULONG cColors;    // PAL_INDEXED: number of entries; else 0
    FLONG flRed;      // PAL_BITFIELDS: the masks; else 0
    FLONG flGreen;
    FLONG flBlue;
} HOSTENG_PALETTEINFO;

// Makes an engine device for the PDEV a driver returned from DrvEnablePDEV; the handle is what
// the host passes to DrvCompletePDEV. Surfaces associated with it report dhpdev in their SURFOBJ.
// Returns NULL when the engine's handle table is full.
HDEV WINAPI HostEngCreateDevice(DHPDEV dhpdev);
// Gives a device made before its PDEV existed (the engine passes its device to DrvEnablePDEV)
// the PDEV the driver returned. FALSE for an unknown handle.
BOOL WINAPI HostEngSetDevicePdev(HDEV hdev, DHPDEV dhpdev);
// Ends a device. Surfaces associated with it keep their SURFOBJ values, but EngCheckAbort on
// them answers FALSE and they cannot be associated with it again. FALSE for an unknown handle.
BOOL WINAPI HostEngDeleteDevice(HDEV hdev);
// Sets what EngCheckAbort answers for surfaces associated with the device (FALSE at first).
BOOL WINAPI HostEngSetAbort(HDEV hdev, BOOL bAbort);
// Fills info for a live surface; FALSE (info untouched) for an unknown or deleted handle.
BOOL WINAPI HostEngQuerySurface(HSURF hsurf, HOSTENG_SURFACEINFO* info);
// Fills info for a live palette and copies up to cColorsMax of its entries to pulColors (which
// may be NULL when cColorsMax is 0); FALSE for an unknown handle.
BOOL WINAPI HostEngQueryPalette(HPALETTE hpal, HOSTENG_PALETTEINFO* info, ULONG* pulColors,
                                ULONG cColorsMax);

#ifdef __cplusplus
}
#endif
