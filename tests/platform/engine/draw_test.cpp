// Drawing handed back to the engine equals GDI drawing the same primitive on a DIB of the same
// size, pixel for pixel; on the device's own surface it goes through the driver's DrvCopyBits.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine_fixture.h"

using namespace engine_test;

namespace {

constexpr LONG W = 64, H = 48;
constexpr LONG F = 16;

// The colour a 24-bit engine pixel value stands for.
COLORREF Rgb(ULONG v) { return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }

// A reference DIB of the same format and colour table as the engine's bitmaps, with a DC.
class Reference {
public:
    explicit Reference(ULONG format)
    {
        const ULONG bpp = FormatBits(format);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } info = {};
        info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), W, -H, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        if (bpp <= 8) {
            const unsigned n = 1u << bpp;
            info.header.biClrUsed = n;
            for (unsigned i = 0; i < n; ++i) {
                const BYTE level = static_cast<BYTE>(i * 255 / (n - 1));
                info.colors[i] = RGBQUAD{level, level, level, 0};
            }
        }
        dib_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_, nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, dib_);
        stride_ = static_cast<LONG>((W * bpp + 31) / 32 * 4);
    }
    ~Reference()
    {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(dib_);
    }
    HDC dc() const { return dc_; }
    const uint8_t* bits() const { return static_cast<const uint8_t*>(bits_); }
    LONG stride() const { return stride_; }

private:
    HBITMAP dib_ = nullptr;
    void* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
    LONG stride_ = 0;
};

// The same picture on both sides to start from: stripes of several colours (so that raster
// operations that read the page show it).
void Background(EngBitmap& eng, Reference& ref)
{
    for (LONG y = 0; y < H; ++y)
        for (LONG x = 0; x < W; ++x) {
            const ULONG v = ((x / 5) % 3 == 0 ? 0xFF0000u : 0) | ((y / 4) % 2 ? 0x00FF00u : 0) | ((x + y) % 7 == 0 ? 0x0000FFu : 0x20u);
            eng.Set(x, y, v);
            SetPixelV(ref.dc(), x, y, Rgb(v));
        }
    GdiFlush();
}

// The number of pixels that differ; the first of them is told in the failure's message.
int Differences(const EngBitmap& eng, const Reference& ref)
{
    GdiFlush();
    const ULONG bpp = FormatBits(eng.so()->iBitmapFormat);
    int differ = 0;
    std::string first;
    for (LONG y = 0; y < H; ++y)
        for (LONG x = 0; x < W; ++x) {
            const uint8_t* row = ref.bits() + y * ref.stride();
            ULONG v = 0;
            if (bpp == 1)
                v = (row[x / 8] >> (7 - (x & 7))) & 1u;
            else if (bpp == 8)
                v = row[x];
            else
                v = row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
            if (eng.Pixel(x, y) != v && differ++ == 0)
                first = "first at " + std::to_string(x) + "," + std::to_string(y) + ": engine " + std::to_string(eng.Pixel(x, y)) +
                        ", GDI " + std::to_string(v);
        }
    if (differ)
        ADD_FAILURE() << differ << " pixels differ, " << first;
    return differ;
}

// A complex clip region: two rectangles and a hole in one of them.
HRGN ClipRegion()
{
    HRGN region = RegionOf({{2, 3, 40, 30}, {30, 25, 62, 46}});
    HRGN hole = CreateRectRgn(10, 10, 20, 18);
    CombineRgn(region, region, hole, RGN_DIFF);
    DeleteObject(hole);
    return region;
}

// A 24-bit source picture, as an engine bitmap and as a DIB.
struct Source {
    EngBitmap eng{20, 14, BMF_24BPP};
    Reference ref{BMF_24BPP};
    Source()
    {
        for (LONG y = 0; y < 14; ++y)
            for (LONG x = 0; x < 20; ++x) {
                const ULONG v = (static_cast<ULONG>(x * 12) << 16) | (static_cast<ULONG>(y * 18) << 8) | ((x ^ y) & 1 ? 0xF0u : 0x10u);
                eng.Set(x, y, v);
                SetPixelV(ref.dc(), x, y, Rgb(v));
            }
        GdiFlush();
    }
};

struct BrushSpec {
    const char* what;
    HOSTENG_BRUSH engine;
    std::function<HBRUSH()> gdi;
    COLORREF background;
};

BrushSpec Hatch()
{
    return {"hatch", {HOSTENG_BRUSH_HATCH, 0, HS_DIAGCROSS, 0x0000FF, 0xFFFF00, nullptr, nullptr, nullptr},
            [] { return CreateHatchBrush(HS_DIAGCROSS, Rgb(0x0000FF)); }, Rgb(0xFFFF00)};
}

BrushSpec Solid()
{
    return {"solid", {HOSTENG_BRUSH_SOLID, 0x3080C0, 0, 0, 0, nullptr, nullptr, nullptr}, [] { return CreateSolidBrush(Rgb(0x3080C0)); },
            0};
}

// A GDI brush on the reference with a case's brush origin and hatch background, while it lives.
class GdiBrushOn {
public:
    GdiBrushOn(HDC dc, HBRUSH brush, POINTL org, COLORREF background)
        : dc_(dc), brush_(brush), old_(SelectObject(dc, brush))
    {
        SetBrushOrgEx(dc, org.x, org.y, nullptr);
        SetBkColor(dc, background);
    }
    ~GdiBrushOn()
    {
        SelectObject(dc_, old_);
        DeleteObject(brush_);
    }
    GdiBrushOn(const GdiBrushOn&) = delete;
    GdiBrushOn& operator=(const GdiBrushOn&) = delete;

private:
    HDC dc_;
    HBRUSH brush_;
    HGDIOBJ old_;
};

