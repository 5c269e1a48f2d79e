// The layout preview control and its N-up picture: the layout table, page numbers and reading
// path, the picture of every layout the Setup page offers, the corner cases of the sheet, and a
// control too small for its picture or without state.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "control_host.h"
#include "controls/control_state.h"
#include "controls/layout_preview.h"
#include "preview_feed.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

COLORREF Masked(COLORREF color)
{
    // The reading path is masked onto the picture in 0x808040.
    return color & RGB(0x40, 0x80, 0x80);
}

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(NupLayout, ClassicCountsAndGrids)
{
    struct Case {
        WORD code, orientation;
        BOOL found;
        WORD pages, columns, rows;
        DWORD rotate;
    } cases[] = {
        {1, 1, TRUE, 1, 1, 1, 0},      {2, 1, TRUE, 2, 2, 1, 1},    {2, 2, TRUE, 2, 1, 2, 1},
        {6, 1, TRUE, 6, 3, 2, 1},      {6, 2, TRUE, 6, 2, 3, 1},    {16, 2, TRUE, 16, 4, 4, 0},
        {0x304, 1, TRUE, 12, 3, 4, 1}, {0x202, 2, TRUE, 4, 2, 2, 0}, {0x2020, 1, TRUE, 1024, 32, 32, 0},
        {5, 1, FALSE, 0, 0, 0, 0},     {0, 0, FALSE, 0, 0, 0, 0},   {4, 0, FALSE, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        NUPLAYOUT row;
        EXPECT_EQ(GetNupLayout(c.code, c.orientation, &row), c.found) << std::hex << c.code;
        EXPECT_EQ(row.wPages, c.pages) << std::hex << c.code;
        EXPECT_EQ(row.wColumns, c.columns) << std::hex << c.code;
        EXPECT_EQ(row.wRows, c.rows) << std::hex << c.code;
        EXPECT_EQ(row.dwRotate, c.rotate) << std::hex << c.code;
        EXPECT_EQ(row.dwReserved, 0u);
    }
}

TEST(NupPageNumber, EveryOrderOfAGrid)
{
    NUPLAYOUT grid;
    ASSERT_TRUE(GetNupLayout(0x302, 1, &grid));  // 3 columns, 2 rows
    struct Case {
        int order;
        int numbers[2][3];
    } cases[] = {
        {0, {{1, 2, 3}, {4, 5, 6}}}, {1, {{1, 2, 3}, {4, 5, 6}}}, {2, {{1, 3, 5}, {2, 4, 6}}},
        {3, {{3, 2, 1}, {6, 5, 4}}}, {4, {{5, 3, 1}, {6, 4, 2}}},
    };
    for (const Case& c : cases) {
        for (int r = 0; r < 2; ++r) {
            for (int col = 0; col < 3; ++col) {
                EXPECT_EQ(GetNupPageNumber(grid, c.order, r, col), c.numbers[r][col]) << c.order << " " << r << col;
            }
        }
    }
    NUPLAYOUT two, one;
    ASSERT_TRUE(GetNupLayout(2, 1, &two));
    ASSERT_TRUE(GetNupLayout(1, 1, &one));
    for (int order = 0; order <= 4; ++order) {
        const bool backwards = order == 3 || order == 4;
        EXPECT_EQ(GetNupPageNumber(two, order, 0, 0), backwards ? 2 : 1) << order;
        EXPECT_EQ(GetNupPageNumber(two, order, 0, 1), backwards ? 1 : 2) << order;
        EXPECT_EQ(GetNupPageNumber(one, order, 0, 0), 1) << order;
    }
}

TEST(SamplePageBitmap, IdsByColourOrientationAndPage)
{
    EXPECT_EQ(SamplePageBitmapId(TRUE, 1, 1), 340u);
    EXPECT_EQ(SamplePageBitmapId(TRUE, 2, 1), 341u);
    EXPECT_EQ(SamplePageBitmapId(TRUE, 1, 7), 360u);
    EXPECT_EQ(SamplePageBitmapId(TRUE, 2, 2), 361u);
    EXPECT_EQ(SamplePageBitmapId(FALSE, 1, 1), 350u);
    EXPECT_EQ(SamplePageBitmapId(FALSE, 2, 1), 351u);
    EXPECT_EQ(SamplePageBitmapId(FALSE, 1, 3), 370u);
    EXPECT_EQ(SamplePageBitmapId(FALSE, 2, 3), 371u);
    // Without module nothing is loaded (a NULL module would load the system's own bitmaps).
    EXPECT_EQ(LoadSamplePageBitmap(nullptr, TRUE, 1, 1), nullptr);
    HBITMAP sample = LoadSamplePageBitmap(TestPictures(), TRUE, 1, 1);
    EXPECT_NE(sample, nullptr);
    DeleteObject(sample);
}

// A layout preview of its own in a host window.
class LayoutPreview : public ::testing::Test {
protected:
    HWND make(int width = 240, int height = 180)
    {
        control_ = host_.create(LAYOUTPREVIEWCTL_CLASS, 0, 10, 10, width, height);
        return control_;
    }
    WindowCapture show(const LayoutFeed& feed)
    {
        feed.send(control_);
        return WindowCapture::Of(control_);
    }
    ControlHost host_{400, 300};
    HWND control_ = nullptr;
};

// The layouts of the Setup page: pages per sheet 1, 2, 4, 6, 8, 9 and 16 of a portrait and of a
// landscape document, as the layout-preview feed sends them (grid codes columns << 8 | rows, page
// order 2 with 2 pages and 1 otherwise).
struct SetupLayout {
    const char* name;
    WORD orientation;
    WORD code;
    int columns, rows;
    bool turned;
};
const SetupLayout kSetupLayouts[] = {
    {"portrait 1", 1, 0x101, 1, 1, false},  {"portrait 2", 1, 0x201, 2, 1, true},
    {"portrait 4", 1, 0x202, 2, 2, false},  {"portrait 6", 1, 0x302, 3, 2, true},
    {"portrait 8", 1, 0x402, 4, 2, true},   {"portrait 9", 1, 0x303, 3, 3, false},
    {"portrait 16", 1, 0x404, 4, 4, false}, {"landscape 1", 2, 0x101, 1, 1, false},
    {"landscape 2", 2, 0x102, 1, 2, true},  {"landscape 4", 2, 0x202, 2, 2, false},
    {"landscape 6", 2, 0x203, 2, 3, true},  {"landscape 8", 2, 0x204, 2, 4, true},
    {"landscape 9", 2, 0x303, 3, 3, false}, {"landscape 16", 2, 0x404, 4, 4, false},
};

TEST_F(LayoutPreview, EveryLayoutOfTheSetupPage)
{
    ASSERT_TRUE(make());
    for (const SetupLayout& l : kSetupLayouts) {
        SCOPED_TRACE(l.name);
        const bool landscape = l.orientation == 2;
        const int pages = l.columns * l.rows;
        LayoutFeed feed;
        feed.orientation = l.orientation;
        feed.pageWidth = landscape ? 2970 : 2100;
        feed.pageLength = landscape ? 2100 : 2970;
        feed.outputWidth = feed.pageWidth;
        feed.outputLength = feed.pageLength;
        feed.nup = l.code;
        feed.order = pages == 2 ? 2 : 1;
        feed.samples = TestPictures();

        NUPGEOMETRY g;
        ASSERT_TRUE(ComputeNupGeometry(feed.state(), 240, 180, &g));
        EXPECT_EQ(g.layout.wColumns, l.columns);
        EXPECT_EQ(g.layout.wRows, l.rows);
        EXPECT_EQ(g.layout.dwRotate == 1, l.turned);
        // The sheet is turned a quarter against the document when the grid is not square; the
        // pages keep the document's orientation.
        const LONG W = g.sheet.right - g.sheet.left, H = g.sheet.bottom - g.sheet.top;
        EXPECT_EQ(W > H, landscape != l.turned);
        EXPECT_EQ(g.pageWidth > g.pageHeight, landscape);
        // The sheet fits the square 24 pixels smaller than the shorter side, centred.
        EXPECT_LE(std::max(W, H), 180 - 24);
        EXPECT_NEAR(g.sheet.left + g.sheet.right, 240, 1);
        EXPECT_NEAR(g.sheet.top + g.sheet.bottom, 180, 1);

        const WindowCapture picture = show(feed);
        KeepCaptureForReview(picture, L"nup " + Widen(l.name));
        std::set<int> numbers;
        RECT previous = {};
        for (int r = 0; r < l.rows; ++r) {
            for (int c = 0; c < l.columns; ++c) {
                const RECT page = NupPageRect(g, r, c);
                EXPECT_GE(page.left, g.sheet.left);
                EXPECT_LE(page.right, g.sheet.right);
                EXPECT_GE(page.top, g.sheet.top);
                EXPECT_LE(page.bottom, g.sheet.bottom);
                RECT overlap;
                EXPECT_FALSE(IntersectRect(&overlap, &page, &previous)) << r << "," << c;
                previous = page;
                const int number = GetNupPageNumber(g.layout, feed.order, r, c);
                numbers.insert(number);
                // The sample of the page, at a place the number and the path leave alone.
                const COLORREF sample = SampleColor(SamplePageBitmapId(TRUE, l.orientation, number));
                const COLORREF other = SampleColor(SamplePageBitmapId(TRUE, l.orientation, number == 1 ? 2 : 1));
                EXPECT_GE(picture.count(page, sample), 10) << r << "," << c;
                EXPECT_EQ(picture.count(page, other), 0) << r << "," << c;
                // The number in the page's top-left corner, black on white, from 2 pages up.
                const RECT corner = {page.left + 1, page.top + 1, page.left + 7, page.top + 10};
                EXPECT_EQ(picture.count(corner, kBlack) > 0, pages > 1) << r << "," << c;
            }
        }
        EXPECT_EQ(static_cast<int>(numbers.size()), pages);
        EXPECT_EQ(*numbers.rbegin(), pages);
        // The reading path starts with a dot on page 1.
        EXPECT_EQ(g.pathCount, pages == 1 ? 0 : pages == 2 ? 2 : 4);
        if (g.pathCount) {
            // Masked onto the sample of page 1, or onto the white behind its number.
            const COLORREF dot = picture.color(g.path[0].x, g.path[0].y);
            const COLORREF first = SampleColor(SamplePageBitmapId(TRUE, l.orientation, 1));
            EXPECT_TRUE(dot == Masked(first) || dot == Masked(kWhite)) << std::hex << dot;
        }
    }
}

TEST_F(LayoutPreview, FourUpPortraitInColumnOrder)
{
    LayoutFeed feed;
    feed.nup = 4;
    feed.order = 2;
    NUPGEOMETRY g;
    ASSERT_TRUE(ComputeNupGeometry(feed.state(), 240, 180, &g));
    EXPECT_EQ(GetNupPageNumber(g.layout, 2, 0, 0), 1);
    EXPECT_EQ(GetNupPageNumber(g.layout, 2, 0, 1), 3);
    EXPECT_EQ(GetNupPageNumber(g.layout, 2, 1, 0), 2);
    EXPECT_EQ(GetNupPageNumber(g.layout, 2, 1, 1), 4);
    ASSERT_EQ(g.pathCount, 4);
    const RECT tl = NupPageRect(g, 0, 0), bl = NupPageRect(g, 1, 0), tr = NupPageRect(g, 0, 1), br = NupPageRect(g, 1, 1);
    const RECT order[] = {tl, bl, tr, br};
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(PtInRect(&order[k], g.path[k])) << k;
    }
    EXPECT_EQ(g.arrow, ArrowDirection::Down);
}

