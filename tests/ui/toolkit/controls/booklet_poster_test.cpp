// The booklet and poster pictures of the layout preview: their geometry by the numbers
// and on the screen, the booklet's stack, stitches and arrow, the poster's boundaries, overlap
// zones and cut marks.
#include <gtest/gtest.h>

#include <string>

#include "control_host.h"
#include "controls/layout_preview.h"
#include "preview_feed.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);

void ExpectPoint(POINT actual, LONG x, LONG y, const char* what)
{
    EXPECT_EQ(actual.x, x) << what;
    EXPECT_EQ(actual.y, y) << what;
}

void ExpectPoints(const POINT* actual, std::initializer_list<POINT> expected, const char* what)
{
    int k = 0;
    for (const POINT& p : expected) {
        EXPECT_EQ(actual[k].x, p.x) << what << " " << k;
        EXPECT_EQ(actual[k].y, p.y) << what << " " << k;
        ++k;
    }
}

void ExpectBox(const RECT& r, LONG left, LONG top, LONG width, LONG height, const char* what)
{
    EXPECT_EQ(r.left, left) << what;
    EXPECT_EQ(r.top, top) << what;
    EXPECT_EQ(r.right - r.left, width) << what;
    EXPECT_EQ(r.bottom - r.top, height) << what;
}

LayoutFeed Booklet(WORD variant, LONG sheets)
{
    LayoutFeed feed;
    feed.mode = 1;
    feed.bookletVariant = variant;
    feed.bookletSheets = sheets;
    feed.samples = TestPictures();
    return feed;
}

LayoutFeed Poster4()
{
    LayoutFeed feed;
    feed.mode = 2;
    feed.posterCount = 4;
    feed.posterColumns = feed.posterRows = 2;
    feed.overlapWidth = 100;
    feed.posterOverlap = 1;
    feed.posterMarks = 1;
    feed.samples = TestPictures();
    return feed;
}

class BookletPoster : public FedControlTest<LAYOUTPREVIEWCTL_CLASS, 200, 150> {};

TEST_F(BookletPoster, PortraitBookletInA200By150Client)
{
    const LayoutFeed feed = Booklet(0, -1);
    BOOKLETGEOMETRY g;
    ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 200, 150, &g));
    EXPECT_EQ(g.kind, 1);
    EXPECT_EQ(g.theta, 22);
    ExpectPoints(g.outline, {{49, 25}, {49, 96}, {96, 115}, {142, 96}, {142, 25}, {96, 44}}, "outline");
    ExpectPoints(g.spine, {{96, 44}, {96, 115}}, "spine");
    ASSERT_EQ(g.pageCount, 2);
    ExpectBox(g.pages[0], 51, 28, 45, 84, "left page");
    ExpectBox(g.pages[1], 97, 28, 42, 84, "right page");
    EXPECT_EQ(g.pageBitmaps[0], 342u);
    EXPECT_EQ(g.pageBitmaps[1], 363u);
    ExpectPoint(g.arrowPath[0], 73, 71, "arrow start");
    ExpectPoint(g.arrowPath[3], 119, 71, "arrow end");
    EXPECT_EQ(g.arrow, ArrowDirection::Right);
    EXPECT_EQ(g.sheets, 8);
    EXPECT_EQ(g.sheetStep, 1);

    const WindowCapture picture = show(feed);
    KeepCaptureForReview(picture, L"booklet portrait");
    EXPECT_EQ(picture.color(49, 25), kBlack);
    EXPECT_EQ(picture.color(142, 25), kBlack);
    EXPECT_EQ(picture.color(96, 80), kBlack) << "spine";
    // The back sheet of eight, 7 pixels behind the front one, shows below and right of it.
    EXPECT_EQ(picture.color(49 + 7, 96 + 7), kBlack);
    EXPECT_EQ(picture.color(142 + 7, 60), kBlack);
    EXPECT_EQ(picture.color(142 + 8, 60), kBlack) << "its shadow";
    EXPECT_EQ(picture.color(142 + 9, 60), ButtonFace());
    // The sample pages, printed onto the sheet.
    EXPECT_EQ(picture.color(60, 40), SampleColor(342));
    EXPECT_EQ(picture.color(125, 40), SampleColor(363));
}

