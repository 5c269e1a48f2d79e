// Pictures from bitmap resources; see dib_picture.h.
#include "dib_picture.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "color_adjust.h"

namespace {

constexpr LONG kLargestSide = 32767;
constexpr UINT kLargestTable = 256;

bool IsKnownBitCount(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

BOOL ReadPackedDib(const void* data, SIZE_T size, DIBVIEW* view)
{
    if (!data || size < sizeof(BITMAPINFOHEADER)) return FALSE;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size) return FALSE;
    // Rows are kept whichever way round they are stored; INT_MIN has no magnitude.
    const int64_t rows = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    if (h.biWidth <= 0 || h.biWidth > kLargestSide || rows <= 0 || rows > kLargestSide) return FALSE;
    if (h.biPlanes != 1 || !IsKnownBitCount(h.biBitCount) || h.biCompression != BI_RGB) return FALSE;

    const UINT fullTable = h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
    if (h.biClrUsed > kLargestTable || (fullTable && h.biClrUsed > fullTable)) return FALSE;
    const UINT entries = h.biClrUsed ? h.biClrUsed : fullTable;

    // Colour table and pixels follow the header; biSize says where the table starts, but a
    // header longer than the usual 40 bytes also ends with the data it announces.
    const uint64_t tableOffset = h.biSize;
    const uint64_t bitsOffset = tableOffset + uint64_t{entries} * sizeof(RGBQUAD);
    const uint64_t stride = (uint64_t(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    const uint64_t image = stride * uint64_t(rows);
    if (bitsOffset > size || image > size - bitsOffset) return FALSE;
    if (h.biSizeImage > size - bitsOffset) return FALSE;

    const BYTE* base = static_cast<const BYTE*>(data);
    view->header = static_cast<const BITMAPINFOHEADER*>(data);
    view->colors = reinterpret_cast<const RGBQUAD*>(base + tableOffset);
    view->tableEntries = entries;
    view->paletteEntries = h.biBitCount <= 8 ? entries : 0;
    view->bits = base + bitsOffset;
    view->cbBits = static_cast<SIZE_T>(image);
    view->width = h.biWidth;
    view->height = static_cast<LONG>(rows);
    return TRUE;
}

HGLOBAL LoadBitmapResource(HMODULE module, UINT id)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    return found ? LoadResource(module, found) : nullptr;
}

BOOL ViewBitmapResource(HMODULE module, UINT id, HGLOBAL resource, DIBVIEW* view)
{
    if (!resource) return FALSE;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    if (!found) return FALSE;
    const void* data = LockResource(resource);
    return data && ReadPackedDib(data, SizeofResource(module, found), view);
}

HPALETTE BuildDibPalette(const DIBVIEW& dib, const COLORGAIN* gain)
{
    const UINT count = dib.paletteEntries;
    if (count == 0) return nullptr;
    auto colors = std::make_unique<RGBQUAD[]>(count);
    std::memcpy(colors.get(), dib.colors, count * sizeof(RGBQUAD));
    if (gain) AdjustColorTable(colors.get(), colors.get(), count, *gain);

    const size_t bytes = sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY);
    auto block = std::make_unique<BYTE[]>(bytes);
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.get());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (UINT i = 0; i < count; ++i) {
        logical->palPalEntry[i].peRed = colors[i].rgbRed;
        logical->palPalEntry[i].peGreen = colors[i].rgbGreen;
        logical->palPalEntry[i].peBlue = colors[i].rgbBlue;
        logical->palPalEntry[i].peFlags = 0;
    }
    return CreatePalette(logical);
}

