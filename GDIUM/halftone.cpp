// The halftone threshold matrix: the dither table's thresholds mapped through the job's darkness,
// contrast and the table's tone curve, so that each entry holds the grey level (1..254) at which
// its dot turns on.
#include "halftone.h"

#include <cstdint>
#include <cstring>

#include "papertables.h"
#include "pdev.h"

namespace {

// The full scale of the mapping curve: 255 x 255.
constexpr int64_t FULL_SCALE = 255 * 255;
// The levels the matrix distinguishes; an entry never turned on holds LEVEL_NEVER.
constexpr int LEVEL_FIRST = 1;
constexpr int LEVEL_LAST = 254;
constexpr BYTE LEVEL_NEVER = 255;

// Raster flag: the tone curve is read from its far end (inverted output).
constexpr WORD RASTERFLAG_INVERT = 0x4;
// Colour flag: the model prints colour; darkness and contrast are neutral then.
constexpr WORD COLORCAPABLE_NEUTRAL = 0x2;
// Resolution mode bit: 1200 dpi is printed as 1200 x 600, every threshold doubled across.
constexpr WORD RESMODE_1200X600 = 0x1;
constexpr WORD DPI_1200 = 1200;

// The mapping curve through (0,0), (m,o), (t,255a), (65025-ab,255a+m) and (65025,65025), with
// m = (255-a)b, o = (255-b)a and t = 255(255-a). A segment whose divisor is zero is empty for
// every x it could be asked about; it gives its limit value instead of dividing.
int64_t MapLevel(int64_t a, int64_t b, int64_t x)
{
    const int64_t m = (255 - a) * b;
    const int64_t o = (255 - b) * a;
    const int64_t t = 255 * (255 - a);
    const int64_t e = FULL_SCALE - a * b;
    if (x < m) return m ? o * x / m : 0;
    if (x < t) {
        const int64_t d = (255 - a) * (255 - b);
        return d ? o + a * b * (x - m) / d : 0;
    }
    if (x < e) return o ? 255 * a + m * (x - t) / o : FULL_SCALE;
    const int64_t ab = a * b;
    return ab ? o + 255 * b + (255 - a) * (255 - b) * (x - e) / ab : 255 * a;
}

// The tone of curve value b (0..65025), read between the curve's neighbouring points and rounded;
// inverted, the curve is read from its far end.
int64_t ToneAt(const BYTE* p, int64_t b, bool invert)
{
    const int64_t pos = b / 255;
    const int64_t f = b % 255;
    if (pos >= 255) return p[255];
    if (!invert) return p[pos] + ((int64_t{p[pos + 1]} - p[pos]) * f + 127) / 255;
    const int64_t d = p[255 - pos];
    return p[255] - d - ((d - p[254 - pos]) * f + 127) / 255;
}

}  // namespace

BOOL MapHalftoneThresholds(LONG a, LONG b, const BYTE* toneCurve, SIZEL sourceSize, const BYTE* source,
                           SIZEL outputSize, BYTE* output, BOOL invert, int orientation)
{
    if (static_cast<ULONG>(a) > 255 || static_cast<ULONG>(b) > 255) return FALSE;
    if (!toneCurve || !source || !output) return FALSE;
    if (sourceSize.cx < 0 || sourceSize.cy < 0 || outputSize.cx < 0 || outputSize.cy < 0) return FALSE;
    switch (orientation) {
    case HALFTONE_UPRIGHT:
        if (outputSize.cx < sourceSize.cx || outputSize.cy < sourceSize.cy) return FALSE;
        break;
    case HALFTONE_TURN_RIGHT:
    case HALFTONE_TURN_LEFT:
        if (outputSize.cy < sourceSize.cx || outputSize.cx < sourceSize.cy) return FALSE;
        break;
    default:
        return FALSE;
    }

    const size_t outputBytes = static_cast<size_t>(outputSize.cx) * static_cast<size_t>(outputSize.cy);
    std::memset(output, 0, outputBytes);

    // The tone each level reaches: a threshold at or below it turns its dot on.
    int64_t tone[LEVEL_LAST + 1] = {};
    for (int k = LEVEL_FIRST; k <= LEVEL_LAST; ++k)
        tone[k] = ToneAt(toneCurve, MapLevel(a, b, 255 * int64_t{k}), invert != FALSE);

    const LONG w = sourceSize.cx;
    const LONG h = sourceSize.cy;
    for (LONG i = 0; i < h; ++i) {
        for (LONG j = 0; j < w; ++j) {
            LONG row = i, col = j;
            if (orientation == HALFTONE_TURN_RIGHT) {
                row = j;
                col = h - 1 - i;
            } else if (orientation == HALFTONE_TURN_LEFT) {
                row = w - 1 - j;
                col = h - 1 - i;
            }
            const BYTE threshold = source[static_cast<size_t>(i) * w + j];
            BYTE level = LEVEL_NEVER;
            for (int k = LEVEL_FIRST; k <= LEVEL_LAST; ++k) {
                if (threshold <= tone[k]) {
                    level = static_cast<BYTE>(k);
                    break;
                }
            }
            output[static_cast<size_t>(row) * outputSize.cx + col] = level;
        }
    }
    return TRUE;
}