TEST_F(BookletPoster, TheRightToLeftOptionTurnsPagesAndArrow)
{
    LayoutFeed feed = Booklet(0, -1);
    feed.bookletOption = 1;
    BOOKLETGEOMETRY g;
    ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 200, 150, &g));
    EXPECT_EQ(g.pageBitmaps[0], 362u);
    EXPECT_EQ(g.pageBitmaps[1], 343u);
    ExpectPoint(g.arrowPath[0], 119, 71, "arrow start");
    ExpectPoint(g.arrowPath[3], 73, 71, "arrow end");
    EXPECT_EQ(g.arrow, ArrowDirection::Left);
    const WindowCapture picture = show(feed);
    EXPECT_EQ(picture.color(60, 40), SampleColor(362));
    EXPECT_EQ(picture.color(125, 40), SampleColor(343));
}

TEST_F(BookletPoster, PortraitBookletOfTwoPagesAPageInThreeSheets)
{
    const LayoutFeed feed = Booklet(1, 3);
    BOOKLETGEOMETRY g;
    ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 200, 150, &g));
    EXPECT_EQ(g.kind, 2);
    EXPECT_EQ(g.theta, 21);
    ExpectPoints(g.outline, {{55, 27}, {70, 68}, {55, 108}, {116, 108}, {131, 68}, {116, 27}}, "outline");
    ASSERT_TRUE(g.fold);
    ExpectPoints(g.foldLine, {{86, 28}, {101, 68}, {86, 108}}, "fold");
    ExpectPoints(g.spine, {{70, 68}, {132, 68}}, "spine");
    EXPECT_EQ(g.sheets, 3);
    EXPECT_EQ(g.sheetStep, 6);

    const WindowCapture picture = show(feed);
    KeepCaptureForReview(picture, L"booklet portrait two a page");
    EXPECT_EQ(picture.color(100, 68), kBlack) << "spine";
    EXPECT_EQ(picture.color(86, 28), GetSysColor(COLOR_BTNFACE)) << "fold";
    // Three sheets, 6 pixels apart: the back one's corner at 12 pixels, none beyond.
    EXPECT_EQ(picture.color(116 + 12, 27 + 12), kBlack);
    EXPECT_EQ(picture.color(116 + 18, 27 + 18), ButtonFace());
}

TEST_F(BookletPoster, LandscapeBookletsHaveTheirSpinesAcrossAndUpright)
{
    for (WORD variant : {0, 1}) {
        SCOPED_TRACE(variant);
        LayoutFeed feed = Booklet(variant, -1);
        feed.orientation = 2;
        feed.outputWidth = 2970;
        feed.outputLength = 2100;
        BOOKLETGEOMETRY g;
        ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 200, 150, &g));
        EXPECT_EQ(g.kind, variant ? 4 : 3);
        const bool across = g.spine[0].y == g.spine[1].y;
        EXPECT_EQ(across, g.kind == 3);
        EXPECT_EQ(g.pageCount, variant ? 4 : 2);
        EXPECT_EQ(g.arrow, ArrowDirection::Down);
        const WindowCapture picture = show(feed);
        KeepCaptureForReview(picture, variant ? L"booklet landscape two a page" : L"booklet landscape");
        EXPECT_EQ(picture.color((g.spine[0].x + g.spine[1].x) / 2, (g.spine[0].y + g.spine[1].y) / 2), kBlack);
    }
}

TEST_F(BookletPoster, SaddleStitchesAndTheArrowAsAsked)
{
    LayoutFeed feed = Booklet(0, -1);
    BOOKLETGEOMETRY g;
    ASSERT_TRUE(ComputeBookletGeometry(feed.state(), 200, 150, &g));
    const POINT stitch = g.stitches[0][0];
    // Without stitches the spine's right neighbour is the sample page.
    EXPECT_NE(show(feed).color(stitch.x, stitch.y), kBlack);
    for (WORD staple : {0x10, 0x100, 0x400}) {
        feed.staple = staple;
        EXPECT_NE(show(feed).color(stitch.x, stitch.y), kBlack) << staple;
    }
    feed.staple = 0x1000;
    const WindowCapture stitched = show(feed);
    EXPECT_EQ(stitched.color(stitch.x, stitch.y), kBlack);
    EXPECT_EQ(stitched.color(g.stitches[1][0].x + 1, g.stitches[1][0].y), kBlack);

    // Forced by saddle stitching (a nonzero mode parameter) the picture has no arrow.
    const POINT start = g.arrowPath[0];
    EXPECT_NE(stitched.color(start.x, start.y), SampleColor(342));
    feed.modeParam = 1;
    EXPECT_EQ(show(feed).color(start.x, start.y), SampleColor(342));
}

