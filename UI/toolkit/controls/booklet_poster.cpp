// The booklet and poster pictures of the layout preview; see layout_preview.h.
#include <algorithm>
#include <iterator>

#include "layout_preview.h"
#include "preview_math.h"

namespace {

constexpr int64_t kA3Length = 4200;
constexpr int64_t kClientInset = 24;
constexpr WORD kOrientationLandscape = 2;
constexpr WORD kSaddleStitch = 0x1000;
constexpr COLORREF kPathColor = RGB(0x40, 0x80, 0x80);
constexpr COLORREF kPageFrameColor = RGB(0xFF, 0, 0);
// Stacks drawn for a booklet: 8 sheets 1 pixel apart when the booklet is not divided into
// sets, else the sheets of a set 6 pixels apart (at most this many).
constexpr LONG kUndividedSheets = 8;
constexpr LONG kMostSheets = 32;

// Sample bitmaps of the booklet kinds 1..4, in drawing order: colour without and with the
// right-to-left option, monochrome without and with it.
struct BOOKLETSAMPLES {
    UINT ids[4][4];
};
const BOOKLETSAMPLES kBookletSamples[4] = {
    {{{342, 363}, {362, 343}, {352, 373}, {372, 353}}},
    {{{344, 364, 365, 365}, {364, 344, 365, 365}, {354, 374, 375, 375}, {374, 354, 375, 375}}},
    {{{346, 367}, {346, 367}, {356, 377}, {356, 377}}},
    {{{348, 368, 369, 369}, {368, 368, 349, 369}, {358, 378, 379, 379}, {378, 378, 359, 379}}},
};

// Products with the sine table's values.
int64_t Sin(int64_t v, int theta)
{
    return v * SINE_TABLE[theta] / SINE_TABLE_SCALE;
}
int64_t Cos(int64_t v, int theta)
{
    return v * SINE_TABLE[90 - theta] / SINE_TABLE_SCALE;
}
// The same halved (the arrow runs through the page centres).
int64_t HalfSin(int64_t v, int theta)
{
    return v * SINE_TABLE[theta] / (2 * SINE_TABLE_SCALE);
}
int64_t HalfCos(int64_t v, int theta)
{
    return v * SINE_TABLE[90 - theta] / (2 * SINE_TABLE_SCALE);
}

POINT Pt(int64_t x, int64_t y)
{
    return {ToCoord(x), ToCoord(y)};
}
RECT Box(int64_t left, int64_t top, int64_t width, int64_t height)
{
    return {ToCoord(left), ToCoord(top), ToCoord(left + width), ToCoord(top + height)};
}

void StretchSample(HDC dc, HMODULE module, UINT id, const RECT& r, DWORD rop)
{
    if (!module || r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
    HBITMAP sample = LoadBitmapW(module, MAKEINTRESOURCEW(id));
    if (!sample) return;
    BITMAP info;
    HDC mem = CreateCompatibleDC(dc);
    if (mem && GetObjectW(sample, sizeof info, &info)) {
        HGDIOBJ old = SelectObject(mem, sample);
        const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, info.bmWidth, info.bmHeight, rop);
        SetStretchBltMode(dc, oldMode);
        SelectObject(mem, old);
    }
    if (mem) DeleteDC(mem);
    DeleteObject(sample);
}

void Line(HDC dc, POINT a, POINT b)
{
    MoveToEx(dc, a.x, a.y, nullptr);
    LineTo(dc, b.x, b.y);
}

}  // namespace

