// The page geometry and device capabilities a PDEV hands to the engine: GDIINFO and DEVINFO for
// papers, orientations, N-up and the binding margin, worked out by hand from the sample paper
// data (A4: 2480 x 3508 dots at 300 dpi, printable 2380 x 3408, offsets 50), and the layout
// rules of N-up cells and the binding edge.
#include <windows.h>
#include <winddi.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>

#include "devmode.h"
#include "import_patch.h"
#include "model_access.h"
#include "page_geometry.h"
#include "pdev.h"
#include "render_machine.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kC510 = L"Velmora ColorPage C510";
constexpr short PAPER_A4 = 9;

PDEV* AsPdev(const HostPdev& host)
{
    return reinterpret_cast<PDEV*>(host.dhpdev);
}

class PageGeometry : public RenderMachine {
protected:
    // A PDEV of the printer with the settings given; NULL when it was refused.
    HostPdev* Enable(HANDLE printer, DRVDEVMODE* dm)
    {
        HostPdev& pdev = live.emplace_back();
        if (!HostEnablePdev(driver, printer, printerName(), dm ? &dm->dmPublic : nullptr, &pdev)) {
            live.pop_back();
            return nullptr;
        }
        return &pdev;
    }
};

// ---- GDIINFO ----------------------------------------------------------------------------------

struct GdiCase {
    const char* name;
    void (*set)(DRVDEVMODE&);
    ULONG horzRes, vertRes;     // the logical page, pixels
    ULONG horzSize, vertSize;   // millimetres
    ULONG logPixels;
    LONG physOffset;            // both offsets
    LONG physWidth, physHeight;
    WORD zoom;
};

void A4(DRVDEVMODE& dm, short orientation)
{
    dm.dmPublic.dmPaperSize = PAPER_A4;
    dm.dmPublic.dmOrientation = orientation;
    dm.dmPublic.dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    dm.dmPrivate.wOptions &= static_cast<WORD>(~OPT_DRIVEREXPAND);
}

// 600 dpi: printable 4760 x 6816 pixels, 20150 x 28854 hundredths of a millimetre.
const GdiCase kGdiCases[] = {
    {"A4 portrait", [](DRVDEVMODE& dm) { A4(dm, DMORIENT_PORTRAIT); },
     4760, 6816, 201, 288, 600, 100, 4960, 7016, 1000},
    {"A4 landscape", [](DRVDEVMODE& dm) { A4(dm, DMORIENT_LANDSCAPE); },
     6816, 4760, 288, 201, 600, 100, 7016, 4960, 1000},
    // Four cells: 16 pixels of gap, (4760 - 16) / 2 = 2372 wide, (6816 - 16) / 2 = 3400 high,
    // cut to the paper's aspect ratio: 2372 x 3396.
    {"A4 four up", [](DRVDEVMODE& dm) {
         A4(dm, DMORIENT_PORTRAIT);
         dm.dmPrivate.dwNupPages = 4;
         dm.dmPrivate.dwNupX = 2;
         dm.dmPrivate.dwNupY = 2;
         dm.dmPrivate.dwMultipage = 2;
     },
     2372, 3396, 201, 288, 299, 49, 2471, 3495, 1000},
    // Binding on the left with a 10 mm margin: 236 pixels off the width, the height scaled to
    // 6478, the width then cut to the aspect ratio.
    {"A4 binding margin", [](DRVDEVMODE& dm) {
         A4(dm, DMORIENT_PORTRAIT);
         dm.dmPrivate.wBinding = 0x11;
         dm.dmPrivate.wMargin = 100;
         dm.dmPublic.dmDuplex = DMDUP_SIMPLEX;
     },
     4523, 6478, 201, 288, 570, 95, 4714, 6668, 1000},
};

class GdiInfoCases : public PageGeometry, public ::testing::WithParamInterface<GdiCase> {};

