// Feeding the layout preview as the pages do: every value of its state in one record, sent as
// the LPM_ messages and followed by a redraw.
#pragma once
#include <windows.h>

#include "control_host.h"
#include "controls/custom_controls.h"
#include "controls/layout_preview.h"

struct LayoutFeed {
    WORD mode = 0;
    DWORD modeParam = 0;
    WORD maxWidth = 2970, maxLength = 4200;
    WORD orientation = 1;
    WORD pageWidth = 2100, pageLength = 2970;
    WORD border = 1;
    WORD nup = 0x101, order = 0;
    WORD outputWidth = 2100, outputLength = 2970;
    WORD duplex = 0;
    WORD bindingEdge = 0, bindingMargin = 0;
    WORD punch = 0, staple = 0;
    WORD bookletOption = 0, bookletVariant = 0;
    WORD posterCount = 2, posterColumns = 1, posterRows = 2;
    WORD posterMarks = 0, posterOverlap = 0, overlapWidth = 0, tileOrientation = 1;
    HMODULE samples = nullptr;
    WORD color = 1;
    LONG bookletSheets = -1;

    // The state the control holds after the messages.
    LAYOUTPREVIEWDATA state() const
    {
        LAYOUTPREVIEWDATA s = {};
        s.wPageWidth = pageWidth;
        s.wPageLength = pageLength;
        s.wOrientation = orientation;
        s.wMaxWidth = maxWidth;
        s.wMaxLength = maxLength;
        s.wNup = nup;
        s.dwBorder = border;
        s.wOrder = order;
        s.wDuplex = duplex;
        s.wBindingEdge = bindingEdge;
        s.wBindingMargin = bindingMargin;
        s.wMode = mode;
        s.wOutputWidth = outputWidth;
        s.wOutputLength = outputLength;
        s.dwPunch = DWORD{punch} << 16;
        s.wStaple = staple;
        s.wPosterCount = posterCount;
        s.wPosterColumns = posterColumns;
        s.wPosterRows = posterRows;
        s.dwPosterMarks = posterMarks;
        s.dwPosterOverlap = posterOverlap;
        s.wOverlapWidth = overlapWidth;
        s.wTileOrientation = tileOrientation;
        s.wBookletOption = bookletOption;
        s.wBookletVariant = bookletVariant;
        s.hResModule = samples;
        s.dwColor = color;
        s.lBookletSheets = bookletSheets;
        s.dwModeParam = modeParam;
        return s;
    }

    void send(HWND control) const
    {
        SendMessageW(control, LPM_SETMODE, mode, static_cast<LPARAM>(modeParam));
        SendMessageW(control, LPM_SETMAXPAPER, 0, MAKELPARAM(maxWidth, maxLength));
        SendMessageW(control, LPM_SETORIENTATION, 0, orientation);
        SendMessageW(control, LPM_SETPAPERSIZE, 0, MAKELPARAM(pageWidth, pageLength));
        SendMessageW(control, LPM_SETBORDER, 0, border);
        SendMessageW(control, LPM_SETNUP, 0, MAKELPARAM(nup, order));
        SendMessageW(control, LPM_SETOUTPUTPAPER, 0, MAKELPARAM(outputWidth, outputLength));
        SendMessageW(control, LPM_SETPAPERCLASS, 0, 0);
        SendMessageW(control, LPM_SETDUPLEX, duplex, 0);
        SendMessageW(control, LPM_SETBINDING, bindingEdge, bindingMargin);
        SendMessageW(control, LPM_SETFINISHING, punch, staple);
        SendMessageW(control, LPM_SETBOOKLETOPT, bookletOption, 0);
        SendMessageW(control, LPM_SETBOOKLETVARIANT, bookletVariant, 0);
        SendMessageW(control, LPM_SETPOSTER, posterCount == 0xFFFF ? static_cast<WPARAM>(-1) : posterCount,
                     MAKELPARAM(posterColumns, posterRows));
        SendMessageW(control, LPM_SETPOSTERMARKS, posterMarks, 0);
        SendMessageW(control, LPM_SETPOSTEROVERLAP, posterOverlap, 0);
        SendMessageW(control, LPM_SETOVERLAPWIDTH, overlapWidth, 0);
        SendMessageW(control, LPM_SETTILEORIENT, tileOrientation, 0);
        SendMessageW(control, LPM_SETRESMODULE, reinterpret_cast<WPARAM>(samples), 0);
        SendMessageW(control, LPM_SETCOLOR, color, 0);
        SendMessageW(control, LPM_SETBOOKLETSHEETS, 0, bookletSheets);
        SendMessageW(control, LPM_REDRAW, 1, 0);
    }
};

// The colour of a sample page of the test pictures (see tests/fixtures/pictures.txt): the blue
// component is the id's last two digits (in hex digits as written).
inline COLORREF SampleColor(UINT id)
{
    switch (id) {
    case 340: return RGB(0xD0, 0x20, 0x50);
    case 341: return RGB(0xD0, 0x20, 0x51);
    case 350: return RGB(0x40, 0x40, 0x50);
    case 351: return RGB(0x40, 0x40, 0x51);
    case 360: return RGB(0x00, 0xA0, 0x60);
    case 361: return RGB(0x00, 0xA0, 0x61);
    case 370: return RGB(0x80, 0x80, 0x70);
    case 371: return RGB(0x80, 0x80, 0x71);
    case 342: return RGB(0xC0, 0x10, 0x42);
    case 343: return RGB(0xC0, 0x10, 0x43);
    case 363: return RGB(0x10, 0xA0, 0x63);
    case 362: return RGB(0x10, 0xA0, 0x62);
    default: return CLR_INVALID;
    }
}
