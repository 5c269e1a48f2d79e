// The watermark preview; see watermark_preview.h.
#include "watermark_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "control_state.h"
#include "custom_controls.h"
#include "dib_picture.h"
#include "layout_preview.h"
#include "preview_math.h"

namespace {

// Pixels the page keeps from the shorter client side.
constexpr int kClientInset = 16;
constexpr COLORREF kWhite = RGB(255, 255, 255), kGrey = RGB(0x80, 0x80, 0x80), kBlack = RGB(0, 0, 0);
// Lattice points of the repeated text beyond which the rest is left out (a tiny text on a large
// page would otherwise take very long to draw).
constexpr int64_t kMostRepeats = 20000;

// The vectors of a turned text: baseline b and height h (screen y grows downward).
struct TURN {
    int64_t bx, by, hx, hy;
};
TURN TurnText(int64_t cx, int64_t cy, int angle)
{
    const int64_t s = SinDeg(angle), c = CosDeg(angle);
    return {cx * c / SINE_TABLE_SCALE, -cx * s / SINE_TABLE_SCALE, cy * s / SINE_TABLE_SCALE, cy * c / SINE_TABLE_SCALE};
}

// The bounding box of the parallelogram 0, b, -h, b - h, relative to its origin.
RECT TurnedBounds(const TURN& t)
{
    const int64_t xs[] = {0, t.bx, -t.hx, t.bx - t.hx}, ys[] = {0, t.by, -t.hy, t.by - t.hy};
    return {ToCoord(*std::min_element(xs, xs + 4)), ToCoord(*std::min_element(ys, ys + 4)),
            ToCoord(*std::max_element(xs, xs + 4)), ToCoord(*std::max_element(ys, ys + 4))};
}

// The bounding box of a w x h rectangle turned by the angle.
SIZE TurnedFrameSize(int64_t w, int64_t h, int angle)
{
    const int64_t s = std::abs(SinDeg(angle)), c = std::abs(CosDeg(angle));
    return {ToCoord(w * c / SINE_TABLE_SCALE + h * s / SINE_TABLE_SCALE),
            ToCoord(w * s / SINE_TABLE_SCALE + h * c / SINE_TABLE_SCALE)};
}

// The turned w x h rectangle in its bounding box at (x, y), as the four points where its
// corners touch the box (top, right, bottom, left). The angle folds into 0..90; in the second
// and fourth quadrants the sides exchange their roles.
void TurnedFramePoints(int64_t x, int64_t y, int64_t w, int64_t h, int angle, POINT (&points)[5])
{
    int phi = ((angle % 360) + 360) % 360;
    if (phi > 90) {
        const int quadrant = (phi - 1) / 90;
        phi = (phi - 91) % 90 + 1;
        if (quadrant % 2 == 1) std::swap(w, h);
    }
    const int64_t s = SINE_TABLE[phi], c = SINE_TABLE[90 - phi];
    const int64_t bw = w * c / SINE_TABLE_SCALE + h * s / SINE_TABLE_SCALE;
    const int64_t bh = w * s / SINE_TABLE_SCALE + h * c / SINE_TABLE_SCALE;
    points[0] = {ToCoord(x + w * c / SINE_TABLE_SCALE), ToCoord(y)};
    points[1] = {ToCoord(x + bw), ToCoord(y + h * c / SINE_TABLE_SCALE)};
    points[2] = {ToCoord(x + h * s / SINE_TABLE_SCALE), ToCoord(y + bh)};
    points[3] = {ToCoord(x), ToCoord(y + w * s / SINE_TABLE_SCALE)};
    points[4] = points[0];
}

int64_t IntSqrt(int64_t v)
{
    int64_t r = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
    while (r * r > v) --r;
    while ((r + 1) * (r + 1) <= v) ++r;
    return r;
}

}  // namespace

int WatermarkPixels(int64_t length, int64_t u)
{
    return u > 0 ? ToCoord(length * 100 / u) : 0;
}

BOOL ComputeWatermarkPage(const WMKPREVIEWDATA& st, int cw, int ch, WATERMARKLAYOUT* l)
{
    *l = {};
    if (st.wPageWidth == 0 || st.wPageHeight == 0) return FALSE;
    PreviewMath m;
    const int64_t u = m.div(int64_t{std::max(st.wPageWidth, st.wPageHeight)} * 100, std::min(cw, ch) - kClientInset);
    const int64_t W = m.div(int64_t{st.wPageWidth} * 100, u), H = m.div(int64_t{st.wPageHeight} * 100, u);
    if (!m.ok()) return FALSE;
    const int64_t X = (cw - W) / 2, Y = (ch - H) / 2;
    l->u = u;
    l->page = {ToCoord(X), ToCoord(Y), ToCoord(X + W), ToCoord(Y + H)};
    const int64_t height = (u + 200 * int64_t{st.wSize}) / (2 * u);
    l->fontHeight = height ? ToCoord(height) : 1;
    return TRUE;
}