struct Fixture {
    EngBitmap eng{W, H, BMF_24BPP};
    Reference ref{BMF_24BPP};
    HRGN region = ClipRegion();
    CLIPOBJ* clip = nullptr;
    Fixture()
    {
        Background(eng, ref);
        const RECTL all{0, 0, W, H};
        clip = HostEngCreateClip(region, &all);
        SelectClipRgn(ref.dc(), region);
    }
    ~Fixture()
    {
        HostEngDeleteClip(clip);
        DeleteObject(region);
    }
};

struct RopCase {
    ULONG rop3;
    const char* name;
};

const RopCase kRops[] = {
    {0xCC, "SRCCOPY"}, {0xEE, "SRCPAINT"}, {0x88, "SRCAND"},   {0x66, "SRCINVERT"}, {0xF0, "PATCOPY"},
    {0x5A, "PATINVERT"}, {0x55, "DSTINVERT"}, {0xB8, "PSDPxax"}, {0xC0, "MERGECOPY"}, {0x00, "BLACKNESS"},
    {0xE2, "DSPDxax"}, {0x1B, "SDPSxnox"},
};

TEST(EngineDraw, BitBltEveryRasterOperationWithBrushOriginAndClip)
{
    Source src;
    for (const BrushSpec& brush : {Hatch(), Solid()}) {
        for (const RopCase& rop : kRops) {
            SCOPED_TRACE(testing::Message() << rop.name << " with a " << brush.what << " brush");
            Fixture f;
            BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, f.eng.so());
            ASSERT_NE(bo, nullptr);
            RECTL target{5, 4, 25, 18};
            POINTL from{0, 0}, org{3, 5};
            for (int pass = 0; pass < 2; ++pass) {
                ASSERT_TRUE(EngBitBlt(f.eng.so(), src.eng.so(), nullptr, f.clip, nullptr, &target, &from, nullptr, bo, &org,
                                      (rop.rop3 << 8) | rop.rop3));
                const GdiBrushOn on(f.ref.dc(), brush.gdi(), org, brush.background);
                BitBlt(f.ref.dc(), target.left, target.top, 20, 14, src.ref.dc(), from.x, from.y, rop.rop3 << 16);
                // Another place, over the hole and across the two rectangles.
                target = RECTL{26, 20, 46, 34};
                from = POINTL{0, 0};
            }
            EXPECT_EQ(Differences(f.eng, f.ref), 0);
            HostEngDeleteBrush(bo);
        }
    }
}

TEST(EngineDraw, MasksPickTheForegroundOrTheBackgroundOperation)
{
    Source src;
    EngBitmap mask(20, 14, BMF_1BPP);
    std::vector<BYTE> maskBits(14 * 4, 0);
    for (LONG y = 0; y < 14; ++y)
        for (LONG x = 0; x < 20; ++x)
            if ((x * x + y * 3) % 5 < 2) {
                mask.Set(x, y, 1);
                maskBits[static_cast<size_t>(y) * 4 + static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x & 7));
            }
    HBITMAP gdiMask = CreateBitmap(20, 14, 1, 1, nullptr);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info = {};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 20, -14, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    HDC screen = GetDC(nullptr);
    SetDIBits(screen, gdiMask, 0, 14, maskBits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);

    // A solid brush: GDI's own MaskBlt lays a pattern from its temporary bitmap, not from the
    // brush origin, so a hatch would not compare.
    const BrushSpec brush = Solid();
    for (const ULONG rop4 : {0xAACCu, 0xCCAAu, 0x66F0u, 0x5AB8u}) {
        SCOPED_TRACE(testing::Message() << std::hex << "rop4 " << rop4);
        Fixture f;
        BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, f.eng.so());
        RECTL target{6, 8, 26, 22};
        POINTL from{0, 0}, at{0, 0}, org{1, 2};
        ASSERT_TRUE(EngBitBlt(f.eng.so(), src.eng.so(), mask.so(), f.clip, nullptr, &target, &from, &at, bo, &org, rop4));
        const GdiBrushOn on(f.ref.dc(), brush.gdi(), org, brush.background);
        ASSERT_TRUE(MaskBlt(f.ref.dc(), 6, 8, 20, 14, src.ref.dc(), 0, 0, gdiMask, 0, 0,
                            MAKEROP4((rop4 & 0xFF) << 16, ((rop4 >> 8) & 0xFF) << 16)));
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
        HostEngDeleteBrush(bo);
    }
    DeleteObject(gdiMask);
}

// Without a mask, a ROP4 that needs one takes the brush's own: a hatch's lines.
TEST(EngineDraw, TheBrushsOwnMaskLeavesTheBackgroundAlone)
{
    const BrushSpec brush = Hatch();
    Fixture f;
    BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, f.eng.so());
    RECTL target{0, 0, W, H};
    POINTL org{2, 1};
    ASSERT_TRUE(EngBitBlt(f.eng.so(), nullptr, nullptr, f.clip, nullptr, &target, nullptr, nullptr, bo, &org, 0xAAF0));
    HBRUSH gb = brush.gdi();
    SetBkMode(f.ref.dc(), TRANSPARENT);
    SetBrushOrgEx(f.ref.dc(), org.x, org.y, nullptr);
    FillRgn(f.ref.dc(), f.region, gb);
    DeleteObject(gb);
    EXPECT_EQ(Differences(f.eng, f.ref), 0);
    HostEngDeleteBrush(bo);
}

