// A parent window for the custom controls under test: a visible top-level window that paints
// the button-face colour, answers WM_GETFONT with the default GUI font and records the
// WM_COMMAND notifications its children send. Also the modules the tests take pictures from.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/custom_controls.h"
#include "module.h"
#include "test_files.h"
#include "window_capture.h"

struct Notification {
    WPARAM wParam;
    LPARAM lParam;
};

class ControlHost {
public:
    explicit ControlHost(int width = 320, int height = 240)
    {
        Register();
        window_ = CreateWindowExW(0, kClass, L"controls", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), this);
        PumpMessages();
    }
    ~ControlHost()
    {
        if (window_) DestroyWindow(window_);
        PumpMessages();
    }
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    HWND window() const { return window_; }
    // A child control of the class with the style (WS_CHILD | WS_VISIBLE added).
    HWND create(LPCWSTR className, DWORD style, int x, int y, int width, int height, int id = 100,
                LPCWSTR text = L"") const
    {
        HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                       window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       GetModuleHandleW(nullptr), nullptr);
        PumpMessages();
        return control;
    }
    std::vector<Notification>& notifications() { return notifications_; }

    // The custom classes, registered once with the test program's module.
    static bool RegisterControls()
    {
        static const BOOL registered = RegisterCustomControls(GetModuleHandleW(nullptr), nullptr);
        return registered != FALSE;
    }

private:
    static constexpr WCHAR kClass[] = L"DrvControlTestHost";

    static void Register()
    {
        static const ATOM atom = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = kClass;
            return RegisterClassW(&wc);
        }();
        (void)atom;
        RegisterControls();
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<ControlHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_COMMAND:
            if (self) self->notifications_.push_back({wParam, lParam});
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    HWND window_ = nullptr;
    std::vector<Notification> notifications_;
};

// A test with one control of a class in a host window, fed by a record with send(HWND) and
// captured.
template <const WCHAR* ClassName, int Width, int Height>
class FedControlTest : public ::testing::Test {
protected:
    void SetUp() override { control_ = host_.create(ClassName, 0, 0, 0, Width, Height); }
    template <class Feed>
    WindowCapture show(const Feed& feed)
    {
        feed.send(control_);
        return WindowCapture::Of(control_);
    }
    ControlHost host_{Width + 20, Height + 20};
    HWND control_ = nullptr;
};

// The tests' own pictures (bin/fixtures/controls.dll) and the staged dialog library.
inline HMODULE TestPictures()
{
    static const HMODULE module = LoadLibraryW((ExeFolder() + L"fixtures\\controls.dll").c_str());
    return module;
}
inline HMODULE DialogLibrary()
{
    static const HMODULE module = LoadLibraryW((StagedDriverFolder() + DRV_MODULE_NAMEW L"RENU.DLL").c_str());
    return module;
}

// Screen colours the controls use.
inline COLORREF ButtonFace()
{
    return GetSysColor(COLOR_BTNFACE);
}

// A file of the reviewed golden captures.
inline std::wstring GoldenCapture(const wchar_t* name)
{
    return std::wstring(Widen(DRV_GOLDEN_CAPTURE_DIR)) + name + L".png";
}
