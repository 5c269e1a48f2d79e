// The canvas: a memory DC over an engine bitmap's own DIB section, or over a DIB section that holds
// a copy of the part of the surface drawn on and is copied back afterwards.
#include "canvas.h"

#include <algorithm>
#include <cstring>

namespace drveng {

bool Canvas::Open(const Target& target, const RECTL& area)
{
    Close();
    target_ = target;
    bpp_ = BitsPerPixel(target.format);
    if (!bpp_)
        return false;
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_)
        return false;
    if (target.dib && (old_ = SelectObject(dc_, target.dib)) != nullptr) {
        base_ = POINT{target.extent.left, target.extent.top};
    } else {
        // A copy of the area, from a whole byte on the left.
        const LONG left = target.extent.left + ((area.left - target.extent.left) & ~7L);
        copied_ = RECTL{left, area.top, area.right, area.bottom};
        void* bits = nullptr;
        own_ = CreateSurfaceDib(copied_.right - copied_.left, copied_.bottom - copied_.top, bpp_, true, &bits);
        if (!own_ || !bits) {
            Close();
            return false;
        }
        ownBits_ = static_cast<uint8_t*>(bits);
        ownDelta_ = static_cast<ptrdiff_t>((static_cast<size_t>(copied_.right - copied_.left) * bpp_ + 31) / 32 * 4);
        const size_t offset = static_cast<size_t>(copied_.left - target.extent.left) * bpp_ / 8;
        const size_t bytes = (static_cast<size_t>(copied_.right - copied_.left) * bpp_ + 7) / 8;
        GdiFlush();
        for (LONG y = copied_.top; y < copied_.bottom; ++y)
            std::memcpy(ownBits_ + (y - copied_.top) * ownDelta_,
                        target.scan0 + (y - target.extent.top) * target.delta + offset, bytes);
        old_ = SelectObject(dc_, own_);
        base_ = POINT{copied_.left, copied_.top};
    }
    tableSize_ = bpp_ <= 8 ? GetDIBColorTable(dc_, 0, 256, table_) : 0;
    SetGraphicsMode(dc_, GM_ADVANCED);
    SetViewportOrgEx(dc_, -base_.x, -base_.y, nullptr);
    return true;
}

void Canvas::Close()
{
    if (!dc_)
        return;
    GdiFlush();
    if (own_ && ownBits_) {
        const size_t offset = static_cast<size_t>(copied_.left - target_.extent.left) * bpp_ / 8;
        const size_t bytes = (static_cast<size_t>(copied_.right - copied_.left) * bpp_ + 7) / 8;
        for (LONG y = copied_.top; y < copied_.bottom; ++y)
            std::memcpy(target_.scan0 + (y - target_.extent.top) * target_.delta + offset,
                        ownBits_ + (y - copied_.top) * ownDelta_, bytes);
    }
    if (old_)
        SelectObject(dc_, old_);
    DeleteDC(dc_);
    if (own_)
        DeleteObject(own_);
    dc_ = nullptr;
    own_ = nullptr;
    old_ = nullptr;
    ownBits_ = nullptr;
}

COLORREF Canvas::Colour(ULONG value) const
{
    switch (bpp_) {
    case 1:
    case 4:
    case 8: {
        const RGBQUAD& q = table_[value < tableSize_ ? value : 0];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case 16: {
        const auto widen = [](ULONG five) { return static_cast<BYTE>((five << 3) | (five >> 2)); };
        return RGB(widen((value >> 10) & 31), widen((value >> 5) & 31), widen(value & 31));
    }
    default:
        return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    }
}

HBITMAP Canvas::MakeDib(LONG width, LONG height, uint8_t** bits, ptrdiff_t* delta) const
{
    void* memory = nullptr;
    HBITMAP dib = CreateSurfaceDib(width, height, bpp_, true, &memory);
    if (!dib || !memory) {
        if (dib)
            DeleteObject(dib);
        return nullptr;
    }
    *bits = static_cast<uint8_t*>(memory);
    *delta = static_cast<ptrdiff_t>((static_cast<size_t>(width) * bpp_ + 31) / 32 * 4);
    return dib;
}

bool Canvas::SelectClip(const std::vector<RECTL>& rects, bool clipped, const RECTL& area)
{
    std::vector<RECT> pieces;
    const auto add = [&](const RECTL& r) {
        const RECT cut{std::max(r.left, area.left) - base_.x, std::max(r.top, area.top) - base_.y,
                       std::min(r.right, area.right) - base_.x, std::min(r.bottom, area.bottom) - base_.y};
        if (cut.left < cut.right && cut.top < cut.bottom)
            pieces.push_back(cut);
    };
    if (clipped)
        for (const RECTL& r : rects)
            add(r);
    else
        add(area);
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + std::max<size_t>(pieces.size(), 1) * sizeof(RECT));
    auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
    rgn->rdh.dwSize = sizeof(RGNDATAHEADER);
    rgn->rdh.iType = RDH_RECTANGLES;
    rgn->rdh.nCount = static_cast<DWORD>(pieces.size());
    rgn->rdh.nRgnSize = static_cast<DWORD>(pieces.size() * sizeof(RECT));
    for (size_t i = 0; i < pieces.size(); ++i) {
        RECT& b = rgn->rdh.rcBound;
        if (i == 0)
            b = pieces[0];
        b.left = std::min(b.left, pieces[i].left);
        b.top = std::min(b.top, pieces[i].top);
        b.right = std::max(b.right, pieces[i].right);
        b.bottom = std::max(b.bottom, pieces[i].bottom);
    }
    if (!pieces.empty())
        std::memcpy(rgn->Buffer, pieces.data(), pieces.size() * sizeof(RECT));
    HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), rgn);
    if (!region)
        return false;
    const bool ok = SelectClipRgn(dc_, region) != ERROR;
    DeleteObject(region);
    return ok;
}

}  // namespace drveng
