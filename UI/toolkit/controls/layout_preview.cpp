// The layout preview control and its N-up picture; see layout_preview.h.
#include "layout_preview.h"

#include <algorithm>
#include <utility>

#include "control_state.h"
#include "custom_controls.h"
#include "preview_math.h"

const NUPLAYOUT g_NupLayouts[NUPLAYOUT_ROWS] = {
    {1, 1, 0, 1, 1, 0},  {1, 2, 0, 1, 1, 0},  {2, 1, 1, 2, 1, 0},  {2, 2, 1, 1, 2, 0},
    {4, 1, 0, 2, 2, 0},  {4, 2, 0, 2, 2, 0},  {6, 1, 1, 3, 2, 0},  {6, 2, 1, 2, 3, 0},
    {9, 1, 0, 3, 3, 0},  {9, 2, 0, 3, 3, 0},  {16, 1, 0, 4, 4, 0}, {16, 2, 0, 4, 4, 0},
};

namespace {

// The reference sheet of sheets up to A3, and the length beyond which a sheet is measured
// against the model's largest sheet instead.
constexpr int64_t kA3Width = 2970, kA3Length = 4200;
// Pixels the sheet keeps from the shorter client side, and the gap around and between cells.
constexpr int64_t kClientInset = 24;
constexpr int64_t kCellGap = 3;
// Side of the duplex fold, in pixels.
constexpr int kFold = 21;
constexpr COLORREF kPathColor = RGB(0x40, 0x80, 0x80);

constexpr WORD kOrientationLandscape = 2;

// Staple positions in 0.1 mm from the sheet's top-left corner (x from the right edge where it
// is negative).
struct STAPLEROW {
    WORD bit;
    int x1, y1, x2, y2;
    enum Kind { Vertical, Horizontal, PairTop, PairSide } kind;
};
const STAPLEROW kStaples[] = {
    {0x10, 150, 300, 150, 60, STAPLEROW::Vertical},     {0x20, 150, 100, 400, 100, STAPLEROW::Horizontal},
    {0x40, -200, 300, -200, 60, STAPLEROW::Vertical},   {0x80, -200, 100, -450, 100, STAPLEROW::Horizontal},
    {0x100, 0, 100, 200, 100, STAPLEROW::PairTop},      {0x200, -200, 320, -200, 40, STAPLEROW::PairSide},
    {0x400, 150, 320, 150, 40, STAPLEROW::PairSide},
};

// Punch holes: offsets from the middle of the punched edge, in 0.1 mm.
const int kTwoHoles[] = {-400, 400};
const int kThreeHoles[] = {-800, 0, 800};
const int kFourHoles[] = {-1200, -400, 400, 1200};
constexpr DWORD kPunchTwo = 0x10000, kPunchThree = 0x20000, kPunchFour = 0x40000;
constexpr DWORD kPunchTop = 0x100000, kPunchRight = 0x400000;

// A length of the state in pixels: reduced by s percent, then scaled by u.
int64_t ToPixels(int64_t v, int64_t s, int64_t u)
{
    return v * 100 / s * 100 / u;
}

void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// The reading-path corners of an N-up grid, in reading order, as (row, column).
void CornerCells(int order, int rows, int columns, std::pair<int, int> (&cells)[4])
{
    const int b = rows - 1, r = columns - 1;
    const std::pair<int, int> tl{0, 0}, tr{0, r}, bl{b, 0}, br{b, r};
    switch (order) {
    case 2: cells[0] = tl; cells[1] = bl; cells[2] = tr; cells[3] = br; break;
    case 3: cells[0] = tr; cells[1] = tl; cells[2] = br; cells[3] = bl; break;
    case 4: cells[0] = tr; cells[1] = br; cells[2] = tl; cells[3] = bl; break;
    default: cells[0] = tl; cells[1] = tr; cells[2] = bl; cells[3] = br; break;
    }
}

}  // namespace

BOOL GetNupLayout(WORD code, WORD orientation, NUPLAYOUT* row)
{
    if (code > 255) {
        const WORD columns = HIBYTE(code), rows = LOBYTE(code);
        *row = {static_cast<WORD>(columns * rows), orientation, columns != rows ? 1u : 0u, columns, rows, 0};
        return TRUE;
    }
    for (const NUPLAYOUT& r : g_NupLayouts) {
        if (r.wPages == code && r.wOrientation == orientation) {
            *row = r;
            return TRUE;
        }
    }
    *row = {};
    return FALSE;
}

