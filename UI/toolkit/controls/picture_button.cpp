// The picture button; see picture_button.h.
#include "picture_button.h"

#include <algorithm>

#include "control_state.h"
#include "custom_controls.h"
#include "dib_picture.h"
#include "startup.h"

namespace {

// Theme part and states of a push button.
constexpr int kPushButtonPart = 1;
constexpr int kStateNormal = 1, kStateHot = 2, kStatePressed = 3, kStateDisabled = 4;

// Raster operations of the disabled and checked looks: the brush where the source is black
// (PSDPxax), and the destination inverted where the source is black (DSxn).
constexpr DWORD kRopBrushWhereBlack = 0xB8074A;
constexpr DWORD kRopInvertWhereBlack = 0x990066;

bool IsPushButton(const BITMAPCTLDATA* s)
{
    return (s->dwStyle & BMS_PUSHBUTTON) != 0;
}

// The caption text (at most BITMAPCTL_CAPTION_MAX characters) and its length.
int ReadCaption(HWND window, WCHAR (&text)[BITMAPCTL_CAPTION_MAX + 1])
{
    text[0] = L'\0';
    return GetWindowTextW(window, text, BITMAPCTL_CAPTION_MAX + 1);
}

HFONT ParentFont(HWND window)
{
    HWND parent = GetParent(window);
    return parent ? reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
}

SIZE CaptionExtent(HWND window)
{
    WCHAR text[BITMAPCTL_CAPTION_MAX + 1];
    const int n = ReadCaption(window, text);
    SIZE size = {0, 0};
    HDC dc = GetDC(window);
    if (!dc) return size;
    HFONT font = ParentFont(window);
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32W(dc, text, n, &size);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return size;
}

void NotifyClick(HWND window)
{
    HWND parent = GetParent(window);
    if (parent) SendMessageW(parent, WM_COMMAND, static_cast<WPARAM>(GetWindowLongW(window, GWL_ID)), BITMAPCTL_CLICKED);
}

// Lines through points with the pen, from the current position of the first point.
void PenPath(HDC dc, HPEN pen, std::initializer_list<POINT> points)
{
    SelectObject(dc, pen);
    for (const POINT& p : points) LineTo(dc, p.x, p.y);
}

void DrawClassicFace(HDC dc, const BITMAPCTLDATA* s, bool sunk)
{
    static const WORD kChecker[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    const RECT& r = s->rcFace;
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kChecker);
    HBRUSH brush = pattern ? CreatePatternBrush(pattern) : nullptr;
    if (brush) {
        const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
        const COLORREF oldBack = SetBkColor(dc, GetSysColor(s->bChecked ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE));
        FillRect(dc, &r, brush);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
        DeleteObject(brush);
    }
    if (pattern) DeleteObject(pattern);

    HPEN face = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN frame = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME));
    HGDIOBJ previous = SelectObject(dc, face);
    const LONG L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (s->dwStyle & BMS_FLATFRAME) {
        MoveToEx(dc, R - 1, T, nullptr);
        if (!sunk) {
            PenPath(dc, light, {{L, T}, {L, B - 1}});
            PenPath(dc, shadow, {{R - 1, B - 1}, {R - 1, T}});
            MoveToEx(dc, L + 1, B - 2, nullptr);
            PenPath(dc, shadow, {{R - 2, B - 2}, {R - 2, T}});
        } else {
            PenPath(dc, shadow, {{L, T}, {L, B - 1}});
        }
    } else {
        MoveToEx(dc, R - 1, T, nullptr);
        PenPath(dc, sunk ? shadow : face, {{L, T}, {L, B - 1}});
        PenPath(dc, sunk ? light : frame, {{R - 1, B - 1}, {R - 1, T}});
        MoveToEx(dc, R - 2, T + 1, nullptr);
        PenPath(dc, sunk ? frame : light, {{L + 1, T + 1}, {L + 1, B - 2}});
        PenPath(dc, sunk ? face : shadow, {{R - 2, B - 2}, {R - 2, T}});
    }
    SelectObject(dc, previous);
    DeleteObject(face);
    DeleteObject(light);
    DeleteObject(shadow);
    DeleteObject(frame);
}

}  // namespace

