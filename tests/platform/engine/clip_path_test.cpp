// Clip objects made from regions (complexity, bounds, enumeration in every direction, the outline
// path) and path objects made from GetPath's points (runs, flags, curve counts).
#include <gtest/gtest.h>

#include <vector>

#include "engine_fixture.h"

using namespace engine_test;

inline bool operator==(const RECTL& a, const RECTL& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& out, const RECTL& r)
{
    return out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

namespace {

constexpr ULONG kTrapezoids = 1;  // the other enumeration type, which the engine does not offer

struct ComplexityCase {
    const char* what;
    std::vector<RECT> region;  // empty: no region
    bool hasDraw;
    RECTL draw;
    BYTE dComplexity;
    BYTE fComplexity;
    RECTL bounds;
};

TEST(EngineClip, ComplexityAndBoundsOfThePartTheDrawingMeets)
{
    const std::vector<RECT> two = {{0, 0, 10, 10}, {20, 0, 30, 10}};
    const std::vector<RECT> five = {{0, 0, 2, 2}, {4, 0, 6, 2}, {8, 0, 10, 2}, {0, 4, 2, 6}, {4, 4, 6, 6}};
    const ComplexityCase cases[] = {
        {"no region", {}, true, {5, 5, 50, 50}, DC_TRIVIAL, FC_RECT, {5, 5, 50, 50}},
        {"rectangle holding the drawing", {{0, 0, 100, 100}}, true, {5, 5, 50, 50}, DC_TRIVIAL, FC_RECT, {5, 5, 50, 50}},
        {"rectangle cutting the drawing", {{0, 0, 20, 100}}, true, {5, 5, 50, 50}, DC_RECT, FC_RECT, {5, 5, 20, 50}},
        {"two rectangles, drawing in one", two, true, {21, 1, 29, 9}, DC_TRIVIAL, FC_RECT4, {21, 1, 29, 9}},
        {"two rectangles, drawing over both", two, true, {5, 2, 25, 8}, DC_COMPLEX, FC_RECT4, {5, 2, 25, 8}},
        {"two rectangles, drawing beside", two, true, {12, 2, 18, 8}, DC_RECT, FC_RECT4, {0, 0, 0, 0}},
        {"five rectangles, whole region", five, false, {}, DC_COMPLEX, FC_COMPLEX, {0, 0, 10, 6}},
        {"one rectangle, whole region", {{3, 4, 5, 6}}, false, {}, DC_RECT, FC_RECT, {3, 4, 5, 6}},
    };
    for (const ComplexityCase& c : cases) {
        SCOPED_TRACE(c.what);
        HRGN region = nullptr;
        if (!c.region.empty()) {
            region = CreateRectRgn(0, 0, 0, 0);
            for (const RECT& r : c.region) {
                HRGN piece = CreateRectRgnIndirect(&r);
                CombineRgn(region, region, piece, RGN_OR);
                DeleteObject(piece);
            }
        }
        CLIPOBJ* co = HostEngCreateClip(region, c.hasDraw ? &c.draw : nullptr);
        ASSERT_NE(co, nullptr);
        EXPECT_EQ(co->iDComplexity, c.dComplexity);
        EXPECT_EQ(co->iFComplexity, c.fComplexity);
        EXPECT_EQ(co->iMode, TC_RECTANGLES);
        EXPECT_EQ(co->rclBounds, c.bounds);
        EXPECT_NE(co->iUniq, 0u);
        HostEngDeleteClip(co);
        if (region)
            DeleteObject(region);
    }
}

// A ring: one band above, two rectangles beside the hole, one band below.
std::vector<RECTL> Enumerate(CLIPOBJ* co, ULONG batch)
{
    std::vector<RECTL> out;
    struct {
        ULONG c;
        RECTL arcl[8];
    } e = {};
    BOOL more = FALSE;
    int calls = 0;
    do {
        more = CLIPOBJ_bEnum(co, static_cast<ULONG>(sizeof(ULONG) + batch * sizeof(RECTL)), &e.c);
        EXPECT_LE(e.c, batch);
        out.insert(out.end(), e.arcl, e.arcl + e.c);
    } while (more && ++calls < 100);
    return out;
}

TEST(EngineClip, EnumerationInEveryDirectionAndInBatches)
{
    HRGN ring = RegionOf({{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}});
    CLIPOBJ* co = HostEngCreateClip(ring, nullptr);
    ASSERT_NE(co, nullptr);
    ASSERT_EQ(co->iDComplexity, DC_COMPLEX);
    const RECTL top{0, 0, 30, 10}, left{0, 10, 10, 20}, right{20, 10, 30, 20}, bottom{0, 20, 30, 30};
    struct DirectionCase {
        ULONG direction;
        std::vector<RECTL> order;
    } const directions[] = {
        {CD_RIGHTDOWN, {top, left, right, bottom}},
        {CD_LEFTDOWN, {top, right, left, bottom}},
        {CD_RIGHTUP, {bottom, left, right, top}},
        {CD_LEFTUP, {bottom, right, left, top}},
        {CD_ANY, {top, left, right, bottom}},
    };
    for (const DirectionCase& d : directions) {
        SCOPED_TRACE(testing::Message() << "direction " << d.direction);
        for (const ULONG batch : {1u, 3u, 8u}) {
            EXPECT_EQ(CLIPOBJ_cEnumStart(co, TRUE, CT_RECTANGLES, d.direction, 50), 4u);
            EXPECT_EQ(Enumerate(co, batch), d.order) << "batch " << batch;
        }
    }
    // Counts above the limit, or a limit of 0, are not told.
    EXPECT_EQ(CLIPOBJ_cEnumStart(co, TRUE, CT_RECTANGLES, CD_ANY, 3), 0xFFFFFFFFu);
    EXPECT_EQ(CLIPOBJ_cEnumStart(co, TRUE, CT_RECTANGLES, CD_ANY, 0), 0xFFFFFFFFu);
    EXPECT_EQ(CLIPOBJ_cEnumStart(co, TRUE, kTrapezoids, CD_ANY, 50), 0xFFFFFFFFu);

    // The driver narrows the bounds: the relevant part follows them, the whole region does not.
    co->rclBounds = RECTL{5, 5, 25, 15};
    EXPECT_EQ(CLIPOBJ_cEnumStart(co, FALSE, CT_RECTANGLES, CD_RIGHTDOWN, 50), 3u);
    EXPECT_EQ(Enumerate(co, 8), (std::vector<RECTL>{{5, 5, 25, 10}, {5, 10, 10, 15}, {20, 10, 25, 15}}));
    EXPECT_EQ(CLIPOBJ_cEnumStart(co, TRUE, CT_RECTANGLES, CD_RIGHTDOWN, 50), 4u);

    // Without a start, the relevant part from the top left.
    ASSERT_TRUE(HostEngSetClipDrawBounds(co, nullptr));
    EXPECT_EQ(Enumerate(co, 8), (std::vector<RECTL>{top, left, right, bottom}));
    HostEngDeleteClip(co);
    DeleteObject(ring);
}

TEST(EngineClip, UniqueValuesFollowTheRegion)
{
    HRGN a = RegionOf({{0, 0, 10, 10}, {20, 0, 30, 10}});
    HRGN same = RegionOf({{20, 0, 30, 10}, {0, 0, 10, 10}});
    HRGN other = RegionOf({{0, 0, 10, 11}});
    CLIPOBJ* ca = HostEngCreateClip(a, nullptr);
    CLIPOBJ* cs = HostEngCreateClip(same, nullptr);
    CLIPOBJ* co = HostEngCreateClip(other, nullptr);
    ASSERT_TRUE(ca && cs && co);
    EXPECT_EQ(ca->iUniq, cs->iUniq);
    EXPECT_NE(ca->iUniq, co->iUniq);
    HostEngDeleteClip(ca);
    HostEngDeleteClip(cs);
    HostEngDeleteClip(co);
    DeleteObject(a);
    DeleteObject(same);
    DeleteObject(other);
}

TEST(EngineClip, ARectangleClipTheDriverMadeEnumeratesItsBounds)
{
    CLIPOBJ own = {};
    own.iDComplexity = DC_RECT;
    own.rclBounds = RECTL{3, 4, 50, 60};
    EXPECT_EQ(CLIPOBJ_cEnumStart(&own, FALSE, CT_RECTANGLES, CD_ANY, 50), 1u);
    EXPECT_EQ(Enumerate(&own, 8), std::vector<RECTL>{own.rclBounds});
    HostEngDeleteClip(&own);  // not the engine's: ignored
    EXPECT_EQ(own.rclBounds.right, 50);
}

// The outline path of a region, filled by GDI in either fill mode, covers exactly the region.
TEST(EngineClip, OutlinePathFillsExactlyTheRegion)
{
    struct OutlineCase {
        const char* what;
        std::vector<RECT> rects;
    } const cases[] = {
        {"rectangle", {{3, 4, 20, 9}}},
        {"ring with a hole", {{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}}},
        {"squares touching at a corner", {{0, 0, 10, 10}, {10, 10, 20, 20}}},
        {"L shape and an island", {{0, 0, 5, 20}, {5, 15, 20, 20}, {10, 2, 14, 6}}},
        {"two holes", {{0, 0, 31, 3}, {0, 3, 3, 8}, {10, 3, 13, 8}, {28, 3, 31, 8}, {0, 8, 31, 11}}},
    };
    for (const OutlineCase& c : cases) {
        SCOPED_TRACE(c.what);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        for (const RECT& r : c.rects) {
            HRGN piece = CreateRectRgnIndirect(&r);
            CombineRgn(region, region, piece, RGN_OR);
            DeleteObject(piece);
        }
        CLIPOBJ* co = HostEngCreateClip(region, nullptr);
        PATHOBJ* po = CLIPOBJ_ppoGetPath(co);
        ASSERT_NE(po, nullptr);
        EXPECT_TRUE(po->fl & PO_ALL_INTEGERS);
        std::vector<POINT> points;
        std::vector<BYTE> types;
        PATHDATA pd = {};
        PATHOBJ_vEnumStart(po);
        BOOL more = FALSE;
        do {
            more = PATHOBJ_bEnum(po, &pd);
            EXPECT_FALSE(pd.flags & PD_BEZIERS);
            for (ULONG i = 0; i < pd.count; ++i) {
                points.push_back(POINT{pd.pptfx[i].x / 16, pd.pptfx[i].y / 16});
                BYTE type = (i == 0 && (pd.flags & PD_BEGINSUBPATH)) ? PT_MOVETO : PT_LINETO;
                if (i + 1 == pd.count && (pd.flags & PD_CLOSEFIGURE))
                    type |= PT_CLOSEFIGURE;
                types.push_back(type);
            }
            EXPECT_TRUE(pd.flags & PD_CLOSEFIGURE) << "every outline is closed";
        } while (more);
        for (const int mode : {ALTERNATE, WINDING}) {
            SCOPED_TRACE(mode == ALTERNATE ? "alternate" : "winding");
            EngBitmap filled(40, 40, BMF_8BPP), painted(40, 40, BMF_8BPP);
            HOSTENG_SURFACEINFO a = {}, b = {};
            ASSERT_TRUE(HostEngQuerySurface(filled.handle(), &a));
            ASSERT_TRUE(HostEngQuerySurface(painted.handle(), &b));
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, a.hDib);
            SelectObject(dc, GetStockObject(WHITE_BRUSH));
            SetPolyFillMode(dc, mode);
            BeginPath(dc);
            PolyDraw(dc, points.data(), types.data(), static_cast<int>(points.size()));
            EndPath(dc);
            FillPath(dc);
            SelectObject(dc, b.hDib);
            PaintRgn(dc, region);
            SelectObject(dc, old);
            DeleteDC(dc);
            int differ = 0;
            for (LONG y = 0; y < 40; ++y)
                for (LONG x = 0; x < 40; ++x)
                    differ += filled.Pixel(x, y) != painted.Pixel(x, y);
            EXPECT_EQ(differ, 0);
        }
        EngDeletePath(po);
        HostEngDeleteClip(co);
        DeleteObject(region);
    }
}

struct Record {
    FLONG flags;
    std::vector<POINTFIX> points;
};

struct PathCase {
    const char* what;
    std::vector<POINTFIX> points;
    std::vector<BYTE> types;
    FLONG extra;
    std::vector<Record> records;  // empty with valid false: refused
    ULONG curves;
    FLONG fl;
    bool valid;
};

constexpr LONG F = 16;  // one pixel in 28.4

TEST(EnginePath, RunsFlagsAndCurveCountsFromGetPathPoints)
{
    const POINTFIX a{0, 0}, b{10 * F, 0}, c{10 * F, 10 * F}, d{0, 10 * F};
    const BYTE M = PT_MOVETO, L = PT_LINETO, B = PT_BEZIERTO, X = PT_CLOSEFIGURE;
    std::vector<POINTFIX> ellipse = {{20 * F, 10 * F}};
    for (int i = 0; i < 11; ++i)
        ellipse.push_back(POINTFIX{(i + 1) * F, (i % 3) * F});
    ellipse.push_back(ellipse.front());
    std::vector<BYTE> ellipseTypes = {M};
    ellipseTypes.insert(ellipseTypes.end(), 12, B);
    ellipseTypes.back() |= X;

    const PathCase cases[] = {
        {"open polyline", {a, b, c}, {M, L, L}, 0, {{PD_BEGINSUBPATH | PD_ENDSUBPATH, {a, b, c}}}, 2, PO_ALL_INTEGERS, true},
        {"closed polygon repeating its start", {a, b, c, a}, {M, L, L, static_cast<BYTE>(L | X)}, 0,
         {{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {a, b, c}}}, 3, PO_ALL_INTEGERS, true},
        {"closed rectangle", {a, b, c, d}, {M, L, L, static_cast<BYTE>(L | X)}, 0,
         {{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {a, b, c, d}}}, 4, PO_ALL_INTEGERS, true},
        {"ellipse of four Béziers", ellipse, ellipseTypes, PO_ELLIPSE,
         {{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE | PD_BEZIERS, ellipse}}, 4,
         PO_ALL_INTEGERS | PO_BEZIERS | PO_ELLIPSE, true},
        {"lines, a Bézier, lines, closed", {a, b, c, d, a, d, {F / 2, F}}, {M, L, B, B, B, L, static_cast<BYTE>(L | X)}, 0,
         {{PD_BEGINSUBPATH, {a, b}}, {PD_BEZIERS, {c, d, a}}, {PD_ENDSUBPATH | PD_CLOSEFIGURE, {d, {F / 2, F}}}},
         5, PO_BEZIERS, true},
        {"two figures", {a, b, c, d, a}, {M, L, M, L, static_cast<BYTE>(L | X)}, 0,
         {{PD_BEGINSUBPATH | PD_ENDSUBPATH, {a, b}}, {PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, {c, d, a}}},
         4, PO_ALL_INTEGERS, true},
        {"a lone move is left out", {a, b, c}, {M, M, L}, 0, {{PD_BEGINSUBPATH | PD_ENDSUBPATH, {b, c}}}, 1,
         PO_ALL_INTEGERS, true},
        {"no points", {}, {}, 0, {}, 0, PO_ALL_INTEGERS, true},
        {"a figure starting with a line", {a, b}, {L, L}, 0, {}, 0, 0, false},
        {"a Bézier of two points", {a, b, c}, {M, B, B}, 0, {}, 0, 0, false},
        {"an unknown type", {a, b}, {M, 8}, 0, {}, 0, 0, false},
    };
    for (const PathCase& t : cases) {
        SCOPED_TRACE(t.what);
        PATHOBJ* po = HostEngCreatePath(t.points.data(), t.types.data(), static_cast<ULONG>(t.points.size()), t.extra);
        if (!t.valid) {
            EXPECT_EQ(po, nullptr);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
            continue;
        }
        ASSERT_NE(po, nullptr);
        EXPECT_EQ(po->cCurves, t.curves);
        EXPECT_EQ(po->fl, t.fl);
        // Twice: enumeration starts again.
        for (int pass = 0; pass < 2; ++pass) {
            PATHOBJ_vEnumStart(po);
            std::vector<Record> got;
            PATHDATA pd = {};
            BOOL more = FALSE;
            do {
                more = PATHOBJ_bEnum(po, &pd);
                if (pd.count)
                    got.push_back(Record{pd.flags, std::vector<POINTFIX>(pd.pptfx, pd.pptfx + pd.count)});
            } while (more && got.size() < 20);
            ASSERT_EQ(got.size(), t.records.size());
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].flags, t.records[i].flags) << "record " << i;
                ASSERT_EQ(got[i].points.size(), t.records[i].points.size()) << "record " << i;
                for (size_t k = 0; k < got[i].points.size(); ++k)
                    EXPECT_TRUE(got[i].points[k].x == t.records[i].points[k].x && got[i].points[k].y == t.records[i].points[k].y)
                        << "record " << i << " point " << k;
            }
        }
        EngDeletePath(po);
    }
}

