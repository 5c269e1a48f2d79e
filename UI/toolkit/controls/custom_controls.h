// The four window classes of the user-interface library that the dialog templates of the
// language libraries place by name (picture button, region picture, watermark preview, layout
// preview), their private messages, and the wrappers the pages send them through.
//
// Every control keeps its state in a zero-initialised moveable global block whose handle is
// window long 0; its window procedure locks the block for one message at a time.
//
// User-interface library only.
#pragma once
#include <windows.h>
#include <uxtheme.h>

#ifndef DRV_BUILD_UM

struct COLORADJUST;

// Built-in class names, used when the name module's string table does not rename them.
inline constexpr WCHAR BITMAPCTL_CLASS[] = L"TAVBITMAP_CTL";
inline constexpr WCHAR REGIONCTL_CLASS[] = L"TAVPAGE_REGION_CTL";
inline constexpr WCHAR WATERMARKCTL_CLASS[] = L"TAVPAGE_WATERMARK_CTL";
inline constexpr WCHAR LAYOUTPREVIEWCTL_CLASS[] = L"TAVLAYOUTPREVIEW_CTL";

// String ids of the name module that rename the classes.
constexpr UINT IDS_BITMAPCTL_CLASS = 5;
constexpr UINT IDS_REGIONCTL_CLASS = 3;
constexpr UINT IDS_WATERMARKCTL_CLASS = 2;
constexpr UINT IDS_LAYOUTPREVIEWCTL_CLASS = 4;

// Class style of all four: global, redrawn whole when resized.
constexpr UINT CUSTOMCTL_CLASS_STYLE = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
// Window extra memory of all four: one slot for the state block's handle, which is as wide as a
// pointer on 64-bit systems.
constexpr int CUSTOMCTL_WND_EXTRA = sizeof(LONG_PTR);
// Longest class name read from the name module, terminator included.
constexpr int CUSTOMCTL_NAME_CCH = 128;

// ---- Picture button (TAVBITMAP_CTL) ------------------------------------------------------------
constexpr UINT MBM_SETIMAGE = WM_USER + 1;        // wParam module or 0, lParam bitmap id
constexpr UINT MBM_GETIMAGE = WM_USER + 2;        // low word of the image handle
constexpr UINT MBM_SETCHECK = WM_USER + 3;        // wParam checked, lParam nonzero: repaint
constexpr UINT MBM_GETCHECK = WM_USER + 4;
constexpr UINT MBM_QUERY = WM_USER + 5;           // answers 1
constexpr UINT MBM_SETDISABLED = WM_USER + 7;     // wParam disabled look, lParam nonzero: repaint
constexpr UINT MBM_SETCOLORADJUST = WM_USER + 8;  // lParam COLORADJUST*, used by the next MBM_SETIMAGE

// ---- Region picture (TAVPAGE_REGION_CTL) -------------------------------------------------------
constexpr UINT RSM_SETREGIONS = WM_USER + 1;  // wParam count, lParam HRGN array; the control owns them
constexpr UINT RSM_SETPICTURE = WM_USER + 2;  // wParam module or 0, lParam bitmap id
constexpr UINT RSM_SETBKCOLOR = WM_USER + 3;  // lParam COLORREF
constexpr UINT RSM_SETCURSEL = WM_USER + 4;   // wParam 0-based region index
constexpr UINT RSM_SETSTYLE = WM_USER + 5;    // wParam 1, lParam the two low style bits

// ---- Watermark preview (TAVPAGE_WATERMARK_CTL): lengths in points; wParam nonzero repaints ----
constexpr UINT WPM_SETPAGESIZE = 0x1107;      // LOWORD width, HIWORD height
constexpr UINT WPM_SETOFFSET = 0x1108;        // LOWORD x, HIWORD y (signed)
constexpr UINT WPM_SETLOGFONT = 0x1109;       // LOGFONTW*
constexpr UINT WPM_SETANGLE = 0x110A;         // LOWORD 0..359 degrees counter-clockwise
constexpr UINT WPM_SETSIZE = 0x110B;          // LOWORD text size
constexpr UINT WPM_SETSHADE = 0x110C;         // LOWORD 0 white, 50 grey, other black
constexpr UINT WPM_SETCOLOR = 0x110D;         // COLORREF
constexpr UINT WPM_REALIZEPALETTE = 0x110E;   // answers the text colour
constexpr UINT WPM_SETTEXT = 0x110F;          // LPCWSTR, at most 63 characters; "!" clears
constexpr UINT WPM_SETPOSITION = 0x1123;      // LOWORD placement 0..7
constexpr UINT WPM_SETAREA = 0x1124;          // LOWORD x, HIWORD y inset of the printable area
constexpr UINT WPM_SETMARGIN = 0x1125;        // LOWORD x, HIWORD y minimum margins
constexpr UINT WPM_SETFRAME = 0x1127;         // LOWORD 0 none, 1 circle, 2 box, 3 double box

