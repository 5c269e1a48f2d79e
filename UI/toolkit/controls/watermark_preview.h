// The watermark preview (TAVPAGE_WATERMARK_CTL): a page with the watermark text as it will be
// printed, in its font, size, angle and colour, at one of eight placements, with an optional
// circle, box or double box around it, or repeated over the whole page. All lengths of its
// state are in points. On palette devices it builds a palette that holds the text colour.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include <cstdint>

#ifndef DRV_BUILD_UM

// Placements.
constexpr WORD WMKPOS_TOPLEFT = 0, WMKPOS_TOPCENTER = 1, WMKPOS_TOPRIGHT = 2, WMKPOS_CENTER = 3;
constexpr WORD WMKPOS_BOTTOMLEFT = 4, WMKPOS_BOTTOMCENTER = 5, WMKPOS_BOTTOMRIGHT = 6, WMKPOS_REPEATED = 7;
// Frames.
constexpr WORD WMKFRAME_NONE = 0, WMKFRAME_CIRCLE = 1, WMKFRAME_BOX = 2, WMKFRAME_DOUBLEBOX = 3;
// Texts above this size get thicker frame pens and a wider double-box gap.
constexpr WORD WMK_LARGE_TEXT = 221;
// Characters of the text, terminator included.
constexpr int WMK_TEXT_CCH = 64;

// State of one control (lengths in points).
struct WMKPREVIEWDATA {
    WORD wPageWidth;      // orientation applied
    WORD wPageHeight;
    SHORT wOffsetX;       // offset of the text from its placement
    SHORT wOffsetY;
    WORD wSize;           // text size
    WORD wAngle;          // 0..359 degrees counter-clockwise
    COLORREF crColor;
    HPALETTE hPalette;    // palette holding the text colour, made on palette devices
    LOGFONTW lfFont;      // height, width and escapement are set by the paint
    WCHAR szText[WMK_TEXT_CCH];
    WORD wPosition;       // WMKPOS_*; any other value places like WMKPOS_CENTER
    WORD wAreaX;          // inset of the printable area from the page edge
    WORD wAreaY;
    WORD wMarginX;        // the model's minimum margins
    WORD wMarginY;
    WORD wFrame;          // WMKFRAME_*
};

// The placement of the text, computed from the state, the client size and the extent of the
// text (cx x cy, unrotated) and of one space.
struct WATERMARKLAYOUT {
    int64_t u;                 // points per 100 pixels
    RECT page;                 // X, Y, X + W, Y + H
    int fontHeight;
    int cx, cy;                // text extent (cx with a space more when repeated)
    RECT textBox;              // bounding box of the turned text
    POINT origin;              // where the text is written (left end of the baseline)
    RECT placed;               // the box placed in the area: frame or text box
    int circleDiameter;
    SIZE innerFrame, outerFrame;  // frame rectangles before turning
    RECT clip;                 // the printable area
};

// The page box of the state in a client area; FALSE without page size or when a divisor is
// not positive (the preview then shows its frame only).
BOOL ComputeWatermarkPage(const WMKPREVIEWDATA& state, int width, int height, WATERMARKLAYOUT* layout);
// Completes layout (whose page box is computed) with the text's placement.
void ComputeWatermarkPlacement(const WMKPREVIEWDATA& state, SIZE text, int spaceWidth, WATERMARKLAYOUT* layout);

// A length of the state in pixels.
int WatermarkPixels(int64_t length, int64_t u);

// Draws the preview onto dc; 1 after drawing, 0 without state.
BOOL PaintWatermarkPreview(HWND window, HDC dc);

#endif  // DRV_BUILD_UM
