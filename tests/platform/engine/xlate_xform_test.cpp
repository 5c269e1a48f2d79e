// Colour translations between engine palettes, and transform objects.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine_fixture.h"

using namespace engine_test;

namespace {

struct Palettes {
    HPALETTE rgb = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
    HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    HPALETTE bits555 = EngCreatePalette(PAL_BITFIELDS, 0, nullptr, 0x7C00, 0x03E0, 0x001F);
    ULONG four[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF};  // black, red, green, white (0x00BBGGRR)
    HPALETTE indexed = EngCreatePalette(PAL_INDEXED, 4, four, 0, 0, 0);
    ULONG twoColors[2] = {0x000000, 0xFFFFFF};
    HPALETTE mono = EngCreatePalette(PAL_INDEXED, 2, twoColors, 0, 0, 0);
    ~Palettes()
    {
        for (HPALETTE p : {rgb, bgr, bits555, indexed, mono})
            EngDeletePalette(p);
    }
};

struct XlateCase {
    const char* what;
    HPALETTE Palettes::*src;
    HPALETTE Palettes::*dst;
    FLONG fl;
    ULONG back;
    FLONG flXlate;
    std::vector<ULONG> table;
    std::vector<std::pair<ULONG, ULONG>> values;  // source value, translated value
};

TEST(EngineXlate, TranslationsBetweenPalettes)
{
    Palettes p;
    const XlateCase cases[] = {
        {"RGB to RGB", &Palettes::rgb, &Palettes::rgb, 0, 0, XO_TRIVIAL, {}, {{0x123456, 0x123456}}},
        {"BGR to the RGB device swaps", &Palettes::bgr, &Palettes::rgb, 0, 0, 0, {}, {{0x123456, 0x563412}, {0xFF, 0xFF0000}}},
        {"RGB to BGR", &Palettes::rgb, &Palettes::bgr, 0, 0, 0, {}, {{0x0000FF, 0xFF0000}}},
        {"5-5-5 bit fields widen", &Palettes::bits555, &Palettes::rgb, 0, 0, 0, {},
         {{0x7C00, 0x0000FF}, {0x03E0, 0x00FF00}, {0x0421, 0x080808}, {0x7FFF, 0xFFFFFF}}},
        {"RGB to 5-5-5 keeps the high bits", &Palettes::rgb, &Palettes::bits555, 0, 0, 0, {}, {{0xFF0000, 0x001F}, {0x0F0F0F, 0x0421}}},
        {"indexed to RGB is a table", &Palettes::indexed, &Palettes::rgb, 0, 0, XO_TABLE,
         {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF}, {{1, 0x0000FF}, {3, 0xFFFFFF}}},
        {"indexed to BGR", &Palettes::indexed, &Palettes::bgr, 0, 0, XO_TABLE, {0x000000, 0xFF0000, 0x00FF00, 0xFFFFFF}, {}},
        {"RGB to indexed takes the nearest", &Palettes::rgb, &Palettes::indexed, 0, 0, 0, {},
         {{0x101010, 0}, {0x2000E0, 1}, {0x10F010, 2}, {0xF0F0F0, 3}, {0x7F7F7F, 0}, {0x808080, 3}}},
        {"to monochrome: only the background is 1", &Palettes::indexed, &Palettes::mono, HOSTENG_XLATE_TO_MONO, 2,
         XO_TABLE | XO_TO_MONO, {0, 0, 1, 0}, {{2, 1}, {3, 0}}},
        {"RGB to monochrome", &Palettes::rgb, &Palettes::mono, HOSTENG_XLATE_TO_MONO, 0xFFFFFF, XO_TO_MONO, {},
         {{0xFFFFFF, 1}, {0xFFFFFE, 0}}},
    };
    for (const XlateCase& c : cases) {
        SCOPED_TRACE(c.what);
        XLATEOBJ* xo = HostEngCreateXlate(p.*c.src, p.*c.dst, c.fl, c.back);
        ASSERT_NE(xo, nullptr);
        EXPECT_EQ(xo->flXlate, c.flXlate);
        ASSERT_EQ(xo->cEntries, c.table.size());
        for (size_t i = 0; i < c.table.size(); ++i)
            EXPECT_EQ(xo->pulXlate[i], c.table[i]) << "entry " << i;
        for (const auto& [from, to] : c.values)
            EXPECT_EQ(XLATEOBJ_iXlate(xo, from), to) << std::hex << from;
        EXPECT_NE(xo->iUniq, 0u);
        HostEngDeleteXlate(xo);
    }
    EXPECT_EQ(XLATEOBJ_iXlate(nullptr, 0xABCDEF), 0xABCDEFu) << "no translation keeps the value";
    EXPECT_EQ(HostEngCreateXlate(p.rgb, reinterpret_cast<HPALETTE>(0x12345), 0, 0), nullptr);
}

TEST(EngineXlate, UniqueValuesFollowTheContents)
{
    Palettes p;
    ULONG same[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF};
    HPALETTE copy = EngCreatePalette(PAL_INDEXED, 4, same, 0, 0, 0);
    same[3] = 0xFEFEFE;
    HPALETTE changed = EngCreatePalette(PAL_INDEXED, 4, same, 0, 0, 0);
    XLATEOBJ* a = HostEngCreateXlate(p.indexed, p.rgb, 0, 0);
    XLATEOBJ* b = HostEngCreateXlate(copy, p.rgb, 0, 0);
    XLATEOBJ* c = HostEngCreateXlate(changed, p.rgb, 0, 0);
    XLATEOBJ* d = HostEngCreateXlate(p.indexed, p.bgr, 0, 0);
    ASSERT_TRUE(a && b && c && d);
    EXPECT_EQ(a->iUniq, b->iUniq);
    EXPECT_NE(a->iUniq, c->iUniq);
    EXPECT_NE(a->iUniq, d->iUniq);
    for (XLATEOBJ* x : {a, b, c, d})
        HostEngDeleteXlate(x);
    EngDeletePalette(copy);
    EngDeletePalette(changed);
}

TEST(EngineXlate, PalettesAndBitFieldsOfBothSides)
{
    Palettes p;
    XLATEOBJ* fromIndexed = HostEngCreateXlate(p.indexed, p.bgr, 0, 0);
    XLATEOBJ* fromFields = HostEngCreateXlate(p.bits555, p.rgb, 0, 0);
    ASSERT_TRUE(fromIndexed && fromFields);
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromIndexed, XO_SRCPALETTE, 0, nullptr), 4u);
    ULONG got[4] = {};
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromIndexed, XO_SRCPALETTE, 2, got), 2u);
    EXPECT_EQ(got[1], 0x0000FFu);
    EXPECT_EQ(got[2], 0u) << "only as many as asked";
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromIndexed, XO_DESTPALETTE, 4, got), 0u) << "a direct palette has no entries";
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromIndexed, XO_DESTBITFIELDS, 3, got), 3u);
    EXPECT_EQ(std::vector<ULONG>(got, got + 3), (std::vector<ULONG>{0xFF0000, 0x00FF00, 0x0000FF}));
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromFields, XO_SRCBITFIELDS, 3, got), 3u);
    EXPECT_EQ(std::vector<ULONG>(got, got + 3), (std::vector<ULONG>{0x7C00, 0x03E0, 0x001F}));
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromFields, XO_DESTBITFIELDS, 3, got), 3u);
    EXPECT_EQ(std::vector<ULONG>(got, got + 3), (std::vector<ULONG>{0x0000FF, 0x00FF00, 0xFF0000}));
    EXPECT_EQ(XLATEOBJ_cGetPalette(fromFields, XO_SRCPALETTE, 3, got), 0u);
    HostEngDeleteXlate(fromIndexed);
    HostEngDeleteXlate(fromFields);
}