TEST_F(LayoutPreview, TwoUpPortraitTurnsTheSheet)
{
    LayoutFeed feed;
    feed.nup = 2;
    feed.order = 1;
    NUPGEOMETRY g;
    ASSERT_TRUE(ComputeNupGeometry(feed.state(), 240, 180, &g));
    EXPECT_GT(g.sheet.right - g.sheet.left, g.sheet.bottom - g.sheet.top);
    EXPECT_GT(g.pageHeight, g.pageWidth);
    const RECT left = NupPageRect(g, 0, 0), right = NupPageRect(g, 0, 1);
    EXPECT_EQ(left.top, right.top);
    EXPECT_LT(left.right, right.left);
    EXPECT_EQ(g.arrow, ArrowDirection::Right);
}

TEST(LayoutGeometry, BindingStripAndThePageAreaBesideIt)
{
    // A4 in a 200 x 150 client: the sheet (68, 30) 63 x 89; a margin of 200 is 6 pixels; 1-up
    // draws a strip 4 pixels wide.
    struct Case {
        WORD edge;
        RECT strip, area;
    } cases[] = {
        {0, {0, 0, 0, 0}, {68, 30, 131, 119}},
        {1, {70, 32, 78, 117}, {74, 34, 131, 114}},
        {2, {70, 32, 129, 40}, {70, 36, 128, 119}},
        {3, {121, 32, 129, 117}, {68, 34, 125, 114}},
        {4, {70, 109, 129, 117}, {70, 30, 128, 113}},
    };
    for (const Case& c : cases) {
        LayoutFeed feed;
        feed.bindingEdge = c.edge;
        feed.bindingMargin = 200;
        NUPGEOMETRY g;
        ASSERT_TRUE(ComputeNupGeometry(feed.state(), 200, 150, &g));
        EXPECT_TRUE(EqualRect(&g.bindingStrip, &c.strip)) << c.edge;
        EXPECT_TRUE(EqualRect(&g.pageArea, &c.area))
            << c.edge << ": " << g.pageArea.left << "," << g.pageArea.top << "," << g.pageArea.right << ","
            << g.pageArea.bottom;
    }
}