TEST(EngineDraw, CopyBitsTranslatesThroughTheXlate)
{
    // An 8-bit source of four colours and a 1-bit one of two.
    ULONG four[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFFFF00};  // 0x00BBGGRR
    HPALETTE indexed = EngCreatePalette(PAL_INDEXED, 4, four, 0, 0, 0);
    HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    XLATEOBJ* xo = HostEngCreateXlate(indexed, bgr, 0, 0);
    EngBitmap src(16, 10, BMF_8BPP);
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 16; ++x)
            src.Set(x, y, static_cast<ULONG>((x + 2 * y) % 4));
    Fixture f;
    RECTL target{3, 3, 19, 13};
    POINTL from{0, 0};
    ASSERT_TRUE(EngCopyBits(f.eng.so(), src.so(), f.clip, xo, &target, &from));
    // GDI's own: the same indices with the palette as colour table.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[4];
    } info = {};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 16, -10, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
    for (int i = 0; i < 4; ++i)
        info.colors[i] = RGBQUAD{GetBValue(four[i]), GetGValue(four[i]), GetRValue(four[i]), 0};
    std::vector<BYTE> bits(16 * 10);
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 16; ++x)
            bits[static_cast<size_t>(y * 16 + x)] = static_cast<BYTE>((x + 2 * y) % 4);
    SetDIBitsToDevice(f.ref.dc(), 3, 3, 16, 10, 0, 0, 0, 10, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    EXPECT_EQ(Differences(f.eng, f.ref), 0);
    HostEngDeleteXlate(xo);
    EngDeletePalette(indexed);
    EngDeletePalette(bgr);
}

struct StretchCase {
    const char* what;
    RECTL dst;
    RECTL src;
    ULONG mode;
};

TEST(EngineDraw, StretchesAsGdiStretches)
{
    Source src;
    const StretchCase cases[] = {
        {"enlarged", {1, 2, 51, 37}, {0, 0, 20, 14}, COLORONCOLOR},
        {"reduced", {10, 10, 21, 17}, {0, 0, 20, 14}, COLORONCOLOR},
        {"part of the source", {4, 30, 40, 46}, {5, 3, 17, 11}, COLORONCOLOR},
        {"reduced with halftone", {8, 8, 22, 16}, {0, 0, 20, 14}, HALFTONE},
    };
    for (const StretchCase& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        RECTL dst = c.dst, from = c.src;
        POINTL org{0, 0};
        ASSERT_TRUE(EngStretchBlt(f.eng.so(), src.eng.so(), nullptr, f.clip, nullptr, nullptr, &org, &dst, &from, nullptr, c.mode));
        SetStretchBltMode(f.ref.dc(), static_cast<int>(c.mode));
        SetBrushOrgEx(f.ref.dc(), 0, 0, nullptr);
        StretchBlt(f.ref.dc(), dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.ref.dc(), from.left, from.top,
                   from.right - from.left, from.bottom - from.top, SRCCOPY);
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
    }
}

// A mask and a brush operation with a stretch: at the source's own size they act as MaskBlt and
// BitBlt do.
TEST(EngineDraw, StretchWithAMaskOrABrushOperation)
{
    Source src;
    EngBitmap mask(20, 14, BMF_1BPP);
    HBITMAP gdiMask = CreateBitmap(20, 14, 1, 1, nullptr);
    HDC maskDc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldMask = SelectObject(maskDc, gdiMask);
    PatBlt(maskDc, 0, 0, 20, 14, BLACKNESS);
    for (LONG y = 0; y < 14; ++y)
        for (LONG x = 0; x < 20; ++x)
            if ((x + 2 * y) % 3 == 0) {
                mask.Set(x, y, 1);
                SetPixelV(maskDc, x, y, RGB(255, 255, 255));
            }
    SelectObject(maskDc, oldMask);
    DeleteDC(maskDc);
    {
        Fixture f;
        RECTL dst{7, 9, 27, 23}, from{0, 0, 20, 14};
        POINTL at{0, 0};
        ASSERT_TRUE(EngStretchBlt(f.eng.so(), src.eng.so(), mask.so(), f.clip, nullptr, nullptr, nullptr, &dst, &from, &at, COLORONCOLOR));
        ASSERT_TRUE(MaskBlt(f.ref.dc(), 7, 9, 20, 14, src.ref.dc(), 0, 0, gdiMask, 0, 0, MAKEROP4(SRCCOPY, 0xAA0029)));
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
    }
    {
        Fixture f;
        const BrushSpec brush = Hatch();
        BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, f.eng.so());
        RECTL dst{30, 20, 50, 34}, from{0, 0, 20, 14};
        POINTL org{2, 3};
        ASSERT_TRUE(EngStretchBltROP(f.eng.so(), src.eng.so(), nullptr, f.clip, nullptr, nullptr, &org, &dst, &from, nullptr,
                                     COLORONCOLOR, bo, 0xB8B8));
        const GdiBrushOn on(f.ref.dc(), brush.gdi(), org, brush.background);
        BitBlt(f.ref.dc(), 30, 20, 20, 14, src.ref.dc(), 0, 0, 0xB8074A);
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
        HostEngDeleteBrush(bo);
    }
    DeleteObject(gdiMask);
}

// A rectangle the other way round mirrors the picture.
TEST(EngineDraw, StretchMirrorsAnUnorderedRectangle)
{
    Source src;
    EngBitmap out(20, 14, BMF_24BPP);
    RECTL dst{20, 0, 0, 14}, from{0, 0, 20, 14};
    ASSERT_TRUE(EngStretchBlt(out.so(), src.eng.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &dst, &from, nullptr, COLORONCOLOR));
    int differ = 0;
    for (LONG y = 0; y < 14; ++y)
        for (LONG x = 0; x < 20; ++x)
            differ += out.Pixel(x, y) != src.eng.Pixel(19 - x, y);
    EXPECT_EQ(differ, 0);
}

// ---- Paths ------------------------------------------------------------------------------------

struct Shape {
    const char* what;
    std::function<void(HDC)> draw;  // drawn inside a path bracket
};

