// The watermark preview: the page box, the text's colour, placement and frames, the text
// repeated over the page, and a control too small or without state.
#include <gtest/gtest.h>

#include <string>

#include "control_host.h"
#include "controls/control_state.h"
#include "controls/watermark_preview.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

struct WatermarkFeed {
    WORD pageWidth = 595, pageHeight = 842;
    SHORT offsetX = 0, offsetY = 0;
    WORD size = 72, angle = 0;
    COLORREF color = kBlue;
    std::wstring text = L"DRAFT";
    WORD position = WMKPOS_CENTER;
    WORD areaX = 0, areaY = 0, marginX = 0, marginY = 0;
    WORD frame = WMKFRAME_NONE;

    void send(HWND control) const
    {
        LOGFONTW font = {};
        font.lfWeight = FW_BOLD;
        font.lfCharSet = DEFAULT_CHARSET;
        SendMessageW(control, WPM_SETPAGESIZE, 0, MAKELPARAM(pageWidth, pageHeight));
        SendMessageW(control, WPM_SETOFFSET, 0, MAKELPARAM(offsetX, offsetY));
        SendMessageW(control, WPM_SETLOGFONT, 0, reinterpret_cast<LPARAM>(&font));
        SendMessageW(control, WPM_SETANGLE, 0, angle);
        SendMessageW(control, WPM_SETSIZE, 0, size);
        SendMessageW(control, WPM_SETCOLOR, 0, static_cast<LPARAM>(color));
        SendMessageW(control, WPM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(control, WPM_SETPOSITION, 0, position);
        SendMessageW(control, WPM_SETAREA, 0, MAKELPARAM(areaX, areaY));
        SendMessageW(control, WPM_SETMARGIN, 0, MAKELPARAM(marginX, marginY));
        SendMessageW(control, WPM_SETFRAME, 1, frame);
    }
    RECT page(int width, int height) const
    {
        WMKPREVIEWDATA s = {};
        s.wPageWidth = pageWidth;
        s.wPageHeight = pageHeight;
        WATERMARKLAYOUT l;
        return ComputeWatermarkPage(s, width, height, &l) ? l.page : RECT{};
    }
};

class WatermarkPreview : public FedControlTest<WATERMARKCTL_CLASS, 300, 300> {};

TEST_F(WatermarkPreview, ShadesAndColours)
{
    struct Case {
        WORD shade;
        COLORREF color;
    } cases[] = {{0, RGB(255, 255, 255)}, {50, RGB(0x80, 0x80, 0x80)}, {1, 0}, {49, 0}, {51, 0}, {100, 0}};
    for (const Case& c : cases) {
        SendMessageW(control_, WPM_SETSHADE, 0, c.shade);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(control_, WPM_REALIZEPALETTE, 0, 0)), c.color) << c.shade;
    }
    SendMessageW(control_, WPM_SETCOLOR, 0, RGB(12, 34, 56));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(control_, WPM_REALIZEPALETTE, 0, 0)), RGB(12, 34, 56));
}

TEST_F(WatermarkPreview, ThePageBoxAndAnExclamationMarkThatClearsTheText)
{
    WatermarkFeed feed;
    const RECT page = feed.page(300, 300);
    // u = 842 x 100 / 284: the page 201 x 284 pixels, centred.
    EXPECT_EQ(page.left, 49);
    EXPECT_EQ(page.top, 8);
    EXPECT_EQ(page.right - page.left, 201);
    EXPECT_EQ(page.bottom - page.top, 284);
    WindowCapture picture = show(feed);
    KeepCaptureForReview(picture, L"watermark centre");
    EXPECT_EQ(picture.color(page.left - 1, page.top + 10), RGB(0, 0, 0));
    EXPECT_EQ(picture.color(page.right + 1, page.top + 10), RGB(0, 0, 0)) << "shadow";
    EXPECT_GT(picture.count(page, kBlue), 50);

    for (const wchar_t* clears : {L"!"}) {
        feed.text = clears;
        picture = show(feed);
        EXPECT_EQ(picture.count(page, kWhite), (page.right - page.left) * (page.bottom - page.top));
    }
    feed.text = L"a!";
    EXPECT_GT(show(feed).count(page, kBlue), 0);
    feed.size = 0;
    EXPECT_EQ(show(feed).count(page, kBlue), 0) << "size 0 draws no text";

    // A text of more than 63 characters is cut.
    const std::wstring longText(80, L'x');
    SendMessageW(control_, WPM_SETTEXT, 0, reinterpret_cast<LPARAM>(longText.c_str()));
    ControlState<WMKPREVIEWDATA> s(control_);
    ASSERT_TRUE(s);
    EXPECT_EQ(lstrlenW(s->szText), 63);
}