BOOL ComputeBookletGeometry(const LAYOUTPREVIEWDATA& st, int cw, int ch, BOOKLETGEOMETRY* g)
{
    PreviewMath m;
    *g = {};
    const bool landscape = st.wOrientation == kOrientationLandscape;
    const bool variant = st.wBookletVariant != 0;
    const int kind = landscape ? (variant ? 4 : 3) : (variant ? 2 : 1);
    const bool horizontalSpine = kind == 2 || kind == 3;
    g->kind = kind;

    // Sheet sides and the fit of the open booklet into the client area.
    const int64_t M = kind == 2 || kind == 4 ? st.wOutputLength : st.wOutputWidth;
    const int64_t N = kind == 2 || kind == 4 ? st.wOutputWidth : st.wOutputLength;
    const int64_t margin = st.wBindingMargin;
    int64_t sw, sh, Kp, inset, side;
    if (horizontalSpine) {
        const int64_t Np = std::min(N, M * 18 / 10);
        if (Np * 171 / 141 * ch < M * cw) {
            sh = ch - kClientInset;
            sw = m.div(Np * sh, M);
            Kp = m.div(margin * sh, M);
            inset = m.div(50 * sh, M);
        } else {
            sw = (cw - kClientInset) * 141 / 171;
            sh = m.div(M * sw, Np);
            Kp = m.div(margin * sw, Np);
            inset = m.div(50 * sw, Np);
        }
        side = M;
    } else {
        const int64_t O = std::min(N * 18 / 10, M);
        if (N * ch < O * 171 / 141 * cw) {
            sh = (ch - kClientInset) * 141 / 171;
            sw = m.div(N * sh, O);
            Kp = m.div(margin * sh, O);
            inset = m.div(50 * sh, O);
        } else {
            sw = cw - kClientInset;
            sh = m.div(O * sw, N);
            Kp = m.div(margin * sw, N);
            inset = m.div(50 * sw, N);
        }
        side = N;
    }
    int64_t u = sw, bm = sh;
    if (side <= kA3Length) {
        u = side * sw / kA3Length;
        bm = side * sh / kA3Length;
        Kp = Kp * side / kA3Length;
        inset = inset * side / kA3Length;
    }

    // Tilt: the first whole degree whose sine reaches the ratio of the spread's sides.
    const int64_t r = horizontalSpine ? m.div(u * 720000, bm * 141) : m.div(bm * 720000, u * 141);
    if (!m.ok()) return FALSE;
    int theta = 90;
    for (int d = 0; d <= 90; ++d) {
        if (SINE_TABLE[d] >= r) {
            theta = d;
            break;
        }
    }
    g->theta = theta;

    const int64_t h2 = horizontalSpine ? bm / 2 : u / 2;
    const int64_t rho = Sin(h2, theta), delta = Cos(h2, theta);
    LONG sheets = kUndividedSheets;
    int64_t step = 1;
    if (st.lBookletSheets != -1) {
        sheets = std::clamp<LONG>(st.lBookletSheets, 1, kMostSheets);
        step = 6;
    }
    g->sheets = sheets;
    g->sheetStep = static_cast<int>(step);
    const int64_t Q = (sheets - 1) * step;
    int64_t X0, Y0;
    if (horizontalSpine) {
        X0 = (cw - (1 - rho) - Q - u) / 2;
        Y0 = (ch - Q - bm) / 2;
        g->outline[0] = Pt(X0 - rho, Y0 + h2 - delta);
        g->outline[1] = Pt(X0, Y0 + h2);
        g->outline[2] = Pt(X0 - rho, Y0 + h2 + delta - 1);
        g->outline[3] = Pt(X0 - rho + u - 1, Y0 + h2 + delta - 1);
        g->outline[4] = Pt(X0 + u - 1, Y0 + h2);
        g->outline[5] = Pt(X0 - rho + u - 1, Y0 + h2 - delta);
    } else {
        X0 = (cw - Q - u) / 2;
        Y0 = (ch - (1 - rho) - Q - bm) / 2;
        const int64_t xs = X0 + h2;
        g->outline[0] = Pt(xs - delta, Y0 - rho);
        g->outline[1] = Pt(xs - delta, Y0 + bm - 1 - rho);
        g->outline[2] = Pt(xs, Y0 + bm - 1);
        g->outline[3] = Pt(xs + delta - 1, Y0 + bm - 1 - rho);
        g->outline[4] = Pt(xs + delta - 1, Y0 - rho);
        g->outline[5] = Pt(xs, Y0);
    }

    // The sample pages on the two halves.
    const int64_t xs = X0 + u / 2, ys = Y0 + bm / 2;
    const int64_t e = Cos(Kp + inset, theta);
    const int column = (st.dwColor ? 0 : 2) + (st.wBookletOption == 1 ? 1 : 0);
    const UINT* ids = kBookletSamples[kind - 1].ids[column];
    switch (kind) {
    case 1: {
        const int64_t Wp = u - 2 * inset, Hp = bm - 2 * inset - 2 * Kp;
        const int64_t Xp = (cw - Wp - Q) / 2, Yp = (ch - (1 - rho) - Hp - Q) / 2;
        const int64_t hp = Wp / 2, a = Sin(hp, theta), c = Cos(hp, theta);
        g->pages[0] = Box(Xp + hp - c + 1, Yp - a + 1, c + xs - e - Xp - hp - 1, a + Hp - 4);
        g->pages[1] = Box(xs + e + 1, Yp - a + 1, c + Xp + hp - e - xs - 4, a + Hp - 4);
        g->pageCount = 2;
        break;
    }
    case 3: {
        const int64_t Wp = u - 2 * inset - 2 * Kp, Hp = bm - 2 * inset;
        const int64_t Xp = (cw - (1 - rho) - Wp - Q) / 2, Yp = (ch - Hp - Q) / 2;
        const int64_t hp = Hp / 2, a = Sin(hp, theta), c = Cos(hp, theta);
        g->pages[0] = Box(Xp - a + 1, Yp + hp - c + 1, a + Wp - 4, c + ys - e - Yp - hp - 1);
        g->pages[1] = Box(Xp - a + 1, ys + e + 1, a + Wp - 4, c + Yp + hp - e - ys - 2);
        g->pageCount = 2;
        break;
    }
    case 2: {
        const int64_t Wq = (u - 2 * Kp - 2 * inset) / 2, Hq = bm - 2 * inset;
        const int64_t Xa = u / 4 + inset + X0 - Wq / 2, Xb = 3 * u / 4 + X0 - Wq / 2 - inset;
        const int64_t Yq = (ch - Hq - Q) / 2;
        const int64_t hq = Hq / 2, a = Sin(hq, theta), c = Cos(hq, theta);
        const int64_t upperTop = Yq + hq - c + 1, upperHeight = c + ys - e - Yq - hq - 1;
        const int64_t lowerTop = ys + e + 1, lowerHeight = c + Yq + hq - e - ys - 2;
        g->pages[0] = Box(Xa - a + 1, upperTop, a + Wq - 4, upperHeight);
        g->pages[1] = Box(Xb - a + 1, upperTop, a + Wq - 4, upperHeight);
        g->pages[2] = Box(Xa - a + 1, lowerTop, a + Wq - 4, lowerHeight);
        g->pages[3] = Box(Xb - a + 1, lowerTop, a + Wq - 4, lowerHeight);
        g->pageCount = 4;
        break;
    }
    default: {
        const int64_t Wq = u - 2 * inset, Hq = (bm - 2 * Kp - 2 * inset) / 2;
        const int64_t Xq = (cw - Wq - Q) / 2;
        const int64_t Ya = bm / 4 + inset + Y0 - Hq / 2, Yb = 3 * bm / 4 + Y0 - Hq / 2 - inset;
        const int64_t hq = Wq / 2, a = Sin(hq, theta), c = Cos(hq, theta);
        const int64_t leftLeft = Xq + hq - c + 1, leftWidth = c + xs - e - Xq - hq - 1;
        const int64_t rightLeft = xs + e + 1, rightWidth = c + xs - Xq - e - hq - 4;
        g->pages[0] = Box(leftLeft, Ya - a + 1, leftWidth, a + Hq - 4);
        g->pages[1] = Box(leftLeft, Yb - a + 1, leftWidth, a + Hq - 4);
        g->pages[2] = Box(rightLeft, Ya - a + 1, rightWidth, a + Hq - 4);
        g->pages[3] = Box(rightLeft, Yb - a + 1, rightWidth, a + Hq - 4);
        g->pageCount = 4;
        break;
    }
    }
    std::copy(ids, ids + g->pageCount, g->pageBitmaps);

    // Fold, binding strip, spine and saddle stitches along the spine.
    if (kind == 2) {
        g->fold = true;
        g->foldLine[0] = Pt(X0 - rho + u / 2, Y0 + h2 - delta + 1);
        g->foldLine[1] = Pt(X0 + u / 2, Y0 + h2);
        g->foldLine[2] = Pt(X0 - rho + u / 2, Y0 + h2 + delta - 1);
    } else if (kind == 4) {
        g->fold = true;
        g->foldLine[0] = Pt(xs - delta + 1, Y0 + bm / 2 - rho);
        g->foldLine[1] = Pt(xs, Y0 + bm / 2);
        g->foldLine[2] = Pt(xs + delta - 1, Y0 + bm / 2 - rho);
    }
    const int64_t w2 = Cos(inset + Kp, theta), r2 = Sin(inset + Kp, theta);
    if (horizontalSpine) {
        const POINT strip[6] = {Pt(X0 - r2 + 1, ys - w2), Pt(X0 + 1, ys), Pt(X0 - r2 + 1, ys + w2),
                                Pt(X0 - r2 + u - 2, ys + w2), Pt(X0 + u - 2, ys), Pt(X0 - r2 + u - 2, ys - w2)};
        std::copy(std::begin(strip), std::end(strip), g->bindingStrip);
        g->spine[0] = Pt(X0, Y0 + h2);
        g->spine[1] = Pt(X0 + u, Y0 + h2);
        const int64_t y = Y0 + h2 - 1;
        g->stitches[0][0] = Pt(X0 + u / 4, y);
        g->stitches[0][1] = Pt(X0 + u / 3, y);
        g->stitches[1][0] = Pt(X0 + 2 * u / 3, y);
        g->stitches[1][1] = Pt(X0 + 3 * u / 4, y);
    } else {
        const POINT strip[6] = {Pt(xs - w2, Y0 - r2 + 1), Pt(xs - w2, Y0 - r2 + bm - 2), Pt(xs, Y0 + bm - 2),
                                Pt(xs + w2, Y0 - r2 + bm - 2), Pt(xs + w2, Y0 - r2 + 1), Pt(xs, Y0 + 1)};
        std::copy(std::begin(strip), std::end(strip), g->bindingStrip);
        g->spine[0] = Pt(xs, Y0);
        g->spine[1] = Pt(xs, Y0 + bm - 1);
        g->stitches[0][0] = Pt(xs + 1, Y0 + bm / 4);
        g->stitches[0][1] = Pt(xs + 1, Y0 + bm / 3);
        g->stitches[1][0] = Pt(xs + 1, Y0 + 2 * bm / 3);
        g->stitches[1][1] = Pt(xs + 1, Y0 + 3 * bm / 4);
    }

    // The reading arrow through the page centres.
    const bool backwards = st.wBookletOption == 1;
    switch (kind) {
    case 1: {
        int64_t x0 = xs - HalfCos(u / 2, theta), x1 = xs + HalfCos(u / 2, theta);
        const int64_t y = Y0 + bm / 2 - HalfSin(u / 2, theta);
        if (backwards) std::swap(x0, x1);
        g->arrowPath[0] = g->arrowPath[1] = Pt(x0, y);
        g->arrowPath[2] = g->arrowPath[3] = Pt(x1, y);
        g->arrow = backwards ? ArrowDirection::Left : ArrowDirection::Right;
        break;
    }
    case 2: {
        const int64_t G = HalfSin(bm / 2, theta), V = HalfCos(bm / 2, theta);
        int64_t xl = X0 + u / 4 - G, xr = X0 + 3 * u / 4 - G;
        if (backwards) std::swap(xl, xr);
        g->arrowPath[0] = Pt(xl, ys - V);
        g->arrowPath[1] = Pt(xr, ys - V);
        g->arrowPath[2] = Pt(xl, ys + V);
        g->arrowPath[3] = Pt(xr, ys + V);
        g->arrow = backwards ? ArrowDirection::Left : ArrowDirection::Right;
        break;
    }
    case 3: {
        const int64_t x = X0 + u / 2 - HalfSin(bm / 2, theta), V = HalfCos(bm / 2, theta);
        g->arrowPath[0] = g->arrowPath[1] = Pt(x, ys - V);
        g->arrowPath[2] = g->arrowPath[3] = Pt(x, ys + V);
        g->arrow = ArrowDirection::Down;
        break;
    }
    default: {
        int64_t xl = xs - HalfCos(u / 2, theta), xr = xs + HalfCos(u / 2, theta);
        const int64_t yu = Y0 + bm / 4 - HalfSin(u / 2, theta), yd = Y0 + 3 * bm / 4 - HalfSin(u / 2, theta);
        if (backwards) std::swap(xl, xr);
        g->arrowPath[0] = Pt(xl, yu);
        g->arrowPath[1] = Pt(xl, yd);
        g->arrowPath[2] = Pt(xr, yu);
        g->arrowPath[3] = Pt(xr, yd);
        g->arrow = ArrowDirection::Down;
        break;
    }
    }
    return TRUE;
}

