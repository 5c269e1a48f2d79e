// The paper-tray picture of the Setup page: the picture of the printer for the model, its
// optional trays, manual feed and finisher, and one clickable polygon region per selectable
// source, in the order of the page's source list.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include "modelrecord.h"

#ifndef DRV_BUILD_UM

// The region picture control of the Setup page that shows the trays.
constexpr int IDC_TRAY_PICTURE = 150;

// The selector a: the installed optional trays (low byte of wSourceOption, 0..4), plus 8 while
// manual feed is the current source; bit 0x100 (the extra bin) and any other value choose the
// base picture and regions of the model's family.
constexpr UINT TRAYSEL_MANUAL_FEED = 8;

// Most regions a picture has.
constexpr int TRAYPICTURE_MAX_REGIONS = 7;

// The picture and the polygons (numbers 1..30 of the tray polygon table) of one case.
struct TRAYPICTURE {
    UINT bitmapId;
    int count;
    BYTE polygons[TRAYPICTURE_MAX_REGIONS];
};

// The picture and polygons for a model class, whether the model lists the automatic source (7)
// and manual feed (4), the selector and the finishing flag (finishing output on).
TRAYPICTURE ChooseTrayPicture(WORD modelId, BOOL autoListed, BOOL manualListed, UINT selector, BOOL finishing);

// The points of tray polygon number (1..30) and their count; NULL for another number.
const POINT* TrayPolygonPoints(int number, int* count);

// Builds the regions of the model's picture and hands picture (from dialogRes) and regions to
// the region picture control IDC_TRAY_PICTURE of dialog. finishing is the DEVMODE's finishing
// word (bit 0: finishing output on). When the regions cannot be made, the control keeps its
// picture and regions.
void SetTrayPictureRegions(HWND dialog, UINT selector, const MODELINFO* model, HMODULE dialogRes, DWORD finishing);

#endif  // DRV_BUILD_UM