int GetNupPageNumber(const NUPLAYOUT& layout, int order, int row, int column)
{
    const int rows = layout.wRows, columns = layout.wColumns;
    if (layout.wPages == 1) return 1;
    if (layout.wPages == 2) {
        const bool first = row == 0 && column == 0;
        return (order == 3 || order == 4) ? (first ? 2 : 1) : (first ? 1 : 2);
    }
    switch (order) {
    case 2: return rows * column + row + 1;
    case 3: return columns * (row + 1) - column;
    case 4: return (columns - column - 1) * rows + row + 1;
    default: return columns * row + column + 1;
    }
}

UINT SamplePageBitmapId(BOOL color, WORD orientation, int pageNumber)
{
    UINT id = color ? 340 : 350;
    if (pageNumber != 1) id += 20;
    if (orientation == kOrientationLandscape) id += 1;
    return id;
}

HBITMAP LoadSamplePageBitmap(HMODULE module, BOOL color, WORD orientation, int pageNumber)
{
    if (!module) return nullptr;
    return LoadBitmapW(module, MAKEINTRESOURCEW(SamplePageBitmapId(color, orientation, pageNumber)));
}

BOOL ComputeNupGeometry(const LAYOUTPREVIEWDATA& st, int width, int height, NUPGEOMETRY* g)
{
    PreviewMath m;
    *g = {};
    const bool landscape = st.wOrientation == kOrientationLandscape;
    g->cornerKind = st.wBindingEdge == 3 ? 1 : st.wBindingEdge == 4 ? 2 : 0;

    int64_t refW = kA3Width, refL = kA3Length, s = 100;
    int64_t outW = st.wOutputWidth, outL = st.wOutputLength;
    if ((!landscape && outL > kA3Length) || (landscape && outW > kA3Length)) {
        // Longer than A3: measured against the model's largest sheet.
        const int64_t d = landscape ? st.wMaxWidth : st.wMaxLength;
        refW = st.wMaxWidth;
        refL = st.wMaxLength;
        s = m.div(std::max(outW, outL) * 100, d);
        if (outW >= outL) {
            outL = m.div(outL * 100, s);
            outW = d;
        } else {
            outW = m.div(outW * 100, s);
            outL = d;
        }
    }
    const int64_t margin = m.div(int64_t{st.wBindingMargin} * 100, s);

    GetNupLayout(st.wNup, st.wOrientation, &g->layout);
    const bool rotate = g->layout.dwRotate == 1;
    if (rotate) {
        std::swap(refW, refL);
        std::swap(outW, outL);
    }
    const int64_t u = m.div(std::max(refW, refL) * 100, std::min(width, height) - kClientInset);
    const int64_t W = m.div(outW * 100, u), H = m.div(outL * 100, u), M = m.div(margin * 100, u);
    const int64_t X = (width - W) / 2, Y = (height - H) / 2;
    g->s = s;
    g->u = u;
    g->sheet = {ToCoord(X), ToCoord(Y), ToCoord(X + W), ToCoord(Y + H)};

    // The binding strip along its edge, and the page area beside it: shorter by the margin
    // across the strip, the other side shrunk in proportion and centred.
    const int pages = g->layout.wPages;
    const int64_t t = pages != 1 && st.wOrder != 0 ? 3 : 4;
    int64_t Xa = X, Ya = Y, Wa = W, Ha = H;
    const WORD edge = st.wBindingEdge;
    if (edge >= 1 && edge <= 4) {
        const bool side = edge == 1 || edge == 3;  // left or right: the strip runs down the sheet
        int64_t& across = side ? Wa : Ha;
        int64_t& along = side ? Ha : Wa;
        int64_t& acrossPos = side ? Xa : Ya;
        int64_t& alongPos = side ? Ya : Xa;
        const int64_t f = m.div((across - M) * 100, across);
        const int64_t shrunk = f * along / 100;
        alongPos += (along - shrunk) / 2;
        along = shrunk;
        across -= M;
        if (edge == 1 || edge == 2) acrossPos += M;
        int64_t strip[4] = {X + 2, Y + 2, X + W - 2, Y + H - 2};
        switch (edge) {
        case 1: strip[2] = X + t + M; break;
        case 2: strip[3] = Y + t + M; break;
        case 3: strip[0] = X + W - t - M; break;
        default: strip[1] = Y + H - t - M; break;
        }
        g->bindingStrip = {ToCoord(strip[0]), ToCoord(strip[1]), ToCoord(strip[2]), ToCoord(strip[3])};
    }
    g->pageArea = {ToCoord(Xa), ToCoord(Ya), ToCoord(Xa + Wa), ToCoord(Ya + Ha)};

    // Cells, the leftover pixels handed to the first columns and rows, and the page in a cell
    // with the logical page's proportions.
    const int64_t nc = g->layout.wColumns, nr = g->layout.wRows;
    const int64_t cellW = std::max<int64_t>(m.div(Wa - kCellGap * (nc + 1), nc), 1);
    const int64_t cellH = std::max<int64_t>(m.div(Ha - kCellGap * (nr + 1), nr), 1);
    g->cellWidth = ToCoord(cellW);
    g->cellHeight = ToCoord(cellH);
    g->extraColumns = ToCoord(Wa - (cellW + kCellGap) * nc - kCellGap);
    g->extraRows = ToCoord(Ha - (cellH + kCellGap) * nr - kCellGap);
    const int64_t pw0 = rotate ? outL : outW, ph0 = rotate ? outW : outL;
    const int64_t q = std::max(m.div(ph0 * 100, cellH), m.div(pw0 * 100, cellW));
    g->pageWidth = ToCoord(m.div(pw0 * 100, q));
    g->pageHeight = ToCoord(m.div(ph0 * 100, q));
    if (!m.ok()) return FALSE;

    // The reading path: both pages of 2-up, the four corners of more.
    if (pages != 1 && st.wOrder != 0) {
        const auto centre = [&](int row, int column) {
            const RECT r = NupPageRect(*g, row, column);
            return POINT{r.left + g->pageWidth / 2, r.top + g->pageHeight / 2};
        };
        if (pages == 2) {
            for (int i = 0; i < nr; ++i) {
                for (int j = 0; j < nc; ++j) {
                    const int number = GetNupPageNumber(g->layout, st.wOrder, i, j);
                    if (number == 1 || number == 2) g->path[number - 1] = centre(i, j);
                }
            }
            g->pathCount = 2;
            const bool backwards = st.wOrder == 3 || st.wOrder == 4;
            g->arrow = landscape ? (backwards ? ArrowDirection::Up : ArrowDirection::Down)
                                 : (backwards ? ArrowDirection::Left : ArrowDirection::Right);
        } else {
            std::pair<int, int> cells[4];
            CornerCells(st.wOrder, static_cast<int>(nr), static_cast<int>(nc), cells);
            for (int k = 0; k < 4; ++k) g->path[k] = centre(cells[k].first, cells[k].second);
            g->pathCount = 4;
            g->arrow = st.wOrder == 1 ? ArrowDirection::Right
                       : st.wOrder == 3 ? ArrowDirection::Left : ArrowDirection::Down;
        }
    }
    return TRUE;
}