TEST_F(WatermarkPreview, CentredAndCorneredUprightText)
{
    WatermarkFeed feed;
    feed.marginX = 36;
    feed.areaX = 12;
    feed.marginY = 12;
    feed.areaY = 48;
    const RECT page = feed.page(300, 300);
    const WindowCapture centred = show(feed);
    const RECT text = centred.boundsOfOther(page, kWhite);
    ASSERT_LT(text.left, text.right);
    EXPECT_NEAR(text.left - page.left, page.right - text.right, 3);
    EXPECT_NEAR(text.top - page.top, page.bottom - text.bottom, 3);

    // Top left: inside the larger of margin and printable-area inset (36 and 48 points are
    // 12 and 16 pixels), the offset moving it further.
    feed.position = WMKPOS_TOPLEFT;
    const RECT cornered = show(feed).boundsOfOther(page, kWhite);
    EXPECT_NEAR(cornered.left, page.left + 12, 3);
    EXPECT_GE(cornered.top, page.top + 16);
    EXPECT_LE(cornered.top, page.top + 16 + 12);
    feed.offsetX = 30;
    const RECT moved = show(feed).boundsOfOther(page, kWhite);
    EXPECT_EQ(moved.left - cornered.left, 10);
}

// The thickness of the frame's top edge: the run of text colour from the page's top down the
// middle column.
int TopEdgeThickness(const WindowCapture& picture, const RECT& page)
{
    const int x = (page.left + page.right) / 2;
    int y = page.top;
    while (y < page.bottom && picture.color(x, y) != kBlue) ++y;
    int n = 0;
    while (y < page.bottom && picture.color(x, y) == kBlue) {
        ++n;
        ++y;
    }
    return n;
}

TEST_F(WatermarkPreview, LargeTextsGetThickerFrames)
{
    struct Case {
        WORD frame, size;
        int thickness;
    } cases[] = {{WMKFRAME_BOX, 221, 2}, {WMKFRAME_BOX, 222, 3}, {WMKFRAME_DOUBLEBOX, 221, 1}, {WMKFRAME_DOUBLEBOX, 222, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame << " " << c.size);
        WatermarkFeed feed;
        feed.text = L"I";
        feed.frame = c.frame;
        feed.size = c.size;
        const RECT page = feed.page(300, 300);
        const WindowCapture picture = show(feed);
        KeepCaptureForReview(picture, L"watermark frame " + std::to_wstring(c.frame) + L" " + std::to_wstring(c.size));
        EXPECT_EQ(TopEdgeThickness(picture, page), c.thickness);
    }
}

TEST_F(WatermarkPreview, FramesAtAnAngle)
{
    const WORD frames[] = {WMKFRAME_CIRCLE, WMKFRAME_BOX, WMKFRAME_DOUBLEBOX};
    const WORD angles[] = {0, 30, 90, 135, 200, 315};
    for (WORD frame : frames) {
        for (WORD angle : angles) {
            SCOPED_TRACE(testing::Message() << frame << " at " << angle);
            WatermarkFeed feed;
            feed.frame = frame;
            feed.angle = angle;
            const RECT page = feed.page(300, 300);
            const WindowCapture picture = show(feed);
            if (angle == 30) KeepCaptureForReview(picture, L"watermark frame " + std::to_wstring(frame) + L" at 30");
            // Frame and text stay inside the page, around its middle.
            const RECT drawn = picture.boundsOfOther(page, kWhite);
            ASSERT_LT(drawn.left, drawn.right);
            EXPECT_NEAR(drawn.left - page.left, page.right - drawn.right, 4);
            EXPECT_NEAR(drawn.top - page.top, page.bottom - drawn.bottom, 4);
        }
    }
}