const Shape kShapes[] = {
    {"star", [](HDC dc) {
         const POINT p[] = {{32, 2}, {40, 40}, {4, 14}, {60, 14}, {24, 40}};
         Polygon(dc, p, 5);
     }},
    {"ellipse", [](HDC dc) { Ellipse(dc, 6, 5, 58, 43); }},
    {"open zigzag and a square", [](HDC dc) {
         const POINT z[] = {{2, 40}, {12, 4}, {22, 40}, {32, 4}};
         Polyline(dc, z, 4);
         Rectangle(dc, 40, 10, 60, 30);
     }},
    {"round rectangle and pie", [](HDC dc) {
         RoundRect(dc, 4, 4, 30, 30, 10, 10);
         Pie(dc, 30, 10, 62, 44, 62, 20, 30, 30);
     }},
};

struct PathFromGdi {
    PATHOBJ* po = nullptr;
    std::vector<POINT> points;
    std::vector<BYTE> types;
    explicit PathFromGdi(const Shape& shape)
    {
        HDC dc = CreateCompatibleDC(nullptr);
        BeginPath(dc);
        shape.draw(dc);
        EndPath(dc);
        const int n = GetPath(dc, nullptr, nullptr, 0);
        points.resize(static_cast<size_t>(n));
        types.resize(static_cast<size_t>(n));
        GetPath(dc, points.data(), types.data(), n);
        DeleteDC(dc);
        std::vector<POINTFIX> fix;
        for (const POINT& p : points)
            fix.push_back(POINTFIX{p.x * F, p.y * F});
        po = HostEngCreatePath(fix.data(), types.data(), static_cast<ULONG>(n), 0);
    }
    ~PathFromGdi() { EngDeletePath(po); }
    void Replay(HDC dc) const
    {
        BeginPath(dc);
        PolyDraw(dc, points.data(), types.data(), static_cast<int>(points.size()));
        EndPath(dc);
    }
};

TEST(EngineDraw, FillPathWithBothFillModesBrushesAndMixes)
{
    struct MixCase {
        MIX mix;
        int rop2;
    } const mixes[] = {{R2_COPYPEN | (R2_COPYPEN << 8), R2_COPYPEN}, {R2_XORPEN | (R2_XORPEN << 8), R2_XORPEN},
                       {R2_MASKPEN | (R2_MASKPEN << 8), R2_MASKPEN}};
    for (const Shape& shape : kShapes) {
        const PathFromGdi path(shape);
        ASSERT_NE(path.po, nullptr);
        for (const FLONG mode : {FP_ALTERNATEMODE, FP_WINDINGMODE}) {
            for (const BrushSpec& brush : {Hatch(), Solid()}) {
                for (const MixCase& m : mixes) {
                    SCOPED_TRACE(testing::Message() << shape.what << (mode == FP_WINDINGMODE ? " winding" : " alternate") << " "
                                                    << brush.what << " mix " << m.rop2);
                    Fixture f;
                    BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, f.eng.so());
                    POINTL org{5, 3};
                    ASSERT_TRUE(EngFillPath(f.eng.so(), path.po, f.clip, bo, &org, m.mix, mode));
                    const GdiBrushOn on(f.ref.dc(), brush.gdi(), org, brush.background);
                    SetROP2(f.ref.dc(), m.rop2);
                    SetPolyFillMode(f.ref.dc(), mode == FP_WINDINGMODE ? WINDING : ALTERNATE);
                    path.Replay(f.ref.dc());
                    FillPath(f.ref.dc());
                    EXPECT_EQ(Differences(f.eng, f.ref), 0);
                    HostEngDeleteBrush(bo);
                }
            }
        }
    }
}

struct PenCase {
    const char* what;
    LINEATTRS la;
    std::vector<FLOAT_LONG> style;
    DWORD gdiStyle;
    DWORD gdiWidth;
    std::vector<DWORD> gdiDashes;
    MIX mix;
};

FLOAT_LONG Real(float v)
{
    FLOAT_LONG f = {};
    std::memcpy(&f.e, &v, sizeof v);
    return f;
}

TEST(EngineDraw, StrokePathWithCosmeticAndGeometricLines)
{
    LINEATTRS cosmetic = {};
    LINEATTRS geometric = {};
    geometric.fl = LA_GEOMETRIC;
    geometric.elWidth = Real(7);
    geometric.eMiterLimit = Real(10).e;
    PenCase cases[] = {
        {"cosmetic solid", cosmetic, {}, PS_COSMETIC | PS_SOLID, 1, {}, R2_COPYPEN | (R2_COPYPEN << 8)},
        {"cosmetic dashes", cosmetic, {FLOAT_LONG{.l = 4}, FLOAT_LONG{.l = 2}}, PS_COSMETIC | PS_USERSTYLE, 1, {4, 2},
         R2_COPYPEN | (R2_COPYPEN << 8)},
        {"cosmetic every other pixel", cosmetic, {}, PS_COSMETIC | PS_ALTERNATE, 1, {}, R2_XORPEN | (R2_XORPEN << 8)},
        {"geometric round", geometric, {}, PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 7, {},
         R2_COPYPEN | (R2_COPYPEN << 8)},
        {"geometric square mitred", geometric, {}, PS_GEOMETRIC | PS_ENDCAP_SQUARE | PS_JOIN_MITER, 7, {},
         R2_NOTXORPEN | (R2_NOTXORPEN << 8)},
        {"geometric flat bevelled dashes", geometric, {Real(9), Real(5)}, PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_BEVEL | PS_USERSTYLE,
         7, {9, 5}, R2_COPYPEN | (R2_COPYPEN << 8)},
    };
    cases[1].la.fl = 0;
    cases[2].la.fl = LA_ALTERNATE;
    cases[3].la.iEndCap = ENDCAP_ROUND;
    cases[3].la.iJoin = JOIN_ROUND;
    cases[4].la.iEndCap = ENDCAP_SQUARE;
    cases[4].la.iJoin = JOIN_MITER;
    cases[5].la.iEndCap = ENDCAP_BUTT;
    cases[5].la.iJoin = JOIN_BEVEL;
    for (PenCase& c : cases) {
        c.la.cstyle = static_cast<ULONG>(c.style.size());
        c.la.pstyle = c.style.empty() ? nullptr : c.style.data();
        for (const Shape& shape : kShapes) {
            SCOPED_TRACE(testing::Message() << c.what << ", " << shape.what);
            const PathFromGdi path(shape);
            Fixture f;
            const BrushSpec brush = Solid();
            BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, f.eng.so());
            ASSERT_TRUE(EngStrokePath(f.eng.so(), path.po, f.clip, nullptr, bo, nullptr, &c.la, c.mix));
            LOGBRUSH lb{BS_SOLID, Rgb(0x3080C0), 0};
            HPEN pen = ExtCreatePen(c.gdiStyle, c.gdiWidth, &lb, static_cast<DWORD>(c.gdiDashes.size()),
                                    c.gdiDashes.empty() ? nullptr : c.gdiDashes.data());
            HGDIOBJ old = SelectObject(f.ref.dc(), pen);
            SetROP2(f.ref.dc(), static_cast<int>(c.mix & 0xFF));
            SetMiterLimit(f.ref.dc(), 10, nullptr);
            path.Replay(f.ref.dc());
            StrokePath(f.ref.dc());
            SelectObject(f.ref.dc(), old);
            DeleteObject(pen);
            EXPECT_EQ(Differences(f.eng, f.ref), 0);
            HostEngDeleteBrush(bo);
        }
    }
}