RECT NupPageRect(const NUPGEOMETRY& g, int row, int column)
{
    const int extraRows = std::clamp(row + 1, 0, std::max(g.extraRows, 0));
    const int extraColumns = std::clamp(column + 1, 0, std::max(g.extraColumns, 0));
    const int64_t y = int64_t{row} * (g.cellHeight + kCellGap) + (g.cellHeight - g.pageHeight) / 2 + extraRows +
                      g.pageArea.top + kCellGap;
    const int64_t x = int64_t{column} * (g.cellWidth + kCellGap) + g.pageArea.left + extraColumns +
                      (g.cellWidth - g.pageWidth) / 2 + kCellGap;
    return {ToCoord(x), ToCoord(y), ToCoord(x + g.pageWidth), ToCoord(y + g.pageHeight)};
}

void DrawSunkenFrame(HDC dc, const RECT& r, HPEN shadow, HPEN highlight)
{
    HGDIOBJ previous = SelectObject(dc, shadow);
    MoveToEx(dc, 0, r.bottom, nullptr);
    LineTo(dc, 0, 0);
    LineTo(dc, r.right, 0);
    SelectObject(dc, highlight);
    LineTo(dc, r.right, r.bottom);
    LineTo(dc, 0, r.bottom);
    SelectObject(dc, previous);
}

