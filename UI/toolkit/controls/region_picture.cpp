// The region picture; see region_picture.h.
#include "region_picture.h"

#include <algorithm>

#include "control_state.h"
#include "custom_controls.h"
#include "dib_picture.h"
#include "startup.h"

namespace {

// Theme part of a tab page's body.
constexpr int kTabBodyPart = 10;

void Repaint(HWND window)
{
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

void DeleteRegions(REGIONCTLDATA* s)
{
    HRGN* regions = RegionCtl_Regions(s);
    for (LONG i = 0; i < s->nCount; ++i) {
        if (regions[i]) DeleteObject(regions[i]);
        regions[i] = nullptr;
    }
}

// The 1-based region containing the point, the later one where regions overlap; 0 for none.
LONG RegionAt(REGIONCTLDATA* s, POINT p)
{
    LONG found = 0;
    HRGN* regions = RegionCtl_Regions(s);
    for (LONG i = 0; i < s->nCount; ++i) {
        if (regions[i] && PtInRegion(regions[i], p.x, p.y)) found = i + 1;
    }
    return found;
}

bool RegionContains(REGIONCTLDATA* s, LONG number, POINT p)
{
    if (number < 1 || number > s->nCount) return false;
    HRGN region = RegionCtl_Regions(s)[number - 1];
    return region && PtInRegion(region, p.x, p.y);
}

constexpr WCHAR kThemeClass[] = L"Tab";

// Tells the parent which region is selected; the state must not be locked (the parent may
// answer by changing or destroying the control).
void NotifySelection(HWND window, LONG index)
{
    HWND parent = GetParent(window);
    if (parent) {
        SendMessageW(parent, WM_COMMAND, static_cast<WPARAM>(GetWindowLongW(window, GWL_ID)),
                     static_cast<LPARAM>(static_cast<WORD>(index)));
    }
}

void NotifyAndRepaint(HWND window, ControlState<REGIONCTLDATA>& s, LONG index)
{
    s.unlock();
    NotifySelection(window, index);
    if (IsWindow(window)) Repaint(window);
}

// RSM_SETREGIONS: takes over count regions. When the block cannot grow, the control keeps its
// regions, deletes the ones it was handed and answers 0.
LRESULT SetRegions(HWND window, ControlState<REGIONCTLDATA>& s, WPARAM count, const HRGN* handles)
{
    if (!handles) count = 0;
    if (count > static_cast<WPARAM>(REGIONCTL_MAX_REGIONS)) {
        for (WPARAM i = 0; i < count && handles; ++i) DeleteObject(handles[i]);
        return 0;
    }
    const LONG n = static_cast<LONG>(count);
    const LONG old = s->nCount;
    s.unlock();
    HGLOBAL block = ControlStateHandle(window);
    if (static_cast<SIZE_T>(n) > static_cast<SIZE_T>(old)) {
        HGLOBAL grown = GlobalReAlloc(block, RegionCtl_StateBytes(n), GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown) {
            for (LONG i = 0; i < n; ++i) DeleteObject(handles[i]);
            return 0;
        }
        block = grown;
        SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(block));
    }
    ControlState<REGIONCTLDATA> state(window);
    if (!state) return 0;
    DeleteRegions(state.get());
    state->nCount = n;
    std::copy(handles, handles + n, RegionCtl_Regions(state.get()));
    return 1;
}

void SetPicture(REGIONCTLDATA* s, HMODULE module, LPARAM id)
{
    ReplaceControlPicture({&s->hModule, &s->nImageId, &s->hPicture, &s->hPalette}, module, id);
    if (s->hModule && s->hPicture) s->hPalette = RegionCtl_BuildPalette(s);
}

void DrawBackground(HDC mem, HWND window, const REGIONCTLDATA* s, int dw, int dh)
{
    if (g_bThemeAvailable && s->hTheme && g_pfnDrawThemeBackground) {
        // The tab page's body as the property sheet (the grandparent) would draw it.
        RECT sheet = {0, 0, 0, 0};
        HWND parent = GetParent(window);
        HWND grandparent = parent ? GetParent(parent) : nullptr;
        if (grandparent) GetClientRect(grandparent, &sheet);
        const RECT body = {0, 0, sheet.right, 2 * sheet.bottom};
        g_pfnDrawThemeBackground(s->hTheme, mem, kTabBodyPart, 0, &body, nullptr);
        return;
    }
    const COLORREF back = s->crBack ? s->crBack : GetSysColor(COLOR_BTNFACE);
    HBRUSH brush = CreateSolidBrush(back);
    HPEN pen = CreatePen(PS_SOLID, 1, back);
    HGDIOBJ oldBrush = SelectObject(mem, brush);
    HGDIOBJ oldPen = SelectObject(mem, pen);
    Rectangle(mem, 0, 0, dw, dh);
    SelectObject(mem, oldBrush);
    SelectObject(mem, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void DrawRegionMarks(HDC dc, REGIONCTLDATA* s, const RECT& destination)
{
    if ((s->dwStyle & RGS_NOFOCUSCUE) == 0 && s->bFocus) {
        RECT cue = destination;
        InflateRect(&cue, -2, -2);
        const COLORREF old = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        DrawFocusRect(dc, &cue);
        SetBkColor(dc, old);
    }
    HRGN* regions = RegionCtl_Regions(s);
    if (s->nCurrent >= 1 && s->nCurrent <= s->nCount && regions[s->nCurrent - 1]) {
        static const WORD kChecker[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kChecker);
        HBRUSH brush = pattern ? CreatePatternBrush(pattern) : nullptr;
        if (brush) {
            HGDIOBJ old = SelectObject(dc, brush);
            const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
            const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
            const int oldRop = SetROP2(dc, R2_MASKPEN);
            PaintRgn(dc, regions[s->nCurrent - 1]);
            SetROP2(dc, oldRop);
            SetTextColor(dc, oldText);
            SetBkColor(dc, oldBack);
            SelectObject(dc, old);
            DeleteObject(brush);
        }
        if (pattern) DeleteObject(pattern);
    }
    if (s->nHighlight >= 1 && s->nHighlight <= s->nCount && regions[s->nHighlight - 1]) {
        FrameRgn(dc, regions[s->nHighlight - 1], static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 2, 2);
    }
}

}  // namespace

HGLOBAL RegionCtl_LoadPicture(const REGIONCTLDATA* s)
{
    return LoadBitmapResource(s->hModule, s->nImageId);
}

HPALETTE RegionCtl_BuildPalette(const REGIONCTLDATA* s)
{
    DIBVIEW dib;
    if (!s->hModule || !ViewBitmapResource(s->hModule, s->nImageId, s->hPicture, &dib)) return nullptr;
    return BuildDibPalette(dib, nullptr);
}

void RegionCtl_Paint(HDC dc, HWND window, REGIONCTLDATA* s)
{
    RECT client;
    GetClientRect(window, &client);
    const int cw = client.right, ch = client.bottom;
    MemoryPicture mem(dc, cw, ch);
    if (!mem.ok()) return;
    HDC m = mem.dc();
    BitBlt(m, 0, 0, cw, ch, dc, 0, 0, SRCCOPY);
    SetBkMode(m, OPAQUE);

    HPALETTE previousPalette = nullptr;
    RealizePictureUnder(m, s->hPalette, &previousPalette, FALSE);
    {
        ControlPicture picture(m, s->hModule, s->nImageId, s->hPicture, s->hPalette);
        const int bw = picture.width(), bh = picture.height();
        int dw = cw, dh = ch, sw = bw, sh = bh;
        if ((s->dwStyle & RGS_NATURALSIZE) && picture.bitmap()) {
            dw = sw = std::min(bw, cw);
            dh = sh = std::min(bh, ch);
        }
        DrawBackground(m, window, s, dw, dh);
        HBITMAP mask = nullptr, whitened = nullptr;
        if (picture.bitmap() && BuildTransparencyMask(m, picture.bitmap(), bw, bh, &mask, &whitened)) {
            SetBkColor(m, RGB(255, 255, 255));
            SetTextColor(m, RGB(0, 0, 0));
            const int oldMode = SetStretchBltMode(m, COLORONCOLOR);
            {
                MemoryPicture maskDc(m, mask), copyDc(m, whitened);
                if (maskDc.ok() && copyDc.ok()) {
                    StretchBlt(m, 0, 0, dw, dh, maskDc.dc(), 0, 0, sw, sh, MERGEPAINT);
                    StretchBlt(m, 0, 0, dw, dh, copyDc.dc(), 0, 0, sw, sh, SRCAND);
                }
            }
            SetStretchBltMode(m, oldMode);
            DeleteObject(mask);
            DeleteObject(whitened);
        }
        if (previousPalette) SelectPalette(m, previousPalette, FALSE);

        HPALETTE previousScreen = nullptr;
        RealizePictureUnder(dc, s->hPalette, &previousScreen, FALSE);
        BitBlt(dc, 0, 0, cw, ch, m, 0, 0, SRCCOPY);
        if (previousScreen) SelectPalette(dc, previousScreen, FALSE);
        if (s->nCount > 0) DrawRegionMarks(dc, s, RECT{0, 0, dw, dh});
    }
}

extern "C" LRESULT CALLBACK RgnSelectWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!AllocControlState(window, RegionCtl_StateBytes(0))) return FALSE;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    ControlState<REGIONCTLDATA> s(window);
    if (!s) return DefWindowProcW(window, message, wParam, lParam);
    const POINT point = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};

    switch (message) {
    case WM_CREATE:
        s->dwStyle = reinterpret_cast<const CREATESTRUCTW*>(lParam)->style;
        s->hTheme = OpenControlTheme(window, kThemeClass);
        return 0;
    case WM_PAINT:
        PaintControl(window, [&](HDC dc) { RegionCtl_Paint(dc, window, s.get()); });
        return 0;
    case WM_SETFOCUS:
        s->bFocus = TRUE;
        Repaint(window);
        return 0;
    case WM_KILLFOCUS:
        s->bFocus = FALSE;
        s->nPressed = s->nHighlight = 0;
        if ((s->dwStyle & RGS_NOFOCUSCUE) == 0) Repaint(window);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYUP:
        if (wParam == VK_LEFT || wParam == VK_UP) {
            if (--s->nCurrent < 1) s->nCurrent = s->nCount;
        } else if (wParam == VK_RIGHT || wParam == VK_DOWN) {
            if (++s->nCurrent > s->nCount) s->nCurrent = 1;
        } else {
            return 0;
        }
        NotifyAndRepaint(window, s, s->nCurrent - 1);
        return 0;
    case WM_LBUTTONDOWN: {
        s->nPressed = 0;
        const LONG hit = RegionAt(s.get(), point);
        if (hit) {
            s->nPressed = s->nHighlight = hit;
            if (GetFocus() == window) {
                Repaint(window);
            } else {
                SetFocus(window);
            }
            SetCapture(window);
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s->nPressed) {
            const LONG before = s->nHighlight;
            s->nHighlight = RegionContains(s.get(), s->nPressed, point) ? s->nPressed : 0;
            if (before != s->nHighlight) Repaint(window);
        }
        return 0;
    case WM_LBUTTONUP: {
        LONG chosen = -1;
        if (s->nHighlight) {
            if (RegionContains(s.get(), s->nHighlight, point)) {
                s->nCurrent = s->nHighlight;
                chosen = s->nCurrent - 1;
            }
        }
        const bool repaint = s->nHighlight != 0;
        s->nPressed = s->nHighlight = 0;
        s.unlock();
        ReleaseCapture();
        if (chosen >= 0) NotifySelection(window, chosen);
        if (repaint && IsWindow(window)) Repaint(window);
        return 0;
    }
    case WM_QUERYNEWPALETTE:
        return RealizeControlPalette(window, s->hPalette);
    case WM_THEMECHANGED:
        if (g_bThemeAvailable) {
            CloseControlTheme(&s->hTheme);
            s->hTheme = OpenControlTheme(window, kThemeClass);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        DeleteRegions(s.get());
        FreeControlPicture(s->hModule, s->hPicture);
        if (s->hPalette) DeleteObject(s->hPalette);
        CloseControlTheme(&s->hTheme);
        s.unlock();
        FreeControlState(window);
        break;
    case RSM_SETREGIONS:
        return SetRegions(window, s, wParam, reinterpret_cast<const HRGN*>(lParam));
    case RSM_SETPICTURE:
        SetPicture(s.get(), reinterpret_cast<HMODULE>(wParam), lParam);
        s.unlock();
        Repaint(window);
        return 1;
    case RSM_SETBKCOLOR:
        s->crBack = static_cast<COLORREF>(lParam);
        s.unlock();
        Repaint(window);
        return 1;
    case RSM_SETCURSEL: {
        const WPARAM number = wParam + 1;
        s->nCurrent = number >= 1 && number <= static_cast<WPARAM>(s->nCount) ? static_cast<LONG>(number) : 1;
        s.unlock();
        Repaint(window);
        return 1;
    }
    case RSM_SETSTYLE:
        if (wParam != 1) return -1;
        if (lParam & 3) {
            const DWORD style = (static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & ~DWORD{3}) |
                                static_cast<DWORD>(lParam & 3);
            SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(style));
            s->dwStyle = (s->dwStyle & ~DWORD{3}) | static_cast<DWORD>(lParam & 3);
        }
        s.unlock();
        Repaint(window);
        return 1;
    default:
        break;
    }
    s.unlock();
    return DefWindowProcW(window, message, wParam, lParam);
}
