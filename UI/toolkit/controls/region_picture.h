// The region picture (TAVPAGE_REGION_CTL): a picture with clickable regions, such as the Setup
// page's picture of the printer and its trays. A click completed inside a region, or an arrow
// key, selects a region and tells the parent (WM_COMMAND, lParam the 0-based region index). The
// current region is shaded with a checkerboard; the region under a pressed mouse button gets a
// black frame. Magenta pixels of the picture show the background.
//
// User-interface library only.
#pragma once
#include <windows.h>
#include <uxtheme.h>

#ifndef DRV_BUILD_UM

// Style bits.
constexpr DWORD RGS_NATURALSIZE = 0x0002;  // the picture at its own size instead of stretched
constexpr DWORD RGS_NOFOCUSCUE = 0x0010;   // no focus cue, no repaint when the focus leaves

// State of one control. The block holds nCount region handles right after this record, each
// in a slot of its own size.
struct REGIONCTLDATA {
    LONG nCount;
    LONG nCurrent;     // current region, 1-based; 0 before anything was chosen
    LONG nPressed;     // region in which the left button went down; 0 none
    BOOL bFocus;
    LONG nHighlight;   // nPressed while the pointer is inside it, else 0
    DWORD dwStyle;
    COLORREF crBack;   // background without theme; 0 means the button-face colour
    HANDLE hPicture;   // loaded bitmap resource, or a bitmap handle when hModule is NULL
    UINT nImageId;
    HMODULE hModule;
    HPALETTE hPalette;
    HTHEME hTheme;     // theme class "Tab", NULL without themes
};
static_assert(sizeof(REGIONCTLDATA) % alignof(HRGN) == 0);

// The region handles of a locked state block.
inline HRGN* RegionCtl_Regions(REGIONCTLDATA* state)
{
    return reinterpret_cast<HRGN*>(state + 1);
}
// Bytes of a state block holding count regions.
constexpr SIZE_T RegionCtl_StateBytes(SIZE_T count)
{
    return sizeof(REGIONCTLDATA) + count * sizeof(HRGN);
}
// Most regions a control takes.
constexpr LONG REGIONCTL_MAX_REGIONS = 4096;

// The bitmap resource of hModule and nImageId, loaded; NULL when missing.
HGLOBAL RegionCtl_LoadPicture(const REGIONCTLDATA* state);
// The palette of the loaded picture's colour table; NULL without one.
HPALETTE RegionCtl_BuildPalette(const REGIONCTLDATA* state);
// Draws the picture, the background where it is magenta, and the region marks onto dc.
void RegionCtl_Paint(HDC dc, HWND window, REGIONCTLDATA* state);

#endif  // DRV_BUILD_UM
