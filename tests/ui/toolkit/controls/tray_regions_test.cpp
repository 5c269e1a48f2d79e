// The paper-tray picture: the picture and regions chosen for a model, the regions as the
// region picture receives them, and the Setup page's picture answering clicks and keys.
#include <gtest/gtest.h>

#include <vector>

#include "control_host.h"
#include "controls/control_state.h"
#include "controls/region_picture.h"
#include "controls/tray_regions.h"
#include "modelrecord.h"

namespace {

struct PictureCase {
    const char* what;
    WORD model;
    bool autoListed, manualListed;
    UINT selector;
    bool finishing;
    UINT bitmap;
    std::vector<int> polygons;
};

TEST(ChooseTrayPicture, Table)
{
    const PictureCase cases[] = {
        {"class 0, one tray", 0, false, false, 1, false, 322, {1, 2, 3}},
        {"class 0 with auto, one tray", 0, true, false, 1, false, 322, {6, 1, 2, 3}},
        {"class 0, manual feed, two trays", 0, false, true, 10, false, 326, {5, 2, 3, 4}},
        {"class 0, three trays: base", 0, false, false, 3, false, 321, {1, 2}},
        {"class 2, manual feed, two trays", 2, false, true, 10, false, 387, {13, 8, 9, 10}},
        {"class 2 with auto, four trays", 2, true, true, 4, true, 384, {6, 7, 8, 9, 10, 11, 12}},
        {"class 3 ignores finishing", 3, false, false, 1, true, 302, {14, 15, 16}},
        {"class 5, finishing, one tray", 5, false, false, 1, true, 417, {14, 15, 16}},
        {"class 5, no finishing, one tray", 5, false, false, 1, false, 412, {14, 15, 16}},
        {"class 5, auto and manual, two trays", 5, true, true, 2, false, 413, {20, 14, 15, 16, 17}},
        {"class 5, auto without manual: short", 5, true, false, 2, false, 413, {20, 14, 15, 16}},
        {"class 5, manual feed, four trays, finishing", 5, false, false, 12, true, 426, {14, 15, 16, 17, 18, 19}},
        {"class 6, manual feed, one tray", 6, true, true, 9, false, 435, {20, 25, 22, 23}},
        {"class 7, four trays: base", 7, false, false, 4, false, 437, {26, 27}},
        {"class 7, manual feed", 7, false, false, 8, false, 440, {30, 27}},
        {"another class, finishing, three trays", 9, false, false, 3, true, 308, {14, 15, 16, 17, 18}},
        {"another class, nothing installed", 9, false, false, 0, false, 301, {14, 15}},
        {"the extra bin: base", 2, false, false, 0x102, false, 380, {7, 8}},
        {"the extra bin, another class: base, short", 9, true, false, 0x101, true, 300, {20, 14}},
        {"an unknown selector", 6, false, false, 5, false, 431, {21, 22}},
    };
    for (const PictureCase& c : cases) {
        const TRAYPICTURE p = ChooseTrayPicture(c.model, c.autoListed, c.manualListed, c.selector, c.finishing);
        EXPECT_EQ(p.bitmapId, c.bitmap) << c.what;
        EXPECT_EQ(std::vector<int>(p.polygons, p.polygons + p.count), c.polygons) << c.what;
    }
}

// A model of the class with its sources: the automatic source and manual feed when asked, and
// tray 1 (rows of the global source table: 0 is source 7, 1 source 1, 7 source 4).
MODELINFO Model(WORD modelId, bool autoListed, bool manualListed)
{
    MODELINFO m = {};
    m.wModelID = modelId;
    if (autoListed) m.adwSourceList[m.nSources++] = 0;
    m.adwSourceList[m.nSources++] = 1;
    if (manualListed) m.adwSourceList[m.nSources++] = 7;
    return m;
}

// What a control 150 receives: the picture and every region handle as the array holds it.
struct Received {
    WPARAM module = 0;
    LPARAM bitmap = 0;
    std::vector<RECT> boxes;  // of the regions; empty rectangle for an empty region
    std::vector<DWORD> types;
};
Received g_received;

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == RSM_SETPICTURE) {
        g_received.module = wParam;
        g_received.bitmap = lParam;
        return 1;
    }
    if (message == RSM_SETREGIONS) {
        const HRGN* regions = reinterpret_cast<const HRGN*>(lParam);
        for (WPARAM i = 0; i < wParam; ++i) {
            RECT box = {};
            const DWORD type = GetObjectType(regions[i]);
            g_received.types.push_back(type);
            if (type == OBJ_REGION) GetRgnBox(regions[i], &box);
            g_received.boxes.push_back(box);
            DeleteObject(regions[i]);
        }
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(SetTrayPictureRegions, HandsOverOneRegionHandlePerSlot)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DrvTrayProbe";
    RegisterClassW(&wc);
    ControlHost host;
    ASSERT_TRUE(host.create(L"DrvTrayProbe", 0, 0, 0, 170, 135, IDC_TRAY_PICTURE));

    // Class 2 with auto, manual feed current and four trays: seven regions, the first empty.
    const MODELINFO model = Model(2, true, true);
    g_received = {};
    SetTrayPictureRegions(host.window(), 12, &model, TestPictures(), 0);
    EXPECT_EQ(g_received.module, reinterpret_cast<WPARAM>(TestPictures()));
    EXPECT_EQ(g_received.bitmap, 389);
    const int polygons[] = {6, 13, 8, 9, 10, 11, 12};
    ASSERT_EQ(g_received.types.size(), std::size(polygons));
    for (size_t i = 0; i < std::size(polygons); ++i) {
        SCOPED_TRACE(polygons[i]);
        ASSERT_EQ(g_received.types[i], static_cast<DWORD>(OBJ_REGION));
        int n = 0;
        const POINT* points = TrayPolygonPoints(polygons[i], &n);
        ASSERT_NE(points, nullptr);
        const RECT& box = g_received.boxes[i];
        if (n < 3) {
            EXPECT_TRUE(IsRectEmpty(&box));
            continue;
        }
        LONG left = points[0].x, right = left, top = points[0].y, bottom = top;
        for (int k = 1; k < n; ++k) {
            left = std::min(left, points[k].x);
            right = std::max(right, points[k].x);
            top = std::min(top, points[k].y);
            bottom = std::max(bottom, points[k].y);
        }
        EXPECT_NEAR(box.left, left, 1);
        EXPECT_NEAR(box.top, top, 1);
        EXPECT_NEAR(box.right, right, 1);
        EXPECT_NEAR(box.bottom, bottom, 1);
    }
}

