// Brush objects and their realisation by the driver of the surface they are drawn on.
#include <gtest/gtest.h>

#include <vector>

#include "engine_fixture.h"

using namespace engine_test;

namespace {

// What the driver saw when the engine asked it to realise a brush.
struct Realisation {
    int calls = 0;
    BRUSHOBJ* bo = nullptr;
    SURFOBJ* target = nullptr;
    ULONG patternFormat = 0;
    SIZEL patternSize = {};
    std::vector<ULONG> pattern;  // pixels row by row from the top
    bool mask = false;
    std::vector<ULONG> maskBits;
    FLONG xlateFlags = 0;
    std::vector<ULONG> table;
    ULONG hatch = 0;
    BOOL answer = TRUE;
};
Realisation g_seen;

std::vector<ULONG> Pixels(SURFOBJ* so)
{
    std::vector<ULONG> out;
    const ULONG bpp = FormatBits(so->iBitmapFormat);
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
        const auto* row = static_cast<const uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
            ULONG v = 0;
            if (bpp == 1)
                v = (row[x / 8] >> (7 - (x & 7))) & 1u;
            else
                for (ULONG i = 0; i < bpp / 8; ++i)
                    v |= static_cast<ULONG>(row[static_cast<size_t>(x) * (bpp / 8) + i]) << (8 * i);
            out.push_back(v);
        }
    }
    return out;
}

BOOL APIENTRY FakeRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                               ULONG iHatch)
{
    ++g_seen.calls;
    g_seen.bo = pbo;
    g_seen.target = psoTarget;
    g_seen.patternFormat = psoPattern->iBitmapFormat;
    g_seen.patternSize = psoPattern->sizlBitmap;
    g_seen.pattern = Pixels(psoPattern);
    g_seen.mask = psoMask != nullptr;
    g_seen.maskBits = psoMask ? Pixels(psoMask) : std::vector<ULONG>{};
    g_seen.xlateFlags = pxlo ? pxlo->flXlate : 0;
    g_seen.table = pxlo && (pxlo->flXlate & XO_TABLE) ? std::vector<ULONG>(pxlo->pulXlate, pxlo->pulXlate + pxlo->cEntries)
                                                     : std::vector<ULONG>{};
    g_seen.hatch = iHatch;
    if (!g_seen.answer)
        return FALSE;
    auto* block = static_cast<ULONG*>(BRUSHOBJ_pvAllocRbrush(pbo, 64));
    if (!block)
        return FALSE;
    block[0] = 0xB105F00D;
    pbo->pvRbrush = block;
    return TRUE;
}

// GDI's hatch of a style, 1 on its lines.
std::vector<ULONG> GdiHatch(int style)
{
    EngBitmap bits(8, 8, BMF_1BPP);
    HOSTENG_SURFACEINFO info = {};
    HostEngQuerySurface(bits.handle(), &info);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hDib);
    HBRUSH brush = CreateHatchBrush(style, RGB(255, 255, 255));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    SetBkColor(dc, RGB(0, 0, 0));
    PatBlt(dc, 0, 0, 8, 8, PATCOPY);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteDC(dc);
    GdiFlush();
    return Pixels(bits.so());
}

struct Device {
    EngDevice device{{Function(INDEX_DrvRealizeBrush, FakeRealizeBrush)}};
    HSURF surface = EngCreateDeviceSurface(nullptr, SIZEL{100, 100}, BMF_24BPP);
    SURFOBJ* so = nullptr;
    Device()
    {
        EngAssociateSurface(surface, device.hdev(), 0);
        so = EngLockSurface(surface);
    }
    ~Device()
    {
        EngUnlockSurface(so);
        EngDeleteSurface(surface);
    }
};

TEST(EngineBrush, SolidBrushesAreNeverRealised)
{
    Device d;
    g_seen = Realisation{};
    HOSTENG_BRUSH solid = {HOSTENG_BRUSH_SOLID, 0x00FF8040, 0, 0, 0, nullptr, nullptr, nullptr};
    BRUSHOBJ* bo = HostEngCreateBrush(&solid, d.so);
    ASSERT_NE(bo, nullptr);
    EXPECT_EQ(bo->iSolidColor, 0x00FF8040u);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(bo), nullptr);
    EXPECT_EQ(g_seen.calls, 0);
    HostEngDeleteBrush(bo);
}

TEST(EngineBrush, HatchesAreRealisedAsGdisHatchWithItsColours)
{
    Device d;
    for (int style = HS_HORIZONTAL; style <= HS_DIAGCROSS; ++style) {
        SCOPED_TRACE(testing::Message() << "hatch " << style);
        g_seen = Realisation{};
        HOSTENG_BRUSH hatch = {HOSTENG_BRUSH_HATCH, 0, static_cast<ULONG>(style), 0x0000FF, 0xFFFFFF, nullptr, nullptr, nullptr};
        BRUSHOBJ* bo = HostEngCreateBrush(&hatch, d.so);
        ASSERT_NE(bo, nullptr);
        EXPECT_EQ(bo->iSolidColor, 0xFFFFFFFFu);
        void* realised = BRUSHOBJ_pvGetRbrush(bo);
        ASSERT_NE(realised, nullptr);
        EXPECT_EQ(*static_cast<ULONG*>(realised), 0xB105F00Du);
        EXPECT_EQ(bo->pvRbrush, realised);
        EXPECT_EQ(g_seen.bo, bo);
        EXPECT_EQ(g_seen.target, d.so);
        EXPECT_EQ(g_seen.hatch, static_cast<ULONG>(style));
        EXPECT_EQ(g_seen.patternFormat, static_cast<ULONG>(BMF_1BPP));
        EXPECT_EQ(g_seen.patternSize.cx, 8);
        EXPECT_EQ(g_seen.pattern, GdiHatch(style));
        EXPECT_TRUE(g_seen.mask);
        EXPECT_EQ(g_seen.maskBits, g_seen.pattern) << "the lines are the foreground";
        EXPECT_EQ(g_seen.table, (std::vector<ULONG>{0xFFFFFF, 0x0000FF})) << "background, then lines";
        // Realised once.
        EXPECT_EQ(BRUSHOBJ_pvGetRbrush(bo), realised);
        EXPECT_EQ(g_seen.calls, 1);
        HostEngDeleteBrush(bo);
    }
    HOSTENG_BRUSH bad = {HOSTENG_BRUSH_HATCH, 0, HS_DDI_MAX, 0, 0, nullptr, nullptr, nullptr};
    EXPECT_EQ(HostEngCreateBrush(&bad, d.so), nullptr);
}