void DrawBookletPicture(HWND, HDC dc, const LAYOUTPREVIEWDATA& st, const RECT& client, const PREVIEWPENS& pens)
{
    BOOKLETGEOMETRY g;
    if (!ComputeBookletGeometry(st, client.right - client.left, client.bottom - client.top, &g)) return;
    const bool undivided = st.lBookletSheets == -1;
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pens.black);

    // The stack from the back sheet to the front one; the back one casts a shadow.
    for (int index = g.sheets; index >= 1; --index) {
        const LONG shift = (index - 1) * g.sheetStep;
        POINT sheet[6];
        for (int k = 0; k < 6; ++k) sheet[k] = {g.outline[k].x + shift, g.outline[k].y + shift};
        const bool edge = index == g.sheets || index == 1;
        SelectObject(dc, !undivided || edge ? pens.black : pens.shadow);
        Polygon(dc, sheet, 6);
        if (index == g.sheets) {
            SelectObject(dc, pens.black);
            const auto down = [](POINT p) { return POINT{p.x, p.y + 1}; };
            const auto diagonal = [](POINT p) { return POINT{p.x + 1, p.y + 1}; };
            const auto right = [](POINT p) { return POINT{p.x + 1, p.y}; };
            if (g.kind == 1 || g.kind == 4) {
                const POINT lower[3] = {down(sheet[1]), down(sheet[2]), down(sheet[3])};
                Polyline(dc, lower, 3);
                Line(dc, diagonal(sheet[4]), diagonal(sheet[3]));
            } else {
                Line(dc, down(sheet[2]), down(sheet[3]));
                const POINT side[3] = {right(sheet[3]), right(sheet[4]), right(sheet[5])};
                Polyline(dc, side, 3);
            }
        }
    }
    SelectObject(dc, pens.black);

    for (int i = 0; i < g.pageCount; ++i) StretchSample(dc, st.hResModule, g.pageBitmaps[i], g.pages[i], SRCAND);

    if (g.fold) {
        SelectObject(dc, pens.face);
        Polyline(dc, g.foldLine, 3);
    }
    if (st.wBindingEdge != 0) {
        SelectObject(dc, pens.face);
        SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
        Polygon(dc, g.bindingStrip, 6);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
    }
    SelectObject(dc, pens.black);
    Line(dc, g.spine[0], g.spine[1]);
    if (st.wStaple == kSaddleStitch) {
        for (const auto& stitch : g.stitches) {
            Line(dc, stitch[0], stitch[1]);
            if (g.kind == 1 || g.kind == 4) {
                Line(dc, {stitch[0].x + 1, stitch[0].y}, {stitch[1].x + 1, stitch[1].y});
            } else {
                Line(dc, stitch[0], stitch[1]);
            }
        }
    }
    if (st.dwModeParam == 0) DrawReadingPath(dc, g.arrowPath, 4, g.arrow);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