TEST_F(LayoutPreview, ALongSheetIsMeasuredAgainstTheLargestSheet)
{
    LayoutFeed feed;
    feed.maxWidth = 3300;
    feed.maxLength = 12000;
    feed.outputWidth = 2970;
    feed.outputLength = 6000;
    NUPGEOMETRY g;
    ASSERT_TRUE(ComputeNupGeometry(feed.state(), 200, 150, &g));
    // u = 12000 x 100 / 126; the sheet's length is the largest sheet's, its width in proportion.
    EXPECT_EQ(g.s, 50);
    EXPECT_EQ(g.u, 9523);
    EXPECT_EQ(g.sheet.bottom - g.sheet.top, 126);
    EXPECT_EQ(g.sheet.right - g.sheet.left, 62);
    // A sheet up to A3 is measured against A3.
    feed.outputLength = 4200;
    ASSERT_TRUE(ComputeNupGeometry(feed.state(), 200, 150, &g));
    EXPECT_EQ(g.s, 100);
    EXPECT_EQ(g.u, 3333);
    EXPECT_EQ(g.sheet.bottom - g.sheet.top, 126);
    EXPECT_EQ(g.sheet.right - g.sheet.left, 89);
}

TEST_F(LayoutPreview, OrderZeroAndOneUpDrawNoNumbersNorPath)
{
    ASSERT_TRUE(make());
    struct Case {
        const char* what;
        WORD nup, order;
    } cases[] = {{"4-up in order 0", 4, 0}, {"1-up in order 1", 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutFeed feed;
        feed.nup = c.nup;
        feed.order = c.order;
        feed.samples = TestPictures();
        NUPGEOMETRY g;
        ASSERT_TRUE(ComputeNupGeometry(feed.state(), 240, 180, &g));
        EXPECT_EQ(g.pathCount, 0);
        const WindowCapture picture = show(feed);
        const RECT page = NupPageRect(g, 0, 0);
        const RECT corner = {page.left + 1, page.top + 1, page.left + 7, page.top + 10};
        EXPECT_EQ(picture.count(corner, kBlack), 0);
        EXPECT_EQ(picture.color(Centre(page).x, Centre(page).y), SampleColor(340));
        if (c.nup == 1) {
            // 1-up draws no frame around its page: the sample reaches into the frame's place.
            EXPECT_EQ(picture.color(page.left + 1, page.top + 1), SampleColor(340));
            EXPECT_NE(picture.color(page.left, page.top), ButtonFace());
        }
    }
}

TEST_F(LayoutPreview, DuplexFoldsTheCornerAwayFromTheBinding)
{
    ASSERT_TRUE(make());
    struct Case {
        WORD binding;
        int kind;  // 0 bottom right, 1 bottom left, 2 top right
    } cases[] = {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.binding);
        LayoutFeed feed;
        feed.duplex = 1;
        feed.bindingEdge = c.binding;
        NUPGEOMETRY g;
        ASSERT_TRUE(ComputeNupGeometry(feed.state(), 240, 180, &g));
        EXPECT_EQ(g.cornerKind, c.kind);
        const WindowCapture picture = show(feed);
        KeepCaptureForReview(picture, L"nup duplex binding " + std::to_wstring(c.binding));
        const LONG X = g.sheet.left, Y = g.sheet.top, R = g.sheet.right - 1, B = g.sheet.bottom - 1;
        // Just inside each corner: the background where the corner is cut, the sheet elsewhere.
        const POINT corners[3] = {{R - 1, B - 1}, {X + 1, B - 1}, {R - 1, Y + 1}};
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(picture.color(corners[k].x, corners[k].y) == ButtonFace(), k == c.kind) << k;
        }
        EXPECT_EQ(picture.color(X + 1, Y + 1), kWhite);
    }
}

