// A GDI device context over the memory of an engine surface (or of part of one), on which the
// engine draws what a driver hands back, so that raster operations, brush origins and fill rules
// are GDI's own.
#pragma once
#include "engine_objects.h"

namespace drveng {

// Memory that holds the pixels of a rectangle of surface coordinates.
struct Target {
    uint8_t* scan0 = nullptr;  // pixel (extent.left, extent.top)
    ptrdiff_t delta = 0;
    ULONG format = 0;
    RECTL extent = {};
    HBITMAP dib = nullptr;     // a DIB section over exactly that memory, or nullptr
};

class Canvas {
public:
    Canvas() = default;
    ~Canvas() { Close(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // A device context whose drawing in surface coordinates lands in the target; only the area
    // (within the target's extent, not empty) is kept. false when GDI refuses.
    bool Open(const Target& target, const RECTL& area);
    // Lands the drawing in the target's memory and ends the device context.
    void Close();

    HDC dc() const { return dc_; }
    // The surface coordinates of the device context's pixel (0, 0).
    POINT base() const { return base_; }
    ULONG bpp() const { return bpp_; }
    // The colour GDI draws as exactly the pixel value on this canvas.
    COLORREF Colour(ULONG value) const;
    // A DIB section in the canvas's format and colours (every canvas has the engine's colour
    // table), top-down; its rows are delta bytes apart.
    HBITMAP MakeDib(LONG width, LONG height, uint8_t** bits, ptrdiff_t* delta) const;
    // Limits drawing to the rectangles (surface coordinates) within the area.
    bool SelectClip(const std::vector<RECTL>& rects, bool clipped, const RECTL& area);

private:
    Target target_;
    RECTL copied_ = {};   // the part of the target copied into own_, in surface coordinates
    HDC dc_ = nullptr;
    HBITMAP own_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint8_t* ownBits_ = nullptr;
    ptrdiff_t ownDelta_ = 0;
    POINT base_ = {};
    ULONG bpp_ = 0;
    RGBQUAD table_[256] = {};
    UINT tableSize_ = 0;
};

}  // namespace drveng
