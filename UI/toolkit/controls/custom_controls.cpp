// Registration of the custom control classes, their state blocks and the wrappers of their
// messages; see custom_controls.h.
#include "custom_controls.h"

#include <iterator>

#include "control_state.h"
#include "langres.h"
#include "startup.h"

namespace {

struct CUSTOMCLASS {
    UINT nameId;
    LPCWSTR builtInName;
    WNDPROC windowProc;
    HBRUSH background;  // class brush: a system colour index + 1, or none
};

// In the order of registration; undone in the reverse order.
const CUSTOMCLASS kClasses[] = {
    {IDS_BITMAPCTL_CLASS, BITMAPCTL_CLASS, MemBmpWndProc, nullptr},
    {IDS_REGIONCTL_CLASS, REGIONCTL_CLASS, RgnSelectWndProc, nullptr},
    {IDS_WATERMARKCTL_CLASS, WATERMARKCTL_CLASS, WatermarkProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)},
    {IDS_LAYOUTPREVIEWCTL_CLASS, LAYOUTPREVIEWCTL_CLASS, LayoutPreviewProc,
     reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)},
};

// The class name that nameModule gives, or the built-in one.
void LoadClassName(HMODULE nameModule, const CUSTOMCLASS& cls, WCHAR (&name)[CUSTOMCTL_NAME_CCH])
{
    if (LoadLangString(nameModule, cls.nameId, name, CUSTOMCTL_NAME_CCH) <= 0) {
        lstrcpynW(name, cls.builtInName, CUSTOMCTL_NAME_CCH);
    }
}

BOOL RegisterOne(HINSTANCE instance, const CUSTOMCLASS& cls, LPCWSTR name)
{
    WNDCLASSW existing = {};
    if (GetClassInfoW(instance, name, &existing)) {
        if (existing.lpfnWndProc == cls.windowProc) return TRUE;
        UnregisterClassW(name, instance);
    }
    WNDCLASSW wc = {};
    wc.style = CUSTOMCTL_CLASS_STYLE;
    wc.lpfnWndProc = cls.windowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = CUSTOMCTL_WND_EXTRA;
    wc.hInstance = instance;
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = cls.background;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = name;
    return RegisterClassW(&wc) != 0;
}

}  // namespace

BOOL RegisterCustomControls(HINSTANCE instance, HMODULE nameModule)
{
    WCHAR name[CUSTOMCTL_NAME_CCH];
    for (size_t i = 0; i < std::size(kClasses); ++i) {
        LoadClassName(nameModule, kClasses[i], name);
        if (RegisterOne(instance, kClasses[i], name)) continue;
        for (size_t k = i + 1; k-- > 0;) {
            LoadClassName(nameModule, kClasses[k], name);
            UnregisterClassW(name, instance);
        }
        return FALSE;
    }
    return TRUE;
}

BOOL AllocControlState(HWND window, SIZE_T bytes)
{
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    if (!block) return FALSE;
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(block));
    return TRUE;
}

void FreeControlState(HWND window)
{
    HGLOBAL block = ControlStateHandle(window);
    SetWindowLongPtrW(window, 0, 0);
    if (block) GlobalFree(block);
}

LRESULT BitmapCtl_SetImage(HWND control, HMODULE module, UINT bitmapId)
{
    return SendMessageW(control, MBM_SETIMAGE, reinterpret_cast<WPARAM>(module), static_cast<LPARAM>(bitmapId));
}

LRESULT BitmapCtl_SetCheck(HWND control, BOOL checked, BOOL redraw)
{
    return SendMessageW(control, MBM_SETCHECK, static_cast<WPARAM>(checked), static_cast<LPARAM>(redraw));
}

LRESULT BitmapCtl_SetColorAdjust(HWND control, const COLORADJUST* adjust)
{
    if (!adjust) return SendMessageW(control, WM_QUERYNEWPALETTE, 0, 0);
    return SendMessageW(control, MBM_SETCOLORADJUST, 0, reinterpret_cast<LPARAM>(adjust));
}

LRESULT RegionCtl_SetSelection(HWND control, int index)
{
    return SendMessageW(control, RSM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

HTHEME OpenControlTheme(HWND control, LPCWSTR themeClass)
{
    return g_bThemeAvailable && g_pfnOpenThemeData ? g_pfnOpenThemeData(control, themeClass) : nullptr;
}

void CloseControlTheme(HTHEME* theme)
{
    if (*theme && g_pfnCloseThemeData) g_pfnCloseThemeData(*theme);
    *theme = nullptr;
}