// A path GDI made: the ellipse's Béziers come back as one closed run, as GetPath gave them.
TEST(EnginePath, AnEllipseFromGdiIsOneClosedRunOfBeziers)
{
    HDC dc = CreateCompatibleDC(nullptr);
    BeginPath(dc);
    Ellipse(dc, 10, 20, 110, 70);
    EndPath(dc);
    const int n = GetPath(dc, nullptr, nullptr, 0);
    ASSERT_GT(n, 0);
    std::vector<POINT> pts(static_cast<size_t>(n));
    std::vector<BYTE> types(static_cast<size_t>(n));
    GetPath(dc, pts.data(), types.data(), n);
    DeleteDC(dc);
    std::vector<POINTFIX> fix;
    for (const POINT& p : pts)
        fix.push_back(POINTFIX{p.x * F, p.y * F});
    PATHOBJ* po = HostEngCreatePath(fix.data(), types.data(), static_cast<ULONG>(n), PO_ELLIPSE);
    ASSERT_NE(po, nullptr);
    // Four Béziers, and the closing line where GDI's last point is not its first.
    const bool closingLine = pts.back().x != pts.front().x || pts.back().y != pts.front().y;
    EXPECT_EQ(po->cCurves, static_cast<ULONG>((n - 1) / 3 + (closingLine ? 1 : 0)));
    PATHDATA pd = {};
    PATHOBJ_vEnumStart(po);
    EXPECT_FALSE(PATHOBJ_bEnum(po, &pd));
    EXPECT_EQ(pd.flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE | PD_BEZIERS));
    EXPECT_EQ(pd.count, static_cast<ULONG>(n));
    EXPECT_FALSE(PATHOBJ_bEnum(po, &pd)) << "nothing after the last run";
    EXPECT_EQ(pd.count, 0u);
    EngDeletePath(po);
}

}  // namespace