void ComputeWatermarkPlacement(const WMKPREVIEWDATA& st, SIZE text, int spaceWidth, WATERMARKLAYOUT* l)
{
    const int64_t u = l->u;
    const int64_t X = l->page.left, Y = l->page.top, W = l->page.right - X, H = l->page.bottom - Y;
    const bool repeated = st.wPosition == WMKPOS_REPEATED;
    int64_t cx = text.cx;
    const int64_t cy = text.cy;
    int64_t ox = WatermarkPixels(st.wOffsetX, u), oy = WatermarkPixels(st.wOffsetY, u);
    const int64_t ax = WatermarkPixels(st.wAreaX, u), ay = WatermarkPixels(st.wAreaY, u);
    int64_t mx = WatermarkPixels(st.wMarginX, u), my = WatermarkPixels(st.wMarginY, u);
    if (repeated) {
        cx += spaceWidth;
        ox = oy = mx = my = 0;
    }
    l->cx = ToCoord(cx);
    l->cy = ToCoord(cy);
    l->clip = {ToCoord(X + ax), ToCoord(Y + ay), ToCoord(X + W - ax), ToCoord(Y + H - ay)};

    const int64_t ex = std::max(mx, ax), ey = std::max(my, ay);
    const int64_t originX = X + ex + ox, originY = Y + ey + oy;
    const int64_t Wa = W - 2 * ex, Ha = H - 2 * ey;

    const int angle = st.wAngle;
    const RECT bounds = TurnedBounds(TurnText(cx, cy, angle));
    const int64_t tbw = bounds.right - bounds.left, tbh = bounds.bottom - bounds.top;

    const int64_t wf = cx + 2 * (cy * 120 / 100) - 2 * cy + 4, hf = cy * 120 / 100 + 4;
    const bool large = st.wSize > WMK_LARGE_TEXT;
    l->innerFrame = {ToCoord(wf), ToCoord(hf)};
    l->outerFrame = {ToCoord(wf + (large ? 8 : 6)), ToCoord(hf + (large ? 12 : 10))};
    l->circleDiameter = ToCoord(IntSqrt(cx * cx + cy * cy));

    int64_t bw = tbw, bh = tbh;
    if (!repeated) {
        switch (st.wFrame) {
        case WMKFRAME_CIRCLE: bw = bh = l->circleDiameter; break;
        case WMKFRAME_BOX: {
            const SIZE box = TurnedFrameSize(wf, hf, angle);
            bw = box.cx;
            bh = box.cy;
            break;
        }
        case WMKFRAME_DOUBLEBOX: {
            const SIZE box = TurnedFrameSize(l->outerFrame.cx, l->outerFrame.cy, angle);
            bw = box.cx;
            bh = box.cy;
            break;
        }
        default: break;
        }
    }
    int64_t x, y;
    switch (st.wPosition) {
    case WMKPOS_TOPLEFT: x = 0; y = 0; break;
    case WMKPOS_TOPCENTER: x = Wa / 2 - bw / 2; y = 0; break;
    case WMKPOS_TOPRIGHT: x = Wa - bw; y = 0; break;
    case WMKPOS_BOTTOMLEFT: x = 0; y = Ha - bh; break;
    case WMKPOS_BOTTOMCENTER: x = Wa / 2 - bw / 2; y = Ha - bh; break;
    case WMKPOS_BOTTOMRIGHT: x = Wa - bw; y = Ha - bh; break;
    default: x = Wa / 2 - bw / 2; y = Ha / 2 - bh / 2; break;
    }
    x += originX;
    y += originY;
    l->placed = {ToCoord(x), ToCoord(y), ToCoord(x + bw), ToCoord(y + bh)};
    const int64_t left = x + bw / 2 - tbw / 2, top = y + bh / 2 - tbh / 2;
    l->textBox = {ToCoord(left), ToCoord(top), ToCoord(left + tbw), ToCoord(top + tbh)};
    l->origin = {ToCoord(left - bounds.left), ToCoord(top - bounds.top)};
}