TEST_F(BookletPoster, FourA4TilesInA200By150Client)
{
    const LayoutFeed feed = Poster4();
    POSTERGEOMETRY g;
    ASSERT_TRUE(ComputePosterGeometry(feed.state(), 200, 150, &g));
    EXPECT_EQ(g.poster.left, 69);
    EXPECT_EQ(g.poster.top, 31);
    EXPECT_EQ(g.poster.right, 131);
    EXPECT_EQ(g.poster.bottom, 119);
    ExpectBox(RECT{g.picture.left + 2, g.picture.top + 2, g.picture.right - 2, g.picture.bottom - 2}, 71, 33, 57, 83,
              "page picture");
    EXPECT_EQ(g.zoneHalfWidth, 5);
    EXPECT_EQ(g.verticalBoundaries, 1);
    EXPECT_EQ(g.horizontalBoundaries, 1);
    ExpectPoints(g.path, {{84, 53}, {116, 53}, {84, 97}, {116, 97}}, "path");
    EXPECT_EQ(g.arrow, ArrowDirection::Right);

    const WindowCapture picture = show(feed);
    KeepCaptureForReview(picture, L"poster four tiles");
    // The boundary bars (98, 31, 102, 119) and (69, 73, 131, 77), a light line in their middle.
    EXPECT_EQ(picture.color(99, 40), kBlack);
    EXPECT_EQ(picture.color(101, 110), kBlack);
    EXPECT_EQ(picture.color(75, 74), kBlack);
    EXPECT_EQ(picture.color(100, 40), ButtonFace());
    // The overlap zones (93, 32, 107, 118) mask the page picture with light grey.
    const COLORREF sample = SampleColor(340);
    EXPECT_EQ(picture.color(94, 100), sample & RGB(192, 192, 192));
    EXPECT_EQ(picture.color(90, 100), sample);
    // A cut mark at the crossing of the vertical boundary with the top edge: (95, 26)-(105, 36)
    // inside the clip; its lower edge at y 35.
    EXPECT_EQ(picture.color(96, 35), kBlack);
    // The red frame around the page picture.
    EXPECT_EQ(picture.color(g.picture.left + 1, 60), RGB(255, 0, 0));
}

TEST_F(BookletPoster, TwoTilesTurnWithThePage)
{
    LayoutFeed feed;
    feed.mode = 2;
    feed.posterCount = 2;
    for (WORD orientation : {1, 2}) {
        SCOPED_TRACE(orientation);
        feed.orientation = orientation;
        feed.posterColumns = orientation == 1 ? 1 : 2;
        feed.posterRows = orientation == 1 ? 2 : 1;
        feed.pageWidth = orientation == 1 ? 2100 : 2970;
        feed.pageLength = orientation == 1 ? 2970 : 2100;
        feed.outputWidth = feed.pageWidth;
        feed.outputLength = feed.pageLength;
        feed.maxWidth = orientation == 1 ? 2970 : 4200;
        feed.maxLength = orientation == 1 ? 4200 : 2970;
        POSTERGEOMETRY g;
        ASSERT_TRUE(ComputePosterGeometry(feed.state(), 200, 150, &g));
        EXPECT_EQ(g.verticalBoundaries, orientation == 2 ? 1 : 0);
        EXPECT_EQ(g.horizontalBoundaries, orientation == 1 ? 1 : 0);
        EXPECT_EQ(g.arrow, orientation == 1 ? ArrowDirection::Down : ArrowDirection::Right);
        const WindowCapture picture = show(feed);
        KeepCaptureForReview(picture, orientation == 1 ? L"poster two portrait" : L"poster two landscape");
        const POINT middle = {(g.poster.left + g.poster.right) / 2, (g.poster.top + g.poster.bottom) / 2};
        // The bar across the middle: vertical for landscape, horizontal for portrait.
        const POINT beside = orientation == 2 ? POINT{middle.x - 1, g.poster.top + 5} : POINT{g.poster.left + 5, middle.y - 1};
        EXPECT_EQ(picture.color(beside.x, beside.y), kBlack);
    }
}