TEST_F(LayoutPreview, SaddleStitchDrawsNothingOnTheSheet)
{
    ASSERT_TRUE(make());
    LayoutFeed feed;
    feed.samples = TestPictures();
    const std::string plain = show(feed).png();
    feed.staple = 0x1000;
    EXPECT_TRUE(show(feed).png() == plain);
    feed.staple = 0x10;
    EXPECT_FALSE(show(feed).png() == plain);
}

TEST_F(LayoutPreview, StaplesAndHolesOnTheirEdges)
{
    ASSERT_TRUE(make(200, 150));
    LayoutFeed feed;
    feed.samples = TestPictures();
    NUPGEOMETRY g;
    ASSERT_TRUE(ComputeNupGeometry(feed.state(), 200, 150, &g));
    // A4 in a 200 x 150 client: u 3333, the sheet at (68, 30), 63 x 89.
    ASSERT_EQ(g.u, 3333);
    ASSERT_EQ(g.sheet.left, 68);
    ASSERT_EQ(g.sheet.top, 30);
    ASSERT_EQ(g.sheet.right, 131);
    struct Case {
        const char* what;
        WORD staple, punch;
        RECT box;  // where the staple or hole is drawn in black
    } cases[] = {
        // (150, 300)-(150, 60): x 68 + 4, y 30 + 9 up to 30 + 1, doubled to the right.
        {"staple top left, upright", 0x10, 0, {72, 31, 74, 40}},
        // (-200, 100)-(-450, 100) from the right edge: x 131 - 6 to 131 - 13, y 33, doubled below.
        {"staple top right, across", 0x80, 0, {118, 33, 126, 35}},
        // Two holes on the left edge: a = 68 + 5, b = -12 + 44 + 30 - 3.
        {"two holes left", 0, 0x1, {73, 59, 79, 65}},
        // Four holes on the top edge (the outer ones, at -1200 and 1200, lie beyond an A4 sheet),
        // the second at -400: a = -12 + 31 + 68 - 3, b = 30 + 5.
        {"four holes top", 0, 0x14, {84, 35, 90, 41}},
        // Three holes on the right edge, the middle one at 0: a = 131 - 11, b = 44 + 30 - 3.
        {"three holes right", 0, 0x42, {120, 71, 126, 77}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        feed.staple = 0;
        feed.punch = 0;
        EXPECT_EQ(show(feed).count(c.box, kBlack), 0);
        feed.staple = c.staple;
        feed.punch = c.punch;
        const WindowCapture picture = show(feed);
        KeepCaptureForReview(picture, Widen(std::string("finishing ") + c.what));
        EXPECT_GT(picture.count(c.box, kBlack), 0);
    }
}

TEST_F(LayoutPreview, TheDevelopersMenuCommandsChangeTheState)
{
    ASSERT_TRUE(make());
    LayoutFeed feed;
    feed.send(control_);
    struct Case {
        UINT id;
        WORD nup, order, duplex, binding;
        DWORD border;
    } cases[] = {
        {63, 6, 0, 0, 0, 1},      {69, 0x304, 0, 0, 0, 1}, {12, 0x304, 2, 0, 0, 1},
        {20, 0x304, 2, 0, 0, 0},  {20, 0x304, 2, 0, 0, 1}, {32, 0x304, 2, 2, 0, 1},
        {43, 0x304, 2, 2, 3, 1},  {99, 0x304, 2, 2, 3, 1},
    };
    for (const Case& c : cases) {
        SendMessageW(control_, WM_COMMAND, c.id, 0);
        ControlState<LAYOUTPREVIEWDATA> s(control_);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->wNup, c.nup) << c.id;
        EXPECT_EQ(s->wOrder, c.order) << c.id;
        EXPECT_EQ(s->wDuplex, c.duplex) << c.id;
        EXPECT_EQ(s->wBindingEdge, c.binding) << c.id;
        EXPECT_EQ(s->dwBorder, c.border) << c.id;
    }
    // A click without both keys opens nothing and changes nothing.
    SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, 20));
    ControlState<LAYOUTPREVIEWDATA> s(control_);
    EXPECT_EQ(s->wNup, 0x304);
}