// ---- Layout preview (TAVLAYOUTPREVIEW_CTL): lengths in 0.1 mm; only LPM_REDRAW repaints -------
constexpr UINT LPM_SETPAPERSIZE = 0x1117;     // lParam LOWORD width, HIWORD length
constexpr UINT LPM_SETORIENTATION = 0x1118;   // lParam LOWORD 1 portrait, 2 landscape
constexpr UINT LPM_SETBORDER = 0x1119;        // lParam LOWORD nonzero: frames in the shadow colour
constexpr UINT LPM_SETMAXPAPER = 0x111A;      // lParam LOWORD width, HIWORD length
constexpr UINT LPM_SETNUP = 0x111B;           // lParam LOWORD N-up code, HIWORD page order
constexpr UINT LPM_REDRAW = 0x111C;           // wParam nonzero: invalidate with erasing
constexpr UINT LPM_SETPAPERCLASS = 0x111D;    // wParam sheet class 0..4
constexpr UINT LPM_SETDUPLEX = 0x111E;        // wParam 0 none, 1 long edge, 2 short edge
constexpr UINT LPM_SETBINDING = 0x111F;       // wParam edge 0..4, lParam LOWORD margin
constexpr UINT LPM_SETOUTPUTPAPER = 0x1120;   // lParam LOWORD width, HIWORD length
constexpr UINT LPM_SETMODE = 0x1121;          // wParam 0 N-up, 1 booklet, 2 poster; lParam: no arrow
constexpr UINT LPM_SETFINISHING = 0x1122;     // wParam punch bits, lParam LOWORD staple bits
constexpr UINT LPM_SETPOSTER = 0x1126;        // wParam tiles 2, 4, 9, -1; lParam columns | rows << 16
constexpr UINT LPM_SETPOSTERMARKS = 0x1128;   // wParam nonzero: cut marks
constexpr UINT LPM_SETPOSTEROVERLAP = 0x1129; // wParam nonzero: overlap zones
constexpr UINT LPM_SETOVERLAPWIDTH = 0x112A;  // wParam overlap width
constexpr UINT LPM_SETTILEORIENT = 0x112B;    // wParam 1 or 2
constexpr UINT LPM_SETBOOKLETOPT = 0x112C;    // wParam 1: pages read from right to left
constexpr UINT LPM_SETBOOKLETVARIANT = 0x112D;  // wParam 0 or 1
constexpr UINT LPM_SETRESMODULE = 0x112E;     // wParam module of the sample bitmaps
constexpr UINT LPM_SETCOLOR = 0x112F;         // wParam nonzero: colour samples
constexpr UINT LPM_SETBOOKLETSHEETS = 0x1130; // lParam sheets per booklet set, -1 undivided

// The click notification of a picture button: WM_COMMAND to the parent, wParam the control's
// id, lParam this value. A region picture sends the 0-based region index as lParam instead.
constexpr LPARAM BITMAPCTL_CLICKED = 2;

// Registers the four classes with this library's module (instance) under the names that
// nameModule's string table gives (string ids above; the built-in names when missing). A class
// already registered by instance with the same window procedure stays; one with another
// procedure is registered anew. 1 when all four are registered; when one fails, the classes
// registered so far are unregistered again and the answer is 0.
BOOL RegisterCustomControls(HINSTANCE instance, HMODULE nameModule);

// Wrappers; each answers what SendMessageW answers.
LRESULT BitmapCtl_SetImage(HWND control, HMODULE module, UINT bitmapId);
LRESULT BitmapCtl_SetCheck(HWND control, BOOL checked, BOOL redraw);
// With a record: MBM_SETCOLORADJUST. With NULL: the button realises its palette as for
// WM_QUERYNEWPALETTE and answers the number of entries that changed.
LRESULT BitmapCtl_SetColorAdjust(HWND control, const COLORADJUST* adjust);
LRESULT RegionCtl_SetSelection(HWND control, int index);

// The theme class of a control when the theme library is usable and themes are on; NULL
// otherwise. CloseControlTheme closes a handle (NULL included) and clears it.
HTHEME OpenControlTheme(HWND control, LPCWSTR themeClass);
void CloseControlTheme(HTHEME* theme);

// Window procedures of the four classes (exported by name from the library).
extern "C" LRESULT CALLBACK MemBmpWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern "C" LRESULT CALLBACK RgnSelectWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern "C" LRESULT CALLBACK WatermarkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern "C" LRESULT CALLBACK LayoutPreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif  // DRV_BUILD_UM
