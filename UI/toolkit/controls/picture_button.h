// The picture button (TAVBITMAP_CTL): a picture from a bitmap resource of the dialog library,
// with an optional caption, 3-D face, flat frame and focus rectangle, that may act as a push
// button, look checked or disabled, and show its picture through a colour-adjusted palette.
// Magenta pixels of the picture are transparent.
//
// User-interface library only.
#pragma once
#include <windows.h>
#include <uxtheme.h>

#include "color_adjust.h"

#ifndef DRV_BUILD_UM

// Style bits (low word of the window style).
constexpr DWORD BMS_IMAGE_VMASK = 0x0003;      // 0 whole height, 1 top, 2 centre, 3 bottom
constexpr DWORD BMS_IMAGE_HMASK = 0x000C;      // 0 whole width, 0x4 left, 0x8 centre, 0xC right
constexpr DWORD BMS_CAPTION_VMASK = 0x0030;    // 0 none, 0x10 above, 0x20 centred, 0x30 below
constexpr DWORD BMS_CAPTION_HMASK = 0x00C0;    // 0 none, 0x40 left, 0x80 centred, 0xC0 right
constexpr DWORD BMS_PUSHBUTTON = 0x0100;       // takes the focus, tracks the mouse, notifies
constexpr DWORD BMS_3DFACE = 0x0200;           // button face with a 2-pixel border
constexpr DWORD BMS_FLATFRAME = 0x0400;        // 1-pixel frame in the window-frame colour
constexpr DWORD BMS_FOCUSRECT = 0x0800;
constexpr DWORD BMS_CHECKINVERT = 0x2000;      // checked look inverts the picture
constexpr DWORD BMS_COLORADJUST = 0x4000;      // palette made with the colour adjustment
constexpr DWORD BMS_OPAQUE = 0x8000;           // no transparency

// State of one button (coordinates in client pixels).
struct BITMAPCTLDATA {
    HANDLE hImage;        // loaded bitmap resource, or a bitmap handle when hModule is NULL
    DWORD dwStyle;        // copy of the window style
    BOOL bChecked;
    BOOL bDisabled;       // disabled look
    BOOL bFocus;          // has the focus as a push button
    BOOL bPressed;        // drawn pressed
    BOOL bTracking;       // the left button went down inside the image
    RECT rcImage;         // image rectangle; the area that reacts to the mouse
    LONG xSrc, ySrc, cySrc, cxSrc;
    LONG xDest, yDest, cyDest, cxDest;
    RECT rcFace;
    RECT rcFrame;
    RECT rcCaption;       // caption clip rectangle
    RECT rcFocus;
    LONG xCaption, yCaption;
    HMODULE hModule;
    UINT nImageId;
    HPALETTE hPalette;    // palette of the picture; NULL without colour table
    COLORADJUST caAdjust; // adjustment for the next palette
    HTHEME hTheme;        // theme class "Button", NULL without themes
    BOOL bHot;            // the mouse is over the button and leave tracking is armed
};

// Longest caption drawn, in characters.
constexpr int BITMAPCTL_CAPTION_MAX = 63;

// Lays the button out from its style, picture and caption: image, source and destination,
// face, frame, focus and caption rectangles.
void BitmapCtl_Layout(HWND window, BITMAPCTLDATA* state);
// Draws the whole button onto dc through a memory picture.
void BitmapCtl_Paint(HDC dc, HWND window, BITMAPCTLDATA* state);
// Repaints the button: with a 3-D face the button itself, without it its area of the parent
// (the button is drawn over what the parent paints); both erased and updated at once.
void BitmapCtl_Repaint(HWND window, const BITMAPCTLDATA* state);
// The button's area of the parent, invalidated without erasing and updated at once.
void BitmapCtl_RepaintParent(HWND window);
// The state of the themed push-button face: pressed (3) while pressed, and for a checked
// button, also a disabled one; disabled (4); hot (2) under the mouse; else normal (1).
int BitmapCtl_ThemeState(const BITMAPCTLDATA* state);
// The bitmap resource of hModule and nImageId, loaded; NULL when missing.
HGLOBAL BitmapCtl_LoadImage(const BITMAPCTLDATA* state);
// The palette of the loaded picture (colour-adjusted with BMS_COLORADJUST); NULL for a picture
// without colour table, a missing or unsound one.
HPALETTE BitmapCtl_BuildPalette(BITMAPCTLDATA* state);

#endif  // DRV_BUILD_UM
