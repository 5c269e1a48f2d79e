// Per-page layout on a hand-set PDEV: binding offsets, print orientations, point mapping, the
// print offset's shift and clipping, and the small arithmetic helpers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "page_geometry.h"
#include "page_layout.h"
#include "pdev.h"

namespace {

// A zeroed PDEV at 600 dpi, portrait, simplex, one page a sheet, with a zeroed model.
struct LayoutPdev {
    PDEV pdev = {};
    MODELINFO model = {};
    LayoutPdev()
    {
        pdev.model = &model;
        pdev.resolution = 600;
        pdev.devmode.dmPublic.dmFields = DM_ORIENTATION;
        pdev.devmode.dmPublic.dmOrientation = DMORIENT_PORTRAIT;
        pdev.devmode.dmPublic.dmDuplex = DMDUP_SIMPLEX;
        pdev.devmode.dmPublic.dmPaperSize = 9;
        pdev.geo.zoom = ZOOM_NONE;
    }
    DRVEXTRA& ext() { return pdev.devmode.dmPrivate; }
    DEVMODEW& pub() { return pdev.devmode.dmPublic; }
};

std::unique_ptr<LayoutPdev> MakePdev()
{
    return std::make_unique<LayoutPdev>();
}

// ---- Binding offsets --------------------------------------------------------------------------

// 10 mm at 600 dpi; the centring offset and the layout's page offset are arbitrary markers.
constexpr LONG M = 236, Z = 7, OFFSET = 30;

void ManualDuplex(LayoutPdev& l, short source, short duplex)
{
    l.ext().wManualDuplex = 1;
    l.ext().dwManualDuplexSheets = 4;
    l.pub().dmDefaultSource = source;
    l.pub().dmDuplex = duplex;
}

TEST(PageLayout, BindingOffsetsFollowTheSideOfTheSheet)
{
    struct Case {
        const char* name;
        WORD binding;
        void (*set)(LayoutPdev&);
        DWORD page;
        BOOL backSide;
        LONG left, top, right, bottom;
    } cases[] = {
        {"simplex page 1", 0x11, [](LayoutPdev&) {}, 1, FALSE, M + OFFSET, Z, 0, 0},
        {"simplex page 2", 0x11, [](LayoutPdev&) {}, 2, FALSE, M + OFFSET, Z, 0, 0},
        {"simplex top edge", 0x12, [](LayoutPdev&) {}, 3, FALSE, Z + OFFSET, M, 0, 0},
        {"duplex front", 0x11, [](LayoutPdev& l) { l.pub().dmDuplex = DMDUP_VERTICAL; }, 1, FALSE, M + OFFSET, Z, M, Z},
        {"duplex back", 0x11, [](LayoutPdev& l) { l.pub().dmDuplex = DMDUP_VERTICAL; }, 2, FALSE, OFFSET, Z, 0, Z},
        {"duplex starting on a back", 0x11, [](LayoutPdev& l) { l.pub().dmDuplex = DMDUP_VERTICAL; }, 1, TRUE, OFFSET, Z, 0, Z},
        {"duplex top edge back", 0x12, [](LayoutPdev& l) { l.pub().dmDuplex = DMDUP_VERTICAL; }, 2, FALSE, Z + OFFSET, 0, Z, M},
        {"manual first half: X", 0x11, [](LayoutPdev& l) { ManualDuplex(l, 1, DMDUP_HORIZONTAL); }, 2, FALSE, OFFSET, Z, 0, Z},
        {"manual second half: Y", 0x11, [](LayoutPdev& l) { ManualDuplex(l, 1, DMDUP_HORIZONTAL); }, 3, FALSE, M + OFFSET, Z, M, Z},
        {"manual long edge: X", 0x12, [](LayoutPdev& l) { ManualDuplex(l, 7, DMDUP_VERTICAL); }, 3, FALSE, Z + OFFSET, M, Z, 0},
        {"manual feed odd: Y", 0x12, [](LayoutPdev& l) { ManualDuplex(l, 4, DMDUP_HORIZONTAL); }, 3, FALSE, Z + OFFSET, 0, Z, M},
        {"manual feed even: X", 0x13, [](LayoutPdev& l) { ManualDuplex(l, 4, DMDUP_HORIZONTAL); }, 4, FALSE, M + OFFSET, Z, M, Z},
        {"no edge", 0x15, [](LayoutPdev&) {}, 1, FALSE, OFFSET, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = MakePdev();
        l->ext().wBinding = c.binding;
        l->ext().wMargin = 100;
        l->pdev.geo.centerOffset = Z;
        l->pdev.geo.layoutPageOffset[0] = OFFSET;
        l->pdev.geo.layoutPageOffset[1] = 1000;  // the landscape one: not used on a portrait sheet
        c.set(*l);
        l->pdev.geo.bindingMargin = ComputeBindingEdge(&l->pdev);
        SetBindingOffsets(&l->pdev, c.page, c.backSide);
        const PAGEGEOMETRY& g = l->pdev.geo;
        EXPECT_EQ(g.bindingLeft, c.left);
        EXPECT_EQ(g.bindingTop, c.top);
        EXPECT_EQ(g.bindingRight, c.right);
        EXPECT_EQ(g.bindingBottom, c.bottom);

        // The per-page update agrees on the left and top offsets of a plain page.
        if (!c.backSide) {
            l->pdev.geo.bindingLeft = l->pdev.geo.bindingTop = -1;
            UpdateBindingState(&l->pdev, c.page);
            EXPECT_EQ(g.bindingLeft, c.left);
            EXPECT_EQ(g.bindingTop, c.top);
        }
    }
}

TEST(PageLayout, BookletBindingTakesNoPageOffset)
{
    auto l = MakePdev();
    l->ext().wBinding = 0x11;
    l->ext().wMargin = 100;
    l->ext().dwFinishingMode = FINISHINGMODE_BOOKLET;
    l->pdev.geo.centerOffset = Z;
    l->pdev.geo.layoutPageOffset[0] = OFFSET;
    l->pdev.geo.bindingMargin = ComputeBindingEdge(&l->pdev);
    ASSERT_EQ(l->pdev.geo.bindingMargin, 2 * M);
    SetBindingOffsets(&l->pdev, 1, FALSE);
    EXPECT_EQ(l->pdev.geo.bindingLeft, Z);
    EXPECT_EQ(l->pdev.geo.bindingTop, 2 * M);
    // A quarter-turned sheet carries the margin on its left.
    l->pdev.geo.sheetRotation = 90;
    UpdateBindingState(&l->pdev, 1);
    EXPECT_EQ(l->pdev.geo.bindingLeft, 2 * M);
    EXPECT_EQ(l->pdev.geo.bindingTop, Z);
}

TEST(PageLayout, NupCellsShareTheSheetsBindingState)
{
    auto l = MakePdev();
    PAGEGEOMETRY& g = l->pdev.geo;
    g.nupMode = NUPMODE_ON;
    g.nupOrderCode = 2;
    g.bindingMargin = M;
    g.bindingState = 1;
    UpdateBindingState(&l->pdev, 1);  // first cell: saved, left margin plus the cell offset
    EXPECT_EQ(g.savedBindingState, 1u);
    EXPECT_EQ(g.bindingLeft, M + 8);
    EXPECT_EQ(g.bindingTop, 8);

    // A landscape page on a portrait-first sheet with order code 2 turns the edge round.
    g.cellsFilled = 1;
    g.bindingState = 4;
    l->pub().dmOrientation = DMORIENT_LANDSCAPE;
    UpdateBindingState(&l->pdev, 2);
    EXPECT_EQ(g.bindingState, 3u);
    EXPECT_EQ(g.bindingLeft, 8);
    EXPECT_EQ(g.savedBindingState, 1u);
}

// ---- Orientation ------------------------------------------------------------------------------

TEST(PageLayout, OrientationByLayout)
{
    struct Case {
        const char* name;
        void (*set)(LayoutPdev&);
        DWORD page;
        DWORD orientation;
    } cases[] = {
        {"portrait", [](LayoutPdev&) {}, 1, 0},
        {"portrait turned", [](LayoutPdev& l) { l.ext().wPortDirect = 1; }, 1, 2},
        {"landscape sheet", [](LayoutPdev& l) { l.pdev.geo.landscape = 1; }, 1, 3},
        {"landscape sheet turned", [](LayoutPdev& l) { l.pdev.geo.landscape = 1, l.ext().wRotate180 = 1; }, 1, 1},
        {"N-up page across the sheet", [](LayoutPdev& l) {
             l.pdev.geo.nupMode = NUPMODE_ON | NUPMODE_FIRST_LANDSCAPE;
             l.pdev.geo.nupOrderCode = 4;
         }, 1, 2},
        {"A3 model paper 272", [](LayoutPdev& l) { l.model.dwCapFlags = MIF_A3PRINTER, l.pub().dmPaperSize = 272; }, 1, 2},
        {"reversed record, envelope", [](LayoutPdev& l) {
             l.model.dwCapFlags = MIF_ENVROTATE, l.pdev.page.value4 = 2, l.pub().dmPaperSize = 73, l.ext().wPortDirect = 1;
         }, 1, 0},
        {"reversed record, other paper", [](LayoutPdev& l) {
             l.model.dwCapFlags = MIF_ENVROTATE, l.pdev.page.value4 = 2, l.ext().wPortDirect = 1, l.pdev.geo.landscape = 1;
         }, 1, 3},
        {"booklet odd right to left", [](LayoutPdev& l) {
             l.ext().dwFinishingMode = FINISHINGMODE_BOOKLET, l.ext().dwBookletFlags = BOOKLET_RIGHTTOLEFT;
         }, 1, 2},
        {"booklet starting on a back", [](LayoutPdev& l) {
             l.ext().dwFinishingMode = FINISHINGMODE_BOOKLET, l.ext().dwBookletFlags = BOOKLET_RIGHTTOLEFT, l.ext().wAux884 = 1;
         }, 1, 0},
        {"booklet even landscape-first", [](LayoutPdev& l) {
             l.ext().dwFinishingMode = FINISHINGMODE_BOOKLET, l.pdev.geo.nupMode = NUPMODE_ON | NUPMODE_FIRST_LANDSCAPE;
             l.pdev.geo.landscape = 1;
         }, 2, 1},
        {"poster on its sheet", [](LayoutPdev& l) { l.ext().dwFinishingMode = FINISHINGMODE_POSTER, l.ext().wPortDirect = 1; }, 1, 2},
        {"poster turned", [](LayoutPdev& l) { l.ext().dwFinishingMode = FINISHINGMODE_POSTER, l.pdev.geo.posterState = 1; }, 1, 3},
        {"poster turned paper 272", [](LayoutPdev& l) {
             l.ext().dwFinishingMode = FINISHINGMODE_POSTER, l.pdev.geo.posterState = 1, l.pub().dmPaperSize = 272;
         }, 1, 1},
        {"manual short edge first half", [](LayoutPdev& l) { ManualDuplex(l, 1, DMDUP_HORIZONTAL); }, 2, 2},
        {"manual short edge second half", [](LayoutPdev& l) { ManualDuplex(l, 1, DMDUP_HORIZONTAL); }, 3, 0},
        {"manual short edge landscape", [](LayoutPdev& l) { ManualDuplex(l, 259, DMDUP_HORIZONTAL), l.pdev.geo.landscape = 1; }, 3, 3},
        {"manual feed odd", [](LayoutPdev& l) { ManualDuplex(l, 4, DMDUP_VERTICAL), l.ext().wPortDirect = 1; }, 1, 0},
        {"manual feed last page", [](LayoutPdev& l) { ManualDuplex(l, 4, DMDUP_VERTICAL), l.ext().dwManualDuplexSheets = 3, l.ext().wPortDirect = 1; }, 3, 2},
        {"manual feed raster", [](LayoutPdev& l) { ManualDuplex(l, 4, DMDUP_VERTICAL), l.ext().wRasterMode = RASTERMODE_RASTER; }, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = MakePdev();
        c.set(*l);
        EXPECT_EQ(GetPageOrientation(&l->pdev, c.page), c.orientation);
    }
}

// ---- Points -----------------------------------------------------------------------------------

TEST(PageLayout, PointsTakeTheZoomAndThePageTurn)
{
    struct Case {
        WORD options;
        DWORD jobStatus;
        DWORD sheet, back;
        LONG x, y;
    } cases[] = {
        {0, 0, 0, 0, 100, 300},                                        // as it is
        {OPT_DRIVEREXPAND, 0, 90, 0, 50, 150},                         // half size, no turn flag
        {0, JOBSTATUS_ROTATED_PAGES, 90, 0, 300, 900},                 // (y, W - x)
        {0, JOBSTATUS_ROTATED_PAGES, 90, 180, 1700, 100},              // 270: (H - y, x)
        {OPT_DRIVEREXPAND, JOBSTATUS_ROTATED_PAGES, 180, 0, 950, 1850}, // (W - x, H - y) of (50, 150)
        {0, JOBSTATUS_ROTATED_PAGES, 180, 180, 100, 300},              // a full turn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "sheet " << c.sheet << " back " << c.back << " options " << c.options);
        auto l = MakePdev();
        l->ext().wOptions = c.options;
        l->pdev.jobStatus = c.jobStatus;
        l->pdev.geo.zoom = 500;
        l->pdev.geo.logicalWidth = 1000;
        l->pdev.geo.logicalHeight = 2000;
        l->pdev.geo.sheetRotation = c.sheet;
        l->pdev.geo.backSideRotation = c.back;
        LONG x = 100, y = 300;
        MapPagePoint(&l->pdev, &x, &y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }

    auto l = MakePdev();
    l->pdev.pageMap.pageHeight = 3000;
    l->pdev.geo.pictureFrameWidth = 2000;
    EXPECT_EQ(FlipY(&l->pdev, 100), 2900);
    l->pdev.jobStatus = JOBSTATUS_ROTATED_PAGES;
    EXPECT_EQ(FlipY(&l->pdev, 100), 1900);
}

TEST(PageLayout, OriginShiftTurnsAndClipsAtTheSheet)
{
    struct Case {
        const char* name;
        POINTL shift;
        DWORD orientation, first, rotation;
        BOOL noRotation;
        DWORD jobStatus, finishing, pageCount;
        POINTL effective;
        LONG left, top, right, bottom;
    } cases[] = {
        {"no shift", {0, 0}, 0, 0, 90, FALSE, 0, 0, 0, {0, 0}, 0, 0, 0, 0},
        {"down and right", {10, 20}, 0, 0, 0, FALSE, 0, 0, 0, {10, 20}, 0, 0, 10, 20},
        {"up and left", {-10, -5}, 0, 0, 0, FALSE, 0, 0, 0, {-10, -5}, -10, -5, 0, 0},
        {"page a quarter on", {10, 20}, 1, 0, 0, FALSE, 0, 0, 0, {-20, 10}, -20, 0, 0, 10},
        {"page three quarters on", {10, 20}, 0, 1, 0, FALSE, 0, 0, 0, {20, -10}, 0, -10, 20, 0},
        {"sheet at 90", {10, 20}, 0, 0, 90, FALSE, 0, 0, 0, {-20, 10}, -20, 0, 0, 10},
        {"sheet rotation ignored", {10, 20}, 0, 0, 90, TRUE, 0, 0, 0, {10, 20}, 0, 0, 10, 20},
        {"booklet odd counter", {10, 20}, 0, 0, 0, FALSE, 0, FINISHINGMODE_BOOKLET, 1, {-10, -20}, -10, -20, 0, 0},
        // Turned pages clip the cell moved by the unturned shift, amounts on the turned edges.
        {"turned pages at 180", {10, 20}, 0, 0, 180, FALSE, JOBSTATUS_ROTATED_PAGES, 0, 0, {-10, -20}, 10, 20, 0, 0},
        // At 90 the cell lies 200 x 100: its right edge 110 beyond the sheet, the page's top.
        {"turned pages at 90", {10, 20}, 0, 0, 90, FALSE, JOBSTATUS_ROTATED_PAGES, 0, 0, {-20, 10}, 0, 110, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = MakePdev();
        PAGEGEOMETRY& g = l->pdev.geo;
        g.originShift = c.shift;
        g.pageOrientation = c.orientation;
        g.firstPageOrientation = c.first;
        g.sheetRotation = c.rotation;
        g.cellSize = {100, 200};
        g.wholeSheet = {100, 200};
        g.clipLeft = g.clipTop = g.clipRight = g.clipBottom = 99;
        l->pdev.jobStatus = c.jobStatus;
        l->pdev.pageCount = c.pageCount;
        l->ext().dwFinishingMode = c.finishing;
        ComputeShiftedOrigin(&l->pdev, c.noRotation);
        EXPECT_EQ(g.effectiveShift.x, c.effective.x);
        EXPECT_EQ(g.effectiveShift.y, c.effective.y);
        EXPECT_EQ(g.clipLeft, c.left);
        EXPECT_EQ(g.clipTop, c.top);
        EXPECT_EQ(g.clipRight, c.right);
        EXPECT_EQ(g.clipBottom, c.bottom);
    }
}

// ---- Helpers ----------------------------------------------------------------------------------

TEST(PageLayout, DecipointsKeepOneDecimalWithinTheBuffer)
{
    struct Case {
        DWORD value;
        const char* text;
    } cases[] = {{72000, "7200.0"}, {12345, "1234.5"}, {5, "0.5"}, {MAXDWORD, "429496729.5"}};
    for (const Case& c : cases) {
        char text[DECIPOINTS_TEXT_BYTES];
        EXPECT_TRUE(FormatDecipoints(c.value, text, sizeof text));
        EXPECT_STREQ(text, c.text);
    }
    char small[8];
    std::memset(small, '#', sizeof small);
    EXPECT_TRUE(FormatDecipoints(72000, small, 4));
    EXPECT_STREQ(small, "720");
    EXPECT_EQ(small[4], '#') << "nothing written past the size given";
}

TEST(PageLayout, LeastCommonMultiple)
{
    struct Case {
        DWORD a, b, lcm;
    } cases[] = {
        {4, 6, 12}, {7, 7, 7}, {1, 9, 9}, {0, 5, 0}, {5, 0, 0}, {0, 0, 0},
        {0x10000, 0x10000, 0x10000},          // the product alone would overflow
        {0xFFFF0000, 0x10000, 0xFFFF0000},
        {0x10000, 0x10001, MAXDWORD},         // too large: saturates
    };
    for (const Case& c : cases) EXPECT_EQ(LeastCommonMultiple(c.a, c.b), c.lcm) << c.a << ", " << c.b;
}

TEST(PageLayout, CountAfterCommonPrefix)
{
    const BYTE a[] = {1, 2, 3, 4};
    const BYTE b[] = {1, 2, 9, 4};
    const BYTE c[] = {7, 2, 3, 4};
    EXPECT_EQ(CountAfterCommonPrefix(a, b, 4), 2u);
    EXPECT_EQ(CountAfterCommonPrefix(a, a, 4), 0u);
    EXPECT_EQ(CountAfterCommonPrefix(a, c, 4), 4u);
    EXPECT_EQ(CountAfterCommonPrefix(a, b, 2), 0u);
    EXPECT_EQ(CountAfterCommonPrefix(a, b, 0), 0u);
}

TEST(PageLayout, PaletteRenderValues)
{
    constexpr auto V = [](DWORD first, DWORD second, DWORD flag) { return first | second << 8 | flag << 16; };
    struct Case {
        const char* name;
        DWORD caps;
        WORD colorMode, adjust, smooth, adjustOpt;
        DWORD index, value;
    } cases[] = {
        {"index 0", 0, 0, 0, 0, 0, 0, V(255, 1, 2)},
        {"index 1", 0, 0, 0, 0, 0, 1, V(6, 8, 0)},
        {"index 2", 0, 0, 0, 0, 0, 2, V(6, 1, 0)},
        {"index 3", 0, 0, 0, 0, 0, 3, V(6, 4, 0)},
        {"index 4", 0, 0, 0, 0, 0, 4, V(6, 8, 0)},
        {"index 5", 0, 0, 0, 0, 0, 5, V(5, 1, 0)},
        {"index 6", 0, 0, 0, 0, 0, 6, V(5, 1, 0)},
        {"index 9", 0, 0, 0, 0, 0, 9, V(9, 9, 0)},
        {"colour, adjust 2", 0, 1, 2, 0, 0, 3, V(255, 4, 1)},
        {"colour, other adjust", 0, 1, 1, 0, 0, 3, V(6, 4, 0)},
        {"short menu colour", MIF_SHORTMENU, 1, 0, 0, 0, 1, V(255, 8, 1)},
        {"short menu smoothing opt 1", MIF_SHORTMENU, 1, 0, 1, 1, 1, V(6, 8, 0)},
        {"short menu smoothing opt 2", MIF_SHORTMENU, 1, 0, 1, 2, 1, V(2, 8, 0)},
        {"short menu smoothing opt 3", MIF_SHORTMENU, 1, 0, 1, 3, 5, V(7, 1, 0)},
        {"short menu smoothing opt 5", MIF_SHORTMENU, 1, 0, 1, 5, 5, V(8, 1, 0)},
        {"short menu mono index 5", MIF_SHORTMENU, 0, 0, 0, 0, 5, V(6, 1, 0)},
        {"short menu mono index 4", MIF_SHORTMENU, 0, 0, 0, 0, 4, V(6, 8, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = MakePdev();
        l->model.dwCapFlags = c.caps;
        l->ext().wColorMode = c.colorMode;
        l->ext().wColorAdjust = c.adjust;
        l->ext().wImageSmooth = c.smooth;
        l->ext().wColorAdjustOpt = c.adjustOpt;
        EXPECT_EQ(GetPaletteRenderValues(&l->pdev, c.index), c.value);
    }
}

}  // namespace