TEST(EngineBrush, PatternsComeWithTheirTranslationAndMask)
{
    Device d;
    ULONG colors[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF};
    HPALETTE indexed = EngCreatePalette(PAL_INDEXED, 4, colors, 0, 0, 0);
    HPALETTE rgb = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
    XLATEOBJ* xlate = HostEngCreateXlate(indexed, rgb, 0, 0);
    ASSERT_NE(xlate, nullptr);

    EngBitmap pattern(3, 2, BMF_8BPP), mask(3, 2, BMF_1BPP);
    for (LONG i = 0; i < 6; ++i)
        pattern.Set(i % 3, i / 3, static_cast<ULONG>(i % 4));
    mask.Set(1, 0, 1);
    mask.Set(2, 1, 1);
    HOSTENG_BRUSH brush = {HOSTENG_BRUSH_PATTERN, 0, 0, 0, 0, pattern.handle(), xlate, mask.handle()};
    BRUSHOBJ* bo = HostEngCreateBrush(&brush, d.so);
    ASSERT_NE(bo, nullptr);
    // The brush keeps its own copies: the host may change or delete its objects.
    HostEngDeleteXlate(xlate);
    pattern.Set(0, 0, 3);

    g_seen = Realisation{};
    ASSERT_NE(BRUSHOBJ_pvGetRbrush(bo), nullptr);
    EXPECT_EQ(g_seen.hatch, static_cast<ULONG>(HS_DDI_MAX));
    EXPECT_EQ(g_seen.patternFormat, static_cast<ULONG>(BMF_8BPP));
    EXPECT_EQ(g_seen.pattern, (std::vector<ULONG>{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(g_seen.maskBits, (std::vector<ULONG>{0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(g_seen.xlateFlags, static_cast<FLONG>(XO_TABLE));
    EXPECT_EQ(g_seen.table, (std::vector<ULONG>{0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF}));
    HostEngDeleteBrush(bo);
    EngDeletePalette(indexed);
    EngDeletePalette(rgb);
}

TEST(EngineBrush, ARefusedOrImpossibleRealisationGivesNoneOnce)
{
    Device d;
    EngBitmap pattern(8, 8, BMF_24BPP);
    HOSTENG_BRUSH brush = {HOSTENG_BRUSH_PATTERN, 0, 0, 0, 0, pattern.handle(), nullptr, nullptr};

    g_seen = Realisation{};
    g_seen.answer = FALSE;
    BRUSHOBJ* refused = HostEngCreateBrush(&brush, d.so);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(refused), nullptr);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(refused), nullptr);
    EXPECT_EQ(g_seen.calls, 1) << "the driver is asked once";
    EXPECT_FALSE(g_seen.mask);
    EXPECT_EQ(g_seen.xlateFlags, 0u);
    HostEngDeleteBrush(refused);

    // A bitmap target has no driver to realise it.
    g_seen = Realisation{};
    EngBitmap band(16, 16, BMF_24BPP);
    BRUSHOBJ* onBitmap = HostEngCreateBrush(&brush, band.so());
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(onBitmap), nullptr);
    EXPECT_EQ(g_seen.calls, 0);
    HostEngDeleteBrush(onBitmap);

    HOSTENG_BRUSH noPattern = {HOSTENG_BRUSH_PATTERN, 0, 0, 0, 0, reinterpret_cast<HSURF>(0x4242), nullptr, nullptr};
    EXPECT_EQ(HostEngCreateBrush(&noPattern, d.so), nullptr);
    BRUSHOBJ own = {};
    EXPECT_EQ(BRUSHOBJ_pvAllocRbrush(&own, 16), nullptr) << "not a brush of the engine";
}

// A device that gives its own hatch surfaces has them passed for its hatches.
TEST(EngineBrush, TheDevicesOwnHatchSurfacesAreUsed)
{
    Device d;
    EngBitmap own(8, 8, BMF_1BPP);
    own.Set(0, 0, 1);
    HSURF patterns[HS_DDI_MAX] = {};
    patterns[HS_CROSS] = own.handle();
    GDIINFO gdi = {};
    DEVINFO dev = {};
    ASSERT_TRUE(HostEngSetDeviceInfo(d.device.hdev(), &gdi, &dev, patterns));
    g_seen = Realisation{};
    HOSTENG_BRUSH cross = {HOSTENG_BRUSH_HATCH, 0, HS_CROSS, 0, 0xFFFFFF, nullptr, nullptr, nullptr};
    BRUSHOBJ* bo = HostEngCreateBrush(&cross, d.so);
    ASSERT_NE(BRUSHOBJ_pvGetRbrush(bo), nullptr);
    std::vector<ULONG> expected(64, 0);
    expected[0] = 1;
    EXPECT_EQ(g_seen.pattern, expected);
    EXPECT_EQ(g_seen.maskBits, expected) << "its lines are the foreground";
    HostEngDeleteBrush(bo);
}

}  // namespace