TEST(EngineDraw, StrokeAndFillPathAndPaint)
{
    const PathFromGdi path(kShapes[0]);
    LINEATTRS la = {};
    la.fl = LA_GEOMETRIC;
    la.elWidth = Real(3);
    la.iEndCap = ENDCAP_ROUND;
    la.iJoin = JOIN_ROUND;
    la.eMiterLimit = Real(10).e;
    {
        Fixture f;
        const BrushSpec pen = Solid(), fill = Hatch();
        BRUSHOBJ* stroke = HostEngCreateBrush(&pen.engine, f.eng.so());
        BRUSHOBJ* inside = HostEngCreateBrush(&fill.engine, f.eng.so());
        POINTL org{4, 4};
        ASSERT_TRUE(EngStrokeAndFillPath(f.eng.so(), path.po, f.clip, nullptr, stroke, &la, inside, &org,
                                         R2_COPYPEN | (R2_COPYPEN << 8), FP_WINDINGMODE));
        LOGBRUSH lb{BS_SOLID, Rgb(0x3080C0), 0};
        HPEN gp = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 3, &lb, 0, nullptr);
        HBRUSH gb = fill.gdi();
        SelectObject(f.ref.dc(), gp);
        SelectObject(f.ref.dc(), gb);
        SetBrushOrgEx(f.ref.dc(), org.x, org.y, nullptr);
        SetBkColor(f.ref.dc(), fill.background);
        SetPolyFillMode(f.ref.dc(), WINDING);
        path.Replay(f.ref.dc());
        StrokeAndFillPath(f.ref.dc());
        SelectObject(f.ref.dc(), GetStockObject(BLACK_PEN));
        SelectObject(f.ref.dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(gp);
        DeleteObject(gb);
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
        HostEngDeleteBrush(stroke);
        HostEngDeleteBrush(inside);
    }
    // A region painted with a pattern brush, a hatch on a transparent background, and inverted.
    EngBitmap pattern(6, 5, BMF_24BPP);
    std::vector<DWORD> gdiPattern(30);
    for (LONG i = 0; i < 30; ++i) {
        const ULONG v = (i % 4) ? 0x00A040u + static_cast<ULONG>(i) * 0x050000u : 0xFFFFFFu;
        pattern.Set(i % 6, i / 6, v);
        gdiPattern[static_cast<size_t>(i)] = v;
    }
    HOSTENG_BRUSH patternBrush = {HOSTENG_BRUSH_PATTERN, 0, 0, 0, 0, pattern.handle(), nullptr, nullptr};
    struct PaintCase {
        const char* what;
        HOSTENG_BRUSH brush;
        MIX mix;
    } const paints[] = {
        {"pattern", patternBrush, R2_COPYPEN | (R2_COPYPEN << 8)},
        {"pattern, AND", patternBrush, R2_MASKPEN | (R2_MASKPEN << 8)},
        {"transparent hatch", Hatch().engine, R2_COPYPEN | (R2_NOP << 8)},
        {"inverted", Solid().engine, R2_NOT | (R2_NOT << 8)},
    };
    for (const PaintCase& p : paints) {
        SCOPED_TRACE(p.what);
        Fixture f;
        BRUSHOBJ* bo = HostEngCreateBrush(&p.brush, f.eng.so());
        ASSERT_NE(bo, nullptr);
        POINTL org{7, 2};
        ASSERT_TRUE(EngPaint(f.eng.so(), f.clip, bo, &org, p.mix));
        HBRUSH gb = nullptr;
        if (p.brush.iType == HOSTENG_BRUSH_PATTERN) {
            std::vector<BYTE> packed(sizeof(BITMAPINFOHEADER) + 30 * 4);
            auto* header = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
            *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 6, -5, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            std::memcpy(packed.data() + sizeof *header, gdiPattern.data(), 30 * 4);
            gb = CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS);
        } else if (p.brush.iType == HOSTENG_BRUSH_HATCH) {
            gb = Hatch().gdi();
            SetBkMode(f.ref.dc(), TRANSPARENT);
        } else {
            gb = Solid().gdi();
        }
        const GdiBrushOn on(f.ref.dc(), gb, org, Hatch().background);
        SetROP2(f.ref.dc(), static_cast<int>(p.mix & 0xFF));
        PaintRgn(f.ref.dc(), f.region);
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
        HostEngDeleteBrush(bo);
    }
}