BOOL ComputePosterGeometry(const LAYOUTPREVIEWDATA& st, int cw, int ch, POSTERGEOMETRY* g)
{
    PreviewMath m;
    *g = {};
    const bool landscape = st.wOrientation == kOrientationLandscape;
    const int64_t a = st.wOutputWidth, b = st.wOutputLength;
    const int64_t columns = st.wPosterColumns, rows = st.wPosterRows;
    int64_t vb, hb, E, D;
    switch (static_cast<SHORT>(st.wPosterCount)) {
    case -1:
        vb = columns - 1;
        hb = rows - 1;
        if (st.wTileOrientation == st.wOrientation) {
            E = columns * a;
            D = rows * b;
        } else {
            E = columns * b;
            D = rows * a;
        }
        break;
    case 4: vb = hb = 1; E = 2 * a; D = 2 * b; break;
    case 9: vb = hb = 2; E = 3 * a; D = 3 * b; break;
    default:
        vb = landscape ? 1 : 0;
        hb = landscape ? 0 : 1;
        E = landscape ? 2 * b : b;
        D = landscape ? a : 2 * a;
        break;
    }
    g->verticalBoundaries = static_cast<int>(vb);
    g->horizontalBoundaries = static_cast<int>(hb);
    g->columns = static_cast<int>(columns);
    g->rows = static_cast<int>(rows);

    // The poster reduced to the model's largest sheet, then to pixels.
    const int64_t h0 = landscape ? st.wMaxWidth : st.wMaxLength;
    int64_t s, Wp, Hp;
    if (D < E) {
        s = m.div(E * 100, h0);
        Wp = h0;
        Hp = m.div(D * 100, s);
    } else {
        s = m.div(D * 100, h0);
        Hp = h0;
        Wp = m.div(E * 100, s);
    }
    const int64_t pageW = m.div(int64_t{st.wPageWidth} * 100, s), pageL = m.div(int64_t{st.wPageLength} * 100, s);
    const int64_t u = m.div(int64_t{std::max(st.wMaxWidth, st.wMaxLength)} * 100, std::min(cw, ch) - kClientInset);
    int64_t Wpx = m.div(Wp * 100, u), Hpx = m.div(Hp * 100, u);
    const bool upToA3 = landscape ? a <= kA3Length : b <= kA3Length;
    if (upToA3) {
        s = std::max(a, b) * 100 / kA3Length;
        Wpx = Wpx * s / 100;
        Hpx = Hpx * s / 100;
    }
    const int64_t pw = m.div(pageW * 100, u), ph = m.div(pageL * 100, u);
    const int64_t X = (cw - Wpx) / 2, Y = (ch - Hpx) / 2;
    g->u = u;
    g->s = s;
    g->poster = {ToCoord(X), ToCoord(Y), ToCoord(X + Wpx), ToCoord(Y + Hpx)};

    // The page picture, fitted into the poster and widened by the overlaps.
    const int64_t ov = m.div(int64_t{st.wOverlapWidth} * 10000, u * s);
    const int64_t f = std::min(m.div(Wpx * 100, pw), m.div(Hpx * 100, ph));
    int64_t w = f * pw / 100, h = f * ph / 100;
    if (st.dwPosterOverlap) {
        const int64_t G = w - ov * vb / 2, H = h - ov * hb / 2;
        if (hb < vb) {
            if (Wpx - w > 1) {
                w += ov;
            } else {
                h = m.div(G * H, w);
            }
        }
        if (vb < hb) {
            if (Hpx - h > 1) {
                h += ov;
            } else {
                w = m.div(G * H, h);
            }
        }
    }
    const int64_t left = (cw - w) / 2, top = (ch - h) / 2;
    g->picture = {ToCoord(left), ToCoord(top), ToCoord(left + w), ToCoord(top + h)};

    int64_t z = upToA3 ? m.div(int64_t{st.wOverlapWidth} * 100, u) : m.div(int64_t{st.wOverlapWidth} * 10000, u * s);
    if (z != 0) z += m.div(500000, u * s);
    g->zoneHalfWidth = ToCoord(z);
    if (!m.ok()) return FALSE;

    // The reading path over the tiles.
    g->pathShown = !(columns == 1 && rows == 1);
    const int64_t quarter = columns == 2 ? 4 : columns == 3 ? 6 : columns == 4 ? 8 : 0;
    const int64_t x0 = quarter ? X + Wpx / quarter : X + Wpx / 2;
    const int64_t x1 = quarter ? X + Wpx - Wpx / quarter : X + Wpx / 2;
    int64_t y0 = Y + Hpx / 2, y1 = y0;
    if (rows >= 2 && rows <= 4) {
        const int64_t S = Hpx / rows;
        y0 = Y + S / 2;
        y1 = Y + Hpx - S / 2;
    }
    g->path[0] = Pt(x0, y0);
    g->path[1] = Pt(x1, y0);
    g->path[2] = Pt(x0, y1);
    g->path[3] = Pt(x1, y1);
    g->arrow = columns == 1 ? ArrowDirection::Down : ArrowDirection::Right;
    return TRUE;
}