TEST_F(LayoutPreview, OnlyARedrawRepaints)
{
    ASSERT_TRUE(make());
    LayoutFeed feed;
    feed.samples = TestPictures();
    feed.send(control_);
    const std::string before = WindowCapture::Of(control_).png();
    SendMessageW(control_, LPM_SETNUP, 0, MAKELPARAM(4, 1));
    EXPECT_TRUE(WindowCapture::Of(control_).png() == before);
    SendMessageW(control_, LPM_REDRAW, 0, 0);
    EXPECT_TRUE(WindowCapture::Of(control_).png() == before);
    SendMessageW(control_, LPM_REDRAW, 1, 0);
    EXPECT_FALSE(WindowCapture::Of(control_).png() == before);
}

// A control without state set, or too small for its picture, shows its frame and nothing else.
TEST_F(LayoutPreview, ZeroStateAndSmallControlsShowTheFrameOnly)
{
    const SIZE sizes[] = {{1, 1}, {2, 2}, {10, 8}, {24, 24}, {25, 30}, {26, 26}, {30, 30}, {60, 24}};
    const WORD modes[] = {0, 1, 2};
    for (const SIZE& size : sizes) {
        for (const WORD mode : modes) {
            SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy << " mode " << mode);
            ControlHost host(200, 200);
            HWND control = host.create(LAYOUTPREVIEWCTL_CLASS, 0, 5, 5, size.cx, size.cy);
            ASSERT_TRUE(control);
            // Zero state (but the mode), then a full state. The paint is also called directly:
            // a fault inside a window procedure's paint may go unseen.
            SendMessageW(control, LPM_SETMODE, mode, 0);
            HDC dc = GetDC(control);
            EXPECT_TRUE(PaintLayoutPreview(control, dc));
            ReleaseDC(control, dc);
            SendMessageW(control, LPM_REDRAW, 1, 0);
            WindowCapture zero = WindowCapture::Of(control);
            const RECT inner = {1, 1, size.cx - 1, size.cy - 1};
            EXPECT_EQ(zero.count(inner, ButtonFace()), std::max<LONG>(0, (size.cx - 2)) * std::max<LONG>(0, (size.cy - 2)));
            LayoutFeed feed;
            feed.mode = mode;
            feed.nup = 4;
            feed.order = 1;
            feed.duplex = 1;
            feed.bindingEdge = 1;
            feed.bindingMargin = 100;
            feed.staple = 0x200;
            feed.punch = 0x44;
            feed.posterCount = 4;
            feed.posterColumns = feed.posterRows = 2;
            feed.posterMarks = feed.posterOverlap = 1;
            feed.overlapWidth = 100;
            feed.samples = TestPictures();
            feed.send(control);
            dc = GetDC(control);
            EXPECT_TRUE(PaintLayoutPreview(control, dc));
            ReleaseDC(control, dc);
            EXPECT_EQ(WindowCapture::Of(control).width(), size.cx);
        }
    }
}