void DrawReadingPath(HDC dc, const POINT* points, int count, ArrowDirection arrow)
{
    if (count <= 0) return;
    HPEN pen = CreatePen(PS_SOLID, 3, kPathColor);
    HBRUSH brush = CreateSolidBrush(kPathColor);
    const int oldRop = SetROP2(dc, R2_MASKPEN);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Polyline(dc, points, count);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, points[0].x - 5, points[0].y - 5, points[0].x + 5, points[0].y + 5);
    const LONG x = points[count - 1].x, y = points[count - 1].y;
    POINT head[3];
    switch (arrow) {
    case ArrowDirection::Up: head[0] = {x, y - 5}; head[1] = {x - 5, y + 5}; head[2] = {x + 5, y + 5}; break;
    case ArrowDirection::Down: head[0] = {x, y + 5}; head[1] = {x - 5, y - 5}; head[2] = {x + 5, y - 5}; break;
    case ArrowDirection::Left: head[0] = {x - 5, y}; head[1] = {x + 5, y - 5}; head[2] = {x + 5, y + 5}; break;
    default: head[0] = {x + 5, y}; head[1] = {x - 5, y - 5}; head[2] = {x - 5, y + 5}; break;
    }
    Polygon(dc, head, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SetROP2(dc, oldRop);
    DeleteObject(pen);
    DeleteObject(brush);
}