namespace {

bool HasBoundaries(int count)
{
    return count >= 2 && count <= 4;
}

}  // namespace

void DrawPosterMarks(HDC dc, const LAYOUTPREVIEWDATA& st, int X, int Y, int W, int H)
{
    const int columns = st.wPosterColumns, rows = st.wPosterRows;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    const auto mark = [dc](int x, int y) { Rectangle(dc, x - 5, y - 5, x + 5, y + 5); };
    if (HasBoundaries(columns) && rows >= 1) {
        for (int i = 1; i < columns; ++i) {
            for (int j = 0; j <= rows; ++j) mark(X + W * i / columns, Y + H * j / rows);
        }
    }
    if (HasBoundaries(rows) && columns >= 1) {
        for (int j = 1; j < rows; ++j) {
            for (int i = 0; i <= columns; ++i) mark(X + W * i / columns, Y + H * j / rows);
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void DrawPosterPicture(HWND, HDC dc, const LAYOUTPREVIEWDATA& st, const RECT& client, const PREVIEWPENS& pens)
{
    POSTERGEOMETRY g;
    if (!ComputePosterGeometry(st, client.right - client.left, client.bottom - client.top, &g)) return;
    const LONG X = g.poster.left, Y = g.poster.top, W = g.poster.right - X, H = g.poster.bottom - Y;
    const int columns = g.columns, rows = g.rows;
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pens.black);
    Rectangle(dc, X, Y, X + W, Y + H);
    const POINT shadow[] = {{X + W, Y + 1}, {X + W, Y + H}, {X, Y + H}};
    Polyline(dc, shadow, 3);
    HRGN clip = CreateRectRgn(X + 1, Y + 1, X + W - 1, Y + H - 1);
    SelectClipRgn(dc, clip);

    const RECT& pic = g.picture;
    const RECT inner = {pic.left + 2, pic.top + 2, pic.right - 2, pic.bottom - 2};
    const WORD orientation = st.wOrientation == kOrientationLandscape ? kOrientationLandscape : 1;
    StretchSample(dc, st.hResModule, SamplePageBitmapId(st.dwColor != 0, orientation, 1), inner, SRCCOPY);

    if (st.dwPosterOverlap) {
        const int z = g.zoneHalfWidth;
        SelectObject(dc, pens.face);
        SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
        const int oldRop = SetROP2(dc, R2_MASKPEN);
        if (HasBoundaries(columns)) {
            for (int i = 1; i < columns; ++i) {
                const LONG x = X + W * i / columns;
                Rectangle(dc, x - z - 2, Y + 1, x + z + 2, Y + H - 1);
            }
        }
        if (HasBoundaries(rows)) {
            for (int j = 1; j < rows; ++j) {
                const LONG y = Y + H * j / rows;
                Rectangle(dc, X + 1, y - z - 2, X + W - 1, y + z + 2);
            }
        }
        SetROP2(dc, oldRop);
        SelectObject(dc, pens.black);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
    }
    if (st.dwPosterMarks) DrawPosterMarks(dc, st, X, Y, W, H);
    SelectClipRgn(dc, nullptr);
    if (clip) DeleteObject(clip);

    // Tile boundaries: black bars with a light line in their middle.
    for (int pass = 0; pass < 2; ++pass) {
        SelectObject(dc, pass == 0 ? pens.black : pens.face);
        SelectObject(dc, GetStockObject(pass == 0 ? BLACK_BRUSH : LTGRAY_BRUSH));
        if (HasBoundaries(columns)) {
            for (int i = 1; i < columns; ++i) {
                const LONG x = X + W * i / columns;
                if (pass == 0) Rectangle(dc, x - 2, Y, x + 2, Y + H);
                else Rectangle(dc, x, Y, x + 1, Y + H + 1);
            }
        }
        if (HasBoundaries(rows)) {
            for (int j = 1; j < rows; ++j) {
                const LONG y = Y + H * j / rows;
                if (pass == 0) Rectangle(dc, X, y - 2, X + W, y + 2);
                else Rectangle(dc, X, y, X + W + 1, y + 1);
            }
        }
    }

    HPEN red = CreatePen(PS_SOLID, 1, kPageFrameColor);
    SelectObject(dc, red);
    const LONG w = pic.right - pic.left, h = pic.bottom - pic.top;
    const POINT frame[] = {{pic.left + 1, pic.top + 1}, {pic.left + 1, pic.top + h - 2}, {pic.left + w - 2, pic.top + h - 2},
                           {pic.left + w - 2, pic.top + 1}, {pic.left + 1, pic.top + 1}};
    Polyline(dc, frame, 5);
    SelectObject(dc, pens.black);
    DeleteObject(red);

    if (g.pathShown) DrawReadingPath(dc, g.path, 4, g.arrow);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}
