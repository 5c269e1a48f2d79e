// Pictures from bitmap resources (packed DIBs) as the picture button and the region picture
// draw them: the resource checked against its size, the palette of its colour table, the
// bitmap with the palette's colours, and the magenta transparency mask.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

struct COLORGAIN;

// The colour that marks transparent pixels.
constexpr COLORREF TRANSPARENT_COLOR = RGB(255, 0, 255);

// A packed DIB whose header, colour table and pixels all lie inside its resource.
struct DIBVIEW {
    const BITMAPINFOHEADER* header;
    const RGBQUAD* colors;   // colour table right after the header
    UINT tableEntries;       // entries of the colour table
    UINT paletteEntries;     // entries that make the picture's palette: 0 above 8 bits per pixel
    const BYTE* bits;
    SIZE_T cbBits;           // bytes of pixels: whole rows rounded up to 4 bytes
    LONG width;
    LONG height;             // rows, whichever way they are stored
};

// Checks a packed DIB of size bytes and describes it. FALSE (a picture that is not drawn) for:
// a header shorter than BITMAPINFOHEADER or longer than the data, a width or height that is
// not positive (a height may be negative for top-down rows) or above 32767, other than one
// plane, a bit count other than 1, 4, 8, 16, 24 or 32, compression, a colour count above
// 2^bits (up to 8 bits) or above 256, and a colour table, pixels or image size that reach
// beyond size.
BOOL ReadPackedDib(const void* data, SIZE_T size, DIBVIEW* view);

// FindResourceW and LoadResource of bitmap id of module; NULL when either fails.
HGLOBAL LoadBitmapResource(HMODULE module, UINT id);
// Locks the loaded resource and checks it (ReadPackedDib with the resource's size); FALSE
// when it cannot be locked or is not a sound DIB.
BOOL ViewBitmapResource(HMODULE module, UINT id, HGLOBAL resource, DIBVIEW* view);

// The palette of the picture's colour table (version 0x300, flags 0), with gain applied to the
// colours when given; NULL for a picture without palette entries or when it cannot be made.
HPALETTE BuildDibPalette(const DIBVIEW& dib, const COLORGAIN* gain);

// A bitmap compatible with dc holding the picture; with a palette, the colour table's entries
// are replaced by the palette's colours first. NULL on failure.
HBITMAP DibToBitmap(HDC dc, const DIBVIEW& dib, HPALETTE palette);

// The transparency of a picture of width x height: mask (monochrome, 1 where the picture is
// magenta) and whitened (a copy of the picture with its magenta pixels white). FALSE, with
// nothing made, when a bitmap cannot be made.
BOOL BuildTransparencyMask(HDC dc, HBITMAP picture, int width, int height, HBITMAP* mask, HBITMAP* whitened);

// A monochrome mask of width x height with 1 wherever picture is white.
HBITMAP BuildWhiteMask(HDC dc, HBITMAP picture, int width, int height);

// Selects palette into dc and realises it; answers the entries that changed and puts the
// previous palette into *previous. A NULL palette answers 0.
UINT RealizePictureUnder(HDC dc, HPALETTE palette, HPALETTE* previous, BOOL background);

// A memory device context compatible with dc holding a bitmap of width x height, undone when
// the object ends. ok() is false when either cannot be made.
class MemoryPicture {
public:
    MemoryPicture(HDC dc, int width, int height);
    // A memory context holding an existing bitmap (which stays the caller's).
    MemoryPicture(HDC dc, HBITMAP bitmap);
    ~MemoryPicture();
    MemoryPicture(const MemoryPicture&) = delete;
    MemoryPicture& operator=(const MemoryPicture&) = delete;

    bool ok() const { return dc_ && bitmap_; }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    bool owned_ = false;
};

#endif  // DRV_BUILD_UM

#ifndef DRV_BUILD_UM

// The picture of a picture button or region picture, ready to draw onto dc's kind of surface:
// the bitmap made from the resource's DIB with the palette's colours (owned), or the bitmap
// handle the control was given (module NULL). Empty when there is no sound picture.
class ControlPicture {
public:
    ControlPicture(HDC dc, HMODULE module, UINT id, HANDLE image, HPALETTE palette);
    ~ControlPicture();
    ControlPicture(const ControlPicture&) = delete;
    ControlPicture& operator=(const ControlPicture&) = delete;

    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // One plane, one bit per pixel.
    bool monochrome() const { return monochrome_; }

private:
    HBITMAP bitmap_ = nullptr;
    bool owned_ = false;
    int width_ = 0, height_ = 0;
    bool monochrome_ = false;
};

// Width and height of a control's picture without making it; FALSE when there is none.
BOOL GetControlPictureSize(HMODULE module, UINT id, HANDLE image, SIZE* size);

// Releases a control's picture: FreeResource for a resource, DeleteObject for a bitmap handle.
void FreeControlPicture(HMODULE module, HANDLE image);

// A control's picture and palette replaced: the old ones are released; with a module, bitmap id
// of it is loaded (NULL when missing), without one id is a bitmap handle the control owns from
// then on (kept whole). The caller makes the new palette.
struct PICTURESLOT {
    HMODULE* module;
    UINT* imageId;
    HANDLE* image;
    HPALETTE* palette;
};
void ReplaceControlPicture(const PICTURESLOT& slot, HMODULE module, LPARAM id);

// A control's WM_QUERYNEWPALETTE: realises its palette in a window context as the foreground
// palette, invalidates the control when entries changed and answers their number (0 without
// palette).
UINT RealizeControlPalette(HWND control, HPALETTE palette);

#endif  // DRV_BUILD_UM