namespace {

// The sheet with a folded corner (duplex): outline, shadow, hatched flap, and the clip region
// that keeps later drawing off the flap (returned; the caller deletes it).
HRGN DrawFoldedSheet(HDC dc, const RECT& sheet, int kind)
{
    const LONG X = sheet.left, Y = sheet.top, W = sheet.right - sheet.left, H = sheet.bottom - sheet.top;
    const int F = kFold;
    POINT outline[5], shadow[4], flap[3], keep[6];
    int shadowCount;
    switch (kind) {
    case 1:
        outline[0] = {X, Y}; outline[1] = {X, Y + H - F}; outline[2] = {X + F - 1, Y + H - 1};
        outline[3] = {X + W - 1, Y + H - 1}; outline[4] = {X + W - 1, Y};
        shadow[0] = {X + F - 1, Y + H}; shadow[1] = {X + W, Y + H}; shadow[2] = {X + W, Y}; shadowCount = 3;
        flap[0] = {X, Y + H - F}; flap[1] = {X + F - 1, Y + H - F}; flap[2] = {X + F - 1, Y + H - 1};
        keep[0] = {X, Y}; keep[1] = {X, Y + H - F}; keep[2] = {X + F, Y + H - F};
        keep[3] = {X + F, Y + H + 1}; keep[4] = {X + W + 1, Y + H + 1}; keep[5] = {X + W + 1, Y};
        break;
    case 2:
        outline[0] = {X, Y}; outline[1] = {X, Y + H - 1}; outline[2] = {X + W - 1, Y + H - 1};
        outline[3] = {X + W - 1, Y + F - 1}; outline[4] = {X + W - F, Y};
        shadow[0] = {X, Y + H}; shadow[1] = {X + W, Y + H}; shadow[2] = {X + W, Y + F - 1}; shadowCount = 3;
        flap[0] = {X + W - F, Y}; flap[1] = {X + W - F, Y + F - 1}; flap[2] = {X + W - 1, Y + F - 1};
        keep[0] = {X, Y}; keep[1] = {X, Y + H + 1}; keep[2] = {X + W + 1, Y + H + 1};
        keep[3] = {X + W + 1, Y + F}; keep[4] = {X + W - F, Y + F}; keep[5] = {X + W - F, Y};
        break;
    default:
        outline[0] = {X, Y}; outline[1] = {X, Y + H - 1}; outline[2] = {X + W - F, Y + H - 1};
        outline[3] = {X + W - 1, Y + H - F}; outline[4] = {X + W - 1, Y};
        shadow[0] = {X, Y + H}; shadow[1] = {X + W - F, Y + H}; shadow[2] = {X + W, Y + H - F};
        shadow[3] = {X + W, Y}; shadowCount = 4;
        flap[0] = {X + W - F, Y + H - 1}; flap[1] = {X + W - F, Y + H - F}; flap[2] = {X + W - 1, Y + H - F};
        keep[0] = {X, Y}; keep[1] = {X, Y + H + 1}; keep[2] = {X + W - F, Y + H + 1};
        keep[3] = {X + W - F, Y + H - F}; keep[4] = {X + W + 1, Y + H - F}; keep[5] = {X + W + 1, Y};
        break;
    }
    Polygon(dc, outline, 5);
    Polyline(dc, shadow, shadowCount);
    Polyline(dc, flap, 3);

    HRGN flapRegion = CreatePolygonRgn(flap, 3, WINDING);
    if (flapRegion) {
        SelectClipRgn(dc, flapRegion);
        if (kind == 1) {
            for (int k = 0; k < 6; ++k) Line(dc, X + 17 - 3 * k, Y + H - 17, X + 17 - 3 * k, Y + H);
        } else {
            const LONG from = kind == 2 ? Y + 17 : Y + H - 17, to = kind == 2 ? Y : Y + H;
            for (LONG x = X + W - 17; x < X + W; x += 3) Line(dc, x, from, x, to);
        }
        DeleteObject(flapRegion);
    }
    HRGN keepRegion = CreatePolygonRgn(keep, 6, WINDING);
    SelectClipRgn(dc, keepRegion);
    return keepRegion;
}

void DrawStaples(HDC dc, const NUPGEOMETRY& g, WORD staple, int clientWidth, int clientHeight)
{
    const LONG X = g.sheet.left, Y = g.sheet.top, W = g.sheet.right - g.sheet.left;
    for (const STAPLEROW& row : kStaples) {
        if (row.bit != staple) continue;
        const auto px = [&](int v) { return ToCoord(ToPixels(v, g.s, g.u)); };
        const LONG x1 = X + px(row.x1) + (row.x1 < 0 ? W : 0), x2 = X + px(row.x2) + (row.x2 < 0 ? W : 0);
        const LONG y1 = Y + px(row.y1), y2 = Y + px(row.y2);
        switch (row.kind) {
        case STAPLEROW::Vertical:
            Line(dc, x1, y1, x2, y2);
            Line(dc, x1 + 1, y1, x2 + 1, y2);
            break;
        case STAPLEROW::Horizontal:
            Line(dc, x1, y1, x2, y2);
            Line(dc, x1, y1 + 1, x2, y2 + 1);
            break;
        case STAPLEROW::PairTop: {
            const LONG n = x2 - x1, xc = clientWidth / 2;
            for (int d = 0; d < 2; ++d) {
                Line(dc, xc - 2 * n, y1 + d, xc - n, y2 + d);
                Line(dc, xc + n, y1 + d, xc + 2 * n, y2 + d);
            }
            break;
        }
        case STAPLEROW::PairSide: {
            const LONG n = y2 - y1, yc = clientHeight / 2;
            for (int d = 0; d < 2; ++d) {
                Line(dc, x1 + d, yc - 2 * n, x1 + d, yc - n);
                Line(dc, x1 + d, yc + 2 * n, x1 + d, yc + n);
            }
            break;
        }
        }
    }
}

void DrawPunchHoles(HDC dc, const NUPGEOMETRY& g, DWORD punch)
{
    if (!(punch & (kPunchTwo | kPunchThree | kPunchFour))) return;
    const LONG X = g.sheet.left, Y = g.sheet.top, W = g.sheet.right - g.sheet.left, H = g.sheet.bottom - g.sheet.top;
    HRGN clip = CreateRectRgn(X, Y, X + W + 1, Y + H + 1);
    SelectClipRgn(dc, clip);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
    const int* offsets = kTwoHoles;
    int count = 2;
    if (punch & kPunchThree) {
        offsets = kThreeHoles;
        count = 3;
    } else if (punch & kPunchFour) {
        offsets = kFourHoles;
        count = 4;
    }
    for (int i = 0; i < count; ++i) {
        const LONG o = ToCoord(ToPixels(offsets[i], g.s, g.u));
        LONG a, b;
        if (punch & kPunchTop) {
            a = o + W / 2 + X - 3;
            b = Y + 5;
        } else {
            a = (punch & kPunchRight) ? X + W - 11 : X + 5;
            b = o + H / 2 + Y - 3;
        }
        Ellipse(dc, a, b, a + 6, b + 6);
    }
    SelectObject(dc, oldBrush);
    if (clip) DeleteObject(clip);
}

}  // namespace

