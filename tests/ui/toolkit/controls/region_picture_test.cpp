// The region picture: selection by click and arrow keys and what the parent is told, the
// pressed frame, the current region's shading, the background, the picture at its own size or
// stretched, and the ownership of its regions.
#include <gtest/gtest.h>

#include <vector>

#include "control_host.h"
#include "controls/control_state.h"
#include "controls/region_picture.h"
#include "startup.h"

namespace {

constexpr int kId = 150;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class RegionPicture : public ::testing::Test {
protected:
    HWND make(DWORD style = 0)
    {
        if (control_) DestroyWindow(control_);
        control_ = host_.create(REGIONCTL_CLASS, style, 10, 10, 100, 80, kId);
        return control_;
    }
    // Regions 1 (10, 10)-(40, 40), 2 (50, 10)-(90, 40) and 3 (30, 30)-(70, 70), which overlaps
    // both.
    void threeRegions()
    {
        HRGN regions[3] = {CreateRectRgn(10, 10, 40, 40), CreateRectRgn(50, 10, 90, 40), CreateRectRgn(30, 30, 70, 70)};
        ASSERT_EQ(SendMessageW(control_, RSM_SETREGIONS, 3, reinterpret_cast<LPARAM>(regions)), 1);
    }
    LONG current()
    {
        ControlState<REGIONCTLDATA> s(control_);
        return s ? s->nCurrent : -1;
    }
    LONG highlight()
    {
        ControlState<REGIONCTLDATA> s(control_);
        return s ? s->nHighlight : -1;
    }
    std::vector<LPARAM> takeNotifications()
    {
        std::vector<LPARAM> indexes;
        for (const Notification& n : host_.notifications()) {
            EXPECT_EQ(n.wParam, static_cast<WPARAM>(kId));
            indexes.push_back(n.lParam);
        }
        host_.notifications().clear();
        return indexes;
    }
    void click(POINT down, POINT up)
    {
        SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
        SendMessageW(control_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(up.x, up.y));
        SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    }
    ControlHost host_{200, 150};
    HWND control_ = nullptr;
};

TEST_F(RegionPicture, ArrowKeysMoveAndWrapTheSelection)
{
    ASSERT_TRUE(make());
    threeRegions();
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(RegionCtl_SetSelection(control_, 0), 1);
    EXPECT_TRUE(takeNotifications().empty());
    struct Step {
        WPARAM key;
        LONG current;
        std::vector<LPARAM> told;
    } steps[] = {
        {VK_LEFT, 3, {2}}, {VK_RIGHT, 1, {0}}, {VK_DOWN, 2, {1}}, {VK_DOWN, 3, {2}},
        {VK_DOWN, 1, {0}}, {VK_UP, 3, {2}},    {VK_SPACE, 3, {}}, {VK_RETURN, 3, {}},
    };
    for (const Step& s : steps) {
        SendMessageW(control_, WM_KEYUP, s.key, 0);
        EXPECT_EQ(current(), s.current) << s.key;
        EXPECT_EQ(takeNotifications(), s.told) << s.key;
    }
}

TEST_F(RegionPicture, ClicksCompletedInARegionSelectIt)
{
    ASSERT_TRUE(make());
    threeRegions();
    const POINT inTwo = {60, 20}, nowhere = {95, 75}, overlap = {35, 35};
    click(inTwo, inTwo);
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{1});
    EXPECT_EQ(GetFocus(), control_);
    // The same region again is told again.
    click(inTwo, inTwo);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{1});
    // Overlapping regions: the later one.
    click(overlap, overlap);
    EXPECT_EQ(current(), 3);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{2});
    // Pressed outside every region: nothing.
    click(nowhere, inTwo);
    EXPECT_EQ(current(), 3);
    EXPECT_TRUE(takeNotifications().empty());
}

TEST_F(RegionPicture, ThePressedRegionIsFramedWhileThePointerStaysInIt)
{
    ASSERT_TRUE(make());
    threeRegions();
    RegionCtl_SetSelection(control_, 2);
    SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    EXPECT_EQ(highlight(), 1);
    const WindowCapture pressed = WindowCapture::Of(control_);
    KeepCaptureForReview(pressed, L"region pressed");
    // FrameRgn, 2 pixels wide, along the region's edge.
    EXPECT_EQ(pressed.count(RECT{10, 10, 40, 12}, kBlack), 30 * 2);
    EXPECT_EQ(pressed.count(RECT{10, 10, 12, 40}, kBlack), 30 * 2);

    SendMessageW(control_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(95, 75));
    EXPECT_EQ(highlight(), 0);
    EXPECT_EQ(WindowCapture::Of(control_).count(RECT{10, 10, 40, 12}, kBlack), 0);
    SendMessageW(control_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(highlight(), 1);
    EXPECT_EQ(WindowCapture::Of(control_).count(RECT{10, 10, 40, 12}, kBlack), 60);
    // Released outside: nothing chosen, the selection stays.
    SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(95, 75));
    EXPECT_EQ(highlight(), 0);
    EXPECT_EQ(current(), 3);
    EXPECT_TRUE(takeNotifications().empty());
}

TEST_F(RegionPicture, TheCurrentRegionIsShadedWithACheckerboard)
{
    ASSERT_TRUE(make(RGS_NOFOCUSCUE));
    threeRegions();
    RegionCtl_SetSelection(control_, 1);
    const WindowCapture picture = WindowCapture::Of(control_);
    KeepCaptureForReview(picture, L"region current");
    const RECT two = {50, 10, 90, 40};
    EXPECT_EQ(picture.count(two, kBlack), 40 * 30 / 2);
    EXPECT_EQ(picture.count(two, ButtonFace()), 40 * 30 / 2);
    EXPECT_EQ(picture.count(RECT{10, 10, 40, 30}, kBlack), 0);
    // An index beyond the regions selects the first, and tells nobody.
    host_.notifications().clear();
    RegionCtl_SetSelection(control_, 7);
    EXPECT_EQ(current(), 1);
    EXPECT_TRUE(takeNotifications().empty());
}