int BitmapCtl_ThemeState(const BITMAPCTLDATA* s)
{
    if (s->bPressed) return kStatePressed;
    if (s->bHot) return s->bDisabled ? (s->bChecked ? kStatePressed : kStateDisabled) : kStateHot;
    if (s->bDisabled) return s->bChecked ? kStatePressed : kStateDisabled;
    return s->bChecked ? kStatePressed : kStateNormal;
}

namespace {

void DrawPicture(HDC mem, const BITMAPCTLDATA* s)
{
    ControlPicture picture(mem, s->hModule, s->nImageId, s->hImage, s->hPalette);
    if (!picture.bitmap()) return;
    const int w = picture.width(), h = picture.height();
    HBITMAP mask = nullptr, whitened = nullptr;
    if (!picture.monochrome()) {
        BuildTransparencyMask(mem, picture.bitmap(), w, h, &mask, &whitened);
        if (s->bDisabled && whitened) {
            HBITMAP white = BuildWhiteMask(mem, whitened, w, h);
            if (white) {
                DeleteObject(mask);
                mask = white;
            }
        }
    }
    // The picture is copied, never stretched: at most the part the source still holds.
    const bool offset = IsPushButton(s) && (s->bChecked || s->bPressed);
    const int cx = std::min(s->cxDest, s->cxSrc), cy = std::min(s->cyDest, s->cySrc);
    const RECT plain = {s->xDest, s->yDest, s->xDest + cx, s->yDest + cy};
    const RECT moved = {s->xDest + 1, s->yDest + 1, s->xDest + std::min(s->cxDest - 1, s->cxSrc),
                        s->yDest + std::min(s->cyDest - 1, s->cySrc)};
    const RECT& state = offset ? moved : plain;
    const auto blt = [&](const RECT& r, HBITMAP source, DWORD rop) {
        MemoryPicture src(mem, source);
        if (src.ok()) {
            BitBlt(mem, r.left, r.top, r.right - r.left, r.bottom - r.top, src.dc(), s->xSrc, s->ySrc, rop);
        }
    };
    SetBkColor(mem, RGB(255, 255, 255));
    SetTextColor(mem, RGB(0, 0, 0));
    HBITMAP shape = mask ? mask : picture.bitmap();
    if (s->bDisabled) {
        HGDIOBJ previous = SelectObject(mem, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        blt(moved, shape, kRopBrushWhereBlack);
        SelectObject(mem, GetSysColorBrush(COLOR_GRAYTEXT));
        blt(plain, shape, kRopBrushWhereBlack);
        SelectObject(mem, previous);
    } else if (mask && !(s->dwStyle & BMS_OPAQUE)) {
        blt(state, mask, MERGEPAINT);
        blt(state, whitened, SRCAND);
    } else {
        blt(state, picture.bitmap(), SRCCOPY);
    }
    if ((s->dwStyle & BMS_CHECKINVERT) && s->bChecked) blt(plain, shape, kRopInvertWhereBlack);
    if (mask) DeleteObject(mask);
    if (whitened) DeleteObject(whitened);
}

void DrawCaption(HDC mem, HWND window, const BITMAPCTLDATA* s)
{
    WCHAR text[BITMAPCTL_CAPTION_MAX + 1];
    const int n = ReadCaption(window, text);
    HFONT font = ParentFont(window);
    HGDIOBJ previous = font ? SelectObject(mem, font) : nullptr;
    SetBkMode(mem, OPAQUE);
    SetBkColor(mem, RGB(255, 255, 255));
    SetTextColor(mem, RGB(0, 0, 0));
    ExtTextOutW(mem, s->xCaption, s->yCaption, ETO_CLIPPED, &s->rcCaption, text, static_cast<UINT>(n), nullptr);
    if (previous) SelectObject(mem, previous);
}

}  // namespace

void BitmapCtl_Layout(HWND window, BITMAPCTLDATA* s)
{
    const DWORD style = s->dwStyle;
    const LONG t = ((style & BMS_3DFACE) ? 2 : 0) + ((style & BMS_FLATFRAME) ? 1 : 0);
    RECT client;
    GetClientRect(window, &client);
    const LONG cw = client.right, ch = client.bottom;
    SIZE pic = {2, 2};
    GetControlPictureSize(s->hModule, s->nImageId, s->hImage, &pic);
    const LONG bw = pic.cx, bh = pic.cy;

    RECT img;
    switch (style & BMS_IMAGE_VMASK) {
    case 0: img.top = t; img.bottom = ch - t; break;
    case 1: img.top = t; img.bottom = t + bh; break;
    case 2: img.top = (ch - bh) / 2; img.bottom = img.top + bh; break;
    default: img.bottom = ch - t; img.top = img.bottom - bh; break;
    }
    switch (style & BMS_IMAGE_HMASK) {
    case 0x0: img.left = t; img.right = cw - t; break;
    case 0x4: img.left = t; img.right = t + bw; break;
    case 0x8: img.left = (cw - bw) / 2; img.right = img.left + bw; break;
    default: img.right = cw - t; img.left = img.right - bw; break;
    }

    const SIZE text = CaptionExtent(window);
    const LONG sx = text.cx, sy = text.cy;
    RECT cap = {img.left, img.top, 0, 0};
    switch (style & BMS_CAPTION_VMASK) {
    case 0x10:
        if ((style & BMS_IMAGE_VMASK) == 1) {
            OffsetRect(&img, 0, sy + 1);
            cap.top = t;
        } else {
            cap.top = img.top - (sy + 1);
        }
        break;
    case 0x20: cap.top = img.top + (img.bottom - sy - img.top) / 2; break;
    case 0x30:
        if ((style & BMS_IMAGE_VMASK) == 3) {
            cap.top = ch - t - sy;
            OffsetRect(&img, 0, -(sy + 1));
        } else {
            cap.top = img.bottom + 1;
        }
        break;
    default: break;
    }
    cap.left = img.left;
    switch (style & BMS_CAPTION_HMASK) {
    case 0x40:
        if ((style & BMS_IMAGE_HMASK) == 0x4) {
            OffsetRect(&img, sx + 1, 0);
            cap.left = t;
        } else {
            cap.left = img.left - (sx + 1);
        }
        break;
    case 0x80: cap.left = img.left + (img.right - sx - img.left) / 2; break;
    case 0xC0:
        if ((style & BMS_IMAGE_HMASK) == 0xC) {
            cap.left = cw - t - sx;
            OffsetRect(&img, -(sx + 1), 0);
        } else {
            cap.left = img.right + 1;
        }
        break;
    default: break;
    }
    cap.right = cap.left + sx;
    cap.bottom = cap.top + sy;

    // The image rectangle stays inside the border; a placed picture loses the part cut off.
    const RECT inner = {t, t, cw - t, ch - t};
    s->xSrc = s->ySrc = 0;
    s->cxSrc = bw;
    s->cySrc = bh;
    if (style & (BMS_IMAGE_VMASK | BMS_IMAGE_HMASK)) {
        if (inner.top > img.top) {
            s->ySrc += inner.top - img.top;
            s->cySrc -= inner.top - img.top;
        }
        if (img.bottom > inner.bottom) s->cySrc -= img.bottom - inner.bottom;
        if (inner.left > img.left) {
            s->xSrc += inner.left - img.left;
            s->cxSrc -= inner.left - img.left;
        }
        if (img.right > inner.right) s->cxSrc -= img.right - inner.right;
    }
    img.left = std::max(img.left, inner.left);
    img.top = std::max(img.top, inner.top);
    img.right = std::max(img.left, std::min(img.right, inner.right));
    img.bottom = std::max(img.top, std::min(img.bottom, inner.bottom));
    s->cxSrc = std::max<LONG>(s->cxSrc, 0);
    s->cySrc = std::max<LONG>(s->cySrc, 0);

    s->xDest = img.left;
    s->yDest = img.top;
    s->cxDest = img.right - img.left;
    s->cyDest = img.bottom - img.top;
    s->rcImage = img;
    s->rcFace = s->rcFrame = s->rcFocus = RECT{};
    if (style & BMS_3DFACE) {
        s->rcFace = img;
        InflateRect(&s->rcFace, 2, 2);
    }
    if (style & BMS_FLATFRAME) {
        s->rcFrame = img;
        InflateRect(&s->rcFrame, t, t);
    }
    if (style & BMS_FOCUSRECT) {
        s->rcFocus = img;
        InflateRect(&s->rcFocus, -1, -1);
    }
    s->xCaption = cap.left;
    s->yCaption = cap.top;
    if (!IntersectRect(&s->rcCaption, &cap, &inner)) s->rcCaption = RECT{};
}

void BitmapCtl_Paint(HDC dc, HWND window, BITMAPCTLDATA* s)
{
    RECT client;
    GetClientRect(window, &client);
    MemoryPicture mem(dc, client.right, client.bottom);
    if (!mem.ok()) return;
    HDC m = mem.dc();
    BitBlt(m, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SetBkMode(m, OPAQUE);

    const bool sunk = s->bChecked || s->bPressed;
    if (s->hTheme && g_bThemeAvailable && g_pfnDrawThemeBackground) {
        g_pfnDrawThemeBackground(s->hTheme, m, kPushButtonPart, BitmapCtl_ThemeState(s), &s->rcFace, nullptr);
    } else if (s->dwStyle & BMS_3DFACE) {
        DrawClassicFace(m, s, sunk);
    }
    if (s->dwStyle & BMS_FLATFRAME) FrameRect(m, &s->rcFrame, GetSysColorBrush(COLOR_WINDOWFRAME));

    HPALETTE previousPalette = nullptr;
    RealizePictureUnder(m, s->hPalette, &previousPalette, FALSE);
    DrawPicture(m, s);
    if (previousPalette) SelectPalette(m, previousPalette, FALSE);

    if ((s->dwStyle & BMS_FOCUSRECT) && !s->bDisabled && s->bFocus) DrawFocusRect(m, &s->rcFocus);
    if (s->dwStyle & BMS_CAPTION_VMASK) DrawCaption(m, window, s);

    HPALETTE previousScreen = nullptr;
    RealizePictureUnder(dc, s->hPalette, &previousScreen, FALSE);
    BitBlt(dc, 0, 0, client.right, client.bottom, m, 0, 0, SRCCOPY);
    if (previousScreen) SelectPalette(dc, previousScreen, FALSE);
}

void BitmapCtl_Repaint(HWND window, const BITMAPCTLDATA* s)
{
    if (s->dwStyle & BMS_3DFACE) {
        RECT face = s->rcFace;
        InflateRect(&face, -1, -1);
        InvalidateRect(window, s->hTheme ? &face : nullptr, TRUE);
        UpdateWindow(window);
        return;
    }
    HWND parent = GetParent(window);
    if (!parent) {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        return;
    }
    RECT area;
    GetClientRect(window, &area);
    MapWindowPoints(window, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
    UpdateWindow(parent);
}

void BitmapCtl_RepaintParent(HWND window)
{
    HWND parent = GetParent(window);
    if (!parent) return;
    RECT area;
    GetClientRect(window, &area);
    MapWindowPoints(window, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, FALSE);
    UpdateWindow(parent);
}

HGLOBAL BitmapCtl_LoadImage(const BITMAPCTLDATA* s)
{
    return LoadBitmapResource(s->hModule, s->nImageId);
}

HPALETTE BitmapCtl_BuildPalette(BITMAPCTLDATA* s)
{
    DIBVIEW dib;
    if (!s->hModule || !ViewBitmapResource(s->hModule, s->nImageId, s->hImage, &dib)) return nullptr;
    COLORGAIN gain;
    const bool adjust = (s->dwStyle & BMS_COLORADJUST) != 0;
    if (adjust) ColorAdjustToGain(&gain, s->caAdjust);
    return BuildDibPalette(dib, adjust ? &gain : nullptr);
}

namespace {

constexpr WCHAR kThemeClass[] = L"Button";

void SetImage(HWND window, BITMAPCTLDATA* s, HMODULE module, LPARAM id)
{
    ReplaceControlPicture({&s->hModule, &s->nImageId, &s->hImage, &s->hPalette}, module, id);
    if (s->hModule && s->hImage) s->hPalette = BitmapCtl_BuildPalette(s);
    BitmapCtl_Layout(window, s);
}

}  // namespace

extern "C" LRESULT CALLBACK MemBmpWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!AllocControlState(window, sizeof(BITMAPCTLDATA))) return FALSE;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    ControlState<BITMAPCTLDATA> s(window);
    if (!s) return DefWindowProcW(window, message, wParam, lParam);
    const POINT point = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};