// ---- Text ---------------------------------------------------------------------------------------

struct TextCase {
    const char* what;
    LONG escapement;
    bool underline;
    bool opaque;
};

TEST(EngineDraw, TextOutAsGdiDrawsTheString)
{
    const std::wstring text = L"Engine Wg";
    const TextCase cases[] = {
        {"plain", 0, false, false},
        {"underlined and struck, on an opaque box", 0, true, true},
        {"turned", 300, false, false},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        LOGFONTW lf = Logical(L"DejaVu Sans", -15, c.escapement);
        lf.lfUnderline = lf.lfStrikeOut = c.underline;
        Fixture f;
        const RECTL all{0, 0, W, H};
        HostEngSetClipDrawBounds(f.clip, &all);
        FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
        const POINTL origin{4, 30};
        STROBJ* so = HostEngCreateString(fo, text.c_str(), static_cast<ULONG>(text.size()), nullptr, &origin, 0);
        ASSERT_NE(so, nullptr);
        HOSTENG_BRUSH fore = {HOSTENG_BRUSH_SOLID, 0x102030, 0, 0, 0, nullptr, nullptr, nullptr};
        HOSTENG_BRUSH back = {HOSTENG_BRUSH_SOLID, 0xE0D0C0, 0, 0, 0, nullptr, nullptr, nullptr};
        BRUSHOBJ* foreBrush = HostEngCreateBrush(&fore, f.eng.so());
        BRUSHOBJ* backBrush = HostEngCreateBrush(&back, f.eng.so());
        RECTL box{2, 12, 60, 36};
        ASSERT_TRUE(EngTextOut(f.eng.so(), so, fo, f.clip, HostEngGetStringExtra(so), c.opaque ? &box : nullptr, foreBrush,
                               backBrush, nullptr, R2_COPYPEN | (R2_COPYPEN << 8)));
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(f.ref.dc(), font);
        SetTextAlign(f.ref.dc(), TA_BASELINE | TA_LEFT);
        SetTextColor(f.ref.dc(), Rgb(0x102030));
        SetBkColor(f.ref.dc(), Rgb(0xE0D0C0));
        SetBkMode(f.ref.dc(), TRANSPARENT);
        const RECT gdiBox{2, 12, 60, 36};
        ExtTextOutW(f.ref.dc(), origin.x, origin.y, c.opaque ? ETO_OPAQUE : 0, c.opaque ? &gdiBox : nullptr, text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
        SelectObject(f.ref.dc(), old);
        DeleteObject(font);
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
        HostEngDeleteBrush(foreBrush);
        HostEngDeleteBrush(backBrush);
        HostEngDeleteString(so);
        HostEngReleaseFont(fo);
    }
}

// Other formats: drawing on 8 and 1-bit bitmaps keeps to their indices, and on the driver's own
// memory with its own row length.
TEST(EngineDraw, IndexedFormatsAndTheDriversMemory)
{
    for (const ULONG format : {BMF_8BPP, BMF_1BPP}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        EngBitmap eng(W, H, format);
        Reference ref(format);
        const ULONG grey = format == BMF_8BPP ? 0x80 : 1;
        HOSTENG_BRUSH hatch = {HOSTENG_BRUSH_HATCH, 0, HS_CROSS, grey, 0, nullptr, nullptr, nullptr};
        BRUSHOBJ* bo = HostEngCreateBrush(&hatch, eng.so());
        const PathFromGdi path(kShapes[1]);
        POINTL org{1, 1};
        ASSERT_TRUE(EngFillPath(eng.so(), path.po, nullptr, bo, &org, R2_COPYPEN | (R2_COPYPEN << 8), FP_ALTERNATEMODE));
        const COLORREF line = format == BMF_8BPP ? RGB(0x80, 0x80, 0x80) : RGB(255, 255, 255);
        HBRUSH gb = CreateHatchBrush(HS_CROSS, line);
        SelectObject(ref.dc(), gb);
        SetBkColor(ref.dc(), RGB(0, 0, 0));
        SetBrushOrgEx(ref.dc(), 1, 1, nullptr);
        path.Replay(ref.dc());
        FillPath(ref.dc());
        SelectObject(ref.dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(gb);
        EXPECT_EQ(Differences(eng, ref), 0);
        HostEngDeleteBrush(bo);
    }
    // 24-bit rows of 200 bytes in the driver's memory (more than a DWORD-aligned row).
    std::vector<BYTE> memory(200 * H, 0);
    EngBitmap own(W, H, BMF_24BPP, 200, memory.data());
    ASSERT_NE(own.so(), nullptr);
    EngBitmap plain(W, H, BMF_24BPP);
    const PathFromGdi path(kShapes[0]);
    const BrushSpec brush = Hatch();
    for (EngBitmap* target : {&own, &plain}) {
        BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, target->so());
        POINTL org{2, 2};
        ASSERT_TRUE(EngFillPath(target->so(), path.po, nullptr, bo, &org, R2_COPYPEN | (R2_COPYPEN << 8), FP_WINDINGMODE));
        HostEngDeleteBrush(bo);
    }
    int differ = 0;
    for (LONG y = 0; y < H; ++y)
        for (LONG x = 0; x < W; ++x)
            differ += own.Pixel(x, y) != plain.Pixel(x, y);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(memory[200 * 1 - 1], 0) << "nothing past the pixels of a row";
}

// A rectangle clip the driver made itself (a zeroed block with its bounds) clips to its bounds;
// a narrowed clip of the engine keeps within the narrowed bounds.
TEST(EngineDraw, ClipsTheDriverMadeOrNarrowed)
{
    Source src;
    CLIPOBJ own = {};
    own.iDComplexity = DC_RECT;
    own.rclBounds = RECTL{10, 5, 30, 40};
    for (const bool narrowed : {false, true}) {
        SCOPED_TRACE(narrowed ? "narrowed" : "made by the driver");
        Fixture f;
        const RECTL saved = f.clip->rclBounds;
        if (narrowed)
            f.clip->rclBounds = own.rclBounds;
        RECTL target{0, 0, 20, 14};
        POINTL from{0, 0};
        for (const LONG x : {0L, 20L, 40L}) {
            target = RECTL{x, 10 + x / 4, x + 20, 24 + x / 4};
            ASSERT_TRUE(EngBitBlt(f.eng.so(), src.eng.so(), nullptr, narrowed ? f.clip : &own, nullptr, &target, &from, nullptr,
                                  nullptr, nullptr, 0xCCCC));
        }
        HRGN cut = CreateRectRgn(10, 5, 30, 40);
        if (narrowed)
            CombineRgn(cut, cut, f.region, RGN_AND);
        SelectClipRgn(f.ref.dc(), cut);
        for (const LONG x : {0L, 20L, 40L})
            BitBlt(f.ref.dc(), x, 10 + x / 4, 20, 14, src.ref.dc(), 0, 0, SRCCOPY);
        DeleteObject(cut);
        EXPECT_EQ(Differences(f.eng, f.ref), 0);
        f.clip->rclBounds = saved;
    }
}

TEST(EngineDraw, DrawingGivesTheSurfaceANewUniqueValue)
{
    EngBitmap temporary(4, 4, BMF_24BPP, BMF_TOPDOWN | BMF_DONTCACHE);
    EXPECT_TRUE(temporary.so()->fjBitmap & BMF_DONTCACHE) << "a bitmap for one call is marked not to be cached";
    const ULONG made = temporary.so()->iUniq;
    EXPECT_NE(made, 0u);
    ASSERT_TRUE(HostEngSurfaceChanged(temporary.handle()));
    EXPECT_NE(temporary.so()->iUniq, made) << "the host changed its bits";

    EngBitmap eng(W, H, BMF_24BPP);
    EXPECT_FALSE(eng.so()->fjBitmap & BMF_DONTCACHE);
    const ULONG before = eng.so()->iUniq;
    const BrushSpec brush = Solid();
    BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, eng.so());
    ASSERT_TRUE(EngPaint(eng.so(), nullptr, bo, nullptr, R2_COPYPEN | (R2_COPYPEN << 8)));
    EXPECT_NE(eng.so()->iUniq, before);
    EXPECT_EQ(eng.Pixel(W - 1, H - 1), 0x3080C0u) << "an unclipped paint covers the surface";
    HostEngDeleteBrush(bo);
}

}  // namespace