void DrawNupPicture(HWND window, const RECT& client, HDC dc, const LAYOUTPREVIEWDATA& st, const PREVIEWPENS& pens)
{
    const int cw = client.right - client.left, ch = client.bottom - client.top;
    NUPGEOMETRY g;
    if (!ComputeNupGeometry(st, cw, ch, &g)) return;
    const LONG X = g.sheet.left, Y = g.sheet.top, W = g.sheet.right - g.sheet.left, H = g.sheet.bottom - g.sheet.top;
    const int pages = g.layout.wPages;
    const bool numbered = pages != 1 && st.wOrder != 0;

    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pens.black);
    HRGN clip = nullptr;
    if (st.wDuplex == 0) {
        Rectangle(dc, X, Y, X + W, Y + H);
        const POINT shadow[] = {{X + W, Y + 1}, {X + W, Y + H}, {X, Y + H}};
        Polyline(dc, shadow, 3);
    } else {
        clip = DrawFoldedSheet(dc, g.sheet, g.cornerKind);
    }

    if (st.wBindingEdge != 0) {
        SelectObject(dc, pens.face);
        SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
        Rectangle(dc, g.bindingStrip.left, g.bindingStrip.top, g.bindingStrip.right, g.bindingStrip.bottom);
        SelectObject(dc, pens.black);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
    }

    HGDIOBJ oldFont = nullptr;
    UINT oldAlign = 0;
    COLORREF oldBack = 0;
    if (numbered) {
        HWND parent = GetParent(window);
        HFONT font = parent ? reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
        if (font) oldFont = SelectObject(dc, font);
        oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
        oldBack = SetBkColor(dc, RGB(255, 255, 255));
    }
    const int oldStretch = SetStretchBltMode(dc, COLORONCOLOR);
    for (int i = 0; i < g.layout.wRows; ++i) {
        for (int j = 0; j < g.layout.wColumns; ++j) {
            const RECT page = NupPageRect(g, i, j);
            const int number = GetNupPageNumber(g.layout, st.wOrder, i, j);
            if (pages != 1) {
                SelectObject(dc, st.dwBorder ? pens.shadow : pens.face);
                Rectangle(dc, page.left, page.top, page.right, page.bottom);
                const POINT shadow[] = {{page.right, page.top + 1}, {page.right, page.bottom}, {page.left, page.bottom}};
                Polyline(dc, shadow, 3);
                SelectObject(dc, pens.black);
            }
            HBITMAP sample = LoadSamplePageBitmap(st.hResModule, st.dwColor != 0, st.wOrientation, number);
            if (sample) {
                BITMAP info;
                HDC mem = CreateCompatibleDC(dc);
                if (mem && GetObjectW(sample, sizeof info, &info) && g.pageWidth > 2 && g.pageHeight > 2) {
                    HGDIOBJ old = SelectObject(mem, sample);
                    StretchBlt(dc, page.left + 1, page.top + 1, g.pageWidth - 2, g.pageHeight - 2, mem, 0, 0,
                               info.bmWidth, info.bmHeight, SRCCOPY);
                    SelectObject(mem, old);
                }
                if (mem) DeleteDC(mem);
                DeleteObject(sample);
            }
            if (numbered) {
                WCHAR text[16];
                const int n = wsprintfW(text, L"%d", number);
                SIZE extent = {};
                GetTextExtentPoint32W(dc, text, n, &extent);
                const RECT own = {page.left + 1, page.top + 1, page.left + 1 + extent.cx, page.top + 1 + extent.cy};
                RECT shown;
                if (IntersectRect(&shown, &own, &page)) {
                    ExtTextOutW(dc, page.left + 1, page.top + 1, ETO_OPAQUE | ETO_CLIPPED, &shown, text,
                                static_cast<UINT>(n), nullptr);
                }
            }
        }
    }
    SetStretchBltMode(dc, oldStretch);

    DrawStaples(dc, g, st.wStaple, cw, ch);
    DrawPunchHoles(dc, g, st.dwPunch);
    if (numbered) {
        if (oldFont) SelectObject(dc, oldFont);
        SetTextAlign(dc, oldAlign);
        SetBkColor(dc, oldBack);
    }
    DrawReadingPath(dc, g.path, g.pathCount, g.arrow);

    SelectClipRgn(dc, nullptr);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    if (clip) DeleteObject(clip);
}

