// Registration of the four custom control classes and their state slot.
#include <gtest/gtest.h>

#include <iterator>

#include "control_host.h"
#include "controls/color_adjust.h"
#include "controls/custom_controls.h"
#include "import_patch.h"

namespace {

struct ClassRow {
    LPCWSTR name;
    WNDPROC proc;
    bool buttonFace;
};
const ClassRow kClasses[] = {
    {BITMAPCTL_CLASS, MemBmpWndProc, false},
    {REGIONCTL_CLASS, RgnSelectWndProc, false},
    {WATERMARKCTL_CLASS, WatermarkProc, true},
    {LAYOUTPREVIEWCTL_CLASS, LayoutPreviewProc, true},
};

TEST(RegisterCustomControls, RegistersFourClassesOnceWithTheirAttributes)
{
    const HINSTANCE self = GetModuleHandleW(nullptr);
    ASSERT_TRUE(RegisterCustomControls(self, nullptr));
    ASSERT_TRUE(RegisterCustomControls(self, nullptr)) << "a second registration keeps the classes";
    for (const ClassRow& c : kClasses) {
        WNDCLASSW wc = {};
        ASSERT_TRUE(GetClassInfoW(self, c.name, &wc)) << c.name;
        EXPECT_EQ(wc.lpfnWndProc, c.proc) << c.name;
        EXPECT_EQ(wc.style, CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW) << c.name;
        EXPECT_EQ(wc.cbClsExtra, 0) << c.name;
        // The state block's handle is as wide as a pointer; a 4-byte slot would cut it on 64-bit
        // systems.
        EXPECT_GE(wc.cbWndExtra, static_cast<int>(sizeof(HGLOBAL))) << c.name;
        EXPECT_EQ(wc.hbrBackground, c.buttonFace ? reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1) : nullptr) << c.name;
        EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW)) << c.name;
    }
}

LRESULT CALLBACK OtherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(RegisterCustomControls, AClassWithAnotherProcedureIsRegisteredAnew)
{
    const HINSTANCE self = GetModuleHandleW(nullptr);
    ASSERT_TRUE(RegisterCustomControls(self, nullptr));
    ASSERT_TRUE(UnregisterClassW(REGIONCTL_CLASS, self));
    WNDCLASSW other = {};
    other.lpfnWndProc = OtherProc;
    other.hInstance = self;
    other.lpszClassName = REGIONCTL_CLASS;
    ASSERT_TRUE(RegisterClassW(&other));

    ASSERT_TRUE(RegisterCustomControls(self, nullptr));
    WNDCLASSW wc = {};
    ASSERT_TRUE(GetClassInfoW(self, REGIONCTL_CLASS, &wc));
    EXPECT_EQ(wc.lpfnWndProc, RgnSelectWndProc);
}

TEST(RegisterCustomControls, TheNameModuleRenamesAClass)
{
    const HINSTANCE self = GetModuleHandleW(nullptr);
    ASSERT_NE(TestPictures(), nullptr);
    ASSERT_TRUE(RegisterCustomControls(self, TestPictures()));
    WNDCLASSW wc = {};
    ASSERT_TRUE(GetClassInfoW(self, L"TestLayoutPreviewClass", &wc));
    EXPECT_EQ(wc.lpfnWndProc, LayoutPreviewProc);
    // The classes the module does not rename keep their built-in names.
    EXPECT_TRUE(GetClassInfoW(self, BITMAPCTL_CLASS, &wc));
    EXPECT_EQ(wc.lpfnWndProc, MemBmpWndProc);
    UnregisterClassW(L"TestLayoutPreviewClass", self);
}

// RegisterClassW refusing one class name, calling through for the others.
class RefusedClass {
public:
    explicit RefusedClass(LPCWSTR name)
        : patch_((s_name = name, SelfModule()), "user32.dll", "RegisterClassW", reinterpret_cast<const void*>(&Fake))
    {
        s_real = patch_.original<decltype(&RegisterClassW)>();
    }
    bool active() const { return patch_.active(); }

private:
    static ATOM WINAPI Fake(const WNDCLASSW* wc)
    {
        if (lstrcmpW(wc->lpszClassName, s_name) == 0) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        return s_real(wc);
    }
    static inline LPCWSTR s_name = nullptr;
    static inline decltype(&RegisterClassW) s_real = nullptr;
    ImportPatch patch_;
};

TEST(RegisterCustomControls, AFailedRegistrationUndoesTheOthers)
{
    const HINSTANCE self = GetModuleHandleW(nullptr);
    for (const ClassRow& c : kClasses) UnregisterClassW(c.name, self);
    {
        RefusedClass refused(WATERMARKCTL_CLASS);
        ASSERT_TRUE(refused.active());
        EXPECT_FALSE(RegisterCustomControls(self, nullptr));
        WNDCLASSW wc = {};
        for (const ClassRow& c : kClasses) EXPECT_FALSE(GetClassInfoW(self, c.name, &wc)) << c.name;
    }
    EXPECT_TRUE(RegisterCustomControls(self, nullptr));
}

TEST(CustomControlWrappers, SendTheirMessages)
{
    ControlHost host;
    HWND button = host.create(BITMAPCTL_CLASS, 0, 10, 10, 40, 30);
    HWND region = host.create(REGIONCTL_CLASS, 0, 60, 10, 60, 40);
    ASSERT_TRUE(button && region);

    EXPECT_EQ(SendMessageW(button, MBM_QUERY, 0, 0), 1);
    EXPECT_EQ(BitmapCtl_SetCheck(button, TRUE, FALSE), 0);
    EXPECT_EQ(SendMessageW(button, MBM_GETCHECK, 0, 0), TRUE);
    EXPECT_EQ(BitmapCtl_SetImage(button, TestPictures(), 500), 0);
    EXPECT_NE(SendMessageW(button, MBM_GETIMAGE, 0, 0), 0);
    // Without colour table there is no palette to realise.
    EXPECT_EQ(BitmapCtl_SetImage(button, TestPictures(), 502), 0);
    EXPECT_EQ(BitmapCtl_SetColorAdjust(button, nullptr), 0);
    const COLORADJUST adjust = {{10, 10, 10}, {0, 0, 0}, 0};
    EXPECT_EQ(BitmapCtl_SetColorAdjust(button, &adjust), 0);

    EXPECT_EQ(RegionCtl_SetSelection(region, 0), 1);
    EXPECT_EQ(SendMessageW(region, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    DestroyWindow(button);
    DestroyWindow(region);
}

}  // namespace