TEST_F(BookletPoster, OverlapZonesAndCutMarksOnlyForTwoToFourTiles)
{
    // The overlap zones mask the page picture (sample 340) with light grey.
    const COLORREF zone = SampleColor(340) & RGB(192, 192, 192);
    const RECT all = {0, 0, 200, 150};
    for (WORD count : {1, 5}) {
        SCOPED_TRACE(count);
        LayoutFeed feed = Poster4();
        feed.posterCount = 0xFFFF;
        feed.posterColumns = count;
        feed.posterRows = 1;
        feed.posterMarks = 0;
        const std::string plain = show(feed).png();
        EXPECT_EQ(show(feed).count(all, zone), 0);
        feed.posterMarks = 1;
        EXPECT_TRUE(show(feed).png() == plain) << "no cut marks";
    }
    LayoutFeed feed = Poster4();
    feed.posterMarks = 0;
    feed.posterOverlap = 0;
    const std::string plain = show(feed).png();
    EXPECT_EQ(show(feed).count(all, zone), 0);
    feed.posterMarks = 1;
    EXPECT_FALSE(show(feed).png() == plain) << "cut marks";
    feed.posterMarks = 0;
    feed.posterOverlap = 1;
    EXPECT_GT(show(feed).count(all, zone), 100);
}

TEST_F(BookletPoster, CustomGridsOfEverySize)
{
    for (WORD columns = 1; columns <= 4; ++columns) {
        for (WORD rows = 1; rows <= 4; ++rows) {
            SCOPED_TRACE(testing::Message() << columns << "x" << rows);
            LayoutFeed feed = Poster4();
            feed.posterCount = 0xFFFF;
            feed.posterColumns = columns;
            feed.posterRows = rows;
            POSTERGEOMETRY g;
            ASSERT_TRUE(ComputePosterGeometry(feed.state(), 200, 150, &g));
            EXPECT_EQ(g.verticalBoundaries, columns - 1);
            EXPECT_EQ(g.horizontalBoundaries, rows - 1);
            EXPECT_EQ(g.pathShown, columns != 1 || rows != 1);
            EXPECT_LE(g.poster.right - g.poster.left, 150 - 24);
            EXPECT_LE(g.poster.bottom - g.poster.top, 150 - 24);
            const WindowCapture picture = show(feed);
            KeepCaptureForReview(picture, L"poster grid " + std::to_wstring(columns) + L"x" + std::to_wstring(rows));
            const LONG w = g.poster.right - g.poster.left;
            for (WORD i = 1; i < columns; ++i) {
                // The bar, 4 pixels wide with a light middle line (the page picture's red frame may
                // cross one of them).
                const LONG x = g.poster.left + w * i / columns, y = (g.poster.top + g.poster.bottom) / 2 + 5;
                EXPECT_GE(picture.count(RECT{x - 2, y, x + 2, y + 1}, kBlack), 2) << i;
            }
        }
    }
}

}  // namespace

namespace {

// Reviewed pictures with the dialog library's sample pages: an open portrait booklet in three
// sheets with a binding strip and saddle stitches, and a poster of four tiles with overlaps and
// cut marks.
TEST_F(BookletPoster, GoldenPicturesWithTheDialogLibrarysSamples)
{
    ASSERT_NE(DialogLibrary(), nullptr);
    struct Case {
        const wchar_t* name;
        LayoutFeed feed;
    } cases[] = {{L"booklet_portrait_stitched", Booklet(0, 3)}, {L"poster_four_tiles", Poster4()}};
    cases[0].feed.bindingEdge = 1;
    cases[0].feed.bindingMargin = 100;
    cases[0].feed.staple = 0x1000;
    for (Case& c : cases) {
        c.feed.samples = DialogLibrary();
        const WindowCapture picture = show(c.feed);
        KeepCaptureForReview(picture, c.name);
        std::string message;
        EXPECT_TRUE(MatchesGolden(picture, GoldenCapture(c.name), &message)) << message;
    }
}

}  // namespace