TEST_P(GdiInfoCases, MatchTheHandWorkedPage)
{
    const GdiCase& c = GetParam();
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    DRVDEVMODE dm = Defaults(printer);
    dm.dmPrivate.wRasterMode = RASTERMODE_VECTOR;
    c.set(dm);
    HostPdev* pdev = Enable(printer, &dm);
    ASSERT_NE(pdev, nullptr);
    const PDEV& own = *AsPdev(*pdev);
    ASSERT_EQ(own.resolution, 600) << "the cases are worked out at 600 dpi";
    if (own.devmode.dmPrivate.dwNupX != dm.dmPrivate.dwNupX || own.devmode.dmPrivate.dwNupY != dm.dmPrivate.dwNupY || own.devmode.dmPrivate.wBinding != dm.dmPrivate.wBinding)
        GTEST_SKIP() << "the model does not take these settings";

    const GDIINFO& g = pdev->gdiInfo;
    EXPECT_EQ(g.ulHorzRes, c.horzRes);
    EXPECT_EQ(g.ulVertRes, c.vertRes);
    EXPECT_EQ(g.ulHorzSize, c.horzSize);
    EXPECT_EQ(g.ulVertSize, c.vertSize);
    EXPECT_EQ(g.ulLogPixelsX, c.logPixels);
    EXPECT_EQ(g.ulLogPixelsY, c.logPixels);
    EXPECT_EQ(g.ptlPhysOffset.x, c.physOffset);
    EXPECT_EQ(g.ptlPhysOffset.y, c.physOffset);
    EXPECT_EQ(g.szlPhysSize.cx, c.physWidth);
    EXPECT_EQ(g.szlPhysSize.cy, c.physHeight);
    EXPECT_EQ(own.geo.zoom, c.zoom);

    // What every vector page shares.
    EXPECT_EQ(g.ulVersion, 0x500u);
    EXPECT_EQ(g.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
    EXPECT_EQ(g.cBitsPixel, 24u);
    EXPECT_EQ(g.cPlanes, 1u);
    EXPECT_EQ(g.ulNumColors, 8u);
    EXPECT_EQ(g.flTextCaps, 0x1817u);
    EXPECT_EQ(g.ulAspectXY, 707u);
    EXPECT_EQ(g.denStyleStep, 24u);
    EXPECT_EQ(g.ulHTPatternSize, static_cast<ULONG>(HT_PATSIZE_6x6_M));
    EXPECT_EQ(g.ulHTOutputFormat, static_cast<ULONG>(HT_FORMAT_24BPP));
    EXPECT_EQ(g.flHTFlags, static_cast<FLONG>(HT_FLAG_HAS_BLACK_DYE));
    EXPECT_EQ(g.ciDevice.Red.x, 6380);
    EXPECT_EQ(g.ciDevice.MagentaInYellowDye, 10000);
}

INSTANTIATE_TEST_SUITE_P(Pages, GdiInfoCases, ::testing::ValuesIn(kGdiCases),
                         [](const ::testing::TestParamInfo<GdiCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(PageGeometry, BindingMarginMovesTheCentredPageAndIsDoubledForBooklets)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    DRVDEVMODE dm = Defaults(printer);
    dm.dmPrivate.wRasterMode = RASTERMODE_VECTOR;
    A4(dm, DMORIENT_PORTRAIT);
    dm.dmPrivate.wBinding = 0x11;
    dm.dmPrivate.wMargin = 100;
    dm.dmPublic.dmDuplex = DMDUP_SIMPLEX;
    HostPdev* pdev = Enable(printer, &dm);
    ASSERT_NE(pdev, nullptr);
    const PDEV& own = *AsPdev(*pdev);
    if (own.devmode.dmPrivate.wBinding != 0x11) GTEST_SKIP() << "the model has no binding margin";
    EXPECT_EQ(own.geo.bindingMargin, 236);
    EXPECT_EQ(own.geo.bindingState, 1u);
    EXPECT_EQ(own.geo.centerOffset, (4760 - 4523) / 2);
    EXPECT_EQ(own.geo.savedPrintableWidth, 4760);
    EXPECT_EQ(own.geo.printableWidth, 4760 - 236);
}

// ---- DEVINFO ------------------------------------------------------------------------------------

TEST_F(PageGeometry, VectorDevInfoNamesTheDeviceFontsAndJournalsOnlyDependentJobs)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    const std::wstring face = L"Letter Gothic";
    ASSERT_EQ(SetPrinterDataW(printer, const_cast<LPWSTR>(L"DefaultFont"), REG_SZ,
                              reinterpret_cast<BYTE*>(const_cast<wchar_t*>(face.c_str())),
                              static_cast<DWORD>((face.size() + 1) * sizeof(wchar_t))),
              static_cast<DWORD>(ERROR_SUCCESS));
    DRVDEVMODE dm = Defaults(printer);
    dm.dmPrivate.wRasterMode = RASTERMODE_VECTOR;
    dm.dmPrivate.wWatermarkFlags = 0;
    dm.dmPrivate.wManualDuplex = 0;
    dm.dmPrivate.dwFinishingMode = FINISHINGMODE_NORMAL;
    dm.dmPrivate.wOptions &= static_cast<WORD>(~0x8000);
    HostPdev* pdev = Enable(printer, &dm);
    ASSERT_NE(pdev, nullptr);
    const PDEV& own = *AsPdev(*pdev);
    ASSERT_EQ(own.resolution, 600);
    const DEVINFO& d = pdev->devInfo;
    EXPECT_EQ(d.flGraphicsCaps, 0x2000011Fu | GCAPS_DONTJOURNAL) << "no page depends on another";
    ASSERT_GT(own.fonts.count, 0u) << "the model has device fonts";
    EXPECT_EQ(d.cFonts, own.fonts.count - own.fonts.hiddenCount);
    EXPECT_EQ(d.lfDefaultFont.lfHeight, -83);
    EXPECT_EQ(d.lfDefaultFont.lfWeight, FW_NORMAL);
    EXPECT_EQ(d.lfDefaultFont.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(d.lfDefaultFont.lfPitchAndFamily, FIXED_PITCH | FF_MODERN);
    EXPECT_EQ(std::wstring(d.lfDefaultFont.lfFaceName), face);
    EXPECT_EQ(std::wstring(d.lfAnsiVarFont.lfFaceName), L"Helvetica");
    EXPECT_EQ(d.lfAnsiVarFont.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(d.lfAnsiVarFont.lfPitchAndFamily, VARIABLE_PITCH | FF_SWISS);
    EXPECT_EQ(d.lfAnsiVarFont.lfHeight, -83);
    EXPECT_EQ(std::wstring(d.lfAnsiFixFont.lfFaceName), L"Courier");
    EXPECT_EQ(d.lfAnsiFixFont.lfPitchAndFamily, FIXED_PITCH | FF_MODERN);
    EXPECT_EQ(d.iDitherFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_EQ(d.cxDither, 0u);
    EXPECT_NE(d.hpalDefault, nullptr);
    EXPECT_EQ(d.hpalDefault, own.hpalDefault);

    // A watermark makes pages depend on each other: the engine journals the job.
    dm.dmPrivate.wWatermarkFlags = WMKFLAG_ON;
    HostPdev* marked = Enable(printer, &dm);
    ASSERT_NE(marked, nullptr);
    if (AsPdev(*marked)->devmode.dmPrivate.wWatermarkFlags & WMKFLAG_ON) {
        EXPECT_EQ(marked->devInfo.flGraphicsCaps, 0x2000011Fu);
    }
}

TEST_F(PageGeometry, RasterCapabilitiesFollowTheDitherCell)
{
    HANDLE printer = Printer(kC510);
    ASSERT_NE(printer, nullptr);
    HostPdev* pdev = Enable(printer, nullptr);
    ASSERT_NE(pdev, nullptr);
    const PDEV& own = *AsPdev(*pdev);
    ASSERT_NE(own.devmode.dmPrivate.wRasterMode, RASTERMODE_VECTOR);
    const LONG cell = own.halftone.matrixWidth;
    ULONG expected = HT_PATSIZE_SUPERCELL_M;
    if (cell == 8) expected = HT_PATSIZE_8x8_M;
    if (cell == 12) expected = HT_PATSIZE_12x12_M;
    if (cell == 16) expected = HT_PATSIZE_16x16_M;
    if (cell == 24 || cell == 32) expected = HT_PATSIZE_USER;
    EXPECT_EQ(pdev->gdiInfo.ulHTPatternSize, expected) << "cell " << cell;
    EXPECT_EQ(pdev->gdiInfo.flHTFlags, 0u);
    EXPECT_EQ(pdev->gdiInfo.ulPrimaryOrder, static_cast<ULONG>(PRIMARY_ORDER_CBA)) << "the colour word is never 0";
    EXPECT_EQ(pdev->devInfo.cxDither, static_cast<ULONG>(cell));
    EXPECT_EQ(pdev->devInfo.cyDither, static_cast<ULONG>(own.halftone.matrixHeight));
    EXPECT_EQ(pdev->devInfo.lfDefaultFont.lfFaceName[0], L'\0') << "no DefaultFont on this printer";
    EXPECT_EQ(pdev->devInfo.lfAnsiVarFont.lfFaceName[0], L'\0');
}

HPALETTE APIENTRY NoPalette(ULONG, ULONG, ULONG*, FLONG, FLONG, FLONG)
{
    return nullptr;
}

TEST_F(PageGeometry, PaletteThatCannotBeMadeFailsThePdevOfEitherMode)
{
    HANDLE printer = Printer(kC510);
    ASSERT_NE(printer, nullptr);
    ImportPatch patch(driver.module(), "drveng.dll", "EngCreatePalette", reinterpret_cast<const void*>(&NoPalette));
    ASSERT_TRUE(patch.active());
    DRVDEVMODE vector = Defaults(printer);
    for (DRVDEVMODE* dm : {static_cast<DRVDEVMODE*>(nullptr), &vector}) {
        SCOPED_TRACE(dm ? "vector" : "raster");
        EXPECT_EQ(Enable(printer, dm), nullptr);
    }
}

// ---- Papers the model does not list ---------------------------------------------------------------

TEST_F(PageGeometry, PaperOutsideTheModelsListFailsInsteadOfLeavingAZeroPage)
{
    HANDLE printer = Printer(kC510);
    ASSERT_NE(printer, nullptr);
    HostPdev* pdev = Enable(printer, nullptr);
    ASSERT_NE(pdev, nullptr);
    PDEV* own = AsPdev(*pdev);
    DrvRefreshModel(own->devmode.dmPrivate.szModelName, nullptr);
    const PDEV saved = *own;
    // A paper id that no paper table row holds.
    own->devmode.dmPublic.dmPaperSize = 999;
    EXPECT_FALSE(SetupPageGeometry(own));
    own->devmode = saved.devmode;
    own->geo = saved.geo;
    own->page = saved.page;
    EXPECT_TRUE(SetupPageGeometry(own)) << "the job's own paper sets up";
    EXPECT_EQ(own->page.paperId, saved.page.paperId);
    EXPECT_EQ(own->geo.printableWidth, saved.geo.printableWidth);
}

// ---- N-up placement and the binding edge (no printer needed) --------------------------------------

struct LayoutPdev {
    PDEV pdev = {};
    LayoutPdev(DWORD columns, DWORD rows, DWORD order)
    {
        pdev.resolution = 600;
        pdev.devmode.dmPublic.dmFields = DM_ORIENTATION;
        pdev.devmode.dmPublic.dmOrientation = DMORIENT_PORTRAIT;
        pdev.devmode.dmPublic.dmDuplex = DMDUP_SIMPLEX;
        pdev.devmode.dmPrivate.dwNupX = columns;
        pdev.devmode.dmPrivate.dwNupY = rows;
        pdev.devmode.dmPrivate.dwNupOrder = order;
        if (columns != 1 || rows != 1) pdev.geo.nupMode = NUPMODE_ON;
        pdev.geo.cellSize = {100, 200};
    }
};

TEST(NupLayout, CellOriginsFollowTheOrderCodeAndRasterFlags)
{
    struct Case {
        DWORD order;
        WORD flags;
        DWORD index;
        LONG column, row;
    } cases[] = {
        {1, 0, 0, 0, 0}, {1, 0, 1, 1, 0}, {1, 0, 3, 1, 1},  // case 0: rows left to right
        {2, 0, 1, 0, 1}, {2, 0, 2, 1, 0},                   // case 1: columns top to bottom
        {4, 0, 0, 1, 0}, {4, 0, 3, 0, 1},                   // case 2: rows right to left
        {8, 0, 1, 1, 1},                                    // case 3: columns right to left
        {4, 3, 0, 0, 1}, {1, 3, 0, 1, 1}, {8, 1, 0, 1, 1},  // flags turn the sheet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "order " << c.order << " flags " << c.flags << " index " << c.index);
        LayoutPdev layout(2, 2, c.order);
        layout.pdev.devmode.dmPrivate.wRasterFlags = c.flags;
        const POINTL origin = GetNupCellOrigin(&layout.pdev, c.index);
        EXPECT_EQ(origin.x, c.column * 100);
        EXPECT_EQ(origin.y, c.row * 200);
    }
    LayoutPdev single(1, 1, 1);
    const POINTL none = GetNupCellOrigin(&single.pdev, 5);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
}

TEST(NupLayout, BindingEdgeTurnsWithTheSheetAndTheMarginFollowsTheResolution)
{
    struct Case {
        WORD binding;
        bool landscapeSheet;
        WORD rotate180, portDirect;
        bool booklet;
        DWORD state;
        WORD margin;
    } cases[] = {
        {0x11, false, 0, 0, false, 1, 236},
        {0x11, false, 0, 0, true, 1, 472},
        {0x01, false, 0, 0, false, 1, 0},      // margin off
        {0x12, false, 0, 1, false, 4, 236},    // turned round: 2 -> 4
        {0x11, true, 0, 0, false, 4, 236},     // sideways: 1 -> 4
        {0x11, true, 1, 0, false, 2, 236},     // sideways and turned: 1 -> 2
        {0x14, true, 1, 0, false, 1, 236},     // 4 -> 1
        {0x15, false, 0, 0, false, 0, 236},    // no such edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "binding " << c.binding << (c.landscapeSheet ? " sideways" : ""));
        LayoutPdev layout(1, 1, 1);
        DRVEXTRA& ext = layout.pdev.devmode.dmPrivate;
        ext.wBinding = c.binding;
        ext.wMargin = 100;
        ext.wRotate180 = c.rotate180;
        ext.wPortDirect = c.portDirect;
        if (c.booklet) ext.dwFinishingMode = FINISHINGMODE_BOOKLET;
        layout.pdev.geo.landscape = c.landscapeSheet ? 1 : 0;
        EXPECT_EQ(ComputeBindingEdge(&layout.pdev), c.margin);
        EXPECT_EQ(layout.pdev.geo.bindingState, c.state);
    }
}

TEST(NupLayout, OrderIsNormalisedForTheJobsOrientation)
{
    LayoutPdev portrait(2, 2, 0x00010004);
    portrait.pdev.devmode.dmPrivate.wPortDirect = 1;
    NormalizeNupOrder(&portrait.pdev);
    EXPECT_EQ(portrait.pdev.geo.nupOrderCode, 4u);
    EXPECT_EQ(portrait.pdev.geo.nupOrderOrientation, static_cast<DWORD>(DMORIENT_PORTRAIT));
    EXPECT_EQ(portrait.pdev.devmode.dmPrivate.dwNupOrder, 0x00020004u) << "landscape word from the portrait code";
    EXPECT_EQ(portrait.pdev.devmode.dmPrivate.wRotate180, 1) << "codes 2 and 4 take the portrait direction";

    // Two pages a sheet in landscape: landscape code 1 counts as 2.
    LayoutPdev landscape(2, 1, 0x00010001);
    landscape.pdev.devmode.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    landscape.pdev.geo.landscape = 1;
    landscape.pdev.devmode.dmPrivate.wRotate180 = 0;
    NormalizeNupOrder(&landscape.pdev);
    EXPECT_EQ(landscape.pdev.geo.nupOrderCode, 2u);
    EXPECT_EQ(landscape.pdev.devmode.dmPrivate.dwNupOrder, 0x00020010u);
    EXPECT_EQ(landscape.pdev.devmode.dmPrivate.wPortDirect, 1);

    // Booklets keep their own order.
    LayoutPdev booklet(1, 2, 0x00010001);
    booklet.pdev.devmode.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET;
    NormalizeNupOrder(&booklet.pdev);
    EXPECT_EQ(booklet.pdev.devmode.dmPrivate.dwNupOrder, 0x00010001u);
}

}  // namespace