BOOL PaintLayoutPreview(HWND window, HDC dc)
{
    ControlState<LAYOUTPREVIEWDATA> s(window);
    if (!s) return FALSE;
    const PREVIEWPENS pens = {
        CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)),
        CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)), CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE))};
    RECT client;
    GetClientRect(window, &client);
    RECT frame = client;
    --frame.right;
    --frame.bottom;
    DrawSunkenFrame(dc, frame, pens.shadow, pens.highlight);
    switch (s->wMode) {
    case 0: DrawNupPicture(window, client, dc, *s, pens); break;
    case 1: DrawBookletPicture(window, dc, *s, client, pens); break;
    case 2: DrawPosterPicture(window, dc, *s, client, pens); break;
    default: break;
    }
    DeleteObject(pens.black);
    DeleteObject(pens.highlight);
    DeleteObject(pens.shadow);
    DeleteObject(pens.face);
    return TRUE;
}

namespace {

struct MENUITEMROW {
    UINT id;
    LPCWSTR text;
};
// The developer's menu, groups ended by a separator (id 0).
const MENUITEMROW kTestMenu[] = {
    {60, L"1-UP"}, {61, L"2-UP"}, {62, L"4-UP"}, {63, L"6-UP"}, {64, L"9-UP"}, {65, L"16-UP"}, {0, nullptr},
    {66, L"1x2"}, {67, L"4x2"}, {68, L"2x4"}, {69, L"3x4"}, {70, L"4x3"}, {71, L"5x5"}, {0, nullptr},
    {10, L"N-UP DEFAULT"}, {11, L"N-UP LRLR"}, {12, L"N-UP LLRR"}, {13, L"N-UP RLRL"}, {14, L"N-UP RRLL"}, {0, nullptr},
    {20, L"Border"}, {0, nullptr},
    {30, L"Duplex None"}, {31, L"Duplex Vert."}, {32, L"Duplex Hori."}, {0, nullptr},
    {40, L"Bainding none"}, {41, L"Bainding Left"}, {42, L"Bainding Top"}, {43, L"Bainding Right"},
    {44, L"Bainding Bottom"},
};
const WORD kMenuCounts[] = {1, 2, 4, 6, 9, 16};
const WORD kMenuGrids[] = {0x102, 0x402, 0x204, 0x304, 0x403, 0x505};

void ShowTestMenu(HWND window, POINT point)
{
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (const MENUITEMROW& item : kTestMenu) {
        AppendMenuW(menu, item.id ? MF_STRING : MF_SEPARATOR, item.id, item.text);
    }
    ClientToScreen(window, &point);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, point.x, point.y, 0, window, nullptr);
    DestroyMenu(menu);
}

// A command of the developer's menu changes the state; FALSE for another id.
bool ApplyTestCommand(LAYOUTPREVIEWDATA* s, UINT id)
{
    if (id >= IDM_LP_NUP_FIRST && id < IDM_LP_NUP_FIRST + 6) {
        s->wNup = kMenuCounts[id - IDM_LP_NUP_FIRST];
    } else if (id >= IDM_LP_GRID_FIRST && id < IDM_LP_GRID_FIRST + 6) {
        s->wNup = kMenuGrids[id - IDM_LP_GRID_FIRST];
    } else if (id >= IDM_LP_ORDER_FIRST && id <= IDM_LP_ORDER_FIRST + 4) {
        s->wOrder = static_cast<WORD>(id - IDM_LP_ORDER_FIRST);
    } else if (id == IDM_LP_BORDER) {
        s->dwBorder = s->dwBorder ? 0 : 1;
    } else if (id >= IDM_LP_DUPLEX_FIRST && id <= IDM_LP_DUPLEX_FIRST + 2) {
        s->wDuplex = static_cast<WORD>(id - IDM_LP_DUPLEX_FIRST);
    } else if (id >= IDM_LP_BINDING_FIRST && id <= IDM_LP_BINDING_FIRST + 4) {
        s->wBindingEdge = static_cast<WORD>(id - IDM_LP_BINDING_FIRST);
    } else {
        return false;
    }
    return true;
}