BOOL BuildHalftoneMatrix(PDEV* pdev)
{
    HALFTONESTATE& ht = pdev->halftone;
    const DITHERTABLE* table = ht.table;
    // A table must not be read past its own threshold bytes.
    if (!table || table->width <= 0 || table->height <= 0 ||
        static_cast<LONG>(table->width) * table->height > static_cast<LONG>(DITHER_MAX_CELLS))
        return FALSE;

    const LONG width = table->width;
    const LONG height = table->height;
    const bool doubled = pdev->resolution == DPI_1200 && (pdev->resolutionMode & RESMODE_1200X600);
    const bool landscape = pdev->geo.landscape != 0;
    ht.matrixWidth = width;
    ht.matrixHeight = height;
    const SIZE_T bytes = static_cast<SIZE_T>(width) * height * (doubled ? 2 : 1);

    if (ht.thresholdMatrix && ht.thresholdMatrix != table->thresholds) GlobalFree(ht.thresholdMatrix);
    ht.thresholdMatrix = static_cast<BYTE*>(GlobalAlloc(GPTR, bytes));
    if (!ht.thresholdMatrix) return FALSE;

    const BYTE* source = table->thresholds;
    BYTE* copy = nullptr;
    SIZEL sourceSize = {width, height};
    SIZEL outputSize = sourceSize;
    if (doubled) {
        // 1200 x 600: every threshold is written twice across.
        copy = static_cast<BYTE*>(GlobalAlloc(GPTR, bytes));
        if (!copy) {
            GlobalFree(ht.thresholdMatrix);
            ht.thresholdMatrix = nullptr;
            return FALSE;
        }
        for (LONG n = 0; n < width * height; ++n) copy[2 * n] = copy[2 * n + 1] = table->thresholds[n];
        source = copy;
        sourceSize.cx = 2 * width;
        outputSize = sourceSize;
        ht.matrixWidth = 2 * width;
        if (width == height && landscape) {
            outputSize = {height, 2 * width};
            ht.matrixWidth = outputSize.cx;
            ht.matrixHeight = outputSize.cy;
        }
    }

    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (ext.wColorCapable & COLORCAPABLE_NEUTRAL) {
        ext.wDarkness = 0;
        ext.wContrast = 255;
    }
    int orientation = HALFTONE_UPRIGHT;
    if (landscape) orientation = static_cast<SHORT>(ext.wAux428) < 0 ? HALFTONE_TURN_RIGHT : HALFTONE_TURN_LEFT;
    // A matrix the mapping refuses stays cleared.
    MapHalftoneThresholds(ext.wDarkness, ext.wContrast, table->tone, sourceSize, source, outputSize,
                          ht.thresholdMatrix, (ext.wRasterFlags & RASTERFLAG_INVERT) != 0, orientation);
    if (copy) GlobalFree(copy);
    return TRUE;
}

void FreeHalftoneMatrix(PDEV* pdev)
{
    HALFTONESTATE& ht = pdev->halftone;
    if (ht.thresholdMatrix && !(ht.table && ht.thresholdMatrix == ht.table->thresholds))
        GlobalFree(ht.thresholdMatrix);
    ht.thresholdMatrix = nullptr;
    ht.matrixWidth = 0;
    ht.matrixHeight = 0;
}