    switch (message) {
    case WM_CREATE:
        s->dwStyle = reinterpret_cast<const CREATESTRUCTW*>(lParam)->style;
        BitmapCtl_Layout(window, s.get());
        s->hTheme = OpenControlTheme(window, kThemeClass);
        return 0;
    case WM_PAINT:
        s->dwStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
        PaintControl(window, [&](HDC dc) { BitmapCtl_Paint(dc, window, s.get()); });
        return 0;
    case WM_SETFOCUS:
        if (IsPushButton(s.get()) && !s->bDisabled) {
            s->bFocus = TRUE;
            BitmapCtl_RepaintParent(window);
        }
        return 0;
    case WM_KILLFOCUS:
        if (IsPushButton(s.get()) && !s->bDisabled) {
            s->bFocus = FALSE;
            if (s->dwStyle & BMS_FOCUSRECT) BitmapCtl_Repaint(window, s.get());
        }
        s->bPressed = s->bTracking = FALSE;
        return 0;
    case WM_LBUTTONDOWN:
        if (IsPushButton(s.get()) && !s->bDisabled && PtInRect(&s->rcImage, point)) {
            s->bFocus = s->bTracking = s->bPressed = TRUE;
            if (GetFocus() == window) {
                BitmapCtl_Repaint(window, s.get());
            } else {
                SetFocus(window);
            }
            SetCapture(window);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (IsPushButton(s.get())) {
            const BOOL wasPressed = s->bPressed, wasHot = s->bHot;
            if (s->bTracking && s->bFocus && !s->bDisabled) s->bPressed = PtInRect(&s->rcImage, point);
            if (!s->bHot && g_pfnTrackMouseEvent && !s->bDisabled) {
                TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
                g_pfnTrackMouseEvent(&track);
                s->bHot = TRUE;
            }
            if (wasPressed != s->bPressed || wasHot != s->bHot) BitmapCtl_Repaint(window, s.get());
        }
        return 0;
    case WM_MOUSELEAVE:
        s->bHot = FALSE;
        BitmapCtl_Repaint(window, s.get());
        return 0;
    case WM_LBUTTONUP: {
        const bool act = (IsPushButton(s.get()) || s->bFocus) && !s->bDisabled;
        const bool click = act && PtInRect(&s->rcImage, point) && s->bFocus && s->bTracking;
        s->bTracking = FALSE;
        if (!act) return 0;
        ReleaseCapture();
        s->bPressed = FALSE;
        // The parent may answer the click by destroying the button.
        s.unlock();
        if (click) NotifyClick(window);
        if (!IsWindow(window)) return 0;
        ControlState<BITMAPCTLDATA> again(window);
        if (again) BitmapCtl_Repaint(window, again.get());
        return 0;
    }
    case WM_KEYUP:
        if (IsPushButton(s.get()) && !s->bDisabled && wParam == VK_SPACE) {
            s.unlock();
            NotifyClick(window);
            if (!IsWindow(window)) return 0;
            ControlState<BITMAPCTLDATA> again(window);
            if (again) BitmapCtl_Repaint(window, again.get());
        }
        return 0;
    case WM_QUERYNEWPALETTE:
        return RealizeControlPalette(window, s->hPalette);
    case WM_THEMECHANGED:
        if (g_bThemeAvailable) {
            const HTHEME old = s->hTheme;
            CloseControlTheme(&s->hTheme);
            s->hTheme = OpenControlTheme(window, kThemeClass);
            if (!old || !s->hTheme) BitmapCtl_Layout(window, s.get());
            return 0;
        }
        break;
    case WM_NCDESTROY:
        FreeControlPicture(s->hModule, s->hImage);
        if (s->hPalette) DeleteObject(s->hPalette);
        CloseControlTheme(&s->hTheme);
        s.unlock();
        FreeControlState(window);
        break;
    case MBM_SETIMAGE:
        SetImage(window, s.get(), reinterpret_cast<HMODULE>(wParam), lParam);
        BitmapCtl_Repaint(window, s.get());
        return 0;
    case MBM_GETIMAGE:
        return LOWORD(reinterpret_cast<ULONG_PTR>(s->hImage));
    case MBM_SETCHECK:
        s->bChecked = wParam ? TRUE : FALSE;
        if (lParam) BitmapCtl_Repaint(window, s.get());
        return 0;
    case MBM_GETCHECK:
        return s->bChecked;
    case MBM_QUERY:
        return 1;
    case MBM_SETDISABLED:
        s->bDisabled = wParam ? TRUE : FALSE;
        if (lParam) BitmapCtl_Repaint(window, s.get());
        return 0;
    case MBM_SETCOLORADJUST:
        if (lParam) s->caAdjust = *reinterpret_cast<const COLORADJUST*>(lParam);
        BitmapCtl_Repaint(window, s.get());
        return 0;
    default:
        break;
    }
    s.unlock();
    return DefWindowProcW(window, message, wParam, lParam);
}
