// The picture button: its layout by style, how it draws its picture (transparent, opaque,
// checked, disabled, monochrome, colour-adjusted), its clicks, and damaged bitmaps.
#include <gtest/gtest.h>

#include <string>

#include "control_host.h"
#include "controls/control_state.h"
#include "controls/picture_button.h"
#include "startup.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kHalfTransparent = 500;  // 40 x 30, left half red, right half magenta
constexpr UINT kStripes = 501;          // 40 x 10, four stripes, with colour table
constexpr UINT kStripesNoTable = 502;   // the same at 24 bits per pixel
constexpr UINT kMonochrome = 503;       // 16 x 16, left half black, right half white
constexpr UINT kGreen = 505;
constexpr int kId = 321;

class PictureButton : public ::testing::Test {
protected:
    HWND make(DWORD style, int width = 60, int height = 40, LPCWSTR text = L"")
    {
        if (button_) DestroyWindow(button_);
        button_ = host_.create(BITMAPCTL_CLASS, style, 10, 10, width, height, kId, text);
        return button_;
    }
    WindowCapture show(UINT picture)
    {
        BitmapCtl_SetImage(button_, TestPictures(), picture);
        return WindowCapture::Of(button_);
    }
    BITMAPCTLDATA state()
    {
        ControlState<BITMAPCTLDATA> s(button_);
        return s ? *s : BITMAPCTLDATA{};
    }
    ControlHost host_{200, 120};
    HWND button_ = nullptr;
};