namespace {

HPALETTE BuildTextPalette(HDC dc, COLORREF color, int entries)
{
    if (entries <= 0 || entries > 256) return nullptr;
    auto block = std::make_unique<BYTE[]>(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.get());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries);
    GetSystemPaletteEntries(dc, 0, static_cast<UINT>(entries), logical->palPalEntry);
    PALETTEENTRY& middle = logical->palPalEntry[entries / 2];
    middle.peRed = GetRValue(color);
    middle.peGreen = GetGValue(color);
    middle.peBlue = GetBValue(color);
    middle.peFlags = PC_RESERVED;
    return CreatePalette(logical);
}

void DrawFrame(HDC mem, const WMKPREVIEWDATA& st, const WATERMARKLAYOUT& l)
{
    const bool large = st.wSize > WMK_LARGE_TEXT;
    const int width = st.wFrame == WMKFRAME_DOUBLEBOX ? (large ? 2 : 1) : (large ? 3 : 2);
    HPEN pen = CreatePen(PS_SOLID, width, st.crColor);
    HGDIOBJ old = SelectObject(mem, pen);
    const LONG x = l.placed.left, y = l.placed.top;
    POINT points[5];
    switch (st.wFrame) {
    case WMKFRAME_CIRCLE:
        Ellipse(mem, x - 2, y - 2, x + l.circleDiameter + 2, y + l.circleDiameter + 2);
        break;
    case WMKFRAME_BOX:
        TurnedFramePoints(x, y, l.innerFrame.cx, l.innerFrame.cy, st.wAngle, points);
        Polyline(mem, points, 5);
        break;
    case WMKFRAME_DOUBLEBOX: {
        TurnedFramePoints(x, y, l.outerFrame.cx, l.outerFrame.cy, st.wAngle, points);
        Polyline(mem, points, 5);
        const SIZE outer = TurnedFrameSize(l.outerFrame.cx, l.outerFrame.cy, st.wAngle);
        const SIZE inner = TurnedFrameSize(l.innerFrame.cx, l.innerFrame.cy, st.wAngle);
        TurnedFramePoints(x + (outer.cx - inner.cx) / 2, y + (outer.cy - inner.cy) / 2, l.innerFrame.cx,
                          l.innerFrame.cy, st.wAngle, points);
        Polyline(mem, points, 5);
        break;
    }
    default: break;
    }
    SelectObject(mem, old);
    DeleteObject(pen);
}

// The text laid over the whole page on a lattice of its baseline and height vectors; every
// copy whose box meets the page is filled as a path.
void DrawRepeatedText(HDC mem, const WMKPREVIEWDATA& st, const WATERMARKLAYOUT& l, const WCHAR* glyphs, UINT count)
{
    const int angle = ((st.wAngle % 360) + 360) % 360;
    const TURN t = TurnText(l.cx, l.cy, angle);
    const RECT bounds = TurnedBounds(t);
    // The row step points downward, the column step to the right.
    int64_t rx, ry, cxs, cys, rowLength, columnLength;
    const int quadrant = angle <= 90 ? 0 : angle <= 180 ? 1 : angle <= 270 ? 2 : 3;
    switch (quadrant) {
    case 0: rx = t.hx; ry = t.hy; cxs = t.bx; cys = t.by; rowLength = l.cy; columnLength = l.cx; break;
    case 1: rx = -t.bx; ry = -t.by; cxs = t.hx; cys = t.hy; rowLength = l.cx; columnLength = l.cy; break;
    case 2: rx = -t.hx; ry = -t.hy; cxs = -t.bx; cys = -t.by; rowLength = l.cy; columnLength = l.cx; break;
    default: rx = t.bx; ry = t.by; cxs = -t.hx; cys = -t.hy; rowLength = l.cx; columnLength = l.cy; break;
    }
    if (rowLength <= 0 || columnLength <= 0) return;
    const int phi = angle - 90 * quadrant;
    const int64_t s = SINE_TABLE[phi], c = SINE_TABLE[90 - phi];
    const int64_t W = l.page.right - l.page.left, H = l.page.bottom - l.page.top;
    const int64_t lastRow = (H * c / SINE_TABLE_SCALE + W * s / SINE_TABLE_SCALE) / rowLength + 1;
    const int64_t firstColumn = -(H * s / SINE_TABLE_SCALE / columnLength) - 1;
    const int64_t lastColumn = W * c / SINE_TABLE_SCALE / columnLength + 1;
    const int64_t startX = l.page.left + std::max<LONG>(0, l.clip.left - l.page.left);
    const int64_t startY = l.page.top + std::max<LONG>(0, l.clip.top - l.page.top);

    HBRUSH brush = CreateSolidBrush(st.crColor);
    HGDIOBJ oldBrush = SelectObject(mem, brush);
    int64_t drawn = 0;
    for (int64_t i = 0; i <= lastRow && drawn < kMostRepeats; ++i) {
        for (int64_t j = firstColumn; j <= lastColumn && drawn < kMostRepeats; ++j) {
            const int64_t x = startX + i * rx + j * cxs, y = startY + i * ry + j * cys;
            const RECT box = {ToCoord(x + bounds.left), ToCoord(y + bounds.top), ToCoord(x + bounds.right),
                              ToCoord(y + bounds.bottom)};
            RECT meet;
            if (!IntersectRect(&meet, &box, &l.page)) continue;
            BeginPath(mem);
            ExtTextOutW(mem, ToCoord(x), ToCoord(y), ETO_GLYPH_INDEX, nullptr, glyphs, count, nullptr);
            EndPath(mem);
            FillPath(mem);
            ++drawn;
        }
    }
    SelectObject(mem, GetStockObject(BLACK_BRUSH));
    SelectObject(mem, oldBrush);
    DeleteObject(brush);
}

}  // namespace