// The Setup page's picture: a region picture control 150 with the dialog library's pictures.
class TrayPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(DialogLibrary(), nullptr);
        control_ = host_.create(REGIONCTL_CLASS, RGS_NATURALSIZE, 0, 0, 170, 135, IDC_TRAY_PICTURE);
        ASSERT_TRUE(control_);
    }
    std::vector<LPARAM> takeNotifications()
    {
        std::vector<LPARAM> indexes;
        for (const Notification& n : host_.notifications()) indexes.push_back(n.lParam);
        host_.notifications().clear();
        return indexes;
    }
    void click(POINT p)
    {
        SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    ControlHost host_{240, 180};
    HWND control_ = nullptr;
};

TEST_F(TrayPicture, ClicksAndArrowKeysTellTheSourceIndexes)
{
    // Class 0 with the automatic source and one optional tray: the empty place of the automatic
    // source, then R1, R2, R3.
    const MODELINFO model = Model(0, true, false);
    SetTrayPictureRegions(host_.window(), 1, &model, DialogLibrary(), 0);
    RegionCtl_SetSelection(control_, 2);
    const WindowCapture picture = WindowCapture::Of(control_);
    KeepCaptureForReview(picture, L"tray picture class 0");
    std::string message;
    EXPECT_TRUE(MatchesGolden(picture, GoldenCapture(L"tray_class0_one_tray"), &message)) << message;

    struct Click {
        POINT at;
        LPARAM index;
    } clicks[] = {{{60, 47}, 1}, {{66, 82}, 2}, {{66, 95}, 3}, {{31, 34}, -1}, {{150, 20}, -1}};
    for (const Click& c : clicks) {
        click(c.at);
        const std::vector<LPARAM> told = takeNotifications();
        if (c.index < 0) {
            EXPECT_TRUE(told.empty()) << c.at.x << "," << c.at.y;
        } else {
            EXPECT_EQ(told, std::vector<LPARAM>{c.index}) << c.at.x << "," << c.at.y;
        }
    }
    // From R3 (index 3) the right arrow wraps to the automatic source (index 0).
    SendMessageW(control_, WM_KEYUP, VK_RIGHT, 0);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{0});
    SendMessageW(control_, WM_KEYUP, VK_LEFT, 0);
    EXPECT_EQ(takeNotifications(), std::vector<LPARAM>{3});
    EXPECT_EQ(GetFocus(), control_);
}

TEST_F(TrayPicture, EveryPictureOfEveryFamilyIsInTheDialogLibrary)
{
    const WORD classes[] = {0, 2, 3, 5, 6, 7, 9};
    const UINT selectors[] = {0, 1, 2, 3, 4, 8, 9, 10, 11, 12, 0x100};
    for (WORD modelClass : classes) {
        for (UINT selector : selectors) {
            for (bool finishing : {false, true}) {
                const TRAYPICTURE p = ChooseTrayPicture(modelClass, TRUE, TRUE, selector, finishing);
                EXPECT_NE(FindResourceW(DialogLibrary(), MAKEINTRESOURCEW(p.bitmapId), RT_BITMAP), nullptr)
                    << p.bitmapId;
            }
        }
    }
}

}  // namespace