HBITMAP DibToBitmap(HDC dc, const DIBVIEW& dib, HPALETTE palette)
{
    // The header and colour table go into a block of their own, whose table may take the
    // palette's colours; the pixels are read where they are.
    const size_t tableBytes = dib.tableEntries * sizeof(RGBQUAD);
    auto block = std::make_unique<BYTE[]>(sizeof(BITMAPINFOHEADER) + tableBytes);
    auto* info = reinterpret_cast<BITMAPINFO*>(block.get());
    std::memcpy(&info->bmiHeader, dib.header, sizeof(BITMAPINFOHEADER));
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biClrUsed = dib.tableEntries;
    if (tableBytes) std::memcpy(info->bmiColors, dib.colors, tableBytes);
    if (palette && dib.tableEntries) {
        PALETTEENTRY entries[256];
        const UINT n = GetPaletteEntries(palette, 0, dib.tableEntries, entries);
        for (UINT i = 0; i < n; ++i) {
            info->bmiColors[i].rgbRed = entries[i].peRed;
            info->bmiColors[i].rgbGreen = entries[i].peGreen;
            info->bmiColors[i].rgbBlue = entries[i].peBlue;
        }
    }
    HBITMAP bitmap = CreateCompatibleBitmap(dc, dib.width, dib.height);
    if (!bitmap) return nullptr;
    if (SetDIBits(dc, bitmap, 0, static_cast<UINT>(dib.height), dib.bits, info, DIB_RGB_COLORS) == 0) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

BOOL BuildTransparencyMask(HDC dc, HBITMAP picture, int width, int height, HBITMAP* mask, HBITMAP* whitened)
{
    *mask = nullptr;
    *whitened = nullptr;
    HBITMAP monochrome = CreateBitmap(width, height, 1, 1, nullptr);
    HBITMAP copy = CreateCompatibleBitmap(dc, width, height);
    bool ok = monochrome && copy;
    if (ok) {
        MemoryPicture source(dc, picture), m(dc, monochrome), c(dc, copy);
        ok = source.ok() && m.ok() && c.ok();
        if (ok) {
            // Colour to monochrome: pixels of the source's background colour become 1.
            SetBkColor(source.dc(), TRANSPARENT_COLOR);
            BitBlt(m.dc(), 0, 0, width, height, source.dc(), 0, 0, SRCCOPY);
            // Monochrome to colour: 1 becomes the background colour (white), 0 the text colour
            // (black), so OR turns exactly the magenta pixels white.
            BitBlt(c.dc(), 0, 0, width, height, source.dc(), 0, 0, SRCCOPY);
            SetBkColor(c.dc(), RGB(255, 255, 255));
            SetTextColor(c.dc(), RGB(0, 0, 0));
            BitBlt(c.dc(), 0, 0, width, height, m.dc(), 0, 0, SRCPAINT);
        }
    }
    if (!ok) {
        if (monochrome) DeleteObject(monochrome);
        if (copy) DeleteObject(copy);
        return FALSE;
    }
    *mask = monochrome;
    *whitened = copy;
    return TRUE;
}

HBITMAP BuildWhiteMask(HDC dc, HBITMAP picture, int width, int height)
{
    HBITMAP monochrome = CreateBitmap(width, height, 1, 1, nullptr);
    if (!monochrome) return nullptr;
    bool ok;
    {
        MemoryPicture source(dc, picture), m(dc, monochrome);
        ok = source.ok() && m.ok();
        if (ok) {
            SetBkColor(source.dc(), RGB(255, 255, 255));
            BitBlt(m.dc(), 0, 0, width, height, source.dc(), 0, 0, SRCCOPY);
        }
    }
    if (!ok) {
        DeleteObject(monochrome);
        return nullptr;
    }
    return monochrome;
}

UINT RealizePictureUnder(HDC dc, HPALETTE palette, HPALETTE* previous, BOOL background)
{
    *previous = nullptr;
    if (!palette) return 0;
    *previous = SelectPalette(dc, palette, background);
    const UINT changed = RealizePalette(dc);
    return changed == GDI_ERROR ? 0 : changed;
}

MemoryPicture::MemoryPicture(HDC dc, int width, int height)
    : dc_(CreateCompatibleDC(dc)), bitmap_(width > 0 && height > 0 ? CreateCompatibleBitmap(dc, width, height) : nullptr),
      owned_(true)
{
    if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
}

MemoryPicture::MemoryPicture(HDC dc, HBITMAP bitmap) : dc_(CreateCompatibleDC(dc)), bitmap_(bitmap)
{
    if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
}

MemoryPicture::~MemoryPicture()
{
    if (previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
    if (owned_ && bitmap_) DeleteObject(bitmap_);
}

ControlPicture::ControlPicture(HDC dc, HMODULE module, UINT id, HANDLE image, HPALETTE palette)
{
    if (!image) return;
    if (module) {
        DIBVIEW dib;
        if (!ViewBitmapResource(module, id, image, &dib)) return;
        bitmap_ = DibToBitmap(dc, dib, palette);
        owned_ = true;
        width_ = dib.width;
        height_ = dib.height;
        monochrome_ = dib.header->biBitCount == 1;
    } else {
        BITMAP info;
        if (GetObjectW(image, sizeof info, &info) != sizeof info) return;
        bitmap_ = static_cast<HBITMAP>(image);
        width_ = info.bmWidth;
        height_ = info.bmHeight;
        monochrome_ = info.bmPlanes == 1 && info.bmBitsPixel == 1;
    }
    if (!bitmap_) width_ = height_ = 0;
}

ControlPicture::~ControlPicture()
{
    if (owned_ && bitmap_) DeleteObject(bitmap_);
}

BOOL GetControlPictureSize(HMODULE module, UINT id, HANDLE image, SIZE* size)
{
    if (!image) return FALSE;
    if (module) {
        DIBVIEW dib;
        if (!ViewBitmapResource(module, id, image, &dib)) return FALSE;
        size->cx = dib.width;
        size->cy = dib.height;
        return TRUE;
    }
    BITMAP info;
    if (GetObjectW(image, sizeof info, &info) != sizeof info) return FALSE;
    size->cx = info.bmWidth;
    size->cy = info.bmHeight;
    return TRUE;
}

void FreeControlPicture(HMODULE module, HANDLE image)
{
    if (!image) return;
    if (module) {
        FreeResource(image);
    } else {
        DeleteObject(image);
    }
}

void ReplaceControlPicture(const PICTURESLOT& slot, HMODULE module, LPARAM id)
{
    FreeControlPicture(*slot.module, *slot.image);
    if (*slot.palette) DeleteObject(*slot.palette);
    *slot.palette = nullptr;
    *slot.module = module;
    if (module) {
        *slot.imageId = static_cast<UINT>(id);
        *slot.image = LoadBitmapResource(module, *slot.imageId);
    } else {
        *slot.imageId = 0;
        *slot.image = reinterpret_cast<HANDLE>(id);
    }
}

UINT RealizeControlPalette(HWND control, HPALETTE palette)
{
    if (!palette) return 0;
    HDC dc = GetDC(control);
    if (!dc) return 0;
    HPALETTE previous = nullptr;
    const UINT changed = RealizePictureUnder(dc, palette, &previous, FALSE);
    if (previous) SelectPalette(dc, previous, FALSE);
    ReleaseDC(control, dc);
    if (changed) InvalidateRect(control, nullptr, TRUE);
    return changed;
}