BOOL PaintWatermarkPreview(HWND window, HDC dc)
{
    const int entries = GetDeviceCaps(dc, SIZEPALETTE);
    ControlState<WMKPREVIEWDATA> s(window);
    if (!s) return FALSE;

    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN black = CreatePen(PS_SOLID, 1, kBlack);
    RECT client;
    GetClientRect(window, &client);
    RECT frame = client;
    --frame.right;
    --frame.bottom;
    DrawSunkenFrame(dc, frame, shadow, highlight);
    const int cw = client.right, ch = client.bottom;

    WATERMARKLAYOUT l;
    const bool page = ComputeWatermarkPage(*s, cw, ch, &l) != FALSE;
    const LONG X = l.page.left, Y = l.page.top, W = l.page.right - X, H = l.page.bottom - Y;
    if (page) {
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc, black);
        Rectangle(dc, X - 1, Y - 1, X + W + 1, Y + H + 1);
        const POINT line[] = {{X + W + 1, Y}, {X + W + 1, Y + H + 1}, {X, Y + H + 1}};
        Polyline(dc, line, 3);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    }

    if (!s->hPalette && GetNearestColor(dc, s->crColor) != s->crColor && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        s->hPalette = BuildTextPalette(dc, s->crColor, entries);
    }

    MemoryPicture mem(dc, cw, ch);
    if (page && mem.ok()) {
        HDC m = mem.dc();
        PatBlt(m, 0, 0, cw, ch, WHITENESS);
        LOGFONTW lf = s->lfFont;
        lf.lfHeight = l.fontHeight;
        lf.lfWidth = 0;
        lf.lfEscapement = s->wAngle * 10;
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ oldFont = SelectObject(m, font);
        const int oldMode = SetBkMode(m, TRANSPARENT);
        COLORREF oldColor;
        if (s->hPalette) {
            HPALETTE previous = SelectPalette(m, s->hPalette, FALSE);
            RealizePalette(m);
            oldColor = SetTextColor(m, PALETTEINDEX(entries / 2));
            SelectPalette(m, previous, FALSE);
        } else {
            oldColor = SetTextColor(m, s->crColor);
        }
        const UINT oldAlign = SetTextAlign(m, TA_LEFT | TA_BOTTOM);

        const int length = lstrlenW(s->szText);
        SIZE text = {0, 0}, space = {0, 0};
        GetTextExtentPoint32W(m, s->szText, length, &text);
        GetTextExtentPoint32W(m, L" ", 1, &space);
        ComputeWatermarkPlacement(*s, text, space.cx, &l);

        if (length > 0 && s->wPosition != WMKPOS_REPEATED) DrawFrame(m, *s, l);
        if (length > 0 && s->wSize != 0) {
            WCHAR glyphs[WMK_TEXT_CCH] = {};
            GCP_RESULTSW results = {};
            results.lStructSize = sizeof results;
            results.lpGlyphs = glyphs;
            results.nGlyphs = WMK_TEXT_CCH;
            GetCharacterPlacementW(m, s->szText, length, 0, &results, 0);
            HPALETTE previous = nullptr;
            if (s->hPalette) {
                previous = SelectPalette(m, s->hPalette, FALSE);
                RealizePalette(m);
            }
            if (s->wPosition == WMKPOS_REPEATED) {
                DrawRepeatedText(m, *s, l, glyphs, results.nGlyphs);
            } else {
                ExtTextOutW(m, l.origin.x, l.origin.y, ETO_CLIPPED | ETO_GLYPH_INDEX, &l.clip, glyphs, results.nGlyphs,
                            nullptr);
            }
            if (previous) SelectPalette(m, previous, FALSE);
        }
        SetTextAlign(m, oldAlign);
        SetTextColor(m, oldColor);
        SelectObject(m, oldFont);
        SetBkMode(m, oldMode);
        DeleteObject(font);

        HPALETTE previousScreen = nullptr;
        if (s->hPalette) {
            previousScreen = SelectPalette(dc, s->hPalette, FALSE);
            RealizePalette(dc);
        }
        BitBlt(dc, X, Y, W, H, m, X, Y, SRCCOPY);
        if (previousScreen) SelectPalette(dc, previousScreen, FALSE);
    }
    DeleteObject(shadow);
    DeleteObject(highlight);
    DeleteObject(black);
    return TRUE;
}