// Stores a private message's values; FALSE for a message that is not one of them.
bool StoreLayoutMessage(LAYOUTPREVIEWDATA* s, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WORD wLow = LOWORD(wParam), lLow = LOWORD(lParam), lHigh = HIWORD(lParam);
    switch (message) {
    case LPM_SETPAPERSIZE: s->wPageWidth = lLow; s->wPageLength = lHigh; break;
    case LPM_SETORIENTATION: s->wOrientation = lLow; break;
    case LPM_SETBORDER: s->dwBorder = lLow; break;
    case LPM_SETMAXPAPER: s->wMaxWidth = lLow; s->wMaxLength = lHigh; break;
    case LPM_SETNUP: s->wNup = lLow; s->wOrder = lHigh; break;
    case LPM_SETPAPERCLASS: s->wPaperClass = wLow; break;
    case LPM_SETDUPLEX: s->wDuplex = wLow; break;
    case LPM_SETBINDING: s->wBindingEdge = wLow; s->wBindingMargin = lLow; break;
    case LPM_SETOUTPUTPAPER: s->wOutputWidth = lLow; s->wOutputLength = lHigh; break;
    case LPM_SETMODE: s->wMode = wLow; s->dwModeParam = static_cast<DWORD>(lParam); break;
    case LPM_SETFINISHING: s->dwPunch = static_cast<DWORD>(wParam) << 16; s->wStaple = lLow; break;
    case LPM_SETPOSTER: s->wPosterCount = wLow; s->wPosterColumns = lLow; s->wPosterRows = lHigh; break;
    case LPM_SETPOSTERMARKS: s->dwPosterMarks = static_cast<DWORD>(wParam); break;
    case LPM_SETPOSTEROVERLAP: s->dwPosterOverlap = static_cast<DWORD>(wParam); break;
    case LPM_SETOVERLAPWIDTH: s->wOverlapWidth = wLow; break;
    case LPM_SETTILEORIENT: s->wTileOrientation = wLow; break;
    case LPM_SETBOOKLETOPT: s->wBookletOption = wLow; break;
    case LPM_SETBOOKLETVARIANT: s->wBookletVariant = wLow; break;
    case LPM_SETRESMODULE: s->hResModule = reinterpret_cast<HMODULE>(wParam); break;
    case LPM_SETCOLOR: s->dwColor = wLow; break;
    case LPM_SETBOOKLETSHEETS: s->lBookletSheets = static_cast<LONG>(lParam); break;
    default: return false;
    }
    return true;
}

}  // namespace

extern "C" LRESULT CALLBACK LayoutPreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        // Without its state the control cannot be made.
        return AllocControlState(window, sizeof(LAYOUTPREVIEWDATA)) ? 0 : -1;
    case WM_DESTROY:
        FreeControlState(window);
        return 0;
    case WM_PAINT:
        PaintControl(window, [window](HDC dc) { PaintLayoutPreview(window, dc); });
        return 0;
    case WM_LBUTTONDOWN:
        if ((wParam & (MK_CONTROL | MK_SHIFT)) == (MK_CONTROL | MK_SHIFT)) {
            ShowTestMenu(window, {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))});
        }
        return 0;
    case WM_COMMAND: {
        bool applied = false;
        {
            ControlState<LAYOUTPREVIEWDATA> s(window);
            applied = s && ApplyTestCommand(s.get(), LOWORD(wParam));
        }
        InvalidateRect(window, nullptr, applied ? TRUE : FALSE);
        return 0;
    }
    case LPM_REDRAW:
        if (wParam) InvalidateRect(window, nullptr, TRUE);
        return 0;
    default:
        if (message >= LPM_SETPAPERSIZE && message <= LPM_SETBOOKLETSHEETS) {
            ControlState<LAYOUTPREVIEWDATA> s(window);
            if (!s) return 0;
            if (StoreLayoutMessage(s.get(), message, wParam, lParam)) return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
