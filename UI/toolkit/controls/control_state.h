// The state block of a custom control: a zero-initialised moveable global block whose handle is
// window long 0, locked while one message is handled.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

// Allocates a zero-initialised moveable block of bytes and makes it the window's state; FALSE
// when the allocation fails (the window then has no state).
BOOL AllocControlState(HWND window, SIZE_T bytes);
// Frees the window's state block and clears window long 0.
void FreeControlState(HWND window);
// The window's state block; NULL when it has none.
inline HGLOBAL ControlStateHandle(HWND window)
{
    return reinterpret_cast<HGLOBAL>(GetWindowLongPtrW(window, 0));
}

// The window's state, locked for the object's life; empty (false) when the window has none.
template <class T>
class ControlState {
public:
    explicit ControlState(HWND window)
        : handle_(ControlStateHandle(window)), data_(handle_ ? static_cast<T*>(GlobalLock(handle_)) : nullptr)
    {
    }
    ~ControlState() { unlock(); }
    ControlState(const ControlState&) = delete;
    ControlState& operator=(const ControlState&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    T* get() const { return data_; }
    T* operator->() const { return data_; }
    T& operator*() const { return *data_; }
    // Unlocks early (before the block is resized or freed).
    void unlock()
    {
        if (data_) GlobalUnlock(handle_);
        data_ = nullptr;
    }

private:
    HGLOBAL handle_;
    T* data_;
};

// WM_PAINT of a control: paint(dc) between BeginPaint and EndPaint.
template <class Paint>
void PaintControl(HWND window, Paint paint)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) paint(dc);
    EndPaint(window, &ps);
}

#endif  // DRV_BUILD_UM