struct XformCase {
    const char* what;
    XFORM m;
    ULONG complexity;
};

TEST(EngineXform, ComplexityNumbersAndPoints)
{
    const XformCase cases[] = {
        {"identity", {1, 0, 0, 1, 0, 0}, GX_IDENTITY},
        {"offset", {1, 0, 0, 1, 5, -3}, GX_OFFSET},
        {"scale", {2, 0, 0, 0.5f, 0, 0}, GX_SCALE},
        {"rotation", {0, 1, -1, 0, 10, 20}, GX_GENERAL},
    };
    for (const XformCase& c : cases) {
        SCOPED_TRACE(c.what);
        XFORMOBJ* xo = HostEngCreateXform(&c.m);
        ASSERT_NE(xo, nullptr);
        XFORML l = {};
        EXPECT_EQ(XFORMOBJ_iGetXform(xo, &l), c.complexity);
        EXPECT_EQ(XFORMOBJ_iGetXform(xo, nullptr), c.complexity);
        FLOATOBJ_XFORM f = {};
        EXPECT_EQ(XFORMOBJ_iGetFloatObjXform(xo, &f), c.complexity);
#if !defined(_X86_)
        EXPECT_FLOAT_EQ(l.eM21, c.m.eM21);
        EXPECT_FLOAT_EQ(l.eDx, c.m.eDx);
        EXPECT_FLOAT_EQ(f.eM22, c.m.eM22);
#endif
        // A point there and back, in whole units and in 28.4.
        POINTL in[2] = {{3, 4}, {-7, 9}}, out[2] = {}, back[2] = {};
        ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_LTOL, 2, in, out));
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(out[i].x, std::lround(in[i].x * c.m.eM11 + in[i].y * c.m.eM21 + c.m.eDx));
            EXPECT_EQ(out[i].y, std::lround(in[i].x * c.m.eM12 + in[i].y * c.m.eM22 + c.m.eDy));
        }
        ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_INV_LTOL, 2, out, back));
        ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_LTOFX, 2, in, out));
        EXPECT_EQ(out[0].x, std::lround((in[0].x * c.m.eM11 + in[0].y * c.m.eM21 + c.m.eDx) * 16));
        ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_INV_FXTOL, 2, out, back));
        for (int i = 0; i < 2; ++i)
            EXPECT_TRUE(back[i].x == in[i].x && back[i].y == in[i].y) << "point " << i;
        EXPECT_FALSE(XFORMOBJ_bApplyXform(xo, 7, 2, in, out));
        HostEngDeleteXform(xo);
    }
    const XFORM flat{1, 2, 2, 4, 0, 0};
    XFORMOBJ* singular = HostEngCreateXform(&flat);
    POINTL p{1, 1}, q{};
    EXPECT_TRUE(XFORMOBJ_bApplyXform(singular, XF_LTOL, 1, &p, &q));
    EXPECT_FALSE(XFORMOBJ_bApplyXform(singular, XF_INV_LTOL, 1, &p, &q)) << "no inverse";
    HostEngDeleteXform(singular);
    EXPECT_EQ(XFORMOBJ_iGetXform(nullptr, nullptr), static_cast<ULONG>(GX_IDENTITY));
}

}  // namespace