TEST(LayoutGeometry, ZeroStateAndClientsTooSmallHaveNoPicture)
{
    const LAYOUTPREVIEWDATA zero = {};
    NUPGEOMETRY n;
    BOOKLETGEOMETRY b;
    POSTERGEOMETRY p;
    EXPECT_FALSE(ComputeNupGeometry(zero, 200, 150, &n));
    EXPECT_FALSE(ComputeBookletGeometry(zero, 200, 150, &b));
    EXPECT_FALSE(ComputePosterGeometry(zero, 200, 150, &p));
    LayoutFeed feed;
    feed.nup = 4;
    feed.posterCount = 4;
    feed.posterColumns = feed.posterRows = 2;
    for (int side : {0, 1, 12, 24}) {
        EXPECT_FALSE(ComputeNupGeometry(feed.state(), side, 150, &n)) << side;
        EXPECT_FALSE(ComputeBookletGeometry(feed.state(), side, side, &b)) << side;
        EXPECT_FALSE(ComputePosterGeometry(feed.state(), 150, side, &p)) << side;
    }
}

TEST(LayoutGeometry, HugeClientsNeitherOverflowNorDivideByZero)
{
    LayoutFeed feed;
    feed.nup = 0x404;
    feed.order = 1;
    feed.bindingEdge = 2;
    feed.bindingMargin = 300;
    NUPGEOMETRY n;
    // At 420024 pixels a side a pixel is less than 0.01 x 0.1 mm: no scale.
    EXPECT_FALSE(ComputeNupGeometry(feed.state(), 1000000, 1000000, &n));
    ASSERT_TRUE(ComputeNupGeometry(feed.state(), 30000, 20000, &n));
    EXPECT_GT(n.pageWidth, 0);
    EXPECT_LT(n.sheet.bottom, 20000);

    feed.mode = 1;
    feed.bookletVariant = 1;
    BOOKLETGEOMETRY b;
    ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 30000, 20000, &b));
    EXPECT_GE(b.theta, 0);
    EXPECT_LE(b.theta, 90);
    // The same booklet as at 200 x 150 (the tilt follows the sheet's proportions only).
    BOOKLETGEOMETRY small;
    ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 200, 150, &small));
    EXPECT_NEAR(b.theta, small.theta, 1);

    feed.mode = 2;
    feed.posterCount = 9;
    feed.posterColumns = feed.posterRows = 3;
    feed.posterOverlap = 1;
    feed.overlapWidth = 200;
    POSTERGEOMETRY p;
    ASSERT_TRUE(ComputePosterGeometry(feed.state(), 30000, 20000, &p));
    EXPECT_GT(p.poster.right, p.poster.left);
}

}  // namespace