namespace {

// Stores a private message's values; FALSE for a message that is not one of them.
bool StoreWatermarkMessage(WMKPREVIEWDATA* s, UINT message, LPARAM lParam)
{
    const WORD low = LOWORD(lParam), high = HIWORD(lParam);
    switch (message) {
    case WPM_SETPAGESIZE: s->wPageWidth = low; s->wPageHeight = high; break;
    case WPM_SETOFFSET: s->wOffsetX = static_cast<SHORT>(low); s->wOffsetY = static_cast<SHORT>(high); break;
    case WPM_SETLOGFONT:
        if (lParam) s->lfFont = *reinterpret_cast<const LOGFONTW*>(lParam);
        break;
    case WPM_SETANGLE: s->wAngle = low; break;
    case WPM_SETSIZE: s->wSize = low; break;
    case WPM_SETSHADE: s->crColor = low == 0 ? kWhite : low == 50 ? kGrey : kBlack; break;
    case WPM_SETCOLOR: {
        const COLORREF color = static_cast<COLORREF>(lParam);
        if (s->hPalette && color != s->crColor) {
            DeleteObject(s->hPalette);
            s->hPalette = nullptr;
        }
        s->crColor = color;
        break;
    }
    case WPM_SETTEXT: {
        const WCHAR* text = reinterpret_cast<const WCHAR*>(lParam);
        if (!text || lstrcmpiW(text, L"!") == 0) {
            s->szText[0] = L'\0';
        } else {
            lstrcpynW(s->szText, text, WMK_TEXT_CCH);
        }
        break;
    }
    case WPM_SETPOSITION: s->wPosition = low; break;
    case WPM_SETAREA: s->wAreaX = low; s->wAreaY = high; break;
    case WPM_SETMARGIN: s->wMarginX = low; s->wMarginY = high; break;
    case WPM_SETFRAME: s->wFrame = low; break;
    default: return false;
    }
    return true;
}

}  // namespace

extern "C" LRESULT CALLBACK WatermarkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return AllocControlState(window, sizeof(WMKPREVIEWDATA)) ? 0 : -1;
    case WM_DESTROY: {
        {
            ControlState<WMKPREVIEWDATA> s(window);
            if (s && s->hPalette) DeleteObject(s->hPalette);
        }
        FreeControlState(window);
        return 0;
    }
    case WM_ERASEBKGND:
        return 0;
    case WM_PAINT:
        PaintControl(window, [window](HDC dc) { PaintWatermarkPreview(window, dc); });
        return 0;
    case WPM_REALIZEPALETTE: {
        ControlState<WMKPREVIEWDATA> s(window);
        if (!s) return 0;
        RealizeControlPalette(window, s->hPalette);
        return static_cast<LRESULT>(s->crColor);
    }
    default:
        break;
    }
    if ((message >= WPM_SETPAGESIZE && message <= WPM_SETTEXT) || (message >= WPM_SETPOSITION && message <= WPM_SETFRAME)) {
        bool stored;
        {
            ControlState<WMKPREVIEWDATA> s(window);
            if (!s) return 0;
            stored = StoreWatermarkMessage(s.get(), message, lParam);
        }
        if (stored) {
            if (wParam) InvalidateRect(window, nullptr, TRUE);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