TEST_F(PictureButton, LayoutByStyle)
{
    struct Case {
        const char* what;
        DWORD style;
        SIZE client;
        RECT image;
        LONG xSrc, ySrc, cxSrc, cySrc;
    } cases[] = {
        {"whole client", 0x0, {60, 40}, {0, 0, 60, 40}, 0, 0, 40, 30},
        {"top left", 0x5, {60, 40}, {0, 0, 40, 30}, 0, 0, 40, 30},
        {"centred", 0xA, {60, 40}, {10, 5, 50, 35}, 0, 0, 40, 30},
        {"bottom right", 0xF, {60, 40}, {20, 10, 60, 40}, 0, 0, 40, 30},
        {"3-D face", 0x205, {60, 40}, {2, 2, 42, 32}, 0, 0, 40, 30},
        {"3-D face and frame", 0x605, {60, 40}, {3, 3, 43, 33}, 0, 0, 40, 30},
        {"centred, cut on every side", 0xA, {30, 20}, {0, 0, 30, 20}, 5, 5, 30, 20},
        {"bottom right, cut", 0xF, {30, 20}, {0, 0, 30, 20}, 10, 10, 30, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(make(c.style, c.client.cx, c.client.cy));
        BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
        const BITMAPCTLDATA s = state();
        EXPECT_TRUE(EqualRect(&s.rcImage, &c.image))
            << s.rcImage.left << "," << s.rcImage.top << "," << s.rcImage.right << "," << s.rcImage.bottom;
        EXPECT_EQ(s.xSrc, c.xSrc);
        EXPECT_EQ(s.ySrc, c.ySrc);
        EXPECT_EQ(s.cxSrc, c.cxSrc);
        EXPECT_EQ(s.cySrc, c.cySrc);
        EXPECT_EQ(s.xDest, c.image.left);
        EXPECT_EQ(s.cyDest, c.image.bottom - c.image.top);
        if (c.style & BMS_3DFACE) {
            RECT face = c.image;
            InflateRect(&face, 2, 2);
            EXPECT_TRUE(EqualRect(&s.rcFace, &face));
        }
    }
}

TEST_F(PictureButton, CaptionBelowTheImageCutAt63Characters)
{
    // Image at the top, centred; caption below it, centred.
    ASSERT_TRUE(make(0x1 | 0x8 | 0x30 | 0x80, 120, 80, L"Caption"));
    BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
    BITMAPCTLDATA s = state();
    EXPECT_EQ(s.yCaption, s.rcImage.bottom + 1);
    const LONG width = s.rcCaption.right - s.rcCaption.left;
    EXPECT_GT(width, 0);
    EXPECT_EQ(s.xCaption, s.rcImage.left + (s.rcImage.right - width - s.rcImage.left) / 2);

    const std::wstring sixtyThree(63, L'w'), eighty(80, L'w');
    ASSERT_TRUE(make(0x1 | 0x4 | 0x30 | 0x40, 120, 80, sixtyThree.c_str()));
    BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
    const LONG cut = state().xCaption;
    ASSERT_TRUE(make(0x1 | 0x4 | 0x30 | 0x40, 120, 80, eighty.c_str()));
    BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
    EXPECT_EQ(state().xCaption, cut);
}

TEST_F(PictureButton, LooksOfThePicture)
{
    const COLORREF face = ButtonFace();
    struct Case {
        const char* what;
        DWORD style;
        UINT picture;
        bool checked, disabled;
        POINT probe;
        COLORREF color;
    } cases[] = {
        {"transparent magenta", 0x5, kHalfTransparent, false, false, {30, 5}, face},
        {"picture", 0x5, kHalfTransparent, false, false, {5, 5}, kRed},
        {"beside the picture", 0x5, kHalfTransparent, false, false, {50, 35}, face},
        {"opaque magenta", 0x8005, kHalfTransparent, false, false, {30, 5}, kMagenta},
        {"checked and inverted", 0x2005, kHalfTransparent, true, false, {5, 5}, RGB(0, 255, 255)},
        {"inverted keeps transparency", 0x2005, kHalfTransparent, true, false, {30, 5}, face},
        {"checked without inversion", 0x5, kHalfTransparent, true, false, {5, 5}, kRed},
        {"disabled greys the shape", 0x5, kHalfTransparent, false, true, {10, 10}, GetSysColor(COLOR_GRAYTEXT)},
        {"monochrome black", 0x5, kMonochrome, false, false, {3, 5}, kBlack},
        {"monochrome white is not transparent", 0x5, kMonochrome, false, false, {12, 5}, kWhite},
        {"a picture without colour table", 0x5, kStripesNoTable, false, false, {25, 5}, RGB(128, 128, 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(make(c.style));
        SendMessageW(button_, MBM_SETCHECK, c.checked, 0);
        SendMessageW(button_, MBM_SETDISABLED, c.disabled, 0);
        const WindowCapture picture = show(c.picture);
        KeepCaptureForReview(picture, Widen(std::string("button ") + c.what));
        EXPECT_EQ(picture.color(c.probe.x, c.probe.y), c.color) << std::hex << picture.color(c.probe.x, c.probe.y);
        if (c.disabled) {
            EXPECT_EQ(picture.count(RECT{0, 0, 60, 40}, kRed), 0);
        }
    }
}

TEST_F(PictureButton, ColourAdjustedPalette)
{
    struct Case {
        const char* what;
        DWORD style;
        UINT picture;
        COLORADJUST adjust;
        COLORREF stripes[4];
    } cases[] = {
        {"unchanged", 0x4005, kStripes, {{0, 0, 0}, {0, 0, 0}, 0},
         {RGB(200, 100, 50), RGB(100, 150, 200), RGB(128, 128, 128), RGB(32, 64, 96)}},
        {"brighter", 0x4005, kStripes, {{50, 50, 50}, {0, 0, 0}, 0},
         {RGB(250, 150, 100), RGB(150, 200, 250), RGB(178, 178, 178), RGB(82, 114, 146)}},
        {"grey by saturation", 0x4005, kStripes, {{0, 0, 0}, {0, 0, 0}, -100},
         {RGB(200, 200, 200), RGB(200, 200, 200), RGB(128, 128, 128), RGB(96, 96, 96)}},
        {"flat", 0x4005, kStripes, {{0, 0, 0}, {-128, -128, -128}, 0},
         {RGB(128, 128, 128), RGB(128, 128, 128), RGB(128, 128, 128), RGB(128, 128, 128)}},
        {"not asked for by the style", 0x0005, kStripes, {{50, 50, 50}, {0, 0, 0}, 0},
         {RGB(200, 100, 50), RGB(100, 150, 200), RGB(128, 128, 128), RGB(32, 64, 96)}},
        {"no colour table to adjust", 0x4005, kStripesNoTable, {{50, 50, 50}, {0, 0, 0}, 0},
         {RGB(200, 100, 50), RGB(100, 150, 200), RGB(128, 128, 128), RGB(32, 64, 96)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(make(c.style));
        BitmapCtl_SetColorAdjust(button_, &c.adjust);
        const WindowCapture picture = show(c.picture);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(picture.color(5 + 10 * k, 5), c.stripes[k]) << k << ": " << std::hex << picture.color(5 + 10 * k, 5);
        }
    }
}

TEST_F(PictureButton, ClicksOfAPushButton)
{
    const LPARAM inside = MAKELPARAM(5, 5), outside = MAKELPARAM(50, 35);
    struct Case {
        const char* what;
        DWORD style;
        bool disabled;
        LPARAM down, move, up;
        int notifications;
    } cases[] = {
        {"pressed and released inside", 0x105, false, inside, inside, inside, 1},
        {"released outside", 0x105, false, inside, outside, outside, 0},
        {"pressed outside", 0x105, false, outside, inside, inside, 0},
        {"disabled", 0x105, true, inside, inside, inside, 0},
        {"not a push button", 0x005, false, inside, inside, inside, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(make(c.style));
        BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
        SendMessageW(button_, MBM_SETDISABLED, c.disabled, 0);
        host_.notifications().clear();
        SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, c.down);
        SendMessageW(button_, WM_MOUSEMOVE, MK_LBUTTON, c.move);
        SendMessageW(button_, WM_LBUTTONUP, 0, c.up);
        ASSERT_EQ(static_cast<int>(host_.notifications().size()), c.notifications);
        if (c.notifications) {
            EXPECT_EQ(host_.notifications()[0].wParam, static_cast<WPARAM>(kId));
            EXPECT_EQ(host_.notifications()[0].lParam, BITMAPCTL_CLICKED);
        }
        host_.notifications().clear();
        SendMessageW(button_, WM_KEYUP, VK_SPACE, 0);
        SendMessageW(button_, WM_KEYUP, VK_RETURN, 0);
        EXPECT_EQ(static_cast<int>(host_.notifications().size()), (c.style & BMS_PUSHBUTTON) && !c.disabled ? 1 : 0);
    }
}

TEST_F(PictureButton, APressedButtonTakesTheFocusAndDrawsItsPictureMoved)
{
    // A push button with a 3-D face, the picture at the top left inside its 2-pixel border.
    ASSERT_TRUE(make(0x305));
    BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
    EXPECT_EQ(WindowCapture::Of(button_).color(2, 10), kRed);
    SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(GetFocus(), button_);
    EXPECT_TRUE(state().bPressed);
    const WindowCapture pressed = WindowCapture::Of(button_);
    KeepCaptureForReview(pressed, L"button pressed");
    // Pressed, the face is sunk and the picture moves one pixel right and down.
    EXPECT_EQ(pressed.color(0, 10), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pressed.color(2, 10), ButtonFace());
    EXPECT_EQ(pressed.color(3, 10), kRed);
    SendMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(state().bPressed);
    ReleaseCapture();
}

TEST_F(PictureButton, DamagedBitmapsDrawNothing)
{
    // Header size, colour count, height, image size, a cut resource, bit count, the lowest
    // height, and a header of another kind.
    const UINT damaged[] = {510, 511, 512, 513, 514, 515, 516, 517};
    for (UINT id : damaged) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(make(0xA));
        const WindowCapture picture = show(id);
        EXPECT_EQ(picture.count(RECT{0, 0, 60, 40}, kRed), 0);
        const BITMAPCTLDATA s = state();
        EXPECT_EQ(s.hPalette, nullptr);
        // Laid out as a 2 x 2 picture.
        EXPECT_EQ(s.rcImage.right - s.rcImage.left, 2);
        EXPECT_EQ(s.rcImage.bottom - s.rcImage.top, 2);
    }
    // A sound picture afterwards draws again.
    EXPECT_GT(show(kGreen).count(RECT{0, 0, 60, 40}, RGB(0, 255, 0)), 1000);
}

TEST_F(PictureButton, AMissingPictureLeavesTheFaceAlone)
{
    ASSERT_TRUE(make(0x20A));
    const WindowCapture picture = show(9999);
    EXPECT_EQ(state().hImage, nullptr);
    EXPECT_EQ(picture.count(RECT{0, 0, 60, 40}, kRed), 0);
    EXPECT_EQ(picture.color(30, 20), ButtonFace());
}

}  // namespace

namespace {

TEST(PictureButtonTheme, FaceStates)
{
    struct Case {
        BOOL pressed, hot, disabled, checked;
        int state;
    } cases[] = {
        {TRUE, FALSE, FALSE, FALSE, 3}, {TRUE, TRUE, TRUE, FALSE, 3},  {FALSE, TRUE, FALSE, FALSE, 2},
        {FALSE, TRUE, FALSE, TRUE, 2},  {FALSE, TRUE, TRUE, FALSE, 4}, {FALSE, TRUE, TRUE, TRUE, 3},
        {FALSE, FALSE, TRUE, TRUE, 3},  {FALSE, FALSE, TRUE, FALSE, 4}, {FALSE, FALSE, FALSE, TRUE, 3},
        {FALSE, FALSE, FALSE, FALSE, 1},
    };
    for (const Case& c : cases) {
        BITMAPCTLDATA s = {};
        s.bPressed = c.pressed;
        s.bHot = c.hot;
        s.bDisabled = c.disabled;
        s.bChecked = c.checked;
        EXPECT_EQ(BitmapCtl_ThemeState(&s), c.state) << c.pressed << c.hot << c.disabled << c.checked;
    }
}

// The theme and mouse-tracking entry points as the library's start-up takes them.
class ThemeEntryPoints {
public:
    ThemeEntryPoints() { LoadThemeEntryPoints(); }
    ~ThemeEntryPoints() { FreeThemeEntryPoints(); }
};

TEST_F(PictureButton, HoverIsTrackedWhileTheMouseIsOver)
{
    ThemeEntryPoints theme;
    ASSERT_NE(g_pfnTrackMouseEvent, nullptr);
    ASSERT_TRUE(make(0x305));
    BitmapCtl_SetImage(button_, TestPictures(), kHalfTransparent);
    SendMessageW(button_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(state().bHot);
    const WindowCapture hot = WindowCapture::Of(button_);
    KeepCaptureForReview(hot, L"button hot");
    SendMessageW(button_, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(state().bHot);
    // A disabled button does not arm the tracking.
    SendMessageW(button_, MBM_SETDISABLED, 1, 0);
    SendMessageW(button_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(state().bHot);
    // Only the theme's push button has a hot look.
    SendMessageW(button_, MBM_SETDISABLED, 0, 0);
    const bool themed = state().hTheme != nullptr;
    EXPECT_EQ(themed, g_bThemeAvailable != FALSE);
    const std::string normal = WindowCapture::Of(button_).png();
    EXPECT_EQ(hot.png() == normal, !themed);
    // A theme change closes the theme and opens it again.
    SendMessageW(button_, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(state().hTheme != nullptr, themed);
}

}  // namespace