// ---- The device's own surface -------------------------------------------------------------------

// The page of a driver whose surface has no bits: DrvCopyBits reads and writes it.
struct Page {
    std::vector<ULONG> pixels = std::vector<ULONG>(static_cast<size_t>(W) * H, 0);
    int reads = 0, writes = 0, hooks = 0;
    bool readFails = false;
    bool handBack = false;  // DrvCopyBits hands its work back to the engine
};
Page g_page;

bool InClip(CLIPOBJ* pco, LONG x, LONG y)
{
    if (!pco || pco->iDComplexity == DC_TRIVIAL)
        return true;
    CLIPOBJ_cEnumStart(pco, FALSE, CT_RECTANGLES, CD_ANY, 0);
    struct {
        ULONG c;
        RECTL arcl[16];
    } e = {};
    BOOL more = FALSE;
    do {
        more = CLIPOBJ_bEnum(pco, sizeof e, &e.c);
        for (ULONG i = 0; i < e.c; ++i)
            if (x >= e.arcl[i].left && x < e.arcl[i].right && y >= e.arcl[i].top && y < e.arcl[i].bottom)
                return true;
    } while (more);
    return false;
}

BOOL APIENTRY PageCopyBits(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ*, RECTL* prcl, POINTL* pptl)
{
    if (g_page.handBack)
        return EngCopyBits(dst, src, pco, nullptr, prcl, pptl);
    const auto at = [](SURFOBJ* so, LONG x, LONG y) {
        return static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta + 3 * x;
    };
    if (dst->iType == STYPE_DEVICE) {
        ++g_page.writes;
        for (LONG y = prcl->top; y < prcl->bottom; ++y)
            for (LONG x = prcl->left; x < prcl->right; ++x)
                if (InClip(pco, x, y)) {
                    const uint8_t* p = at(src, pptl->x + x - prcl->left, pptl->y + y - prcl->top);
                    g_page.pixels[static_cast<size_t>(y * W + x)] = p[0] | (p[1] << 8) | (p[2] << 16);
                }
        return TRUE;
    }
    ++g_page.reads;
    if (g_page.readFails)
        return FALSE;
    for (LONG y = prcl->top; y < prcl->bottom; ++y)
        for (LONG x = prcl->left; x < prcl->right; ++x) {
            const ULONG v = g_page.pixels[static_cast<size_t>((pptl->y + y - prcl->top) * W + pptl->x + x - prcl->left)];
            uint8_t* p = at(dst, x, y);
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
            p[2] = static_cast<uint8_t>(v >> 16);
        }
    return TRUE;
}

BOOL APIENTRY CountedFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG)
{
    ++g_page.hooks;
    return FALSE;
}

struct PageDevice {
    EngDevice device{{Function(INDEX_DrvCopyBits, PageCopyBits), Function(INDEX_DrvFillPath, CountedFillPath)}};
    HSURF surface = EngCreateDeviceSurface(nullptr, SIZEL{W, H}, BMF_24BPP);
    SURFOBJ* so = nullptr;
    PageDevice()
    {
        EngAssociateSurface(surface, device.hdev(), HOOK_COPYBITS | HOOK_FILLPATH);
        so = EngLockSurface(surface);
        g_page = Page{};
    }
    ~PageDevice()
    {
        EngUnlockSurface(so);
        EngDeleteSurface(surface);
    }
};