TEST_F(RegionPicture, BackgroundWithoutTheme)
{
    ASSERT_TRUE(make());
    EXPECT_EQ(WindowCapture::Of(control_).color(50, 50), ButtonFace());
    EXPECT_EQ(SendMessageW(control_, RSM_SETBKCOLOR, 0, RGB(10, 200, 30)), 1);
    EXPECT_EQ(WindowCapture::Of(control_).color(50, 50), RGB(10, 200, 30));
}

TEST_F(RegionPicture, WithAThemeTheTabPageBodyIsTheBackground)
{
    LoadThemeEntryPoints();
    ASSERT_TRUE(make());
    const bool themed = [this] {
        ControlState<REGIONCTLDATA> s(control_);
        return s && s->hTheme != nullptr;
    }();
    EXPECT_EQ(themed, g_bThemeAvailable != FALSE);
    SendMessageW(control_, RSM_SETBKCOLOR, 0, RGB(10, 200, 30));
    const WindowCapture picture = WindowCapture::Of(control_);
    KeepCaptureForReview(picture, L"region themed");
    EXPECT_EQ(picture.color(50, 50) == RGB(10, 200, 30), !themed);
    DestroyWindow(control_);
    control_ = nullptr;
    FreeThemeEntryPoints();
}

TEST_F(RegionPicture, PictureAtItsOwnSizeOrStretched)
{
    // 300 x 200, blue with a magenta square of 50 x 50 at the top left.
    struct Case {
        DWORD style;
        COLORREF at20x22;
    } cases[] = {{RGS_NATURALSIZE, 0}, {0, kBlue}};
    for (const Case& c : cases) {
        ASSERT_TRUE(make(c.style | RGS_NOFOCUSCUE));
        EXPECT_EQ(SendMessageW(control_, RSM_SETPICTURE, reinterpret_cast<WPARAM>(TestPictures()), 504), 1);
        const WindowCapture picture = WindowCapture::Of(control_);
        EXPECT_EQ(picture.color(10, 10), ButtonFace()) << c.style;
        EXPECT_EQ(picture.color(80, 70), kBlue) << c.style;
        EXPECT_EQ(picture.color(20, 22), c.at20x22 ? c.at20x22 : ButtonFace()) << c.style;
    }
}

TEST_F(RegionPicture, StyleBits)
{
    ASSERT_TRUE(make(0x10));
    EXPECT_EQ(SendMessageW(control_, RSM_SETSTYLE, 0, 2), -1);
    EXPECT_EQ(GetWindowLongW(control_, GWL_STYLE) & 3, 0);
    EXPECT_EQ(SendMessageW(control_, RSM_SETSTYLE, 1, 0), 1);
    EXPECT_EQ(GetWindowLongW(control_, GWL_STYLE) & 3, 0);
    EXPECT_EQ(SendMessageW(control_, RSM_SETSTYLE, 1, 2), 1);
    EXPECT_EQ(GetWindowLongW(control_, GWL_STYLE) & 0x13, 0x12);
    EXPECT_EQ(SendMessageW(control_, RSM_SETSTYLE, 1, 0x7), 1);
    EXPECT_EQ(GetWindowLongW(control_, GWL_STYLE) & 0x17, 0x13);
}

TEST_F(RegionPicture, TheFocusCueUnlessTheStyleHidesIt)
{
    for (DWORD style : {DWORD{0}, RGS_NOFOCUSCUE}) {
        ASSERT_TRUE(make(style));
        threeRegions();
        SetFocus(host_.window());
        const std::string unfocused = WindowCapture::Of(control_).png();
        SetFocus(control_);
        const std::string focused = WindowCapture::Of(control_).png();
        EXPECT_EQ(focused == unfocused, style == RGS_NOFOCUSCUE) << style;
    }
}

TEST_F(RegionPicture, TheControlOwnsItsRegions)
{
    ASSERT_TRUE(make());
    HRGN first[2] = {CreateRectRgn(0, 0, 5, 5), CreateRectRgn(5, 5, 9, 9)};
    ASSERT_EQ(SendMessageW(control_, RSM_SETREGIONS, 2, reinterpret_cast<LPARAM>(first)), 1);
    EXPECT_EQ(GetObjectType(first[0]), static_cast<DWORD>(OBJ_REGION));
    // More regions than before: the state grows; the old ones are deleted.
    HRGN second[5];
    for (int i = 0; i < 5; ++i) second[i] = CreateRectRgn(i * 10, 0, i * 10 + 8, 8);
    ASSERT_EQ(SendMessageW(control_, RSM_SETREGIONS, 5, reinterpret_cast<LPARAM>(second)), 1);
    EXPECT_EQ(GetObjectType(first[0]), 0u);
    EXPECT_EQ(GetObjectType(first[1]), 0u);
    click(POINT{44, 4}, POINT{44, 4});
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{4});
    DestroyWindow(control_);
    control_ = nullptr;
    for (HRGN r : second) EXPECT_EQ(GetObjectType(r), 0u);
}

TEST_F(RegionPicture, ArrowKeysWithoutRegionsStillTell)
{
    ASSERT_TRUE(make());
    SendMessageW(control_, WM_KEYUP, VK_RIGHT, 0);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{0});
    SendMessageW(control_, WM_KEYUP, VK_LEFT, 0);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{0xFFFF});
}

}  // namespace