TEST_F(WatermarkPreview, RepeatedTextCoversThePageWhateverTheOffset)
{
    WatermarkFeed feed;
    feed.position = WMKPOS_REPEATED;
    feed.size = 36;
    feed.angle = 45;
    feed.frame = WMKFRAME_BOX;
    const RECT page = feed.page(300, 300);
    const WindowCapture picture = show(feed);
    KeepCaptureForReview(picture, L"watermark repeated");
    const LONG mx = (page.left + page.right) / 2, my = (page.top + page.bottom) / 2;
    const RECT quarters[] = {{page.left, page.top, mx, my}, {mx, page.top, page.right, my},
                             {page.left, my, mx, page.bottom}, {mx, my, page.right, page.bottom}};
    for (const RECT& q : quarters) EXPECT_GT(picture.count(q, kBlue), 100);
    feed.offsetX = 200;
    feed.offsetY = -300;
    feed.marginX = 100;
    EXPECT_TRUE(show(feed).png() == picture.png());
}

TEST_F(WatermarkPreview, NoPaletteOnATrueColourScreen)
{
    WatermarkFeed feed;
    feed.color = RGB(1, 2, 3);
    show(feed);
    ControlState<WMKPREVIEWDATA> s(control_);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hPalette, nullptr);
}

TEST(WatermarkPreviewSizes, PagesTooLargeForTheClientHaveNoPicture)
{
    WMKPREVIEWDATA s = {};
    WATERMARKLAYOUT l;
    EXPECT_FALSE(ComputeWatermarkPage(s, 300, 300, &l)) << "no page size";
    s.wPageWidth = 595;
    s.wPageHeight = 842;
    for (int side : {0, 10, 16}) EXPECT_FALSE(ComputeWatermarkPage(s, side, 300, &l)) << side;
    // A client larger than 100 times the page (in pixels per point) has no scale.
    s.wPageWidth = s.wPageHeight = 1;
    EXPECT_FALSE(ComputeWatermarkPage(s, 400, 400, &l));
    EXPECT_TRUE(ComputeWatermarkPage(s, 90, 90, &l));
}

TEST(WatermarkPreviewSizes, ZeroStateAndSmallControlsShowTheFrameOnly)
{
    const SIZE sizes[] = {{1, 1}, {5, 5}, {16, 16}, {17, 40}, {40, 16}, {30, 30}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
        ControlHost host(100, 100);
        HWND control = host.create(WATERMARKCTL_CLASS, 0, 5, 5, size.cx, size.cy);
        ASSERT_TRUE(control);
        const RECT inner = {1, 1, size.cx - 1, size.cy - 1};
        const LONG all = std::max<LONG>(0, size.cx - 2) * std::max<LONG>(0, size.cy - 2);
        EXPECT_EQ(WindowCapture::Of(control).count(inner, ButtonFace()), all);
        WatermarkFeed feed;
        feed.frame = WMKFRAME_DOUBLEBOX;
        feed.position = WMKPOS_REPEATED;
        feed.send(control);
        // Called directly too: a fault inside a window procedure's paint may go unseen.
        HDC dc = GetDC(control);
        EXPECT_TRUE(PaintWatermarkPreview(control, dc));
        ReleaseDC(control, dc);
        const WindowCapture picture = WindowCapture::Of(control);
        if (std::min(size.cx, size.cy) <= 16) {
            EXPECT_EQ(picture.count(inner, ButtonFace()), all);
        }
    }
}

}  // namespace