// The page's picture: the background of the drawing tests.
void Stripes(std::vector<ULONG>* pixels, EngBitmap* same)
{
    Reference unused(BMF_24BPP);
    EngBitmap picture(W, H, BMF_24BPP);
    Background(picture, unused);
    for (LONG y = 0; y < H; ++y)
        for (LONG x = 0; x < W; ++x) {
            (*pixels)[static_cast<size_t>(y * W + x)] = picture.Pixel(x, y);
            if (same)
                same->Set(x, y, picture.Pixel(x, y));
        }
}

struct PuntCase {
    const char* what;
    MIX mix;
    bool readFails;
    int reads;
};

TEST(EnginePunt, DrawingOnTheDeviceSurfaceGoesThroughItsCopyBits)
{
    const PathFromGdi path(kShapes[0]);
    const PuntCase cases[] = {
        {"copy: nothing read", R2_COPYPEN | (R2_COPYPEN << 8), false, 0},
        {"exclusive or: the page read first", R2_XORPEN | (R2_XORPEN << 8), false, 1},
        {"exclusive or on a page that cannot be read: over white", R2_XORPEN | (R2_XORPEN << 8), true, 1},
    };
    for (const PuntCase& c : cases) {
        SCOPED_TRACE(c.what);
        PageDevice d;
        EngBitmap expected(W, H, BMF_24BPP);
        Stripes(&g_page.pixels, c.readFails ? nullptr : &expected);
        const std::vector<ULONG> before = g_page.pixels;
        g_page.readFails = c.readFails;
        if (c.readFails) {
            RECTL all{0, 0, W, H};
            EngEraseSurface(expected.so(), &all, 0xFFFFFF);
        }
        HRGN region = ClipRegion();
        const RECTL all{0, 0, W, H};
        CLIPOBJ* clip = HostEngCreateClip(region, &all);
        const BrushSpec brush = Hatch();
        BRUSHOBJ* onDevice = HostEngCreateBrush(&brush.engine, d.so);
        BRUSHOBJ* onBitmap = HostEngCreateBrush(&brush.engine, expected.so());
        POINTL org{3, 3};
        ASSERT_TRUE(EngFillPath(d.so, path.po, clip, onDevice, &org, c.mix, FP_WINDINGMODE));
        ASSERT_TRUE(EngFillPath(expected.so(), path.po, clip, onBitmap, &org, c.mix, FP_WINDINGMODE));
        EXPECT_EQ(g_page.reads, c.reads);
        EXPECT_EQ(g_page.writes, 1);
        EXPECT_EQ(g_page.hooks, 0) << "the engine does not hand the drawing back to the driver";
        int differ = 0;
        for (LONG y = 0; y < H; ++y)
            for (LONG x = 0; x < W; ++x) {
                const size_t i = static_cast<size_t>(y * W + x);
                // Over a page that could not be read, what the drawing did not reach stays.
                ULONG want = expected.Pixel(x, y);
                if (c.readFails && want == 0xFFFFFF)
                    want = before[i];
                differ += g_page.pixels[i] != want;
            }
        EXPECT_EQ(differ, 0);
        HostEngDeleteBrush(onDevice);
        HostEngDeleteBrush(onBitmap);
        HostEngDeleteClip(clip);
        DeleteObject(region);
    }
}

TEST(EnginePunt, ABitmapIsDrawnWithoutItsDriversHooksAndTheDeviceIsReadAsASource)
{
    PageDevice d;
    Stripes(&g_page.pixels, nullptr);
    // A band bitmap of the same device, its fill hooked: the engine draws it itself.
    EngBitmap band(W, H, BMF_24BPP);
    ASSERT_TRUE(EngAssociateSurface(band.handle(), d.device.hdev(), HOOK_FILLPATH | HOOK_COPYBITS));
    const PathFromGdi path(kShapes[1]);
    const BrushSpec brush = Solid();
    BRUSHOBJ* bo = HostEngCreateBrush(&brush.engine, band.so());
    ASSERT_TRUE(EngFillPath(band.so(), path.po, nullptr, bo, nullptr, R2_COPYPEN | (R2_COPYPEN << 8), FP_ALTERNATEMODE));
    EXPECT_EQ(g_page.hooks, 0);
    EXPECT_EQ(g_page.reads + g_page.writes, 0);
    HostEngDeleteBrush(bo);

    // The page copied to a bitmap comes through DrvCopyBits.
    RECTL target{0, 0, 20, 10};
    POINTL from{30, 20};
    ASSERT_TRUE(EngCopyBits(band.so(), d.so, nullptr, nullptr, &target, &from));
    EXPECT_EQ(g_page.reads, 1);
    EXPECT_EQ(band.Pixel(5, 5), g_page.pixels[static_cast<size_t>(25 * W + 35)]);

    // A driver that hands its copy back to the engine is refused, not called again and again: the
    // page reads as white, and drawing on it fails.
    g_page.handBack = true;
    ASSERT_TRUE(EngCopyBits(band.so(), d.so, nullptr, nullptr, &target, &from));
    EXPECT_EQ(band.Pixel(5, 5), 0xFFFFFFu);
    HOSTENG_BRUSH solid = brush.engine;
    BRUSHOBJ* onDevice = HostEngCreateBrush(&solid, d.so);
    EXPECT_FALSE(EngPaint(d.so, nullptr, onDevice, nullptr, R2_COPYPEN | (R2_COPYPEN << 8)));
    EXPECT_EQ(g_page.reads + g_page.writes, 1) << "only the first copy reached the page";
    HostEngDeleteBrush(onDevice);
}
