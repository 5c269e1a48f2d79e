// Pictures of windows for tests: let a window process its paint messages, copy what its window
// device context shows into a DIB section, and look at the pixels or write them as a PNG file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Processes every message waiting for the thread's windows (paints included).
void PumpMessages();

class WindowCapture {
public:
    // The client area of window, after its paint messages were processed.
    static WindowCapture Of(HWND window);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }
    // 0x00RRGGBB; outside the picture 0xFFFFFFFF.
    uint32_t at(int x, int y) const;
    COLORREF color(int x, int y) const;
    // Pixels of the colour inside the rectangle.
    int count(const RECT& area, COLORREF color) const;
    // The smallest rectangle holding every pixel that differs from background (empty when none).
    RECT boundsOfOther(const RECT& area, COLORREF background) const;
    // The picture as PNG bytes (indexed up to 256 colours, else RGB; stored blocks: the same
    // pixels always give the same bytes).
    std::string png() const;
    bool writePng(const std::wstring& path) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// Writes the capture below the folder named by the environment variable DRV_CAPTURE_DIR (as
// name.png), when it is set, for a person to look at.
void KeepCaptureForReview(const WindowCapture& capture, const std::wstring& name);

// Compares the capture with a reviewed golden PNG (byte for byte, which is pixel for pixel for
// PNGs this helper writes). With DRV_UPDATE_GOLDEN set the golden is written instead.
bool MatchesGolden(const WindowCapture& capture, const std::wstring& goldenPath, std::string* message);
